#include "ValueFitting.h"

#include <cstdio>

#include "../core/EngineError.h"

namespace tabulon {

namespace {

// The range of the whole-number fields; a value outside it is refused by every driver.
bool inRange(FieldType type, std::int64_t v) {
    switch (type) {
        case ftSmallint:
            return v >= INT16_MIN && v <= INT16_MAX;
        case ftWord:
            return v >= 0 && v <= UINT16_MAX;
        case ftInteger:
        case ftAutoInc:
            return v >= INT32_MIN && v <= INT32_MAX;
        default:
            return true;
    }
}

}  // namespace

FieldFitter::FieldFitter(FieldDef field, const std::string& encoding)
    : field_(std::move(field)), kind_(valueKindFor(field_.type)) {
    if (kind_ == ValueKind::String && field_.type == ftString && field_.size > 0)
        codec_ = std::make_unique<TextCodec>(encoding.empty() ? std::string("CP1252") : encoding);
}

Fit FieldFitter::fit(Value& value) const {
    if (value.isNull()) return Fit::Kept;
    try {
        value = value.convertTo(kind_);
    } catch (const EngineError&) {
        value = Value();
        return Fit::Emptied;
    }
    if (value.isNull()) return Fit::Kept;  // an empty text read as a number or date
    if (kind_ == ValueKind::String) return fitText(value);
    if (kind_ == ValueKind::Bytes) return fitBytes(value);
    if (!numberFits(value)) {
        value = Value();
        return Fit::Emptied;
    }
    return Fit::Kept;
}

Fit FieldFitter::fitText(Value& value) const {
    if (!codec_) return Fit::Kept;
    const std::string& text = value.asString();
    const auto encoded = codec_->encode(text);
    if (!encoded) {
        value = Value();  // a character the code page lacks
        return Fit::Emptied;
    }
    const auto limit = static_cast<std::size_t>(field_.size);
    if (encoded->size() <= limit) return Fit::Kept;
    // Whole UTF-8 characters are dropped from the end until the rest fits. Every character takes
    // a byte at least, so the look starts after the first limit + 1 of them, not at the end.
    std::size_t end = 0;
    for (std::size_t characters = 0; end < text.size() && characters <= limit; ++characters) do
            ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80);
    while (end > 0) {
        do --end;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80);
        const auto part = codec_->encode(std::string_view(text).substr(0, end));
        if (part && part->size() <= limit) break;
    }
    value = Value::string(text.substr(0, end));
    return Fit::Cut;
}

Fit FieldFitter::fitBytes(Value& value) const {
    // Only fixed-size byte fields have a size; blobs keep what the record does not.
    if (field_.type != ftBytes || field_.size <= 0) return Fit::Kept;
    const Bytes& bytes = value.asBytes();
    if (bytes.size() <= static_cast<std::size_t>(field_.size)) return Fit::Kept;
    value = Value::bytes(Bytes(bytes.begin(), bytes.begin() + field_.size));
    return Fit::Cut;
}

bool FieldFitter::numberFits(const Value& value) const {
    if (value.kind() == ValueKind::Integer && !inRange(field_.type, value.asInt())) return false;
    // Only a dBase number has a width: it is written as text, rounded to its decimals.
    const bool numeric = field_.type == ftSmallint || field_.type == ftInteger || field_.type == ftFloat;
    if (!numeric || field_.size <= 0) return true;
    char text[400];
    const int length = std::snprintf(text, sizeof text, "%.*f", field_.decimals, value.asDouble());
    return length > 0 && length <= field_.size;
}

}  // namespace tabulon
