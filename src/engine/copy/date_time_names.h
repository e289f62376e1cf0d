// New file names: the source's date and time in the user's format, the user text, the new
// extension and a running number when the name is taken.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/file_io.h"
#include "settings/date_formats.h"
#include "settings/settings.h"

namespace kadrel {

/// Renders a local date-time with a pattern. Tokens, longest first and without regard to
/// case: yyyy yy mm m dd d hh h nn n ss s AMPM; an m or mm whose nearest preceding token is an
/// hour is the minute. Hours run 1 to 12 when the pattern holds AMPM. Everything else is
/// copied as it stands.
std::string formatFileTime(const platform::CalendarTime& value, const std::string& pattern);

/// The user text before or after the date text, without a separator.
std::string composeStem(const std::string& dateText, const std::string& userText, bool textBeforeDate);

/// Orders names without regard to ASCII case: a case-insensitive file system (FAT, exFAT) takes
/// names that differ only in case as one, so a run treats them as one name everywhere.
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

/// Names told apart only without regard to ASCII case.
using NameSet = std::set<std::string, NoCaseLess>;

/// The entries of each folder a run names files in, listed once per run (keyed by the folder
/// as the names spell it, with its trailing separator).
using FolderEntries = std::map<std::string, std::multiset<std::string, NoCaseLess>>;

/// Where a run puts the file it names, and which names it may take. A name is taken when an
/// entry of its folder matches it without regard to case; with overwrite only an entry of
/// exactly that name may be replaced, one that differs in case never is.
struct NameTarget {
    /// The target folder; the target path without extension when targetIsDir is false (a
    /// command-line target file); empty in patch mode (the source's own folder).
    std::string target;
    bool targetIsDir = true;
    /// Take the composed name even when a file has it (the run replaces that file).
    bool overwrite = false;
    /// Names never to take, not even with overwrite: files the run has made or has still to
    /// process, so that one recording can never replace another of the same run. The run
    /// compares them without regard to case.
    std::function<bool(const std::string&)> reserved;
    /// The run's next running number to try per name, so that naming thousands of files of
    /// one second costs one look per file instead of one per number already taken.
    std::map<std::string, long>* nextNumber = nullptr;
    /// The run's listing of its folders, so that each is read once however many names it gets;
    /// without one each name reads its folder.
    FolderEntries* folders = nullptr;
};

/// The full path of the new file for source, composed from the settings usertext,
/// TextbeforeDate, renameext, dateformat and use_modificationtime. In patch mode a composed
/// name equal to the source (without regard to case) gives the source itself. "" when the
/// composed name would not be a plain name in its folder (a separator in it, or "." or ".."), or
/// would be empty before its extension or begin with "." (a hidden file); refusal, when
/// given, then says which. recorded, when given, is the time the camera wrote down for the
/// clip: it names the file in place of the file time.
std::string buildTargetName(const std::string& source, const Settings& settings, const NameTarget& where,
                            const std::optional<platform::CalendarTime>& recorded = std::nullopt,
                            std::string* refusal = nullptr);

}  // namespace kadrel
