#include "app/run_ending.h"

#include "engine/copy/proven_delete.h"
#include "platform/signals.h"

namespace kadrel {

namespace {

bool askOkCancel(UiSeam& ui, const std::string& text, const std::string& title) {
    return ui.showMessage(text, title, MsgIcon::Critical, MsgButtons::OkCancel, MsgResult::Cancel) ==
           MsgResult::Ok;
}

}  // namespace

void showNotices(UiSeam& ui, const Notices& notices) {
    for (const Notice& n : notices)
        ui.showMessage(n.text, n.title, n.icon, MsgButtons::Ok, MsgResult::Ok);
}

bool confirmDelete(UiSeam& ui, RunControl& control, RunResult& result) {
    if (result.deletable.empty())
        return false;
    // Ctrl+C at a question is a no, and the process still ends as it was asked to.
    platform::SignalStop signals(control.copyCancel, control.running);
    const bool yes = askOkCancel(ui, deleteQuestion(result.deletable), "Delete files?") &&
                     askOkCancel(ui, "Are you sure?", "Confirm");
    if (const int signal = signals.caught()) {
        result.signal = signal;
        return false;
    }
    return yes;
}

void endRun(const RunContext& ctx, RunResult& result, UiSeam& ui) {
    showNotices(ui, result.notices);
    result.notices.clear();
    if (confirmDelete(ui, ctx.control, result))
        deleteOfferedSources(ctx, result);
    showNotices(ui, result.notices);
    result.deletable.clear();
}

}  // namespace kadrel
