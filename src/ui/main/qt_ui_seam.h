// The UI seam in window mode: Qt message boxes, and the progress of a run
// shown in the main window.
#pragma once

#include <QString>

#include "app/ui_seam.h"

class QWidget;

namespace kadrel {

/// Where a run's progress text and percentage go (the main window).
class ProgressView {
  public:
    virtual ~ProgressView() = default;
    /// Shows the progress text and the percentage (0..100) of the run.
    virtual void showRunProgress(const QString& text, int percent) = 0;
};

class QtUi : public UiSeam {
  public:
    /// Boxes are shown over owner (may be null); progress goes nowhere until a view is set.
    explicit QtUi(QWidget* owner = nullptr) : owner_(owner) {}

    /// The window boxes are shown over.
    void setOwner(QWidget* owner) { owner_ = owner; }
    /// The window that shows a run's progress.
    void setProgressView(ProgressView* view) { view_ = view; }

    MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                          MsgResult defaultButton) override;
    void showProgress(const std::string& text, int percent) override;

  private:
    QWidget* owner_;
    ProgressView* view_ = nullptr;
};

/// A box text with CR LF line ends as Qt shows lines.
QString toQtText(const std::string& text);

/// The answer a box gives when it is closed without a button (Escape, close box).
MsgResult answerOnClose(MsgButtons buttons);

}  // namespace kadrel
