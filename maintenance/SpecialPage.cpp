#include "SpecialPage.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "Hint.h"

namespace {

QPushButton* command(QWidget* parent, const char* name, const QString& caption, const QString& hint, bool enabled) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    SetHint(button, u'|' + hint);
    button->setEnabled(enabled);
    return button;
}

QLineEdit* edit(QWidget* parent, const char* name) {
    auto* line = new QLineEdit(parent);
    line->setObjectName(QString::fromLatin1(name));
    return line;
}

QToolButton* picker(QWidget* parent, const char* name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setFixedSize(24, 24);
    button->setEnabled(false);
    return button;
}

}  // namespace

TSpecialPage::TSpecialPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetSpecial"));
    BtnSpecRen = command(this, "BtnSpecRen", "Rename Table",
                         "Rename Table  (if Table is Busy retry ten times then abort)", false);
    BtnSpecCrt = command(this, "BtnSpecCrt", "Create New Table",
                         "Create New Table based on Opened Table definition  (no support files)", false);
    BtnSpecCp = command(this, "BtnSpecCp", "Copy Table",
                        "Copy Table and related Support Files  (can't copy on same DB path)", false);
    BtnSpecCpEm = command(this, "BtnSpecCpEm", "Copy Empty Table",
                          "Copy Empty Table  (useful instead of \"Create new Table\")", false);
    BtnSpecUpd = command(this, "BtnSpecUpd", "Update Records",
                         "Update Table Records using actual Table Filter (Set Update string as: "
                         "Field Name = New Value)",
                         false);
    BtnSpecDel = command(this, "BtnSpecDel", "Delete Records", "Delete Table Records using actual Table Filter", false);
    BtnSpecImportText =
        command(this, "BtnSpecImportText", "Import Text", "Import records from formatted text file", false);
    BtnSpecExportText =
        command(this, "BtnSpecExportText", "Export Text", "Export records to formatted text file", false);
    BtnSpecEmpty = command(this, "BtnSpecEmpty", "Empty Table",
                           "Empty Table  (if Table is Busy retry ten times then abort)", false);
    BtnSpecReorg = command(this, "BtnSpecReorg", "Reorganize Table",
                           "Reorganize Table by fisically remove deleted record and Reindex", false);
    BtnSpecPackTab = command(this, "BtnSpecPackTab", "Pack Table", "Pack the Table by removing erased Records", false);
    BtnSpecReindex = command(this, "BtnSpecReindex", "Regen Index", "Regenerate the table's indexes", false);
    BtnBatMove = command(this, "BtnBatMove", "Batch Move...", "Batch Operation Utility", true);
    BtnRestruc = command(this, "BtnRestruc", "Restructure...", "Table Restructure Utility", true);
    BtnVerifyR = command(this, "BtnVerifyR", "Verify - Rebuild...", "Verify and rebuild table's utility", true);
    EditSpecNam = edit(this, "EditSpecNam");
    EditSpecCreate = edit(this, "EditSpecCreate");
    EditSpecCopy = edit(this, "EditSpecCopy");
    EditSpecCpEm = edit(this, "EditSpecCpEm");
    EditSpecUpd = edit(this, "EditSpecUpd");
    BtnSpecOpenCrt = picker(this, "BtnSpecOpenCrt");
    BtnSpecOpenCp = picker(this, "BtnSpecOpenCp");
    BtnSpecOpenCpEm = picker(this, "BtnSpecOpenCpEm");

    // Each edit stands beside its command and fills the page's width; the pickers stand at the
    // right edge beside their edits.
    auto* grid = new QGridLayout(this);
    struct Row {
        QPushButton* button;
        QLineEdit* line;
        QToolButton* picker;
    };
    const QList<Row> rows = {{BtnSpecRen, EditSpecNam, nullptr},       {BtnSpecCrt, EditSpecCreate, BtnSpecOpenCrt},
                             {BtnSpecCp, EditSpecCopy, BtnSpecOpenCp}, {BtnSpecCpEm, EditSpecCpEm, BtnSpecOpenCpEm},
                             {BtnSpecUpd, EditSpecUpd, nullptr},       {BtnSpecDel, nullptr, nullptr},
                             {BtnSpecImportText, nullptr, nullptr},    {BtnSpecExportText, nullptr, nullptr},
                             {BtnSpecEmpty, nullptr, nullptr},         {BtnSpecReorg, nullptr, nullptr},
                             {BtnSpecPackTab, nullptr, nullptr},       {BtnSpecReindex, nullptr, nullptr}};
    int row = 0;
    for (const Row& r : rows) {
        r.button->setFixedWidth(130);
        grid->addWidget(r.button, row, 0);
        if (r.line != nullptr) {
            grid->addWidget(r.line, row, 1);
        }
        if (r.picker != nullptr) {
            grid->addWidget(r.picker, row, 2);
        }
        ++row;
    }
    auto* tools = new QHBoxLayout;
    for (QPushButton* button : {BtnBatMove, BtnRestruc, BtnVerifyR}) {
        tools->addWidget(button);
    }
    tools->addStretch();
    grid->addLayout(tools, row, 0, 1, 3);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(1, 1);
}

QList<QWidget*> TSpecialPage::tableBoundControls() const {
    return {BtnSpecCrt,        BtnSpecCp,         BtnSpecCpEm,    BtnSpecUpd,    BtnSpecDel,
            BtnSpecImportText, BtnSpecExportText, BtnSpecOpenCrt, BtnSpecOpenCp, BtnSpecOpenCpEm};
}

QList<QWidget*> TSpecialPage::fileBoundControls() const {
    return {BtnSpecEmpty, BtnSpecRen, BtnSpecReorg, BtnSpecPackTab, BtnSpecReindex};
}
