// The times of files: read in the local time zone for names and displays, carried over from a
// source to its copy, and saved and restored around a patch of an original.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/outcome.h"
#include "platform/file_io.h"
#include "settings/settings.h"

namespace kadrel {

/// The three times of a file in the record order creation, last write, last access.
using FileTimes = platform::FileTimes;

/// Which of a file's times names it: creation or last write as chosen, or the earlier of the
/// two, where a creation on 1 January 1980 (local), a camera's unset clock, never counts.
platform::FileTime namingTime(const FileTimes& times, TimeSource timeSource);

/// The time that names a file, local, formatted with datePattern; nothing when the
/// path is not a plain visible file or its times cannot be read.
std::optional<std::string> getFileTimeName(const std::string& path, TimeSource timeSource,
                                           const std::string& datePattern);

/// The last write time, local, as DD/MM/YYYY HH:MM:SS; nothing on failure.
std::optional<std::string> getFileTimeText(const std::string& path);

/// The last write time, local, as the 14 digits YYYYMMDDHHMMSS; nothing on failure.
std::optional<std::string> getFileTimeStamp(const std::string& path);

/// Writes the source's times to the target (which must be writable); a failure names the file
/// that could not be read or written. Last access and last write are carried exactly; the
/// birth time cannot be set here. written, when given, receives the times written.
Outcome copyFileTimes(const std::string& source, const std::string& target, FileTimes* written = nullptr);

/// After a copy took its name: reads its last write time back and, when the file system changed
/// it (some FUSE FAT drivers give a file the time of its rename), writes the times again and
/// flushes them. Times count as kept within the file system's tolerance (2 s on FAT). A failure
/// names the copy and says why.
Outcome keepFileTimes(const std::string& copy, const FileTimes& wanted, platform::FileFaults* faults);

/// Reads the times of a file into record; on failure record is left as it was.
Outcome saveFileTimes(const std::string& path, FileTimes& record);

/// Writes saved times back: last write and last access exactly as saved (nothing reads the
/// last access time, so the saved value is the least surprising one).
Outcome restoreFileTimes(const std::string& path, const FileTimes& record);

}  // namespace kadrel
