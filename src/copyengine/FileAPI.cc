#include "copyengine/FileAPI.h"

#include "platform/filesys.h"

namespace kadrel {

uint32_t clearAttributes(const std::string& path, uint32_t mask) {
    const int64_t attributes = platform::getAttributes(path);
    if (attributes < 0)
        return 0;
    if ((static_cast<uint32_t>(attributes) & mask) != mask)
        return 1;
    // Hidden and folder bits are part of the name or the entry's kind here; they cannot go.
    if ((mask & ~platform::kAttrReadOnly) != 0)
        return 0;
    return platform::clearReadOnly(path) ? 1 : 0;
}

}  // namespace kadrel
