#include "ui/browser/thumbnail_store.h"

// Resources of a static library are registered by hand; the macro must not sit in a namespace.
static void initBrowserResources() {
    Q_INIT_RESOURCE(browser);
}

namespace kadrel {

void ThumbnailStore::resizeAndClearSelection() {
    pictureSizes.assign(static_cast<size_t>(fileCount), {0, 0});
    fileSelected.assign(static_cast<size_t>(fileCount), 0);
    selectedCount = 0;
}

QImage placeholderPicture() {
    static const QImage picture = [] {
        initBrowserResources();
        return QImage(QStringLiteral(":/browser/placeholder.png"));
    }();
    return picture;
}

}  // namespace kadrel
