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

std::vector<std::size_t> fieldsOf(const FilterNode& node) {
    std::vector<std::size_t> fields;
    collectFields(node, fields);
    std::sort(fields.begin(), fields.end());
    fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
    return fields;
}

// The operands of the top-level ANDs, left to right.
void splitAnd(const std::shared_ptr<const FilterNode>& node, std::vector<std::shared_ptr<const FilterNode>>& out) {
    if (node->op == FilterNode::Op::And) {
        for (const auto& child : node->children) splitAnd(child, out);
        return;
    }
    out.push_back(node);
}

bool isEquality(const FilterNode& node) {
    return node.op == FilterNode::Op::Equal || node.op == FilterNode::Op::IsNull;
}
}  // namespace

FilterExpression FilterExpression::parse(std::string_view text, const std::vector<FieldDef>& fields,
                                         const FilterOptions& options, const RegionalSettings& settings) {
    FilterExpression expression;
    const auto root = FilterParser(text, fields, options, settings).parse();
    if (!root) return expression;
    std::vector<std::shared_ptr<const FilterNode>> conjuncts;
    splitAnd(root, conjuncts);
    // A record passes only when every operand of AND is true, in any order; equality tests
    // usually reject most records, so they go first and later parts decode less.
    std::stable_partition(conjuncts.begin(), conjuncts.end(), [](const auto& node) { return isEquality(*node); });
    for (auto& node : conjuncts) expression.parts_.push_back(Part{fieldsOf(*node), std::move(node)});
    return expression;
}

bool FilterExpression::matches(const Record& record) const {
    for (std::size_t part = 0; part < parts_.size(); ++part)
        if (!partMatches(part, record)) return false;
    return true;
}

bool FilterExpression::partMatches(std::size_t part, const Record& record) const {
    return evaluateCondition(*parts_.at(part).node, record) == true;
}

}  // namespace tabulon
