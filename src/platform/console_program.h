// How a command-line program meets the system around it: the exit status the system hands back
// whole, and the message box a console program may still show.
#pragma once

#include <optional>
#include <string>

namespace kadrel::platform {

/// The command line as one UTF-8 text, the program's path first, where the system hands it over
/// unsplit (Windows); nothing where the shell has split it into the arguments of main (POSIX).
std::optional<std::string> commandLineText();

/// Readies the console for the program's text: UTF-8, and the terminal sequence that clears the
/// rest of a progress line. Windows consoles take neither by default; the console's own settings
/// come back when the process ends. Nothing to do on POSIX terminals.
void prepareConsole();

/// The largest exit status the caller receives unchanged: POSIX keeps 8 bits of it, Windows 32.
int largestExitStatus();

/// Shows text in a system message box titled title, with the stop icon and an OK button, in
/// front of other windows, and waits for it to be closed. False when this system shows none
/// for a console program, so that the caller writes the text instead.
bool showCriticalMessageBox(const std::string& text, const std::string& title);

}  // namespace kadrel::platform
