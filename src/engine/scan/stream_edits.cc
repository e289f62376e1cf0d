#include "engine/scan/stream_edits.h"

namespace kadrel {

std::vector<StreamEdit> editsOfPlannedBytes(const std::map<int64_t, StreamFile::PlannedByte>& planned) {
    std::vector<StreamEdit> edits;
    int64_t next = -1;  // the offset that would extend the last edit
    for (const auto& [offset, byte] : planned) {
        if (offset != next)
            edits.push_back({offset, {}, {}});
        edits.back().before.push_back(byte.before);
        edits.back().after.push_back(byte.after);
        next = offset + 1;
    }
    return edits;
}

ScanOutcome writeEditsAndClose(platform::RandomAccessFile& file, const std::string& path,
                               const std::vector<StreamEdit>& edits, bool flush) {
    ScanOutcome outcome;
    int error = 0;
    for (const StreamEdit& edit : edits) {
        const int64_t size = static_cast<int64_t>(edit.after.size());
        // Whatever follows a failed write (a full disk, a pulled card) would fail or land in a
        // file that is already broken: nothing more is written.
        if ((error = file.writeAt(edit.after.data(), edit.after.size(), edit.offset)) != 0)
            break;
        for (int64_t i = 0; i < size; ++i)
            outcome.changed.push_back(edit.offset + i);
        outcome.original.insert(outcome.original.end(), edit.before.begin(), edit.before.end());
    }
    if (flush && error == 0)
        error = file.flush();
    const int closed = file.close();
    outcome.outcome = Outcome::fromError(error ? error : closed, path);
    return outcome;
}

}  // namespace kadrel
