// The program's icon, shown on every window and in the task bar.
#pragma once

#include <QIcon>

namespace kadrel {

/// The application id; the desktop entry and the installed icon carry this name.
inline constexpr char kApplicationId[] = "org.kadrel.Kadrel";

/// The icon built into the program (an SVG: Qt's SVG icon plugin draws it at any size).
QIcon programIcon();

}  // namespace kadrel
