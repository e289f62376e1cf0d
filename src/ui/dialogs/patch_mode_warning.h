// The modal question before a run without a target folder: such a run renames and patches
// the user's original files, so it goes on only on an explicit Continue.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kadrel {

struct RunControl;

class PatchModeWarning : public QDialog {
    Q_OBJECT
  public:
    /// The dialog answers through control.warningContinue.
    explicit PatchModeWarning(RunControl& control, QWidget* parent = nullptr);

    /// Shows the dialog modally; true when the user chose Continue.
    static bool ask(RunControl& control);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void onContinueClicked();
    void onAbortClicked();
    void createControls();
    void arrangeControls();

    RunControl& control_;
    QLabel* headingLabel_ = nullptr;
    QLabel* patchModeLabel_ = nullptr;
    QLabel* originalsLabel_ = nullptr;
    QLabel* flagLabel_ = nullptr;
    QPushButton* continueButton_ = nullptr;
    QPushButton* abortButton_ = nullptr;
};

/// What patch mode is.
QString warningPatchModeText();
/// What happens to the 16:9 flag, and the advice to make backups.
QString warningFlagText();

}  // namespace kadrel
