#include <stdlib.h>
#include <time.h>

#include "support/time_zone.h"

namespace kadrel::test {

// The C runtime takes TZ in the form "EST5": a name and the hours behind UTC. An empty value
// removes the variable.
void setTimeZone(const char* zone) {
    ::_putenv_s("TZ", zone ? zone : "");
    ::_tzset();
}

}  // namespace kadrel::test
