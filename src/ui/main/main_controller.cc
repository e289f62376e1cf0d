#include "ui/main/main_controller.h"

#include "engine/scan/wide_screen_flag.h"
#include "platform/text_case.h"

namespace kadrel {

bool isManualSelectionExt(const std::string& text) {
    return isStreamExtension(text) || platform::equalsNoCase(text, "JPG") ||
           platform::equalsNoCase(text, "BMP");
}

bool MainController::sourceEdited(const std::string& folder) {
    sourceDir_ = folder;
    return dropSelection();
}

bool MainController::searchExtEdited(const std::string& ext) {
    searchExt_ = ext;
    return dropSelection();
}

// The picked files belong to the folder and extension they were searched with: after either
// changes they must not be copied, or offered for deletion, under the new ones.
bool MainController::dropSelection() {
    const bool held = listHeld_ || picked_.has_value();
    listHeld_ = false;
    picked_.reset();
    return held;
}

// The pressed toggle stays pressed; the choice of a manual selection stays with its list
// until the next search, only the toggle's caption forgets it.
void MainController::allFilesClicked() {
    if (activity_ == Activity::Idle)
        mode_ = CopyMode::AllFiles;
}

void MainController::searchStarted() {
    mode_ = CopyMode::Manual;
    listHeld_ = false;
    picked_.reset();
    activity_ = Activity::Searching;
    started_ = true;
    summary_.clear();
}

StepEnd MainController::searchEnded(bool aborted, int filesFound) {
    listHeld_ = !aborted && filesFound > 0;
    return endStep(listHeld_, Activity::Browsing);
}

StepEnd MainController::endStep(bool goOn, Activity next) {
    if (activity_ == Activity::ClosingAfterRun) {
        activity_ = Activity::Idle;
        return StepEnd::Close;
    }
    if (!goOn || activity_ == Activity::Stopping) {
        activity_ = Activity::Idle;
        return StepEnd::Stopped;
    }
    activity_ = next;
    return StepEnd::GoOn;
}

void MainController::browserClosed(int picked) {
    picked_ = picked;
    activity_ = Activity::Idle;
}

// A click during work aborts it at once: no checks and no questions come before the abort,
// or a question's default answer could let the work go on.
StartAction MainController::startClicked() {
    switch (activity_) {
        case Activity::Idle:
            return StartAction::StartRun;
        case Activity::Searching:
            activity_ = Activity::Stopping;
            return StartAction::AbortSearch;
        case Activity::Running:
            activity_ = Activity::Stopping;
            return StartAction::AbortRun;
        default:
            return StartAction::None;
    }
}

void MainController::runStarted() {
    activity_ = Activity::Running;
    started_ = true;
    summary_.clear();
}

bool MainController::runEnded() {
    const bool close = activity_ == Activity::ClosingAfterRun;
    activity_ = Activity::Idle;
    return close;
}

// A close during work first stops it as Abort does; the window closes (and the settings are
// written) once the work has wound down. The browser is modal, so a close then comes from
// outside and closes at once.
CloseAction MainController::closeRequested() {
    const Activity was = activity_;
    switch (was) {
        case Activity::Idle:
        case Activity::Browsing:
            return CloseAction::CloseNow;
        default:
            activity_ = Activity::ClosingAfterRun;
            if (was == Activity::Searching)
                return CloseAction::AbortSearchAndWait;
            return was == Activity::Running ? CloseAction::AbortRunAndWait : CloseAction::Wait;
    }
}

bool MainController::manualEnabled() const {
    return inputsEnabled() && !sourceDir_.empty() && isManualSelectionExt(searchExt_);
}

// Files other than clips need a new extension before Start is offered.
bool MainController::startEnabled() const {
    switch (activity_) {
        case Activity::Idle:
            return !sourceDir_.empty() && !(mode_ == CopyMode::Manual && pickedCount() == 0) &&
                   (isStreamExtension(searchExt_) || !renameExt_.empty());
        case Activity::Searching:
        case Activity::Running:
            return true;  // as Abort, the only way to stop the work
        default:
            return false;
    }
}

std::string MainController::startCaption() const {
    switch (activity_) {
        case Activity::Idle:
            return started_ ? "&Start" : "&Start !";
        case Activity::Searching:
            return "&Abort";
        case Activity::Browsing:
            return "&Start";
        case Activity::Running:
            return "&Abort!";
        default:
            return "Please wait";
    }
}

std::string MainController::manualCaption() const {
    if (mode_ == CopyMode::Manual && picked_.has_value())
        return std::to_string(*picked_) + " Files selected";
    return "&Manual Selection";
}

std::string MainController::statusText() const {
    if (activity_ == Activity::Searching)
        return "searching for files...";
    return summaryShown() ? summary_ : "";
}

}  // namespace kadrel
