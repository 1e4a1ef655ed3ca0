#pragma once
// Which controls of the main window are enabled or shown in each state of its table: one function
// of the state, so every transition sets all of them the same way.
enum class TTableState { NoTable, TableOpen, TextTableOpen, Editing };

struct TControlState {
    bool open = false;
    bool close = false;
    bool edit = false;
    bool post = false;
    bool cancel = false;
    bool refresh = false;
    bool gridEditable = false;
    bool fieldsPage = false;
    bool filterAndSearchPages = false;
    bool specialPage = false;
    bool tableBoundSpecial = false;  // the ten commands and pickers that need an open table
    bool fileBoundSpecial = false;   // the five commands that work on the selected file

    bool operator==(const TControlState&) const = default;
};

// `cachedUpdates`: the open table holds its changes until posted; `selectedFileExists`: the
// file selected in the file list is an existing file.
TControlState ControlStateFor(TTableState state, bool cachedUpdates, bool selectedFileExists);
