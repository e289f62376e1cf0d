// Patch mode, one original at a time: its new name and every edit of its stream are found
// first, reading only; then, under a journal that lets a later run put it back when this one
// is killed, it is renamed in its folder with its companions and set or reset in place.
#pragma once

#include <cstdint>

#include "engine/copy/run_steps.h"
#include "engine/outcome.h"

namespace kadrel {

/// Takes original i of a patch-mode run through its steps; a failure or a cancel stops the run.
Outcome patchFile(Run& r, int32_t i);

}  // namespace kadrel
