// The main window's state and rules without any widget: the two copy modes, what the window
// is busy with, which controls may be used, the captions of Start and the manual toggle, the
// status line, and what a click on Start or the close box asks for in each state. The window
// shows what this says and reports the user's input and the ends of its long work back.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "engine/scan/wide_screen_flag.h"

namespace kadrel {

/// True for "JPG", "BMP", "MPG" and "MOD" without regard to case (whole text only).
bool isManualSelectionExt(const std::string& text);

/// Which files a run copies: all found, or those picked in the browser.
enum class CopyMode { AllFiles, Manual };

/// What the window is busy with. Long work runs on a worker thread, so Start and the close box
/// are clicked in the middle of it.
enum class Activity {
    Idle,
    Searching,        ///< the search of a manual selection
    Browsing,         ///< the modal browser is open
    Running,          ///< a copy run
    Stopping,         ///< an abort was asked for and the work winds down
    ClosingAfterRun,  ///< closed during work: stopping, then closing
};

/// What a click on Start asks the window to do.
enum class StartAction { None, StartRun, AbortSearch, AbortRun };
/// What a click on the close box asks the window to do.
enum class CloseAction { CloseNow, AbortSearchAndWait, AbortRunAndWait, Wait };
/// How a step of the manual selection ended, and so what comes next.
enum class StepEnd { GoOn, Stopped, Close };

class MainController {
  public:
    // ---- what the user entered ----
    /// The source folder as the run will read it; the list of a manual selection belongs
    /// to the old one, so true tells the window to drop its list.
    [[nodiscard]] bool sourceEdited(const std::string& folder);
    /// The search extension; true tells the window to drop its list, as for the source.
    [[nodiscard]] bool searchExtEdited(const std::string& ext);
    void renameExtEdited(const std::string& ext) { renameExt_ = ext; }
    void allFilesClicked();

    // ---- the manual selection, step by step ----
    /// The manual toggle was clicked and the folders were found: the search starts. An
    /// earlier choice is gone whatever the search ends with.
    void searchStarted();
    /// GoOn: show the browser (it makes the thumbnails itself); Stopped: aborted or nothing
    /// found; Close: closed meanwhile.
    StepEnd searchEnded(bool aborted, int filesFound);
    void browserClosed(int picked);

    // ---- runs and closing ----
    StartAction startClicked();
    /// Start's checks passed and the run begins.
    void runStarted();
    /// True when the window was closed during the run and now closes.
    [[nodiscard]] bool runEnded();
    /// What the run did, shown in the status line until the next run or search.
    void setSummary(std::string summary) { summary_ = std::move(summary); }
    /// True while a run's summary is in the status line.
    bool summaryShown() const { return activity_ == Activity::Idle && !summary_.empty(); }
    CloseAction closeRequested();

    // ---- what the window shows ----
    CopyMode mode() const { return mode_; }
    Activity activity() const { return activity_; }
    /// The folders, fields, all-files toggle, "..." buttons and the overwrite box.
    bool inputsEnabled() const { return activity_ == Activity::Idle; }
    bool wideScreenEnabled() const { return inputsEnabled() && isStreamExtension(searchExt_); }
    bool manualEnabled() const;
    bool startEnabled() const;
    std::string startCaption() const;
    std::string manualCaption() const;
    /// The status line's text; "" for the byline.
    std::string statusText() const;
    /// Files picked in the browser for the current list (0 without a choice).
    int pickedCount() const { return picked_.value_or(0); }

  private:
    [[nodiscard]] bool dropSelection();
    StepEnd endStep(bool goOn, Activity next);

    CopyMode mode_ = CopyMode::AllFiles;
    Activity activity_ = Activity::Idle;
    std::string sourceDir_, searchExt_, renameExt_;
    bool listHeld_ = false;      ///< a search found files that the window still holds
    std::optional<int> picked_;  ///< the browser's choice on that list
    bool started_ = false;       ///< Start's first caption gives way after the first flow
    std::string summary_;        ///< the last run's summary; "" before one and during work
};

}  // namespace kadrel
