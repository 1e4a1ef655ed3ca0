#pragma once
// What the Special page's commands need of the main window that holds it: the selected table,
// its open table's state and filter, closing and reopening it, and the file list.
#include <QString>

namespace tabulon {
class Table;
}

class TSpecialPageHost {
public:
    virtual ~TSpecialPageHost() = default;

    // Message N of the main window's message table.
    virtual QString Message(int n) const = 0;
    // The selected or open table file, full path.
    virtual QString SelectedTable() const = 0;
    // Whether a table has been opened (it can be closed).
    virtual bool TableActive() const = 0;
    // The open table's filter text as the Filter page last handed it over; empty for none.
    virtual QString TableFilter() const = 0;
    // Drops pending edits when the window is editing; nothing otherwise.
    virtual void LeaveEditMode() = 0;
    // Opens or closes the selected table, leaving the page shown.
    virtual void SetTableActive(bool active) = 0;
    // The selected table now has the file `tableFile`: the window shows and selects it, and
    // opens it when `open`.
    virtual void TableRenamed(const QString& tableFile, bool open) = 0;
    // Reads the current folder's files again, keeping the selection.
    virtual void RefreshFileList() = 0;
    // The open table as the dataset layer has it; null while none is open.
    virtual tabulon::Table* OpenTable() = 0;
    // Records were written to the open table behind the grid: it reads them anew.
    virtual void TableRecordsChanged() = 0;
    // Shows the batch-move window modally on the window's folder, its selected table chosen.
    virtual void ShowBatchMove() = 0;
    // Shows the restructure window modally for the window's folder and selected table.
    virtual void ShowRestructure() = 0;
    // Closes the open table and shows the verify-and-rebuild window modally for the selected
    // table; nothing is reopened afterwards.
    virtual void ShowVerifyRebuild() = 0;
};
