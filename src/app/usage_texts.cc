#include "app/usage_texts.h"

#include "app/command_line.h"
#include "engine/copy/name_check.h"

namespace kadrel {

namespace {

/// The exit status of a run that passed validation; kRunFailed cannot be a sum of error bits.
const std::vector<std::string>& runStatusLines() {
    static const std::vector<std::string> lines = {
        "",
        "Exit status of a run:",
        "0......every folder was read and every file found was done, or none was found",
        std::to_string(kRunFailed) +
            "......a file found was not done (a copy, scan, time, flush or delete failure, a",
        "       skipped file, a folder that could not be listed, a cancel, a name that would",
        "       leave its folder, be empty or be hidden); no sum of the error codes above is " +
            std::to_string(kRunFailed),
        "128+n..the run was stopped by signal n: 129 SIGHUP, 130 SIGINT, 143 SIGTERM",
    };
    return lines;
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

std::string programName(const char* argv0) {
    const std::string typed = argv0 != nullptr ? argv0 : "";
    const std::string base = typed.substr(typed.rfind('/') + 1);
    return base.empty() ? "kadrel" : base;
}

std::vector<std::string> usageLines(const std::string& program) {
    const std::string& p = program;
    std::vector<std::string> lines = {
        "Kadrel Commandline Interface:",
        "",
        "Usage:",
        p + " sourcedir [targetdir] [/S:Searchextension] [/R:Renameextension] [/T:Usertext] [/W] [/C] [/E]",
        p + " [switches] -- sourcedir [targetdir]",
        p + " -h | --help | --version",
        "",
        "Examples:",
        p + " \"/media/me/CAM CARD/SD_VIDEO\" ~/Videos /S:mod /R:mpg /W /T:\"vacation in vienna\"",
        p + " /media/me/card/SD_VIDEO ~/Videos /S:mod /R:mpg /W /T:\"vacation in vienna\" /C /O",
        p + " \"/media/me/CAM CARD/SD_VIDEO\" /W /C",
        p + " /media/me/card/SD_VIDEO/PRG001/MOV005.MOD ~/Videos/myvideo /S:mod /R:mpg /W",
        "",
        "Parameters:",
        "sourcedir and targetdir can be either a folder or a file name but if sourcedir is a folder then "
        "targetdir also must be a folder name.",
        "sourcedir,targetdir,Searchextension,Renameextension,Usertext...must be embedded in quotes(\") if "
        "blanks are inside text",
        "",
        "Switches:",
        "/S:....file extension to search for, must be either MOD or MPG for the use with switch /W",
        "/R:....file extension to rename to, can be any valid file extension or can be omitted",
        "/T:....user text that will be added to the filename",
        "/C....if WS Patch mode is enabled(no targetdir specified) then this switch is required to confirm "
        "modification of original files",
        "/W....set 16:9 Wide-Screen Flag",
        "/O....allow to overwrite existing files",
        "/M....read each clip's .MOI companion: its recording time names the clip, and /W marks",
        "      only clips recorded 16:9 (clips recorded 4:3 stay as they are)",
        "/V....keep kadrel.xxh128 in targetdir, a digest line per copy (or manifest=1 in Kadrel.ini);",
        "      check the archive any time later with: cd targetdir && xxh128sum -c kadrel.xxh128",
        "/E....when the arguments are refused, print the Error code and what its parts mean on",
        "      standard error (without /E only the exit status tells)",
        "/?....show this help",
        "--version....print the name and version of the program",
        "--....ends the switches: every argument after it is a path, never a switch, so a folder",
        "      whose name begins with \"-\" can be given; the first two paths are sourcedir and targetdir",
        "Switches may also be written with \"-\" (-W, -S:mod); -h and --help show this help.",
        "An argument that begins with \"/\" is a switch only when it holds no further \"/\":",
        "/home/me/clips is a path in every position; -S:, -R: and -T: take the text after them as it",
        "stands, a \"/\" too. An unknown switch, a third path and every argument past the eighth are",
        "named in one warning on standard error and not used.",
        "",
        "Error codes:",
    };
    lines.insert(lines.end(), errorBitLines().begin(), errorBitLines().end());
    lines.push_back("returned Error code can be any sum of the above numbers.");
    lines.insert(lines.end(), runStatusLines().begin(), runStatusLines().end());
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
