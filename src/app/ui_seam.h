// The one small interface through which a front end reaches the user: message boxes, questions
// and progress. The window, the terminal and the tests (with scripted answers) each implement
// it; the engine never calls it, it returns what the user must be told.
#pragma once

#include <string>

#include "engine/notice.h"

namespace kadrel {

enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

class UiSeam {
  public:
    virtual ~UiSeam() = default;
    /// Shows a message box and returns the button chosen.
    virtual MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon icon,
                                  MsgButtons buttons, MsgResult defaultButton) = 0;
    /// Shows a report the user asked for (the error report of /E): a critical box with an OK
    /// button, which a front end may show in the system's own message box.
    virtual void showReport(const std::string& text, const std::string& title) {
        showMessage(text, title, MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    }
    /// Shows the progress text and percentage (0..100) of a run.
    virtual void showProgress(const std::string& text, int percent) = 0;
    /// False when nobody can answer a question: every box then takes its default button.
    virtual bool canAsk() const { return true; }
};

/// The one way an error reaches the user: a critical box titled "ERROR" with an OK button.
inline void showError(UiSeam& ui, const std::string& text) {
    ui.showMessage(text, "ERROR", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
}

}  // namespace kadrel
