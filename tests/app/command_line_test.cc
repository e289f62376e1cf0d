#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <utility>

#include "app/usage_texts.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineArgs, ArgvKeepsEightAndReadsPosixSpellings) {
    // argv, the arguments read, the arguments past the eighth
    const std::tuple<std::vector<const char*>, Args, Args> cases[] = {
        {{"kadrel", "-h", "--help", "-W", "-S:mod", "/home/me", "--x", "-", "/E", "ninth", "-W"},
         {"/?", "/?", "/W", "/S:mod", "/home/me", "--x", "-", "/E"},
         {"ninth", "-W"}},
        // A relative path must not turn into an absolute one; nothing after "--" is respelled.
        {{"kadrel", "-card/PRG001", "-W", "--", "-h", "-W", "--", "--help"},
         {"-card/PRG001", "/W", "--", "-h", "-W", "--", "--help"},
         {}},
    };
    for (const auto& [argv, args, past] : cases) {
        const int argc = static_cast<int>(argv.size());
        EXPECT_EQ(argsFromArgv(argc, argv.data()), args) << argv[1];
        EXPECT_EQ(argumentsPastLimit(argc, argv.data()), past) << argv[1];
    }
    EXPECT_EQ(ignoredArgumentsWarning({}), "");
    EXPECT_EQ(ignoredArgumentsWarning({"/X", "two\nlines"}),
              "kadrel: these arguments were ignored: \"/X\" \"two?lines\"");
    EXPECT_EQ(stripQuotes("\"abc") + stripQuotes("abc\"") + stripQuotes("\"\""), "abcabc");
    EXPECT_EQ(stripQuotes("\""), "\"");
}

// Each system's help names the program as it is started there and gives paths of its own kind.
TEST(UsageText, NamesTheProgramAndPathsOfItsSystem) {
    EXPECT_EQ(programName("kadrel", PathStyle::Windows), "kadrel.exe");
    EXPECT_EQ(programName("KADREL.EXE", PathStyle::Windows), "KADREL.EXE");
    EXPECT_EQ(programName("kadrel", PathStyle::Posix), "kadrel");
    EXPECT_EQ(programName(nullptr, PathStyle::Windows), "kadrel.exe");
    const std::vector<std::string> windows = usageLines("kadrel.exe", PathStyle::Windows);
    const Args head = {
        "Kadrel Commandline Interface:",
        "",
        "Usage:",
        "kadrel.exe sourcedir [targetdir] [/S:Searchextension] [/R:Renameextension] [/T:Usertext] [/W] [/C] "
        "[/E]",
        "kadrel.exe [switches] -- sourcedir [targetdir]",
        "kadrel.exe /? | -h | --help | --version",
        "",
        "Examples:",
        "kadrel.exe \"c:\\Program Files\\sd_video\" c:\\mpg /S:mod /R:mpg /W /T:\"vacation in vienna\"",
    };
    ASSERT_GT(windows.size(), head.size());
    EXPECT_EQ(Args(windows.begin(), windows.begin() + head.size()), head);
    EXPECT_EQ(windows.back(),
              "130....the run was stopped by Ctrl+C or Ctrl+Break, 129 by closing the console");
    const std::vector<std::string> posix = usageLines("kadrel", PathStyle::Posix);
    EXPECT_EQ(posix[5], "kadrel -h | --help | --version");
    EXPECT_EQ(posix.size(), windows.size() - 1) << "the same lines but for one more on /E";
    for (const std::string& line : windows)
        EXPECT_EQ(line.find("/media"), std::string::npos) << line;
}

// A Windows command line arrives as one text: quotes only group, so a quoted folder that ends in
// "\" (as the console completes one) stays one argument, and the program's path is no argument.
TEST(CommandLineText, QuotesGroupAndTheProgramPathIsSetApart) {
    const std::pair<const char*, Args> cases[] = {
        {"kadrel.exe", {"kadrel.exe"}},
        {"  \"C:\\Program Files\\kadrel.exe\" /?", {"C:\\Program Files\\kadrel.exe", "/?"}},
        {"kadrel.exe \"E:\\my card\\\" D:\\out /W", {"kadrel.exe", "E:\\my card\\", "D:\\out", "/W"}},
        {"kadrel.exe E:\\card /T:\"vacation in vienna\"\t/C ",
         {"kadrel.exe", "E:\\card", "/T:vacation in vienna", "/C"}},
        {"kadrel.exe \"\" a\"b c\"d", {"kadrel.exe", "", "ab cd"}},
        {" \t", {}},
    };
    for (const auto& [text, words] : cases)
        EXPECT_EQ(splitCommandLine(text), words) << text;
}

class ParseCommandLine : public ::testing::Test {
  protected:
    /// Parses the arguments as the shell hands them over, behind the program's name.
    int16_t parse(const Args& args, PathStyle style = kNativePathStyle) {
        std::vector<const char*> argv = {"kadrel"};
        for (const auto& arg : args)
            argv.push_back(arg.c_str());
        return parseCommandLine(argsFromArgv(static_cast<int>(argv.size()), argv.data(), style), settings,
                                flags, style);
    }
    test::TempDir dir;
    const std::string folder = dir.path();
    Settings settings;
    CommandLineFlags flags;
};

TEST_F(ParseCommandLine, SwitchesAndDefaults) {
    EXPECT_EQ(parse({folder, folder, "/w", "/s:Mpg", "/r:\"avi\"", "/T:my trip", "/C", "/O", "/E"}), 0);
    EXPECT_FALSE(flags.showErrors || settings.useMoi) << "/E is the ninth argument";
    EXPECT_TRUE(settings.setWideScreen && flags.confirmPatch && settings.overwrite && flags.sourceIsDir &&
                flags.targetIsDir);
    EXPECT_EQ(settings.searchExt + "|" + settings.renameExt + "|" + settings.userText, "Mpg|avi|my trip");
    EXPECT_EQ(parse({folder, "/E", "/m", "-v"}), kErrNoConfirmation);
    EXPECT_TRUE(flags.showErrors && settings.useMoi && settings.manifest);

    settings.overwrite = settings.manifest = false;
    flags.showErrors = false;
    EXPECT_EQ(parse({folder, "/OX", "/EX", "/?x", "/Wide", "/Confirm", "/MOI", "/Verify"}), 0);
    EXPECT_FALSE(settings.overwrite || settings.useMoi || flags.showErrors || settings.manifest)
        << "/O, /M, /V and /E stand alone";
    EXPECT_EQ(flags.ignored, (Args{"/OX", "/EX", "/?x", "/MOI", "/Verify"}));
    EXPECT_TRUE(settings.setWideScreen && flags.confirmPatch) << "/Wide begins with /W, /Confirm with /C";
    EXPECT_EQ(settings.searchExt + settings.renameExt + settings.userText, "MODMPG");
    EXPECT_EQ(settings.targetDir, "") << "the second argument is a switch, so patch mode";

    EXPECT_EQ(parse({folder, "/S:mod", "/S:mpg"}), kErrNoConfirmation);
    EXPECT_EQ(settings.searchExt, "mpg") << "a repeated switch overwrites";
}

TEST_F(ParseCommandLine, ErrorBits) {
    const std::string file = dir.write("clip.MOD", "x");
    const std::string missing = dir.file("missing");
    std::filesystem::create_directory(dir.file("blank "));
    // Windows drops the blanks at the end of a path, so there such a path names the folder itself.
    const bool windows = platform::kSeparator == '\\';
    const std::pair<Args, int16_t> cases[] = {
        {{}, kErrSource},
        {{missing}, kErrSource},
        {{missing, missing, "/S:*", "/W"}, kErrSource},
        {{folder}, kErrNoConfirmation},
        {{folder, "/C"}, 0},
        {{folder, folder, "/W", "/S:jpg"}, kErrNotMpeg},
        {{folder, folder, "/W", "/S:jp*"}, kErrNotMpeg + kErrSearchExt},
        {{folder, folder, "/R:a<b", "/T:x|y"}, kErrRenameExt + kErrUserText},
        {{folder, folder, "/T:say \"hi\" now"}, kErrUserText},  // a quote left inside the text
        {{folder, folder, "/S:m\x01od"}, kErrSearchExt},
        {{folder, folder, "/R:mp\x7fg"}, kErrRenameExt},
        {{folder, folder, "/T:a\tb"}, kErrUserText},
        {{folder, folder, "/T:a\r\nb"}, kErrUserText},
        // The dash spelling of a switch with text takes the text as it stands, a "/" too.
        {{folder, folder, "-T:a/b"}, kErrUserText},
        {{folder, folder, "-s:m/d", "-R:x/"}, kErrSearchExt + kErrRenameExt},
        // The path that is validated is the path the run uses: blanks are part of a name.
        {{folder + " ", "/C"}, int16_t(windows ? 0 : kErrSource)},
        {{folder, folder + " "}, int16_t(windows ? 0 : kErrTarget)},
        {{folder, folder + "blank "}, 0},
        {{folder, dir.file("new.mpg")}, kErrTarget},
        {{folder, dir.file("nofolder/x")}, kErrTarget},
        {{file, dir.file("nofolder/x.mpg")}, kErrTarget},
        {{file, "/W", "/C"}, 0},
        {{"/?"}, kErrSourceChars},
        {{"/?", missing}, kErrSourceChars},
        {{"-T:/?", folder}, kErrSource},  // a user text, not a help request
        {{folder, "/W", "/S:jpg", "/?"}, kErrSourceChars},
        {{folder + "\\/:*?<>|", "/C"}, kErrSource},
        {{folder, folder + "\\/:*?<>|"}, kErrTargetChars + kErrTarget},
    };
    for (const auto& [args, code] : cases)
        EXPECT_EQ(parse(args), code) << ::testing::PrintToString(args);
}

// Once /clips/2009 counted as /C and ran patch mode on the originals without confirmation.
TEST_F(ParseCommandLine, APosixPathIsNeverASwitchInAnyPosition) {
    for (const char* path :
         {"/clips/2009", "/wedding/2009", "/S:a/b", "/R:a/b", "/T:a/b", "/?/x", "-C/x", "-W/x"}) {
        for (int position = 2; position <= 8; ++position) {
            Args args = {folder};
            args.resize(position - 1, "/O");  // a switch that leaves the code alone
            args.push_back(path);
            SCOPED_TRACE(std::string(path) + " at " + std::to_string(position));
            EXPECT_EQ(parse(args, PathStyle::Posix), position == 2 ? kErrTarget : kErrNoConfirmation);
            EXPECT_FALSE(flags.confirmPatch || settings.setWideScreen || flags.helpRequested);
            EXPECT_EQ(settings.searchExt + settings.renameExt + settings.userText, "MODMPG");
            EXPECT_EQ(flags.ignored, position == 2 ? Args{} : Args{path}) << "a third path is named";
        }
    }
}

// Where a path begins with a drive letter or "\", "/" begins only switches, and a dash word
// holding either separator stays a relative path.
TEST_F(ParseCommandLine, TheSwitchRuleFollowsThePathStyle) {
    // arguments, style, code, /C, /W, user text, the arguments named as ignored
    const std::tuple<Args, PathStyle, int16_t, bool, bool, const char*, Args> cases[] = {
        {{folder, "/O", "/clips/2009"},
         PathStyle::Posix,
         kErrNoConfirmation,
         false,
         false,
         "",
         {"/clips/2009"}},
        {{folder, "/O", "/clips/2009"}, PathStyle::Windows, 0, true, false, "", {}},
        {{folder, "/Wide/screen", "/C"}, PathStyle::Posix, kErrTarget, true, false, "", {}},
        {{folder, "/Wide/screen", "/C"}, PathStyle::Windows, 0, true, true, "", {}},
        {{folder, "/C", "/T:a/b"}, PathStyle::Posix, 0, true, false, "", {"/T:a/b"}},
        {{folder, "/C", "/T:a/b"}, PathStyle::Windows, kErrUserText, true, false, "a/b", {}},
        {{folder, "/O", "-C\\x"}, PathStyle::Posix, 0, true, false, "", {}},
        {{folder, "/O", "-C\\x"}, PathStyle::Windows, kErrNoConfirmation, false, false, "", {"-C\\x"}},
        {{folder, "/O", "-C/x"}, PathStyle::Windows, kErrNoConfirmation, false, false, "", {"-C/x"}},
        {{folder, "-T:x", "-W", "-c"}, PathStyle::Windows, 0, true, true, "x", {}},
        {{"/?/x"}, PathStyle::Windows, kErrSourceChars, false, false, "", {}},
        {{"/?/x"}, PathStyle::Posix, kErrSource, false, false, "", {}},
    };
    for (const auto& [args, style, code, confirm, wide, text, ignored] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args) + (style == PathStyle::Windows ? " Windows" : " POSIX"));
        EXPECT_EQ(parse(args, style), code);
        EXPECT_EQ(flags.confirmPatch, confirm);
        EXPECT_EQ(settings.setWideScreen, wide);
        EXPECT_EQ(settings.userText, text);
        EXPECT_EQ(flags.ignored, ignored);
    }
}

TEST_F(ParseCommandLine, DoubleDashEndsTheSwitches) {
    std::filesystem::create_directory(dir.file("-card"));
    std::filesystem::create_directory(dir.file("dst"));
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    // arguments, code, source, target, /W, the arguments named as ignored
    const std::tuple<Args, int16_t, const char*, const char*, bool, Args> cases[] = {
        {{"-W", "--", "-card", "dst"}, 0, "-card", "dst", true, {}},
        {{"dst", "-W", "--", "-card"}, 0, "dst", "-card", true, {}},
        {{"--", "-card", "dst", "-W"}, 0, "-card", "dst", false, {"-W"}},
        {{"-W", "-C", "--", "-card"}, 0, "-card", "", true, {}},
        {{"-card", "dst"}, kErrSource, "/card", "dst", false, {}},
        {{"--", "-h"}, kErrSource, "-h", "", false, {}},
        {{"-W", "--"}, kErrSource, "", "", true, {}},
        {{"-h", "--", "-card"}, kErrSourceChars, "-card", "", false, {}},
        {{"-X", "--", "-card", "dst", "third"}, 0, "-card", "dst", false, {"/X", "third"}},
        // Unquoted, the second word of a user text is a path too many, not part of the text.
        {{"dst", "/T:my", "holiday", "-X", "/W"}, kErrNoConfirmation, "dst", "", true, {"holiday", "/X"}},
    };
    for (const auto& [args, code, source, target, wide, ignored] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(parse(args), code);
        EXPECT_EQ(settings.sourceDir, source);
        EXPECT_EQ(settings.targetDir, target);
        EXPECT_EQ(settings.setWideScreen, wide);
        EXPECT_EQ(flags.ignored, ignored);
    }
    std::filesystem::current_path(cwd);
}

TEST_F(ParseCommandLine, FileSourceAndFileTarget) {
    const std::string src = dir.write("in/clip.MOD", "x");
    const std::string target = folder + "out.d/name.mpg";
    std::filesystem::create_directory(dir.file("out.d"));
    ASSERT_EQ(parse({src, target, "/S:xyz"}), 0);
    EXPECT_FALSE(flags.sourceIsDir || flags.targetIsDir);
    EXPECT_EQ(settings.searchExt, "MOD") << "the source file's extension wins";
    EXPECT_EQ(settings.targetDir + "|" + settings.renameExt, folder + "out.d/name|mpg");
    EXPECT_FALSE(std::filesystem::exists(target)) << "the name test leaves nothing behind";

    ASSERT_EQ(parse({src, folder + "out.d/plain"}), 0);
    EXPECT_EQ(settings.targetDir + "|" + settings.renameExt, folder + "out.d/plain|");
}

}  // namespace
}  // namespace kadrel
