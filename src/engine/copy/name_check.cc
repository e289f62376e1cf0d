#include "engine/copy/name_check.h"

#include <algorithm>
#include <vector>

#include "engine/copy/date_time_names.h"
#include "platform/file_system.h"

namespace kadrel {

namespace {

/// Together these give every token a value: two-digit and one-digit fields, an hour before
/// and one after noon (so both designators of AMPM).
constexpr platform::CalendarTime kSampleTimes[] = {{2009, 12, 31, 23, 58, 59}, {2001, 2, 3, 4, 5, 6}};

/// What stands for a source's base name where the names keep it.
constexpr const char* kSampleName = "MOV001";

bool leavesFolder(const std::string& name) {
    return name == "." || name == ".." || platform::holdsNameBreak(name);
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

/// The date texts the names can start from.
std::vector<std::string> sampleDates(const Settings& s, bool datedNames) {
    if (!datedNames || s.dateFormat.empty())
        return {kSampleName};
    std::vector<std::string> dates;
    for (const auto& time : kSampleTimes)
        dates.push_back(formatFileTime(time, s.dateFormat));
    return dates;
}

/// The setting that puts a separator into the name; else the date part is "." and the extension
/// empty, so the name is "..".
std::string culprit(const Settings& s, const std::string& date) {
    const std::string format = "The date format (datetimeformat in Kadrel.ini) " + quoted(s.dateFormatName);
    if (platform::holdsNameBreak(date))
        return format;
    if (platform::holdsNameBreak(s.userText))
        return "The user text " + quoted(s.userText);
    if (platform::holdsNameBreak(s.renameExt))
        return "The rename extension " + quoted(s.renameExt);
    return format + " with the extension " + quoted(s.renameExt);
}

}  // namespace

bool hasRefusedNameChar(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return isRefusedNameChar(static_cast<unsigned char>(c)); });
}

std::string nameSettingsProblem(const Settings& settings, bool datedNames) {
    for (const std::string& date : sampleDates(settings, datedNames)) {
        const std::string name =
            composeStem(date, settings.userText, settings.textBeforeDate) + "." + settings.renameExt;
        if (!leavesFolder(name))
            continue;
        return culprit(settings, date) + " would make file names like " + quoted(name) +
               ", which leave the target folder.\r\n\r\nThe run was not started.";
    }
    return "";
}

}  // namespace kadrel
