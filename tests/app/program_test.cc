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
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>

#include "support/temp_dir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(KADREL_BINARY, dir.file("kadrel"));
        fs::permissions(dir.file("kadrel"), fs::perms::owner_all);
    }
    Result run(const std::string& args) {
        const std::string cmd = "cd " + dir.path() + " && XDG_CONFIG_HOME=" + dir.path() +
                                "config ./kadrel " + args + " >out.txt 2>err.txt </dev/null";
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::readAll(dir.file("out.txt")),
                test::readAll(dir.file("err.txt"))};
    }
    test::TempDir dir;
};

TEST_F(Program, HelpAndValidationErrors) {
    for (const char* help : {"/?", "/? /nonexistent /W"}) {
        const Result r = run(help);
        EXPECT_EQ(r.status, 0) << help;
        EXPECT_EQ(r.out.rfind("Kadrel Commandline Interface:\n", 0), 0u) << help;
        EXPECT_NE(r.out.find("\nProgram terminated.\n"), std::string::npos);
        EXPECT_EQ(r.err, "");
    }
    Result r = run(dir.path());
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out + r.err, "") << "without /E a validation error is silent";
    r = run(dir.path() + " /E");
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("Error\nERROR 4\n\nDescription of the Error codes:\n", 0), 0u) << r.err;
    r = run("/nonexistent/folder -E");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ERROR 1"), std::string::npos);
    r = run("'   '");
    EXPECT_EQ(r.status, 1);
}

TEST_F(Program, WithoutTheWindowModuleWindowModeSaysSoInOneLine) {
    const Result r = run("");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("kadrel: the window is not available (", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST_F(Program, GarbledPathsShowTheUsageButNeverExitWithSuccess) {
    // A folder whose path holds the whole reserved run, which a POSIX file system allows.
    fs::create_directories(dir.file("a\\/:*?<>|"));
    const std::string garbled = "'" + dir.path() + "a\\/:*?<>|'";
    Result r = run(garbled + " /C");
    EXPECT_NE(r.out.find("Program terminated."), std::string::npos);
    EXPECT_EQ(r.status, 128);
    r = run(garbled);
    EXPECT_EQ(r.status, 132);
    r = run(dir.path() + " " + garbled);
    EXPECT_EQ(r.status, 255) << "256 does not fit 8 bits and must not wrap to success";
}

TEST_F(Program, CopiesAFolderOrOneFileFromTheCommandLine) {
    dir.write("card/SD_VIDEO/PRG001/MOV001.MOD", "clip one");
    dir.write("card/SD_VIDEO/PRG001/MOV001.MOI", "info");
    fs::create_directory(dir.file("dst"));
    // No settings file yet: the copy gets a date name as a fresh file would give it, and no file
    // is written, neither into the (writable) program folder nor into the config folder.
    Result r = run(dir.path() + "card " + dir.path() + "dst");
    EXPECT_EQ(r.status, 0) << r.err;
    const fs::directory_iterator copy(dir.file("dst"));
    ASSERT_NE(copy, fs::directory_iterator());
    const std::string name = copy->path().filename();
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d{8}_\d{6}\.MPG)"))) << name;
    EXPECT_EQ(test::readAll(dir.file("dst/" + name)), "clip one");
    EXPECT_FALSE(fs::exists(dir.file("Kadrel.ini")) || fs::exists(dir.file("config")));

    // The config folder's file is read; its blank date format keeps the source names.
    dir.write("config/kadrel/Kadrel.ini", "[Settings]\r\ndatetimeformat=\r\n");
    fs::remove(dir.file("dst/" + name));
    r = run(dir.path() + "card " + dir.path() + "dst");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readAll(dir.file("dst/MOV001.MPG")), "clip one");
    EXPECT_TRUE(fs::exists(dir.file("card/SD_VIDEO/PRG001/MOV001.MOD"))) << "no delete without deletefiles";

    r = run(dir.path() + "card/SD_VIDEO/PRG001/MOV001.MOD " + dir.path() + "dst/mine.avi");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readAll(dir.file("dst/mine.avi")), "clip one");

    r = run(dir.path() + "card " + dir.path() + "dst /S:xyz");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("No files with extension *.xyz were found"), std::string::npos) << r.err;
}

// Once /clips/2009 counted as /C, and the card's originals were renamed and patched unasked.
TEST_F(Program, NothingIsTouchedWithoutConfirmationOrWithANameOutsideTheTarget) {
    dir.write("card/MOV001.MOD", "clip one");
    fs::create_directory(dir.file("dst"));
    Result r = run(dir.path() + "card -W /clips/2009");
    EXPECT_EQ(r.status, 4);
    dir.write("Kadrel.ini", "[Settings]\r\ndatetimeformat=../x_yyyymmdd\r\n");
    r = run(dir.path() + "card " + dir.path() + "dst");
    EXPECT_EQ(r.status, 6);
    const std::string box =
        "ERROR\nThe date format (datetimeformat in Kadrel.ini) \"../x_yyyymmdd\" would make";
    EXPECT_EQ(r.err.rfind(box, 0), 0u) << r.err;
    std::set<std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        tree.insert(fs::relative(entry.path(), dir.path()).string());
    EXPECT_EQ(tree, (std::set<std::string>{"Kadrel.ini", "card", "card/MOV001.MOD", "dst", "err.txt",
                                           "kadrel", "out.txt"}));
    EXPECT_EQ(test::readAll(dir.file("card/MOV001.MOD")), "clip one");
}

// Which values turn the log on is the settings tests'; here the program opens it beside the
// settings file in use, and a failed validation opens none.
TEST_F(Program, DebugLogGoesBesideTheSettingsFile) {
    dir.write("src/clip.MOD", "x");
    fs::create_directory(dir.file("dst"));
    dir.write("config/kadrel/Kadrel.ini", "[Settings]\r\ndebugmode= 1.0 \r\n");
    run(dir.path() + "/nonexistent");
    EXPECT_FALSE(fs::exists(dir.file("config/kadrel/kadrel.dbg")));
    run(dir.path() + "src " + dir.path() + "dst");
    const std::string logText = test::readAll(dir.file("config/kadrel/kadrel.dbg"));
    EXPECT_NE(logText.find("source file:" + dir.path() + "src/clip.MOD\r\ntarget file:" + dir.path() +
                           "dst/clip.MPG\r\n"),
              std::string::npos)
        << logText;
}

/// Runs the program on a pseudo-terminal, as a user at a shell would, and sends it signal once
/// its output shows text. Returns the exit status.
int runOnTerminalAndSignal(const std::string& folder, const std::vector<std::string>& args,
                           const std::string& text, int signal) {
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child < 0)
        return -1;
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>("./kadrel")};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (::chdir(folder.c_str()) == 0)
            ::execv("./kadrel", argv.data());
        ::_exit(127);
    }
    std::string seen;
    for (int waited = 0; seen.find(text) == std::string::npos && waited < 200; ++waited) {
        pollfd p{master, POLLIN, 0};
        char buffer[512];
        if (::poll(&p, 1, 100) > 0) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                seen.append(buffer, static_cast<size_t>(n));
        }
    }
    ::kill(child, signal);
    int raw = 0;
    for (int waited = 0; ::waitpid(child, &raw, WNOHANG) == 0; ++waited) {
        if (waited == 100) {  // ten seconds: the program ignored the request
            ::kill(child, SIGKILL);
            ::waitpid(child, &raw, 0);
            break;
        }
        ::usleep(100000);
    }
    ::close(master);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Every run that did not bring every file it found exits with 6, which no validation sum can
// give; a signal stops the run as Abort does and the program exits 128 + signal.
TEST_F(Program, ARunThatLeavesFilesBehindNeverExitsWithSuccess) {
    dir.write("card/PRG001/MOV001.MOD", "clip one");
    dir.write("card/PRG001/MOV001.MOI", "info");
    fs::create_directory(dir.file("dst"));
    ASSERT_EQ(::mkfifo(dir.file("card/PRG001/MOV002.MOD").c_str(), 0644), 0);
    dir.write("Kadrel.ini", "[Settings]\r\ndatetimeformat=\r\n");  // the copies keep the card's names
    Result r = run("card dst");  // the FIFO must neither hang the run nor pass unnoticed
    EXPECT_EQ(r.status, 6) << r.err;
    EXPECT_NE(r.err.find("not regular files:\ncard/PRG001/MOV002.MOD"), std::string::npos) << r.err;
    EXPECT_EQ(test::readAll(dir.file("dst/MOV001.MPG")), "clip one");
    fs::remove(dir.file("card/PRG001/MOV002.MOD"));

    // Asked whether to delete, the user stops the program instead: nothing is deleted.
    dir.write("Kadrel.ini", "[Settings]\r\ndatetimeformat=\r\ndeletefiles=1\r\n");
    fs::remove(dir.file("dst/MOV001.MPG"));
    EXPECT_EQ(runOnTerminalAndSignal(dir.path(), {"card", "dst"}, "N = Cancel]", SIGTERM), 128 + SIGTERM);
    EXPECT_TRUE(fs::exists(dir.file("card/PRG001/MOV001.MOD")) &&
                fs::exists(dir.file("card/PRG001/MOV001.MOI")));
}

// A folder the user may not read hides clips: the run names it and does not claim success.
TEST_F(Program, UnreadableFoldersAreNamedAndTheRunDoesNotClaimSuccess) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the program as another user";
    dir.write("card/ok/MOV001.MOD", "clip one");
    dir.write("card/locked/MOV002.MOD", "clip two");
    fs::create_directory(dir.file("dst"));
    for (const char* open : {"", "card", "card/ok", "card/ok/MOV001.MOD", "dst", "kadrel"})
        fs::permissions(dir.file(open), fs::perms::all, fs::perm_options::add);
    fs::permissions(dir.file("card/locked"), fs::perms::none);
    const std::string cmd = "cd " + dir.path() + " && XDG_CONFIG_HOME=" + dir.path() +
                            "config setpriv --reuid=65534 --regid=65534 --clear-groups ./kadrel card dst "
                            ">out.txt 2>err.txt </dev/null";
    const int raw = std::system(cmd.c_str());
    fs::permissions(dir.file("card/locked"), fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 6);
    const std::string err = test::readAll(dir.file("err.txt"));
    EXPECT_NE(err.find("could not be read:\ncard/locked/"), std::string::npos) << err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("dst")), fs::directory_iterator{}), 1);
}

}  // namespace
}  // namespace kadrel
