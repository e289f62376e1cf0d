#include "ui/main/CompactPath.h"

#include <QFontMetrics>

namespace kadrel {

QString CompactPathToWidth(const QString& path, int width, const QFontMetrics& metrics) {
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    return metrics.elidedText(path, Qt::ElideMiddle, width);
}

}  // namespace kadrel
