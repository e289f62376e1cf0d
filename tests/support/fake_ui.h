// A UI seam for tests: records every call and answers message boxes from a script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/ui_seam.h"

namespace kadrel::test {

struct ShownMessage {
    std::string text;
    std::string title;
};

class FakeUi : public UiSeam {
  public:
    MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon, MsgButtons,
                          MsgResult defaultButton) override {
        messages.push_back({text, title});
        if (answers.empty())
            return defaultButton;
        const MsgResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showProgress(const std::string& text, int percent) override { progress.emplace_back(text, percent); }
    bool canAsk() const override { return asks; }

    std::deque<MsgResult> answers;  ///< scripted answers, the default button when empty
    bool asks = true;               ///< false: as a terminal nobody sits at
    std::vector<ShownMessage> messages;
    std::vector<std::pair<std::string, int>> progress;
};

}  // namespace kadrel::test
