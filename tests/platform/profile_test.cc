#include "platform/profile.h"

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

#include "support/temp_dir.h"

namespace kadrel::platform {
namespace {

using namespace kadrel::test;

struct Profile : ::testing::Test {
    TempDir dir;
};

/// The value readProfileString gives; nullopt when the call fails.
std::optional<std::string> valueOf(const std::string& file, const std::string& section,
                                   const std::string& key) {
    std::string value;
    return readProfileString(file, section, key, value) == 0 ? std::optional(value) : std::nullopt;
}

TEST_F(Profile, FindsKeysLikeTheWindowsProfileCalls) {
    // what, file, key in section S, value found
    const std::tuple<const char*, std::string, const char*, std::optional<std::string>> cases[] = {
        {"names without regard to case", "[s]\r\nK=mod\r\n", "k", "mod"},
        {"blanks trimmed", "  [ S ]  \r\n \t k \t=  a b \t\r\n", "k", "a b"},
        {"first duplicate key wins", "[S]\r\nk=1\r\nk=2\r\n", "k", "1"},
        {"second section of the same name", "[S]\r\na=1\r\n[T]\r\nk=t\r\n[s]\r\nk=2\r\n", "k", "2"},
        {"LF line ends", "[S]\nk=1\nj=2\n", "j", "2"},
        {"CR-only line ends", "[S]\rk=1\rj=2\r", "j", "2"},
        {"missing final line end", "[S]\r\nk=last", "k", "last"},
        {"key of another section", "[A]\r\nk=1\r\n[S]\r\n", "k", std::nullopt},
        {"no sections", "k=1\r\nj=2\r\n", "k", std::nullopt},
        {"commented-out key", "[S]\r\n; k=1\r\n", "k", std::nullopt},
        {"value holding = and ;", "[S]\r\nk=a=b ;c\r\n", "k", "a=b ;c"},
        {"byte-order mark", "\xEF\xBB\xBF[S]\r\nk=1\r\n", "k", "1"},
        {"header without ]", "[S]\r\n[T\r\nk=1\r\n", "k", "1"},
        {"NUL inside a value", std::string("[S]\r\nk=a\0b\r\n", 11), "k", std::string("a\0b", 3)},
    };
    for (const auto& [what, contents, key, expected] : cases)
        EXPECT_EQ(valueOf(dir.write("case.ini", contents), "S", key), expected) << what;
    std::string value;
    EXPECT_EQ(readProfileString(dir.file("case.ini"), "S", "absent", value), ENOENT);
    EXPECT_EQ(readProfileString(dir.file("none.ini"), "S", "k", value), ENOENT);
}

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

TEST_F(Profile, ChangesOnlyTheKeyWritten) {
    // what, file before, section, key, value, file after
    const std::tuple<const char*, std::string, const char*, const char*, const char*, std::string> cases[] = {
        {"replaced where it stands", "; top\r\n[S]\r\n  K = old  \r\nother=1\r\n\r\n[T]\r\nk=t\r\n", "s", "k",
         "new", "; top\r\n[S]\r\nK=new\r\nother=1\r\n\r\n[T]\r\nk=t\r\n"},
        {"added after the section's last key", "[S]\r\na=1\r\n\r\n; about T\r\n[T]\r\n", "S", "b", "2",
         "[S]\r\na=1\r\nb=2\r\n\r\n; about T\r\n[T]\r\n"},
        {"added under a header without keys", "[S]\r\n\r\n[T]\r\n", "S", "b", "2",
         "[S]\r\nb=2\r\n\r\n[T]\r\n"},
        {"missing final line end", "[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"missing final line end, new section", "[S]\r\na=1", "T", "b", "", "[S]\r\na=1\r\n[T]\r\nb=\r\n"},
        {"LF file stays LF", "[S]\na=1\n[T]\n", "S", "b", "2", "[S]\na=1\nb=2\n[T]\n"},
        {"CR file replaced", "[S]\ra=1\r[T]\r", "S", "a", "9", "[S]\ra=9\r[T]\r"},
        {"CR file added", "[S]\ra=1\r[T]\rx=1", "T", "b", "2", "[S]\ra=1\r[T]\rx=1\rb=2\r"},
        {"only the first duplicate", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3", "[S]\r\nk=3\r\nk=2\r\n"},
        {"keys before any section kept", "k=0\r\n", "S", "k", "1", "k=0\r\n[S]\r\nk=1\r\n"},
        {"empty file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
    };
    for (const auto& [what, before, section, key, value, after] : cases) {
        const std::string file = dir.write("case.ini", before);
        EXPECT_EQ(writeProfileString(file, section, key, value), 0) << what;
        EXPECT_EQ(readAll(file), after) << what;
    }
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
