#include "engine/copy/companion_choice.h"

#include "engine/copy/moi_companion.h"

namespace kadrel {

namespace {

constexpr char kNone[] = "no readable .MOI companion";

std::string timeNote(const std::optional<MoiRecord>& record) {
    if (!record)
        return std::string("use_moi: named by the file time: ") + kNone;
    return "use_moi: named by the recording time " + recordingTimeText(*record) + " of " + record->path;
}

/// Only /W changes with use_moi: a reset without it makes a 4:3 recording 4:3, which it is.
std::string flagNote(const std::optional<MoiRecord>& record, bool flagStep, bool setWideScreen) {
    if (!flagStep)
        return "use_moi: 16:9 flag left alone: /W is off";
    const std::string recorded = record ? "recorded " + aspectText(record->aspect) : kNone;
    if (!setWideScreen)
        return "use_moi: " + recorded + ", 16:9 flag reset: /W is off";
    if (!record || record->aspect == RecordedAspect::Unknown)
        return "use_moi: " + recorded + ", marked 16:9 as /W says";
    if (record->aspect == RecordedAspect::Wide)
        return "use_moi: recorded 16:9, marked 16:9";
    return "use_moi: recorded 4:3, left as it is although /W is on";
}

}  // namespace

CompanionChoice chooseByCompanion(const std::string& clip, bool namesByTime, bool flagStep,
                                  bool setWideScreen) {
    const std::optional<MoiRecord> record = readCompanion(clip);
    CompanionChoice choice;
    if (namesByTime) {
        if (record)
            choice.nameTime = record->time;
        choice.notes.push_back(timeNote(record));
    }
    choice.flag = !(flagStep && setWideScreen && record && record->aspect == RecordedAspect::Standard);
    choice.notes.push_back(flagNote(record, flagStep, setWideScreen));
    return choice;
}

}  // namespace kadrel
