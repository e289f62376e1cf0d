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

TEST(TerminalUi, QuestionsWithoutATerminalTakeTheDefault) {
    Captured err;
    std::istringstream in("y\n");
    TerminalUi ui(err.file, in, false, false);
    EXPECT_EQ(ui.showMessage("Delete?", "Delete files?", MsgIcon::Critical, MsgButtons::OkCancel,
                             MsgResult::Cancel),
              MsgResult::Cancel)
        << "a script never deletes by accident";
}

TEST(TerminalUi, QuestionsOnATerminal) {
    struct Case {
        const char* input;
        MsgResult expected;
    } cases[] = {
        {"y\n", MsgResult::Ok},     {"YES\n", MsgResult::Ok},       {"\n", MsgResult::Cancel},
        {"n\n", MsgResult::Cancel}, {"maybe\n", MsgResult::Cancel}, {"", MsgResult::Cancel},
    };
    for (const auto& c : cases) {
        Captured err;
        std::istringstream in(c.input);
        TerminalUi ui(err.file, in, true, true);
        EXPECT_EQ(
            ui.showMessage("Sure?", "Confirm", MsgIcon::Critical, MsgButtons::OkCancel, MsgResult::Cancel),
            c.expected)
            << c.input;
        EXPECT_NE(err.text().find("[y/N"), std::string::npos);
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
