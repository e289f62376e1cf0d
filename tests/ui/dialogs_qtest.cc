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
        const int need = button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&'));
        QVERIFY2(!button->isVisibleTo(&widget) || need + 8 <= button->width(),
                 qPrintable(button->objectName()));
    }
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    // Only Continue goes on; Abort, the close box, Escape and Enter do not: Abort has the focus
    // and is the default, so a stray Enter never starts patch mode.
    void warningAnswers() {
        for (const auto& [action, continues] : {std::pair<QString, bool>{"continueButton", true},
                                                {"abortButton", false},
                                                {"close", false},
                                                {"escape", false},
                                                {"enter", false}}) {
            RunControl control;
            control.warningcontinue = !continues;  // ask() must not trust a stale answer
            bool abortFirst = false;
            QTimer::singleShot(0, [action, &abortFirst] {
                auto* dialog = qobject_cast<PatchModeWarning*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                auto* abort = dialog->findChild<QPushButton*>("abortButton");
                abortFirst = dialog->focusWidget() == abort && abort->isDefault();
                verifyNoClippedText(*dialog);
                QVERIFY(saveShot(*dialog, "warning"));
                if (action == "close")
                    dialog->close();
                else if (action == "escape" || action == "enter")
                    QTest::keyClick(dialog->focusWidget(),
                                    action == "enter" ? Qt::Key_Return : Qt::Key_Escape);
                else
                    dialog->findChild<QPushButton*>(action)->click();
            });
            QVERIFY2(PatchModeWarning::ask(control) == continues, qPrintable(action));
            QVERIFY2(control.warningcontinue == continues && abortFirst, qPrintable(action));
        }
    }

    // Page 2 shows the values in force, also when they change while the window is open, with
    // each key's name beside its block; closing clears the caller's flag.
    void helpPages() {
        Settings settings;
        settings.modifySde = 2;
        settings.modifyRdiPck = 0;
        bool helpvisible = true;
        auto* help = new HelpWindow(settings, helpvisible, nullptr);
        help->show();
        QVERIFY(saveShot(*help, "help-1"));
        auto* page = help->findChild<QPushButton*>("pageButton");
        QLabel* text = help->findChild<QLabel*>("pageTextLabel");
        page->click();
        QVERIFY(text->text().endsWith("modify_sde=2, modify_pes=0\ntextbeforedate=0, debugmode=0"));
        int previousTop = -1;
        for (const char* name :
             {"sdeKeyLabel", "rdiPckKeyLabel", "deleteKeyLabel", "textBeforeDateKeyLabel"}) {
            QLabel* key = help->findChild<QLabel*>(name);
            QVERIFY2(key->isVisible() && key->y() > previousTop && key->y() >= text->y() &&
                         key->y() + key->height() <= text->y() + text->height(),
                     name);  // in order, each on its own line within the text
            previousTop = key->y() + key->fontMetrics().height() - 1;
        }
        verifyNoClippedText(*help);
        QVERIFY(saveShot(*help, "help-2"));
        settings.textBeforeDate = true;
        page->click();
        page->click();
        QVERIFY(text->text().endsWith("textbeforedate=1, debugmode=0"));
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
        QVERIFY(qAlpha(icon.pixel(16, 16)) > 0 || qAlpha(icon.pixel(10, 20)) > 0);
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::DialogsTest)
#include "dialogs_qtest.moc"
