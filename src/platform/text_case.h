// Comparing texts without regard to case. Extensions, ini sections and keys and the companion
// files of a clip are matched this way; only the ASCII letters fold, so no locale can make two
// different names of a card equal.
#pragma once

#include <string_view>

namespace kadrel::platform {

/// The letter in lower case when it is an ASCII capital, else the character itself.
char asciiLower(char c);

/// True when both texts are equal but for the case of ASCII letters.
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace kadrel::platform
