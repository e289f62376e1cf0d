// The manual selection's search on the window's worker thread, with its own snapshot of the
// settings, and what the window tells the user when it ends.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "app/ui_seam.h"
#include "engine/copy/file_search.h"
#include "settings/settings.h"
#include "ui/browser/thumbnail_store.h"
#include "ui/main/work_thread.h"

namespace kadrel {

struct SearchJob {
    explicit SearchJob(const Settings& s) : settings(s) {}
    Settings settings;
    SearchState search;
    ThumbnailStore found;  ///< the list only
};

/// Searches settings' source for its extension on worker; done gets the job on the GUI thread.
void startSelectionSearch(WorkThread& worker, const Settings& settings,
                          const std::atomic<bool>& abortRequested, std::function<void(SearchJob& job)> done);

/// Names the folders the search could not list, or says that it found nothing; nothing after an
/// abort.
void reportSearchEnd(const SearchState& search, int32_t found, bool aborted, const std::string& searchExt,
                     UiSeam& ui);

}  // namespace kadrel
