#include "ui/browser/thumbnail_model.h"

#include <QMetaObject>
#include <algorithm>
#include <climits>
#include <utility>

#include "ui/browser/display_size.h"

namespace kadrel {
namespace {

// Drawn pictures kept in memory while the cache keeps them on disk, in KiB: a few pages even
// at the largest size and the screen's pixel ratio, far below the list's own size.
constexpr int kDrawnKiB = 96 * 1024;

int costKiB(const QImage& picture) {
    return static_cast<int>(std::max<qsizetype>(1, picture.sizeInBytes() / 1024));
}

std::vector<bool> boxedFlags(const ThumbnailStore& store) {
    std::vector<bool> boxed(store.fileList.size(), false);
    for (size_t i = 0; i < boxed.size() && i < store.facts.size(); ++i)
        boxed[i] = store.facts[i].boxed;
    return boxed;
}

}  // namespace

ThumbnailModel::ThumbnailModel(ThumbnailStore& store, ClipGrabber grab, const QString& cacheFolder,
                               qreal pixelRatio, int workers, QObject* parent)
    : QAbstractListModel(parent),
      store_(store),
      paths_(store.fileList.begin(),
             store.fileList.begin() + std::clamp<int32_t>(store.fileCount, 0, store.fileList.size())),
      boxed_(boxedFlags(store)),
      grab_(std::move(grab)),
      cache_(cacheFolder),
      pixelRatio_(pixelRatio),
      made_(paths_.size(), Made::No) {
    const int width =
        store.wideThumbnails ? kDisplaySizes[3].pictureWidth169 : kDisplaySizes[3].pictureWidth43;
    recipe_ = {store.clips, QSize(width, kLargestPictureHeight) * pixelRatio_};
    if (store_.pictureSizes.size() != paths_.size())
        store_.resizeAndClearSelection();
    boxed_.resize(paths_.size(), false);
    drawn_.setMaxCost(cache_.writable() ? kDrawnKiB : INT_MAX);
    pool_ = std::make_unique<ThumbnailPool>(
        workers, [this](int32_t row) { make(row); },
        [this] {
            if (!trimmed_.exchange(true))
                cache_.trim();
        });
}

ThumbnailModel::~ThumbnailModel() {
    pool_.reset();  // the workers end before what they use
}

int ThumbnailModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(paths_.size());
}

QString ThumbnailModel::caption(int row) const {
    if (static_cast<size_t>(row) >= store_.facts.size())
        return {};
    const FileFacts& facts = store_.facts[row];
    QString text = QString::fromStdString(facts.timeText);
    if (facts.lengthMs > 0) {
        const uint32_t seconds = (facts.lengthMs + 500) / 1000;
        text += QString("  %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
    }
    return text;
}

QVariant ThumbnailModel::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    if (!index.isValid() || row >= rowCount())
        return {};
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(paths_[row]);
        case TimeRole:
            return caption(row);
        case SelectedRole:
            return static_cast<size_t>(row) < store_.fileSelected.size() && store_.fileSelected[row] != 0;
        case ThumbnailRole: {
            const QImage* picture = drawn_.object(row);
            return picture != nullptr ? *picture : QImage();
        }
        default:
            return {};
    }
}

void ThumbnailModel::setPictureSize(QSize size) {
    std::lock_guard lock(targetMutex_);
    const QSize target = size * pixelRatio_;
    if (target == target_)
        return;
    target_ = target;
    ++generation_;
    drawn_.clear();
    if (!cache_.writable())  // nothing to fetch them from: made again at the new size
        std::fill(made_.begin(), made_.end(), Made::No);
}

void ThumbnailModel::showRows(int first, int last) {
    if (stopped_)
        return;
    std::vector<int32_t> order;
    const int count = rowCount();
    for (int row = std::max(first, 0); row <= last && row < count; ++row) {
        if (!isDrawn(row))
            order.push_back(row);
    }
    for (int step = 0; step < count; ++step) {
        const int row = (std::max(last, -1) + 1 + step) % count;  // after the page, then from the top
        if (made_[row] == Made::No && (row < first || row > last))
            order.push_back(row);
    }
    pool_->want(order);
}

bool ThumbnailModel::isDrawn(int row) const {
    return made_[row] == Made::NoPicture || drawn_.contains(row);
}

void ThumbnailModel::stopFilling() {
    stopped_ = true;
    pool_->stop();
}

void ThumbnailModel::selectionChanged() {
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {SelectedRole});
}

// On a worker: the cache's picture, else a new one that the cache keeps.
void ThumbnailModel::make(int32_t row) {
    QSize target;
    int generation = 0;
    {
        std::lock_guard lock(targetMutex_);
        target = target_;
        generation = generation_;
    }
    const std::string key = ThumbnailCache::keyFor(paths_[row], recipeVariant(recipe_, boxed_[row]));
    CachedThumbnail thumbnail;
    bool failed = false;
    if (!cache_.load(key, thumbnail)) {
        MadeThumbnail made = makeThumbnail(grab_, recipe_, paths_[row], boxed_[row]);
        failed = made.decoderFailed;
        if (failed) {  // every other clip would fail the same way
            stopped_ = true;
            pool_->stop();
        }
        thumbnail = {std::move(made.picture), made.size};
        if (!thumbnail.picture.isNull())
            cache_.save(key, thumbnail);
    }
    QImage shown;
    if (!thumbnail.picture.isNull() && target.isValid()) {
        shown = thumbnail.picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        shown.setDevicePixelRatio(pixelRatio_);
    }
    QMetaObject::invokeMethod(
        this,
        [this, row, generation, shown, size = thumbnail.size, failed] {
            take(row, generation, shown, size, failed);
        },
        Qt::QueuedConnection);
}

void ThumbnailModel::take(int32_t row, int generation, const QImage& picture, std::array<int16_t, 2> size,
                          bool failed) {
    if (failed) {
        if (!toldUnusable_)
            emit decoderUnusable();
        toldUnusable_ = true;
        return;
    }
    store_.pictureSizes[row] = size;
    if (picture.isNull()) {
        made_[row] = Made::NoPicture;
    } else if (generation == generation_) {
        made_[row] = Made::Picture;
        drawn_.insert(row, new QImage(picture), costKiB(picture));
    } else {
        made_[row] = cache_.writable() ? Made::Picture : Made::No;
        return;
    }
    emit dataChanged(index(row), index(row), {ThumbnailRole});
}

}  // namespace kadrel
