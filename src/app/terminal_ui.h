// The UI seam on a terminal: message boxes become text on standard error and questions are
// asked on the terminal, or answered with the default button when nobody can answer.
#pragma once

#include <cstdio>
#include <istream>

#include "app/ui_seam.h"

namespace kadrel {

class TerminalUi : public UiSeam {
  public:
    /// err receives boxes and progress; in answers questions when interactive is true.
    TerminalUi(std::FILE* err, std::istream& in, bool interactive, bool progressOnTerminal);

    /// A seam on the process's own standard streams, with the system's message box for reports.
    static TerminalUi forProcess();

    /// Shows a report, and returns false when it could not (no such box on this system).
    using MessageBoxCall = bool (*)(const std::string& text, const std::string& title);
    /// Reports then go to box, when someone can answer it, instead of standard error.
    void showReportsIn(MessageBoxCall box) { box_ = box; }

    MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                          MsgResult defaultButton) override;
    void showProgress(const std::string& text, int percent) override;
    /// In the message box when there is one and someone sits at the terminal to close it: a
    /// script that reads standard error would otherwise wait for a click that never comes.
    void showReport(const std::string& text, const std::string& title) override;
    bool canAsk() const override { return interactive_; }
    /// Rewrites the one progress line (only when standard error is a terminal).
    void showStatusLine(const std::string& line);
    /// Ends a progress line so the next output starts on a fresh line.
    void endProgress();
    /// Writes line on a line of its own (a run's summary), after any progress line.
    void showLine(const std::string& line);

  private:
    MsgResult ask(MsgButtons buttons, MsgResult defaultButton);

    std::FILE* err_;
    std::istream& in_;
    bool interactive_;
    bool progressOnTerminal_;
    bool progressShown_ = false;
    MessageBoxCall box_ = nullptr;
    /// The descriptor behind in, so that a question can stop waiting when the process is
    /// asked to terminate; -1 reads without waiting first.
    int inputFd_ = -1;
};

/// A box text with CR LF line ends as terminal lines.
std::string toTerminalText(const std::string& text);

}  // namespace kadrel
