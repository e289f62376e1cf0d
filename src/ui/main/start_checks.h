// The refusals before a run or a search: refused characters in the name fields and folders
// that are not there, each shown in a box with the field to mend focused; the offer to create
// a missing target, and the questions before pictures and clips swap extensions and before
// copies that need more room than the target has.
#pragma once

#include <cstdint>
#include <string>

#include "app/ui_seam.h"

class QLineEdit;

namespace kadrel {

/// Refuses a refused character of field: the box with headline, the character selected and
/// the field focused. True when the field passes.
bool checkNameField(QLineEdit* field, const char* headline, UiSeam& ui);
/// True when the source field names a folder ("~" read as home); else the box, field focused.
bool checkSourceFolder(QLineEdit* field, UiSeam& ui);
/// True when the target field is empty (patch mode) or names a folder, or names a missing one
/// the user has it created (default No); else the field is focused.
bool checkTargetFolder(QLineEdit* field, UiSeam& ui);
/// Asks whether to copy bytes into a target with only available bytes free (default No).
bool confirmRoom(int64_t bytes, int64_t available, UiSeam& ui);
/// A folder field's path, with "~" read as the home folder.
std::string folderText(const QLineEdit* field);
/// Asks before pictures get a clip's extension or clips a picture's; true to go on.
bool confirmExtensions(const std::string& searchExt, const std::string& renameExt, UiSeam& ui);

}  // namespace kadrel
