#include "ControlState.h"

TControlState ControlStateFor(TTableState state, bool cachedUpdates, bool selectedFileExists) {
    TControlState c;
    switch (state) {
        case TTableState::NoTable:
            c.open = true;
            c.specialPage = true;
            c.fileBoundSpecial = selectedFileExists;
            break;
        case TTableState::TableOpen:
            c.close = c.edit = c.refresh = true;
            c.fieldsPage = c.filterAndSearchPages = c.specialPage = true;
            c.tableBoundSpecial = c.fileBoundSpecial = true;
            break;
        case TTableState::TextTableOpen:
            c.close = true;
            c.fileBoundSpecial = selectedFileExists;
            break;
        case TTableState::Editing:
            c.close = c.post = c.refresh = true;
            c.cancel = cachedUpdates;
            c.gridEditable = true;
            c.fieldsPage = c.specialPage = true;
            c.tableBoundSpecial = c.fileBoundSpecial = true;
            break;
    }
    return c;
}
