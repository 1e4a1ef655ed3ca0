#include "FilterEvaluator.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "../../core/AsciiCase.h"

namespace tabulon {

namespace {
using Op = FilterNode::Op;

bool bothStrings(const Value& a, const Value& b) {
    return a.kind() == ValueKind::String && b.kind() == ValueKind::String;
}

// Compares the first `length` characters without regard to case, copying nothing: filters
// test every record of a table.
int compareIgnoringCase(const char* x, const char* y, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char a = asciiUpper(x[i]), b = asciiUpper(y[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

int compareIgnoringCase(const std::string& x, const std::string& y) {
    const int order = compareIgnoringCase(x.data(), y.data(), std::min(x.size(), y.size()));
    if (order != 0) return order;
    return x.size() < y.size() ? -1 : (y.size() < x.size() ? 1 : 0);
}

int compareValues(const Value& a, const Value& b, bool caseInsensitive) {
    if (caseInsensitive && bothStrings(a, b)) return compareIgnoringCase(a.asString(), b.asString());
    if (a.kind() == ValueKind::Date && b.kind() == ValueKind::Timestamp)
        return Value::timestamp(Timestamp::fromParts(a.asDate(), Time{})).compare(b);
    if (a.kind() == ValueKind::Timestamp && b.kind() == ValueKind::Date)
        return a.compare(Value::timestamp(Timestamp::fromParts(b.asDate(), Time{})));
    return a.compare(b);
}

bool beginsWith(const Value& value, const Value& prefix, bool caseInsensitive) {
    if (!bothStrings(value, prefix)) return false;
    const std::string& text = value.asString();
    const std::string& start = prefix.asString();
    if (text.size() < start.size()) return false;
    return caseInsensitive ? compareIgnoringCase(text.data(), start.data(), start.size()) == 0
                           : text.compare(0, start.size(), start) == 0;
}

Value arithmetic(Op op, const Value& a, const Value& b) {
    if (a.isNull() || b.isNull()) return Value();
    if (op == Op::Add && bothStrings(a, b)) return Value::string(a.asString() + b.asString());
    if (a.kind() == ValueKind::String || b.kind() == ValueKind::String) return Value();
    // Whole numbers stay whole unless the result would not fit: then it is worked in floating point.
    std::int64_t result = 0;
    const bool whole = a.kind() == ValueKind::Integer && b.kind() == ValueKind::Integer;
    switch (op) {
        case Op::Add:
            if (whole && !__builtin_add_overflow(a.asInt(), b.asInt(), &result)) return Value::integer(result);
            return Value::floating(a.asDouble() + b.asDouble());
        case Op::Subtract:
            if (whole && !__builtin_sub_overflow(a.asInt(), b.asInt(), &result)) return Value::integer(result);
            return Value::floating(a.asDouble() - b.asDouble());
        case Op::Multiply:
            if (whole && !__builtin_mul_overflow(a.asInt(), b.asInt(), &result)) return Value::integer(result);
            return Value::floating(a.asDouble() * b.asDouble());
        default:
            if (b.asDouble() == 0) return Value();
            return Value::floating(a.asDouble() / b.asDouble());
    }
}

Value datePart(Op op, const Value& v) {
    if (v.kind() != ValueKind::Date && v.kind() != ValueKind::Timestamp) return Value();
    const CivilDate civil = (v.kind() == ValueKind::Date ? v.asDate() : v.asTimestamp().date()).toCivil();
    return Value::integer(op == Op::Year ? civil.year : op == Op::Month ? civil.month : civil.day);
}

Value substring(const Value& text, const Value& start, const Value* length) {
    if (text.kind() != ValueKind::String || start.isNull() || (length && length->isNull())) return Value();
    const std::string& s = text.asString();
    // Positions and lengths beyond any string's size mean the same as that size (and casting a
    // huge or NaN double to an integer is undefined).
    const auto position = [&](double d) {
        const double limit = static_cast<double>(s.size()) + 1;
        return static_cast<std::int64_t>(std::isnan(d) ? 0 : std::clamp(d, -limit, limit));
    };
    const std::int64_t from = position(start.asDouble());
    std::int64_t first = std::max<std::int64_t>(from, 1) - 1;
    std::int64_t count = length ? position(length->asDouble()) : static_cast<std::int64_t>(s.size());
    if (from < 1) count += from - 1;  // positions before the first character take none
    if (count <= 0 || first >= static_cast<std::int64_t>(s.size())) return Value::string("");
    return Value::string(s.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

// Leaves are read in place; only computed values need `scratch`.
const Value& operand(const FilterNode& node, const Record& record, Value& scratch) {
    static const Value null;
    if (node.op == Op::Literal) return node.literal;
    if (node.op == Op::Field) return node.field < record.size() ? record[node.field] : null;
    scratch = evaluateValue(node, record);
    return scratch;
}

std::string trimmed(const std::string& s) {
    const auto start = s.find_first_not_of(' ');
    if (start == std::string::npos) return "";
    return s.substr(start, s.find_last_not_of(' ') - start + 1);
}
}  // namespace

Value evaluateValue(const FilterNode& node, const Record& record) {
    switch (node.op) {
        case Op::Literal:
            return node.literal;
        case Op::Field:
            return node.field < record.size() ? record[node.field] : Value();
        case Op::Add:
        case Op::Subtract:
        case Op::Multiply:
        case Op::Divide:
            return arithmetic(node.op, evaluateValue(*node.children[0], record),
                              evaluateValue(*node.children[1], record));
        case Op::Negate: {
            const Value v = evaluateValue(*node.children[0], record);
            if (v.isNull() || v.kind() == ValueKind::String) return Value();
            return v.kind() == ValueKind::Integer ? Value::integer(-v.asInt()) : Value::floating(-v.asDouble());
        }
        case Op::Upper:
        case Op::Lower:
        case Op::Trim: {
            const Value v = evaluateValue(*node.children[0], record);
            if (v.kind() != ValueKind::String) return Value();
            const std::string& s = v.asString();
            return Value::string(node.op == Op::Upper   ? asciiUpper(s)
                                 : node.op == Op::Lower ? asciiLower(s)
                                                        : trimmed(s));
        }
        case Op::Substring: {
            const Value length = node.children.size() > 2 ? evaluateValue(*node.children[2], record) : Value();
            return substring(evaluateValue(*node.children[0], record), evaluateValue(*node.children[1], record),
                             node.children.size() > 2 ? &length : nullptr);
        }
        case Op::Year:
        case Op::Month:
        case Op::Day:
            return datePart(node.op, evaluateValue(*node.children[0], record));
        default: {
            const auto truth = evaluateCondition(node, record);
            return truth ? Value::boolean(*truth) : Value();
        }
    }
}

std::optional<bool> evaluateCondition(const FilterNode& node, const Record& record) {
    switch (node.op) {
        case Op::And: {
            const auto left = evaluateCondition(*node.children[0], record);
            if (left == false) return false;
            const auto right = evaluateCondition(*node.children[1], record);
            if (right == false) return false;
            if (!left || !right) return std::nullopt;
            return true;
        }
        case Op::Or: {
            const auto left = evaluateCondition(*node.children[0], record);
            if (left == true) return true;
            const auto right = evaluateCondition(*node.children[1], record);
            if (right == true) return true;
            if (!left || !right) return std::nullopt;
            return false;
        }
        case Op::Not: {
            const auto operand = evaluateCondition(*node.children[0], record);
            if (!operand) return std::nullopt;
            return !*operand;
        }
        case Op::IsNull:
        case Op::IsNotNull: {
            Value scratch;
            return operand(*node.children[0], record, scratch).isNull() == (node.op == Op::IsNull);
        }
        case Op::Equal:
        case Op::NotEqual:
        case Op::Less:
        case Op::LessEqual:
        case Op::Greater:
        case Op::GreaterEqual: {
            Value left, right;
            const Value& a = operand(*node.children[0], record, left);
            const Value& b = operand(*node.children[1], record, right);
            if (a.isNull() || b.isNull()) return std::nullopt;
            if (node.partial) return beginsWith(a, b, node.caseInsensitive) == (node.op == Op::Equal);
            const int order = compareValues(a, b, node.caseInsensitive);
            switch (node.op) {
                case Op::Equal:
                    return order == 0;
                case Op::NotEqual:
                    return order != 0;
                case Op::Less:
                    return order < 0;
                case Op::LessEqual:
                    return order <= 0;
                case Op::Greater:
                    return order > 0;
                default:
                    return order >= 0;
            }
        }
        default: {
            const Value v = evaluateValue(node, record);
            if (v.kind() != ValueKind::Boolean) return std::nullopt;
            return v.asBool();
        }
    }
}

}  // namespace tabulon
