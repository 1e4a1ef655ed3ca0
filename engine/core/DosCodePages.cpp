#include "DosCodePages.h"

namespace tabulon {

namespace {
constexpr ByteOverride kMazovia[] = {
    {0x86, U'ą'}, {0x8D, U'ć'}, {0x8F, U'Ą'}, {0x90, U'Ę'}, {0x91, U'ę'}, {0x92, U'ł'},
    {0x95, U'Ć'}, {0x98, U'Ś'}, {0x9C, U'Ł'}, {0x9E, U'ś'}, {0xA0, U'Ź'}, {0xA1, U'Ż'},
    {0xA3, U'Ó'}, {0xA4, U'ń'}, {0xA5, U'Ń'}, {0xA6, U'ź'}, {0xA7, U'ż'},
};

constexpr ByteOverride kKamenicky[] = {
    {0x80, U'Č'}, {0x83, U'ď'}, {0x85, U'Ď'}, {0x86, U'Ť'}, {0x87, U'č'}, {0x88, U'ě'}, {0x89, U'Ě'},
    {0x8A, U'Ĺ'}, {0x8B, U'Í'}, {0x8C, U'ľ'}, {0x8D, U'ĺ'}, {0x8F, U'Á'}, {0x91, U'ž'}, {0x92, U'Ž'},
    {0x95, U'Ó'}, {0x96, U'ů'}, {0x97, U'Ú'}, {0x98, U'ý'}, {0x9B, U'Š'}, {0x9C, U'Ľ'}, {0x9D, U'Ý'},
    {0x9E, U'Ř'}, {0x9F, U'ť'}, {0xA0, U'á'}, {0xA1, U'í'}, {0xA2, U'ó'}, {0xA3, U'ú'}, {0xA4, U'ň'},
    {0xA5, U'Ň'}, {0xA6, U'Ů'}, {0xA7, U'Ô'}, {0xA8, U'š'}, {0xA9, U'ř'}, {0xAA, U'ŕ'}, {0xAB, U'Ŕ'},
};
}  // namespace

std::span<const ByteOverride> dosOverridesOf437(std::string_view codePageName) {
    if (codePageName == "CP620") return kMazovia;
    if (codePageName == "CP895") return kKamenicky;
    return {};
}

}  // namespace tabulon
