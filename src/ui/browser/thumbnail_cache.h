// Thumbnails remembered between runs, one small file each in a private folder, named by a
// digest of the file's path, size, modification time and first 64 KiB: every card names its
// clips MOV001 ..., so a changed or another file never finds an old picture. The least
// recently used go first when the folder grows beyond its limit. A cache that cannot be read
// or written is only skipped.
#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace kadrel {

/// A remembered thumbnail and the unscaled size of the picture it was made from.
struct CachedThumbnail {
    QImage picture;
    std::array<int16_t, 2> size{0, 0};
};

class ThumbnailCache {
  public:
    /// 500 MB, as the folder may hold the cards of years.
    static constexpr int64_t kDefaultLimit = 500LL * 1000 * 1000;

    /// A cache in folder (created 0700 when missing) of at most limit bytes.
    explicit ThumbnailCache(const QString& folder, int64_t limit = kDefaultLimit);

    /// $XDG_CACHE_HOME/kadrel/thumbnails, else ~/.cache/kadrel/thumbnails.
    static QString defaultFolder();

    /// The name the thumbnail of the file at path, made as variant, is kept under; empty when
    /// the file cannot be read (it is then neither looked up nor kept).
    static std::string keyFor(const std::string& path, const std::string& variant);

    /// The thumbnail kept under key, marked as just used; false when there is none.
    bool load(const std::string& key, CachedThumbnail& out) const;
    /// Keeps the thumbnail under key (0600); false, and no more tries, when it cannot.
    bool save(const std::string& key, const CachedThumbnail& thumbnail);
    /// Removes the least recently used files until the folder is within its limit.
    void trim() const;
    /// False once the folder could not be made or written.
    bool writable() const { return writable_; }

  private:
    QString pathOf(const std::string& key) const;

    QString folder_;
    int64_t limit_;
    std::atomic<bool> writable_{true};
};

}  // namespace kadrel
