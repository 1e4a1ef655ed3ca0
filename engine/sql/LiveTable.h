#pragma once
// Where the edits of a live query result go: the table the statement reads, through the
// dataset layer, so its locks, required fields, keys and indexes apply as to any table edit.
#include <string>
#include <vector>

#include "../core/Value.h"
#include "../storage/StorageTable.h"

namespace tabulon {

class Connection;
class Table;

// `columnFields` names the table field behind each result column. Each call opens the table
// in the connection's session, makes one change and closes it again; the errors are the
// dataset table's (ETableBusy, ERequiredField, EKeyViolation, EValueError, ...). Returns the
// id the record has afterwards. Same thread as the connection's session.
class LiveTable {
public:
    LiveTable(Connection& connection, std::string tableName, std::vector<std::string> columnFields);

    // `values` has one value per result column; `changed` says which columns to write.
    RecordId update(RecordId id, const Record& values, const std::vector<bool>& changed);
    RecordId append(const Record& values, const std::vector<bool>& changed);
    void remove(RecordId id);

private:
    void open(Table& table) const;
    RecordId post(Table& table, const Record& values, const std::vector<bool>& changed) const;

    Connection& connection_;
    std::string tableName_;
    std::vector<std::string> columnFields_;
};

}  // namespace tabulon
