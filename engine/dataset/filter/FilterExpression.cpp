#include "FilterExpression.h"

#include <algorithm>

#include "FilterEvaluator.h"
#include "FilterParser.h"

namespace tabulon {

namespace {
void collectFields(const FilterNode& node, std::vector<std::size_t>& out) {
    if (node.op == FilterNode::Op::Field) out.push_back(node.field);
    for (const auto& child : node.children) collectFields(*child, out);
}
}  // namespace

FilterExpression FilterExpression::parse(std::string_view text, const std::vector<FieldDef>& fields,
                                         const FilterOptions& options, const RegionalSettings& settings) {
    FilterExpression expression;
    expression.root_ = FilterParser(text, fields, options, settings).parse();
    if (expression.root_) collectFields(*expression.root_, expression.fields_);
    std::sort(expression.fields_.begin(), expression.fields_.end());
    expression.fields_.erase(std::unique(expression.fields_.begin(), expression.fields_.end()), expression.fields_.end());
    return expression;
}

bool FilterExpression::matches(const Record& record) const {
    return !root_ || evaluateCondition(*root_, record) == true;
}

}  // namespace tabulon
