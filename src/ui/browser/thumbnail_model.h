// The found files as a list model for the browser's view: path, caption time, thumbnail and
// choice of each. Thumbnails are made or fetched from the cache on the pool's workers, the
// page shown first, and reach the model through the event loop; the model keeps only a bounded
// number of drawn pictures unless the cache cannot keep them.
#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QImage>
#include <QSize>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/browser/thumbnail_cache.h"
#include "ui/browser/thumbnail_maker.h"
#include "ui/browser/thumbnail_pool.h"
#include "ui/browser/thumbnail_store.h"

namespace kadrel {

class ThumbnailModel : public QAbstractListModel {
    Q_OBJECT
  public:
    enum Role { TimeRole = Qt::UserRole + 1, SelectedRole, ThumbnailRole };

    /// The files of store; thumbnails made with grab (clips) at the screen's pixelRatio and kept
    /// in cacheFolder (none when empty).
    ThumbnailModel(ThumbnailStore& store, ClipGrabber grab, const QString& cacheFolder, qreal pixelRatio,
                   int workers = thumbnailWorkers(), QObject* parent = nullptr);
    ~ThumbnailModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    /// Thumbnails are delivered at size (logical pixels) from now on.
    void setPictureSize(QSize size);
    /// Rows first to last are shown: they come first, then every row not yet made, in order.
    void showRows(int first, int last);
    /// Begins no more thumbnails; those in progress are dropped.
    void stopFilling();
    /// The store's choice changed: the view draws it again.
    void selectionChanged();
    /// True when row's thumbnail is drawn now (a picture, or the file has none).
    bool isDrawn(int row) const;
    /// True once row's thumbnail was made or fetched, also when it is no longer kept in memory.
    bool isMade(int row) const { return made_[row] != Made::No; }

  signals:
    /// The clip decoder cannot be used; no more thumbnails are made.
    void decoderUnusable();

  private:
    enum class Made : uint8_t { No, Picture, NoPicture };
    void make(int32_t row);
    void take(int32_t row, int generation, const QImage& picture, std::array<int16_t, 2> size, bool failed);
    QString caption(int row) const;

    ThumbnailStore& store_;
    const std::vector<std::string> paths_;  // the workers' own copy
    std::vector<bool> boxed_;
    const ClipGrabber grab_;
    ThumbnailRecipe recipe_;
    ThumbnailCache cache_;
    qreal pixelRatio_;
    std::vector<Made> made_;
    mutable QCache<int32_t, QImage> drawn_;
    std::mutex targetMutex_;
    QSize target_;  // device pixels
    int generation_ = 0;
    std::atomic<bool> stopped_{false};
    std::atomic<bool> trimmed_{false};
    bool toldUnusable_ = false;
    std::unique_ptr<ThumbnailPool> pool_;  // last: its workers use everything above
};

}  // namespace kadrel
