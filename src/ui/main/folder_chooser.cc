#include "ui/main/folder_chooser.h"

#include <QFileDialog>

namespace kadrel {

std::string chooseFolder(QWidget* owner, const std::string& initialFolder, const QString& title) {
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, title, QString::fromStdString(initialFolder), QFileDialog::ShowDirsOnly);
    return chosen.toStdString();
}

}  // namespace kadrel
