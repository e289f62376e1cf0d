// Profile (ini) files with the semantics of the Windows profile functions: sections and keys
// match without regard to case, values are trimmed, and writing a key keeps every other line.
#pragma once

#include <optional>
#include <string>

namespace kadrel::platform {

/// The value of key in section, trimmed of blanks; nullopt when the file, the section or the
/// key is missing or unreadable.
std::optional<std::string> readProfileString(const std::string& file, const std::string& section,
                                             const std::string& key);

/// Whether a profile file can be used at all.
enum class ProfileState {
    Missing,     ///< nothing under that name
    Readable,    ///< a regular file of text, read whole
    Unreadable,  ///< its open or read fails, it is no regular file or it holds a NUL byte
};

/// Reads file once to tell its state, without blocking on a FIFO; why says what made it
/// Unreadable, in words for the user.
ProfileState checkProfileFile(const std::string& file, std::string& why);

/// Replaces the key's value where it stands, or adds it at the end of its section, creating the
/// section at the end of the file. The file is replaced atomically; a failure leaves it whole.
bool writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

/// Appends text to a file, creating it when missing. False when it cannot be opened or written.
bool appendText(const std::string& file, const std::string& text);

/// Writes a whole file atomically: a temporary file in the same folder renamed over the old one.
bool replaceFileAtomically(const std::string& file, const std::string& contents);

}  // namespace kadrel::platform
