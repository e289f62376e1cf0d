// The main window on a settings file of its own, for the Qt Test programs: Qt's seam with
// message boxes answered by their default button and recorded, and the screenshot hook.
// Controls are found by objectName: the member name without its trailing '_'.
#pragma once

#include <QtTest>
#include <QtWidgets>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "ui/main/main_window.h"

namespace kadrel::test {

/// Qt's seam recording boxes (answered by their default button) and progress texts, with a hook
/// on every progress call the window takes from a run.
class ScriptedUi : public QtUi {
  public:
    MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon, MsgButtons,
                          MsgResult defaultButton) override {
        shown.push_back({text, title});
        if (answers.empty())
            return defaultButton;
        const MsgResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    /// Records each new text once; the percentage moves many times within a file.
    void showProgress(const std::string& text, int percent) override {
        if (progress.empty() || progress.back() != text)
            progress.push_back(text);
        QtUi::showProgress(text, percent);
        if (onProgress)
            onProgress();
    }
    std::deque<MsgResult> answers;  ///< scripted answers, the default button when empty
    std::vector<ShownMessage> shown;
    std::vector<std::string> progress;
    std::function<void()> onProgress;
};

/// Holds the run's worker as the copy of each file begins and runs act(index) on the GUI thread
/// meanwhile: where a user's click lands between two files, without timing.
struct AtEachFile : kadrel::platform::FileFaults {
    AtEachFile(QObject* gui, std::function<void(int)> what) : gui_(gui), act_(std::move(what)) {}
    int beforeOpen(const std::string&) override {
        offGuiThread_ = offGuiThread_ && QThread::currentThread() != gui_->thread();
        const int index = files_++;
        QMetaObject::invokeMethod(
            gui_, [this, index] { act_(index); }, Qt::BlockingQueuedConnection);
        return 0;
    }

    /// True when every file began on a thread other than the GUI's.
    bool ranOffGuiThread() const { return files_ > 0 && offGuiThread_; }

  private:
    QObject* gui_;
    std::function<void(int)> act_;
    int files_ = 0;
    bool offGuiThread_ = true;
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

/// A folder for the card or the target. While the pictures of docs/screenshots are made it is
/// $HOME/name (the README makes them with a home of their own), typed with "~", so that no
/// picture shows a path of the machine that made it; otherwise a fresh temporary folder.
class CardFolder {
  public:
    explicit CardFolder(const std::string& name) : typed_("~/" + name + "/") {
        root_ = std::filesystem::path(qgetenv("HOME").toStdString()) / name;
        if (qEnvironmentVariableIsEmpty("KADREL_SCREENSHOTS") || root_.is_relative() ||
            std::filesystem::exists(root_)) {  // never one the tests did not make
            temp_ = std::make_unique<TempDir>();
            root_ = typed_ = temp_->path();
            return;
        }
        for (made_ = root_; !std::filesystem::exists(made_.parent_path());)
            made_ = made_.parent_path();
        std::filesystem::create_directories(root_);
    }
    ~CardFolder() {
        if (!temp_)
            std::filesystem::remove_all(made_);
    }

    /// The folder, ending with '/'.
    std::string path() const { return (root_ / "").string(); }
    /// Writes a file (parent folders created) and returns its path.
    std::string write(const std::string& name, const std::string& contents) const {
        const std::filesystem::path file = root_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
        return file.string();
    }
    /// The folder as a user types it into a folder field.
    QString typed() const { return QString::fromStdString(typed_); }

  private:
    std::unique_ptr<TempDir> temp_;
    std::filesystem::path root_, made_;
    std::string typed_;
};

/// count clips, dated a day apart so their names differ.
inline void makeClips(const CardFolder& card, int count, size_t bytes) {
    namespace fs = std::filesystem;
    for (int i = 0; i < count; ++i) {
        const std::string data(bytes, char('a' + i));
        const std::string name = "PRG00" + std::to_string(i) + "/MOV00" + std::to_string(i) + ".MOD";
        fs::last_write_time(card.write(name, data),
                            fs::file_time_type::clock::now() - std::chrono::hours(24 * (i + 2)));
    }
}

/// One loaded main window; ini (if not empty) is written as Kadrel.ini first.
struct MainWindowHarness {
    TempDir dir;
    CardFolder card{"media/CAMCORDER"}, target{"Videos/Kadrel"};
    Settings settings;
    RunControl control;
    ScriptedUi ui;
    std::unique_ptr<kadrel::MainWindow> form;

    explicit MainWindowHarness(const std::string& ini = "") {
        settings.iniFile = dir.file("Kadrel.ini");
        if (!ini.empty())
            dir.write("Kadrel.ini", ini);
        form = std::make_unique<kadrel::MainWindow>(settings, control, ui);
        ui.setOwner(form.get());
        ui.setProgressView(form.get());
        form->loadSettings();
    }
    /// Shows the window copying from card to target.
    void showWithCard() {
        form->show();
        edit("sourceFolderEdit")->setText(card.typed());
        edit("targetFolderEdit")->setText(target.typed());
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
    QPushButton* start() const { return button("startButton"); }
    std::string ini() const { return readAll(settings.iniFile); }
    /// Waits until the work on the window's worker thread has ended and the window took it up.
    bool settled() const {
        return QTest::qWaitFor([this] { return !form->busy(); }, 60000);
    }
    /// The state every run and selection ends in: no progress display, the controls back.
    void verifyIdle() const {
        QVERIFY(settled());
        QVERIFY(!control.running && start()->isEnabled() && start()->text() == "&Start");
        QVERIFY(form->findChild<QProgressBar*>() == nullptr &&
                !get<QLabel>("progressLabel")->isVisibleTo(form.get()));
        QVERIFY(get<QLabel>("statusLabel")->isVisibleTo(form.get()));
        QVERIFY(edit("sourceFolderEdit")->isEnabled() && edit("userTextEdit")->isEnabled());
    }
};

}  // namespace kadrel::test
