#include "ui/main/selection_search.h"

#include "ui/browser/manual_selection.h"

namespace kadrel {

void startSelectionSearch(WorkThread& worker, const Settings& settings,
                          const std::atomic<bool>& abortRequested, std::function<void(SearchJob& job)> done) {
    auto job = std::make_shared<SearchJob>(settings);
    worker.start(
        [job, &abortRequested] {
            searchSelectionFiles(job->found, job->search, job->settings, abortRequested);
        },
        [job, done = std::move(done)] { done(*job); });
}

void reportSearchEnd(const SearchState& search, int32_t found, bool aborted, const std::string& searchExt,
                     UiSeam& ui) {
    if (aborted)
        return;
    if (!search.unreadable.empty())
        ui.showMessage(unreadableFoldersText(search), "Skipped", MsgIcon::Exclamation, MsgButtons::Ok,
                       MsgResult::Ok);
    // A source that could not be listed was named already; "no files" would only mislead.
    else if (found == 0)
        showError(ui, noFilesText(searchExt));
}

}  // namespace kadrel
