// Runs the real kadrel.exe as a user at a Windows prompt would: a copy of the program in a
// temporary folder, started through the command processor, with its settings beside it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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
        fs::copy_file(KADREL_BINARY, dir.file("kadrel.exe"));
        fs::create_directory(dir.file("dst"));
    }
    /// Runs the program in its folder; APPDATA points into the folder, so that no run reads or
    /// writes the user's own settings.
    Result run(const std::string& args) {
        const std::string cmd = "cd /d \"" + dir.path() + "\" && set \"APPDATA=" + dir.file("appdata") +
                                "\" && kadrel.exe " + args + " >out.txt 2>err.txt <NUL";
        const int status = std::system(cmd.c_str());
        return {status, test::readAll(dir.file("out.txt")), test::readAll(dir.file("err.txt"))};
    }
    test::TempDir dir;
};

// Only a real help request ends with 0; without arguments the program says in one line that
// the window is not part of this build, and a failed validation is silent without /E. Lines
// end as Windows text does, with CR LF.
TEST_F(Program, RunsThatCopyNothingReportAndExitByTheirCode) {
    // arguments, exit status, the start of standard output and of standard error ("": none)
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        {"/?", 0, "Kadrel Commandline Interface:\r\n", ""},
        {"--version", 0, "kadrel", ""},
        {"", 2, "", "kadrel"},
        {"\"" + dir.path() + "\"", 4, "", ""},
        {"\"" + dir.path() + "\" /E", 4, "", "Error\r\nERROR 4\r\n"},
        {"\"" + dir.path() + "\" /X", 4, "", "kadrel: these arguments were ignored: \"/X\"\r\n"},
    };
    for (const auto& [args, status, out, err] : cases) {
        const Result r = run(args);
        EXPECT_EQ(r.status, status) << args;
        EXPECT_EQ(r.out.substr(0, out.empty() ? std::string::npos : out.size()), out) << args;
        EXPECT_EQ(r.err.substr(0, err.empty() ? std::string::npos : err.size()), err) << args;
    }
    const std::string bare = run("").err;
    EXPECT_EQ(std::count(bare.begin(), bare.end(), '\n'), 1) << bare;
}

// The settings beside kadrel.exe are read; a clip another program holds without sharing it is
// named and kept, and the run does not claim success.
TEST_F(Program, CopiesWithTheSettingsBesideItAndKeepsAClipItCannotRead) {
    dir.write("card/SD_VIDEO/PRG001/MOV001.MOD", "clip one");
    dir.write("card/SD_VIDEO/PRG001/MOV002.MOD", "clip two");
    dir.write("Kadrel.ini", "[Settings]\r\ndatetimeformat=\r\ndeletefiles=1\r\n");
    int held = -1;
    _sopen_s(&held, dir.file("card/SD_VIDEO/PRG001/MOV002.MOD").c_str(), _O_RDONLY | _O_BINARY, _SH_DENYRW,
             _S_IREAD);
    ASSERT_GE(held, 0);
    Result r = run("card dst");
    _close(held);
    EXPECT_NE(r.status, 0) << r.err;
    EXPECT_EQ(test::readAll(dir.file("dst/MOV001.MPG")), "clip one") << "a blank date format keeps the name";
    EXPECT_FALSE(fs::exists(dir.file("dst/MOV002.MPG")));
    EXPECT_NE(r.err.find("MOV002.MOD"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(dir.file("card/SD_VIDEO/PRG001/MOV002.MOD")));
    EXPECT_FALSE(fs::exists(dir.file("appdata"))) << "a command-line run writes no settings file";

    r = run("card dst");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readAll(dir.file("dst/MOV002.MPG")), "clip two");
}

}  // namespace
}  // namespace kadrel
