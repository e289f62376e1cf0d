// The modeless two-page help beside the main window: the main usage, and the expert keys of
// Kadrel.ini with the values in force.
#pragma once

#include <QWidget>
#include <array>

#include "settings/settings.h"

class QLabel;
class QPushButton;

namespace kadrel {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    /// A help window owned by main; helpVisible is cleared when the window closes.
    HelpWindow(const Settings& settings, bool& helpVisible, QWidget* main);

    /// Shows the main usage.
    void page1();
    /// Shows the expert keys with the current values.
    void page2();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void onPageClicked();
    void createControls();
    QLabel* addLabel(const char* name, const QString& text);
    int pageHeight(bool secondPage);
    void arrangePage(bool secondPage);
    void placeKeyLabels(int top);

    const Settings& settings_;
    bool& helpvisible_;
    QLabel* headingLabel_ = nullptr;
    /// The usage on page 1, the expert keys on page 2.
    QLabel* pageTextLabel_ = nullptr;
    QLabel* notesHeadingLabel_ = nullptr;
    QLabel* notesLabel_ = nullptr;
    /// The key names that stand beside their blocks on page 2.
    std::array<QLabel*, 4> keyLabels_{};
    QPushButton* pageButton_ = nullptr;
    bool secondPage_ = false;
};

/// The usage text of page 1.
QString helpUsageText();
/// The additional notes of page 1.
QString helpNotesText();
/// The expert keys of page 2, with the values of settings.
QString helpKeysText(const Settings& settings);

}  // namespace kadrel
