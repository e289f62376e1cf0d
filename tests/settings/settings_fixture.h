// The settings file's fixture, shared by the tests of every system and those of one system only.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace kadrel {

class SettingsFile : public ::testing::Test {
  protected:
    /// Writes contents as the settings file (none when nullopt), loads it in window mode and
    /// returns what the file then holds.
    std::string load(const std::optional<std::string>& contents = std::nullopt) {
        s.iniFile = contents ? dir.write("Kadrel.ini", *contents) : dir.file("Kadrel.ini");
        told(loadSettings(s));
        return test::readAll(s.iniFile);
    }
    /// Keeps what a front end would show.
    void told(const SettingsErrors& errors) { shown.insert(shown.end(), errors.begin(), errors.end()); }
    test::TempDir dir;
    std::vector<std::string> shown;
    Settings s;
};

}  // namespace kadrel
