#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "engine/copy/copy_run.h"
#include "engine/copy/patch_journal.h"
#include "engine/copy_run_fixture.h"
#include "engine/moi_writer.h"
#include "engine/stream_builder.h"

namespace kadrel {
namespace {

// A renamed clip takes its companions along, each keeping its own extension; a companion name
// that is taken moves clip and companion on to the next running number together. A companion
// that cannot follow is named, and its clip is done.
TEST_F(CopyRun, PatchModeCompanionsFollowTheirClip) {
    settings.userText = "_x";
    settings.renameExt = "MPG";
    clip("PRG001/MOV001.MOD", sample);
    dir.write("card/PRG001/MOV001.moi", "first index");
    clip("PRG001/MOV002.MOD", sample);
    dir.write("card/PRG001/MOV002.MOI", "second index");
    dir.write("card/PRG001/MOV002_x.MOI", "another clip's index");
    EXPECT_TRUE(runFound(card, "", false, false, extras).complete());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(card + "/PRG001"),
              (Names{"MOV001_x.MPG", "MOV001_x.moi", "MOV002_x.MOI", "MOV002_x_1.MOI", "MOV002_x_1.MPG"}));
    EXPECT_EQ(test::readAll(card + "/PRG001/MOV002_x.MOI"), "another clip's index");
    EXPECT_EQ(test::readAll(card + "/PRG001/MOV002_x_1.MOI"), "second index");

    const std::string c = clip("PRG002/MOV003.MOD", sample);
    dir.write("card/PRG002/MOV003.MOI", "third index");
    seam.rename = [](const std::string& from) { return from.ends_with(".MOI") ? EACCES : 0; };
    const RunResult r = runList({c}, "", false, false, true, extras);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.done, 1);
    EXPECT_EQ(names(card + "/PRG002"), (Names{"MOV003.MOI", "MOV003_x.MPG"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(
        ui.messages[0].text.find(card + "/PRG002/MOV003.MOI (" + platform::systemErrorText(EACCES) + ")"),
        std::string::npos)
        << ui.messages[0].text;
}

// A clip renamed to .MPG keeps its companion: /M still names it by its recording time and leaves
// a 4:3 recording unmarked.
TEST_F(CopyRun, UseMoiPairsACompanionWithAClipOfAnyExtension) {
    settings.userText = "";
    settings.renameExt = "MPG";
    clip("PRG001/MOV001.MOD", sample);
    dir.write("card/PRG001/MOV001.MOI", test::moiBytes({.format = 0x50}));
    EXPECT_TRUE(runFound(card, "", false, false, extras).complete());
    settings.searchExt = "MPG";
    settings.useMoi = true;
    EXPECT_TRUE(runAll(true).complete());
    ASSERT_EQ(names(out), Names{"09-07-17_14-18-50.MPG"});
    EXPECT_TRUE(test::readAll(out + "/09-07-17_14-18-50.MPG") == sample);
}

// Clips whose names differ only in case share one companion: it goes only with the last of them.
TEST_F(CopyRun, ASharedCompanionGoesOnlyWithTheLastOfItsClips) {
    if (cardFoldsCase())
        GTEST_SKIP() << "the file system takes MOV001.MOD and mov001.MOD as one clip";
    settings.deleteFiles = true;
    const std::string a = clip("PRG001/MOV001.MOD", "clip one");
    const std::string b = clip("PRG001/mov001.MOD", "clip two");
    const std::string companion = dir.write("card/PRG001/MOV001.MOI", "index");
    ui.answers = {MsgResult::Ok, MsgResult::Ok, MsgResult::Ok, MsgResult::Ok};
    EXPECT_TRUE(runList({a}, out, false, false, true, extras).complete());
    EXPECT_EQ(names(card + "/PRG001"), (Names{"MOV001.MOI", "mov001.MOD"}));
    EXPECT_TRUE(runList({b}, out, false, false, true, extras).complete());
    EXPECT_EQ(names(card + "/PRG001"), Names{});
    EXPECT_FALSE(fs::exists(companion));
}

// A run first puts back what a killed patch-mode run left half done, says so, and then takes the
// original up as any other, also when a given list names it by its patch-mode name; one it
// cannot put back (a read-only card) is left alone and named.
TEST_F(CopyRun, ARunFirstPutsBackWhatAKilledPatchRunLeftHalfDone) {
    settings.datePattern = "";
    settings.userText = "";
    enum Kind { Search, List, ReadOnlyCard };
    for (const Kind kind : {Search, List, ReadOnlyCard}) {
        SCOPED_TRACE(kind);
        fs::remove_all(card);
        fs::remove_all(out);
        fs::create_directories(out);
        ui.messages.clear();
        const std::string a = clip("PRG001/MOV001.MOD", sample);
        const auto before = stamps(a);
        PatchJournal journal;
        journal.original = "MOV001.MOD";
        journal.renamed = "MOV001_x.MOD";
        ASSERT_EQ(platform::getFileTimes(a, journal.times), 0);
        journal.size = static_cast<int64_t>(sample.size());
        journal.edits = {{100, {static_cast<uint8_t>(sample[100])}}};
        JournalKeeper().write(a, journal, nullptr);  // the keeper goes as with a killed run
        std::string patched = sample;
        patched[100] = static_cast<char>(~patched[100]);
        fs::remove(a);
        const std::string renamed = dir.write("card/PRG001/MOV001_x.MOD", patched);
        seam.write = [kind](int64_t) { return kind == ReadOnlyCard ? EROFS : 0; };
        const RunResult r = kind == List ? runList({renamed}, out, false, false, true, extras) : runAll();
        EXPECT_EQ(r.complete(), kind != ReadOnlyCard);
        ASSERT_FALSE(ui.messages.empty());
        if (kind == ReadOnlyCard) {
            EXPECT_EQ(names(card + "/PRG001"), (Names{".kadrel-journal-MOV001.MOD", "MOV001_x.MOD"}));
            EXPECT_EQ(names(out), Names{}) << "a half-patched original is never copied";
            EXPECT_NE(ui.messages[0].text.find(test::native(card + "/PRG001/.kadrel-journal-MOV001.MOD (") +
                                               platform::systemErrorText(EROFS) + ")"),
                      std::string::npos)
                << ui.messages[0].text;
            continue;
        }
        EXPECT_EQ(ui.messages[0].title, "Restored");
        EXPECT_EQ(names(card + "/PRG001"), Names{"MOV001.MOD"});
        EXPECT_EQ(stamps(a), before);
        EXPECT_TRUE(test::readAll(a) == sample);
        EXPECT_TRUE(test::readAll(out + "/MOV001.mpg") == sample);
    }
}

// ffmpeg's LPCM track whose samples spell a 4:3 sequence header thousands of times: patch mode
// marks the video 16:9 and leaves every byte of the audio as it was.
TEST_F(CopyRun, PatchModeMarksTheVideoAndLeavesLpcmAudioAlone) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs ffmpeg";
    std::string samples;
    while (samples.size() < 192000)
        samples += std::string("\0\0\1\xB3\x2D\x02\x40\x23\x11\x22\x33\x44", 12);
    const std::string raw = dir.write("samples.raw", samples);
    const std::string made = dir.file("card/PRG001/MOV001.MOD");
    fs::create_directories(card + "/PRG001");
    test::shell(
        "ffmpeg -v error -f lavfi -i testsrc=size=720x576:rate=25:duration=1 -f s16be -ar 48000 -ac 2 -i " +
        raw + " -map 0:v -map 1:a -c:v mpeg2video -aspect 4:3 -c:a pcm_dvd -shortest -f dvd " + made);
    const std::string audio = " -map 0:a -f md5 -";
    const std::string before = test::shell("ffmpeg -v error -i " + made + audio);
    ASSERT_TRUE(before.starts_with("MD5=")) << before;
    settings.userText = "";
    EXPECT_TRUE(runFound(card, "", true, false, extras).complete());
    const std::string patched = card + "/PRG001/MOV001.mpg";
    EXPECT_EQ(test::shell("ffmpeg -v error -i " + patched + audio), before);
    EXPECT_NE(
        test::shell("ffprobe -v error -select_streams v -show_entries stream=display_aspect_ratio " + patched)
            .find("display_aspect_ratio=16:9"),
        std::string::npos);
}

// A journal that cannot be written leaves the original exactly as it was: name, bytes, times.
TEST_F(CopyRun, PatchModeTouchesNothingWithoutItsJournal) {
    const std::string a = clip("PRG001/MOV001.MOD", sample);
    const auto before = stamps(a);
    seam.journal = [](const std::string& path) {
        return path.find("journal") != std::string::npos ? ENOSPC : 0;
    };
    const RunResult r = runFound(card, "", true, false, extras);
    EXPECT_EQ(r.outcome.error, ENOSPC);
    EXPECT_EQ(r.outcome.file, card + test::native("/PRG001/.kadrel-journal-MOV001.MOD"));
    EXPECT_EQ(names(card + "/PRG001"), Names{"MOV001.MOD"});
    EXPECT_EQ(stamps(a), before);
    EXPECT_TRUE(test::readAll(a) == sample);
}

}  // namespace
}  // namespace kadrel
