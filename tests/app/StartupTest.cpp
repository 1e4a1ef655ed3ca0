#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ErrorReport.h"
#include "FormSplit.h"
#include "OpenHelp.h"
#include "ProgramObjects.h"
#include "TabulonApplication.h"
#include "core/EngineError.h"
#include "support/Files.h"
#include "support/ModalDialog.h"

using tabulon::testing::ModalAnswer;
using tabulon::testing::writeFile;

namespace {

// An object whose handler fails the way `fail` does.
class FailingHandler : public QObject {
public:
    explicit FailingHandler(std::function<void()> fail) : fail_(std::move(fail)) {}
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            fail_();
        }
        return QObject::event(event);
    }

private:
    std::function<void()> fail_;
};

struct HelpCalls {
    QString program;
    QStringList arguments;
    QString folder;
    QUrl url;
    QString dialog;
};

THelpServices recordingServices(const QString& helpFolder, const QString& configFolder, HelpCalls& calls,
                                bool browserWorks) {
    return {helpFolder, configFolder,
            [&calls](const QString& program, const QStringList& arguments, const QString& folder) {
                calls.program = program;
                calls.arguments = arguments;
                calls.folder = folder;
                return true;
            },
            [&calls, browserWorks](const QUrl& url) {
                calls.url = url;
                return browserWorks;
            },
            [&calls](const QString& text) { calls.dialog = text; }};
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void createsTheLongLivedObjectsInOrder() {
        QTemporaryDir dir;
        TProgramObjects objects(dir.filePath("Vendrake.INI"), QString());
        QCOMPARE(objects.creationOrder(),
                 QStringList({"FormMain", "frmBatchMove", "DataMod", "FormRes", "FormRepair"}));
        QCOMPARE(objects.formMain().windowTitle(), QString("Tabulon V 1.0"));
    }

    void splashShowsTheTitleAndClosesItselfAfterThreeSeconds() {
        QPointer<TFormSplit> splash = new TFormSplit;
        splash->show();
        QCOMPARE(splash->size(), QSize(245, 225));
        QCOMPARE(splash->Label16->text(), QString("Tabulon 1.0"));
        QVERIFY(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QTest::qWait(2000);
        QVERIFY(!splash.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 3000);
    }

    void helpStartsTheConfiguredViewerWithTheBarePageName() {
        QTemporaryDir config;
        QTemporaryDir help;
        const QString viewer = config.filePath("viewer");
        writeFile(viewer, "#!/bin/sh\n");
        writeFile(
            config.filePath("registry.ini"),
            "[Software\\Corvalen\\Kilnwatch V 1.0\\Application Settings]\nHelpTML Path=" + viewer.toUtf8() + "\n");
        HelpCalls calls;
        OpenHelp(nullptr, kHelpSql, recordingServices(help.path(), config.path(), calls, true));
        QCOMPARE(calls.program, viewer);
        QCOMPARE(calls.arguments, QStringList{"6VendSql.Html"});
        QCOMPARE(calls.folder, help.path());
        QVERIFY(calls.url.isEmpty());
        QVERIFY(calls.dialog.isEmpty());
    }

    void helpFallsBackToTheBrowserThenToTheMessage_data() {
        QTest::addColumn<bool>("pageShipped");
        QTest::addColumn<bool>("browserWorks");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("browser opens the page") << true << true << "";
        QTest::newRow("browser fails") << true << false << "Can't open Help File!";
        QTest::newRow("page missing") << false << true << "Can't open Help File!";
    }
    void helpFallsBackToTheBrowserThenToTheMessage() {
        QFETCH(bool, pageShipped);
        QFETCH(bool, browserWorks);
        QFETCH(QString, dialog);
        QTemporaryDir config;
        QTemporaryDir help;
        writeFile(config.filePath("registry.ini"),
                  "[Software\\Corvalen\\Kilnwatch V 1.0\\Application Settings]\n"
                  "HelpTML Path=/no/such/viewer\n");
        if (pageShipped) {
            writeFile(help.filePath("6Vendrak.Html"), "<html></html>");
        }
        HelpCalls calls;
        OpenHelp(nullptr, kHelpMain, recordingServices(help.path(), config.path(), calls, browserWorks));
        QVERIFY(calls.program.isEmpty());
        QCOMPARE(calls.url, pageShipped ? QUrl::fromLocalFile(help.filePath("6Vendrak.Html")) : QUrl());
        QCOMPARE(calls.dialog, dialog);
    }

    void helpPagesShipBesideTheProgram() {
        for (const char* page : {kHelpMain, kHelpSql}) {
            QVERIFY2(QFile::exists(QStringLiteral(TABULON_HELP_FOLDER "/") + page), page);
        }
    }

    void uncaughtErrorsAreReportedAndTheProgramGoesOn_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reported");
        QTest::newRow("engine error") << 0 << "EFileError: Cannot read /t/x.db.";
        QTest::newRow("other error") << 1 << "Unable to write to /x/Vendrake.INI.";
        QTest::newRow("silent abort") << 2 << "";
    }
    void uncaughtErrorsAreReportedAndTheProgramGoesOn() {
        QFETCH(int, kind);
        QFETCH(QString, reported);
        FailingHandler handler([kind] {
            if (kind == 0) throw tabulon::EngineError("EFileError", "Cannot read /t/x.db");
            if (kind == 1) throw std::runtime_error("Unable to write to /x/Vendrake.INI");
            throw TSilentAbort();
        });
        QString text;
        QString title;
        ModalAnswer answer([&](QWidget* box) {
            text = static_cast<QMessageBox*>(box)->text();
            title = box->windowTitle();
            static_cast<QMessageBox*>(box)->accept();
        });
        QEvent event(QEvent::User);
        QApplication::sendEvent(&handler, &event);
        QTest::qWait(20);
        QCOMPARE(answer.seen(), !reported.isEmpty());
        QCOMPARE(text, reported);
        if (answer.seen()) {
            QCOMPARE(title, QString("Tabulon V 1.0"));
        }
    }
};

int main(int argc, char** argv) {
    TTabulonApplication app(argc, argv);
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StartupTest.moc"
