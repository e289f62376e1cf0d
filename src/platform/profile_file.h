// What the portable profile code asks of each platform's file access: a settings file read
// whole, and the file a link in its place stands for.
#pragma once

#include <cstdint>
#include <string>

#include "platform/profile.h"

namespace kadrel::platform {

// A settings file larger than this is not one of ours; reading it whole would only waste memory.
inline constexpr int64_t kMaxProfileSize = 64 * 1024 * 1024;

/// Reads a regular file whole, never blocking on a FIFO or device: Readable (NUL bytes and all),
/// ReadFails with error set, NotRegular or TooLarge.
ProfileState readProfileFile(const std::string& file, std::string& out, int& error);

/// The file a write of file goes to: what a symbolic link there points at, so that the link
/// itself survives; file itself when it is no link or cannot be resolved.
std::string profileWriteTarget(const std::string& file);

}  // namespace kadrel::platform
