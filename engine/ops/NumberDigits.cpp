#include "NumberDigits.h"

namespace tabulon {

NumberDigits digitsOf(const Value& value) {
    std::string text;
    switch (value.kind()) {
        case ValueKind::Integer:
        case ValueKind::Float:
        case ValueKind::Currency:
            text = value.toText();
            break;
        case ValueKind::Bcd:
            text = value.asDecimal().toString();
            break;
        default:
            return {};
    }
    const std::size_t point = text.find('.');
    if (point == std::string::npos) return {static_cast<int>(text.size()), 0};
    const std::size_t last = text.find_last_not_of('0');
    return {static_cast<int>(point), static_cast<int>(last - point)};
}

bool keepsEveryDecimal(const Value& value, const FieldDef& field) {
    int kept = -1;
    if (field.type == ftBCD)
        kept = field.size;
    else if ((field.nativeType == "N" || field.nativeType == "F") && field.size > 0)
        kept = field.decimals;
    return kept < 0 || value.isNull() || digitsOf(value).decimals <= kept;
}

}  // namespace tabulon
