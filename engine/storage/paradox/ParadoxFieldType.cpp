#include "ParadoxFieldType.h"

#include <array>

namespace tabulon::paradox {

namespace {
constexpr int kBcdBytes = 17;

constexpr std::array<ParadoxFieldType, 17> kTypes = {{
    {0x01, 'A', ftString, 0, 3, false},
    {0x02, 'D', ftDate, 4, 3, false},
    {0x03, 'S', ftSmallint, 2, 3, false},
    {0x04, 'I', ftInteger, 4, 5, false},
    {0x05, '$', ftCurrency, 8, 3, false},
    {0x06, 'N', ftFloat, 8, 3, false},
    {0x09, 'L', ftBoolean, 1, 5, false},
    {0x0C, 'M', ftMemo, 0, 4, true},
    {0x0D, 'B', ftBlob, 0, 4, true},
    {0x0E, 'F', ftFmtMemo, 0, 4, true},
    {0x0F, 'O', ftParadoxOle, 0, 4, true},
    {0x10, 'G', ftGraphic, 0, 4, true},
    {0x14, 'T', ftTime, 4, 5, false},
    {0x15, '@', ftDateTime, 8, 5, false},
    {0x16, '+', ftAutoInc, 4, 5, false},
    {0x17, '#', ftBCD, kBcdBytes, 5, false},
    {0x18, 'Y', ftBytes, 0, 5, false},
}};
}  // namespace

std::optional<ParadoxFieldType> paradoxFieldType(std::uint8_t code) {
    for (const auto& t : kTypes)
        if (t.code == code) return t;
    return std::nullopt;
}

std::optional<ParadoxFieldType> paradoxFieldTypeFor(FieldType type) {
    for (const auto& t : kTypes)
        if (t.fieldType == type) return t;
    return std::nullopt;
}

int paradoxRecordBytes(const ParadoxFieldType& type, int sizeByte) {
    return type.fixedBytes ? type.fixedBytes : sizeByte;
}

}  // namespace tabulon::paradox
