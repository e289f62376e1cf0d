#include "ui/browser/WheelMouse.h"

#include <cmath>

namespace kadrel {

int wheelNotches(int angleDelta) {
    return static_cast<int>(std::lrint(static_cast<double>(angleDelta) / 120.0));
}

}  // namespace kadrel
