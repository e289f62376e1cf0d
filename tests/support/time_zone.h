// The process's time zone, as the C library's local-time conversions see it.
#pragma once

namespace kadrel::test {

/// Sets TZ to zone (removes it for nullptr) and makes the C library read it again.
void setTimeZone(const char* zone);

}  // namespace kadrel::test
