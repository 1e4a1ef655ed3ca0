#include "LiveTable.h"

#include "../dataset/Table.h"

namespace tabulon {
namespace {

Bookmark bookmarkOf(RecordId id) {
    Bookmark bookmark;
    bookmark.valid = true;
    bookmark.id = id;
    return bookmark;
}

}  // namespace

LiveTable::LiveTable(Connection& connection, std::string tableName, std::vector<std::string> columnFields)
    : connection_(connection), tableName_(std::move(tableName)), columnFields_(std::move(columnFields)) {}

void LiveTable::open(Table& table) const {
    table.setTableName(tableName_);
    table.open();
}

RecordId LiveTable::post(Table& table, const Record& values, const std::vector<bool>& changed) const {
    for (std::size_t i = 0; i < columnFields_.size(); ++i)
        if (changed[i]) table.fieldByName(columnFields_[i]).setValue(values[i]);
    table.post();
    return table.bookmark().id;
}

RecordId LiveTable::update(RecordId id, const Record& values, const std::vector<bool>& changed) {
    Table table(connection_);
    open(table);
    table.gotoBookmark(bookmarkOf(id));
    table.edit();
    return post(table, values, changed);
}

RecordId LiveTable::append(const Record& values, const std::vector<bool>& changed) {
    Table table(connection_);
    open(table);
    table.append();
    return post(table, values, changed);
}

void LiveTable::remove(RecordId id) {
    Table table(connection_);
    open(table);
    table.gotoBookmark(bookmarkOf(id));
    table.remove();
}

}  // namespace tabulon
