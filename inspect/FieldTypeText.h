#pragma once
// The Fields page's type names and size texts for the dataset layer's field descriptions.
#include <string>

#include "core/FieldDef.h"

namespace tabulon {

// "A - AlphaNumeric" for ftString and so on through the 22 codes; "Unknown Type" for a code
// outside them. Never throws; any thread.
std::string FieldTypeDisplayName(FieldType type);

// Empty for a boolean field; the declared size when not 0; else the bytes the value takes in
// a record buffer (2, 4, 8, 34 or 0 by type). Never throws; any thread.
std::string FieldSizeText(const FieldDef& field);

}  // namespace tabulon
