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
    /// The dialog answers through control.warningcontinue.
    explicit PatchModeWarning(RunControl& control, QWidget* parent = nullptr);

    /// Shows the dialog modally; true when the user chose Continue.
    static bool ask(RunControl& control);

  private slots:
    void Command1_Click();
    void Command2_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    void arrangeControls();

    RunControl& control_;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};

/// Text of Label2: what patch mode is.
QString warningPatchModeText();
/// Text of Label4: what happens to the 16:9 flag, and the advice to make backups.
QString warningFlagText();

}  // namespace kadrel
