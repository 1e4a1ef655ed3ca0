#include "FilterExpression.h"

#include "FilterEvaluator.h"
#include "FilterParser.h"

namespace tabulon {

FilterExpression FilterExpression::parse(std::string_view text, const std::vector<FieldDef>& fields,
                                         const FilterOptions& options, const RegionalSettings& settings) {
    FilterExpression expression;
    expression.root_ = FilterParser(text, fields, options, settings).parse();
    return expression;
}

bool FilterExpression::matches(const Record& record) const {
    return !root_ || evaluateCondition(*root_, record) == true;
}

}  // namespace tabulon
