#pragma once
// How a text table lays out its records: delimited (separator and quote) or fixed-width.
namespace tabulon {

struct TextDialect {
    bool fixed = false;    // FILETYPE=FIXED: fields at fixed offsets, one record per line
    char separator = ',';  // between values of a delimited record
    char quote = '"';      // encloses values that hold separators, quotes or line breaks; 0: none
    bool header = false;   // the first record names the fields
};

}  // namespace tabulon
