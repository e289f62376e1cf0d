// The main window's rules for its input fields: the characters a name may not hold, the
// messages that refuse input, the example name and the title.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace kadrel {

/// "Kadrel V" with major, ".", minor and revision run together, then "d Beta".
std::string windowTitle(const std::string& version);

/// The question asked before a run when searchext names pictures (JPG, BMP) and renameext a
/// clip's extension (MPG, MOD), or the other way round; "" when the two agree.
std::string extensionQuestion(const std::string& searchExt, const std::string& renameExt);

/// path with a leading "~" or "~/" read as home; any other path unchanged.
std::string expandHome(const std::string& path, const std::string& home);

/// Index of the first refused character of text (one of kRefusedNameChars or a control
/// character), or -1.
int firstRefusedChar(const QString& text);
/// The box text refusing a field: headline, an empty line and the refused characters.
std::string refusalMessage(const std::string& headline);

/// The box text for a source folder that is missing (shortPath: the compacted path).
std::string sourceFolderMessage(const std::string& shortPath);
/// The box text for a target folder that does not exist.
std::string targetFolderMessage(const std::string& shortPath);
/// The question that offers to create a target folder that does not exist, with its parents.
std::string createTargetQuestion(const std::string& shortPath);
/// The question when the files to copy need more bytes than the target has available.
std::string roomQuestion(int64_t bytes, int64_t available);
/// path with the home folder at its start shown as "~".
std::string abbreviateHome(const std::string& path, const std::string& home);

/// The example of a new name: the date part (or "original filename" in patch mode or
/// without a known format), the user text and renameText, in the run's own order.
std::string exampleText(const Settings& settings, const std::string& renameText);

}  // namespace kadrel
