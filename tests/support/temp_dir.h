// A real temporary folder for file tests, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kadrel::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The folder, ending with the system's separator.
    std::string path() const { return path_.string() + char(std::filesystem::path::preferred_separator); }
    /// A path inside the folder, name as given: the same string as path() + name.
    std::string file(const std::string& name) const { return path() + name; }
    /// Writes a file (parent folders created) and returns its path.
    std::string write(const std::string& name, const std::string& contents) const;

  private:
    std::filesystem::path path_;
};

/// Sets the process's time zone (TZ) for the life of the object, then puts the one before back.
class ZoneForTest {
  public:
    explicit ZoneForTest(const char* zone);
    ~ZoneForTest();
    ZoneForTest(const ZoneForTest&) = delete;
    ZoneForTest& operator=(const ZoneForTest&) = delete;

  private:
    std::optional<std::string> before_;
};

/// path with each '/' turned into the system's separator: a path as the program joins it.
inline std::string native(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = char(std::filesystem::path::preferred_separator);
    return path;
}

/// The whole contents of a file ("" when missing).
std::string readAll(const std::string& path);

/// Whether path carries the read-only attribute; nullopt when it cannot be examined.
std::optional<bool> readOnlyAttribute(const std::string& path);

}  // namespace kadrel::test
