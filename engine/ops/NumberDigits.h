#pragma once
// How many digits a number needs in decimal text, and whether a field keeps them all.
#include "../core/FieldDef.h"
#include "../core/Value.h"

namespace tabulon {

struct NumberDigits {
    int whole = 0;     // characters before the point, a minus sign included
    int decimals = 0;  // digits after the point, trailing zeros not counted
};

// The digits of a number's shortest exact text ("-12.50": 3 and 1). Zero for a non-number.
NumberDigits digitsOf(const Value& value);
// Whether `field` keeps every digit of `value` after the point: a field that fixes its
// decimals (a dBase N or F number, a BCD field) must have as many as the value uses. Fields
// without such a limit keep them all.
bool keepsEveryDecimal(const Value& value, const FieldDef& field);

}  // namespace tabulon
