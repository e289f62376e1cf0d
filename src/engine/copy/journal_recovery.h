// The first thing every run does in the folders it covers: originals that a killed patch-mode
// run left half done are put back as they were, from their journals, before anything else
// looks at them.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/notice.h"
#include "engine/run_context.h"
#include "platform/file_faults.h"

namespace kadrel {

/// What the journals a run met came to.
struct JournalRecovery {
    int32_t restored = 0;  ///< originals put back
    int32_t kept = 0;      ///< journals that had to stay: the run is not complete
    /// Files the run must not take up: a patched file that could not be put back.
    std::set<std::string> leaveAlone;
    /// Where each original put back was under patch mode, and where it is again.
    std::vector<std::pair<std::string, std::string>> moves;
    Notices notices;  ///< what was put back and what was kept, for the run to pass on

    /// Takes the files left alone out of files and gives moved ones their names again.
    void apply(std::vector<std::string>& files) const;
};

/// Puts back the original of every journal in journals, says so in one notice and the log,
/// and names in one notice the journals it had to keep and why.
JournalRecovery recoverPatchedFiles(const RunContext& ctx, const std::vector<std::string>& journals,
                                    platform::FileFaults* faults);

/// The journals in the folders of files (a given list: each folder once, no subfolders).
std::vector<std::string> journalsBeside(const std::vector<std::string>& files);

}  // namespace kadrel
