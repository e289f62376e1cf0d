// The main window on a settings file of its own, for the Qt Test programs: Qt's seam with
// message boxes answered by their default button and recorded, and the screenshot hook.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "support/fakeui.h"
#include "support/tempdir.h"
#include "ui/main/frmMain.h"

namespace kadrel::test {

/// Qt's seam recording boxes (answered by their default button) and progress texts, with a
/// hook on every pump of events (where a user's click lands during a run).
class ScriptedUi : public QtUi {
  public:
    MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                          MsgResult defaultButton) override {
        shown.push_back({text, title, icon, buttons, defaultButton});
        return defaultButton;
    }
    void processEvents() override {
        if (onEvents)
            onEvents();
        QtUi::processEvents();
    }
    /// Records each new text once; the percentage moves many times within a file.
    void showProgress(const std::string& text, int percent) override {
        if (progress.empty() || progress.back() != text)
            progress.push_back(text);
        percents.push_back(percent);
        QtUi::showProgress(text, percent);
    }
    std::vector<ShownMessage> shown;
    std::vector<std::string> progress;
    std::vector<int> percents;
    std::function<void()> onEvents;
};

/// Saves widget's picture as name.png in $KADREL_SCREENSHOTS (the pictures of docs/screenshots),
/// when that is set; false when saving failed.
inline bool saveShot(QWidget& widget, const char* name) {
    const QByteArray folder = qgetenv("KADREL_SCREENSHOTS");
    return folder.isEmpty() || widget.grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
}

/// Files in folder (not recursive) by name, with their contents.
inline std::map<std::string, std::string> filesIn(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = readAll(entry.path().string());
    return files;
}

/// One loaded main window; ini (if not empty) is written as Kadrel.ini first.
struct MainWindow {
    TempDir dir, card, target;
    Settings settings;
    RunControl control;
    ScriptedUi ui;
    std::unique_ptr<frmMain> form;

    explicit MainWindow(const std::string& ini = "") {
        settings.inifile = dir.file("Kadrel.ini");
        if (!ini.empty())
            dir.write("Kadrel.ini", ini);
        form = std::make_unique<frmMain>(settings, control, ui);
        ui.setOwner(form.get());
        ui.setProgressView(form.get());
        form->Form_Load();
    }
    /// Shows the window copying from card to target.
    void showWithCard() {
        form->show();
        edit("lSourcedir")->setText(QString::fromStdString(card.path()));
        edit("lTargetdir")->setText(QString::fromStdString(target.path()));
    }
    template <class W>
    W* get(const char* name) const {
        W* widget = form->findChild<W*>(name);
        if (widget == nullptr)
            qFatal("no control %s", name);
        return widget;
    }
    QLineEdit* edit(const char* name) const { return get<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return get<QPushButton>(name); }
    QCheckBox* check(const char* name) const { return get<QCheckBox>(name); }
    QPushButton* start() const { return button("btnStart"); }
    std::string ini() const { return readAll(settings.inifile); }
    /// The state every run and selection ends in: no progress display, the controls back.
    void verifyIdle(bool startEnabled = true) const {
        QVERIFY(!control.running);
        QCOMPARE(start()->text(), QString("&Start"));
        QCOMPARE(start()->isEnabled(), startEnabled);
        QVERIFY(form->findChild<QProgressBar*>() == nullptr);
        QVERIFY(!get<QLabel>("Label4")->isVisibleTo(form.get()));
        QVERIFY(get<QLabel>("Label3")->isVisibleTo(form.get()));
        QVERIFY(edit("lSourcedir")->isEnabled() && edit("txtUserString")->isEnabled());
        QVERIFY(button("Check1")->isEnabled());
    }
};

}  // namespace kadrel::test
