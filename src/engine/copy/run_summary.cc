#include "engine/copy/run_summary.h"

#include "engine/notice.h"

namespace kadrel {

namespace {

std::string counted(int32_t n, const std::string& one, const std::string& many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string wideScreenPart(const RunResult& r) {
    if (r.markedWide == 0 && r.leftFourThree == 0)
        return "";
    std::string part = ": " + std::to_string(r.markedWide) + " marked 16:9";
    if (r.leftFourThree > 0)
        part += ", " + std::to_string(r.leftFourThree) + " left 4:3 as " +
                (r.leftFourThree == 1 ? "its .MOI says" : "their .MOI files say");
    return part;
}

std::string deletePart(const RunResult& r) {
    if (!r.deleteOffered)
        return "";
    std::string part = "; " + counted(r.deleted, "original", "originals") + " deleted";
    if (r.keptByDelete > 0)
        part += ", " + std::to_string(r.keptByDelete) + " kept";
    return part;
}

/// Why files were not done: how the run ended, then the copies that failed after their names.
std::string reasons(const RunResult& r) {
    std::string why;
    if (r.outcome.cancelled())
        why = "the run was stopped";
    else if (r.outcome.failed())
        why = r.outcome.description() +
              (r.outcome.file.empty() ? "" : " (" + displayPath(r.outcome.file) + ")");
    if (!r.failedAfterName.empty())
        why += (why.empty() ? "" : "; ") + std::to_string(r.failedAfterName.size()) +
               " could not be finished after taking a name";
    return why;
}

std::string notDonePart(const RunResult& r) {
    std::string part;
    const int32_t left = r.found - r.done;
    const std::string why = reasons(r);
    if (left > 0)
        part += "; " + std::to_string(left) + " not done" + (why.empty() ? "" : ": " + why);
    else if (!why.empty())  // a failure before any file was taken up
        part += "; not done: " + why;
    if (r.skipped > 0)
        part += "; " + counted(r.skipped, "file or folder", "files or folders") + " skipped";
    return part;
}

}  // namespace

std::string runSummary(const RunResult& result, const std::string& folder, bool patchMode) {
    return counted(result.done, "file", "files") + (patchMode ? " renamed and patched in " : " copied to ") +
           displayPath(folder) + wideScreenPart(result) + deletePart(result) + notDonePart(result) + ".";
}

}  // namespace kadrel
