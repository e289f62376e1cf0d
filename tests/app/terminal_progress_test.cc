#include "app/terminal_progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace kadrel {
namespace {

TEST(TerminalProgress, LineShowsFilePercentAndThroughput) {
    EXPECT_EQ(TerminalProgress::line(0, 4, 0.0, 0, 0.0), "processing File 1 of 4    0%  0.0 MiB/s");
    EXPECT_EQ(TerminalProgress::line(1, 4, 0.5, 100 << 20, 2.0), "processing File 2 of 4   37%  50.0 MiB/s");
    EXPECT_EQ(TerminalProgress::line(3, 4, 1.0, 1 << 20, 0.5), "processing File 4 of 4  100%  2.0 MiB/s");
    EXPECT_EQ(TerminalProgress::line(0, 0, 0.0, 0, 1.0), "processing File 1 of 0    0%  0.0 MiB/s");
}

TEST(TerminalProgress, NothingIsDrawnWhenStandardErrorIsNoTerminal) {
    std::FILE* err = std::tmpfile();
    std::istringstream in;
    TerminalUi ui(err, in, false, false);
    TerminalProgress progress(ui);
    progress.onFile(0, 2, "/card/a.MOD");
    progress.onBytes(10, 20);
    EXPECT_EQ(std::ftell(err), 0L);
    std::fclose(err);
}

}  // namespace
}  // namespace kadrel
