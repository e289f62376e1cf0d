#include "engine/copy/run_summary.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include "platform/file_system.h"

namespace kadrel {
namespace {

/// The system's text for an error as a sentence of the summary quotes it: without its own full stop.
std::string said(int error) {
    std::string text = platform::systemErrorText(error);
    if (text.ends_with('.'))
        text.pop_back();
    return text;
}

// What each kind of run says it did, and what it left undone and why.
TEST(RunSummary, SaysWhatWasDoneWhereAndWhatWasNot) {
    const struct {
        std::function<void(RunResult&)> arrange;
        bool patchMode;
        std::string summary;
    } rows[] = {
        {[](RunResult& r) { r.found = r.done = 1; }, false, "1 file copied to /videos/."},
        {[](RunResult& r) {
             r.found = r.done = 3;
             r.markedWide = 2;
             r.leftFourThree = 1;
         },
         false, "3 files copied to /videos/: 2 marked 16:9, 1 left 4:3 as its .MOI says."},
        {[](RunResult& r) {
             r.found = r.done = r.markedWide = 2;
             r.deleteOffered = true;
             r.deleted = 1;
             r.keptByDelete = 1;
         },
         false, "2 files copied to /videos/: 2 marked 16:9; 1 original deleted, 1 kept."},
        {[](RunResult& r) {
             r.found = r.done = 4;
             r.markedWide = 2;
             r.leftFourThree = 2;
         },
         true, "4 files renamed and patched in /videos/: 2 marked 16:9, 2 left 4:3 as their .MOI files say."},
        {[](RunResult& r) {
             r.found = 3;
             r.done = 2;
             r.outcome.status = Outcome::Status::Cancelled;
             r.deleteOffered = true;
         },
         false, "2 files copied to /videos/; 0 originals deleted; 1 not done: the run was stopped."},
        {[](RunResult& r) {
             r.found = 5;
             r.done = 1;
             r.outcome = Outcome::failure(ENOSPC, "/videos/a\nb.mpg");
             r.failedAfterName.push_back(Outcome::failure(EIO, "/videos/c.mpg"));
             r.skipped = 2;
         },
         false,
         "1 file copied to /videos/; 4 not done: " + said(ENOSPC) +
             " (/videos/a?b.mpg); 1 could not be finished after taking a name; 2 files or folders skipped."},
        {[](RunResult& r) { r.outcome = Outcome::failure(ENOMEM, ""); }, false,
         "0 files copied to /videos/; not done: " + said(ENOMEM) + "."},
    };
    for (const auto& row : rows) {
        RunResult result;
        row.arrange(result);
        EXPECT_EQ(runSummary(result, "/videos/", row.patchMode), row.summary);
    }
}

}  // namespace
}  // namespace kadrel
