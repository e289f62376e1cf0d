// The delete offer at the end of a copy run: a source leaves the card only when its copy is
// proven to hold it, read back from the disk, and its ".MOI" companions go with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/copy/copy_run.h"
#include "engine/outcome.h"
#include "engine/run_context.h"

namespace kadrel {

/// How a delete ended: done when every source went, failed when sources had to be kept (the
/// first of them and why in the outcome, all in kept and named in the notice).
struct DeleteOutcome {
    Outcome outcome;   ///< every source went, or the first kept and why
    int32_t kept = 0;  ///< sources left on the card
    Notices notices;
};

/// The first delete question about the sources a run offers.
std::string deleteQuestion(const std::vector<ProcessedFile>& files);

/// After the user said yes to both questions: deletes the sources result offers (deletable)
/// that deleteSources proves and counts what went into result; a notice names the ones kept. A
/// termination signal meanwhile stops it as Abort does.
void deleteOfferedSources(const RunContext& ctx, RunResult& result);

/// Flushes the target folder, then deletes each source whose copy is still the file the run
/// made, flushed and, but for the offsets the scan changed, equal to what the copy read (by its
/// digest, the source still the file read) or else to the source byte for byte, together with
/// its ".MOI" companions. Names the sources it kept in one notice.
DeleteOutcome deleteSources(const RunContext& ctx, const std::vector<ProcessedFile>& files,
                            const std::string& targetFolder);

}  // namespace kadrel
