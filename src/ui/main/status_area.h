// The line under the main window's fields: the byline or a status text with, after a run, the
// button that opens the folder the files went to; during work the progress line and the bar
// in the same room.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "ui/twips.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedLayout;

namespace kadrel {

class StatusArea : public QWidget {
  public:
    explicit StatusArea(const TwipsLayout& twips, QWidget* parent = nullptr);

    /// Shows text in the status line, or byline (in its own style) when text is empty.
    void showStatus(const QString& text, const QString& byline);
    /// The status text shown; empty while the byline is.
    const QString& status() const { return status_; }
    /// The progress line and bar of the work in progress.
    void showRunProgress(const QString& text, int percent);
    /// The progress line and bar in place of the status line, and back.
    void startProgress();
    void endProgress();
    /// The button beside a run's summary that opens the folder its files went to.
    QPushButton* openFolderButton() const { return openFolderButton_; }

  private:
    /// A white bar with a dark blue fill, made for each run and gone after it.
    QProgressBar* createProgressBar();

    const TwipsLayout twips_;
    QLabel* statusLabel_ = nullptr;
    QPushButton* openFolderButton_ = nullptr;
    QWidget* statusPage_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QWidget* progressPage_ = nullptr;
    QPointer<QProgressBar> progressBar_;
    QStackedLayout* stack_ = nullptr;
    QString status_;
};

}  // namespace kadrel
