// What use_moi makes of one clip of a run: the time that names it and whether the 16:9 step
// touches it, taken from its ".MOI" companion, and the log lines that say why.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace kadrel {

/// How the run treats one clip.
struct CompanionChoice {
    /// The recording time, seconds truncated, that names the clip in place of its file time.
    std::optional<platform::CalendarTime> nameTime;
    /// False for a clip the camera recorded 4:3 that /W would mark 16:9: it is left as it is.
    bool flag = true;
    std::vector<std::string> notes;  ///< debug lines: which time and which 16:9 step, and why
};

/// What the run the arguments describe does with clip. namesByTime: the clip gets a date name;
/// flagStep: the run sets (setws) or resets the 16:9 flag of this kind of file. A missing or
/// unreadable companion leaves the clip to the file time and /W, as without use_moi.
CompanionChoice chooseByCompanion(const std::string& clip, bool namesByTime, bool flagStep,
                                  bool setWideScreen);

}  // namespace kadrel
