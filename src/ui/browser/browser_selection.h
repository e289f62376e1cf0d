// Choosing files in the thumbnail browser: the rules of a left press with Shift and Ctrl, and
// the Select All and Unselect All buttons. The selection lives in the thumbnail store.
#pragma once

#include <cstdint>

#include "ui/browser/thumbnail_store.h"

namespace kadrel {

/// A left press on the frame at position k of the page, which shows file f.
/// No modifier: only f (a press on the only selected file clears it); Ctrl: toggles f;
/// Shift: selects from the nearest selected file before f up to f, or toggles f when k is the
/// page's first frame or nothing before f is selected; Shift and Ctrl: nothing.
void leftPress(ThumbnailStore& store, int32_t f, int k, bool shift, bool ctrl);

/// Toggles file f.
void toggleFile(ThumbnailStore& store, int32_t f);

/// Selects every file.
void selectAll(ThumbnailStore& store);

/// Clears the selection.
void unselectAll(ThumbnailStore& store);

}  // namespace kadrel
