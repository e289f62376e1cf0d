#include "engine/copy/copy_finisher.h"

#include <utility>

#include "engine/copy/file_times.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/file_system.h"

namespace kadrel {

namespace {

/// The digest of the copy as it ends up: what was read, or, where the scan wrote, what the scan
/// took as it read; only when it could not, one more pass over the copy while its pages are
/// still in the cache.
Outcome takeCopyDigest(Finishing& f, const std::optional<platform::Digest>& scanned) {
    if (f.changed.offsets.empty()) {
        f.digest = *f.read;
        return Outcome::done();
    }
    if (scanned) {
        f.digest = *scanned;
        return Outcome::done();
    }
    return Outcome::fromError(platform::digestOfFile(f.staged.temporary(), f.digest), f.source);
}

}  // namespace

/// The second thread's own context: a snapshot of the settings, its own flags and a log that
/// collects.
struct CopyFinisher::Worker {
    explicit Worker(const Settings& s) : settings(s) {
        if (settings.debugMode)
            log.collectLines();
    }
    Settings settings;
    RunControl control;
    DebugLog log;
    RunContext ctx{settings, control, log};
};

CopyFinisher::CopyFinisher(const RunContext& ctx, FinishRules rules)
    : ctx_(ctx), rules_(rules), worker_(std::make_unique<Worker>(ctx.settings)) {}

void logFileLines(const RunContext& ctx, const std::string& source, const std::string& target,
                  bool withWideScreen, bool setWideScreen) {
    ctx.debug("source file:" + source);
    ctx.debug("target file:" + target);
    if (withWideScreen)
        ctx.debug(std::string("setws=") + (setWideScreen ? "True" : "False"));
}

CopyFinisher::~CopyFinisher() {
    if (pending())
        result_.wait();
}

void CopyFinisher::finish(const RunContext& ctx, Finishing& f) const {
    logFileLines(ctx, f.source, f.name, rules_.logsWideScreenChoice, rules_.setWideScreen);
    for (const std::string& note : f.notes)
        ctx.debug(note);
    const std::string& temporary = f.staged.temporary();
    if (f.scan && rules_.faults)
        f.outcome = Outcome::fromError(rules_.faults->beforeScan(f.source), f.source);
    std::optional<platform::Digest> scanned;
    if (f.scan && f.outcome.ok()) {
        ScanOutcome scan =
            setWideScreenFlag(temporary, ctx, {false, rules_.faults, false, f.read.has_value()});
        f.outcome = scan.outcome;
        f.changed = {std::move(scan.changed), std::move(scan.original)};
        scanned = scan.digest;
    }
    if (f.outcome.ok() && f.read)
        f.outcome = takeCopyDigest(f, scanned);
    if (f.outcome.ok())
        f.outcome = copyFileTimes(f.source, temporary, &f.times);
    if (f.outcome.ok())
        f.outcome = Outcome::fromError(f.staged.commit(f.name, rules_.replace), f.source);
    // The temporary copy means nothing to the user; a target that is full only when the copy is
    // flushed or scanned is named by the copy's name, as one full during the copy is.
    if (f.outcome.failed())
        f.outcome.file = Outcome::isTargetSide(f.outcome.error) ? f.name : f.source;
}

Outcome settleNamedCopy(Finishing& f, platform::FileFaults* faults) {
    if (const int e = f.staged.release())
        return Outcome::failure(e, f.name, "it could not be closed: " + platform::systemErrorText(e));
    // A file that replaced the copy since is not the run's to change; the delete's proof keeps
    // its source.
    if (!platform::fileId(f.name).sameFile(f.staged.ids().copy))
        return Outcome::done();
    return keepFileTimes(f.name, f.times, faults);
}

void CopyFinisher::finishHere(Finishing& f) {
    finish(ctx_, f);
}

void CopyFinisher::start(Finishing f) {
    result_ = std::async(std::launch::async, [this, f = std::move(f)]() mutable {
        finish(worker_->ctx, f);
        f.lines = worker_->log.takeCollected();
        return std::move(f);
    });
}

Finishing CopyFinisher::collect() {
    return result_.get();
}

}  // namespace kadrel
