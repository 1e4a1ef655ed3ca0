#pragma once
// dBase expressions, as index keys and FOR clauses hold them: field references, + and - on
// strings, dates and numbers, comparisons, .AND./.OR./.NOT., and the common functions.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../../core/FieldDef.h"
#include "../../core/Value.h"

namespace tabulon::dbase {

// What an expression yields, known before any record is read.
enum class ExpressionType { String, Number, Date, Boolean };

// The record an expression is evaluated against.
struct ExpressionContext {
    const Record* values = nullptr;  // one per field, as the table reports them
    std::uint64_t recordNumber = 0;
    bool deleted = false;
};

// A parsed expression. Parsing checks every field and function name and every argument's
// type, so an expression that parses always evaluates. Character fields read padded to their
// width, as dBase builds keys. Throws EngineError(EValueError) naming the expression and the
// fault when it cannot be parsed. Immutable after parsing; evaluate() may run on any thread.
class DbaseExpression {
public:
    struct Node;

    DbaseExpression(const std::string& text, const std::vector<FieldDef>& fields);
    ~DbaseExpression();
    DbaseExpression(DbaseExpression&&) noexcept;
    DbaseExpression& operator=(DbaseExpression&&) noexcept;

    const std::string& text() const { return text_; }
    ExpressionType type() const;
    // The field a plain field reference names (index in `fields`), else -1.
    int singleField() const;
    // Fields referenced, in order of first use.
    std::vector<int> fieldsUsed() const;
    // String results come out as text (padded as dBase pads), numbers as floats, dates as
    // dates (null for an empty date), booleans as booleans.
    Value evaluate(const ExpressionContext& context) const;

private:
    std::string text_;
    std::unique_ptr<Node> root_;
};

}  // namespace tabulon::dbase
