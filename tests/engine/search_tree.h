// The search's fixture: a temporary tree searched for .MOD files, shared by the tests of every
// system and those of one system only.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/copy/file_search.h"
#include "support/temp_dir.h"

namespace kadrel {

class SearchTree : public ::testing::Test {
  protected:
    std::vector<std::string> search(const std::string& root) {
        std::vector<std::string> files;
        outcome = searchFiles(state, root, "MOD", files, abort);
        return files;
    }
    test::TempDir dir;
    SearchState state;
    std::atomic<bool> abort{false};
    Outcome outcome;
};

}  // namespace kadrel
