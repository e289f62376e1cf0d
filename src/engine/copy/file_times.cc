#include "engine/copy/file_times.h"

#include <cerrno>
#include <cstdio>

#include "engine/copy/date_time_names.h"
#include "platform/copy_proof.h"
#include "platform/file_system.h"

namespace kadrel {

namespace {

/// Steps 1 and 2 of every reader: a plain, visible, readable file and its times.
bool readTimes(const std::string& path, FileTimes& times) {
    uint32_t attributes = 0;
    if (platform::getAttributes(path, attributes) != 0)
        return false;
    if (attributes & (platform::kAttrHidden | platform::kAttrDirectory))
        return false;
    platform::RandomAccessFile file;
    return file.open(path, false) == 0 && platform::getFileTimes(path, times) == 0;
}

bool isCameraDefaultDate(const platform::FileTime& time) {
    platform::CalendarTime local;
    return platform::toLocalCalendar(time, local) == 0 && local.year == 1980 && local.month == 1 &&
           local.day == 1;
}

/// The last write time of a file in local calendar fields.
bool localLastWrite(const std::string& path, platform::CalendarTime& local) {
    FileTimes times;
    return readTimes(path, times) && platform::toLocalCalendar(times.lastWrite, local) == 0;
}

int64_t nanosecondsApart(const platform::FileTime& a, const platform::FileTime& b) {
    const int64_t seconds = a.sec - b.sec;
    if (seconds > 1000 || seconds < -1000)
        return INT64_MAX;
    const int64_t apart = seconds * 1000000000 + (a.nsec - b.nsec);
    return apart < 0 ? -apart : apart;
}

}  // namespace

platform::FileTime namingTime(const FileTimes& times, TimeSource timeSource) {
    if (timeSource == TimeSource::Creation)
        return times.creation;
    if (timeSource == TimeSource::Earlier && !isCameraDefaultDate(times.creation) &&
        times.creation < times.lastWrite)
        return times.creation;
    return times.lastWrite;
}

std::optional<std::string> getFileTimeName(const std::string& path, TimeSource timeSource,
                                           const std::string& datePattern) {
    FileTimes times;
    if (!readTimes(path, times))
        return std::nullopt;
    platform::CalendarTime local;
    if (platform::toLocalCalendar(namingTime(times, timeSource), local) != 0)
        return std::nullopt;
    return formatFileTime(local, datePattern);
}

std::optional<std::string> getFileTimeText(const std::string& path) {
    platform::CalendarTime t;
    if (!localLastWrite(path, t))
        return std::nullopt;
    char text[80];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                  t.minute, t.second);
    return text;
}

std::optional<std::string> getFileTimeStamp(const std::string& path) {
    platform::CalendarTime t;
    if (!localLastWrite(path, t))
        return std::nullopt;
    char text[80];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

Outcome copyFileTimes(const std::string& source, const std::string& target, FileTimes* written) {
    platform::RandomAccessFile in, out;
    if (const int error = in.open(source, false))
        return Outcome::failure(error, source);
    if (const int error = out.open(target, true))
        return Outcome::failure(error, target);
    FileTimes times;
    if (const int error = platform::getFileTimes(source, times))
        return Outcome::failure(error, source);
    if (const int error = platform::setFileTimes(target, times))
        return Outcome::failure(error, target);
    if (const int error = out.close())
        return Outcome::failure(error, target);
    if (written)
        *written = times;
    return Outcome::done();
}

Outcome keepFileTimes(const std::string& copy, const FileTimes& wanted, platform::FileFaults* faults) {
    const int64_t tolerance = platform::timeToleranceNs(copy);
    const auto kept = [&](FileTimes& now) {
        return platform::getFileTimes(copy, now) == 0 &&
               nanosecondsApart(now.lastWrite, wanted.lastWrite) < tolerance;
    };
    FileTimes now;
    if (kept(now))
        return Outcome::done();
    int e = faults ? faults->beforeTimesAgain(copy) : 0;
    if (e == 0)
        e = platform::setFileTimes(copy, wanted);
    if (e == 0)
        e = platform::flushFile(copy);
    if (e != 0)
        return Outcome::failure(
            e, copy,
            "its modification time changed and could not be set again: " + platform::systemErrorText(e));
    if (!kept(now))
        return Outcome::failure(EIO, copy, "the file system did not keep its modification time");
    return Outcome::done();
}

Outcome saveFileTimes(const std::string& path, FileTimes& record) {
    platform::RandomAccessFile file;
    if (const int error = file.open(path, false))
        return Outcome::failure(error, path);
    FileTimes times;
    if (const int error = platform::getFileTimes(path, times))
        return Outcome::failure(error, path);
    record = times;
    return Outcome::done();
}

Outcome restoreFileTimes(const std::string& path, const FileTimes& record) {
    platform::RandomAccessFile file;
    if (const int error = file.open(path, true))
        return Outcome::failure(error, path);
    if (const int error = platform::setFileTimes(path, record))
        return Outcome::failure(error, path);
    return Outcome::done();
}

}  // namespace kadrel
