// The warning before patch mode and the two help pages; with KADREL_SCREENSHOTS set to a
// folder, also saves pictures of every window for the documentation.
#include <QAbstractButton>
#include <QApplication>

#include "main_window_fixture.h"
#include "ui/dialogs/help_window.h"
#include "ui/dialogs/patch_mode_warning.h"

namespace kadrel {
namespace {

using test::saveShot;

/// Every caption of widget's labels and buttons fits its control at the current font.
void verifyNoClippedText(QWidget& widget) {
    for (QLabel* label : widget.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&widget) || label->text().isEmpty() || label->wordWrap())
            continue;
        const QSize need = label->sizeHint();
        QVERIFY2(need.width() <= label->width() + 1 && label->fontMetrics().height() <= label->height(),
                 qPrintable(label->objectName() + ": " + label->text()));
    }
    for (QAbstractButton* button : widget.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&widget))
            continue;
        const int need = button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&'));
        QVERIFY2(need + 8 <= button->width(), qPrintable(button->objectName()));
    }
}

QString labelText(QWidget& widget, const char* name) {
    return widget.findChild<QLabel*>(name)->text();
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    // Abort is the default and has the focus, so a stray Enter never starts patch mode.
    void warningDefaultsToAbort() {
        RunControl control;
        PatchModeWarning dialog(control);
        auto* abort = dialog.findChild<QPushButton*>("Command2");
        QVERIFY(abort->isDefault());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), abort);
        verifyNoClippedText(dialog);
        QVERIFY(saveShot(dialog, "warning"));
    }

    // Only Continue goes on; Abort, the close box, Escape and Enter (on the default Abort) do not.
    void warningAnswers() {
        const std::pair<QString, bool> answers[] = {
            {"Command1", true}, {"Command2", false}, {"close", false}, {"escape", false}, {"enter", false}};
        for (const auto& [action, continues] : answers) {
            RunControl control;
            control.warningcontinue = !continues;  // ask() must not trust a stale answer
            QTimer::singleShot(0, [action] {
                auto* dialog = qobject_cast<PatchModeWarning*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                if (action == "close")
                    dialog->close();
                else if (action == "escape")
                    QTest::keyClick(dialog, Qt::Key_Escape);
                else if (action == "enter")
                    QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
                else
                    dialog->findChild<QPushButton*>(action)->click();
            });
            QVERIFY2(PatchModeWarning::ask(control) == continues, qPrintable(action));
            QVERIFY2(control.warningcontinue == continues, qPrintable(action));
        }
    }

    void helpPages() {
        Settings settings;
        settings.modifySde = 2;
        settings.modifyRdiPck = 0;
        bool helpvisible = true;
        auto* help = new HelpWindow(settings, helpvisible, nullptr);
        help->show();
        auto* page = help->findChild<QPushButton*>("Command1");
        QVERIFY(help->findChild<QLabel*>("Label3")->isVisible());
        QVERIFY(!help->findChild<QLabel*>("Label5")->isVisible());
        QVERIFY(saveShot(*help, "help-1"));
        page->click();
        QVERIFY(labelText(*help, "Label2")
                    .endsWith("Currently set: modify_sde=2, modify_pes=0\n"
                              "textbeforedate=0, debugmode=0"));
        QVERIFY(!help->findChild<QLabel*>("Label3")->isVisible());
        QLabel* text = help->findChild<QLabel*>("Label2");
        int previousTop = -1;
        for (const char* name : {"Label5", "Label6", "Label7", "Label8"}) {  // the key names beside the text
            QLabel* key = help->findChild<QLabel*>(name);
            QVERIFY2(key->y() > previousTop && !key->text().isEmpty(), name);  // in order, each on its line
            QVERIFY(key->y() >= text->y() && key->y() + key->height() <= text->y() + text->height());
            previousTop = key->y() + key->fontMetrics().height() - 1;
        }
        verifyNoClippedText(*help);
        QVERIFY(saveShot(*help, "help-2"));
        // The values in force, also when changed while the window is open.
        settings.textBeforeDate = true;
        page->click();
        page->click();
        QVERIFY(labelText(*help, "Label2").endsWith("textbeforedate=1, debugmode=0"));
        QPointer<HelpWindow> guard = help;
        help->close();
        QVERIFY(!helpvisible);
        QTRY_VERIFY(guard == nullptr);
    }

    void mainWindowLayout() {
        test::MainWindowHarness w;
        w.showWithCard();
        w.edit("userTextEdit")->setText("Holiday_");
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        verifyNoClippedText(*w.form);
        QVERIFY(saveShot(*w.form, "main-idle"));
        // The window carries the program's icon, drawn (the SVG plugin is there) at task-bar size.
        const QImage icon = w.form->windowIcon().pixmap(32, 32).toImage();
        QVERIFY(!icon.isNull());
        QVERIFY(qAlpha(icon.pixel(16, 16)) > 0 || qAlpha(icon.pixel(10, 20)) > 0);
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::DialogsTest)
#include "dialogs_qtest.moc"
