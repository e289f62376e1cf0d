// Refuses, before a run touches anything, settings that would compose a name outside the
// target folder, and the characters no name may hold.
#pragma once

#include <string>

#include "settings/settings.h"

namespace kadrel {

/// Characters no extension or user text may hold, in both modes and in the order the messages
/// list them: separators and wildcards, and the quote, which names on Windows cannot hold.
inline constexpr char kRefusedNameChars[] = "\\/:*?\"<>|";

/// True for the control characters 0x00-0x1F and 0x7F: a CR or LF in a name splits it
/// wherever names travel as lines, and no user text or extension needs one.
constexpr bool isControlChar(unsigned code) {
    return code < 0x20 || code == 0x7F;
}

/// True for a character of kRefusedNameChars or a control character.
constexpr bool isRefusedNameChar(unsigned code) {
    for (const char c : kRefusedNameChars)
        if (c != '\0' && code == static_cast<unsigned char>(c))
            return true;
    return isControlChar(code);
}

/// True when text holds a refused character.
bool hasRefusedNameChar(const std::string& text);

/// Why the names a run would compose from settings could leave the target folder (a separator in
/// a name, or the whole name "." or ".."), naming the setting to correct; "" when they stay
/// inside. datedNames: copies into a target folder, named by datetimeformat when it is set.
std::string nameSettingsProblem(const Settings& settings, bool datedNames);

}  // namespace kadrel
