#include "engine/copy/moi_companion.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "engine/copy/companion_files.h"
#include "engine/copy/file_search.h"

namespace kadrel {

namespace {

/// The format byte at 0x80 is the last one read.
constexpr size_t kNeeded = 0x81;
constexpr size_t kTimeAt = 0x06;
constexpr size_t kLengthAt = 0x0E;
constexpr size_t kFormatAt = 0x80;
/// The years a camera's FAT card can carry as file times; outside them the clock was never set
/// or the bytes are not a date.
constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2107;

using Bytes = std::array<uint8_t, kNeeded>;

uint32_t bigEndian(const Bytes& b, size_t at, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | b[at + i];
    return value;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isPossible(const platform::CalendarTime& t, uint32_t msOfMinute) {
    if (t.year < kFirstYear || t.year > kLastYear || t.month < 1 || t.month > 12)
        return false;
    return t.day >= 1 && t.day <= daysInMonth(t.year, t.month) && t.hour < 24 && t.minute < 60 &&
           msOfMinute < 60000;
}

RecordedAspect aspectOf(uint8_t format) {
    switch (format & 0x0F) {
        case 0:
        case 1:
            return RecordedAspect::Standard;
        case 4:
        case 5:
            return RecordedAspect::Wide;
        default:
            return RecordedAspect::Unknown;
    }
}

std::optional<MoiRecord> parse(const Bytes& b, const std::string& path) {
    if (b[0] != 'V' || b[1] != '6')
        return std::nullopt;
    MoiRecord r;
    r.path = path;
    r.time.year = static_cast<int>(bigEndian(b, kTimeAt, 2));
    r.time.month = b[kTimeAt + 2];
    r.time.day = b[kTimeAt + 3];
    r.time.hour = b[kTimeAt + 4];
    r.time.minute = b[kTimeAt + 5];
    const uint32_t msOfMinute = bigEndian(b, kTimeAt + 6, 2);
    if (!isPossible(r.time, msOfMinute))
        return std::nullopt;
    r.time.second = static_cast<int>(msOfMinute / 1000);
    r.millisecond = static_cast<int>(msOfMinute % 1000);
    r.lengthMs = bigEndian(b, kLengthAt, 4);
    r.aspect = aspectOf(b[kFormatAt]);
    return r;
}

/// The first kNeeded bytes of a regular file; false when it is shorter or cannot be read.
bool readHead(const std::string& path, Bytes& head) {
    platform::RandomAccessFile file;
    if (file.open(path, false, true) != 0)
        return false;
    size_t got = 0;
    return file.readAt(head.data(), head.size(), 0, got) == 0 && got == head.size();
}

}  // namespace

std::optional<MoiRecord> readCompanion(const std::string& clip) {
    std::vector<std::string> companions = companionsOf(clip);
    std::sort(companions.begin(), companions.end());
    for (const std::string& path : companions) {
        Bytes head{};
        if (!readHead(path, head))
            continue;
        if (std::optional<MoiRecord> record = parse(head, path))
            return record;
    }
    return std::nullopt;
}

std::string companionNameFor(const std::string& companion, const std::string& clip) {
    std::string name, folder, ext, clipName, clipFolder, clipExt;
    splitPath(companion, name, folder, ext);
    splitPath(clip, clipName, clipFolder, clipExt);
    return clipFolder + clipName + "." + ext;
}

std::string recordingTimeText(const MoiRecord& r) {
    char text[80];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d.%03d", r.time.day, r.time.month,
                  r.time.year, r.time.hour, r.time.minute, r.time.second, r.millisecond);
    return text;
}

std::string lengthText(uint32_t ms) {
    char text[80];
    std::snprintf(text, sizeof text, "%u:%02u:%02u.%02u", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000 / 10);
    return text;
}

std::string aspectText(RecordedAspect aspect) {
    switch (aspect) {
        case RecordedAspect::Standard:
            return "4:3";
        case RecordedAspect::Wide:
            return "16:9";
        case RecordedAspect::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace kadrel
