// Turns the command line into the settings of one command-line run and validates them into
// a sum of error bits (0: run).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "settings/settings.h"

namespace kadrel {

/// Error bits of a command-line validation; the code is their sum.
enum CommandLineError : int16_t {
    kErrSource = 1,
    kErrTarget = 2,
    kErrNoConfirmation = 4,
    kErrNotMpeg = 8,
    kErrSearchExt = 16,
    kErrRenameExt = 32,
    kErrUserText = 64,
    kErrSourceChars = 128,  ///< also the code of a help request
    kErrTargetChars = 256,
};

/// Exit status of a run that did not finish every file it found. No validation sum is 6:
/// bit 2 needs a target and bit 4 its absence.
inline constexpr int kRunFailed = 6;

/// How an absolute path begins, which decides what "/" starts: on POSIX "/", so an argument
/// beginning with "/" is a switch only when it holds no further "/"; on Windows a drive letter
/// or "\", so every argument beginning with "/" is a switch.
enum class PathStyle { Posix, Windows };

/// The style of this system, told by its separator.
inline constexpr PathStyle kNativePathStyle =
    platform::kSeparator == '/' ? PathStyle::Posix : PathStyle::Windows;

/// Flags only the command line has.
struct CommandLineFlags {
    bool confirmPatch = false;
    bool helpRequested = false;
    bool versionRequested = false;  ///< --version, which counts as a help request
    bool showErrors = false;
    bool sourceIsDir = false;
    bool targetIsDir = false;
    /// Arguments read but not used, in their order: unknown switches and paths past the target.
    std::vector<std::string> ignored;
};

/// The words of a command line handed over as one text (Windows): the program's path (up to the
/// first blank or tab, or within the quotes it begins with), then the arguments. Blanks and tabs
/// separate arguments outside double quotes; a quote anywhere only groups and is dropped, so
/// "E:\my card\" is one argument ending in "\", and "" is an empty argument.
std::vector<std::string> splitCommandLine(const std::string& text);

/// The arguments of argv[1..], at most eight kept, with the dash switch spellings ("-W",
/// "-S:mod", "-h", "--help") turned into the slash spellings ("/W", "/S:mod", "/?"), except for
/// an argument holding a separator of style (a relative path) and everything after "--".
std::vector<std::string> argsFromArgv(int argc, const char* const* argv, PathStyle style = kNativePathStyle);

/// The arguments past the eighth, which are never read, as given.
std::vector<std::string> argumentsPastLimit(int argc, const char* const* argv);

/// One line naming every argument in ignored, each in double quotes; empty when there is none.
std::string ignoredArgumentsWarning(const std::vector<std::string>& ignored);

/// The text without one leading and then one trailing double quote (texts of 2 or more).
std::string stripQuotes(const std::string& text);

/// Applies the switches of args to settings and flags and validates them; returns the code.
/// Without "--" the first argument is the source (unless it asks for help) and the second the
/// target (unless it is a switch); with "--" the switches stand before it and the first two
/// other arguments are the source and the target. A path of style is never read as a switch;
/// "-S:", "-R:" and "-T:" followed by any text are those switches. What is not used goes to
/// flags.ignored.
int16_t parseCommandLine(const std::vector<std::string>& args, Settings& settings, CommandLineFlags& flags,
                         PathStyle style = kNativePathStyle);

}  // namespace kadrel
