#pragma once
// The auxiliary table "~AuxDef~.DB" that holds the rows of the field editor: one record per
// field of the new structure, keyed by its place "N". Every record stored passes the row
// normalisation of the structure's format; deleting and moving rows keep "N" 0, 1, 2, ...
// Plain C++ over the dataset layer; errors are the engine's EngineError. Interface thread.
#include <filesystem>
#include <string>
#include <vector>

#include "StructurePlan.h"
#include "dataset/Connection.h"
#include "dataset/Table.h"

class TAuxTable {
public:
    static constexpr const char* kFileName = "~AuxDef~.DB";
    enum Column { cN, cName, cType, cSize, cReq, cIdxP, cOrd, cFT, kColumnCount };

    explicit TAuxTable(tabulon::Session& session);

    // Creates the table in `folder` (a left-over one goes to the trash) and opens it.
    void Create(const std::filesystem::path& folder);
    void Close();
    bool Active() const { return table_.active(); }
    std::filesystem::path Path() const { return table_.path(); }

    // The format whose rules the rows follow (ttParadox or ttDBase).
    void SetFormat(tabulon::TableType format) { format_ = format; }
    tabulon::TableType Format() const { return format_; }

    int RowCount();
    // The records in "N" order.
    std::vector<tabulon::Record> Records();
    std::vector<TFieldRow> FieldRows();

    // Stores `value` in column `column` of row `row`, the row normalised.
    void SetCell(int row, int column, const tabulon::Value& value);
    // Appends a row (a field loaded from the old table, or an empty new one), normalised.
    void Append(const tabulon::Record& values);
    // Deletes row `row` and renumbers the rows after it.
    void Delete(int row);
    // Moves the field at place `from` to place `to`, the others keeping their order.
    void Move(int from, int to);
    // Marks row `row` as a key field: alone (every other row unmarked) or in addition to the
    // marked ones; `marked` false unmarks it.
    void MarkKey(int row, bool marked, bool alone);

    // The row normalisation: called with the record in edit or insert state.
    void Normalize();

private:
    void GotoRow(int row);
    void SetN(int n);

    tabulon::Connection connection_;
    tabulon::Table table_;
    tabulon::TableType format_ = tabulon::ttParadox;
};
