#include "ui/main/work_thread.h"

namespace kadrel {

WorkThread::~WorkThread() {
    if (thread_ != nullptr) {
        thread_->wait();
        delete thread_;
    }
}

void WorkThread::start(std::function<void()> work, std::function<void()> done) {
    thread_ = QThread::create(std::move(work));
    // finished comes from the worker, so this runs queued on the GUI thread, after every
    // progress call the work posted before it returned.
    connect(thread_, &QThread::finished, this, [this, done = std::move(done)] {
        thread_->deleteLater();
        thread_ = nullptr;
        done();
        emit ended();
    });
    thread_->start();
}

}  // namespace kadrel
