#include "ui/main/qt_ui_seam.h"

#include <QMessageBox>

namespace kadrel {

namespace {

QMessageBox::Icon toQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return QMessageBox::Ok;
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton toQtButton(MsgResult result) {
    switch (result) {
        case MsgResult::Ok:
            return QMessageBox::Ok;
        case MsgResult::Cancel:
            return QMessageBox::Cancel;
        case MsgResult::Yes:
            return QMessageBox::Yes;
        case MsgResult::No:
            return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

MsgResult fromQtButton(int button, MsgButtons buttons) {
    switch (button) {
        case QMessageBox::Ok:
            return MsgResult::Ok;
        case QMessageBox::Cancel:
            return MsgResult::Cancel;
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        default:
            break;
    }
    return answerOnClose(buttons);
}

}  // namespace

QString toQtText(const std::string& text) {
    return QString::fromStdString(text).replace("\r\n", "\n");
}

MsgResult answerOnClose(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::YesNo:
            return MsgResult::No;
        case MsgButtons::OkCancel:
            break;
    }
    return MsgResult::Cancel;
}

MsgResult QtUi::showMessage(const std::string& text, const std::string& title, MsgIcon icon,
                            MsgButtons buttons, MsgResult defaultButton) {
    QMessageBox box(toQtIcon(icon), QString::fromStdString(title), toQtText(text), toQtButtons(buttons),
                    owner_);
    box.setDefaultButton(toQtButton(defaultButton));
    box.setWindowModality(Qt::ApplicationModal);
    // The box must come to the front even when the window is behind others.
    box.show();
    box.raise();
    box.activateWindow();
    return fromQtButton(box.exec(), buttons);
}

void QtUi::showProgress(const std::string& text, int percent) {
    if (view_ != nullptr)
        view_->showRunProgress(QString::fromStdString(text), percent);
}

}  // namespace kadrel
