#include "ui/browser/thumbnail_pool.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>
#include <utility>

namespace kadrel {
namespace {

// How long the UI thread waits for a result before it lets window events run again: short
// enough that Abort and the window answer at once.
constexpr auto kWaitSlice = std::chrono::milliseconds(10);

// Files a worker may run ahead of the one the UI thread waits for; each holds one slot of
// memory until it is taken.
constexpr int32_t kAheadPerWorker = 2;

}  // namespace

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

ThumbnailPool::ThumbnailPool(int32_t count, int workers, Task task)
    : count_(std::max(count, 0)),
      ahead_(std::max(workers, 1) * kAheadPerWorker),
      task_(std::move(task)),
      results_(static_cast<size_t>(count_)) {
    const int threads = std::min(std::max(workers, 1), count_);
    workers_.reserve(static_cast<size_t>(threads));
    try {
        for (int i = 0; i < threads; ++i)
            workers_.emplace_back(&ThumbnailPool::work, this);
    } catch (const std::system_error&) {
        // The system gave fewer threads: those that started do the work, or take() if none did.
    }
}

ThumbnailPool::~ThumbnailPool() {
    stop();
    for (std::thread& worker : workers_)
        worker.join();
}

void ThumbnailPool::stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
}

int32_t ThumbnailPool::started() {
    std::lock_guard lock(mutex_);
    return next_;
}

bool ThumbnailPool::mayStart() const {
    return next_ < taken_ + ahead_;
}

ThumbnailResult ThumbnailPool::run(int32_t index) const {
    try {
        return task_(index);
    } catch (const std::exception&) {
        // A file that could not be made (memory ran out in a decoder or the picture loader)
        // gets the placeholder, as any other file without a picture.
        return {};
    }
}

void ThumbnailPool::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || next_ >= count_ || mayStart(); });
        if (stop_ || next_ >= count_)
            return;
        const int32_t index = next_++;
        lock.unlock();
        ThumbnailResult result = run(index);
        lock.lock();
        results_[static_cast<size_t>(index)] = std::move(result);
        changed_.notify_all();
    }
}

std::optional<ThumbnailResult> ThumbnailPool::take(int32_t index, const std::function<bool()>& keepWaiting) {
    if (index < 0 || index >= count_)
        return std::nullopt;
    if (workers_.empty()) {
        next_ = index + 1;
        taken_ = index + 1;
        return run(index);
    }
    auto& slot = results_[static_cast<size_t>(index)];
    std::unique_lock lock(mutex_);
    while (!slot.has_value()) {
        if (stop_ && next_ <= index)
            return std::nullopt;  // no worker will make it
        if (changed_.wait_for(lock, kWaitSlice, [&] { return slot.has_value(); }))
            break;
        lock.unlock();
        const bool keep = keepWaiting();
        lock.lock();
        if (!keep)
            return std::nullopt;
    }
    std::optional<ThumbnailResult> result = std::move(slot);
    slot.reset();
    taken_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    return result;
}

}  // namespace kadrel
