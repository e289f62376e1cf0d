// Checks a copy folder's manifest (kadrel.xxh128) the way its users do, apart from the program.
#pragma once

#include <string>

namespace kadrel::test {

/// 0 when every line of folder's kadrel.xxh128 names a file of that folder with that XXH3-128
/// digest, otherwise not 0 (the manifest missing, a line malformed or a file that differs).
int checkManifest(const std::string& folder);

}  // namespace kadrel::test
