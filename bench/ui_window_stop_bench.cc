// How fast the window lets go of a run: Abort to idle (the controls back) and close to the
// window gone (the process then exits), each pressed part way through the first of three large
// clips. The baseline, measured in the same run, is the time one whole clip takes to copy: what
// a stop that waited for the file in progress would cost. The target folder defaults to
// /dev/shm, so that the flush of the copies finished before the stop is left out.
//
//   ui_window_stop_bench [--mib N] [--rounds N] [--work FOLDER] [--wide 1]
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/main/main_window.h"
#include "ui/main/qt_ui_seam.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

/// Qt's seam with every box answered by its default button, and the last progress kept.
class QuietUi : public kadrel::QtUi {
  public:
    kadrel::MsgResult showMessage(const std::string&, const std::string&, kadrel::MsgIcon, kadrel::MsgButtons,
                                  kadrel::MsgResult defaultButton) override {
        return defaultButton;
    }
    void showProgress(const std::string& text, int percent) override {
        lastText = text;
        lastPercent = percent;
        QtUi::showProgress(text, percent);
    }
    std::string lastText;
    int lastPercent = 0;
};

struct Options {
    int mib = 250;
    int rounds = 3;
    std::string work = "/dev/shm";
    bool wide = false;  ///< with the 16:9 box, so that each copy is also scanned
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--mib")
            o.mib = std::stoi(argv[i + 1]);
        else if (key == "--rounds")
            o.rounds = std::stoi(argv[i + 1]);
        else if (key == "--work")
            o.work = argv[i + 1];
        else if (key == "--wide")
            o.wide = std::string(argv[i + 1]) == "1";
    }
    return o;
}

/// The sample clip over and over: real MPEG-2, so that the 16:9 scan has its usual work.
std::string sampleBlock() {
    std::ifstream in(KADREL_SOURCE_DIR "/samples/card/SD_VIDEO/PRG001/MOV001.MOD", std::ios::binary);
    const std::string clip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string block;
    while (!clip.empty() && block.size() < (1u << 20))
        block += clip;
    block.resize(1 << 20, '\0');
    return block;
}

void makeCard(const fs::path& card, int mib) {
    const std::string block = sampleBlock();
    for (int i = 1; i <= 3; ++i) {
        fs::create_directories(card / ("PRG00" + std::to_string(i)));
        std::ofstream out(card / ("PRG00" + std::to_string(i)) / ("MOV00" + std::to_string(i) + ".MOD"),
                          std::ios::binary);
        for (int m = 0; m < mib; ++m)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

/// Runs the event loop until done() holds; false after limit seconds.
template <typename Done>
bool waitFor(Done done, double limit) {
    const auto began = Clock::now();
    while (!done()) {
        if (std::chrono::duration<double>(Clock::now() - began).count() > limit)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

/// One window on the card, its target emptied first.
struct Window {
    Window(const fs::path& work, bool wide) {
        fs::remove_all(work / "out");
        fs::create_directories(work / "out");
        settings.iniFile = (work / "Kadrel.ini").string();
        form = std::make_unique<kadrel::MainWindow>(settings, control, ui);
        ui.setOwner(form.get());
        ui.setProgressView(form.get());
        form->loadSettings();
        form->show();
        form->findChild<QLineEdit*>("sourceFolderEdit")
            ->setText(QString::fromStdString((work / "card").string()));
        form->findChild<QLineEdit*>("targetFolderEdit")
            ->setText(QString::fromStdString((work / "out").string()));
        form->findChild<QCheckBox*>("setWideScreenBox")->setChecked(wide);
    }
    QPushButton* start() const { return form->findChild<QPushButton*>("startButton"); }
    /// Starts the run and waits until the first clip is a third copied.
    bool startAndWait() {
        start()->click();
        return waitFor([this] { return ui.lastText == "processing File 1 of 3" && ui.lastPercent >= 11; },
                       120);
    }
    kadrel::Settings settings;
    kadrel::RunControl control;
    QuietUi ui;
    std::unique_ptr<kadrel::MainWindow> form;
};

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

/// The time a whole run takes over three clips, divided by three.
double oneClip(const fs::path& work, bool wide) {
    Window w(work, wide);
    const auto began = Clock::now();
    w.start()->click();
    waitFor([&w] { return !w.form->busy(); }, 600);
    return seconds(began) / 3;
}

double abortToIdle(const fs::path& work, bool wide) {
    Window w(work, wide);
    if (!w.startAndWait())
        return -1;
    const auto pressed = Clock::now();
    w.start()->click();
    waitFor([&w] { return !w.form->busy() && w.start()->text() == "&Start"; }, 600);
    return seconds(pressed);
}

double closeToGone(const fs::path& work, bool wide) {
    Window w(work, wide);
    if (!w.startAndWait())
        return -1;
    const auto pressed = Clock::now();
    w.form->close();
    waitFor([&w] { return !w.form->busy() && !w.form->isVisible(); }, 600);
    return seconds(pressed);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const Options o = parse(argc, argv);
    QApplication app(argc, argv);
    const fs::path work = fs::path(o.work) / "kadrel-stop-bench";
    fs::remove_all(work);
    makeCard(work / "card", o.mib);
    std::vector<double> clip, abort, close;
    for (int r = 0; r < o.rounds; ++r) {
        clip.push_back(oneClip(work, o.wide));
        abort.push_back(abortToIdle(work, o.wide));
        close.push_back(closeToGone(work, o.wide));
    }
    const double base = median(clip);
    std::printf("3 clips of %d MiB in %s%s, medians of %d rounds\n", o.mib, work.c_str(),
                o.wide ? ", 16:9 box on" : "", o.rounds);
    std::printf("one clip copied (baseline)  %7.3f s  %7.0f MiB/s\n", base, o.mib / base);
    std::printf("Abort to idle               %7.3f s  %5.3f x baseline  (target < 0.5 s)\n", median(abort),
                median(abort) / base);
    std::printf("close to window gone        %7.3f s  %5.3f x baseline  (target < 0.5 s)\n", median(close),
                median(close) / base);
    fs::remove_all(work);
    return median(abort) < 0 || median(close) < 0 ? 1 : 0;
}
