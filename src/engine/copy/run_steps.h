// The steps one file of a copy run goes through: its new name, the copy or the rename, the
// 16:9 scan and its times. The run's loop, its report and its entry points are in copy_run.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/copy/copy_finisher.h"
#include "engine/copy/copy_run.h"
#include "engine/copy/date_time_names.h"
#include "engine/outcome.h"
#include "engine/run_context.h"

namespace kadrel {

/// Which file a name stands for: device and inode.
using Identity = std::pair<uint64_t, uint64_t>;

Identity identityOf(const platform::FileId& id);

/// One run: its files, where they go and what it has done so far.
struct Run {
    Run(const RunContext& c, std::vector<std::string> f, const CopyRunExtras& e)
        : ctx(c), files(std::move(f)), extras(e), runNames(files.begin(), files.end()) {}

    const RunContext& ctx;
    std::vector<std::string> files;
    const CopyRunExtras& extras;
    std::string target;
    bool setWideScreen = false;
    bool showProgress = false;
    bool targetIsDir = true;
    bool logsWideScreenChoice = false;
    std::vector<ProcessedFile> processed;
    std::set<Identity> reserved;  ///< the sources and every copy made, by identity
    /// The sources and every copy made, by name: a file system may give each spelling of one
    /// file its own inode number, so identity alone cannot tell a case variant.
    NameSet runNames;
    size_t copiesNamed = 0;  ///< how many of processed are in runNames
    NameSet pendingNames;    ///< names given to copies that have not taken them yet
    FolderEntries folders;   ///< the target folders' entries, listed once
    CopyFinisher* finisher = nullptr;
    bool overlap = false;   ///< scans run on the second thread
    bool digest = false;    ///< copies pass through memory and take the digest of what they read
    bool manifest = false;  ///< the copies get their lines in the target's kadrel.xxh128
    std::map<std::string, long> nextNumber;
    std::vector<int64_t> sizes;
    int64_t totalBytes = 0;
    int64_t bytesBefore = 0;  ///< bytes of the files before the current one
    RunResult result;

    int32_t count() const { return static_cast<int32_t>(files.size()); }
};

/// The run sets or resets the 16:9 flag of the files it takes up.
bool streamFlagApplies(const Run& r);

/// Counts a finished file in the summary's 16:9 figures: marked when flagged, else left 4:3
/// by its companion; only when /W asks for the mark.
void countWideScreen(Run& r, bool flagged);

/// Where the run's names go and which it may take.
NameTarget nameTarget(Run& r);

/// Takes file i through every step; a failure or a cancel stops the run.
Outcome processFile(Run& r, int32_t i);

/// Completes the file still finishing on the second thread when the loop has ended.
Outcome settlePending(Run& r);

}  // namespace kadrel
