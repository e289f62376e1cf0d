#include "app/usage_texts.h"

#include "app/command_line.h"
#include "engine/copy/name_check.h"
#include "platform/file_system.h"
#include "platform/text_case.h"

namespace kadrel {

namespace {

/// The exit status of a run that passed validation; kRunFailed cannot be a sum of error bits.
std::vector<std::string> runStatusLines(PathStyle style) {
    return {
        "",
        "Exit status of a run:",
        "0......every folder was read and every file found was done, or none was found",
        std::to_string(kRunFailed) +
            "......a file found was not done (a copy, scan, time, flush or delete failure, a",
        "       skipped file, a folder that could not be listed, a cancel, a name that would",
        "       leave its folder, be empty or be hidden); no sum of the error codes above is " +
            std::to_string(kRunFailed),
        style == PathStyle::Windows
            ? "130....the run was stopped by Ctrl+C or Ctrl+Break, 129 by closing the console"
            : "128+n..the run was stopped by signal n: 129 SIGHUP, 130 SIGINT, 143 SIGTERM",
    };
}

std::vector<std::string> examples(const std::string& p, PathStyle style) {
    if (style == PathStyle::Windows)
        return {
            p + " \"c:\\Program Files\\sd_video\" c:\\mpg /S:mod /R:mpg /W /T:\"vacation in vienna\"",
            p + " c:\\video\\sd_video /S:mod /R:mpg /W /T:\"vacation in vienna\" /C /O",
            p + " \"c:\\Program Files\\sd_video\" /W /C",
            p + " c:\\sd_video\\MOV005.MOD c:\\sd_video\\myvideo /S:mod /R:mpg /W",
        };
    return {
        p + " \"/media/me/CAM CARD/SD_VIDEO\" ~/Videos /S:mod /R:mpg /W /T:\"vacation in vienna\"",
        p + " /media/me/card/SD_VIDEO ~/Videos /S:mod /R:mpg /W /T:\"vacation in vienna\" /C /O",
        p + " \"/media/me/CAM CARD/SD_VIDEO\" /W /C",
        p + " /media/me/card/SD_VIDEO/PRG001/MOV005.MOD ~/Videos/myvideo /S:mod /R:mpg /W",
    };
}

/// The lines of /V and /E, which name this system's tools and where the report goes.
std::vector<std::string> manifestAndReportSwitches(PathStyle style) {
    const std::string manifest =
        "/V....keep kadrel.xxh128 in targetdir, a digest line per copy (or manifest=1 in Kadrel.ini);";
    if (style == PathStyle::Windows)
        return {
            manifest,
            "      check the archive any time later with: cd /d targetdir && xxh128sum -c kadrel.xxh128",
            "/E....when the arguments are refused, show the Error code and what its parts mean in a",
            "      message box (on standard error when no one sits at the console; without /E only",
            "      the exit code tells)",
        };
    return {
        manifest,
        "      check the archive any time later with: cd targetdir && xxh128sum -c kadrel.xxh128",
        "/E....when the arguments are refused, print the Error code and what its parts mean on",
        "      standard error (without /E only the exit status tells)",
    };
}

/// How a path is told from a switch on this system.
std::vector<std::string> switchRule(PathStyle style) {
    if (style == PathStyle::Windows)
        return {
            "An argument that begins with \"/\" is a switch: a path begins with a drive letter (c:\\video),",
            "\"\\\" or \"\\\\server\\share\". -S:, -R: and -T: take the text after them as it stands. An",
            "unknown switch, a third path and every argument past the eighth are named in one warning",
            "on standard error and not used.",
        };
    return {
        "An argument that begins with \"/\" is a switch only when it holds no further \"/\":",
        "/home/me/clips is a path in every position; -S:, -R: and -T: take the text after them as it",
        "stands, a \"/\" too. An unknown switch, a third path and every argument past the eighth are",
        "named in one warning on standard error and not used.",
    };
}

void append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

const std::vector<std::string>& errorBitLines() {
    static const std::vector<std::string> lines = {
        "1....sourcedir or sourcefile doesn't exist",
        "2....targetdir doesn't exist or invalid target filename",
        "4....WS-Batch mode enabled but no confirmation specified using /C",
        "8..../W is specified but Searchextension or sourcefile extension is neither MOD nor MPG",
        std::string("16....invalid characters in Searchextension, the characters   ") + kRefusedNameChars +
            "   are not allowed",
        "32....invalid characters in Renameextension",
        "64....invalid characters in Usertext",
        "128...invalid characters in sourcedir or sourcefile",
        "256...invalid characters in targetdir or targetfile",
    };
    return lines;
}

std::string programName(const char* argv0, PathStyle style) {
    const std::string typed = argv0 != nullptr ? argv0 : "";
    const std::string base(platform::nameOf(typed));
    if (style == PathStyle::Posix)
        return base.empty() ? "kadrel" : base;
    // Typed without its extension or not, the program is named by its file.
    const std::string stem = base.empty() ? "kadrel" : base;
    const bool hasExe = stem.size() > 4 && platform::equalsNoCase(stem.substr(stem.size() - 4), ".exe");
    return hasExe ? stem : stem + ".exe";
}

std::vector<std::string> usageLines(const std::string& program, PathStyle style) {
    const std::string& p = program;
    const std::string help =
        style == PathStyle::Windows ? " /? | -h | --help | --version" : " -h | --help | --version";
    std::vector<std::string> lines = {
        "Kadrel Commandline Interface:",
        "",
        "Usage:",
        p + " sourcedir [targetdir] [/S:Searchextension] [/R:Renameextension] [/T:Usertext] [/W] [/C] [/E]",
        p + " [switches] -- sourcedir [targetdir]",
        p + help,
        "",
        "Examples:",
    };
    append(lines, examples(p, style));
    append(
        lines,
        {
            "",
            "Parameters:",
            "sourcedir and targetdir can be either a folder or a file name but if sourcedir is a folder then "
            "targetdir also must be a folder name.",
            "sourcedir,targetdir,Searchextension,Renameextension,Usertext...must be embedded in quotes(\") "
            "if "
            "blanks are inside text",
            "",
            "Switches:",
            "/S:....file extension to search for, must be either MOD or MPG for the use with switch /W",
            "/R:....file extension to rename to, can be any valid file extension or can be omitted",
            "/T:....user text that will be added to the filename",
            "/C....if WS Patch mode is enabled(no targetdir specified) then this switch is required to "
            "confirm "
            "modification of original files",
            "/W....set 16:9 Wide-Screen Flag",
            "/O....allow to overwrite existing files",
            "/M....read each clip's .MOI companion: its recording time names the clip, and /W marks",
            "      only clips recorded 16:9 (clips recorded 4:3 stay as they are)",
        });
    append(lines, manifestAndReportSwitches(style));
    append(lines,
           {
               "/?....show this help",
               "--version....print the name and version of the program",
               "--....ends the switches: every argument after it is a path, never a switch, so a folder",
               "      whose name begins with \"-\" can be given; the first two paths are sourcedir and "
               "targetdir",
               "Switches may also be written with \"-\" (-W, -S:mod); -h and --help show this help.",
           });
    append(lines, switchRule(style));
    append(lines, {"", "Error codes:"});
    append(lines, errorBitLines());
    lines.push_back("returned Error code can be any sum of the above numbers.");
    append(lines, runStatusLines(style));
    return lines;
}

std::vector<std::string> errorReportLines(int code) {
    std::vector<std::string> lines = {"ERROR " + std::to_string(code), "", "Description of the Error codes:"};
    lines.insert(lines.end(), errorBitLines().begin(), errorBitLines().end());
    lines.push_back("returned Error code can be any sum of the above numbers.");
    return lines;
}

std::string joinCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

}  // namespace kadrel
