// The ".MOI" companion a camcorder writes beside each ".MOD" clip: the recording's date and time
// to the millisecond, its length and whether the picture was recorded 16:9 or 4:3. File times
// lose this (a FAT card keeps 2 seconds, a copy made by a file manager keeps none of it).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_io.h"

namespace kadrel {

/// The picture shape the camera recorded.
enum class RecordedAspect { Unknown, Standard, Wide };  // Standard 4:3, Wide 16:9

/// What a readable companion says about its clip.
struct MoiRecord {
    std::string path;             ///< the companion it was read from
    platform::CalendarTime time;  ///< local camera time, seconds truncated
    int millisecond = 0;          ///< 0 to 999, the part of the second time leaves out
    uint32_t lengthMs = 0;        ///< length of the recording
    RecordedAspect aspect = RecordedAspect::Unknown;
};

/// Reads the companion of clip: an entry of its folder with its base name and the extension MOI
/// in any case, the first of several in name order that reads. Nothing when there is none, or
/// none is a regular file of at least 0x81 bytes beginning "V6" with a possible date. Only
/// regular files are opened, and never in a way that can block.
std::optional<MoiRecord> readCompanion(const std::string& clip);

/// The name companion takes when its clip is renamed to clip: the clip's folder and base name
/// with the companion's own extension as it was written (".MOI" stays ".MOI", ".moi" ".moi").
std::string companionNameFor(const std::string& companion, const std::string& clip);

/// The recording time as the file information window shows times: DD/MM/YYYY HH:MM:SS.mmm.
std::string recordingTimeText(const MoiRecord& record);

/// A length as H:MM:SS.cc (hundredths truncated).
std::string lengthText(uint32_t milliseconds);

/// "16:9", "4:3" or "unknown".
std::string aspectText(RecordedAspect aspect);

}  // namespace kadrel
