// The window's long work (a search, a copy run, a delete) on a thread of its own, one piece at a
// time, with its end delivered back on the GUI thread. The work itself reaches the GUI only
// through queued calls and stops at the run's cancel flags.
#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>

namespace kadrel {

class WorkThread : public QObject {
    Q_OBJECT
  public:
    WorkThread() = default;
    /// Waits for work still going: whatever it touches outlives it.
    ~WorkThread() override;

    /// Runs work on a new thread, then done on the GUI thread once work has returned.
    void start(std::function<void()> work, std::function<void()> done);
    /// True from start until just before done runs.
    bool busy() const { return thread_ != nullptr; }

  signals:
    /// A piece of work has ended and its done has run.
    void ended();

  private:
    QPointer<QThread> thread_;
};

}  // namespace kadrel
