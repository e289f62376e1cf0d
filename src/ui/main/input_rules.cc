#include "ui/main/input_rules.h"

#include <cstdio>
#include <iterator>
#include <sstream>
#include <vector>

#include "engine/copy/date_time_names.h"
#include "engine/copy/name_check.h"
#include "ui/main/main_controller.h"

namespace kadrel {

namespace {

const char kPleaseEnter[] = "\r\n\r\nPlease enter a valid path!";

std::vector<std::string> splitVersion(const std::string& version) {
    std::vector<std::string> parts;
    std::stringstream in(version);
    for (std::string part; std::getline(in, part, '.');)
        parts.push_back(part);
    while (parts.size() < 3)
        parts.push_back("0");
    return parts;
}

std::string missingFolderText(const char* which, const std::string& shortPath) {
    return std::string("The specified folder for the ") + which + "\r\n" + shortPath + "\r\ndoes not exist!";
}

std::string missingFolderMessage(const char* which, const std::string& shortPath) {
    return missingFolderText(which, shortPath) + kPleaseEnter;
}

/// A size as file managers show it (powers of 1000), with the exact bytes after it.
std::string sizeText(int64_t bytes) {
    static const char* const units[] = {"bytes", "kB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    for (; value >= 1000 && unit + 1 < std::size(units); ++unit)
        value /= 1000;
    char shown[64];
    std::snprintf(shown, sizeof shown, unit == 0 ? "%.0f %s" : "%.1f %s", value, units[unit]);
    return unit == 0 ? shown : std::string(shown) + " (" + std::to_string(bytes) + " bytes)";
}

}  // namespace

std::string windowTitle(const std::string& version) {
    const std::vector<std::string> parts = splitVersion(version);
    return "Kadrel V" + parts[0] + "." + parts[1] + parts[2] + "d Beta";
}

std::string extensionQuestion(const std::string& searchExt, const std::string& renameExt) {
    const std::string& search = searchExt;
    const std::string& rename = renameExt;
    const bool pictures = isManualSelectionExt(search) && !isStreamExtension(search);
    const bool picturesToClips = pictures && isStreamExtension(rename);
    const bool clipsToPictures =
        isStreamExtension(search) && isManualSelectionExt(rename) && !isStreamExtension(rename);
    if (!picturesToClips && !clipsToPictures)
        return "";
    const std::string kind = picturesToClips ? "pictures" : "video clips";
    const std::string other = picturesToClips ? "a video clip" : "a picture";
    return "The files searched for (*." + searchExt + ") are " + kind +
           ", but their new names would end in ." + renameExt + ", the extension of " + other +
           ".\r\n\r\nDo you want to go on?";
}

std::string expandHome(const std::string& path, const std::string& home) {
    if (path != "~" && !path.starts_with("~/"))
        return path;
    std::string base = home;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return path == "~" ? base : (base == "/" ? "" : base) + path.substr(1);
}

int firstRefusedChar(const QString& text) {
    for (int i = 0; i < text.size(); ++i)
        if (isRefusedNameChar(text[i].unicode()))
            return i;
    return -1;
}

std::string refusalMessage(const std::string& headline) {
    return headline + "\r\n\r\nDo not use the characters " + kRefusedNameChars;
}

std::string sourceFolderMessage(const std::string& shortPath) {
    if (shortPath.empty())
        return std::string("No Source directory specified!") + kPleaseEnter;
    return missingFolderMessage("Source directory", shortPath);
}

std::string targetFolderMessage(const std::string& shortPath) {
    return missingFolderMessage("Target directory", shortPath);
}

std::string createTargetQuestion(const std::string& shortPath) {
    return missingFolderText("Target directory", shortPath) + "\r\n\r\nCreate it, with the folders above it?";
}

std::string roomQuestion(int64_t bytes, int64_t available) {
    return "The files to copy need " + sizeText(bytes) + ", but the target directory has only " +
           sizeText(available) + " free.\r\n\r\nCopy anyway?";
}

std::string abbreviateHome(const std::string& path, const std::string& home) {
    if (home.empty() || home == "/" || path.compare(0, home.size(), home) != 0)
        return path;
    if (path.size() > home.size() && path[home.size()] != '/')
        return path;
    std::string shown(1, '~');  // appended, not "~" + ...: GCC 12 warns wrongly about that at -O3
    return shown.append(path, home.size());
}

std::string exampleText(const Settings& settings, const std::string& renameText) {
    const bool keepsName = settings.targetDir.empty() || settings.datePattern.empty();
    const std::string datePart = keepsName ? "\"original filename\"" : settings.dateFormatName;
    return "(Example:" + composeStem(datePart, settings.userText, settings.textBeforeDate) + "." +
           renameText + ")";
}

}  // namespace kadrel
