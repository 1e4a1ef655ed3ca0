#pragma once
// The type letters and largest sizes of each structure format, and the rules that make a row
// of the field editor valid (letter, field-type code, size). Plain C++; any thread.
#include <array>
#include <string>
#include <vector>

#include "core/FieldDef.h"

// Indexed by field-type code 0..21; " " where the format has no letter for the code.
extern const std::array<char, 22> ParadoxTypeLetters;
extern const std::array<char, 22> DBaseTypeLetters;
extern const std::array<int, 22> ParadoxMaxSizes;
extern const std::array<int, 22> DBaseMaxSizes;

// The letter `text` stands for in `format` (ttDBase, else Paradox): its first character in upper
// case when the format has it, else "A".
char NormalizeTypeLetter(tabulon::TableType format, const std::string& text);
// The field-type code of `letter` in `format`; ftString when the format has no such letter.
tabulon::FieldType TypeLetterToFieldType(tabulon::TableType format, char letter);
// `size` cut to the largest the letter's type allows; "A", "#", "M" and "Y" get at least 1. A
// negative size stays as it is (the save refuses it).
int FitFieldSize(tabulon::TableType format, char letter, int size);
// The entries of the "Type" column's pick list ("A - AlphaNumeric", ...).
std::vector<std::string> TypeChoices(tabulon::TableType format);
// The letter an existing field is shown with. A dBase number the engine reads as a whole-number
// type is still a dBase "N" field, not text.
char LetterForField(tabulon::TableType format, const tabulon::FieldDef& field);
