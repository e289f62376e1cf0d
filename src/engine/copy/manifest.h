// The manifest a run keeps beside its copies: kadrel.xxh128, one line per copy in the format of
// xxh128sum ("<digest>  <name>"), so that `xxh128sum -c kadrel.xxh128` in the target folder
// checks the archive years later, with no Kadrel installed.
#pragma once

#include <string>
#include <vector>

#include "engine/copy/copy_run.h"
#include "engine/outcome.h"

namespace kadrel {

inline constexpr const char* kManifestName = "kadrel.xxh128";

/// True when xxh128sum reads name back as written: no newline, no backslash (which it takes for
/// an escaped name).
bool manifestCanHold(const std::string& name);

/// The manifest's text with a line for each copy that took a digest (the copies are in the
/// manifest's folder): a name already there has its line replaced, other lines stay as they
/// are and in order.
std::string mergeManifest(const std::string& old, const std::vector<ProcessedFile>& copies);

/// Rewrites the manifest of folder (which ends in a separator) whole under a lock with the lines of
/// copies. The outcome names the manifest when it could not be written.
Outcome updateManifest(const std::string& folder, const std::vector<ProcessedFile>& copies);

}  // namespace kadrel
