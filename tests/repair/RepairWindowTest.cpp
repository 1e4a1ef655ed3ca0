// The verify-and-rebuild window driven by its buttons: over a scripted library for every
// result, and over the real one on a damaged table in a temporary folder.
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <fstream>

#include "FormRepair.h"
#include "core/FieldDef.h"
#include "io/Transaction.h"
#include "ops/Progress.h"
#include "storage/Drivers.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"
#include "util/TableVerification.h"

namespace {

using tabulon::testing::ModalAnswer;

// What the scripted library answers.
std::int32_t scriptedLevel = 0;
std::uint16_t scriptedFill = 0;
std::uint16_t scriptedRebuild = 0;

std::uint16_t scriptedVerify(std::uint16_t, const std::string&, const std::string&, const std::string&, const char*,
                             std::uint32_t, std::int32_t* level) {
    tabulon::reportProgress(40, tabulon::verifyphase::kHeader);
    tabulon::reportProgress(70, tabulon::phase::kData);
    *level = scriptedLevel;
    return 0;
}
std::uint16_t scriptedFillDesc(std::uint16_t, tabulon::CRTblDesc*, const std::string&, const char*) {
    return scriptedFill;
}
std::uint16_t scriptedRebuildTable(std::uint16_t, const std::string&, const std::string&, const std::string&,
                                   const std::string&, const std::string&, const tabulon::CRTblDesc*,
                                   tabulon::SalvageResult*) {
    tabulon::reportProgress(55, tabulon::phase::kRebuild);
    return scriptedRebuild;
}
std::uint16_t noCounts(std::uint16_t, const std::string&, tabulon::CRTblDescCounts* counts) {
    *counts = {};
    return 0;
}

// A keyed Paradox table of `count` records (ID, NAME).
std::filesystem::path keyedTable(const tabulon::testing::TempFolder& folder, const std::string& name, int count) {
    const auto path = folder / name;
    auto table =
        tabulon::driverFor(tabulon::ttParadox)
            .create(path, {{"ID", tabulon::ftInteger, 0, 0, true, ""}, {"NAME", tabulon::ftString, 20, 0, false, ""}},
                    {{"", "ID", "", "", tabulon::ixPrimary | tabulon::ixUnique, "", true, ""}}, {});
    tabulon::Transaction transaction(tabulon::Transaction::newJournalPath(folder.path()));
    table->setTransaction(&transaction);
    for (int i = 1; i <= count; ++i)
        table->append({tabulon::Value::integer(i), tabulon::Value::string("part " + std::to_string(i))});
    transaction.commit();
    table->setTransaction(nullptr);
    return path;
}

TTableUtilCalls scripted() {
    TTableUtilCalls calls;
    calls.VerifyTable = scriptedVerify;
    calls.GetCRTblDescCount = noCounts;
    calls.FillCRTblDesc = scriptedFillDesc;
    calls.RebuildTable = scriptedRebuildTable;
    return calls;
}

}  // namespace

class RepairWindowTest : public QObject {
    Q_OBJECT
private slots:
    void levelsSelectTheirMessages_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("message");
        QTest::newRow("0") << 0 << "Verification Successful. Table has no errors.";
        QTest::newRow("1") << 1 << "Verification Successful. Verification completed.";
        QTest::newRow("2") << 2 << "Verification Successful. Verification could not be completed.";
        QTest::newRow("3") << 3 << "Verification Successful. Table must be rebuild manually.";
        QTest::newRow("4") << 4 << "Verification Successful. Table cannot be rebuilt.";
        QTest::newRow("7") << 7 << "Verification unsuccessful.";
        QTest::newRow("negative") << -1 << "Verification unsuccessful.";
    }
    void levelsSelectTheirMessages() {
        QFETCH(int, level);
        QFETCH(QString, message);
        TFormRepair window(nullptr, scripted());
        scriptedLevel = level;
        window.PBRebuild->setValue(30);
        window.VerifyBtn->click();
        QCOMPARE(window.MessageLB->text(), message);
        QCOMPARE(window.PBHeader->value(), 40);
        QCOMPARE(window.PBData->value(), 70);
        QCOMPARE(window.PBIndexes->value(), 0);
        QCOMPARE(window.PBRebuild->value(), 0);  // reset before the run
    }

    void rebuildResultsSelectTheirMessages() {
        TFormRepair window(nullptr, scripted());
        scriptedFill = 0;
        for (const auto& [status, message] : {std::pair<std::uint16_t, QString>{0, "Rebuild was successful."},
                                              {0x2100, "Rebuild was not successful."}}) {
            scriptedRebuild = status;
            window.RebuildBtn->click();
            QCOMPARE(window.MessageLB->text(), message);
            QCOMPARE(window.PBRebuild->value(), 55);
        }
    }

    void aDescriptorThatCannotBeFilledIsAnErrorBox() {
        TFormRepair window(nullptr, scripted());
        scriptedFill = 0x2100;
        QString shown;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        ModalAnswer answer([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            shown = box->text();
            icon = box->icon();
            box->accept();
        });
        window.RebuildBtn->click();
        QVERIFY(answer.seen());
        QCOMPARE(shown, QStringLiteral("Error Filling table structure"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(window.MessageLB->text(), QString());
    }

    void onlyProgressReportsOfTheirKindAndPhaseMoveABar() {
        TFormRepair window(nullptr, scripted());
        TTableUtil::ProgressCallback(22, {50, 0});
        for (std::uint8_t phase = 3; phase <= 7; ++phase) TTableUtil::ProgressCallback(23, {60, phase});
        for (QProgressBar* bar : {window.PBHeader, window.PBIndexes, window.PBData, window.PBRebuild})
            QCOMPARE(bar->value(), 0);
        TTableUtil::ProgressCallback(23, {80, 8});
        QCOMPARE(window.PBRebuild->value(), 80);
    }

    // The picker changes the table acted on and the path shown; the figures stay until the
    // window is shown again.
    void pickingAnotherTableKeepsTheFigures() {
        tabulon::testing::TempFolder folder;
        const auto first = keyedTable(folder, "FIRST.DB", 10);
        const auto second = folder / "SECOND.DBF";
        tabulon::driverFor(tabulon::ttDBase).create(second, {{"A", tabulon::ftString, 5, 0, false, ""}}, {}, {});
        TFormRepair window;
        window.TableFile = QString::fromStdString(first.string());
        window.DatabasePath = QString::fromStdString(folder.path().string());
        window.show();
        ModalAnswer answer([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            files->selectFile(QString::fromStdString(second.string()));
            QMetaObject::invokeMethod(files, "accept");
        });
        window.BtnResOpen->click();
        QVERIFY(answer.seen());
        QCOMPARE(window.TableFile, QString::fromStdString(second.string()));
        QCOMPARE(window.LabelTabName->text(), QString::fromStdString(second.string()));
        QCOMPARE(window.FieldsLB->text(), QStringLiteral("2"));
    }

    // A keyed table whose header miscounts its records: verified, rebuilt, verified again.
    void aDamagedTableIsVerifiedAndRebuilt() {
        tabulon::testing::TempFolder folder;
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((folder / "home").string()));
        const auto path = keyedTable(folder, "PARTS.DB", 200);
        {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(6);
            file.put(static_cast<char>(150));  // the record count's low byte
        }
        TFormRepair window;
        window.TableFile = QString::fromStdString(path.string());
        window.DatabasePath = QString::fromStdString(folder.path().string());
        window.show();
        QCOMPARE(window.FieldsLB->text(), QStringLiteral("2"));
        QCOMPARE(window.IndexLB->text(), QStringLiteral("1"));
        QCOMPARE(window.TabLvlLB->text(), QStringLiteral("5"));
        window.VerifyBtn->click();
        QCOMPARE(window.MessageLB->text(), QStringLiteral("Verification Successful. Verification completed."));
        QCOMPARE(window.PBData->value(), 100);
        QVERIFY(std::filesystem::exists(folder / "VERIFY.DB"));
        window.RebuildBtn->click();
        QCOMPARE(window.MessageLB->text(), QStringLiteral("Rebuild was successful."));
        QCOMPARE(window.PBRebuild->value(), 100);
        window.VerifyBtn->click();
        QCOMPARE(window.MessageLB->text(), QStringLiteral("Verification Successful. Table has no errors."));
        QCOMPARE(tabulon::openTable(path)->recordCount(), 200U);
        QVERIFY(std::filesystem::exists(folder / "Backup.DB"));
    }
};

QTEST_MAIN(RepairWindowTest)
#include "RepairWindowTest.moc"
