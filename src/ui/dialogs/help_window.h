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
    /// A help window owned by main; helpvisible is cleared when the window closes.
    HelpWindow(const Settings& settings, bool& helpvisible, QWidget* main);

    /// Shows the main usage.
    void page1();
    /// Shows the expert keys with the current values.
    void page2();

  public slots:
    void Command1_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    QLabel* addLabel(const char* name, const QString& text);
    int pageHeight(bool secondPage);
    void arrangePage(bool secondPage);
    void placeKeyLabels(int top);

    const Settings& settings_;
    bool& helpvisible_;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    std::array<QLabel*, 4> keyLabels_{};  ///< Label5 to Label8
    QPushButton* Command1 = nullptr;
};

/// Text of Label2 on page 1.
QString helpUsageText();
/// Text of Label3 on page 1.
QString helpNotesText();
/// Text of Label2 on page 2, with the values of settings.
QString helpKeysText(const Settings& settings);

}  // namespace kadrel
