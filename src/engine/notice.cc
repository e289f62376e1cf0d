#include "engine/notice.h"

namespace kadrel {

std::string displayPath(const std::string& path) {
    std::string shown = path;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return shown;
}

}  // namespace kadrel
