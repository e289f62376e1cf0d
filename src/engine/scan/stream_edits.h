// The write half of a scan: the planned bytes as sorted, disjoint edits, and the edits written
// to the open file with every error of the write, the flush and the close reported.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/scan/stream_file.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/file_io.h"

namespace kadrel {

/// The planned bytes as edits: each run of neighbouring offsets becomes one edit.
std::vector<StreamEdit> editsOfPlannedBytes(const std::map<int64_t, StreamFile::PlannedByte>& planned);

/// Writes the edits into file (open for writing) in order, stops at the first failed write,
/// flushes when asked, and closes the file; the outcome names path on any error.
ScanOutcome writeEditsAndClose(platform::RandomAccessFile& file, const std::string& path,
                               const std::vector<StreamEdit>& edits, bool flush);

}  // namespace kadrel
