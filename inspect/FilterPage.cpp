#include "FilterPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>

#include "dataset/Table.h"

namespace tabulon {

namespace {

constexpr int kFilterPanelHeight = 97;
constexpr int kFirstRowTop = 64;
constexpr int kRowSpacing = 32;
constexpr int kLineHeight = 21;

const QStringList kOperators{"", " = ", " <> ", " > ", " >= ", " < ", " <= "};
const QStringList kLogicalOperators{"", " AND ", " OR ", " NOT "};

template <typename Control>
Control* named(Control* control, const QString& name) {
    control->setObjectName(name);
    return control;
}

QComboBox* dropDownList(QWidget* parent, const QString& name, const QStringList& items) {
    auto* combo = named(new QComboBox(parent), name);
    combo->setEditable(false);
    combo->addItems(items);
    return combo;
}

QLabel* label(QWidget* parent, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    return label;
}

}  // namespace

FilterPage::FilterPage(const QTableWidget& fieldsGrid, QWidget* parent) : QWidget(parent), fieldsGrid_(fieldsGrid) {
    setObjectName(QStringLiteral("TabSheetFilter"));
    buildFilterPanel();
    buildEditor();
    resize(395, kFilterPanelHeight + kFirstRowTop + kRows * kRowSpacing);
}

void FilterPage::buildFilterPanel() {
    PanelFilter = named(new QWidget(this), QStringLiteral("PanelFilter"));
    CheckFilter = named(new QCheckBox(QStringLiteral("Enable Filter"), PanelFilter), QStringLiteral("CheckFilter"));
    CheckFilter->move(16, 8);
    EditFilter = named(new QLineEdit(PanelFilter), QStringLiteral("EditFilter"));
    BtnErase = named(new QToolButton(PanelFilter), QStringLiteral("BtnErase"));
    BtnErase->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    CheckFiltCase =
        named(new QCheckBox(QStringLiteral("Ignore Char Case"), PanelFilter), QStringLiteral("CheckFiltCase"));
    CheckFiltCase->move(16, 64);
    CheckFiltPart =
        named(new QCheckBox(QStringLiteral("No Partial Compare"), PanelFilter), QStringLiteral("CheckFiltPart"));
    CheckFiltPart->move(160, 64);

    connect(CheckFilter, &QCheckBox::clicked, this, &FilterPage::CheckFilterClick);
    connect(CheckFiltCase, &QCheckBox::clicked, this, &FilterPage::CheckFiltCaseClick);
    connect(CheckFiltPart, &QCheckBox::clicked, this, &FilterPage::CheckFiltCaseClick);
    connect(BtnErase, &QToolButton::clicked, this, &FilterPage::BtnEraseClick);
}

void FilterPage::buildEditor() {
    PanelFilterEditor = named(new QWidget(this), QStringLiteral("PanelFilterEditor"));
    label(PanelFilterEditor, QStringLiteral("Filter Editor"), 8, 8);
    label(PanelFilterEditor, QStringLiteral("Field Name"), 16, 40);
    label(PanelFilterEditor, QStringLiteral("Operator"), 132, 40);
    label(PanelFilterEditor, QStringLiteral("Field Value"), 188, 40);
    LabelAnd = named(label(PanelFilterEditor, QStringLiteral("And/Or/Not"), 324, 40), QStringLiteral("LabelAnd"));
    BtnUpdateFilter =
        named(new QPushButton(QStringLiteral("Update Filter"), PanelFilterEditor), QStringLiteral("BtnUpdateFilter"));
    connect(BtnUpdateFilter, &QPushButton::clicked, this, &FilterPage::BtnUpdateFilterClick);

    for (int row = 0; row < kRows; ++row) {
        const QString number = QString::number(row + 1);
        const int top = kFirstRowTop + row * kRowSpacing;
        ComboBoxFilterField[row] = dropDownList(PanelFilterEditor, "ComboBoxFilterField" + number, {});
        ComboBoxFilterField[row]->setGeometry(16, top, 109, kLineHeight);
        ComboBoxOp[row] = dropDownList(PanelFilterEditor, "ComboBoxOp" + number, kOperators);
        ComboBoxOp[row]->setGeometry(132, top, 49, kLineHeight);
        EditFieldValue[row] = named(new QLineEdit(PanelFilterEditor), "EditFieldValue" + number);
        ComboBoxLOp[row] = dropDownList(PanelFilterEditor, "ComboBoxLOp" + number, kLogicalOperators);
    }
}

void FilterPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int width = this->width();
    PanelFilter->setGeometry(0, 0, width, kFilterPanelHeight);
    EditFilter->setGeometry(16, 32, width - 56, kLineHeight);
    BtnErase->setGeometry(width - 39, 30, 25, 25);

    PanelFilterEditor->setGeometry(0, kFilterPanelHeight, width, height() - kFilterPanelHeight);
    BtnUpdateFilter->setGeometry(width - 89, 8, 80, 25);
    LabelAnd->move(width - 71, LabelAnd->y());
    for (int row = 0; row < kRows; ++row) {
        const int top = kFirstRowTop + row * kRowSpacing;
        EditFieldValue[row]->setGeometry(188, top, width - 270, kLineHeight);
        ComboBoxLOp[row]->setGeometry(width - 71, top, 62, kLineHeight);
    }
}

void FilterPage::SetTable(Table* table) {
    table_ = table;
    // The options belong to the page and outlive the table they were first given to.
    CheckFiltCaseClick();
}

void FilterPage::TableClosed() {
    CheckFilter->setChecked(false);
    setEditing(true);
    table_ = nullptr;
}

void FilterPage::FillFilterFieldCombos() {
    QStringList names;
    if (table_) {
        for (std::size_t i = 0; i < table_->fieldCount(); ++i) names << QString::fromStdString(table_->field(i).name());
    }
    for (QComboBox* combo : ComboBoxFilterField) {
        combo->clear();
        combo->addItems(names);
        combo->setCurrentIndex(-1);
    }
}

QString FilterPage::quoteFor(int fieldIndex) const {
    const QTableWidgetItem* item = fieldsGrid_.item(fieldIndex + 1, 2);
    const QString typeName = item ? item->text() : QString();
    const bool quoted = typeName == QLatin1String("CHARACTER") || typeName == QLatin1String("A - AlphaNumeric");
    return quoted ? QStringLiteral("'") : QString();
}

void FilterPage::BtnUpdateFilterClick() {
    QString text;
    for (int row = 0; row < kRows; ++row) {
        const QComboBox* field = ComboBoxFilterField[row];
        if (field->currentText().isEmpty()) continue;
        const QString quote = quoteFor(field->currentIndex());
        text += field->currentText() + ComboBoxOp[row]->currentText() + quote + EditFieldValue[row]->text() + quote +
                ComboBoxLOp[row]->currentText();
    }
    EditFilter->setText(text);
}

void FilterPage::setEditing(bool editing) {
    EditFilter->setEnabled(editing);
    PanelFilterEditor->setEnabled(editing);
}

void FilterPage::stopFiltering() {
    setEditing(true);
    if (!table_) return;
    table_->setFiltered(false);
    table_->refresh();
    emit viewChanged();
}

void FilterPage::CheckFilterClick() {
    if (!CheckFilter->isChecked()) {
        stopFiltering();
        return;
    }
    setEditing(false);
    if (!table_) return;
    try {
        table_->setFilter(EditFilter->text().toStdString());
        table_->refresh();
        table_->setFiltered(true);
    } catch (...) {
        // Never show a filter as enabled that the table did not take.
        CheckFilter->setChecked(false);
        setEditing(true);
        throw;
    }
    emit viewChanged();
}

void FilterPage::CheckFiltCaseClick() {
    if (!table_) return;
    FilterOptions options;
    options.caseInsensitive = CheckFiltCase->isChecked();
    options.noPartialCompare = CheckFiltPart->isChecked();
    table_->setFilterOptions(options);
    if (CheckFilter->isChecked()) emit viewChanged();
}

void FilterPage::BtnEraseClick() {
    const bool wasChecked = CheckFilter->isChecked();
    CheckFilter->setChecked(false);
    if (wasChecked) stopFiltering();
    EditFilter->clear();
    for (int row = 0; row < kRows; ++row) {
        ComboBoxFilterField[row]->setCurrentIndex(-1);
        EditFieldValue[row]->clear();
        ComboBoxOp[row]->setCurrentIndex(0);
        ComboBoxLOp[row]->setCurrentIndex(0);
    }
}

}  // namespace tabulon
