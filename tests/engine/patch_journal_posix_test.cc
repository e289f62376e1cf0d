// The real program stopped by SIGKILL in the middle of patch mode, and on a card mounted
// read-only: fork, exec, signals and mount namespaces.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "platform/file_io.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;

/// The real program on a card of one read-only clip and its companion, stopped at chosen writes.
struct KilledPatchRun : ::testing::Test {
    KilledPatchRun() { fs::copy_file(KADREL_BINARY, dir.file("kadrel")); }

    /// A clip of three 4:3 sequence headers: patch mode with /W writes three bytes.
    static std::string clipData() {
        std::string data(16384, 'v');
        for (const size_t at : {100, 5000, 12000})
            data.replace(at, 8, std::string("\0\0\1\xB3\x2D\x02\x40\x23", 8));
        return data;
    }
    void makeCard() {
        fs::remove_all(dir.file("card"));
        fs::remove_all(dir.file("dst"));
        fs::create_directories(dir.file("dst"));
        dir.write("card/MOV001.MOI", "index");
        ASSERT_EQ(platform::setFileTimes(dir.write("card/MOV001.MOD", data), times), 0);
        ASSERT_EQ(platform::makeReadOnly(clip), 0);
    }
    /// Starts the program in the test's folder with one more environment variable; stdin and
    /// stdout are /dev/null, stderr goes to err.txt.
    /// A program other than ./kadrel (a launcher of it) is given as the first argument.
    pid_t start(std::vector<std::string> args, const std::string& variable = "") {
        std::vector<std::string> env{"XDG_CONFIG_HOME=" + dir.file("config")};
        if (!variable.empty())
            env.push_back(variable);
        if (args.empty() || args[0][0] != '/')
            args.insert(args.begin(), "./kadrel");
        std::vector<char*> argv, envp;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        for (const std::string& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            if (::chdir(dir.path().c_str()) == 0 &&
                ::dup2(::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), 2) == 2)
                ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        return child;
    }
    int wait(pid_t child, int options = 0) {
        int raw = 0;
        ::waitpid(child, &raw, options);
        return raw;
    }
    /// What the card must hold after a run put the original back: its name, times, attribute
    /// and bytes, and the companion under its own name. Times first: reading moves one.
    void expectOriginal() {
        EXPECT_EQ(names(dir.file("card")), (std::vector<std::string>{"MOV001.MOD", "MOV001.MOI"}));
        platform::FileTimes now;
        ASSERT_EQ(platform::getFileTimes(clip, now), 0);
        EXPECT_EQ(now.lastWrite, times.lastWrite);
        EXPECT_EQ(now.lastAccess, times.lastAccess);
        EXPECT_EQ(test::readOnlyAttribute(clip), true);
        EXPECT_TRUE(test::readAll(clip) == data);
    }
    /// The clip as /W leaves it: each sequence header 16:9.
    std::string wideData() const {
        std::string wide = data;
        for (const size_t at : {107, 5007, 12007})
            wide[at] = '\x33';
        return wide;
    }
    static std::vector<std::string> names(const std::string& folder) {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(folder))
            found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    test::TempDir dir;
    const std::string clip = dir.file("card/MOV001.MOD");
    const std::string data = clipData();
    const platform::FileTimes times{{}, {1236262029, 250000000}, {1236265629, 750000000}};
};

// Patch mode killed after each of its writes (journal, its rename, the clip's rename, the
// companion's, the attribute, each edit, the times, the attribute, the journal's removal): the
// next run, here a copy, first puts the original back whole and then copies it as it was.
TEST_F(KilledPatchRun, TheNextRunPutsTheOriginalBackAfterAKillAtEveryWrite) {
    const std::vector<std::string> patch{"card", "/W", "/C", "/T:_x"};
    long writes = 0;
    for (;; ++writes) {
        SCOPED_TRACE("killed at write " + std::to_string(writes + 1));
        makeCard();
        const int raw = wait(start(patch, "KADREL_TEST_KILL_AFTER_WRITES=" + std::to_string(writes)));
        if (!WIFSIGNALED(raw)) {  // every write done: the run was not stopped
            ASSERT_TRUE(WIFEXITED(raw));
            EXPECT_EQ(WEXITSTATUS(raw), 0);
            break;
        }
        ASSERT_EQ(WTERMSIG(raw), SIGKILL);
        ASSERT_LT(writes, 20) << "a run of three edits never ends";
        EXPECT_EQ(WEXITSTATUS(wait(start({"card", "dst"}))), 0);
        expectOriginal();
        const bool journalled = writes >= 2;  // a journal under its own name: the run says so
        EXPECT_EQ(test::readAll(dir.file("err.txt")).find("were put back as they were:\ncard/MOV001.MOD\n") !=
                      std::string::npos,
                  journalled)
            << test::readAll(dir.file("err.txt"));
        const std::vector<std::string> copies = names(dir.file("dst"));
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_TRUE(test::readAll(dir.file("dst/" + copies[0])) == data);
    }
    EXPECT_EQ(writes, 13);
    EXPECT_EQ(names(dir.file("card")), (std::vector<std::string>{"MOV001_x.MOI", "MOV001_x.MPG"}));
    EXPECT_TRUE(test::readAll(dir.file("card/MOV001_x.MPG")) == wideData());
}

// A real kill from outside, between two edits of the stream: the next patch-mode run puts the
// original back and then patches it as any other.
TEST_F(KilledPatchRun, ASigkillFromOutsideLosesNothing) {
    makeCard();
    const pid_t child = start({"card", "/W", "/C"}, "KADREL_TEST_PAUSE_AFTER_WRITES=7");
    const int raw = wait(child, WUNTRACED);
    ASSERT_TRUE(WIFSTOPPED(raw));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    EXPECT_EQ(WTERMSIG(wait(child)), SIGKILL);
    EXPECT_FALSE(test::readAll(dir.file("card/MOV001.MPG")) == data) << "killed after its first edit";
    EXPECT_TRUE(fs::exists(dir.file("card/.kadrel-journal-MOV001.MOD")));
    EXPECT_EQ(WEXITSTATUS(wait(start({"card", "/W", "/C"}))), 0);
    EXPECT_EQ(names(dir.file("card")), (std::vector<std::string>{"MOV001.MOI", "MOV001.MPG"}));
    platform::FileTimes now;
    ASSERT_EQ(platform::getFileTimes(dir.file("card/MOV001.MPG"), now), 0);
    EXPECT_EQ(now.lastWrite, times.lastWrite);
    EXPECT_TRUE(test::readAll(dir.file("card/MOV001.MPG")) == wideData());
}

// A card the system will not write to (a read-only mount): the journal cannot be applied, so it
// stays and is named, the half-patched clip is not copied, and the run is not complete. Once
// the card can be written again, the next run puts the clip back and copies it.
TEST_F(KilledPatchRun, AReadOnlyCardKeepsTheJournalAndTheRunSaysSo) {
    if (std::system("unshare -rm true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs a mount namespace (unshare -rm) for a read-only card";
    makeCard();
    // Killed between its first and second edit of a clip that keeps its name, so a search finds it.
    EXPECT_EQ(WTERMSIG(wait(start({"card", "/W", "/C", "/R:MOD"}, "KADREL_TEST_KILL_AFTER_WRITES=6"))),
              SIGKILL);
    EXPECT_FALSE(test::readAll(clip) == data);
    const std::string readOnly =
        "mount --bind card card && mount -o remount,bind,ro card && exec ./kadrel card dst";
    EXPECT_EQ(WEXITSTATUS(wait(start({"/usr/bin/unshare", "-rm", "sh", "-c", readOnly}))), 6);
    EXPECT_NE(
        test::readAll(dir.file("err.txt")).find("card/.kadrel-journal-MOV001.MOD (Read-only file system)"),
        std::string::npos)
        << test::readAll(dir.file("err.txt"));
    EXPECT_EQ(names(dir.file("dst")), std::vector<std::string>{});
    EXPECT_EQ(names(dir.file("card")),
              (std::vector<std::string>{".kadrel-journal-MOV001.MOD", "MOV001.MOD", "MOV001.MOI"}));
    EXPECT_EQ(WEXITSTATUS(wait(start({"card", "dst"}))), 0);
    expectOriginal();
    EXPECT_EQ(names(dir.file("dst")).size(), 1u);
}

}  // namespace
}  // namespace kadrel
