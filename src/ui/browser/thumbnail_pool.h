// Makes thumbnails on a few worker threads, one per core, and hands them back to the UI thread
// in file order. Decoding a clip's first picture is the slow part of opening the browser and
// each file's work is independent, so every core can take a file while the UI thread only
// copies the finished pixels into the store.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kadrel {

/// What a worker made of one file: the slot's pixels (empty when the file has no picture, so
/// that it gets the placeholder) and the picture's own width and height, or the news that the
/// decoder cannot be used at all.
struct ThumbnailResult {
    std::vector<uint8_t> bits;
    std::array<int16_t, 2> size{0, 0};
    bool decoderFailed = false;
};

/// One worker per core, at least 1 and at most 4: more would only hold more finished
/// thumbnails in memory while the disk, not the cores, sets the pace.
int thumbnailWorkers();

/// Runs task(0) .. task(count - 1) on its workers, never more than a few files ahead of the
/// result the UI thread waits for. The task must not touch the UI, the settings or the store.
class ThumbnailPool {
  public:
    using Task = std::function<ThumbnailResult(int32_t index)>;

    ThumbnailPool(int32_t count, int workers, Task task);
    /// Stops and waits only for the files in progress.
    ~ThumbnailPool();
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;

    /// The result of index, the next one not yet taken. Between short waits it calls
    /// keepWaiting (which lets window events run); nothing when that returns false.
    std::optional<ThumbnailResult> take(int32_t index, const std::function<bool()>& keepWaiting);
    /// Lets the workers finish the files in progress and start no more.
    void stop();
    /// Files whose task has begun.
    int32_t started();

  private:
    ThumbnailResult run(int32_t index) const;
    void work();
    bool mayStart() const;

    const int32_t count_;
    const int32_t ahead_;  // files that may be started beyond the one waited for
    const Task task_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::optional<ThumbnailResult>> results_;
    int32_t next_ = 0;   // the next file a worker takes
    int32_t taken_ = 0;  // files handed back to the UI thread
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace kadrel
