#pragma once
// One field of an open dataset table: its definition and its value in the current record.
#include <cstddef>
#include <string>

#include "../core/FieldDef.h"
#include "../core/Value.h"

namespace tabulon {

class Table;

// A light handle, valid while its table stays open. Reads give the value of the record being
// edited or inserted, of the key buffer in key-editing mode, else of the current record (null
// when there is none). Writes need one of those three modes (EUsageError otherwise); in
// key-editing mode only the fields of the current index take values (EValueError otherwise).
// Same thread as its table.
class Field {
public:
    Field(Table& table, std::size_t index) : table_(&table), index_(index) {}

    const FieldDef& definition() const;
    const std::string& name() const { return definition().name; }
    FieldType type() const { return definition().type; }
    int size() const { return definition().size; }
    bool required() const { return definition().required; }
    std::size_t index() const { return index_; }

    const Value& value() const;
    bool isNull() const { return value().isNull(); }
    // Throws EValueError naming the field when `value` does not convert to its type.
    void setValue(const Value& value);

    // The value as the table's regional settings render it (see formatFieldValue). The display
    // text and the value as text are the same text.
    std::string displayText() const;
    std::string asText() const { return displayText(); }
    // Throws EValueError naming the field and the text when the text does not convert.
    void setAsText(const std::string& text);

private:
    Table* table_;
    std::size_t index_;
};

}  // namespace tabulon
