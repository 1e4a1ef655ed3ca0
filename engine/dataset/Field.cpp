#include "Field.h"

#include "Table.h"
#include "ValueText.h"

namespace tabulon {

const FieldDef& Field::definition() const { return table_->fieldDefs().at(index_); }

const Value& Field::value() const { return table_->fieldValue(index_); }

void Field::setValue(const Value& value) { table_->setFieldValue(index_, value); }

std::string Field::displayText() const { return formatFieldValue(value(), definition(), table_->regionalSettings()); }

void Field::setAsText(const std::string& text) {
    table_->setFieldValue(index_, parseFieldValue(text, definition(), table_->regionalSettings()));
}

}  // namespace tabulon
