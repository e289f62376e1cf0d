#include <csignal>

#include "platform/crash_points.h"

namespace kadrel::platform {

int WriteStop::count() {
    if (++seen_ > writes_)
        std::raise(pause_ ? SIGSTOP : SIGKILL);
    return 0;
}

}  // namespace kadrel::platform
