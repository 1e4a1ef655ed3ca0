#pragma once
// Builds the tree of a filter text by recursive descent.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../../core/FieldDef.h"
#include "../RegionalSettings.h"
#include "FilterLexer.h"
#include "FilterNode.h"
#include "FilterOptions.h"

namespace tabulon {

// Precedence, lowest first: OR; AND; NOT; comparisons and IS [NOT] NULL; + -; * /; unary -.
// Strings compared with typed values are read as those types here, once. Throws
// EngineError(EValueError) saying what was expected, where (1-based character) and what was
// found instead. Single use.
class FilterParser {
public:
    FilterParser(std::string_view text, const std::vector<FieldDef>& fields, const FilterOptions& options,
                 const RegionalSettings& settings);
    // Null for a blank text.
    std::shared_ptr<const FilterNode> parse();

private:
    using Node = std::shared_ptr<FilterNode>;
    const FilterToken& peek() const { return tokens_[at_]; }
    bool acceptSymbol(const char* symbol);
    bool acceptWord(const char* word);
    bool peekWord(const char* word) const;
    void expectSymbol(const char* symbol, const char* what);
    [[noreturn]] void expected(const std::string& what) const;
    [[noreturn]] void expectedAt(const std::string& what, const FilterToken& token) const;

    Node orExpression();
    Node andExpression();
    Node notExpression();
    Node comparison();
    Node additive();
    Node term();
    Node unary();
    Node primary();
    Node function(const FilterToken& name);
    Node fieldNode(const FilterToken& token);
    Node compare(FilterNode::Op op, Node left, Node right, const FilterToken& where);
    void requireCondition(const Node& node, const FilterToken& where) const;
    void requireType(const Node& node, FilterType type, const std::string& what, const FilterToken& where) const;
    Node coerceLiteral(Node literal, const Node& other, const FilterToken& where) const;

    std::vector<FilterToken> tokens_;
    std::size_t at_ = 0;
    const std::vector<FieldDef>& fields_;
    FilterOptions options_;
    RegionalSettings settings_;
};

}  // namespace tabulon
