// Shortens a long path for a message box or caption of a given pixel width.
#pragma once

#include <QString>

class QFontMetrics;

namespace kadrel {

/// The path with an ellipsis in the middle so that it fits width pixels in the font of
/// metrics; a path that fits comes back unchanged.
QString CompactPathToWidth(const QString& path, int width, const QFontMetrics& metrics);

}  // namespace kadrel
