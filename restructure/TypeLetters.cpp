#include "TypeLetters.h"

#include <algorithm>
#include <cctype>

using namespace tabulon;

const std::array<char, 22> ParadoxTypeLetters = {' ', 'A', 'S', 'I', ' ', 'L', 'N', '$', '#', 'D', 'T',
                                                 '@', 'Y', ' ', '+', 'B', 'M', 'G', 'F', 'O', ' ', ' '};
const std::array<char, 22> DBaseTypeLetters = {' ', 'A', ' ', ' ', ' ', 'L', 'N', ' ', ' ', 'D', ' ',
                                               ' ', ' ', ' ', ' ', ' ', 'M', ' ', ' ', ' ', 'Q', 'B'};
const std::array<int, 22> ParadoxMaxSizes = {0, 255, 0, 0, 0,   0,   0,   0,   32,  0, 0,
                                             0, 255, 0, 0, 240, 240, 240, 240, 240, 0, 0};
const std::array<int, 22> DBaseMaxSizes = {0, 254, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

namespace {

const std::array<char, 22>& lettersOf(TableType format) {
    return format == ttDBase ? DBaseTypeLetters : ParadoxTypeLetters;
}

}  // namespace

char NormalizeTypeLetter(TableType format, const std::string& text) {
    const auto first = std::find_if(text.begin(), text.end(), [](char c) { return c != ' '; });
    if (first == text.end()) return 'A';
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(*first)));
    const auto& letters = lettersOf(format);
    return letter != ' ' && std::find(letters.begin(), letters.end(), letter) != letters.end() ? letter : 'A';
}

FieldType TypeLetterToFieldType(TableType format, char letter) {
    const auto& letters = lettersOf(format);
    const auto it = std::find(letters.begin(), letters.end(), letter);
    return letter == ' ' || it == letters.end() ? ftString : static_cast<FieldType>(it - letters.begin());
}

int FitFieldSize(TableType format, char letter, int size) {
    const auto& sizes = format == ttDBase ? DBaseMaxSizes : ParadoxMaxSizes;
    const int max = sizes[TypeLetterToFieldType(format, letter)];
    int result = size <= max ? size : max;
    if (result == 0 && (letter == 'A' || letter == '#' || letter == 'M' || letter == 'Y')) result = 1;
    return result;
}

std::vector<std::string> TypeChoices(TableType format) {
    if (format == ttDBase)
        return {"A - AlphaNumeric", "N - Number",    "D - Date",      "L - Logical",
                "M - Text Memo",    "Q - dBase OLE", "B - Typed Bin."};
    return {"A - AlphaNumeric", "S - Smallint",    "I - Integer",   "L - Logical", "N - Float Number",
            "$ - Money",        "# - BCD Integer", "D - Date",      "T - Time",    "@ - Timestamp",
            "Y - Bytes",        "+ - Auto Inc.",   "M - Text Memo", "G - Graphic", "F - Form. Memo",
            "O - Paradox OLE",  "B - Typed Bin."};
}

char LetterForField(TableType format, const FieldDef& field) {
    if (format == ttDBase) {
        switch (field.type) {
            case ftSmallint:
            case ftInteger:
            case ftWord:
            case ftAutoInc:
            case ftCurrency:
            case ftBCD:
                return 'N';
            default:
                break;
        }
    }
    const int code = field.type;
    const char letter = code >= 0 && code < 22 ? lettersOf(format)[static_cast<std::size_t>(code)] : ' ';
    return letter == ' ' ? 'A' : letter;
}
