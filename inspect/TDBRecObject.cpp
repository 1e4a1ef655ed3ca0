#include "TDBRecObject.h"

namespace tabulon {

namespace {

constexpr std::size_t kNameLength = 11;
constexpr std::size_t kTypeOffset = 11;
constexpr std::size_t kLengthOffset = 16;
constexpr std::size_t kDecimalsOffset = 17;

enum class SizeShape { None, Length, LengthAndDecimals };

struct TypeLetter {
    char letter;
    const char* name;
    SizeShape size;
};

constexpr TypeLetter kTypeLetters[] = {
    {'B', "BINARY", SizeShape::None}, {'C', "CHARACTER", SizeShape::Length},
    {'D', "DATE", SizeShape::Length}, {'F', "FLOAT", SizeShape::LengthAndDecimals},
    {'G', "OLE", SizeShape::None},    {'L', "LOGICAL", SizeShape::None},
    {'M', "MEMO", SizeShape::None},   {'N', "NUMERIC", SizeShape::LengthAndDecimals},
};

std::string sizeTextOf(SizeShape shape, int length, int decimals) {
    switch (shape) {
        case SizeShape::Length:
            return std::to_string(length);
        case SizeShape::LengthAndDecimals:
            return std::to_string(length) + "," + std::to_string(decimals);
        case SizeShape::None:
            break;
    }
    return {};
}

}  // namespace

TDBRecObject::TDBRecObject(const Slot& slot)
    : raw_(slot), name_(reinterpret_cast<const char*>(slot.data()), kNameLength) {
    const auto letter = static_cast<char>(slot[kTypeOffset]);
    for (const auto& known : kTypeLetters) {
        if (known.letter != letter) continue;
        typeName_ = known.name;
        sizeText_ = sizeTextOf(known.size, slot[kLengthOffset], slot[kDecimalsOffset]);
        break;
    }
}

}  // namespace tabulon
