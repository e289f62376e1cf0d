#include "app/command_line.h"

#include <algorithm>
#include <string_view>

#include "engine/copy/file_search.h"
#include "engine/copy/name_check.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/text_case.h"

namespace kadrel {

namespace {

/// The run of characters that marks a source or target text as garbage.
constexpr const char* kReservedRun = "\\/:*?<>|";
/// Arguments read; the rest of a longer command line is ignored.
constexpr int kMaxArgs = 8;
/// Ends the switches: every argument after it is a path, so a folder named "-card" can be given.
constexpr const char* kEndOfSwitches = "--";
/// Asks for the program's version, wherever a help request may stand.
constexpr const char* kVersionSwitch = "--version";

/// A path may contain any character but NUL; only the whole run of the reserved characters,
/// which no real path holds, marks a source or target text as garbage.
bool hasReservedRun(const std::string& text) {
    return text.find(kReservedRun) != std::string::npos;
}

/// "-S:", "-R:" and "-T:" take their text as it stands: -T:a/b is a user text to refuse, not
/// the relative path it could also be.
bool isDashTextSwitch(const std::string& arg) {
    if (arg.size() < 3 || arg[0] != '-' || arg[2] != ':')
        return false;
    const char letter = platform::asciiLower(arg[1]);
    return letter == 's' || letter == 'r' || letter == 't';
}

/// Where absolute paths begin with "/" only "/" followed by no further "/" is a switch, in every
/// position: a path such as /clips/2009 must never read as /C. Where they begin with a drive
/// letter or "\", "/" begins nothing but a switch.
bool isSlashSwitch(const std::string& arg, PathStyle style) {
    if (arg.empty() || arg[0] != '/')
        return false;
    return style == PathStyle::Windows || arg.find('/', 1) == std::string::npos;
}

bool isSwitch(const std::string& arg, PathStyle style) {
    return arg == kVersionSwitch || isSlashSwitch(arg, style) || isDashTextSwitch(arg);
}

void resetDefaults(Settings& settings, CommandLineFlags& flags) {
    settings.sourceDir.clear();
    settings.targetDir.clear();
    settings.searchExt = "MOD";
    settings.renameExt = "MPG";
    settings.userText.clear();
    settings.setWideScreen = false;
    settings.useMoi = false;
    flags.confirmPatch = false;
    flags.helpRequested = false;
    flags.versionRequested = false;
    flags.ignored.clear();
}

/// Sets what a switch asks for; false for anything else, a path too. The first character, "/"
/// or "-", is the same for every switch.
bool applySwitch(const std::string& arg, Settings& settings, CommandLineFlags& flags, PathStyle style) {
    if (!isSwitch(arg, style))
        return false;
    if (arg == kVersionSwitch)
        return flags.versionRequested = true;
    const std::string_view body = std::string_view(arg).substr(1);
    const auto starts = [body](std::string_view prefix) {
        return platform::equalsNoCase(body.substr(0, prefix.size()), prefix);
    };
    const auto is = [body](std::string_view text) { return platform::equalsNoCase(body, text); };
    if (starts("W"))
        settings.setWideScreen = true;
    else if (starts("S:"))
        settings.searchExt = stripQuotes(arg.substr(3));
    else if (starts("R:"))
        settings.renameExt = stripQuotes(arg.substr(3));
    else if (starts("C"))
        flags.confirmPatch = true;
    else if (starts("T:"))
        settings.userText = stripQuotes(arg.substr(3));
    else if (is("O"))
        settings.overwrite = true;
    else if (is("M"))
        settings.useMoi = true;
    else if (is("V"))
        settings.manifest = true;
    else if (is("E"))
        flags.showErrors = true;
    else if (is("?"))
        flags.helpRequested = true;
    else
        return false;
    return true;
}

/// An argument that is neither a known switch nor a path in its place is named, never dropped.
void applyOrIgnore(const std::string& arg, Settings& settings, CommandLineFlags& flags, PathStyle style) {
    if (!applySwitch(arg, settings, flags, style))
        flags.ignored.push_back(arg);
}

int16_t validateTarget(Settings& settings, CommandLineFlags& flags) {
    if (settings.targetDir.empty())
        return flags.confirmPatch ? 0 : kErrNoConfirmation;
    if (platform::isDirectory(settings.targetDir)) {
        flags.targetIsDir = true;
        return 0;
    }
    if (existsOrCanBeCreated(settings.targetDir) && !flags.sourceIsDir) {
        std::string name, folder, ext;
        splitPath(settings.targetDir, name, folder, ext);
        flags.targetIsDir = false;
        settings.targetDir = folder + name;
        settings.renameExt = ext;
        return 0;
    }
    return kErrTarget;
}

int16_t validate(Settings& settings, CommandLineFlags& flags) {
    if (flags.helpRequested || flags.versionRequested)
        return kErrSourceChars;
    int16_t code = 0;
    if (hasReservedRun(settings.sourceDir))
        code += kErrSourceChars;
    if (hasReservedRun(settings.targetDir))
        code += kErrTargetChars;
    if (platform::isDirectory(settings.sourceDir)) {
        flags.sourceIsDir = true;
    } else if (!platform::entryExists(settings.sourceDir)) {
        return kErrSource;
    } else {
        std::string name, folder;
        flags.sourceIsDir = false;
        splitPath(settings.sourceDir, name, folder, settings.searchExt);
    }
    code += validateTarget(settings, flags);
    if (settings.setWideScreen && !isStreamExtension(settings.searchExt))
        code += kErrNotMpeg;
    if (hasRefusedNameChar(settings.searchExt))
        code += kErrSearchExt;
    if (hasRefusedNameChar(settings.renameExt))
        code += kErrRenameExt;
    if (hasRefusedNameChar(settings.userText))
        code += kErrUserText;
    return code;
}

/// True when arg holds a separator of style: "/", and on Windows "\" too.
bool holdsSeparator(const std::string& arg, PathStyle style) {
    return arg.find_first_of(style == PathStyle::Windows ? "/\\" : "/") != std::string::npos;
}

/// "-x..." is the dash spelling of "/x..."; one holding a separator is a relative path such as
/// -card/PRG001 and must not become the absolute path /card/PRG001 (or on Windows the switch /C).
std::string slashSpelling(const std::string& arg, PathStyle style) {
    if (arg == "-h" || arg == "--help" || arg == "-?")
        return "/?";
    std::string spelled = arg;
    if (arg.size() >= 2 && arg[0] == '-' && arg[1] != '-' && !holdsSeparator(arg, style))
        spelled[0] = '/';
    return spelled;
}

/// Index of the "--" that ends the switches, or args.size().
size_t endOfSwitches(const std::vector<std::string>& args) {
    return std::find(args.begin(), args.end(), kEndOfSwitches) - args.begin();
}

/// Without "--": the first argument is the source unless it asks for help, the second the
/// target unless it is a switch, and only switches count after them.
void readByPosition(const std::vector<std::string>& args, Settings& settings, CommandLineFlags& flags,
                    PathStyle style) {
    // A user text such as -T:/? asks for no help.
    if (args[0] == kVersionSwitch)
        flags.versionRequested = true;
    else if (isSwitch(args[0], style) && !isDashTextSwitch(args[0]) &&
             args[0].find("/?") != std::string::npos)
        flags.helpRequested = true;
    else
        settings.sourceDir = args[0];
    size_t next = 1;
    if (args.size() > 1 && !isSwitch(args[1], style)) {
        settings.targetDir = args[1];
        next = 2;
    }
    for (size_t i = next; i < args.size(); ++i)
        applyOrIgnore(args[i], settings, flags, style);
}

/// With "--": switches may stand anywhere before it, everything after it is a path, and the
/// first two paths are the source and the target.
void readAroundEnd(const std::vector<std::string>& args, size_t end, Settings& settings,
                   CommandLineFlags& flags, PathStyle style) {
    std::vector<std::string> paths;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i < end && isSwitch(args[i], style))
            applyOrIgnore(args[i], settings, flags, style);
        else if (i != end)
            paths.push_back(args[i]);
    }
    if (!paths.empty())
        settings.sourceDir = paths[0];
    if (paths.size() > 1)
        settings.targetDir = paths[1];
    if (paths.size() > 2)
        flags.ignored.insert(flags.ignored.end(), paths.begin() + 2, paths.end());
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& text) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos)
        return {};
    const size_t programEnd = text[i] == '"' ? text.find('"', i + 1) : text.find_first_of(" \t", i);
    std::vector<std::string> words = {text.substr(i + (text[i] == '"'), programEnd - i - (text[i] == '"'))};
    bool inWord = false, inQuotes = false;
    for (i = programEnd == std::string::npos ? text.size() : programEnd + 1; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == ' ' || c == '\t') && !inQuotes) {
            inWord = false;
            continue;
        }
        if (!inWord)
            words.emplace_back();
        inWord = true;
        if (c == '"')
            inQuotes = !inQuotes;
        else
            words.back() += c;
    }
    return words;
}

std::vector<std::string> argsFromArgv(int argc, const char* const* argv, PathStyle style) {
    std::vector<std::string> args;
    bool switchesEnded = false;
    for (int i = 1; i < argc && i <= kMaxArgs; ++i) {
        args.push_back(switchesEnded ? argv[i] : slashSpelling(argv[i], style));
        switchesEnded = switchesEnded || args.back() == kEndOfSwitches;
    }
    return args;
}

std::vector<std::string> argumentsPastLimit(int argc, const char* const* argv) {
    std::vector<std::string> past;
    for (int i = kMaxArgs + 1; i < argc; ++i)
        past.emplace_back(argv[i]);
    return past;
}

std::string ignoredArgumentsWarning(const std::vector<std::string>& ignored) {
    if (ignored.empty())
        return "";
    std::string line = "kadrel: these arguments were ignored:";
    for (std::string arg : ignored) {
        // One line whatever the arguments hold.
        std::replace_if(
            arg.begin(), arg.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; }, '?');
        line += " \"" + arg + "\"";
    }
    return line;
}

std::string stripQuotes(const std::string& text) {
    if (text.size() < 2)
        return text;
    std::string result = text;
    if (result.front() == '"')
        result.erase(0, 1);
    if (!result.empty() && result.back() == '"')
        result.pop_back();
    return result;
}

int16_t parseCommandLine(const std::vector<std::string>& args, Settings& settings, CommandLineFlags& flags,
                         PathStyle style) {
    resetDefaults(settings, flags);
    if (args.empty())
        return kErrSource;  // a command line of blanks names no source
    const size_t end = endOfSwitches(args);
    if (end < args.size())
        readAroundEnd(args, end, settings, flags, style);
    else
        readByPosition(args, settings, flags, style);
    return validate(settings, flags);
}

}  // namespace kadrel
