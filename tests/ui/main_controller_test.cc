// The main window's rules without a window: each row drives the controller through what a user
// does and the work reports, then compares its answers and what the window shows. Also the
// rules of the fields: "~", the example name and the extension question.
#include "ui/main/main_controller.h"

#include <gtest/gtest.h>

#include <array>
#include <regex>

#include "engine/copy/date_time_names.h"
#include "ui/main/input_rules.h"

namespace kadrel {
namespace {

using Step = std::string (*)(MainController&);

// What each step answers (see the enums): "drop" the list, how a step of the selection ended,
// what Start and the close box ask for, "close" when the window closes after a run.
const auto ended = [](StepEnd end) { return std::string(std::array{"go", "stopped", "close"}[int(end)]); };
const auto drop = [](bool dropped) { return std::string(dropped ? "drop" : ""); };

const Step Source = [](MainController& c) { return drop(c.sourceEdited("/card")); };
const Step NoSource = [](MainController& c) { return drop(c.sourceEdited("")); };
const Step Mod = [](MainController& c) { return drop(c.searchExtEdited("mod")); };
const Step Jpg = [](MainController& c) { return drop(c.searchExtEdited("JPG")); };
const Step Avi = [](MainController& c) { return drop(c.searchExtEdited("AVI")); };
const Step DotMod = [](MainController& c) { return drop(c.searchExtEdited(".MOD")); };
const Step NoRename = [](MainController& c) { return c.renameExtEdited(""), std::string(); };
const Step AllFiles = [](MainController& c) { return c.allFilesClicked(), std::string(); };
const Step Manual = [](MainController& c) { return c.searchStarted(), std::string(); };
const Step Found3 = [](MainController& c) { return ended(c.searchEnded(false, 3)); };
const Step NothingFound = [](MainController& c) { return ended(c.searchEnded(false, 0)); };
const Step SearchAborted = [](MainController& c) { return ended(c.searchEnded(true, 1)); };
/// A card folder searched for clips.
const Step Card = [](MainController& c) {
    return drop(c.sourceEdited("/card")) + drop(c.searchExtEdited("mod"));
};
/// The search finds three files and the browser opens.
const Step Browse = [](MainController& c) {
    return c.searchStarted(), c.searchEnded(false, 3), std::string();
};
const Step Picked2 = [](MainController& c) { return c.browserClosed(2), std::string(); };
const Step Picked0 = [](MainController& c) { return c.browserClosed(0), std::string(); };
const Step RunEnd = [](MainController& c) { return std::string(c.runEnded() ? "close" : ""); };
const Step Close = [](MainController& c) {
    return std::string(std::array{"close-now", "abort-search", "abort-run", "wait"}[int(c.closeRequested())]);
};
const Step Start = [](MainController& c) {
    const StartAction action = c.startClicked();
    if (action == StartAction::StartRun)
        c.runStarted();  // the checks passed
    return std::string(std::array{"none", "run", "abort-search", "abort-run"}[int(action)]);
};

const char* const kActivities[] = {"Idle", "Searching", "Browsing", "Running", "Stopping", "Closing"};

/// What the window shows: activity, mode, Start, the manual toggle ("M" with its first
/// caption), the 16:9 box, the other inputs, the status line; '+' enabled, '-' disabled.
std::string shown(const MainController& c) {
    auto on = [](bool enabled) { return enabled ? "+" : "-"; };
    const std::string caption = c.manualCaption();
    const std::string toggle = caption == "&Manual Selection" ? " M" : " [" + caption + "]";
    std::string text = std::string(kActivities[int(c.activity())]) +
                       (c.mode() == CopyMode::AllFiles ? " all" : " manual") + " [" + c.startCaption() + "]" +
                       on(c.startEnabled()) + toggle + on(c.manualEnabled()) + " ws" +
                       on(c.wideScreenEnabled()) + " in" + on(c.inputsEnabled());
    return c.statusText().empty() ? text : text + " " + c.statusText();
}

/// The same text one line per control, so that a failure shows which control differs.
std::string perControl(const std::string& text) {
    static const std::regex form(
        R"(^(.*)=> (\w+) (all|manual) \[(.*?)\]([+-]) (M|\[.*?\])([+-]) ws([+-]) in([+-]) ?(.*)$)");
    std::smatch m;
    if (!std::regex_match(text, m, form))
        return "unreadable: " + text;
    auto on = [&](int i) { return m[i] == "+" ? "enabled" : "disabled"; };
    return "answers: " + m[1].str() + "\nactivity: " + m[2].str() + "\nmode: " + m[3].str() +
           "\nStart button: \"" + m[4].str() + "\" " + on(5) + "\nmanual toggle: " + m[6].str() + " " +
           on(7) + "\n16:9 box: " + on(8) + "\nother inputs: " + on(9) + "\nstatus line: \"" + m[10].str() +
           "\"";
}

struct Row {
    std::vector<Step> steps;
    const char* expected;  ///< the answers, "=>", what the window shows
};

const Row kRows[] = {
    {{}, "=> Idle all [&Start !]- M- ws- in+"},                       // first start
    {{Card}, "=> Idle all [&Start !]+ M+ ws+ in+"},                   // clip folder
    {{Source, Jpg}, "=> Idle all [&Start !]+ M+ ws- in+"},            // pictures
    {{Source, Avi}, "=> Idle all [&Start !]+ M- ws- in+"},            // other files
    {{Source, DotMod}, "=> Idle all [&Start !]+ M- ws- in+"},         // whole text only
    {{Mod}, "=> Idle all [&Start !]- M- ws+ in+"},                    // no source folder
    {{Card, NoSource}, "=> Idle all [&Start !]- M- ws+ in+"},         // source emptied
    {{Source, Jpg, NoRename}, "=> Idle all [&Start !]- M+ ws- in+"},  // pictures need a new extension
    {{Card, NoRename}, "=> Idle all [&Start !]+ M+ ws+ in+"},         // clips do not
    {{Card, AllFiles}, "=> Idle all [&Start !]+ M+ ws+ in+"},         // pressed toggle stays
    {{Card, Manual}, "=> Searching manual [&Abort]+ M- ws- in- searching for files..."},  // searching
    {{Card, Manual, Found3}, "go => Browsing manual [&Start]- M- ws- in-"},               // browser open
    {{Card, Browse, Picked2}, "=> Idle manual [&Start]+ [2 Files selected]+ ws+ in+"},    // two picked
    {{Card, Browse, Picked0}, "=> Idle manual [&Start]- [0 Files selected]+ ws+ in+"},    // none picked
    {{Card, Manual, NothingFound}, "stopped => Idle manual [&Start]- M+ ws+ in+"},        // nothing found
    {{Card, Manual, Start, SearchAborted}, "abort-search stopped => Idle manual [&Start]- M+ ws+ in+"},
    {{Card, Browse, Picked2, Manual}, "=> Searching manual [&Abort]+ M- ws- in- searching for files..."},
    {{Card, Browse, Picked2, Source}, "drop => Idle manual [&Start]- M+ ws+ in+"},      // edit
    {{Card, Browse, Picked2, Mod}, "drop => Idle manual [&Start]- M+ ws+ in+"},         // edit
    {{Card, Browse, Picked0, AllFiles}, "=> Idle all [&Start]+ M+ ws+ in+"},            // back to all files
    {{Card, Start}, "run => Running all [&Abort!]+ M- ws- in-"},                        // run
    {{Source, Jpg, Start, RunEnd}, "run => Idle all [&Start]+ M+ ws- in+"},             // 16:9 box stays off
    {{Card, Start, Start}, "run abort-run => Stopping all [Please wait]- M- ws- in-"},  // abort
    {{Card, Start, Start, RunEnd}, "run abort-run => Idle all [&Start]+ M+ ws+ in+"},   // aborted run over
    {{Source, Close}, "close-now => Idle all [&Start !]+ M- ws- in+"},                  // close when idle
    {{Card, Start, Close}, "run abort-run => Closing all [Please wait]- M- ws- in-"},   // close during a run
    {{Card, Start, Close, Close, RunEnd, Close},
     "run abort-run wait close close-now => Idle all [&Start]+ M+ ws+ in+"},
    {{Card, Start, Start, Close, RunEnd}, "run abort-run wait close => Idle all [&Start]+ M+ ws+ in+"},
    {{Card, Manual, Close, SearchAborted}, "abort-search close => Idle manual [&Start]- M+ ws+ in+"},
    {{Card, Browse, Close}, "close-now => Browsing manual [&Start]- M- ws- in-"},  // close
};

TEST(MainControllerTest, RulesAlongWhatTheUserDoes) {
    for (const Row& row : kRows) {
        MainController c;
        c.renameExtEdited("MPG");
        std::string answers;
        for (Step step : row.steps)
            if (const std::string answer = step(c); !answer.empty())
                answers += answer + " ";
        EXPECT_EQ(perControl(answers + "=> " + shown(c)), perControl(row.expected)) << "row " << &row - kRows;
    }
}

TEST(MainWindowRulesTest, FieldTexts) {
    for (const auto& [typed, meant] :
         {std::pair{"~", "/home/u"}, {"~/My Clips", "/home/u/My Clips"}, {"~u", "~u"}})
        EXPECT_EQ(expandHome(typed, "/home/u/"), meant) << typed;
    const std::tuple<const char*, bool, const char*, const char*> examples[] = {
        {"yyyymmdd_HHMMSS", false, "/videos", "(Example:yyyymmdd_HHMMSSHoliday_.MPG)"},
        {"yyyymmdd_HHMMSS", true, "/videos", "(Example:Holiday_yyyymmdd_HHMMSS.MPG)"},
        {"dd-mm-yy_HH-MM-SS", true, "", "(Example:Holiday_\"original filename\".MPG)"},  // patch mode
        {"yyyy.mm", false, "/videos", "(Example:yyyy.mmHoliday_.MPG)"},  // a pattern of the user's own
        {"", false, "/videos", "(Example:\"original filename\"Holiday_.MPG)"}};
    for (const auto& [format, before, target, expected] : examples) {
        Settings s;
        s.targetDir = target;
        s.userText = "Holiday_";
        s.dateFormatName = format;
        s.textBeforeDate = before;
        s.datePattern = formatToPattern(s.dateFormatName);
        EXPECT_EQ(exampleText(s, "MPG"), expected) << format;
    }
    // Asked about: pictures to clips and clips to pictures; not: matching pairs.
    for (const auto& [search, rename] : {std::pair{"JPG", "MPG"}, {"bmp", "mod"}, {"MOD", "jpg"}})
        EXPECT_NE(extensionQuestion(search, rename), "") << search << " " << rename;
    for (const auto& [search, rename] : {std::pair{"MOD", "MPG"}, {"JPG", "jpg"}})
        EXPECT_EQ(extensionQuestion(search, rename), "") << search << " " << rename;
}

}  // namespace
}  // namespace kadrel
