#include "ui/browser/thumbnail_pool.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

namespace kadrel {

#if defined(__SANITIZE_THREAD__)
// Qt scales and converts large images on its own thread pool, and Qt Test runs a watchdog
// thread; ThreadSanitizer cannot see their hand-overs in the uninstrumented Qt libraries and
// reports Qt's own allocations and copies there as races, also when only the main thread calls
// Qt. Our own code stays fully checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Test.so.6\n";
}
#endif

int thumbnailWorkers() {
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
}

ThumbnailPool::ThumbnailPool(int workers, Task task, std::function<void()> whenIdle)
    : task_(std::move(task)), whenIdle_(std::move(whenIdle)) {
    const int threads = std::max(workers, 1);
    workers_.reserve(static_cast<size_t>(threads));
    try {
        for (int i = 0; i < threads; ++i)
            workers_.emplace_back(&ThumbnailPool::work, this);
    } catch (const std::system_error&) {
        // The system gave fewer threads: those that started do the work.
    }
}

ThumbnailPool::~ThumbnailPool() {
    stop();
    for (std::thread& worker : workers_)
        worker.join();
}

void ThumbnailPool::want(const std::vector<int32_t>& order) {
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        for (const int32_t index : order) {
            if (running_.count(index) == 0)
                queue_.push_back(index);
        }
    }
    changed_.notify_all();
}

void ThumbnailPool::stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    changed_.notify_all();
}

void ThumbnailPool::runOne(int32_t index) {
    try {
        task_(index);
    } catch (const std::exception&) {
        // A file that could not be made (memory ran out in a decoder or the picture loader)
        // keeps the placeholder, as any other file without a picture.
    }
}

void ThumbnailPool::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_)
            return;
        const int32_t index = queue_.front();
        queue_.pop_front();
        running_.insert(index);
        lock.unlock();
        runOne(index);
        lock.lock();
        running_.erase(index);
        if (queue_.empty() && running_.empty() && !stop_ && whenIdle_) {
            lock.unlock();
            whenIdle_();
            lock.lock();
        }
    }
}

}  // namespace kadrel
