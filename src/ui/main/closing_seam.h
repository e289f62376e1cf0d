// The seam a window's run talks through: the window's own, except that once the window is
// being closed a run's merely informative boxes ("The run was stopped") no longer hold it
// open. Errors and questions still show.
#pragma once

#include "platform/ui_seam.h"

namespace kadrel {

class ClosingSeam : public UiSeam {
  public:
    explicit ClosingSeam(UiSeam& ui) : ui_(ui) {}

    /// From now on (until cleared) information boxes are left out.
    void setClosing(bool closing) { closing_ = closing; }

    void processEvents() override { ui_.processEvents(); }
    MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                          MsgResult defaultButton) override {
        if (closing_ && icon == MsgIcon::Information && buttons == MsgButtons::Ok)
            return MsgResult::Ok;
        return ui_.showMessage(text, title, icon, buttons, defaultButton);
    }
    void showProgress(const std::string& text, int percent) override { ui_.showProgress(text, percent); }
    bool canAsk() const override { return ui_.canAsk(); }

  private:
    UiSeam& ui_;
    bool closing_ = false;
};

}  // namespace kadrel
