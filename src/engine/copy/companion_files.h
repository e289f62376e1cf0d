// The ".MOI" files a camcorder writes beside its clips, found by name: what the companion reader,
// patch mode's renames and the delete of the originals all look for.
#pragma once

#include <string>
#include <vector>

namespace kadrel {

/// The ".MOI" companions of a clip of any extension: regular files of its folder named its
/// base name and ".MOI", without regard to case.
std::vector<std::string> companionsOf(const std::string& source);

/// True when a file of the companion's folder other than except (a path), and other than a
/// companion, has the companion's base name without regard to case: a clip it still belongs
/// to. Also true when the folder cannot be listed.
bool pairedWithAnotherFile(const std::string& companion, const std::string& except);

}  // namespace kadrel
