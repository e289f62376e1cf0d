#include "ui/browser/browser_geometry.h"

#include <QWidget>
#include <algorithm>

#include "ui/screen_fit.h"
#include "ui/twips.h"

namespace kadrel {

void restoreBrowserGeometry(QWidget& window, const BrowserSettings& settings) {
    const double dpi = window.logicalDpiX();
    const QSize least = window.minimumSizeHint();
    window.resize(std::max(twipsToPixels(settings.width, dpi), least.width()),
                  std::max(twipsToPixels(settings.height, dpi), least.height()));
    window.move(twipsToPixels(settings.xpos, dpi), twipsToPixels(settings.ypos, dpi));
    keepOnScreen(window);
}

void storeBrowserGeometry(const QWidget& window, BrowserSettings& settings) {
    if (window.isMinimized() || window.isMaximized())
        return;
    const double dpi = window.logicalDpiX();
    settings.xpos = pixelsToTwips(window.pos().x(), dpi);
    settings.ypos = pixelsToTwips(window.pos().y(), dpi);
    settings.width = pixelsToTwips(window.width(), dpi);
    settings.height = pixelsToTwips(window.height(), dpi);
}

}  // namespace kadrel
