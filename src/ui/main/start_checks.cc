#include "ui/main/start_checks.h"

#include <QDir>
#include <QLineEdit>

#include "platform/file_system.h"
#include "ui/compact_path.h"
#include "ui/main/input_rules.h"

namespace kadrel {

namespace {

/// Width in pixels that paths are shortened to in messages.
constexpr int kMessagePathWidth = 200;

void showPathNotFound(QLineEdit* field, const std::string& message, UiSeam& ui) {
    ui.showMessage(message, "Path not found", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    field->setFocus();
}

std::string shortPath(const QLineEdit* field) {
    return compactPathToWidth(field->text(), kMessagePathWidth, field->fontMetrics()).toStdString();
}

}  // namespace

std::string folderText(const QLineEdit* field) {
    return expandHome(field->text().toStdString(), QDir::homePath().toStdString());
}

bool checkNameField(QLineEdit* field, const char* headline, UiSeam& ui) {
    const int bad = firstRefusedChar(field->text());
    if (bad < 0)
        return true;
    field->setSelection(bad, 1);
    showError(ui, refusalMessage(headline));
    field->setFocus();
    field->setSelection(bad, 1);
    return false;
}

bool checkSourceFolder(QLineEdit* field, UiSeam& ui) {
    if (platform::isDirectory(folderText(field)))
        return true;
    showPathNotFound(field, sourceFolderMessage(shortPath(field)), ui);
    return false;
}

bool checkTargetFolder(QLineEdit* field, UiSeam& ui) {
    if (field->text().isEmpty() || platform::isDirectory(folderText(field)))
        return true;
    showPathNotFound(field, targetFolderMessage(shortPath(field)), ui);
    return false;
}

// Pictures named as clips (or clips as pictures) would open in the wrong program, or not at all.
bool confirmExtensions(const std::string& searchExt, const std::string& renameExt, UiSeam& ui) {
    const std::string question = extensionQuestion(searchExt, renameExt);
    return question.empty() || ui.showMessage(question, "Kadrel", MsgIcon::Question, MsgButtons::YesNo,
                                              MsgResult::No) == MsgResult::Yes;
}

}  // namespace kadrel
