#include "copyengine/copyrun.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <set>
#include <system_error>

#include "copyengine/FileAPI.h"
#include "copyengine/FiletimeAPI.h"
#include "copyengine/datetimenames.h"
#include "copyengine/filesearch.h"
#include "mpeg2patch/mpeg2patch.h"
#include "platform/filesys.h"

namespace kadrel {

namespace {

/// How often a name taken at the last moment is composed again before the run gives up.
constexpr int kNameAttempts = 3;

/// One run: its files, where they go and what it has done so far.
struct Run {
    const RunContext& ctx;
    const std::vector<std::string>& files;
    int32_t count;
    std::string target;
    bool setws;
    bool showProgress;
    bool targetIsDir;
    bool listRun;
    const CopyRunExtras& extras;
    std::vector<ProcessedFile> processed;
    std::set<std::string> reserved;
};

/// One file on its way through the steps.
struct FileStep {
    std::string source;
    std::string newName;
    filetimes saved;
};

void showError(UiSeam& ui, const std::string& text) {
    ui.showMessage(text, "ERROR", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
}

std::string errorText(int number, const std::string& description) {
    return "Error " + std::to_string(number) + "\r\n" + description;
}

/// A failed copy or move; a cancel by the user is silent.
void reportCopyError(const RunContext& ctx, int code) {
    if (code == platform::kCopyCancelled) return;
    showError(ctx.ui, errorText(code, platform::systemErrorText(code)));
}

bool isStreamExtension(const std::string& ext) {
    return equalsNoCase(ext, "MPG") || equalsNoCase(ext, "MOD");
}

NameTarget nameTarget(const Run& r) {
    NameTarget where;
    where.target = r.target;
    where.targetIsDir = r.targetIsDir;
    // A list run in patch mode never replaces a taken name.
    where.overwrite = r.ctx.settings.overwrite && !(r.listRun && r.target.empty());
    where.reserved = [&r](const std::string& name) { return r.reserved.count(name) > 0; };
    return where;
}

platform::CopyOptions copyOptions(const Run& r, bool replace) {
    platform::CopyOptions o;
    o.replaceExisting = replace;
    o.cancel = &r.ctx.control.copycancel;
    o.faults = r.extras.faults;
    o.sliceBytes = r.extras.sliceBytes;
    CopyObserver* observer = r.extras.observer;
    UiSeam* ui = &r.ctx.ui;
    o.progress = [ui, observer](int64_t done, int64_t total) {
        CopyProgress(*ui);
        if (observer) observer->onBytes(done, total);
    };
    return o;
}

/// Copy mode: the new name, the copy itself, and a writable result.
int copyStep(Run& r, FileStep& step) {
    const NameTarget where = nameTarget(r);
    const platform::CopyOptions options = copyOptions(r, where.overwrite);
    int e = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && e == EEXIST; ++attempt) {
        step.newName = buildTargetName(step.source, r.ctx.settings, where);
        r.ctx.ui.processEvents();
        e = platform::copyFile(step.source, step.newName, options);
    }
    if (e != 0) return e;
    clearAttributes(step.newName, platform::kAttrReadOnly);
    return 0;
}

/// Patch mode: times saved, then the original renamed in its folder unless its name stays.
int patchStep(Run& r, FileStep& step) {
    step.saved = saveFileTimes(step.source);
    const NameTarget where = nameTarget(r);
    const platform::CopyOptions options = copyOptions(r, where.overwrite);
    int e = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && e == EEXIST; ++attempt) {
        step.newName = buildTargetName(step.source, r.ctx.settings, where);
        if (step.newName == step.source) return 0;
        e = platform::moveFile(step.source, step.newName, options);
    }
    return e;
}

/// Sets the 16:9 flag, or in patch mode resets it, for the stream extensions.
void applyStreamFlag(const Run& r, const std::string& file) {
    if (!isStreamExtension(r.ctx.settings.searchext)) return;
    if (r.setws) {
        clearAttributes(file, platform::kAttrReadOnly);
        setwsflag(file, false, r.ctx);
    } else if (r.target.empty()) {
        clearAttributes(file, platform::kAttrReadOnly);
        resetwsflag(file, r.ctx);
    }
}

void showFileProgress(const Run& r, int32_t i) {
    if (r.showProgress) {
        r.ctx.ui.showProgress("processing File " + std::to_string(i + 1) + " of " + std::to_string(r.count),
                              static_cast<int>((int64_t{i} + 1) * 100 / r.count));
    }
    if (r.extras.observer) r.extras.observer->onFile(i, r.count, r.files[i]);
}

void writeDebugLines(const Run& r, const FileStep& step) {
    r.ctx.debug("source file:" + step.source);
    r.ctx.debug("target file:" + step.newName);
    if (r.listRun) r.ctx.debug(std::string("setws=") + (r.setws ? "True" : "False"));
}

/// All steps of one file. Returns 0 or the error number of a failed copy or move.
int processFile(Run& r, int32_t i) {
    showFileProgress(r, i);
    FileStep step{r.files[i], "", {}};
    const int e = r.target.empty() ? patchStep(r, step) : copyStep(r, step);
    if (e != 0) return e;
    writeDebugLines(r, step);
    applyStreamFlag(r, step.newName);
    if (r.target.empty())
        restoreFileTimes(step.newName, step.saved);
    else
        copyFileTimes(step.source, step.newName);
    r.processed.push_back({step.source, step.newName});
    r.reserved.insert(step.newName);
    return 0;
}

bool ask(UiSeam& ui, const std::string& text, const std::string& title) {
    return ui.showMessage(text, title, MsgIcon::Critical, MsgButtons::OkCancel, MsgResult::Cancel) ==
           MsgResult::Ok;
}

void offerDelete(const Run& r) {
    if (!r.ctx.settings.deletefiles || r.target.empty()) return;
    if (!ask(r.ctx.ui, "Delete the processed files from source directory?", "Delete files?")) return;
    if (!ask(r.ctx.ui, "Are you sure?", "Confirm")) return;
    deleteSources(r.ctx, r.processed);
}

/// The loop and the end of a run.
void runFiles(Run& r) {
    for (const std::string& f : r.files) r.reserved.insert(f);
    for (int32_t i = 0; i < r.count; ++i) {
        if (!r.ctx.control.running) break;
        if (const int e = processFile(r, i)) {
            reportCopyError(r.ctx, e);
            return;
        }
    }
    offerDelete(r);
}

/// Ends a run that an unexpected failure stopped with the failure's box; nothing escapes.
template <typename Body>
void guarded(const RunContext& ctx, Body body) {
    try {
        body();
    } catch (const std::system_error& e) {
        showError(ctx.ui, errorText(e.code().value(), e.code().message()));
    } catch (const std::bad_alloc&) {
        showError(ctx.ui, errorText(ENOMEM, platform::systemErrorText(ENOMEM)));
    } catch (const std::exception& e) {
        showError(ctx.ui, errorText(0, e.what()));
    } catch (...) {
        showError(ctx.ui, errorText(0, "Unknown failure"));
    }
}

/// The copy is a different file, on the disk, and as long as its source.
bool copyIsSafe(const ProcessedFile& f) {
    if (platform::isSameFile(f.source, f.copy)) return false;
    if (platform::flushFile(f.copy) != 0) return false;
    const int64_t size = platform::fileSize(f.source);
    return size >= 0 && platform::fileSize(f.copy) == size;
}

/// The ".MOI" beside a ".MOD": first in the case the clip's extension is written in.
std::vector<std::string> companionsOf(const std::string& source) {
    if (source.size() < 4 || !equalsNoCase(source.substr(source.size() - 4), ".MOD")) return {};
    const std::string stem = source.substr(0, source.size() - 4);
    const char i = source.back() == 'd' ? 'i' : 'I';
    std::string sameCase = source.substr(0, source.size() - 1) + i;
    if (sameCase == stem + ".MOI") return {sameCase};
    return {sameCase, stem + ".MOI"};
}

void deleteCompanions(const std::string& source) {
    for (const std::string& companion : companionsOf(source))
        if (fileExists(companion)) platform::removeFile(companion);
}

/// Deletes one source; false (with the error shown) when it cannot be deleted.
bool deleteSource(const RunContext& ctx, const std::string& source) {
    clearAttributes(source, platform::kAttrReadOnly);
    int error = 0;
    if (platform::removeFile(source, &error)) return true;
    showError(ctx.ui, errorText(error, platform::systemErrorText(error)) + "\r\n" + source);
    return false;
}

}  // namespace

int CopyProgress(UiSeam& ui) {
    ui.processEvents();
    return 0;
}

void copyAllFound(const RunContext& ctx, const std::string& sourceFolder, const std::string& target, bool setws,
                  bool showProgress, const CopyRunExtras& extras) {
    guarded(ctx, [&] {
        SearchState search;
        std::vector<std::string> files;
        const int32_t count = searchFiles(search, addBackslash(sourceFolder), ctx.settings.searchext, files,
                                          ctx.control.abortrequested, ctx.ui);
        if (count <= 0) {
            showError(ctx.ui, "No files with extension *." + ctx.settings.searchext +
                                  " were found in the specified source directory and all its subfolders!");
            return;
        }
        files.resize(static_cast<size_t>(count));
        Run r{ctx, files, count, target, setws, showProgress, true, false, extras, {}, {}};
        runFiles(r);
    });
}

void copyFileList(const RunContext& ctx, int32_t count, const std::vector<std::string>& files,
                  const std::string& target, bool setws, bool showProgress, bool targetIsDir,
                  const CopyRunExtras& extras) {
    guarded(ctx, [&] {
        const std::vector<std::string> list(files.begin(),
                                            files.begin() + std::clamp<int64_t>(count, 0, files.size()));
        Run r{ctx, list, static_cast<int32_t>(list.size()), target, setws, showProgress, targetIsDir, true,
              extras, {}, {}};
        runFiles(r);
    });
}

void deleteSources(const RunContext& ctx, const std::vector<ProcessedFile>& files) {
    std::string kept;
    for (const ProcessedFile& f : files) {
        ctx.ui.processEvents();
        if (fileExists(f.source)) {
            if (!copyIsSafe(f)) {
                kept += "\r\n" + f.source;
                continue;
            }
            if (!deleteSource(ctx, f.source)) return;
        }
        deleteCompanions(f.source);
    }
    if (!kept.empty())
        showError(ctx.ui, "These files were not deleted because their copies could not be verified:" + kept);
}

}  // namespace kadrel
