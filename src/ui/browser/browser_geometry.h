// The browser window's place and size, kept in the settings in twips so that they mean the same
// on screens of another resolution, and always brought back wholly onto the screen.
#pragma once

#include "settings/settings.h"

class QWidget;

namespace kadrel {

/// Moves and sizes window as settings keep it, at least as large as its layout needs, and
/// wholly on its screen.
void restoreBrowserGeometry(QWidget& window, const BrowserSettings& settings);

/// Keeps window's place and size in settings; a minimized or maximized window keeps the last
/// normal ones.
void storeBrowserGeometry(const QWidget& window, BrowserSettings& settings);

}  // namespace kadrel
