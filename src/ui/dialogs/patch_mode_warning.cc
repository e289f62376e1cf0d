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
    return "This brings kadrel into the \"WS-flag patch mode\". In this mode no files will be "
           "copied/renamed.";
}

QString warningFlagText() {
    const QString opening = "If \"set Wide-Screen Flag(16:9)\"";
    return opening + " is checked then the WS-Flag will be set in the original files.\n" + opening +
           " is NOT checked then the WS-Flag will explicitly be reset(to 4:3) in the original files.\n"
           "\nIt is recommended to make backup copies of your original files before continuing this "
           "procedure otherwise there can be the risk to loose these files in case of a problem!!!";
}

PatchModeWarning::PatchModeWarning(RunControl& control, QWidget* parent)
    : QDialog(parent), control_(control) {
    setObjectName("PatchModeWarning");
    setWindowTitle("WS-flag patch mode");
    setModal(true);
    createControls();
    arrangeControls();
    Label2->setText(warningPatchModeText());
    Label3->setText("Instead, the original files from the source folder will be patched!!!");
    Label4->setText(warningFlagText());
    Command2->setFocus();
}

bool PatchModeWarning::ask(RunControl& control) {
    control.warningcontinue = false;
    PatchModeWarning dialog(control);
    dialog.exec();
    return control.warningcontinue;
}

void PatchModeWarning::createControls() {
    Label1 = new QLabel("Warning!!!", this);
    Label1->setObjectName("Label1");
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.6);
    Label1->setFont(heading);
    Label1->setAlignment(Qt::AlignCenter);
    Label2 = wrappedLabel("Label2", this);
    Label3 = wrappedLabel("Label3", this);
    QFont strong = Label3->font();
    strong.setBold(true);
    Label3->setFont(strong);
    Label4 = wrappedLabel("Label4", this);
    Command1 = new QPushButton("&Continue!", this);
    Command1->setObjectName("Command1");
    Command2 = new QPushButton("&Abort", this);
    Command2->setObjectName("Command2");
    Command2->setDefault(true);
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &PatchModeWarning::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &PatchModeWarning::Command2_Click);
}

void PatchModeWarning::arrangeControls() {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* column = new QVBoxLayout(this);
    const int textWidth = fontMetrics().averageCharWidth() * 60;
    for (QLabel* label : {Label1, Label2, Label3, Label4}) {
        label->setFixedWidth(textWidth);
        column->addWidget(label);
    }
    column->addSpacing(8);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(Command2, Command1);
}

void PatchModeWarning::Command1_Click() {
    control_.warningcontinue = true;
    accept();
}

void PatchModeWarning::Command2_Click() {
    control_.warningcontinue = false;
    reject();
}

void PatchModeWarning::closeEvent(QCloseEvent* event) {
    control_.warningcontinue = false;
    QDialog::closeEvent(event);
}

}  // namespace kadrel
