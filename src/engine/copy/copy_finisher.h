// The last steps of a copy, done on its temporary file before it takes its name: the 16:9
// scan, the times, the flush to the disk, then the name. With /W they run on a second thread
// while the next file copies, so the scan's reading of every byte costs no time of its own.
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/outcome.h"
#include "engine/run_context.h"
#include "platform/copy_proof.h"
#include "platform/file_copy.h"
#include "platform/file_io.h"

namespace kadrel {

/// One staged copy on its way to its name, and what happened to it.
struct Finishing {
    int32_t index = 0;
    std::string source;
    std::string name;
    platform::StagedCopy staged;
    bool scan = false;  ///< set the 16:9 flag of this copy; decided before the finishing starts
    std::optional<platform::CalendarTime> nameTime;  ///< names the copy in place of its file time
    std::vector<std::string> notes;                  ///< debug lines on the choices made for it
    platform::ChangedBytes changed;                  ///< what the scan wrote
    std::optional<platform::Digest> read;            ///< of what was read, when the run takes one
    platform::Digest digest;                         ///< of the copy as it took its name
    std::string lines;                               ///< debug lines, CR LF ended, when they were collected
    platform::FileTimes times;                       ///< the times the copy was given
    Outcome outcome;                                 ///< of the scan, the times or the name
};

/// The steps after a copy took its name: its lock let go and its modification time read back
/// (and set again when the file system changed it at the rename). A failure names the copy,
/// which keeps its name.
Outcome settleNamedCopy(Finishing& f, platform::FileFaults* faults);

/// What every finishing of one run does alike.
struct FinishRules {
    bool scan = false;                  ///< the run marks copies 16:9 (each Finishing says whether its copy)
    bool logsWideScreenChoice = false;  ///< logs the setws line
    bool setWideScreen = false;
    bool replace = false;  ///< the name may replace a file (overwrite)
    platform::FileFaults* faults = nullptr;
};

/// The debug log's lines for one file of a run: its source, its new name and, on a run over a
/// list, whether it is marked 16:9.
void logFileLines(const RunContext& ctx, const std::string& source, const std::string& target,
                  bool withWideScreen, bool setWideScreen);

/// Finishes staged copies, one at a time, here or on its own thread. The thread never touches
/// the UI, the settings or the log of the run: it works with copies and collects its lines.
class CopyFinisher {
  public:
    CopyFinisher(const RunContext& ctx, FinishRules rules);
    ~CopyFinisher();

    /// Finishes f on this thread, writing its log lines directly.
    void finishHere(Finishing& f);
    /// Starts finishing f on the second thread; the previous one must have been collected.
    void start(Finishing f);
    /// True while a started finishing has not been collected.
    bool pending() const { return result_.valid(); }
    /// Waits for the started finishing and hands it back.
    Finishing collect();

  private:
    struct Worker;
    void finish(const RunContext& ctx, Finishing& f) const;

    const RunContext& ctx_;
    FinishRules rules_;
    std::unique_ptr<Worker> worker_;
    std::future<Finishing> result_;
};

}  // namespace kadrel
