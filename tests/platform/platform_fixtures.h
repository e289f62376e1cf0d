// Fixtures shared by the platform tests of every system and those of one system only (a suite's
// fixture must be one class wherever its tests are).
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/file_copy.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace kadrel::platform {

struct FileCopy : ::testing::Test {
    test::TempDir dir;
    CopyOptions o;
};

struct Profile : ::testing::Test {
    test::TempDir dir;
    /// The value readProfileString gives; nullopt when the call fails.
    static std::optional<std::string> valueOf(const std::string& file, const std::string& section,
                                              const std::string& key) {
        std::string value;
        return readProfileString(file, section, key, value) == 0 ? std::optional(value) : std::nullopt;
    }
};

}  // namespace kadrel::platform
