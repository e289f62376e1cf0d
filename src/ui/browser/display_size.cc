#include "ui/browser/display_size.h"

#include <cmath>

namespace kadrel {

int displaySizeIndex(int stored) {
    return stored >= 0 && stored < static_cast<int>(kDisplaySizes.size()) ? stored : 1;
}

int wheelNotches(int angleDelta) {
    return static_cast<int>(std::lrint(static_cast<double>(angleDelta) / 120.0));
}

}  // namespace kadrel
