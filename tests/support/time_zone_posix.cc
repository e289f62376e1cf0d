#include <stdlib.h>

#include <ctime>

#include "support/time_zone.h"

namespace kadrel::test {

void setTimeZone(const char* zone) {
    if (zone)
        ::setenv("TZ", zone, 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

}  // namespace kadrel::test
