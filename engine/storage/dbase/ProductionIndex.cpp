#include "ProductionIndex.h"

#include <algorithm>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "DbaseExpression.h"
#include "IndexKeyCodec.h"
#include "MdxFile.h"

namespace tabulon::dbase {

namespace {
// "A;B" as one dBase expression: text as it is, numbers through STR(), dates through DTOS().
std::string expressionOf(const IndexDef& index, const std::vector<FieldDef>& fields) {
    if (!index.expression.empty()) return index.expression;
    std::string expression;
    std::size_t start = 0;
    std::vector<std::string> names;
    for (std::size_t end; (end = index.fields.find(';', start)) != std::string::npos; start = end + 1)
        names.push_back(index.fields.substr(start, end - start));
    names.push_back(index.fields.substr(start));
    if (names.size() == 1) return names.front();
    for (const std::string& name : names) {
        const auto f = std::find_if(fields.begin(), fields.end(),
                                    [&](const FieldDef& d) { return equalsIgnoringAsciiCase(d.name, name); });
        if (f == fields.end())
            throw EngineError(errkind::kValue, "Index " + index.name + ": there is no field " + name);
        std::string part = f->name;
        if (valueKindFor(f->type) == ValueKind::Date)
            part = "DTOS(" + part + ")";
        else if (valueKindFor(f->type) != ValueKind::String)
            part = "STR(" + part + "," + std::to_string(f->size > 0 ? f->size : 20) + "," +
                   std::to_string(f->decimals) + ")";
        expression += (expression.empty() ? "" : "+") + part;
    }
    return expression;
}

std::size_t widthOf(const DbaseExpression& expression, std::size_t fieldCount) {
    const Record blanks(fieldCount);
    ExpressionContext context{&blanks, 0, false};
    const Value blank = expression.evaluate(context);
    std::size_t n = 0;
    for (unsigned char c : blank.asString()) n += (c & 0xC0) != 0x80;
    return n;
}
}  // namespace

std::vector<MdxTagSpec> tagSpecsFor(const std::vector<IndexDef>& indexes, const std::vector<FieldDef>& fields) {
    std::vector<MdxTagSpec> specs;
    for (const IndexDef& index : indexes) {
        MdxTagSpec shape;
        shape.name = asciiUpper(index.name).substr(0, 10);
        shape.expression = expressionOf(index, fields);
        shape.descending = index.options & ixDescending;
        shape.unique = index.options & (ixUnique | ixPrimary);
        shape.condition = index.condition;
        try {
            if (!shape.condition.empty() && DbaseExpression(shape.condition, fields).type() != ExpressionType::Boolean)
                throw EngineError(errkind::kValue, "its FOR clause " + shape.condition + " is not a condition");
            const DbaseExpression expression(shape.expression, fields);
            shape.fieldKey = expression.singleField() >= 0;
            switch (expression.type()) {
                case ExpressionType::String:
                    shape.keyType = 'C';
                    shape.keyLength = widthOf(expression, fields.size());
                    break;
                case ExpressionType::Number:
                    shape.keyType = 'N';
                    shape.keyLength = 12;
                    break;
                case ExpressionType::Date:
                    shape.keyType = 'D';
                    shape.keyLength = 8;
                    break;
                case ExpressionType::Boolean:
                    throw EngineError(errkind::kValue, "a logical key is not supported");
            }
        } catch (const EngineError& e) {
            throw EngineError(errkind::kValue, "Index " + index.name + ": " + e.message());
        }
        specs.push_back(std::move(shape));
    }
    return specs;
}

std::vector<MdxTagSpec> tagSpecsOf(const MdxFile& mdx) {
    std::vector<MdxTagSpec> specs;
    for (const IndexTag& tag : mdx.tags()) {
        MdxTagSpec shape;
        shape.name = tag.def.name;
        shape.expression = tag.def.expression;
        shape.keyType = tag.typeLetter;
        shape.keyLength = tag.keyLength;
        shape.descending = tag.descending;
        shape.unique = tag.def.options & ixUnique;
        shape.condition = tag.def.condition;
        specs.push_back(std::move(shape));
    }
    return specs;
}

bool selects(const std::optional<DbaseExpression>& condition, const ExpressionContext& record) {
    if (!condition) return true;
    const Value selected = condition->evaluate(record);
    return !selected.isNull() && selected.asBool();
}

std::string characterKey(const TextCodec& codec, const std::string& text, std::size_t length) {
    // Keys come from stored text, which the code page holds; a character it cannot hold (a
    // replacement from a damaged record) is kept as '?'.
    std::string bytes = codec.encode(text).value_or(std::string(text.size(), '?'));
    bytes.resize(length, ' ');
    return bytes;
}

TagKeys::TagKeys(const std::vector<MdxTagSpec>& tags, const std::vector<FieldDef>& fields, const TextCodec& codec)
    : tags_(tags), codec_(codec) {
    for (MdxTagSpec& shape : tags_) {
        try {
            keys_.emplace_back(shape.expression, fields);
            shape.fieldKey = keys_.back().singleField() >= 0;
            conditions_.emplace_back();
            if (!shape.condition.empty()) conditions_.back().emplace(shape.condition, fields);
        } catch (const EngineError& e) {
            throw EngineError(errkind::kValue, "Index " + shape.name + ": " + e.message());
        }
        readsDeletionMark_ = readsDeletionMark_ ||
                             asciiUpper(shape.expression + " " + shape.condition).find("DELETED") != std::string::npos;
    }
}

std::optional<MdxKey> TagKeys::keyOf(std::size_t t, const ExpressionContext& record) const {
    const MdxTagSpec& tag = tags_[t];
    if (!selects(conditions_[t], record)) return std::nullopt;
    const Value v = keys_[t].evaluate(record);
    MdxKey key;
    key.record = record.recordNumber;
    if (tag.keyType == 'C') {
        key.bytes = characterKey(codec_, v.asString(), tag.keyLength);
    } else if (tag.keyType == 'D') {
        key.number = v.isNull() ? 0 : v.asDate().days + kJulianDayOfEpoch;
    } else {
        key.number = v.isNull() ? 0 : v.asDouble();
    }
    return key;
}

std::vector<std::vector<MdxKey>> keysOfRecords(const TagKeys& maker, std::uint64_t slots, const RecordSource& source) {
    std::vector<std::vector<MdxKey>> keys(maker.tags().size());
    for (auto& k : keys) k.reserve(static_cast<std::size_t>(slots));
    Record values;
    for (std::uint64_t slot = 0; slot < slots; ++slot) {
        bool deleted = false;
        source(slot, values, deleted);
        const ExpressionContext context{&values, slot + 1, deleted};
        for (std::size_t t = 0; t < keys.size(); ++t)
            if (std::optional<MdxKey> key = maker.keyOf(t, context)) keys[t].push_back(std::move(*key));
    }
    return keys;
}

std::string buildProductionIndex(const std::string& tableName, const std::vector<MdxTagSpec>& tags,
                                 const std::vector<FieldDef>& fields, const TextCodec& codec, std::uint64_t slots,
                                 const RecordSource& source) {
    const TagKeys maker(tags, fields, codec);
    return buildMdx(tableName, maker.tags(), keysOfRecords(maker, slots, source));
}

}  // namespace tabulon::dbase
