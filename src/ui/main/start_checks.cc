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

// A new card's import often goes to a folder named for the occasion: it may be made here, but
// only when asked for, so a mistyped path never becomes a folder by a stray Enter.
bool checkTargetFolder(QLineEdit* field, UiSeam& ui) {
    const std::string folder = folderText(field);
    if (field->text().isEmpty() || platform::isDirectory(folder))
        return true;
    if (platform::entryExists(folder)) {  // a file of that name: nothing to create
        showPathNotFound(field, targetFolderMessage(shortPath(field)), ui);
        return false;
    }
    if (ui.showMessage(createTargetQuestion(shortPath(field)), "Path not found", MsgIcon::Question,
                       MsgButtons::YesNo, MsgResult::No) == MsgResult::Yes) {
        const int error = platform::makeFolders(folder);
        if (error == 0)
            return true;
        const std::string why = platform::systemErrorText(error);
        showError(ui, "The target directory could not be created:\r\n" + shortPath(field) + "\r\n" + why);
    }
    field->setFocus();
    return false;
}

bool confirmRoom(int64_t bytes, int64_t available, UiSeam& ui) {
    return ui.showMessage(roomQuestion(bytes, available), "Not enough space", MsgIcon::Exclamation,
                          MsgButtons::YesNo, MsgResult::No) == MsgResult::Yes;
}

// Pictures named as clips (or clips as pictures) would open in the wrong program, or not at all.
bool confirmExtensions(const std::string& searchExt, const std::string& renameExt, UiSeam& ui) {
    const std::string question = extensionQuestion(searchExt, renameExt);
    return question.empty() || ui.showMessage(question, "Kadrel", MsgIcon::Question, MsgButtons::YesNo,
                                              MsgResult::No) == MsgResult::Yes;
}

}  // namespace kadrel
