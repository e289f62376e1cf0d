#include "ui/main/status_area.h"

#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace kadrel {

namespace {

QVBoxLayout* tightColumn(QWidget* page) {
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return column;
}

}  // namespace

StatusArea::StatusArea(const TwipsLayout& twips, QWidget* parent) : QWidget(parent), twips_(twips) {
    statusLabel_ = new QLabel;
    statusLabel_->setObjectName("statusLabel");
    statusLabel_->setAlignment(Qt::AlignCenter);
    statusLabel_->setWordWrap(true);
    openFolderButton_ = new QPushButton("Open &folder");
    openFolderButton_->setObjectName("openFolderButton");
    openFolderButton_->setToolTip("opens the folder the files went to");
    openFolderButton_->setAutoDefault(true);  // Enter on it opens the folder, not a new run
    openFolderButton_->hide();
    statusPage_ = new QWidget;
    QVBoxLayout* status = tightColumn(statusPage_);
    status->addWidget(statusLabel_, 1);
    status->addWidget(openFolderButton_, 0, Qt::AlignHCenter);
    progressLabel_ = new QLabel;
    progressLabel_->setObjectName("progressLabel");
    progressPage_ = new QWidget;
    QVBoxLayout* progress = tightColumn(progressPage_);
    progress->addWidget(progressLabel_);
    progress->addStretch();
    progressPage_->setMinimumHeight(progressLabel_->sizeHint().height() + twips_.fromDesignPixels(20));
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->addWidget(statusPage_);
    stack_->addWidget(progressPage_);
}

void StatusArea::showStatus(const QString& text, const QString& byline) {
    QFont font = statusLabel_->font();
    const bool showsByline = text.isEmpty();
    font.setItalic(showsByline);
    font.setBold(showsByline);
    font.setPointSizeF(showsByline ? 10 : 8);
    statusLabel_->setFont(font);
    statusLabel_->setText(showsByline ? byline : text);
    status_ = text;
    statusLabel_->repaint();
}

void StatusArea::showRunProgress(const QString& text, int percent) {
    if (!text.isEmpty()) {
        progressLabel_->setText(text);
        progressLabel_->repaint();
    }
    if (progressBar_ != nullptr)
        progressBar_->setValue(std::clamp(percent, 0, 100));
}

void StatusArea::startProgress() {
    progressLabel_->setText("");
    progressLabel_->show();
    stack_->setCurrentWidget(progressPage_);
    progressBar_ = createProgressBar();
}

void StatusArea::endProgress() {
    delete progressBar_;
    stack_->setCurrentWidget(statusPage_);
    progressLabel_->hide();
    progressLabel_->setText("");
}

QProgressBar* StatusArea::createProgressBar() {
    auto* bar = new QProgressBar;
    bar->setObjectName("progressBar");
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    QPalette colours = bar->palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::Highlight, QColor(0, 0, 127));
    bar->setPalette(colours);
    bar->setAutoFillBackground(true);
    bar->setFixedHeight(twips_.fromDesignPixels(20));
    static_cast<QVBoxLayout*>(progressPage_->layout())->insertWidget(1, bar);
    return bar;
}

}  // namespace kadrel
