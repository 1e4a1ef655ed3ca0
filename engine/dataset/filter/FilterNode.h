#pragma once
// The tree a filter text compiles into.
#include <cstddef>
#include <memory>
#include <vector>

#include "../../core/Value.h"

namespace tabulon {

// What a node yields, known when the text is parsed.
enum class FilterType { Condition, Number, String, Date, Time, Timestamp, Boolean, Null };

// One node; immutable once built, shared by copies of its expression.
struct FilterNode {
    enum class Op {
        Literal,
        Field,  // leaves
        Equal,
        NotEqual,
        Less,
        LessEqual,
        Greater,
        GreaterEqual,
        IsNull,
        IsNotNull,
        And,
        Or,
        Not,  // conditions
        Add,
        Subtract,
        Multiply,
        Divide,
        Negate,  // arithmetic
        Upper,
        Lower,
        Trim,
        Substring,
        Year,
        Month,
        Day,
    };
    Op op = Op::Literal;
    FilterType type = FilterType::Null;
    Value literal;                 // Literal
    std::size_t field = 0;         // Field: its position in the record
    bool partial = false;          // Equal / NotEqual: the right side is a prefix ('abc*')
    bool caseInsensitive = false;  // comparisons of strings
    std::vector<std::shared_ptr<const FilterNode>> children;
};

}  // namespace tabulon
