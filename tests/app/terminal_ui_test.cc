// The terminal front end of command-line runs: its questions, and the progress line drawn on it.
#include "app/terminal_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <tuple>
#include <vector>

#include "app/terminal_progress.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

/// What the front end writes, kept in a file of a temporary folder.
struct Captured {
    test::TempDir dir;
    std::FILE* file = std::fopen(dir.file("err.txt").c_str(), "wb");
    ~Captured() { std::fclose(file); }
    std::string text() { return std::fflush(file) == 0 ? test::readAll(dir.file("err.txt")) : "?"; }
};

// Without a terminal a question takes the default: a script never deletes by accident.
TEST(TerminalUi, QuestionsTakeYesOnlyFromATerminal) {
    // what the user types, whether on a terminal, the answer
    const std::tuple<const char*, bool, MsgResult> cases[] = {
        {"y\n", true, MsgResult::Ok},    {"YES\n", true, MsgResult::Ok},
        {"\n", true, MsgResult::Cancel}, {"maybe\n", true, MsgResult::Cancel},
        {"", true, MsgResult::Cancel},   {"y\n", false, MsgResult::Cancel},
    };
    Captured err;
    for (const auto& [input, terminal, expected] : cases) {
        std::istringstream in(input);
        TerminalUi ui(err.file, in, terminal, terminal);
        EXPECT_EQ(
            ui.showMessage("Sure?", "Confirm", MsgIcon::Critical, MsgButtons::OkCancel, MsgResult::Cancel),
            expected)
            << input << terminal;
    }
}

// The /E report goes into the system's box only when someone can close it; a script reading
// standard error gets it there, and so does everyone where the system shows no box.
TEST(TerminalUi, ReportsGoToTheMessageBoxOnlyWhenSomeoneCanCloseIt) {
    static std::vector<std::string> boxes;
    const auto shows = [](const std::string& text, const std::string& title) {
        boxes.push_back(title + "|" + text);
        return true;
    };
    const auto showsNone = [](const std::string&, const std::string&) { return false; };
    // at a terminal, the system's box, whether the box is shown
    const std::tuple<bool, TerminalUi::MessageBoxCall, bool> cases[] = {
        {true, shows, true}, {false, shows, false}, {true, showsNone, false}, {true, nullptr, false}};
    for (const auto& [terminal, box, inBox] : cases) {
        boxes.clear();
        Captured err;
        std::istringstream in;
        TerminalUi ui(err.file, in, terminal, terminal);
        ui.showReportsIn(box);
        UiSeam& seam = ui;
        seam.showReport("ERROR 4\r\n\r\nDescription", "Error");
        EXPECT_EQ(boxes, inBox ? std::vector<std::string>{"Error|ERROR 4\r\n\r\nDescription"}
                               : std::vector<std::string>{});
        EXPECT_EQ(err.text(), inBox ? "" : "Error\nERROR 4\n\nDescription\n");
    }
}

TEST(TerminalUi, ProgressLineIsEndedBeforeTheNextBoxAndOnlyDrawnOnATerminal) {
    for (const bool terminal : {true, false}) {
        Captured err;
        std::istringstream in;
        TerminalUi ui(err.file, in, false, terminal);
        TerminalProgress progress(ui);
        progress.onFile(0, 2, "/card/a.MOD");
        progress.onBytes(10, 20);
        EXPECT_EQ(err.text().empty(), !terminal);
        ui.showProgress("processing File 1 of 2", 50);
        ui.showMessage("text", "ERROR", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        const std::string out = err.text();
        EXPECT_EQ(out.find("processing File 1 of 2  50%\nERROR\ntext\n") != std::string::npos, terminal)
            << out;
    }
}

}  // namespace
}  // namespace kadrel
