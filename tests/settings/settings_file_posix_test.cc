// Settings files that POSIX kernel features make unreadable: a FIFO, a link loop, a link to a
// file whose read fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>

#include "settings/settings_file.h"
#include "settings/settings_fixture.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

using namespace test;

// A settings file that cannot be read means nothing: not "keep the card names" (a blank
// datetimeformat), but the values a new file gets. It is reported once, and left as it is.
TEST_F(SettingsFile, UnreadableFileIsReportedOnceAndCountsAsNone) {
    namespace fs = std::filesystem;
    const std::string held =
        "[Settings]\r\ndebugmode=1\r\ndatetimeformat=\r\ndeletefiles=1\r\nSearchFor=JPG\r\n";
    const std::string ini = dir.file("Kadrel.ini");
    // what, how to make it, the reason the message gives
    const std::tuple<const char*, std::function<void()>, const char*> cases[] = {
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(ini.c_str(), 0644), 0); }, "not a regular file"},
        {"NUL byte", [&] { dir.write("Kadrel.ini", held + std::string(1, '\0') + "x"); }, "NUL byte"},
        {"open fails", [&] { fs::create_symlink(ini, ini); }, "Too many levels of symbolic links"},
        {"read fails", [&] { fs::create_symlink("/proc/self/mem", ini); }, "Input/output error"},
    };
    for (const auto& [what, make, reason] : cases) {
        SCOPED_TRACE(what);
        fs::remove(ini);
        make();
        const fs::file_status before = fs::symlink_status(ini);
        const auto heldNow = [&] { return fs::is_regular_file(fs::symlink_status(ini)) ? readAll(ini) : ""; };
        const std::string contents = heldNow();
        shown.clear();
        s = Settings{};
        s.iniFile = ini;
        told(loadSettings(s));
        EXPECT_TRUE(s.iniUnreadable);
        EXPECT_EQ(s.searchExt + "|" + s.dateFormatName, "MOD|yyyymmdd_HHMMSS");
        EXPECT_TRUE(s.timeSource == TimeSource::Earlier && !s.deleteFiles);
        s.lastSourceDir = "/media/card";
        told(saveMainSettings(s, false));
        told(saveBrowserSettings(s));
        EXPECT_EQ(fs::symlink_status(ini).type(), before.type()) << "the window never writes over it";
        EXPECT_EQ(heldNow(), contents);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);

        Settings line;
        line.iniFile = ini;
        told(loadCommandLineSettings(line));
        EXPECT_EQ(line.datePattern, "yyyymmdd_HhNnSs");
        EXPECT_FALSE(line.deleteFiles || readDebugMode(ini));
        ASSERT_EQ(shown.size(), 2u) << "once per mode";
        EXPECT_NE(shown[0].find(ini), std::string::npos) << shown[0];
        EXPECT_NE(shown[0].find(reason), std::string::npos) << shown[0];
    }
    fs::remove(ini);
    dir.write("Kadrel.ini", held);
    EXPECT_TRUE(readDebugMode(ini)) << "the same keys, readable, are read";
}

}  // namespace
}  // namespace kadrel
