#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace kadrel {
namespace {

ArgumentArray array(std::vector<std::string> args) {
    args.insert(args.begin(), std::to_string(args.size()));
    return args;
}

TEST(CommandLineArgs, ArgvKeepsEightAndReadsPosixSpellings) {
    struct Case {
        std::vector<const char*> argv;
        std::vector<std::string> args;
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
    /// Parses text split as a shell splits it: blanks separate, double quotes group and go.
    int16_t parse(const std::string& text) {
        std::vector<std::string> words;
        bool inWord = false, inQuotes = false;
        for (const char c : text) {
            if (c == ' ' && !inQuotes) {
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
        return parseArgv(words);
    }
    int16_t parseArgv(std::vector<std::string> args) {
        std::vector<const char*> argv = {"kadrel"};
        for (const auto& arg : args)
            argv.push_back(arg.c_str());
        return parseCommandLine(argsFromArgv(static_cast<int>(argv.size()), argv.data()), settings, flags);
    }
    std::string q(const std::string& path) { return "\"" + path + "\""; }
    test::TempDir dir;
    Settings settings;
    CommandLineFlags flags;
};

TEST_F(ParseCommandLine, SwitchesAndDefaults) {
    const std::string src = q(dir.path());
    EXPECT_EQ(parse(src + " " + q(dir.path()) + " /w /s:Mpg /r:\"avi\" /T:\"my trip\" /C /O /E"), 0);
    EXPECT_FALSE(flags.showerrors) << "/E is the ninth argument";
    EXPECT_TRUE(settings.setWideScreen);
    EXPECT_EQ(settings.searchExt, "Mpg");
    EXPECT_EQ(settings.renameExt, "avi");
    EXPECT_EQ(settings.userText, "my trip");
    EXPECT_TRUE(flags.confirmpatch && settings.overwrite && flags.sourceisdir && flags.targetisdir);
    EXPECT_FALSE(settings.useMoi);
    EXPECT_EQ(parse(src + " /E /m"), kErrNoConfirmation);
    EXPECT_TRUE(flags.showerrors && settings.useMoi);

    settings.overwrite = false;
    flags.showerrors = false;
    EXPECT_EQ(parse(src + " /OX /EX /?x /Wide /Confirm /MOI"), 0);
    EXPECT_FALSE(settings.overwrite) << "/O must stand alone";
    EXPECT_FALSE(settings.useMoi) << "so must /M";
    EXPECT_FALSE(flags.showerrors);
    EXPECT_TRUE(settings.setWideScreen) << "/Wide begins with /W";
    EXPECT_TRUE(flags.confirmpatch);
    EXPECT_EQ(settings.searchExt, "MOD");
    EXPECT_EQ(settings.renameExt, "MPG");
    EXPECT_EQ(settings.userText, "");
    EXPECT_EQ(settings.targetDir, "") << "the second argument is a switch, so patch mode";

    EXPECT_EQ(parse(src + " /S:mod /S:mpg"), kErrNoConfirmation);
    EXPECT_EQ(settings.searchExt, "mpg") << "a repeated switch overwrites";
}

TEST_F(ParseCommandLine, ErrorBits) {
    const std::string folder = q(dir.path());
    const std::string file = q(dir.write("clip.MOD", "x"));
    const std::string missing = q(dir.file("missing"));
    std::filesystem::create_directory(dir.file("blank "));
    struct Case {
        std::string args;
        int16_t code;
    } cases[] = {
        {"", kErrSource},
        {missing, kErrSource},
        {missing + " " + missing + " /S:* /W", kErrSource},
        {folder, kErrNoConfirmation},
        {folder + " /C", 0},
        {folder + " " + folder + " /W /S:jpg", kErrNotMpeg},
        {folder + " " + folder + " /W /S:jp*", kErrNotMpeg + kErrSearchExt},
        {folder + " " + folder + " /R:a<b /T:x|y", kErrRenameExt + kErrUserText},
        {folder + " " + folder + " /S:m\x01od", kErrSearchExt},
        {folder + " " + folder + " /R:mp\x7fg", kErrRenameExt},
        {folder + " " + folder + " /T:\"a\tb\"", kErrUserText},
        {folder + " " + folder + " /T:a\r\nb", kErrUserText},
        // The path that is validated is the path the run uses: blanks are part of a name.
        {q(dir.path() + " ") + " /C", kErrSource},
        {folder + " " + q(dir.path() + " "), kErrTarget},
        {folder + " " + q(dir.path() + "blank "), 0},
        {folder + " " + q(dir.file("new.mpg")), kErrTarget},
        {folder + " " + q(dir.file("nofolder/x")), kErrTarget},
        {file + " " + q(dir.file("nofolder/x.mpg")), kErrTarget},
        {file + " /W /C", 0},
        {"/?", kErrSourceChars},
        {"/? " + missing, kErrSourceChars},
        {folder + " /W /S:jpg /?", kErrSourceChars},
        {q(dir.path() + "\\/:*?<>|") + " /C", kErrSource},
        {folder + " " + q(dir.path() + "\\/:*?<>|"), kErrTargetChars + kErrTarget},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.args), c.code) << c.args;
}

// Once /clips/2009 counted as /C and ran patch mode on the originals without confirmation.
TEST_F(ParseCommandLine, APathIsNeverASwitchInAnyPosition) {
    for (const char* path :
         {"/clips/2009", "/wedding/2009", "/S:a/b", "/R:a/b", "/T:a/b", "/?/x", "-C/x", "-W/x"}) {
        for (int position = 2; position <= 8; ++position) {
            std::vector<std::string> args = {dir.path()};
            args.resize(position - 1, "/O");  // a switch that leaves the code alone
            args.push_back(path);
            SCOPED_TRACE(std::string(path) + " at " + std::to_string(position));
            EXPECT_EQ(parseArgv(args), position == 2 ? kErrTarget : kErrNoConfirmation);
            EXPECT_FALSE(flags.confirmpatch || settings.setWideScreen || flags.helprequested);
            EXPECT_EQ(settings.searchExt + settings.renameExt + settings.userText, "MODMPG");
        }
    }
}

TEST_F(ParseCommandLine, DoubleDashEndsTheSwitches) {
    std::filesystem::create_directory(dir.file("-card"));
    std::filesystem::create_directory(dir.file("dst"));
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    struct Case {
        std::vector<std::string> args;
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
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        EXPECT_EQ(parseArgv(c.args), c.code);
        EXPECT_EQ(settings.sourceDir, c.source);
        EXPECT_EQ(settings.targetDir, c.target);
        EXPECT_EQ(settings.setWideScreen, c.setWideScreen);
    }
    std::filesystem::current_path(cwd);
}

TEST_F(ParseCommandLine, FileSourceAndFileTarget) {
    const std::string src = dir.write("in/clip.MOD", "x");
    const std::string target = dir.path() + "out.d/name.mpg";
    std::filesystem::create_directory(dir.file("out.d"));
    ASSERT_EQ(parse(q(src) + " " + q(target) + " /S:xyz"), 0);
    EXPECT_FALSE(flags.sourceisdir);
    EXPECT_FALSE(flags.targetisdir);
    EXPECT_EQ(settings.searchExt, "MOD") << "the source file's extension wins";
    EXPECT_EQ(settings.targetDir, dir.path() + "out.d/name");
    EXPECT_EQ(settings.renameExt, "mpg");
    EXPECT_FALSE(std::filesystem::exists(target)) << "the name test leaves nothing behind";

    ASSERT_EQ(parse(q(src) + " " + q(dir.path() + "out.d/plain")), 0);
    EXPECT_EQ(settings.targetDir, dir.path() + "out.d/plain");
    EXPECT_EQ(settings.renameExt, "");
}

}  // namespace
}  // namespace kadrel
