#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace kadrel {
namespace {

using Args = std::vector<std::string>;

ArgumentArray array(Args args) {
    args.insert(args.begin(), std::to_string(args.size()));
    return args;
}

TEST(CommandLineArgs, ArgvKeepsEightAndReadsPosixSpellings) {
    struct Case {
        std::vector<const char*> argv;
        Args args;
    } cases[] = {
        {{"kadrel", "-h", "--help", "-W", "-S:mod", "/home/me", "--x", "-", "/E", "ninth"},
         {"/?", "/?", "/W", "/S:mod", "/home/me", "--x", "-", "/E"}},
        // A relative path must not turn into an absolute one; nothing after "--" is respelled.
        {{"kadrel", "-card/PRG001", "-W", "--", "-h", "-W", "--", "--help"},
         {"-card/PRG001", "/W", "--", "-h", "-W", "--", "--help"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(argsFromArgv(static_cast<int>(c.argv.size()), c.argv.data()), array(c.args)) << c.argv[1];
    EXPECT_EQ(stripQuotes("\"abc") + stripQuotes("abc\"") + stripQuotes("\"\""), "abcabc");
    EXPECT_EQ(stripQuotes("\""), "\"");
}

class ParseCommandLine : public ::testing::Test {
  protected:
    /// Parses the arguments as the shell hands them over, behind the program's name.
    int16_t parse(const Args& args) {
        std::vector<const char*> argv = {"kadrel"};
        for (const auto& arg : args)
            argv.push_back(arg.c_str());
        return parseCommandLine(argsFromArgv(static_cast<int>(argv.size()), argv.data()), settings, flags);
    }
    test::TempDir dir;
    const std::string folder = dir.path();
    Settings settings;
    CommandLineFlags flags;
};

TEST_F(ParseCommandLine, SwitchesAndDefaults) {
    EXPECT_EQ(parse({folder, folder, "/w", "/s:Mpg", "/r:\"avi\"", "/T:my trip", "/C", "/O", "/E"}), 0);
    EXPECT_FALSE(flags.showerrors || settings.useMoi) << "/E is the ninth argument";
    EXPECT_TRUE(settings.setWideScreen && flags.confirmpatch && settings.overwrite && flags.sourceisdir &&
                flags.targetisdir);
    EXPECT_EQ(settings.searchExt + "|" + settings.renameExt + "|" + settings.userText, "Mpg|avi|my trip");
    EXPECT_EQ(parse({folder, "/E", "/m"}), kErrNoConfirmation);
    EXPECT_TRUE(flags.showerrors && settings.useMoi);

    settings.overwrite = false;
    flags.showerrors = false;
    EXPECT_EQ(parse({folder, "/OX", "/EX", "/?x", "/Wide", "/Confirm", "/MOI"}), 0);
    EXPECT_FALSE(settings.overwrite || settings.useMoi || flags.showerrors) << "/O, /M and /E stand alone";
    EXPECT_TRUE(settings.setWideScreen && flags.confirmpatch) << "/Wide begins with /W, /Confirm with /C";
    EXPECT_EQ(settings.searchExt + settings.renameExt + settings.userText, "MODMPG");
    EXPECT_EQ(settings.targetDir, "") << "the second argument is a switch, so patch mode";

    EXPECT_EQ(parse({folder, "/S:mod", "/S:mpg"}), kErrNoConfirmation);
    EXPECT_EQ(settings.searchExt, "mpg") << "a repeated switch overwrites";
}

TEST_F(ParseCommandLine, ErrorBits) {
    const std::string file = dir.write("clip.MOD", "x");
    const std::string missing = dir.file("missing");
    const std::string reserved = folder + "\\/:*?<>|";
    std::filesystem::create_directory(dir.file("blank "));
    struct Case {
        Args args;
        int16_t code;
    } cases[] = {
        {{}, kErrSource},
        {{missing}, kErrSource},
        {{missing, missing, "/S:*", "/W"}, kErrSource},
        {{folder}, kErrNoConfirmation},
        {{folder, "/C"}, 0},
        {{folder, folder, "/W", "/S:jpg"}, kErrNotMpeg},
        {{folder, folder, "/W", "/S:jp*"}, kErrNotMpeg + kErrSearchExt},
        {{folder, folder, "/R:a<b", "/T:x|y"}, kErrRenameExt + kErrUserText},
        {{folder, folder, "/S:m\x01od"}, kErrSearchExt},
        {{folder, folder, "/R:mp\x7fg"}, kErrRenameExt},
        {{folder, folder, "/T:a\tb"}, kErrUserText},
        {{folder, folder, "/T:a\r\nb"}, kErrUserText},
        // The path that is validated is the path the run uses: blanks are part of a name.
        {{folder + " ", "/C"}, kErrSource},
        {{folder, folder + " "}, kErrTarget},
        {{folder, folder + "blank "}, 0},
        {{folder, dir.file("new.mpg")}, kErrTarget},
        {{folder, dir.file("nofolder/x")}, kErrTarget},
        {{file, dir.file("nofolder/x.mpg")}, kErrTarget},
        {{file, "/W", "/C"}, 0},
        {{"/?"}, kErrSourceChars},
        {{"/?", missing}, kErrSourceChars},
        {{folder, "/W", "/S:jpg", "/?"}, kErrSourceChars},
        {{reserved, "/C"}, kErrSource},
        {{folder, reserved}, kErrTargetChars + kErrTarget},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.args), c.code) << ::testing::PrintToString(c.args);
}

// Once /clips/2009 counted as /C and ran patch mode on the originals without confirmation.
TEST_F(ParseCommandLine, APathIsNeverASwitchInAnyPosition) {
    for (const char* path :
         {"/clips/2009", "/wedding/2009", "/S:a/b", "/R:a/b", "/T:a/b", "/?/x", "-C/x", "-W/x"}) {
        for (int position = 2; position <= 8; ++position) {
            Args args = {folder};
            args.resize(position - 1, "/O");  // a switch that leaves the code alone
            args.push_back(path);
            SCOPED_TRACE(std::string(path) + " at " + std::to_string(position));
            EXPECT_EQ(parse(args), position == 2 ? kErrTarget : kErrNoConfirmation);
            EXPECT_FALSE(flags.confirmpatch || settings.setWideScreen || flags.helprequested);
            EXPECT_EQ(settings.searchExt + settings.renameExt + settings.userText, "MODMPG");
        }
    }
}

TEST_F(ParseCommandLine, DoubleDashEndsTheSwitches) {
    std::filesystem::create_directory(dir.file("-card"));
    std::filesystem::create_directory(dir.file("dst"));
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    struct Case {
        Args args;
        int16_t code;
        const char *source, *target;
        bool setWideScreen;
    } cases[] = {
        {{"-W", "--", "-card", "dst"}, 0, "-card", "dst", true},
        {{"dst", "-W", "--", "-card"}, 0, "dst", "-card", true},
        {{"--", "-card", "dst", "-W"}, 0, "-card", "dst", false},
        {{"-W", "-C", "--", "-card"}, 0, "-card", "", true},
        {{"-card", "dst"}, kErrSource, "/card", "dst", false},
        {{"--", "-h"}, kErrSource, "-h", "", false},
        {{"-W", "--"}, kErrSource, "", "", true},
        {{"-h", "--", "-card"}, kErrSourceChars, "-card", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(parse(c.args), c.code);
        EXPECT_EQ(settings.sourceDir, c.source);
        EXPECT_EQ(settings.targetDir, c.target);
        EXPECT_EQ(settings.setWideScreen, c.setWideScreen);
    }
    std::filesystem::current_path(cwd);
}

TEST_F(ParseCommandLine, FileSourceAndFileTarget) {
    const std::string src = dir.write("in/clip.MOD", "x");
    const std::string target = folder + "out.d/name.mpg";
    std::filesystem::create_directory(dir.file("out.d"));
    ASSERT_EQ(parse({src, target, "/S:xyz"}), 0);
    EXPECT_FALSE(flags.sourceisdir || flags.targetisdir);
    EXPECT_EQ(settings.searchExt, "MOD") << "the source file's extension wins";
    EXPECT_EQ(settings.targetDir + "|" + settings.renameExt, folder + "out.d/name|mpg");
    EXPECT_FALSE(std::filesystem::exists(target)) << "the name test leaves nothing behind";

    ASSERT_EQ(parse({src, folder + "out.d/plain"}), 0);
    EXPECT_EQ(settings.targetDir + "|" + settings.renameExt, folder + "out.d/plain|");
}

}  // namespace
}  // namespace kadrel
