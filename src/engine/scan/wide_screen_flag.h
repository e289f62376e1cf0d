// Marks an MPEG-2 program-stream file 16:9 in place (`setWideScreenFlag`) or back 4:3
// (`resetWideScreenFlag`), editing only the bytes of sequence headers, sequence display extensions
// and RDI-PCK packets; the file keeps its length. Every edit is planned by reading the file before
// the first byte is written, so a caller can keep the original bytes before anything changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/outcome.h"
#include "engine/run_context.h"
#include "platform/content_digest.h"
#include "platform/file_faults.h"

namespace kadrel {

/// How a scan went (a failure names the file and the error that stopped it) and every offset
/// it wrote, sorted.
struct ScanOutcome {
    Outcome outcome;
    std::vector<int64_t> changed;
    std::vector<uint8_t> original;  ///< what each byte in changed held before, in its order
    /// With ScanOptions::digest, the file's digest after the scan, when the scan could take it
    /// while reading; unset, the caller reads the file once more for it.
    std::optional<platform::Digest> digest;
};

/// True for the extensions of the MPEG-2 program streams these scans edit: MPG and MOD, in any
/// case. Only for them does a run set or reset the 16:9 flag or a browser grab frames.
bool isStreamExtension(std::string_view ext);

/// How a scan opens its file.
struct ScanOptions {
    bool noFollow = false;                   ///< refuse a symbolic link (originals in place)
    platform::FileFaults* faults = nullptr;  ///< fault seam for tests
    bool flush = false;                      ///< flush written data to the device before closing
    bool digest = false;                     ///< take the digest of the file as the scan leaves it
};

/// One edit a scan makes: the bytes at offset, what they hold now and what they get.
struct StreamEdit {
    int64_t offset = 0;
    std::vector<uint8_t> before;
    std::vector<uint8_t> after;
};

/// Every edit a scan would make, sorted by offset and not overlapping; nothing was written.
struct ScanPlan {
    Outcome outcome;
    std::vector<StreamEdit> edits;
    std::optional<platform::Digest> digest;  ///< of the file with the edits in, when asked and taken
};

enum class FlagChange { Set, Reset };

/// Reads the file only and lists the edits that setting (16:9) or resetting (4:3) makes.
ScanPlan planWideScreenEdits(const std::string& path, FlagChange change, const RunContext& ctx,
                             const ScanOptions& options = {});

/// Writes the edits in order. The first failed write stops all writes to the file; a write,
/// flush or close error fails the outcome, which names the file. changed lists the offsets
/// written. With options.flush the data is flushed (fsync) before the file is closed.
ScanOutcome applyStreamEdits(const std::string& path, const std::vector<StreamEdit>& edits,
                             const ScanOptions& options = {});

/// Sets aspect ratio 16:9 in every sequence header, and according to modify_sde and
/// modify_rdi-pck in the extensions and RDI-PCK packets: plans, then applies the edits. A file
/// that cannot be opened for writing, or whose reading fails, is left alone and its failure
/// returned. The file's times are the caller's to keep:
/// a copy takes its source's, an original its own saved ones.
ScanOutcome setWideScreenFlag(const std::string& path, const RunContext& ctx,
                              const ScanOptions& options = {});

/// Sets aspect ratio 4:3 in every 16:9 sequence header and RDI-PCK packet; keeps the
/// file's times. A file that cannot be opened for writing is left alone, its failure returned.
ScanOutcome resetWideScreenFlag(const std::string& path, const RunContext& ctx,
                                const ScanOptions& options = {});

}  // namespace kadrel
