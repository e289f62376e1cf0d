#include "ui/compact_path.h"

#include <QFontMetrics>

namespace kadrel {

QString compactPathToWidth(const QString& path, int width, const QFontMetrics& metrics) {
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const int slash = path.lastIndexOf('/', path.endsWith('/') ? -2 : -1);
    if (slash <= 0)
        return path;
    const QString name = path.mid(slash + 1);
    const QString tail = path.mid(slash);  // "/name"
    const QString ellipsis(QChar(0x2026));
    const QString folders =
        metrics.elidedText(path.left(slash), Qt::ElideRight, width - metrics.horizontalAdvance(tail));
    if (!folders.isEmpty() && folders != path.left(slash))
        return folders + tail;
    if (metrics.horizontalAdvance(ellipsis + tail) <= width)
        return ellipsis + tail;
    return name;
}

}  // namespace kadrel
