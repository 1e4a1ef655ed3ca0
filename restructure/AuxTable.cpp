#include "AuxTable.h"

#include <climits>

#include "TypeLetters.h"
#include "core/AsciiCase.h"
#include "ops/TableDefinitions.h"

using namespace tabulon;

namespace {

std::string textOf(const Value& value) { return value.isNull() ? std::string() : value.toText(); }

}  // namespace

TAuxTable::TAuxTable(Session& session) : connection_(session, "RestructureAux"), table_(connection_) {}

void TAuxTable::Create(const std::filesystem::path& folder) {
    Close();
    const std::vector<FieldDef> fields = {{"N", ftInteger, 0, 0, false, ""},   {"Name", ftString, 25, 0, true, ""},
                                          {"Type", ftString, 1, 0, true, ""},  {"Size", ftInteger, 0, 0, false, ""},
                                          {"Req", ftBoolean, 0, 0, false, ""}, {"IdxP", ftString, 1, 0, false, ""},
                                          {"Ord", ftInteger, 0, 0, false, ""}, {"FT", ftInteger, 0, 0, false, ""}};
    const std::vector<IndexDef> indexes = {{"", "N", "", "", ixPrimary | ixUnique, "", true, ""}};
    TableDefinitions().create(folder / kFileName, ttParadox, fields, indexes);
    connection_.setParams(Connection::folderParams(folder.string()));
    connection_.connect();
    table_.setTableName(kFileName);
    table_.open();
}

void TAuxTable::Close() {
    if (table_.active()) table_.close();
    if (connection_.connected()) connection_.disconnect();
}

int TAuxTable::RowCount() { return static_cast<int>(table_.recordCount()); }

std::vector<Record> TAuxTable::Records() {
    std::vector<Record> records;
    for (table_.first(); !table_.eof(); table_.next()) records.push_back(table_.currentValues());
    return records;
}

std::vector<TFieldRow> TAuxTable::FieldRows() {
    std::vector<TFieldRow> rows;
    for (const Record& r : Records()) {
        const std::string type = textOf(r[cType]);
        rows.push_back({textOf(r[cName]), type.empty() ? 'A' : type[0],
                        r[cSize].isNull() ? 0 : static_cast<int>(r[cSize].asInt()),
                        !r[cReq].isNull() && r[cReq].asBool(), textOf(r[cIdxP]) == "*",
                        r[cOrd].isNull() ? -1 : static_cast<int>(r[cOrd].asInt())});
    }
    return rows;
}

void TAuxTable::GotoRow(int row) {
    table_.first();
    for (int i = 0; i < row && !table_.eof(); ++i) table_.next();
}

void TAuxTable::SetCell(int row, int column, const Value& value) {
    GotoRow(row);
    table_.edit();
    try {
        table_.setFieldValue(static_cast<std::size_t>(column), value);
        Normalize();
        table_.post();
    } catch (...) {
        table_.cancel();
        throw;
    }
}

void TAuxTable::Append(const Record& values) {
    table_.append();
    try {
        for (std::size_t i = 0; i < values.size() && i < kColumnCount; ++i) table_.setFieldValue(i, values[i]);
        Normalize();
        table_.post();
    } catch (...) {
        table_.cancel();
        throw;
    }
}

void TAuxTable::Normalize() {
    auto value = [this](Column c) -> const Value& { return table_.fieldValue(c); };
    auto set = [this](Column c, Value v) { table_.setFieldValue(c, std::move(v)); };
    // A new row goes to the end: its place is the count of the rows before it.
    if (value(cN).isNull()) set(cN, Value::integer(static_cast<std::int64_t>(table_.recordCount())));
    std::string name = textOf(value(cName));
    if (name.empty()) name = "FieldName";
    set(cName, Value::string(format_ == ttDBase ? asciiUpper(name) : name));
    const char letter = NormalizeTypeLetter(format_, textOf(value(cType)));
    set(cType, Value::string(std::string(1, letter)));
    const int size = value(cSize).isNull() ? 0 : static_cast<int>(value(cSize).convertTo(ValueKind::Integer).asInt());
    set(cSize, Value::integer(FitFieldSize(format_, letter, size)));
    if (value(cReq).isNull()) set(cReq, Value::boolean(false));
    if (value(cIdxP).isNull()) set(cIdxP, Value::string(" "));
    if (value(cOrd).isNull()) set(cOrd, Value::integer(-1));
    set(cFT, Value::integer(TypeLetterToFieldType(format_, letter)));
}

void TAuxTable::SetN(int n) {
    table_.edit();
    table_.setFieldValue(cN, Value::integer(n));
    table_.post();
}

void TAuxTable::Delete(int row) {
    GotoRow(row);
    table_.remove();
    // The rows after it close the gap, walking upwards so every key stays unique.
    for (int i = row;; ++i) {
        GotoRow(i);
        if (table_.eof()) break;
        SetN(i);
    }
}

void TAuxTable::Move(int from, int to) {
    const int count = RowCount();
    if (from == to || from < 0 || to < 0 || from >= count || to >= count) return;
    // The moved row goes last; every row then gets twice its place plus two, the moved one the odd
    // number that sorts it into place `to`; then 0, 1, 2, ... again. Values only grow while
    // walking down from the end and only shrink while walking up from the start, so each post
    // keeps the key unique.
    GotoRow(from);
    SetN(INT_MAX);
    for (int i = count - 1; i >= 0; --i) {
        GotoRow(i);
        SetN((i + 1) * 2);
    }
    GotoRow(count - 1);
    SetN((to + 1) * 2 - 1);
    for (int i = 0; i < count; ++i) {
        GotoRow(i);
        SetN(i);
    }
}

void TAuxTable::MarkKey(int row, bool marked, bool alone) {
    GotoRow(row);
    table_.edit();
    table_.setFieldValue(cIdxP, Value::string(marked ? "*" : " "));
    table_.post();
    if (!alone) return;
    const int count = RowCount();
    for (int i = 0; i < count; ++i) {
        if (i == row) continue;
        GotoRow(i);
        if (textOf(table_.fieldValue(cIdxP)) == "*") {
            table_.edit();
            table_.setFieldValue(cIdxP, Value::string(" "));
            table_.post();
        }
    }
}
