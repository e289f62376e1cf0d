#include "ui/main/browsefolderAPI.h"

#include <QFileDialog>

namespace kadrel {

std::string BrowseFolder(QWidget* owner, const std::string& initialFolder, const QString& title) {
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, title, QString::fromStdString(initialFolder), QFileDialog::ShowDirsOnly);
    return chosen.toStdString();
}

}  // namespace kadrel
