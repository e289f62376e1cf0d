#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fstream>
#include <system_error>
#include <tuple>

#include "engine/copy_run_fixture.h"
#include "support/manifest_check.h"

namespace kadrel {
namespace {

/// A run over five clips that meets a fault: the messages it shows (a delete offer only after a
/// clean run; "#i" stands for the i-th file the run took up, CARD for the card, OUT for the
/// target), the copies it leaves, the sources still on the card (each untouched), how the run
/// ended, and what else a case checks of the copies.
struct Fault {
    const char* what;
    std::function<void(CopyRun&)> arrange;
    Names messages;
    struct {
        size_t copies, sourcesLeft;
        Outcome::Status status;
        bool complete;  ///< nothing failed, skipped or kept: the command line would exit 0
    } end;
    std::function<void(CopyRun&)> verify = {};
};

/// Every case runs with /W, once with each scan on a second thread while the next file copies and
/// once in the one-thread order: both must end the same way.
struct CopyRunFault : CopyRun, ::testing::WithParamInterface<std::tuple<Fault, bool>> {
    const Fault& fault() const { return std::get<0>(GetParam()); }
    /// A clip of one byte value with a 4:3 sequence header, so that /W has a byte to write.
    static std::string clipData(char fill) {
        std::string data(16384, fill);
        data.replace(100, 8, std::string("\0\0\1\xB3\x2D\x02\x40\x23", 8));
        return data;
    }
    std::string shown(const test::ShownMessage& m) const {
        std::string text = m.title + ": " + m.text;
        for (size_t i = 0; i < seam.order.size(); ++i)
            replaceAll(text, seam.order[i], "#" + std::to_string(i));
        replaceAll(text, card, "CARD");
        replaceAll(text, out, "OUT");
        // The same file in the same place, whichever separator the system writes.
        std::replace(text.begin(), text.end(), platform::kSeparator, '/');
        return text;
    }
    static void replaceAll(std::string& text, const std::string& from, const std::string& to) {
        for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
            text.replace(at, from.size(), to);
    }
};

TEST_P(CopyRunFault, EndsWithItsReportAndLosesNothing) {
    extras.overlapScans = std::get<1>(GetParam());
    SCOPED_TRACE(fault().what + std::string(extras.overlapScans ? ", scans beside the copies" : ""));
    settings.deleteFiles = true;
    struct Source {
        std::string path, data, companion;
    };
    std::vector<Source> sources;
    for (char i = 0; i < 5; ++i) {
        const std::string base = "PRG001/MOV00" + std::to_string(i + 1);
        const std::string data = clipData(static_cast<char>('a' + i));
        sources.push_back({clip(base + ".MOD", data, kClipTime + i), data,
                           dir.write("card/" + base + (i % 2 ? ".moi" : ".MOI"), "index")});
    }
    dir.write("card/PRG001/MOV009.MOI", "another clip's index");
    fault().arrange(*this);
    const RunResult result = runAll(true);
    Names messages;
    for (const test::ShownMessage& m : ui.messages)
        messages.push_back(shown(m));
    EXPECT_EQ(messages, fault().messages);
    EXPECT_EQ(names(out).size(), fault().end.copies);  // no half-written or temporary file either
    size_t left = 0;
    for (const Source& source : sources) {
        EXPECT_EQ(fs::exists(source.companion), fs::exists(source.path)) << "deleted only with its clip";
        left += fs::exists(source.path);
        EXPECT_TRUE(!fs::exists(source.path) || test::readAll(source.path) == source.data) << source.path;
    }
    EXPECT_TRUE(fs::exists(card + "/PRG001/MOV009.MOI"));
    EXPECT_EQ(left, fault().end.sourcesLeft);
    EXPECT_EQ(result.outcome.status, fault().end.status);
    EXPECT_EQ(result.complete(), fault().end.complete);
    if (fault().verify)
        fault().verify(*this);
}

/// The system's own text for an error, as the messages quote it.
std::string text(int error) {
    return platform::systemErrorText(error);
}

const std::string kStopped = "Stopped: The run was stopped.\r\n";
std::string offer(int files) {
    return "Delete files?: Delete the " + std::to_string(files) +
           " processed files from source directory?\r\nCARD/PRG001/\r\nTheir .MOI companion files are "
           "deleted with them.";
}
/// The copy of the i-th clip: each clip is a second younger than the one before.
std::string copyOf(int i) {
    return "09-03-05_14-07-" + std::string(i < 1 ? "0" : "") + std::to_string(9 + i) + "_Rome.mpg";
}
std::string failedAfterName(const Names& copies) {
    std::string text =
        "ERROR: These copies have their names but could not be finished; their sources are kept:";
    for (const std::string& line : copies)
        text += "\r\nOUT/" + line;
    return text;
}
const std::string kChanged =
    "The source changed while it was copied (its size, modification time or identity is not what it was "
    "when the copy began); the copy was discarded.";
const std::string kEndedEarly =
    "The source ended before the size it had when the copy began; the copy was discarded.";
/// Gives a copy the time of now, as some file systems do at a rename.
void resetTime(const std::string& copy) {
    const int64_t now = std::time(nullptr);
    EXPECT_EQ(platform::setFileTimes(copy, {{}, {now, 0}, {now, 0}}), 0);
}
std::string failed(int code, const std::string& text, int file, int done) {
    return "ERROR: Error " + std::to_string(code) + "\r\n" + text + "\r\n#" + std::to_string(file) + "\r\n" +
           std::to_string(done) + " of 5 files were done; " + std::to_string(5 - done) + " were not.";
}

const Fault kFaults[] = {
    Fault{"no space left halfway through the second copy: the full target is named",
          [](CopyRun& t) {
              t.settings.datePattern = "yy";  // the second copy's name whichever clip it is
              t.seam.slice = [&t](int64_t at) { return t.seam.current == 1 && at >= 8192 ? ENOSPC : 0; };
          },
          {"ERROR: Error 28\r\n" + text(ENOSPC) + "\r\nOUT/09_Rome_1.mpg\r\n1 of 5 files were done; 4 were not."},
          {1, 5, Outcome::Status::Failed, false}},
    Fault{"cancel during the third of five copies",
          [](CopyRun& t) {
              t.seam.bytes = [&t](int64_t done) {
                  if (t.seam.current != 2 || done != 8192)
                      return;
                  t.control.copyCancel = 1;  // the user's Abort
                  t.control.running = false;
              };
          },
          {kStopped + "2 of 5 files were done; 3 were not."},
          {2, 5, Outcome::Status::Cancelled, false}},
    Fault{"stopped during the fourth copy, which ends: the four done go with their companions",
          [](CopyRun& t) {
              t.ui.answers = {MsgResult::Ok, MsgResult::Ok, MsgResult::Ok};
              t.seam.bytes = [&t](int64_t) { t.control.running = t.seam.current != 3; };
          },
          {kStopped + "4 of 5 files were done; 1 was not.", offer(4), "Confirm: Are you sure?"},
          {4, 1, Outcome::Status::Cancelled, false}},
    Fault{"a termination signal mid-copy acts as Abort and deletes nothing",
          [](CopyRun& t) {
              t.seam.slice = [&t](int64_t at) {
                  if (t.seam.current == 3 && at == 4096)
                      std::raise(SIGTERM);
                  return 0;
              };
          },
          {kStopped + "3 of 5 files were done; 2 were not."},
          {3, 5, Outcome::Status::Cancelled, false}},
    Fault{"source vanishes with its companion between the search and the copy",
          [](CopyRun& t) {
              t.seam.open = [](const std::string& s) {
                  for (const char* ext : {".MOI", ".moi"})
                      fs::remove(s.substr(0, s.size() - 4) + ext);
                  return fs::remove(s) ? 0 : EIO;
              };
          },
          {failed(2, text(ENOENT), 0, 0)},
          {0, 4, Outcome::Status::Failed, false}},
    Fault{"target is a file, not a folder",
          [](CopyRun& t) { t.target = t.dir.write("notafolder", ""); },
          {failed(20, text(ENOTDIR), 0, 0)},
          {0, 5, Outcome::Status::Failed, false}},
    Fault{"patch rename refused: the original stays where and as it was",
          [](CopyRun& t) {
              t.target = "";
              t.settings.userText = "_x";
              t.seam.open = [](const std::string&) { return EACCES; };
          },
          {failed(13, text(EACCES), 0, 0)},
          {0, 5, Outcome::Status::Failed, false}},
    Fault{"a scan read error discards that copy",
          [](CopyRun& t) { t.seam.read = [](int64_t, size_t&) { return Seam::scanning == 1 ? EIO : 0; }; },
          {failed(5, text(EIO), 1, 1)},
          {1, 5, Outcome::Status::Failed, false}},
    Fault{"a short scan read is an error, not the end of the file",
          [](CopyRun& t) {
              t.seam.read = [](int64_t, size_t& size) {
                  if (Seam::scanning == 2)
                      size = std::min<size_t>(size, 1000);
                  return 0;
              };
          },
          {failed(5, text(EIO), 2, 2)},
          {2, 5, Outcome::Status::Failed, false}},
    Fault{"unexpected failure inside the run",
          [](CopyRun& t) {
              t.seam.bytes = [](int64_t) { throw std::system_error(ENOMEM, std::generic_category()); };
          },
          {"ERROR: Error 12\r\n" + text(ENOMEM)},
          {0, 5, Outcome::Status::Failed, false}},
    Fault{"name taken between the name search and the copy is not replaced",
          [](CopyRun& t) {
              t.seam.open = [&t](const std::string&) {
                  std::ofstream(t.out + "/" + kName + ".mpg", std::ios::app) << "someone else";
                  return 0;
              };
          },
          {offer(5)},
          {6, 5, Outcome::Status::Done, true}},
    Fault{"a copy replaced after its commit keeps its source",
          [](CopyRun& t) {
              t.ui.answers = {MsgResult::Ok, MsgResult::Ok};
              t.seam.committed = [&t](const std::string& copy) {
                  if (Seam::scanning != 0)
                      return;
                  // Moved aside first: Windows renames no file over one that is open, as the copy is.
                  const std::string other = t.dir.write("other", test::readAll(copy));
                  fs::rename(copy, t.dir.file("replaced"));
                  fs::rename(other, copy);
              };
          },
          {offer(5), "Confirm: Are you sure?",
           "ERROR: These files were not deleted, for the reason after each:\r\n#0 (the copy was replaced or "
           "changed)"},
          {5, 1, Outcome::Status::Done, false},
          [](CopyRun& t) {
              size_t ownTime = 0;  // the file that replaced a copy is not the run's to change
              for (const std::string& name : CopyRun::names(t.out))
                  ownTime += CopyRun::stamps(t.out + "/" + name).first.sec > kClipTime + 60;
              EXPECT_EQ(ownTime, 1u);
          }},
    Fault{"a copy changed in place after its commit keeps its source: it no longer has the digest read",
          [](CopyRun& t) {
              t.ui.answers = {MsgResult::Ok, MsgResult::Ok};
              t.seam.committed = [](const std::string& copy) {
                  if (Seam::scanning == 3)
                      std::fstream(copy, std::ios::in | std::ios::out | std::ios::binary).seekp(9000).put('!');
              };
          },
          {offer(5), "Confirm: Are you sure?",
           "ERROR: These files were not deleted, for the reason after each:\r\n#3 (the copy differs from the "
           "source)"},
          {5, 1, Outcome::Status::Done, false}},
    Fault{"a source written again with its own bytes after its copy (a new time) is kept",
          [](CopyRun& t) {
              t.ui.answers = {MsgResult::Ok, MsgResult::Ok};
              t.seam.committed = [&t](const std::string&) {
                  if (Seam::scanning != 2)
                      return;
                  std::lock_guard<std::mutex> hold(t.seam.orderLock);
                  std::fstream source(t.seam.order[2], std::ios::in | std::ios::out | std::ios::binary);
                  source.seekp(0).put(static_cast<char>(source.get()));
              };
          },
          {offer(5), "Confirm: Are you sure?",
           "ERROR: These files were not deleted, for the reason after each:\r\n#2 (the source changed since it "
           "was copied)"},
          {5, 1, Outcome::Status::Done, false}},
    Fault{"a manifest that cannot be written leaves the run incomplete and says so",
          [](CopyRun& t) {
              t.settings.manifest = true;
              fs::create_directory(t.out + "/kadrel.xxh128");
          },
          {"ERROR: The manifest could not be written; the run is incomplete:\r\nOUT/kadrel.xxh128 (Is a "
           "directory)",
           offer(5)},
          {6, 5, Outcome::Status::Done, false}},
    Fault{"another run into the same target meanwhile keeps its manifest line beside this run's",
          [](CopyRun& t) {
              t.settings.manifest = true;
              const std::string other = t.dir.write("other/MOV007.MOD", CopyRunFault::clipData('z'));
              t.seam.committed = [&t, other](const std::string&) {
                  if (Seam::scanning != 1)
                      return;
                  Settings s = t.settings;
                  s.deleteFiles = false;
                  RunControl control;
                  control.running = true;
                  DebugLog log;
                  EXPECT_TRUE(copyFileList({s, control, log}, {other}, t.out, true, false, true).complete());
              };
          },
          {offer(5)},
          {7, 5, Outcome::Status::Done, true},
          [](CopyRun& t) {
              const std::string text = test::readAll(t.out + "/kadrel.xxh128");
              EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6) << text;
              EXPECT_EQ(test::checkManifest(t.out), 0);
          }},
    Fault{"a source rewritten with its own bytes during its copy (a new time) is not committed",
          [](CopyRun& t) {
              t.seam.slice = [&t](int64_t at) {
                  if (t.seam.current != 1 || at != 8192)
                      return 0;
                  std::fstream source(t.seam.order[1], std::ios::in | std::ios::out | std::ios::binary);
                  const char first = static_cast<char>(source.get());
                  source.seekp(0);
                  source.put(first);
                  return 0;
              };
          },
          {failed(5, kChanged, 1, 1)},
          {1, 5, Outcome::Status::Failed, false}},
    Fault{"another run's clean-up while a copy is scanned leaves its temporary file alone",
          [](CopyRun& t) {
              // It may take the next copy's file in the instant between its create and its lock; that
              // copy then goes on under a new name. The scanned copy must keep its file, or it fails.
              t.seam.scanStarts = [&t] { platform::removeStaleTemporaries(t.out + "/"); };
          },
          {offer(5)},
          {5, 5, Outcome::Status::Done, true}},
    Fault{"a kernel copy that stops early goes on with the buffered copy",
          [](CopyRun& t) {
              t.ui.asks = false;  // no digest to take: the kernel copies
              t.seam.ends = [](int64_t at, bool kernel) { return kernel && at >= 8192; };
          },
          {offer(5)},
          {5, 5, Outcome::Status::Done, true}},
    Fault{"a kernel copy and its buffered fallback that both stop early fail that file",
          [](CopyRun& t) {
              t.ui.asks = false;
              t.seam.ends = [&t](int64_t at, bool) { return t.seam.current == 2 && at >= 8192; };
          },
          {failed(5, kEndedEarly, 2, 2)},
          {2, 5, Outcome::Status::Failed, false}},
    Fault{"a close error before the name discards that copy",
          [](CopyRun& t) {
              t.seam.closed = [&t](const std::string&, bool named) { return !named && t.seam.current == 1 ? EIO : 0; };
          },
          {failed(5, text(EIO), 1, 1)},
          {1, 5, Outcome::Status::Failed, false}},
    Fault{"a flush error before the name discards that copy",
          [](CopyRun& t) {
              t.seam.flush = [&t](const std::string& path) { return path != t.out && Seam::scanning == 2 ? EIO : 0; };
          },
          {failed(5, text(EIO), 2, 2)},
          {2, 5, Outcome::Status::Failed, false}},
    Fault{"a full target reported only at the flush before the name is named by the copy's name",
          [](CopyRun& t) {
              t.settings.datePattern = "yy";  // the third copy's name whichever clip it is
              t.seam.flush = [&t](const std::string& path) { return path != t.out && Seam::scanning == 2 ? ENOSPC : 0; };
          },
          {"ERROR: Error 28\r\n" + text(ENOSPC) + "\r\nOUT/09_Rome_2.mpg\r\n2 of 5 files were done; 3 were not."},
          {2, 5, Outcome::Status::Failed, false}},
    Fault{"the target folder cannot be flushed: every copy keeps its name and none counts as copied",
          [](CopyRun& t) { t.seam.flush = [&t](const std::string& path) { return path == t.out ? EIO : 0; }; },
          {failedAfterName([] {
              Names lines;
              for (int i = 0; i < 5; ++i)
                  lines.push_back(copyOf(i) + " (the target folder could not be flushed to the disk: " + text(EIO) + ")");
              return lines;
          }())},
          {5, 5, Outcome::Status::Done, false}},
    Fault{"a close error after the name keeps that copy under its name but not as copied",
          [](CopyRun& t) {
              t.seam.closed = [](const std::string& target, bool named) {
                  return named && target.find(copyOf(3)) != std::string::npos ? EIO : 0;
              };
          },
          {failedAfterName({copyOf(3) + " (it could not be closed: " + text(EIO) + ")"}), offer(4)},
          {5, 5, Outcome::Status::Done, false}},
    Fault{"a modification time the file system resets at the rename is set again",
          [](CopyRun& t) { t.seam.committed = resetTime; },
          {offer(5)},
          {5, 5, Outcome::Status::Done, true},
          [](CopyRun& t) {
              for (int i = 0; i < 5; ++i)
                  EXPECT_EQ(CopyRun::stamps(t.out + "/" + copyOf(i)).first, (platform::FileTime{kClipTime + i, 250000000}));
          }},
    Fault{"a modification time reset that cannot be set again keeps the copy but not as copied",
          [](CopyRun& t) {
              t.seam.committed = resetTime;
              t.seam.timesAgain = [](const std::string& copy) {
                  return copy.find(copyOf(1)) != std::string::npos ? EROFS : 0;
              };
          },
          {failedAfterName(
               {copyOf(1) + " (its modification time changed and could not be set again: " + text(EROFS) + ")"}),
           offer(4)},
          {5, 5, Outcome::Status::Done, false}}};

INSTANTIATE_TEST_SUITE_P(Cases, CopyRunFault,
                         ::testing::Combine(::testing::ValuesIn(kFaults), ::testing::Bool()));

}  // namespace
}  // namespace kadrel
