// The Windows counterparts of the POSIX-only file cases: a file another program holds open
// without sharing it for reading, and the hidden attribute and lock of copies' temporaries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "platform/file_copy.h"
#include "platform/platform_fixtures.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace kadrel::platform {
namespace {

namespace fs = std::filesystem;
using test::readAll;

/// Opens path as another program would that shares it with nobody; closed at the end.
struct Unshared {
    explicit Unshared(const std::string& path) {
        _sopen_s(&fd, path.c_str(), _O_RDWR | _O_BINARY, _SH_DENYRW, _S_IREAD | _S_IWRITE);
    }
    ~Unshared() {
        if (fd >= 0)
            _close(fd);
    }
    int fd = -1;
};

/// Whether the file or folder has the hidden attribute, read through the C runtime.
bool hidden(const std::string& path) {
    _finddata_t found{};
    const intptr_t search = _findfirst(path.c_str(), &found);
    if (search == -1)
        return false;
    _findclose(search);
    return (found.attrib & _A_HIDDEN) != 0;
}

// A clip another program holds without sharing it is refused with an error, never copied in
// part; a settings file held so keeps its contents and no write claims success.
TEST_F(FileCopy, AFileSharedForNoReadingIsRefusedAndLeftWhole) {
    const std::string src = dir.write("clip.MOD", "clip");
    const std::string ini = dir.write("Kadrel.ini", "[S]\r\nk=1\r\n");
    {
        const Unshared clip(src), settings(ini);
        ASSERT_GE(clip.fd, 0);
        ASSERT_GE(settings.fd, 0);
        EXPECT_NE(copyFile(src, dir.file("out/clip.mpg"), o), 0);
        EXPECT_NE(writeProfileString(ini, "S", "k", "2"), 0);
        EXPECT_EQ(Profile::valueOf(ini, "S", "k"), std::nullopt);
    }
    EXPECT_FALSE(fs::exists(dir.file("out/clip.mpg")));
    EXPECT_EQ(readAll(ini), "[S]\r\nk=1\r\n");
    EXPECT_EQ(readAll(src), "clip");
    EXPECT_EQ(copyFile(src, dir.file("clip.mpg"), o), 0) << "once released it copies";
}

// A leading "." hides nothing on Windows: a staged copy's temporary carries the hidden
// attribute while it lives, and the copy under its own name does not. A temporary whose run
// holds its lock stays; one nobody holds goes.
TEST_F(FileCopy, TemporariesAreHiddenAndRemovedOnlyWhenNoRunHoldsThem) {
    dir.write(".kadrel-1-2.part", "partial");
    dir.write("kadrel-1-3.part", "not a temporary's name");
    const std::string src = dir.write("clip.MOD", "clip");
    StagedCopy staged;
    ASSERT_EQ(stageCopy(src, dir.file("clip.mpg"), o, staged), 0);
    EXPECT_TRUE(hidden(staged.temporary())) << staged.temporary();
    EXPECT_EQ(removeStaleTemporaries(dir.path()), std::vector<std::string>{".kadrel-1-2.part"});
    EXPECT_TRUE(fs::exists(staged.temporary()));
    EXPECT_EQ(staged.commit(dir.file("clip.mpg"), false), 0);
    EXPECT_EQ(staged.release(), 0);
    EXPECT_EQ(readAll(dir.file("clip.mpg")), "clip");
    EXPECT_FALSE(hidden(dir.file("clip.mpg"))) << "a copy the user cannot see";
    EXPECT_TRUE(fs::exists(dir.file("kadrel-1-3.part")));
}

}  // namespace
}  // namespace kadrel::platform
