// Shortens a long path for a message box or caption of a given pixel width.
#pragma once

#include <QString>

class QFontMetrics;

namespace kadrel {

/// The path shortened to fit width pixels in the font of metrics: the folders are cut first
/// (their start kept, an ellipsis for the rest) and the last component, the file name, is
/// always kept whole. When even "…/name" is too wide, the name alone comes back, which may
/// still be wider than width (captions then align it to the right). A path that fits comes
/// back unchanged.
QString compactPathToWidth(const QString& path, int width, const QFontMetrics& metrics);

}  // namespace kadrel
