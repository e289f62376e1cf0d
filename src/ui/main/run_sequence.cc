#include "ui/main/run_sequence.h"

#include "app/run_ending.h"
#include "engine/copy/proven_delete.h"
#include "ui/main/start_checks.h"

namespace kadrel {

void RunSequence::launch(const std::shared_ptr<RunJob>& job, bool stopWhenShortOfRoom) {
    worker_.start([job, stopWhenShortOfRoom] { runFromWindow(*job, stopWhenShortOfRoom); },
                  [this, job] { runEnded(job); });
}

// Nothing was written when the room ran short; a yes sends the same run off again. A window
// being closed asks nothing: the copies done are kept, and no source goes.
void RunSequence::runEnded(const std::shared_ptr<RunJob>& job) {
    const bool closing = closing_();
    RunResult& result = job->result;
    if (result.room && !closing && confirmRoom(result.room->bytes, result.room->available, ui_))
        return launch(job, false);
    showNotices(result.notices, closing);
    result.notices.clear();
    if (closing || !confirmDelete(ui_, job->ctx.control, result))
        return done_(*job);
    worker_.start([job] { deleteOfferedSources(job->ctx, job->result); },
                  [this, job] {
                      showNotices(job->result.notices, false);
                      done_(*job);
                  });
}

// A closing window is not held open by what merely informs ("The run was stopped").
void RunSequence::showNotices(const Notices& notices, bool errorsOnly) {
    for (const Notice& n : notices)
        if (!errorsOnly || n.icon == MsgIcon::Critical)
            ui_.showMessage(n.text, n.title, n.icon, MsgButtons::Ok, MsgResult::Ok);
}

}  // namespace kadrel
