// The names of copies' temporary files, the same on every platform so that a run cleans up
// what a killed run left on the same card, whichever system that run was on.
#pragma once

#include <string>

namespace kadrel::platform {

/// The temporary file a process makes beside its copies: ".kadrel-PID-N.part" in folder
/// (which ends with a separator). The process id only keeps names of concurrent runs apart;
/// whether a temporary file is in use is told by its lock alone.
std::string temporaryName(const std::string& folder, unsigned long process, unsigned number);

/// True for a name (without its folder) that temporaryName makes.
bool isTemporaryName(const std::string& name);

}  // namespace kadrel::platform
