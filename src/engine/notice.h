// What the engine tells the user. It never shows a thing itself: a run hands these to its front
// end, which shows them, in order, once the work has ended (the terminal prints them, the window
// shows boxes over itself).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kadrel {

/// What kind of message a notice is, which a front end shows as its icon.
enum class MsgIcon { Critical, Question, Exclamation, Information };

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

/// A path as messages show it: control characters (a newline in a name) as "?", so one name
/// can never pass for several lines of a message.
std::string displayPath(const std::string& path);

}  // namespace kadrel
