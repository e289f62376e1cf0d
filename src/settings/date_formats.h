// The date formats a user can name in datetimeformat, and how a stored value becomes the
// pattern the names are rendered with.
#pragma once

#include <array>
#include <string>

namespace kadrel {

/// One row of the format table: the name the user sees and stores, and its pattern.
struct DateFormatRow {
    const char* name;
    const char* pattern;
};

/// The format names in the order the settings file lists them.
extern const std::array<DateFormatRow, 33> kDateFormats;

/// The pattern names are rendered with for a stored datetimeformat: the pattern of a name of the
/// table, "" for a blank value (the names are kept), any other text as a pattern of its own.
std::string formatToPattern(const std::string& name);

}  // namespace kadrel
