// What the portable profile code asks of each platform's file access: a settings file read
// whole, and the file a link in its place stands for.
#pragma once

#include <cstdint>
#include <string>

namespace kadrel::platform {

// A settings file larger than this is not one of ours; reading it whole would only waste memory.
inline constexpr int64_t kMaxProfileSize = 64 * 1024 * 1024;

// What stops a read of a profile file besides an error number.
inline constexpr int kProfileNotRegular = -1;
inline constexpr int kProfileTooLarge = -2;

/// Reads a regular file whole into out, never blocking on a FIFO or device: 0, an error number,
/// kProfileNotRegular or kProfileTooLarge.
int readProfileFile(const std::string& file, std::string& out);

/// The file a write of file goes to: what a symbolic link there points at, so that the link
/// itself survives; file itself when it is no link or cannot be resolved.
std::string profileWriteTarget(const std::string& file);

}  // namespace kadrel::platform
