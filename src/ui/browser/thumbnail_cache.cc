#include "ui/browser/thumbnail_cache.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/content_digest.h"

namespace kadrel {
namespace {

constexpr char kMagic[8] = {'K', 'D', 'T', 'H', 'U', 'M', 'B', '1'};
constexpr int kHeaderBytes = sizeof kMagic + 4;
constexpr std::streamsize kHashedBytes = 64 * 1024;
constexpr QFile::Permissions kPrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

// A folder only we can enter: thumbnails show what the user filmed.
bool makePrivateFolder(const QString& folder) {
    if (!QDir().mkpath(folder))
        return false;
    QFile::setPermissions(folder, kPrivateFolder);
    QFile::setPermissions(QFileInfo(folder).path(), kPrivateFolder);  // .../kadrel
    return QFileInfo(folder).isWritable();
}

bool placeFile(QTemporaryFile& file, const QString& path) {
    std::error_code error;
    std::filesystem::rename(file.fileName().toStdString(), path.toStdString(), error);
    file.setAutoRemove(error.value() != 0);
    return !error;
}

void feed(platform::DigestState& state, const std::string& text) {
    state.update(text.data(), text.size());
    state.update("\n", 1);
}

}  // namespace

ThumbnailCache::ThumbnailCache(const QString& folder, int64_t limit) : folder_(folder), limit_(limit) {
    writable_ = !folder_.isEmpty() && makePrivateFolder(folder_);
}

QString ThumbnailCache::defaultFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return base.isEmpty() ? QString() : base + "/kadrel/thumbnails";
}

std::string ThumbnailCache::keyFor(const std::string& path, const std::string& variant) {
    namespace fs = std::filesystem;
    std::error_code error;
    const auto size = fs::file_size(path, error);
    const auto time = error ? fs::file_time_type() : fs::last_write_time(path, error);
    std::ifstream file(path, std::ios::binary);
    if (error || !file)
        return {};
    std::vector<char> head(static_cast<size_t>(kHashedBytes));
    file.read(head.data(), kHashedBytes);
    platform::DigestState state;
    feed(state, variant);
    feed(state, path);
    feed(state, std::to_string(size));
    feed(state, std::to_string(time.time_since_epoch().count()));
    state.update(head.data(), static_cast<size_t>(file.gcount()));
    return state.digest().hex();
}

QString ThumbnailCache::pathOf(const std::string& key) const {
    return folder_ + '/' + QString::fromStdString(key) + ".thumb";
}

bool ThumbnailCache::load(const std::string& key, CachedThumbnail& out) const {
    if (key.empty() || folder_.isEmpty())
        return false;
    QFile file(pathOf(key));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.size() <= kHeaderBytes || !bytes.startsWith(QByteArray(kMagic, sizeof kMagic)))
        return false;
    const auto* size = reinterpret_cast<const uchar*>(bytes.constData() + sizeof kMagic);
    out.size = {static_cast<int16_t>(size[0] << 8 | size[1]), static_cast<int16_t>(size[2] << 8 | size[3])};
    out.picture = QImage::fromData(bytes.mid(kHeaderBytes), "JPG");
    // Marked as used, so that the least recently used files are the ones trimmed away.
    file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return !out.picture.isNull();
}

bool ThumbnailCache::save(const std::string& key, const CachedThumbnail& thumbnail) {
    if (key.empty() || !writable_)
        return false;
    QByteArray bytes(kMagic, sizeof kMagic);
    for (const int16_t side : thumbnail.size) {
        bytes.append(static_cast<char>(static_cast<uint16_t>(side) >> 8));
        bytes.append(static_cast<char>(side & 0xff));
    }
    QBuffer picture(&bytes);
    picture.open(QIODevice::Append);
    // Written aside and renamed into place, so no reader ever sees half a file; not synced to
    // the disk, as a thumbnail lost in a crash is only made again.
    QTemporaryFile file(folder_ + "/XXXXXX.part");  // 0600
    const bool saved = thumbnail.picture.save(&picture, "JPG", 90) && file.open() &&
                       file.write(bytes) == bytes.size() && file.flush() && placeFile(file, pathOf(key));
    if (!saved)
        writable_ = false;
    return saved;
}

void ThumbnailCache::trim() const {
    if (folder_.isEmpty())
        return;
    const QFileInfoList files = QDir(folder_).entryInfoList({"*.thumb"}, QDir::Files, QDir::Time);
    // What a writer ended in a crash left behind.
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    for (const QFileInfo& part : QDir(folder_).entryInfoList({"*.part"}, QDir::Files)) {
        if (part.lastModified() < dayAgo)
            QFile::remove(part.filePath());
    }
    int64_t kept = 0;
    for (const QFileInfo& info : files) {  // the most recently used first
        kept += info.size();
        if (kept > limit_)
            QFile::remove(info.filePath());
    }
}

}  // namespace kadrel
