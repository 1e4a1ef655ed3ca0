#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "ErrorReport.h"
#include "FormMessage.h"

namespace {

// Runs `act` on the modal dialog once it is shown; `seen` tells whether it ever was.
void whenModalShown(const std::function<void(QWidget*)>& act, bool* seen) {
    QTimer::singleShot(0, [act, seen] {
        QWidget* modal = QApplication::activeModalWidget();
        *seen = modal != nullptr;
        if (modal != nullptr) {
            act(modal);
        }
    });
}

QPushButton* button(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

// Presses Escape; when the dialog is still open afterwards, closes it with `fallback`.
void escapeThen(QWidget* dialog, const char* fallback) {
    QTest::keyClick(dialog, Qt::Key_Escape);
    if (dialog->isVisible()) {
        button(dialog, fallback)->click();
    }
}

}  // namespace

class FormMessageTest : public QObject {
    Q_OBJECT
private slots:
    void askDialogReturnsTheButtonsResult_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<int>("expected");
        QTest::newRow("yes") << mbYesNo << "BtnYes" << mrYes;
        QTest::newRow("no") << mbYesNo << "BtnNo" << mrNo;
        QTest::newRow("cancel") << mbYesNoCancel << "BtnCancel" << mrCancel;
        QTest::newRow("OK-only set still asks yes") << mbOK << "BtnYes" << mrYes;
        QTest::newRow("OK-only set still asks no") << mbOK << "BtnNo" << mrNo;
    }
    void askDialogReturnsTheButtonsResult() {
        QFETCH(int, buttons);
        QFETCH(QString, pressed);
        QFETCH(int, expected);
        bool seen = false;
        whenModalShown([&](QWidget* d) { button(d, pressed.toLatin1())->click(); }, &seen);
        QCOMPARE(AskDialog("Are You Sure?", TMsgDlgType::mtConfirmation, buttons), expected);
        QVERIFY(seen);
    }

    void askDialogShowsCancelOnlyWhenAskedFor() {
        bool seen = false;
        bool cancelShown = true;
        int width = 0;
        whenModalShown(
            [&](QWidget* d) {
                cancelShown = button(d, "BtnCancel")->isVisible();
                width = d->width();
                QCOMPARE(d->findChild<QLabel*>("LabelMess")->text(), QString("Delete?"));
                QCOMPARE(d->windowTitle(), QString("Confirm"));
                button(d, "BtnNo")->click();
            },
            &seen);
        AskDialog("Delete?", TMsgDlgType::mtConfirmation, mbYesNo);
        QVERIFY(seen);
        QVERIFY(!cancelShown);
        QCOMPARE(width, 260);
    }

    void escapeCancelsOnlyWhileCancelIsShown_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("expected");
        QTest::newRow("with cancel: escape answers cancel") << mbYesNoCancel << mrCancel;
        QTest::newRow("yes/no: escape does nothing") << mbYesNo << mrNo;
    }
    void escapeCancelsOnlyWhileCancelIsShown() {
        QFETCH(int, buttons);
        QFETCH(int, expected);
        bool seen = false;
        whenModalShown([](QWidget* d) { escapeThen(d, "BtnNo"); }, &seen);
        QCOMPARE(AskDialog("Query q modified, save?", TMsgDlgType::mtConfirmation, buttons), expected);
        QVERIFY(seen);
    }

    void closingFromTheTitleBarAnswersCancel() {
        bool seen = false;
        whenModalShown([](QWidget* d) { d->close(); }, &seen);
        QCOMPARE(AskDialog("Are You Sure?", TMsgDlgType::mtConfirmation, mbYesNo), mrCancel);
        QVERIFY(seen);
    }

    void showDialogHasOneOkButtonAndIgnoresEscape() {
        bool seen = false;
        bool stayedOpenOnEscape = false;
        QStringList visibleButtons;
        whenModalShown(
            [&](QWidget* d) {
                for (QPushButton* b : d->findChildren<QPushButton*>()) {
                    if (b->isVisible()) {
                        visibleButtons << b->text();
                    }
                }
                QCOMPARE(d->width(), 342);
                QTest::keyClick(d, Qt::Key_Escape);
                stayedOpenOnEscape = d->isVisible();
                button(d, "BtnNo")->click();
            },
            &seen);
        ShowDialog("Table Copied!");
        QVERIFY(seen);
        QVERIFY(stayedOpenOnEscape);
        QCOMPARE(visibleButtons, QStringList{"Ok"});
    }

    void errorReportEndsTextsWithAFullStop_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letter") << "Unable to write to /x" << "Unable to write to /x.";
        QTest::newRow("full stop kept") << "Done." << "Done.";
        QTest::newRow("exclamation sorts before") << "Error!" << "Error!";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("digit sorts after") << "code 7" << "code 7.";
    }
    void errorReportEndsTextsWithAFullStop() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ErrorReportText(text), expected);
    }
};

QTEST_MAIN(FormMessageTest)
#include "FormMessageTest.moc"
