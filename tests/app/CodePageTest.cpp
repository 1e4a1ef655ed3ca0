// The status bar shows the open table's code page and its source; the code page command reopens
// the table in the page picked from the previews, and the choice outlives the window.
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <optional>

#include "DatasetTableBrowser.h"
#include "FormMain.h"
#include "dataset/Session.h"
#include "storage/Drivers.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"

namespace {

const char* const kWord = "\xD0\x96\xD0\xB0\xD1\x80";  // "Жар"

struct Window {
    tabulon::Session session{"CodePage"};
    TFormMain form;

    Window(const QString& ini, const std::filesystem::path& table) : form(ini, QString()) {
        form.setTableBrowser(std::make_unique<TDatasetTableBrowser>(session));
        form.show();
        form.TableFile = QString::fromStdString(table.string());
        form.BtnOpenClick();
    }
    ~Window() { form.BtnCloseClick(); }
    QString codePage() const { return form.LabelCodePage->text(); }
};

}  // namespace

class CodePageTest : public QObject {
    Q_OBJECT
private slots:
    void pickedCodePageIsShownAndRemembered() {
        tabulon::testing::TempFolder folder;
        QTemporaryDir settings;
        const QString ini = settings.filePath("Vendrake.INI");
        const auto path = folder / "WORDS.DBF";
        tabulon::CreateOptions options;
        options.encoding = "CP866";
        for (int i = 0; i < 2; ++i)
            tabulon::driverFor(tabulon::ttDBase)
                .create(i == 0 ? path : folder / ("X" + std::to_string(i) + ".DBF"),
                        {{"WORD", tabulon::ftString, 20, 0, false, "C"}}, {}, options)
                ->append({tabulon::Value::string(kWord)});
        {
            Window window(ini, path);
            QCOMPARE(window.codePage(), QStringLiteral("CP866 (header)"));
            QString previewIn866, previewIn1251;
            tabulon::testing::ModalAnswer answer([&](QWidget* dialog) {
                auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListCodePages"));
                for (int row = 0; row < list->count(); ++row) {
                    const QString page = list->item(row)->data(Qt::UserRole).toString();
                    if (page == QStringLiteral("CP866")) previewIn866 = list->item(row)->text();
                    if (page == QStringLiteral("CP1251")) previewIn1251 = list->item(row)->text();
                }
                while (list->currentItem()->data(Qt::UserRole).toString() != QStringLiteral("CP1251"))
                    QTest::keyClick(list, Qt::Key_Down);
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BtnOk")), Qt::LeftButton);
            });
            QTest::mouseClick(window.form.BtnCodePage, Qt::LeftButton);
            QVERIFY(answer.seen());
            QVERIFY(previewIn866.endsWith(QString::fromUtf8(kWord)));
            QVERIFY(!previewIn1251.contains(QString::fromUtf8(kWord)));
            QCOMPARE(window.codePage(), QStringLiteral("CP1251 (user)"));
        }
        Window reopened(ini, path);
        QCOMPARE(reopened.codePage(), QStringLiteral("CP1251 (user)"));
        Window other(ini, folder / "X1.DBF");
        QCOMPARE(other.codePage(), QStringLiteral("CP866 (header)"));
    }

    void setCodePageStoresItInTheHeaderOnlyWhenConfirmed() {
        for (const QString confirm : {QStringLiteral("BtnNo"), QStringLiteral("BtnYes")}) {
            tabulon::testing::TempFolder folder;
            QTemporaryDir settings;
            const auto path = folder / "WORDS.DB";
            tabulon::CreateOptions options;
            options.encoding = "CP866";
            tabulon::driverFor(tabulon::ttParadox)
                .create(path, {{"WORD", tabulon::ftString, 20, 0, false, ""}}, {}, options)
                ->append({tabulon::Value::string(kWord)});
            Window window(settings.filePath("Vendrake.INI"), path);
            std::optional<tabulon::testing::ModalAnswer> question;
            tabulon::testing::ModalAnswer pick([&](QWidget* dialog) {
                auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListCodePages"));
                while (list->currentItem()->data(Qt::UserRole).toString() != QStringLiteral("CP1251"))
                    QTest::keyClick(list, Qt::Key_Down);
                question.emplace(tabulon::testing::ModalAnswer::click(confirm));
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BtnOk")), Qt::LeftButton);
            });
            QTest::mouseClick(window.form.BtnSetCodePage, Qt::LeftButton);
            QVERIFY(question && question->seen());
            const QString expected =
                confirm == QStringLiteral("BtnYes") ? QStringLiteral("CP1251") : QStringLiteral("CP866");
            QCOMPARE(window.codePage(), expected + QStringLiteral(" (header)"));
            window.form.BtnCloseClick();
            QCOMPARE(QString::fromStdString(tabulon::openTable(path)->facts().codePage), expected);
        }
    }
};

QTEST_MAIN(CodePageTest)
#include "CodePageTest.moc"
