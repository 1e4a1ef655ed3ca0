#include "FieldCheckList.h"

namespace {

void addItem(QListWidget* list, const std::string& text, bool checked) {
    auto* item = new QListWidgetItem(QString::fromStdString(text), list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

void FillFieldList(QListWidget* list, const std::vector<tabulon::FieldDef>& fields) {
    list->clear();
    for (const tabulon::FieldDef& field : fields) addItem(list, field.name, true);
}

void FillCheckList(QListWidget* list, const std::vector<std::string>& texts) {
    list->clear();
    for (const std::string& text : texts) addItem(list, text, false);
}

void MoveSelectedItem(QListWidget* list, int step) {
    const int row = list->currentRow();
    const int target = row + step;
    if (row < 0 || !list->currentItem()->isSelected() || target < 0 || target >= list->count()) return;
    list->insertItem(target, list->takeItem(row));
    list->setCurrentRow(target);
}

void CheckAll(QListWidget* list, bool checked) {
    for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

std::vector<std::string> CheckedTexts(const QListWidget* list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked) texts.push_back(list->item(i)->text().toStdString());
    return texts;
}

std::vector<bool> CheckMarks(const QListWidget* list) {
    std::vector<bool> marks;
    for (int i = 0; i < list->count(); ++i) marks.push_back(list->item(i)->checkState() == Qt::Checked);
    return marks;
}
