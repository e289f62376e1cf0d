// Fixtures shared by the platform tests of every system and those of one system only (a suite's
// fixture must be one class wherever its tests are).
#pragma once

#include <gtest/gtest.h>

#include "platform/file_copy.h"
#include "support/temp_dir.h"

namespace kadrel::platform {

struct FileCopy : ::testing::Test {
    test::TempDir dir;
    CopyOptions o;
};

struct Profile : ::testing::Test {
    test::TempDir dir;
};

}  // namespace kadrel::platform
