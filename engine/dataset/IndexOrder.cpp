#include "IndexOrder.h"

#include <sstream>

#include "../core/AsciiCase.h"

namespace tabulon {

std::vector<std::size_t> indexFieldPositions(const IndexDef& index, const std::vector<FieldDef>& fields) {
    std::vector<std::size_t> positions;
    if (index.options & ixExpression) return positions;  // a key computed from several fields
    std::stringstream list(index.fields);
    for (std::string name; std::getline(list, name, ';');) {
        std::size_t i = 0;
        while (i < fields.size() && !equalsIgnoringAsciiCase(fields[i].name, name)) ++i;
        if (i == fields.size()) return {};
        positions.push_back(i);
    }
    return positions;
}

IndexOrder::IndexOrder(StorageTable& table, const std::string& indexName)
    : table_(table),
      cursor_(table.openIndex(indexName)),
      keyFields_(indexFieldPositions(cursor_->definition(), table.fields())) {}

bool IndexOrder::moveTo(RecordId id, const Record& values) {
    if (!keyFields_.empty()) {
        Record key;
        for (std::size_t position : keyFields_) key.push_back(values.at(position));
        for (bool more = cursor_->seek(key, false); more; more = cursor_->next())
            if (cursor_->recordId() == id) return true;
    }
    // An expression key cannot be built from the values: walk the index.
    for (bool more = cursor_->first(); more; more = cursor_->next())
        if (cursor_->recordId() == id) return true;
    return false;
}

}  // namespace tabulon
