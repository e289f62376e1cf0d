// Profile (ini) files with the semantics of the Windows profile functions: sections and keys
// match without regard to case, values are trimmed, and writing a key keeps every other line.
// Calls that can fail return 0 or an error number, as file_system.h describes.
#pragma once

#include <string>

namespace kadrel::platform {

/// Gives the value of key in section, trimmed of blanks. ENOENT when the file, the section or
/// the key is missing; a file that is there and cannot be read fails as writeProfileString does.
int readProfileString(const std::string& file, const std::string& section, const std::string& key,
                      std::string& value);

/// Whether a profile file can be used at all, and what makes it unusable: every state but
/// Missing and Readable is a file that is there and cannot be read as a profile.
enum class ProfileState {
    Missing,     ///< nothing under that name
    Readable,    ///< a regular file of text, read whole
    ReadFails,   ///< its open or a read fails, with an error number
    NotRegular,  ///< a folder, FIFO, device or socket
    TooLarge,    ///< larger than any profile file of ours
    NotText,     ///< it holds a NUL byte
};

/// Reads file once to tell its state, without blocking on a FIFO; error is the number of the
/// failure when the state is ReadFails, else 0.
ProfileState checkProfileFile(const std::string& file, int& error);

/// Replaces the key's value where it stands, or adds it at the end of its section, creating the
/// section at the end of the file. The file is replaced atomically; a failure leaves it whole.
/// EINVAL for a section, key or value that would not read back as written, and for a file that
/// is no regular file; EFBIG for one too large to be a profile.
int writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value);

/// Appends text to a file, creating it when missing.
int appendText(const std::string& file, const std::string& text);

/// Writes a whole file atomically: a temporary file in the same folder renamed over the old one.
/// A file without the owner's write permission is refused with EACCES, also for the superuser.
int replaceFileAtomically(const std::string& file, const std::string& contents);

}  // namespace kadrel::platform
