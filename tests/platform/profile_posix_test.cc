// The settings file's reads and writes where they meet POSIX kernel features: FIFOs, links,
// permission bits and a file-size limit.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <optional>
#include <random>
#include <tuple>

#include "platform/platform_fixtures.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace kadrel::platform {
namespace {

using namespace kadrel::test;

TEST_F(Profile, SurvivesFilesThatAreNoProfile) {
    std::string garbage(1 << 16, '\0');
    std::generate(garbage.begin(), garbage.end(), std::mt19937(7));
    const std::string longLine(1 << 20, 'x');
    const std::string file = dir.write("bad.ini", garbage + "\n[S]\r\nlong=" + longLine + "\r\nk=after");
    EXPECT_EQ(valueOf(file, "S", "long"), longLine);
    EXPECT_EQ(valueOf(file, "S", "k"), "after");
    ASSERT_EQ(writeProfileString(file, "S", "k", "new"), 0);  // every other byte stays
    EXPECT_EQ(readAll(file), garbage + "\n[S]\r\nlong=" + longLine + "\r\nk=new");

    // A folder, a FIFO (which must not block) and a file far too large to be a settings file
    // (sparse, costs no disk space) are neither read nor replaced by one holding a single key.
    const std::string fifo = dir.file("fifo.ini"), huge = dir.write("huge.ini", "[S]\r\nk=1\r\n");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::resize_file(huge, 100u << 20);
    const std::tuple<std::string, ProfileState, int> notProfiles[] = {
        {dir.path(), ProfileState::NotRegular, EINVAL},
        {fifo, ProfileState::NotRegular, EINVAL},
        {huge, ProfileState::TooLarge, EFBIG},
    };
    for (const auto& [notAProfile, state, error] : notProfiles) {
        int checkError = -1;
        EXPECT_EQ(checkProfileFile(notAProfile, checkError), state) << notAProfile;
        EXPECT_EQ(checkError, 0) << notAProfile;
        std::string value = "kept";
        EXPECT_EQ(readProfileString(notAProfile, "S", "k", value), error) << notAProfile;
        EXPECT_EQ(value, "kept");
        EXPECT_EQ(writeProfileString(notAProfile, "S", "k", "v"), error) << notAProfile;
    }
    EXPECT_EQ(std::filesystem::file_size(huge), 100u << 20);
}

TEST_F(Profile, CreatesFoldersFollowsLinksAndRefusesBrokenEntries) {
    const std::string nested = dir.file("a/b/Kadrel.ini");
    ASSERT_EQ(writeProfileString(nested, "S", "k", "v"), 0);
    EXPECT_EQ(readAll(nested), "[S]\r\nk=v\r\n");
    // section, key, value
    const std::tuple<const char*, const char*, std::string> refused[] = {
        {"S", "k", "two\nlines"}, {"S", "a=b", "1"}, {"S", ";k", "1"},
        {"S]x", "k", "1"},        {"S", "", "1"},    {"S", "k", std::string("a\0b", 3)}};
    for (const auto& [section, key, value] : refused)
        EXPECT_EQ(writeProfileString(nested, section, key, value), EINVAL) << section << key << value;
    EXPECT_EQ(readAll(nested), "[S]\r\nk=v\r\n");

    const std::string real = dir.write("real.ini", "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    const std::string link = dir.file("link.ini");
    std::filesystem::create_symlink(real, link);
    ASSERT_EQ(writeProfileString(link, "S", "k", "2"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readAll(real), "[S]\r\nk=2\r\n");
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(Profile, FailedWritesLeaveTheOldFileWhole) {
    const std::string before = "[S]\r\nk=1\r\n; a comment that must survive\r\n";
    const std::string file = dir.write("s.ini", before);

    // A file-size limit makes the write fail halfway, like a full disk, even for the superuser.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small{64, old.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int written = writeProfileString(file, "S", "k", std::string(200, 'v'));
    const std::string afterWrite = readAll(file);
    const int appended = appendText(file, std::string(200, 'v'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(written, EFBIG);
    EXPECT_EQ(afterWrite, before);
    EXPECT_EQ(appended, EFBIG);  // an append may leave a tail, never touches what was there
    EXPECT_EQ(readAll(file).substr(0, before.size()), before);

    dir.write("s.ini", before);
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    EXPECT_EQ(writeProfileString(file, "S", "k", "2"), EACCES);
    EXPECT_EQ(appendText(file, "more"), EACCES);
    EXPECT_EQ(readAll(file), before);
    // No failed write leaves its temporary file behind.
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator{}),
        1);
    if (geteuid() == 0)
        return;                               // permissions below do not stop the superuser
    ASSERT_EQ(chmod(file.c_str(), 0200), 0);  // writable but unreadable: must not be overwritten
    EXPECT_EQ(writeProfileString(file, "S", "j", "2"), EACCES);
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    EXPECT_EQ(readAll(file), before);
}

}  // namespace
}  // namespace kadrel::platform
