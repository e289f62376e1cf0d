// The folder chooser of the two "..." buttons.
#pragma once

#include <string>

class QString;
class QWidget;

namespace kadrel {

/// Lets the user pick a folder, opening at initialFolder (nothing preselected when it is
/// empty or gone). Returns the chosen folder, or "" when the user cancels.
std::string chooseFolder(QWidget* owner, const std::string& initialFolder, const QString& title);

}  // namespace kadrel
