// The copy run: every file of a run gets its new name, is copied into the target folder (or,
// in patch mode, renamed in place), has its 16:9 flag set or reset and its times carried
// over; at the end the run offers to delete the sources it copied.
//
// Choices this run makes for its users' files:
// - Unexpected failures (an exception out of a service, such as an allocation failure or a
//   file-system error) end either run, copyAllFound as well as copyFileList, with the box
//   "Error " + number + CR LF + description under "ERROR" and no delete offer. The number is
//   the system error number when there is one, else 0.
// - A name taken between composing it and the copy's completion is never replaced (unless
//   overwrite is on): the name is composed again and the copy retried.
// - Overwrite never replaces a file the same run made or has still to process: such a name
//   gets a running number, so two clips of one second cannot end up as one file.
// - The delete offer deletes a source only when its copy is a different file, flushed to
//   disk and of the source's size; other sources are kept and named in one message. After a
//   copy error or a cancel nothing is offered.
// - A ".MOI" companion that cannot be deleted stays silently; it holds no recording.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/runcontrol.h"
#include "platform/filecopy.h"

namespace kadrel {

/// Follows a run's progress. Window mode does not need it (it sees the progress text through
/// the UI seam); the terminal hooks it to show file i of n, the percentage and the throughput
/// while the seam's progress is switched off. Called on the run's own thread.
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
    platform::CopyFaults* faults = nullptr;  ///< fault seam for tests
    size_t sliceBytes = 0;                   ///< bytes between progress calls; 0 the default
};

/// One source and the file the run made of it.
struct ProcessedFile {
    std::string source;
    std::string copy;
};

/// The progress routine of every copy: lets the user's pending events (an Abort) run.
/// Returns 0, go on; the cancel flag copycancel does the cancelling.
int CopyProgress(UiSeam& ui);

/// Runs over every file "*." + searchext under sourceFolder and its subfolders. An empty
/// target is patch mode. showProgress drives the seam's progress text and percentage.
void copyAllFound(const RunContext& ctx, const std::string& sourceFolder, const std::string& target, bool setws,
                  bool showProgress, const CopyRunExtras& extras = {});

/// Runs over the first count entries of files. targetIsDir false: target is a command-line
/// target file path without its extension.
void copyFileList(const RunContext& ctx, int32_t count, const std::vector<std::string>& files,
                  const std::string& target, bool setws, bool showProgress, bool targetIsDir,
                  const CopyRunExtras& extras = {});

/// Deletes the sources whose copies are safely on disk, each with its ".MOI" companion, and
/// names the sources it kept.
void deleteSources(const RunContext& ctx, const std::vector<ProcessedFile>& files);

}  // namespace kadrel
