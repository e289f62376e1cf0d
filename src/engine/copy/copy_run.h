// The copy run: every file of a run gets its new name, is copied into the target folder (or,
// in patch mode, renamed in place), has its 16:9 flag set or reset and its times carried
// over; at the end the run names the sources it may offer to delete.
//
// Choices this run makes for its users' files:
// - A final name only ever holds a finished copy: the copy (exactly the source's size at open,
//   the source unchanged meanwhile), its 16:9 scan and its times are done on a temporary file
//   that is flushed to the disk and takes the name last. A copy that fails before is discarded
//   and ends the run with an error that names the file.
// - After the last rename the target folder is flushed once. A copy that fails after it took
//   its name (that flush, its modification time reset by the file system and not set again)
//   stays under its name, is named in one message, is never offered for a delete and leaves
//   the run incomplete.
// - Files are told apart by device and inode, not by spelling: no name the run composes may
//   replace one of its sources or a file it made, whatever way the target was written.
// - Overwrite takes the first of base, base_1, base_2 ... that the run has not reserved, so
//   running the same import twice gives the same names and adds no file.
// - With use_moi, a clip whose ".MOI" companion reads is named by the recording time in it, and
//   /W leaves a clip the camera recorded 4:3 as it is (copied unchanged, or renamed unpatched).
// - Only regular files are read; FIFOs, devices, sockets and dangling links, unreadable
//   folders and (in patch mode) symbolic links are named in one message and left alone.
// - Unexpected failures (an exception out of a service) end the run with the error "Error " +
//   number + CR LF + description and no delete offer.
// - The run never talks to the user: it calls the progress routine of its context, stops at the
//   cancel flags, and returns what the user must be told; the front end shows it and asks the
//   delete questions, then calls deleteOfferedSources.
// - A termination signal acts as Abort: the file in progress is discarded (a patched original
//   keeps its times), nothing is deleted, and the caller ends the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/notice.h"
#include "engine/outcome.h"
#include "engine/run_context.h"
#include "platform/copy_proof.h"
#include "platform/file_copy.h"

namespace kadrel {

/// Follows a run's progress. Window mode does not need it (it sees the progress text through
/// its context's progress routine); the terminal hooks it to show file i of n, the percentage and the
/// throughput while the context's progress is switched off. Called on the run's own thread.
class CopyObserver {
  public:
    virtual ~CopyObserver() = default;
    /// A file begins: index counts from 0 to count - 1.
    virtual void onFile(int32_t index, int32_t count, const std::string& source) {
        (void)index, (void)count, (void)source;
    }
    /// The copy of the current file has done bytes of total (not called for patch mode).
    virtual void onBytes(int64_t done, int64_t total) { (void)done, (void)total; }
};

/// Optional parts of a run; the program leaves them empty except the observer.
struct CopyRunExtras {
    CopyObserver* observer = nullptr;
    platform::FileFaults* faults = nullptr;  ///< file-system seam for tests
    size_t sliceBytes = 0;                   ///< bytes between progress calls; 0 the default
    /// With /W, scan each copy on a second thread while the next one copies; off, the run does
    /// one thing after the other (the order the overlapped run must match).
    bool overlapScans = true;
    /// Stop before the first write when the files to copy exceed the target's free space, and
    /// say so in RunResult::room; the front end may ask the user and run again without it.
    bool stopWhenShortOfRoom = false;
};

/// One source and the file the run made of it, as they were when the copy took its name.
struct ProcessedFile {
    std::string source;
    std::string copy;
    platform::FileId sourceId;
    platform::FileId copyId;
    platform::ChangedBytes changed;  ///< what the 16:9 scan wrote
    /// The digest of what was read from the source, when the run took one; the proof before a
    /// delete then reads the copy back but never the source.
    std::optional<platform::Digest> read;
    platform::Digest digest;  ///< of the copy as it took its name, when read is set
};

/// The files to copy did not fit the target's free space: nothing was written.
struct RoomShortage {
    int64_t bytes = 0;      ///< the files to copy
    int64_t available = 0;  ///< free for this user on the target's file system
};

/// How a run ended (a failure names the file and the error that stopped it), what it did, for
/// the exit status and the closing words, and what the user must be told. A search that finds
/// nothing is done: it says so in its notice, and nothing is left undone.
struct RunResult {
    Outcome outcome;             ///< how the run ended
    int32_t found = 0;           ///< files the run took up
    int32_t done = 0;            ///< files whose every step finished
    int32_t markedWide = 0;      ///< of those, files /W marked 16:9
    int32_t leftFourThree = 0;   ///< files /W left 4:3 because their companion says 4:3
    bool deleteOffered = false;  ///< the delete offer came (deletefiles=1, files copied)
    int32_t deleted = 0;         ///< sources the delete offer removed
    int32_t skipped = 0;         ///< files and folders named in the skip message
    int32_t keptByDelete = 0;    ///< sources the delete offer had to keep
    int signal = 0;              ///< the termination signal that stopped the run, 0 none
    /// Copies that took their names but failed after (their time, their close, the flush of
    /// their folder): each names the copy and says why.
    std::vector<Outcome> failedAfterName;
    Outcome manifest;  ///< the manifest's rewrite: a failure names the manifest
    Notices notices;   ///< for the front end to show, in this order, before the delete questions
    /// When deleteOffered: the copies whose sources the front end may offer to delete (ask,
    /// then deleteOfferedSources), and the folder they are in.
    std::vector<ProcessedFile> deletable;
    std::string deleteFolder;
    std::optional<RoomShortage> room;  ///< set when stopWhenShortOfRoom stopped the run
    /// True when every file found went through every step.
    bool complete() const {
        return outcome.ok() && skipped == 0 && keptByDelete == 0 && failedAfterName.empty() && manifest.ok();
    }
};

/// Runs over every file "*." + searchext under sourceFolder and its subfolders. An empty
/// target is patch mode. showProgress drives the context's progress text and percentage.
RunResult copyAllFound(const RunContext& ctx, const std::string& sourceFolder, const std::string& target,
                       bool setWideScreen, bool showProgress, const CopyRunExtras& extras = {});

/// Runs over the files of list. targetIsDir false: target is a command-line target file path
/// without its extension.
RunResult copyFileList(const RunContext& ctx, std::vector<std::string> list, const std::string& target,
                       bool setWideScreen, bool showProgress, bool targetIsDir,
                       const CopyRunExtras& extras = {});

}  // namespace kadrel
