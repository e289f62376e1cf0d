// What the engine tells the user. It never shows a thing itself: a run hands these to its front
// end, which shows them, in order, once the work has ended (the terminal prints them, the window
// shows boxes over itself).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/ui_seam.h"

namespace kadrel {

struct Notice {
    std::string text;
    std::string title;
    MsgIcon icon = MsgIcon::Critical;
};

using Notices = std::vector<Notice>;

/// An error as every front end shows it: titled "ERROR".
inline Notice errorNotice(std::string text) {
    return {std::move(text), "ERROR", MsgIcon::Critical};
}

}  // namespace kadrel
