// The main window's controls: each one made, named, laid out, captioned and tipped, in the tab
// order the user walks, and drawn as MainController says; the status and progress lines, the
// keys and the focus of the text boxes. Member names end in '_'; each control's objectName is
// its member name without it. What clicks and edits do lives in MainWindow, derived from this.
#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/main/main_controller.h"
#include "ui/main/qt_ui_seam.h"
#include "ui/main/status_area.h"
#include "ui/twips.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace kadrel {

class MainForm : public QWidget, public ProgressView {
  public:
    explicit MainForm(QWidget* parent = nullptr);

    /// Shows text in the status line, or the byline when text is empty.
    void showStatus(const QString& text);
    /// What a run will do, shown when no status is: copy to the target, or patch mode without one.
    QString byline() const;
    /// The progress line and bar of the work in progress.
    void showRunProgress(const QString& text, int percent) override;

  protected:
    /// Brings every control in line with the controller.
    void render(const MainController& controller);
    /// The progress line and bar in place of the status line, and back.
    void startProgressDisplay();
    void endProgressDisplay();
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    /// Logical dots per inch of the window's screen.
    double screenDpi() const;
    TwipsLayout twips_;

    QPushButton* startButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QLabel* sourceFolderLabel_ = nullptr;
    QLineEdit* sourceFolderEdit_ = nullptr;
    QPushButton* sourceFolderButton_ = nullptr;
    QLabel* targetFolderLabel_ = nullptr;
    QLineEdit* targetFolderEdit_ = nullptr;
    QPushButton* targetFolderButton_ = nullptr;
    QGroupBox* renameGroup_ = nullptr;
    QLabel* searchExtLabel_ = nullptr;
    QLineEdit* searchExtEdit_ = nullptr;
    QLabel* renameExtLabel_ = nullptr;
    QLineEdit* renameExtEdit_ = nullptr;
    QLabel* userTextLabel_ = nullptr;
    QLineEdit* userTextEdit_ = nullptr;
    QLineEdit* exampleEdit_ = nullptr;
    QCheckBox* setWideScreenBox_ = nullptr;
    QGroupBox* copyGroup_ = nullptr;
    QPushButton* allFilesToggle_ = nullptr;
    QPushButton* manualToggle_ = nullptr;
    /// The status line and, during work, the progress line and bar.
    StatusArea* statusArea_ = nullptr;
    QCheckBox* overwriteBox_ = nullptr;
    QCheckBox* manifestBox_ = nullptr;  ///< keep kadrel.xxh128 in the target
    /// Every control but Start and "?", which stay in view: these scroll on a short screen.
    QScrollArea* scrollArea_ = nullptr;

  private:
    template <class Widget>
    Widget* make(const char* name);
    QLineEdit* addTextBox(const char* name);
    void createFolderControls();
    void createRenameGroup();
    void createCopyControls();
    QLayout* buttonRow();
    /// The rename fields and the mode toggles in their frames, gap pixels apart.
    void arrangeGroups(int gap);
    void arrangeControls();
    void setCaptions();
    void setTooltips();
    void setTabOrder();
    void onFocusIn(QLineEdit* field);

    /// Enter starts a run only while the window is idle.
    bool idle_ = true;
};

}  // namespace kadrel
