// The one interface through which the engine reaches the user: message boxes, progress and
// event pumping. The window, the terminal and the tests each implement it.
#pragma once

#include <string>

namespace kadrel {

enum class MsgIcon { Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

class UiSeam {
  public:
    virtual ~UiSeam() = default;
    /// Lets queued window events run (a no-op on the terminal).
    virtual void processEvents() = 0;
    /// Shows a message box and returns the button chosen.
    virtual MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon icon,
                                  MsgButtons buttons, MsgResult defaultButton) = 0;
    /// Shows the progress text and percentage (0..100) of a run.
    virtual void showProgress(const std::string& text, int percent) = 0;
    /// False when nobody can answer a question: every box then takes its default button.
    virtual bool canAsk() const { return true; }
};

/// The one way an error reaches the user: a critical box titled "ERROR" with an OK button.
inline void showError(UiSeam& ui, const std::string& text) {
    ui.showMessage(text, "ERROR", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
}

/// A seam that shows nothing and answers every box with its default button.
class SilentUi : public UiSeam {
  public:
    void processEvents() override {}
    MsgResult showMessage(const std::string&, const std::string&, MsgIcon, MsgButtons,
                          MsgResult defaultButton) override {
        return defaultButton;
    }
    void showProgress(const std::string&, int) override {}
    bool canAsk() const override { return false; }
};

}  // namespace kadrel
