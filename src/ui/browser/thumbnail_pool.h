// Runs the thumbnail work on a few worker threads, one per core, in the order the window asks
// for: the page the user sees first, then the rest. The order can change at any moment (a
// scroll, a resize); files already begun are not begun again.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace kadrel {

/// One worker per core, at least 1 and at most 4: the disk, not the cores, sets the pace.
int thumbnailWorkers();

class ThumbnailPool {
  public:
    /// Runs task(index) on a worker for each index asked for; the task must not touch windows.
    /// whenIdle runs on a worker each time the work asked for is all done.
    using Task = std::function<void(int32_t index)>;

    ThumbnailPool(int workers, Task task, std::function<void()> whenIdle = {});
    /// Stops and waits only for the files in progress.
    ~ThumbnailPool();
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;

    /// The files to do next, in this order, instead of those asked for before and not begun.
    void want(const std::vector<int32_t>& order);
    /// Lets the workers finish the files in progress and begin no more.
    void stop();

  private:
    void work();
    void runOne(int32_t index);

    const Task task_;
    const std::function<void()> whenIdle_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<int32_t> queue_;
    std::set<int32_t> running_;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace kadrel
