#include "ui/browser/browser_geometry.h"

#include <QWidget>
#include <algorithm>

#include "ui/browser/browser_grid.h"
#include "ui/screen_fit.h"
#include "ui/twips.h"

namespace kadrel {

void restoreBrowserGeometry(QWidget& window, const BrowserSettings& settings) {
    const double dpi = window.logicalDpiX();
    window.resize(std::max(twipsToPixels(settings.width, dpi), twipsToPixels(kPanelWidth, dpi)),
                  std::max(twipsToPixels(settings.height, dpi), twipsToPixels(kMinClientHeight, dpi)));
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

void growBrowserTo(QWidget& window, int width, int height) {
    const double dpi = window.logicalDpiX();
    // One pixel more: the size read back in twips must not round below the need.
    window.resize(std::max(window.width(), twipsToPixels(width, dpi) + 1),
                  std::max(window.height(), twipsToPixels(height, dpi) + 1));
    keepOnScreen(window);
}

}  // namespace kadrel
