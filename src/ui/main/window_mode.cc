#include "ui/main/window_mode.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "engine/run_context.h"
#include "ui/main/main_window.h"
#include "ui/main/program_icon.h"
#include "ui/main/qt_ui_seam.h"

namespace kadrel {

namespace {

const char kNoDisplay[] = "kadrel: no display to open the window on; use command-line mode (kadrel -h).\n";

bool hasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

/// True when Qt has somewhere to draw: a display, or a platform chosen by the user.
bool displayAvailable() {
    return hasEnv("QT_QPA_PLATFORM") || hasEnv("DISPLAY") || hasEnv("WAYLAND_DISPLAY");
}

QStringList heldMessages;

// Qt ends the process when no platform plugin starts (an unreachable display); say what to
// do instead in one line and leave with a failure status rather than a core dump. Qt's own
// messages of the start are held back until it is clear the window can open.
void holdStartMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        heldMessages.append(qFormatLogMessage(type, context, message));
        return;
    }
    std::fputs(kNoDisplay, stderr);
    std::_Exit(2);
}

void releaseStartMessages() {
    qInstallMessageHandler(nullptr);
    for (const QString& message : heldMessages)
        std::fprintf(stderr, "%s\n", qPrintable(message));
    heldMessages.clear();
}

}  // namespace

int runWindowMode(int argc, char** argv, Settings& settings) {
    if (!displayAvailable()) {
        std::fputs(kNoDisplay, stderr);
        return 2;
    }
    qInstallMessageHandler(holdStartMessages);
    QApplication app(argc, argv);
    releaseStartMessages();
    QGuiApplication::setDesktopFileName(kApplicationId);
    app.setWindowIcon(programIcon());  // every window, message boxes and the folder chooser too
    QtUi ui;
    RunControl control;
    MainWindow form(settings, control, ui);
    ui.setOwner(&form);
    ui.setProgressView(&form);
    form.loadSettings();
    form.show();
    return app.exec();
}

}  // namespace kadrel
