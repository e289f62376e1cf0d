// Runs the real program as a user would: a copy of the binary in a temporary folder, with its
// config folder there too, so that no run reads or writes the user's own settings.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <tuple>

#include "support/temp_dir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(KADREL_BINARY, dir.file("kadrel"));
        fs::create_directory(dir.file("dst"));
    }
    /// Runs the program in its folder; launcher, if any, starts it (e.g. as another user).
    Result run(const std::string& args, const std::string& launcher = "") {
        const std::string cmd = "cd " + dir.path() + " && XDG_CONFIG_HOME=" + dir.path() + "config " +
                                launcher + "./kadrel " + args + " >out.txt 2>err.txt </dev/null";
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::readAll(dir.file("out.txt")),
                test::readAll(dir.file("err.txt"))};
    }
    test::TempDir dir;
};

// Only a real help request ends with 0: a garbled path shows the usage too, but its code must
// not wrap to success when it exceeds 8 bits. Besides the error report, a message is one line.
TEST_F(Program, RunsThatCopyNothingReportAndExitByTheirCode) {
    fs::create_directories(dir.file("a\\/:*?<>|"));  // the whole reserved run: POSIX allows it
    const std::string garbled = std::string("'").append(dir.path()).append("a\\/:*?<>|'");
    // The program's name as typed (./kadrel) without its folder, and the examples of this system.
    const std::string usage =
        "Kadrel Commandline Interface:\n\nUsage:\nkadrel sourcedir [targetdir] [/S:Searchextension] "
        "[/R:Renameextension] [/T:Usertext] [/W] [/C] [/E]\nkadrel [switches] -- sourcedir [targetdir]\n"
        "kadrel -h | --help | --version\n\nExamples:\nkadrel \"/media/me/CAM CARD/SD_VIDEO\" ~/Videos ";
    // arguments, exit status, the start of standard output and of standard error ("": none)
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        {"/?", 0, usage, ""},
        {"--version", 0, "kadrel " KADREL_VERSION "\n", ""},
        {dir.path() + " /W --version", 0, "kadrel " KADREL_VERSION "\n", ""},
        {"-- --version", 1, "", ""},                           // after "--" it is a path
        {"", 2, "", "kadrel: the window is not available ("},  // no window module beside this copy
        {dir.path(), 4, "", ""},                               // without /E a validation error is silent
        {dir.path() + " /E", 4, "", "Error\nERROR 4\n\nDescription of the Error codes:\n"},
        {garbled + " /C", 128, usage, ""},
        {garbled, 132, usage, ""},
        {dir.path() + " " + garbled, 255, usage, ""},
        // An argument that changes nothing is named; the code stays what it would be without it.
        {dir.path() + " /X", 4, "", "kadrel: these arguments were ignored: \"/X\"\n"},
        {dir.path() + " /O /O /O /O /O /O /O /W -h", 4, "",
         "kadrel: these arguments were ignored: \"/W\" \"-h\"\n"},
    };
    for (const auto& [args, status, out, err] : cases) {
        const Result r = run(args);
        EXPECT_EQ(r.status, status) << args;
        EXPECT_EQ(r.out.substr(0, out.empty() ? std::string::npos : out.size()), out) << args;
        EXPECT_EQ(r.err.substr(0, err.empty() ? std::string::npos : err.size()), err) << args;
        EXPECT_TRUE(r.out.empty() || r.out.starts_with("kadrel ") ||
                    r.out.ends_with(
                        "\n128+n..the run was stopped by signal n: 129 SIGHUP, 130 SIGINT, 143 SIGTERM\n"))
            << args;
        EXPECT_TRUE(r.err.starts_with("Error\n") || std::count(r.err.begin(), r.err.end(), '\n') <= 1)
            << r.err;
    }
}

// The config folder's settings file is read, and the debug log opens beside it, but not for a
// failed validation. (A first run without settings file is the installed tree's test.)
TEST_F(Program, CopiesAFolderOrOneFileFromTheCommandLine) {
    dir.write("card/SD_VIDEO/PRG001/MOV001.MOD", "clip one");
    dir.write("card/SD_VIDEO/PRG001/MOV001.MOI", "info");
    dir.write("config/kadrel/Kadrel.ini", "[Settings]\r\ndatetimeformat=\r\ndebugmode= 1.0 \r\n");
    run("/nonexistent");
    EXPECT_FALSE(fs::exists(dir.file("config/kadrel/kadrel.dbg")));
    Result r = run(dir.path() + "card " + dir.path() + "dst");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readAll(dir.file("dst/MOV001.MPG")), "clip one") << "a blank date format keeps the name";
    EXPECT_TRUE(fs::exists(dir.file("card/SD_VIDEO/PRG001/MOV001.MOD"))) << "no delete without deletefiles";
    EXPECT_EQ(r.err, "1 file copied to " + dir.path() + "dst.\n") << "the summary, one line";
    const std::string logText = test::readAll(dir.file("config/kadrel/kadrel.dbg"));
    EXPECT_NE(logText.find("target file:" + dir.path() + "dst/MOV001.MPG\r\n"), std::string::npos) << logText;

    r = run("card/SD_VIDEO/PRG001/MOV001.MOD dst/mine.avi");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readAll(dir.file("dst/mine.avi")), "clip one");
    EXPECT_EQ(r.err, "1 file copied to dst/.\n") << "a target file's folder";

    r = run("card dst /S:xyz");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("No files with extension *.xyz were found"), std::string::npos) << r.err;

    // A settings file that cannot be read is named, and the run names its copies by date as a
    // new file would have it, instead of keeping the card names.
    fs::remove(dir.file("config/kadrel/Kadrel.ini"));
    ASSERT_EQ(::mkfifo(dir.file("config/kadrel/Kadrel.ini").c_str(), 0644), 0);
    r = run("card dst");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(
        r.err.starts_with("ERROR\nCan not read ini-File\n" + dir.path() + "config/kadrel/Kadrel.ini\n"))
        << r.err;
    EXPECT_FALSE(fs::exists(dir.file("dst/MOV001_1.MPG")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("dst")), fs::directory_iterator{}), 3);
}

// The command line takes datetimeformat as it stands: one leading out of the target must stop
// the run before anything is touched.
TEST_F(Program, NothingIsTouchedWithANameOutsideTheTarget) {
    dir.write("card/MOV001.MOD", "clip one");
    dir.write("Kadrel.ini", "[Settings]\r\ndatetimeformat=../x_yyyymmdd\r\n");
    const Result r = run("card dst");
    EXPECT_EQ(r.status, 6);
    EXPECT_TRUE(r.err.starts_with("ERROR\nThe date format (datetimeformat in Kadrel.ini)")) << r.err;
    std::set<std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        tree.insert(fs::relative(entry.path(), dir.path()).string());
    EXPECT_EQ(tree, (std::set<std::string>{"Kadrel.ini", "card", "card/MOV001.MOD", "dst", "err.txt",
                                           "kadrel", "out.txt"}));
    EXPECT_EQ(test::readAll(dir.file("card/MOV001.MOD")), "clip one");
}

/// Runs "kadrel card dst" in folder on a pseudo-terminal, as a user at a shell would, and sends it
/// signal once its output shows text. Returns the exit status.
int copyOnTerminalAndSignal(const std::string& folder, const std::string& text, int signal) {
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::chdir(folder.c_str()) == 0)
            ::execl("./kadrel", "./kadrel", "card", "dst", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string seen;
    pollfd p{terminal, POLLIN, 0};
    char buffer[512];
    for (int waited = 0; seen.find(text) == std::string::npos && waited < 200; ++waited) {
        const ssize_t n = ::poll(&p, 1, 100) > 0 ? ::read(terminal, buffer, sizeof buffer) : 0;
        seen.append(buffer, std::max<ssize_t>(n, 0));
    }
    ::kill(child, signal);
    int raw = 0;
    pid_t ended = 0;
    for (int waited = 0; waited < 100 && (ended = ::waitpid(child, &raw, WNOHANG)) == 0; ++waited)
        ::usleep(100000);  // ten seconds at most
    if (ended == 0) {      // the program ignored the request
        ::kill(child, SIGKILL);
        ::waitpid(child, &raw, 0);
    }
    ::close(terminal);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// A run that did not bring every file it found exits with 6, which no validation sum gives; a signal
// stops it as Abort does, with 128 + signal. Without a terminal no delete is ever confirmed.
TEST_F(Program, ARunThatLeavesFilesBehindNeverExitsWithSuccess) {
    dir.write("card/PRG001/MOV001.MOD", "clip one");
    dir.write("card/PRG001/MOV001.MOI", "info");
    ASSERT_EQ(::mkfifo(dir.file("card/PRG001/MOV002.MOD").c_str(), 0644), 0);
    dir.write("Kadrel.ini", "[Settings]\r\ndatetimeformat=\r\ndeletefiles=1\r\n");
    const Result r = run("card dst");  // the FIFO must neither hang the run nor pass unnoticed
    EXPECT_EQ(r.status, 6) << r.err;
    EXPECT_NE(r.err.find("not regular files:\ncard/PRG001/MOV002.MOD"), std::string::npos) << r.err;
    EXPECT_EQ(test::readAll(dir.file("dst/MOV001.MPG")), "clip one");

    // Asked on a terminal whether to delete, the user stops the program instead (Ctrl+C, kill, a
    // closed terminal): nothing is deleted.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_EQ(copyOnTerminalAndSignal(dir.path(), "N = Cancel]", signal), 128 + signal) << signal;
        EXPECT_TRUE(fs::exists(dir.file("card/PRG001/MOV001.MOD")) &&
                    fs::exists(dir.file("card/PRG001/MOV001.MOI")));
    }
}

// A folder the user may not read hides clips: the run names it and does not claim success, and
// an unreadable card is no card without clips.
TEST_F(Program, UnreadableFoldersAreNamedAndTheRunDoesNotClaimSuccess) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the program as another user";
    dir.write("card/ok/MOV001.MOD", "clip one");
    dir.write("card/locked/MOV002.MOD", "clip two");
    for (const char* open : {"", "card", "card/ok", "card/ok/MOV001.MOD", "dst", "kadrel"})
        fs::permissions(dir.file(open), fs::perms::all, fs::perm_options::add);
    // locked folder, the folder the message names, files copied
    const std::tuple<const char*, const char*, long> cases[] = {{"card/locked", "card/locked/", 1},
                                                                {"card", "card/", 0}};
    for (const auto& [locked, named, copied] : cases) {
        for (const auto& entry : fs::directory_iterator(dir.file("dst")))
            fs::remove(entry.path());
        fs::permissions(dir.file(locked), fs::perms::none);
        const Result r = run("card dst", "setpriv --reuid=65534 --regid=65534 --clear-groups ");
        fs::permissions(dir.file(locked), fs::perms::all);
        EXPECT_EQ(r.status, 6) << named;
        EXPECT_NE(r.err.find(std::string("could not be read:\n") + named + "\n"), std::string::npos) << r.err;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("dst")), fs::directory_iterator{}), copied);
    }
}

}  // namespace
}  // namespace kadrel
