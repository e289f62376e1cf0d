#include "ui/dialogs/patch_mode_warning.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/run_context.h"

namespace kadrel {

namespace {

QLabel* wrappedLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

QString warningPatchModeText() {
    return "This brings kadrel into the \"WS-flag patch mode\". In this mode nothing is copied: the original "
           "files are renamed to the new names in their folders and changed in place.";
}

QString warningFlagText() {
    const QString opening = "If \"set Wide-Screen Flag(16:9)\"";
    return opening + " is checked then the WS-Flag will be set in the original files.\n" + opening +
           " is NOT checked then the WS-Flag will explicitly be reset(to 4:3) in the original files.\n"
           "\nIt is recommended to make backup copies of your original files before continuing this "
           "procedure otherwise there can be the risk to lose these files in case of a problem!!!";
}

PatchModeWarning::PatchModeWarning(RunControl& control, QWidget* parent)
    : QDialog(parent), control_(control) {
    setObjectName("PatchModeWarning");
    setWindowTitle("WS-flag patch mode");
    setModal(true);
    createControls();
    arrangeControls();
    patchModeLabel_->setText(warningPatchModeText());
    originalsLabel_->setText("Instead, the original files from the source folder will be patched!!!");
    flagLabel_->setText(warningFlagText());
    abortButton_->setFocus();
}

bool PatchModeWarning::ask(RunControl& control) {
    control.warningContinue = false;
    PatchModeWarning dialog(control);
    dialog.exec();
    return control.warningContinue;
}

void PatchModeWarning::createControls() {
    headingLabel_ = new QLabel("Warning!!!", this);
    headingLabel_->setObjectName("headingLabel");
    QFont heading = headingLabel_->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.6);
    headingLabel_->setFont(heading);
    headingLabel_->setAlignment(Qt::AlignCenter);
    patchModeLabel_ = wrappedLabel("patchModeLabel", this);
    originalsLabel_ = wrappedLabel("originalsLabel", this);
    QFont strong = originalsLabel_->font();
    strong.setBold(true);
    originalsLabel_->setFont(strong);
    flagLabel_ = wrappedLabel("flagLabel", this);
    continueButton_ = new QPushButton("&Continue!", this);
    continueButton_->setObjectName("continueButton");
    abortButton_ = new QPushButton("&Abort", this);
    abortButton_->setObjectName("abortButton");
    abortButton_->setDefault(true);
    continueButton_->setAutoDefault(false);
    connect(continueButton_, &QPushButton::clicked, this, &PatchModeWarning::onContinueClicked);
    connect(abortButton_, &QPushButton::clicked, this, &PatchModeWarning::onAbortClicked);
}

void PatchModeWarning::arrangeControls() {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(continueButton_);
    buttons->addWidget(abortButton_);
    auto* column = new QVBoxLayout(this);
    const int textWidth = fontMetrics().averageCharWidth() * 60;
    for (QLabel* label : {headingLabel_, patchModeLabel_, originalsLabel_, flagLabel_}) {
        label->setFixedWidth(textWidth);
        column->addWidget(label);
    }
    column->addSpacing(8);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(abortButton_, continueButton_);
}

void PatchModeWarning::onContinueClicked() {
    control_.warningContinue = true;
    accept();
}

void PatchModeWarning::onAbortClicked() {
    control_.warningContinue = false;
    reject();
}

void PatchModeWarning::closeEvent(QCloseEvent* event) {
    control_.warningContinue = false;
    QDialog::closeEvent(event);
}

}  // namespace kadrel
