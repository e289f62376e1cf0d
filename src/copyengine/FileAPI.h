// File attributes as the copy run uses them: a copy or a patched original must be writable.
#pragma once

#include <cstdint>
#include <string>

namespace kadrel {

/// Clears the attribute bits of mask (kAttrReadOnly and friends) when all of them are set.
/// Returns 0 when the attributes cannot be read or written, non-zero otherwise (1 when there
/// was nothing to clear). Only the read-only bit can be cleared on this platform.
uint32_t clearAttributes(const std::string& path, uint32_t mask);

}  // namespace kadrel
