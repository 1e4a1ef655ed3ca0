#include "SearchPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>

#include "core/EngineError.h"
#include "dataset/Table.h"

namespace tabulon {

namespace {

constexpr int kValueColumn = 2;
constexpr int kColumnWidths[] = {18, 80, 288};
constexpr int kRowHeight = 18;

QToolButton* navigatorButton(QWidget* navigator, const char* name, QStyle::StandardPixmap glyph) {
    auto* button = new QToolButton(navigator);
    button->setObjectName(QLatin1String(name));
    button->setIcon(navigator->style()->standardIcon(glyph));
    navigator->layout()->addWidget(button);
    return button;
}

QString cellText(const QTableWidget& grid, int row, int column) {
    const QTableWidgetItem* item = grid.item(row, column);
    return item ? item->text() : QString();
}

}  // namespace

SearchPage::SearchPage(const QString& noneText, QWidget* parent) : QWidget(parent), noneText_(noneText) {
    setObjectName(QStringLiteral("TabSheetSearch"));
    auto* indexLabel = new QLabel(QStringLiteral("Index:"), this);
    indexLabel->setObjectName(QStringLiteral("Label1"));
    ComboIndex = new QComboBox(this);
    ComboIndex->setObjectName(QStringLiteral("ComboIndex"));
    ComboIndex->setEditable(true);
    ComboIndex->setInsertPolicy(QComboBox::NoInsert);
    ComboIndex->setEnabled(false);
    connect(ComboIndex, &QComboBox::activated, this, &SearchPage::ComboIndexChange);

    buildNavigator();
    BtnGoto = new QPushButton(QStringLiteral("Go to!"), this);
    BtnGoto->setObjectName(QStringLiteral("BtnGoto"));
    BtnClear = new QPushButton(QStringLiteral("Clear"), this);
    BtnClear->setObjectName(QStringLiteral("BtnClear"));
    setSearchEnabled(false);
    connect(BtnGoto, &QPushButton::clicked, this, &SearchPage::BtnGotoClick);
    connect(BtnClear, &QPushButton::clicked, this, &SearchPage::BtnClearClick);

    auto* keyLabel = new QLabel(QStringLiteral("Key Fileds:"), this);
    keyLabel->setObjectName(QStringLiteral("Label6"));
    LabelExp = new QLabel(this);
    LabelExp->setObjectName(QStringLiteral("LabelExp"));

    StringGridRecord = new QTableWidget(1, 3, this);
    StringGridRecord->setObjectName(QStringLiteral("StringGridRecord"));
    StringGridRecord->horizontalHeader()->hide();
    StringGridRecord->verticalHeader()->hide();
    StringGridRecord->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGridRecord->setEditTriggers(QAbstractItemView::AllEditTriggers);
    for (int column = 0; column < 3; ++column) StringGridRecord->setColumnWidth(column, kColumnWidths[column]);

    auto* layout = new QGridLayout(this);
    layout->addWidget(indexLabel, 0, 0);
    layout->addWidget(ComboIndex, 0, 1);
    layout->addWidget(DBNavigator, 0, 2);
    layout->addWidget(BtnGoto, 0, 3);
    layout->addWidget(BtnClear, 0, 4);
    layout->addWidget(keyLabel, 1, 0);
    layout->addWidget(LabelExp, 1, 1, 1, 4);
    layout->addWidget(StringGridRecord, 2, 0, 1, 5);
}

void SearchPage::buildNavigator() {
    DBNavigator = new QWidget(this);
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    auto* row = new QHBoxLayout(DBNavigator);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    NavFirst = navigatorButton(DBNavigator, "NavFirst", QStyle::SP_MediaSkipBackward);
    NavPrior = navigatorButton(DBNavigator, "NavPrior", QStyle::SP_MediaSeekBackward);
    NavNext = navigatorButton(DBNavigator, "NavNext", QStyle::SP_MediaSeekForward);
    NavLast = navigatorButton(DBNavigator, "NavLast", QStyle::SP_MediaSkipForward);
    NavRefresh = navigatorButton(DBNavigator, "NavRefresh", QStyle::SP_BrowserReload);
    connect(NavFirst, &QToolButton::clicked, this, [this] { navigate(&Table::first); });
    connect(NavPrior, &QToolButton::clicked, this, [this] { navigate(&Table::prior); });
    connect(NavNext, &QToolButton::clicked, this, [this] { navigate(&Table::next); });
    connect(NavLast, &QToolButton::clicked, this, [this] { navigate(&Table::last); });
    connect(NavRefresh, &QToolButton::clicked, this, [this] { navigate(&Table::refresh); });
}

void SearchPage::navigate(void (Table::*move)()) {
    if (!table_) return;
    (table_->*move)();
    FillRecordGrid();
    emit recordMoved();
}

void SearchPage::setSearchEnabled(bool enabled) {
    BtnGoto->setEnabled(enabled);
    BtnClear->setEnabled(enabled);
}

void SearchPage::TableOpened(Table& table, const QString& /*tableFile*/) {
    table_ = &table;
    FillIndexCombo();
    ComboIndex->setCurrentIndex(0);
    ComboIndex->setEnabled(true);
    setSearchEnabled(false);
    FillRecordGrid();
}

void SearchPage::TableClosed() {
    table_ = nullptr;
    ComboIndex->clear();
    ComboIndex->setEditText(QString());
    ComboIndex->setEnabled(false);
    setSearchEnabled(false);
}

void SearchPage::FillIndexCombo() {
    ComboIndex->clear();
    indexKeyTexts_ = QStringList{QString()};
    LabelExp->clear();
    ComboIndex->addItem(noneText_);
    const auto indexes = table_->indexDefs();
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (indexes[i].options & ixPrimary) continue;  // "None" stands for the primary index
        ComboIndex->addItem(QString::fromStdString(indexes[i].name));
        const QString expression = QString::fromStdString(indexes[i].expression).trimmed();
        indexKeyTexts_ << (expression.isEmpty() ? QString::fromStdString(indexes[i].fields) : expression);
    }
}

void SearchPage::FillRecordGrid() {
    const int fieldCount = static_cast<int>(table_->fieldCount());
    StringGridRecord->setRowCount(fieldCount + 1);
    for (int i = 0; i < fieldCount; ++i) {
        const Field field = table_->field(static_cast<std::size_t>(i));
        StringGridRecord->setItem(i + 1, 0, new QTableWidgetItem(QString::number(i)));
        StringGridRecord->setItem(i + 1, 1, new QTableWidgetItem(QString::fromStdString(field.name())));
        StringGridRecord->setItem(i + 1, kValueColumn,
                                  new QTableWidgetItem(QString::fromStdString(field.displayText())));
    }
}

void SearchPage::ComboIndexChange(int position) {
    const QString chosen = position == 0 ? QString() : ComboIndex->itemText(position);
    LabelExp->setText(indexKeyTexts_.value(position));
    const std::string name = chosen.toStdString();
    if (table_ && name != table_->indexName()) {
        table_->close();
        table_->setIndexName(name);
        table_->open();
        emit tableReopened();
    }
    setSearchEnabled(!chosen.isEmpty() && chosen != noneText_);
}

void SearchPage::BtnGotoClick() {
    table_->editKey();
    for (int row = 1; row < StringGridRecord->rowCount(); ++row) {
        const QString value = cellText(*StringGridRecord, row, kValueColumn);
        if (value.isEmpty()) continue;
        try {
            table_->fieldByName(cellText(*StringGridRecord, row, 1).toStdString()).setAsText(value.toStdString());
        } catch (const EngineError&) {
            // A value the key does not take is left out of the search, as the page promises.
        }
    }
    table_->gotoNearest();
    FillRecordGrid();
    emit recordMoved();
}

void SearchPage::BtnClearClick() {
    for (int row = 1; row < StringGridRecord->rowCount(); ++row) {
        StringGridRecord->setItem(row, kValueColumn, new QTableWidgetItem(QString()));
    }
}

}  // namespace tabulon
