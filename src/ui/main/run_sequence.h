// A window's copy run from Start to its end, on the window's worker thread: the run itself, the
// room question that may send it off again, its messages, the delete questions and the delete.
// Only the questions and the messages run on the GUI thread, between two pieces of work.
#pragma once

#include <functional>
#include <memory>

#include "app/ui_seam.h"
#include "ui/main/window_run.h"
#include "ui/main/work_thread.h"

namespace kadrel {

class RunSequence {
  public:
    /// Whether the window is being closed: a run then ends without a question and shows only
    /// its errors.
    using Closing = std::function<bool()>;
    /// Called on the GUI thread once the run, and the delete it led to, are over.
    using Done = std::function<void(const RunJob& job)>;

    RunSequence(WorkThread& worker, UiSeam& ui, Closing closing, Done done)
        : worker_(worker), ui_(ui), closing_(std::move(closing)), done_(std::move(done)) {}

    /// Sends job off; its progress goes through job's context.
    void start(const std::shared_ptr<RunJob>& job) { launch(job, true); }

  private:
    void launch(const std::shared_ptr<RunJob>& job, bool stopWhenShortOfRoom);
    void runEnded(const std::shared_ptr<RunJob>& job);
    void showNotices(const Notices& notices, bool errorsOnly);

    WorkThread& worker_;
    UiSeam& ui_;
    Closing closing_;
    Done done_;
};

}  // namespace kadrel
