#include <QtTest>

#include "FormMain.h"

class FormMainTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheProgramTitle() {
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Tabulon V 1.0"));
    }
};

QTEST_MAIN(FormMainTest)
#include "FormMainTest.moc"
