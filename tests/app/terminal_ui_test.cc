#include "app/terminal_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace kadrel {
namespace {

struct Captured {
    std::FILE* file = std::tmpfile();
    ~Captured() { std::fclose(file); }
    std::string text() {
        std::fflush(file);
        std::rewind(file);
        std::string out;
        for (int c; (c = std::fgetc(file)) != EOF;)
            out += static_cast<char>(c);
        return out;
    }
};

// Without a terminal a question takes the default: a script never deletes by accident.
TEST(TerminalUi, QuestionsTakeYesOnlyFromATerminal) {
    struct Case {
        const char* input;
        bool terminal;
        MsgResult expected;
    } cases[] = {
        {"y\n", true, MsgResult::Ok},    {"YES\n", true, MsgResult::Ok},
        {"\n", true, MsgResult::Cancel}, {"maybe\n", true, MsgResult::Cancel},
        {"", true, MsgResult::Cancel},   {"y\n", false, MsgResult::Cancel},
    };
    for (const auto& c : cases) {
        Captured err;
        std::istringstream in(c.input);
        TerminalUi ui(err.file, in, c.terminal, c.terminal);
        EXPECT_EQ(
            ui.showMessage("Sure?", "Confirm", MsgIcon::Critical, MsgButtons::OkCancel, MsgResult::Cancel),
            c.expected)
            << c.input << c.terminal;
    }
}

TEST(TerminalUi, ProgressLineIsEndedBeforeTheNextBox) {
    Captured err;
    std::istringstream in;
    TerminalUi ui(err.file, in, false, true);
    ui.showProgress("processing File 1 of 2", 50);
    ui.showMessage("text", "ERROR", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    const std::string out = err.text();
    EXPECT_NE(out.find("processing File 1 of 2  50%\nERROR\ntext\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace kadrel
