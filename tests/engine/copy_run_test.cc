#include "engine/copy/copy_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "engine/copy/patch_journal.h"
#include "engine/copy/proven_delete.h"
#include "engine/copy_run_fixture.h"
#include "engine/moi_writer.h"
#include "engine/stream_builder.h"
#include "support/manifest_check.h"

namespace kadrel {
namespace {

// With /W (nothing to mark here) each copy is scanned on a second thread while the next one
// copies; names, bytes and times must still be those of one thing after another.
TEST_F(CopyRun, NamesByTimeWithRunningNumberExactCopiesTimesAndProgress) {
    const std::string a = clip("PRG001/MOV001.MOD", "first clip");
    clip("PRG001/MOV002.MOD", "second clip");
    runAll(true);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg"}));
    // Times first: reading a file in the test would move its last access time.
    for (const std::string& copy : names(out))
        EXPECT_EQ(stamps(out + "/" + copy), stamps(a)) << copy;
    if (readsKeepAccessTime()) {
        EXPECT_EQ(stamps(a).second, (platform::FileTime{kClipTime + 3600, 750000000}));  // source untouched
    }
    Names contents{test::readAll(out + "/" + kName + ".mpg"), test::readAll(out + "/" + kName + "_1.mpg")};
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (Names{"first clip", "second clip"}));  // byte-identical without /W
    // The bar follows the bytes of the whole run: 10 of 21 bytes are the first clip's.
    EXPECT_EQ(ui.progress, (std::vector<std::pair<std::string, int>>{{"processing File 1 of 2", 0},
                                                                     {"processing File 1 of 2", 47},
                                                                     {"processing File 2 of 2", 47},
                                                                     {"processing File 2 of 2", 100}}));
}

TEST_F(CopyRun, OverwriteReplacesOlderFilesButNeverOneOfTheSameRun) {
    clip("PRG001/MOV001.MOD", "clip one");
    clip("PRG001/MOV002.MOD", "clip two");
    dir.write("out/" + kName + ".mpg", "older file");
    runAll();
    EXPECT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg", kName + "_2.mpg"}));
    EXPECT_EQ(test::readAll(out + "/" + kName + ".mpg"), "older file");

    fs::remove_all(out);
    dir.write("out/" + kName + ".mpg", "older file");
    settings.overwrite = true;
    runAll();
    // The older file is replaced; the second clip of that second must not replace the first.
    ASSERT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg"}));
    EXPECT_NE(test::readAll(out + "/" + kName + ".mpg"), "older file");
    const Names firstRun{test::readAll(out + "/" + kName + ".mpg"),
                         test::readAll(out + "/" + kName + "_1.mpg")};
    runAll();  // the same import again gives the same names and adds nothing
    EXPECT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg"}));
    EXPECT_EQ((Names{test::readAll(out + "/" + kName + ".mpg"), test::readAll(out + "/" + kName + "_1.mpg")}),
              firstRun);
}

/// Where a case row's clips go: into out, into the card's own folder, or renamed in place.
enum class Into { Out, Card, Patch };

/// Names differing only in case are one name: the card's clips, given in this order, each
/// holding its own name.
struct CaseRow {
    const char* what;
    Names sources;   ///< clips in card/PRG001
    Names existing;  ///< older files in the target, each holding "older file"
    const char* renameExt;
    bool overwrite;
    Into into;
    Names expected;        ///< what the target holds afterwards, sorted
    const char* replaced;  ///< the older file the run replaced, "" for none
};

const CaseRow kCaseRows[] = {
    // what, sources, existing, renameext, /O, into, expected, replaced
    {"an older x.mpg takes X.MPG", {"X.MOD"}, {"x.mpg"}, "MPG", false, Into::Out, {"X_1.MPG", "x.mpg"}, ""},
    {"/O replaces exactly that name, never another case",
     {"X.MOD"},
     {"X_1.MPG", "x.mpg"},
     "MPG",
     true,
     Into::Out,
     {"X_1.MPG", "x.mpg"},
     "X_1.MPG"},
    {"/O never replaces an earlier copy of another case",
     {"A.MOD", "a.MOD"},
     {},
     "MOD",
     true,
     Into::Out,
     {"A.MOD", "a_1.MOD"},
     ""},
    {"target = source: a source of another case stays",
     {"A.MOD"},
     {},
     "mod",
     true,
     Into::Card,
     {"A.MOD", "A_1.mod"},
     ""},
    {"patch mode: an original renamed earlier in another case",
     {"A.MOD", "a.MOD"},
     {},
     "MPG",
     false,
     Into::Patch,
     {"A.MPG", "a_1.MPG"},
     ""},
};

TEST_F(CopyRun, NamesDifferingOnlyInCaseAreOneName) {
    settings.datePattern = "";
    settings.userText = "";
    const bool foldsCase = cardFoldsCase();
    for (const CaseRow& row : kCaseRows) {
        SCOPED_TRACE(row.what);
        if (foldsCase && row.sources.size() > 1)  // A.MOD and a.MOD would be one clip there
            continue;
        fs::remove_all(card);
        fs::remove_all(out);
        fs::create_directories(out);
        const std::string into = row.into == Into::Out ? out : card + "/PRG001";
        Names paths;
        for (const std::string& name : row.sources)
            paths.push_back(clip("PRG001/" + name, name));
        for (const std::string& name : row.existing)
            dir.write((row.into == Into::Out ? "out/" : "card/PRG001/") + name, "older file");
        settings.renameExt = row.renameExt;
        settings.overwrite = row.overwrite;
        EXPECT_TRUE(
            runList(paths, row.into == Into::Patch ? "" : into, false, false, true, extras).complete());
        EXPECT_EQ(names(into), row.expected);
        for (const std::string& name : row.existing)
            EXPECT_EQ(test::readAll(into + "/" + name) == "older file", name != row.replaced) << name;
        for (const std::string& name : row.sources) {  // each clip is there once more, none was replaced
            const Names found = names(into);
            EXPECT_EQ(
                std::count_if(found.begin(), found.end(),
                              [&](const std::string& f) { return test::readAll(into + "/" + f) == name; }),
                row.into == Into::Card ? 2 : 1)
                << name;
        }
    }
}

// A failure says why and names the file whose step failed; none reads "Error 0". SOURCE and
// OUT stand for the clip and the target folder.
TEST_F(CopyRun, FailuresSayWhyAndNameTheirFile) {
    const struct {
        const char* clip;
        std::function<void(CopyRun&)> arrange;
        std::string message;
    } cases[] = {
        {".MOD",  // a hidden clip given by name, kept by name
         [](CopyRun& t) {
             t.settings.datePattern = "";
             t.settings.userText = "";
         },
         "The new name would be empty: nothing stands before its extension.\r\nSOURCE"},
        {".x.MOD", [](CopyRun& t) { t.settings.datePattern = ""; },
         "The new name would begin with \".\", which hides the file.\r\nSOURCE"},
        {"a\\b.MOD",  // xxh128sum would read the name as escaped
         [](CopyRun& t) {
             t.settings.datePattern = "";
             t.settings.manifest = true;
         },
         "The new name holds a newline or a backslash, which the manifest cannot hold.\r\nSOURCE"},
        {"MOV001.MOD", [](CopyRun& t) { t.seam.slice = [](int64_t) { return EROFS; }; },
         "Error 30\r\n" + platform::systemErrorText(EROFS) + "\r\nOUT" + platform::kSeparator + kName +
             ".mpg"},
        {"MOV001.MOD",
         [](CopyRun& t) { t.seam.bytes = [](int64_t) { throw std::runtime_error("the reader went away"); }; },
         "the reader went away"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        if (platform::isPathSeparator('\\') && std::string_view(c.clip).find('\\') != std::string_view::npos)
            continue;  // where "\" separates, no name can hold one
        ui.messages.clear();
        seam.slice = [](int64_t) { return 0; };
        seam.bytes = [](int64_t) {};
        settings.datePattern = "yy-mm-dd_Hh-Nn-Ss";
        settings.userText = "_Rome";
        settings.manifest = false;
        c.arrange(*this);
        const std::string source = clip(c.clip, "clip");
        EXPECT_EQ(runList({source}, out, false, false, true, extras).outcome.status, Outcome::Status::Failed);
        EXPECT_TRUE(names(out).empty());
        ASSERT_EQ(ui.messages.size(), 1u);
        std::string shown = ui.messages[0].text;
        for (const auto& [path, placeholder] : {std::pair{source, "SOURCE"}, std::pair{out, "OUT"}})
            if (const size_t at = shown.find(path); at != std::string::npos)
                shown.replace(at, path.size(), placeholder);
        const bool stopped =
            c.message.find("SOURCE") != std::string::npos || c.message.find("OUT") != std::string::npos;
        EXPECT_EQ(shown, c.message + (stopped ? "\r\n0 of 1 files were done; 1 was not." : ""));
        fs::remove(source);
    }
}

// Each source the delete keeps is named with its own reason, not one reason for all.
TEST_F(CopyRun, KeptSourcesAreListedWithTheirOwnReasons) {
    const struct {
        std::function<void(CopyRun&, const std::string& copy)> arrange;
        std::string reason;  // "" when the source goes
    } cases[] = {
        {[](CopyRun&, const std::string&) {}, ""},
        {[](CopyRun& t, const std::string&) { t.control.copyCancel = 1; }, "the run was stopped"},
        {[](CopyRun&, const std::string& copy) { std::fstream(copy, std::ios::in | std::ios::out) << "X"; },
         "the copy differs from the source"},
        {[](CopyRun&, const std::string& copy) { fs::remove_all(fs::path(copy).parent_path()); },
         "the copies' folder could not be written to the disk: " + platform::systemErrorText(ENOENT)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        control.copyCancel = 0;
        fs::create_directories(out);
        const std::string source = clip("PRG001/MOV001.MOD", "clip one");
        const std::string copy = out + "/MOV001.MOD";
        // Removed first: the C++ library on Windows refuses to overwrite, as it cannot tell two files apart.
        fs::remove(copy);
        fs::copy_file(source, copy);
        const ProcessedFile done{source, copy, platform::fileId(source), platform::fileId(copy), {}, {}, {}};
        c.arrange(*this, copy);
        const DeleteOutcome result = deleteSources(ctx, {done}, out);
        EXPECT_EQ(result.kept, c.reason.empty() ? 0 : 1);
        EXPECT_EQ(fs::exists(source), !c.reason.empty());
        if (c.reason.empty())
            continue;
        ASSERT_EQ(result.notices.size(), 1u);
        EXPECT_EQ(result.notices[0].text, "These files were not deleted, for the reason after each:\r\n" +
                                              source + " (" + c.reason + ")");
    }
}

// The manifest holds the copies as they end up (marked 16:9 here), checks with the real
// xxh128sum, keeps one line per name when a run writes a name again (/O), and fails the check
// once one byte of a copy changes.
TEST_F(CopyRun, ManifestChecksWithXxh128sumAndCatchesOneChangedByte) {
    settings.manifest = true;
    settings.overwrite = true;
    clip("PRG001/MOV001.MOD", sample);
    clip("PRG001/MOV002.MOD", "a clip with nothing to mark", kClipTime + 1);
    const auto check = [this] { return test::checkManifest(out); };
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(runAll(true).complete());
        EXPECT_EQ(names(out),
                  (Names{"09-03-05_14-07-09_Rome.mpg", "09-03-05_14-07-10_Rome.mpg", "kadrel.xxh128"}));
        EXPECT_EQ(check(), 0);
        const std::string text = test::readAll(out + "/kadrel.xxh128");
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    }
    std::ofstream(out + "/kadrel.xxh128", std::ios::app | std::ios::binary) << "a line of my own\n";
    runAll(true);  // lines that are no digest lines stay as they were
    EXPECT_NE(test::readAll(out + "/kadrel.xxh128").find("a line of my own\n"), std::string::npos);
    runFound(card, "", true, false, extras);  // patch mode keeps none
    EXPECT_FALSE(fs::exists(card + "/kadrel.xxh128"));
    std::fstream(out + "/" + kName + ".mpg", std::ios::in | std::ios::out | std::ios::binary)
        .seekp(3000)
        .put('!');
    EXPECT_NE(check(), 0);
}

TEST_F(CopyRun, WideScreenCopyAndPatchModeWithUnchangedNameChangeOnlyTheAspectRatio) {
    const std::string wide = wideSample();
    const std::string a = clip("PRG001/MOV001.MOD", sample);
    ASSERT_EQ(platform::makeReadOnly(a), 0);  // a card's clip, still to be patched in place below
    const auto before = stamps(a);
    settings.searchExt = "mod";  // the stream test ignores case
    runAll(true);
    const std::string copy = out + "/" + kName + ".mpg";
    EXPECT_EQ(stamps(copy), before);
    EXPECT_TRUE(test::readAll(copy) == wide);
    EXPECT_EQ(test::readOnlyAttribute(copy), false);

    settings.userText = "";
    settings.renameExt = "";
    runFound(card, "", true, false, extras);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(card + "/PRG001"), Names{"MOV001.MOD"});  // no rename
    EXPECT_EQ(stamps(a), before);
    EXPECT_EQ(test::readOnlyAttribute(a), true);  // read-only again after the patch
    EXPECT_TRUE(test::readAll(a) == wide);

    ASSERT_EQ(platform::setFileTimes(a, {{}, before.first, before.second}), 0);
    runList({a}, "", false, false, true, extras);  // reset
    EXPECT_EQ(stamps(a), before);
    EXPECT_EQ(test::readOnlyAttribute(a), true);
    EXPECT_TRUE(test::readAll(a) == sample);

    // A write error in place is reported with the file and stops every write to it; its journal
    // stays, and the next run (any run over the card) puts the original back whole.
    int writes = 0;
    seam.write = [&writes](int64_t) { return ++writes == 2 ? EIO : 0; };
    ASSERT_EQ(platform::setFileTimes(a, {{}, before.first, before.second}), 0);  // the read above moved one
    EXPECT_EQ(runList({a}, "", true, false, true, extras).outcome.status, Outcome::Status::Failed);
    EXPECT_EQ(writes, 2);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(a), std::string::npos);
    EXPECT_TRUE(fs::exists(journalPathFor(a)));
    EXPECT_FALSE(test::readAll(a) == sample);
    seam.write = [](int64_t) { return 0; };
    ui.messages.clear();
    EXPECT_TRUE(runAll().complete());
    EXPECT_EQ(stamps(a), before);
    EXPECT_EQ(test::readOnlyAttribute(a), true);
    EXPECT_TRUE(test::readAll(a) == sample);
    EXPECT_FALSE(fs::exists(journalPathFor(a)));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(
        ui.messages[0].text,
        "A patch-mode run was stopped before it finished these files; they were put back as they were:\r\n" +
            test::native(a));  // as the search spelled it
}

// A card of 16:9 and 4:3 recordings, one whose aspect byte says neither and a clip without a
// companion, with /W and use_moi: names from the recording times, and only what the camera
// recorded 16:9 or did not say is marked.
TEST_F(CopyRun, UseMoiNamesByRecordingTimeAndMarksOnlyClipsNotRecorded4to3) {
    const std::string wide = wideSample();
    for (const char* name :
         {"PRG001/MOV001.MOD", "PRG001/MOV002.MOD", "PRG002/MOV003.MOD", "PRG002/MOV004.MOD"})
        clip(name, sample);
    dir.write("card/PRG001/MOV001.MOI", test::moiBytes({}));
    dir.write("card/PRG001/MOV002.moi", test::moiBytes({.minute = 20, .msOfMinute = 5999, .format = 0x50}));
    dir.write("card/PRG002/MOV004.MOI", test::moiBytes({.minute = 22, .format = 0x53}));
    settings.useMoi = true;
    const RunResult copied = runAll(true);
    EXPECT_TRUE(copied.complete());
    EXPECT_EQ(std::make_pair(copied.markedWide, copied.leftFourThree), std::make_pair(3, 1));
    const Names copies{"09-07-17_14-18-50_Rome.mpg", "09-07-17_14-20-05_Rome.mpg", kName + ".mpg",
                       "09-07-17_14-22-50_Rome.mpg"};
    EXPECT_EQ(names(out), (Names{copies[2], copies[0], copies[1], copies[3]}));
    EXPECT_TRUE(test::readAll(out + "/" + copies[0]) == wide);
    EXPECT_TRUE(test::readAll(out + "/" + copies[1]) == sample);
    EXPECT_TRUE(test::readAll(out + "/" + copies[2]) == wide);
    EXPECT_TRUE(test::readAll(out + "/" + copies[3]) == wide);

    // Patch mode: the same choice, each clip renamed by the patch-mode rule.
    const RunResult patched = runFound(card, "", true, false, extras);
    EXPECT_TRUE(patched.complete());
    EXPECT_EQ(std::make_pair(patched.markedWide, patched.leftFourThree), std::make_pair(3, 1));
    EXPECT_EQ(names(card + "/PRG001"),
              (Names{"MOV001_Rome.MOI", "MOV001_Rome.mpg", "MOV002_Rome.moi", "MOV002_Rome.mpg"}));
    EXPECT_TRUE(test::readAll(card + "/PRG001/MOV001_Rome.mpg") == wide);
    EXPECT_TRUE(test::readAll(card + "/PRG001/MOV002_Rome.mpg") == sample);
    EXPECT_TRUE(test::readAll(card + "/PRG002/MOV003_Rome.mpg") == wide);
    EXPECT_TRUE(test::readAll(card + "/PRG002/MOV004_Rome.mpg") == wide);
}

}  // namespace
}  // namespace kadrel
