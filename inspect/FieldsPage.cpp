#include "FieldsPage.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPrinter>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "FieldTypeText.h"
#include "FieldsListPrinter.h"
#include "FieldsListText.h"
#include "dataset/IndexOrder.h"
#include "dataset/Table.h"

namespace tabulon {

namespace {

constexpr int kColumnCount = 6;
constexpr int kRowHeight = 18;
constexpr int kColumnWidths[kColumnCount] = {18, 80, 96, 36, 39, 117};
constexpr int kButtonSize = 30;
constexpr int kButtonPanelHeight = 36;

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

QToolButton* makeButton(QWidget* panel, const char* name, int left, QStyle::StandardPixmap glyph) {
    auto* button = new QToolButton(panel);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, 3, kButtonSize, kButtonSize);
    button->setIcon(panel->style()->standardIcon(glyph));
    button->setEnabled(false);
    return button;
}

std::vector<bool> fieldsInActiveIndex(const Table& table) {
    std::vector<bool> inIndex(table.fieldCount(), false);
    if (const auto& index = table.activeIndex()) {
        for (std::size_t position : indexFieldPositions(*index, table.fieldDefs())) inIndex[position] = true;
    }
    return inIndex;
}

bool isDbaseFile(const QString& tableFile) { return tableFile.endsWith(QLatin1String(".DBF"), Qt::CaseInsensitive); }

}  // namespace

FieldsPage::FieldsPage(const QStringList& titles, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetFields"));
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PanelButFields"));
    panel->setFixedHeight(kButtonPanelHeight);
    BtnCopy = makeButton(panel, "BtnCopy", 4, QStyle::SP_FileDialogDetailedView);
    BtnSave = makeButton(panel, "BtnSave", 36, QStyle::SP_DialogSaveButton);
    BtnPrint = makeButton(panel, "BtnPrint", 69, QStyle::SP_FileIcon);
    connect(BtnCopy, &QToolButton::clicked, this, &FieldsPage::BtnCopyClick);
    connect(BtnSave, &QToolButton::clicked, this, &FieldsPage::BtnSaveClick);
    connect(BtnPrint, &QToolButton::clicked, this, &FieldsPage::BtnPrintClick);

    StringGridFields = new QTableWidget(2, kColumnCount, this);
    StringGridFields->setObjectName(QStringLiteral("StringGridFields"));
    StringGridFields->horizontalHeader()->hide();
    StringGridFields->verticalHeader()->hide();
    StringGridFields->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGridFields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGridFields->setShowGrid(true);
    for (int column = 0; column < kColumnCount; ++column) {
        StringGridFields->setColumnWidth(column, kColumnWidths[column]);
    }
    for (int column = 1; column < kColumnCount; ++column) setCell(0, column, titles.value(column - 1));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(StringGridFields);
}

void FieldsPage::setCell(int row, int column, const QString& cellText) {
    StringGridFields->setItem(row, column, new QTableWidgetItem(cellText));
}

void FieldsPage::setRowCount(int fieldCount) {
    StringGridFields->setRowCount(1);
    StringGridFields->setRowCount(fieldCount + 1);
}

void FieldsPage::Fill(Table& table, const QString& tableFile) {
    tableFile_ = tableFile;
    const bool fromHeader = isDbaseFile(tableFile) && DBFReader.ReadHeader(tableFile.toStdString());
    const std::size_t headerFields = fromHeader ? DBFReader.Count() : 0;
    const auto inIndex = fieldsInActiveIndex(table);
    setRowCount(static_cast<int>(table.fieldCount()));
    for (std::size_t i = 0; i < table.fieldCount(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const Field field = table.field(i);
        const bool described = i < headerFields;
        setCell(row, 0, QString::number(i));
        setCell(row, 1, text(field.name()));
        setCell(row, 2, text(described ? DBFReader.Items(i).TypeName() : FieldTypeDisplayName(field.type())));
        setCell(row, 3, text(described ? DBFReader.Items(i).SizeText() : FieldSizeText(field.definition())));
        setCell(row, 4, inIndex[i] ? QStringLiteral("True") : QStringLiteral("False"));
        setCell(row, 5, text(field.displayText()));
    }
    DBFReader.Clear();
}

void FieldsPage::Clear() {
    tableFile_.clear();
    setRowCount(1);
}

void FieldsPage::SetButtonsEnabled(bool enabled) {
    for (QToolButton* button : {BtnCopy, BtnSave, BtnPrint}) button->setEnabled(enabled);
}

QList<QStringList> FieldsPage::GridRows() const {
    QList<QStringList> rows;
    for (int row = 0; row < StringGridFields->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < kColumnCount; ++column) {
            const QTableWidgetItem* item = StringGridFields->item(row, column);
            cells << (item ? item->text() : QString());
        }
        rows << cells;
    }
    return rows;
}

QStringList FieldsPage::ListBlock() const { return FieldsListBlock(tableFile_, GridRows()); }

void FieldsPage::BtnCopyClick() { QApplication::clipboard()->setText(JoinCrLfLines(ListBlock())); }

void FieldsPage::BtnSaveClick() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("TXT"));
    dialog.setNameFilters({QStringLiteral("Text File (*.TXT)"), QStringLiteral("All Files (*.*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    SaveTo(dialog.selectedFiles().constFirst());
}

void FieldsPage::SaveTo(const QString& fileName) const { AppendBlockToFile(fileName, ListBlock()); }

void FieldsPage::BtnPrintClick() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintTo(printer);
}

void FieldsPage::PrintTo(QPrinter& printer) const {
    FieldsListPrintJob job;
    job.tableFile = tableFile_;
    job.gridRows = GridRows();
    for (int column = 0; column < kColumnCount; ++column) job.columnWidths << StringGridFields->columnWidth(column);
    job.rowHeight = kRowHeight;
    job.font = window()->font();
    job.screenDpi = window()->logicalDpiY();
    PrintFieldsList(printer, job);
}

}  // namespace tabulon
