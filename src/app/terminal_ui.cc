#include "app/terminal_ui.h"

#include <cctype>
#include <iostream>
#include <string>

#include "platform/console_program.h"
#include "platform/file_system.h"
#include "platform/signals.h"
#include "platform/text_case.h"

namespace kadrel {

namespace {

bool isAffirmative(MsgButtons buttons, const std::string& answer) {
    std::string a;
    for (const char c : answer) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            a += c;
    }
    using platform::equalsNoCase;
    return equalsNoCase(a, "y") || equalsNoCase(a, "yes") ||
           (buttons == MsgButtons::OkCancel && equalsNoCase(a, "ok"));
}

const char* promptFor(MsgButtons buttons, MsgResult defaultButton) {
    const bool yesDefault = defaultButton == MsgResult::Ok || defaultButton == MsgResult::Yes;
    if (buttons == MsgButtons::OkCancel)
        return yesDefault ? "[Y/n, n = Cancel] " : "[y/N, N = Cancel] ";
    return yesDefault ? "[Y/n] " : "[y/N] ";
}

MsgResult yesAnswer(MsgButtons buttons) {
    return buttons == MsgButtons::OkCancel ? MsgResult::Ok : MsgResult::Yes;
}
MsgResult noAnswer(MsgButtons buttons) {
    return buttons == MsgButtons::OkCancel ? MsgResult::Cancel : MsgResult::No;
}

const char* resultName(MsgResult result) {
    switch (result) {
        case MsgResult::Ok:
            return "OK";
        case MsgResult::Cancel:
            return "Cancel";
        case MsgResult::Yes:
            return "Yes";
        case MsgResult::No:
            return "No";
    }
    return "";
}

}  // namespace

std::string toTerminalText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i] == '\r' ? '\n' : text[i];
    }
    return out;
}

TerminalUi::TerminalUi(std::FILE* err, std::istream& in, bool interactive, bool progressOnTerminal)
    : err_(err), in_(in), interactive_(interactive), progressOnTerminal_(progressOnTerminal) {}

TerminalUi TerminalUi::forProcess() {
    TerminalUi ui(stderr, std::cin, platform::isTerminal(0) && platform::isTerminal(2),
                  platform::isTerminal(2));
    ui.inputFd_ = 0;
    ui.showReportsIn(platform::showCriticalMessageBox);
    return ui;
}

MsgResult TerminalUi::showMessage(const std::string& text, const std::string& title, MsgIcon,
                                  MsgButtons buttons, MsgResult defaultButton) {
    endProgress();
    std::fprintf(err_, "%s\n%s\n", title.c_str(), toTerminalText(text).c_str());
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    return ask(buttons, defaultButton);
}

void TerminalUi::showReport(const std::string& text, const std::string& title) {
    if (interactive_ && box_ != nullptr && box_(text, title))
        return;
    showMessage(text, title, MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
}

MsgResult TerminalUi::ask(MsgButtons buttons, MsgResult defaultButton) {
    if (!interactive_) {
        std::fprintf(err_, "(no terminal to answer: %s)\n", resultName(defaultButton));
        return defaultButton;
    }
    std::fputs(promptFor(buttons, defaultButton), err_);
    std::fflush(err_);
    std::string answer;
    if (inputFd_ >= 0 && !platform::waitForInputOrStop(inputFd_)) {
        std::fputc('\n', err_);
        return defaultButton;
    }
    if (!std::getline(in_, answer))
        return defaultButton;
    const bool blank = answer.find_first_not_of(" \t\r") == std::string::npos;
    if (blank)
        return defaultButton;
    return isAffirmative(buttons, answer) ? yesAnswer(buttons) : noAnswer(buttons);
}

void TerminalUi::showProgress(const std::string& text, int percent) {
    showStatusLine(text + "  " + std::to_string(percent) + "%");
}

void TerminalUi::showStatusLine(const std::string& line) {
    if (!progressOnTerminal_)
        return;
    std::fprintf(err_, "\r\033[K%s", line.c_str());
    std::fflush(err_);
    progressShown_ = true;
}

void TerminalUi::endProgress() {
    if (!progressShown_)
        return;
    std::fputc('\n', err_);
    progressShown_ = false;
}

void TerminalUi::showLine(const std::string& line) {
    endProgress();
    std::fprintf(err_, "%s\n", toTerminalText(line).c_str());
    std::fflush(err_);
}

}  // namespace kadrel
