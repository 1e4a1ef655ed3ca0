#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "ErrorReport.h"
#include "FormMessage.h"
#include "support/ModalDialog.h"

using tabulon::testing::ModalAnswer;

namespace {

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
        ModalAnswer answer(ModalAnswer::click(pressed));
        QCOMPARE(AskDialog("Are You Sure?", TMsgDlgType::mtConfirmation, buttons), expected);
        QVERIFY(answer.seen());
    }

    void askDialogShowsCancelOnlyWhenAskedFor() {
        bool cancelShown = true;
        int width = 0;
        QString title;
        ModalAnswer answer([&](QWidget* d) {
            cancelShown = button(d, "BtnCancel")->isVisible();
            width = d->width();
            title = d->windowTitle();
            button(d, "BtnNo")->click();
        });
        AskDialog("Delete?", TMsgDlgType::mtConfirmation, mbYesNo);
        QCOMPARE(answer.text(), QString("Delete?"));
        QCOMPARE(title, QString("Confirm"));
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
        ModalAnswer answer([](QWidget* d) { escapeThen(d, "BtnNo"); });
        QCOMPARE(AskDialog("Query q modified, save?", TMsgDlgType::mtConfirmation, buttons), expected);
        QVERIFY(answer.seen());
    }

    void closingFromTheTitleBarAnswersCancel() {
        ModalAnswer answer([](QWidget* d) { d->close(); });
        QCOMPARE(AskDialog("Are You Sure?", TMsgDlgType::mtConfirmation, mbYesNo), mrCancel);
        QVERIFY(answer.seen());
    }

    void showDialogHasOneOkButtonAndIgnoresEscape() {
        bool stayedOpenOnEscape = false;
        int width = 0;
        QStringList visibleButtons;
        ModalAnswer answer([&](QWidget* d) {
            for (QPushButton* b : d->findChildren<QPushButton*>()) {
                if (b->isVisible()) {
                    visibleButtons << b->text();
                }
            }
            width = d->width();
            QTest::keyClick(d, Qt::Key_Escape);
            stayedOpenOnEscape = d->isVisible();
            button(d, "BtnNo")->click();
        });
        ShowDialog("Table Copied!");
        QCOMPARE(answer.text(), QString("Table Copied!"));
        QCOMPARE(width, 342);
        QVERIFY(stayedOpenOnEscape);
        QCOMPARE(visibleButtons, QStringList{"Ok"});
    }

    void errorReportEndsTextsWithAFullStop_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letter") << "Unable to write to /x"
                                << "Unable to write to /x.";
        QTest::newRow("full stop kept") << "Done."
                                        << "Done.";
        QTest::newRow("exclamation sorts before") << "Error!"
                                                  << "Error!";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("digit sorts after") << "code 7"
                                           << "code 7.";
    }
    void errorReportEndsTextsWithAFullStop() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ErrorReportText(text), expected);
    }
};

QTEST_MAIN(FormMessageTest)
#include "FormMessageTest.moc"
