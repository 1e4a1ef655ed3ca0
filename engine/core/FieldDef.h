#pragma once
// Definitions of a table's fields and indexes, as drivers report them and as create() takes them.
#include <string>

#include "FieldType.h"

namespace tabulon {

struct FieldDef {
    std::string name;  // UTF-8
    FieldType type = ftUnknown;
    // String length; BCD digits after the point; the part of a memo kept in the record;
    // the width of a dBase number; 0 where the type has a fixed size.
    int size = 0;
    int decimals = 0;  // dBase N and F: digits after the point
    bool required = false;
    std::string nativeType;  // the format's own type letter ("C", "N", "A", "#", ...)
};

struct IndexDef {
    std::string name;
    std::string fields;      // field names joined by ";"
    std::string expression;  // key expression of an expression index, else empty
    std::string condition;   // a dBase tag's FOR clause, else empty
    IndexOptions options = 0;
    std::string file;     // the file that holds it, without folder ("CUSTOMER.X02", "ORDERS.MDX")
    bool usable = true;   // false when the engine cannot read or evaluate it
    std::string problem;  // why it is not usable
};

}  // namespace tabulon
