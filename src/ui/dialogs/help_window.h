// The modeless two-page help beside the main window: the main usage, and the expert keys of
// Kadrel.ini with the values in force.
#pragma once

#include <QWidget>

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
    void showUsagePage();
    /// Shows the expert keys with the current values.
    void showKeysPage();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void onPageClicked();
    void createControls();
    void arrangeControls();
    QLabel* addLabel(const char* name, const QString& text);
    /// Width of the page text: 80 average characters.
    int textWidth() const;
    /// Height of the window that shows the page whole.
    int pageHeight(bool keysPage);
    void relayout();

    const Settings& settings_;
    bool& helpVisible_;
    /// The scrolled page: everything but the page button.
    QWidget* page_ = nullptr;
    QLabel* headingLabel_ = nullptr;
    /// The usage on page 1, the expert keys on page 2.
    QLabel* pageTextLabel_ = nullptr;
    QLabel* notesHeadingLabel_ = nullptr;
    QLabel* notesLabel_ = nullptr;
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
