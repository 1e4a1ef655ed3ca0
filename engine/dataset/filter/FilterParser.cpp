#include "FilterParser.h"

#include <charconv>
#include <map>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "../ValueText.h"

namespace tabulon {

namespace {
bool isKeyword(const std::string& word) {
    static const char* keywords[] = {"AND", "OR", "NOT", "IS", "NULL"};
    for (const char* k : keywords)
        if (asciiUpper(word) == k) return true;
    return false;
}

FilterType typeOfField(const FieldDef& field) {
    switch (valueKindFor(field.type)) {
        case ValueKind::String:
            return FilterType::String;
        case ValueKind::Boolean:
            return FilterType::Boolean;
        case ValueKind::Integer:
        case ValueKind::Float:
        case ValueKind::Currency:
        case ValueKind::Bcd:
            return FilterType::Number;
        case ValueKind::Date:
            return FilterType::Date;
        case ValueKind::Time:
            return FilterType::Time;
        case ValueKind::Timestamp:
            return FilterType::Timestamp;
        default:
            return FilterType::Null;
    }
}

const char* typeWord(FilterType type) {
    switch (type) {
        case FilterType::Number:
            return "a number";
        case FilterType::String:
            return "a string";
        case FilterType::Date:
            return "a date";
        case FilterType::Time:
            return "a time";
        case FilterType::Timestamp:
            return "a date and time";
        case FilterType::Boolean:
            return "a logical value";
        default:
            return "a value";
    }
}

FilterNode::Op mirrored(FilterNode::Op op) {
    using Op = FilterNode::Op;
    switch (op) {
        case Op::Less:
            return Op::Greater;
        case Op::LessEqual:
            return Op::GreaterEqual;
        case Op::Greater:
            return Op::Less;
        case Op::GreaterEqual:
            return Op::LessEqual;
        default:
            return op;
    }
}
}  // namespace

FilterParser::FilterParser(std::string_view text, const std::vector<FieldDef>& fields, const FilterOptions& options,
                           const RegionalSettings& settings)
    : tokens_(tokenizeFilter(text)), fields_(fields), options_(options), settings_(settings) {}

void FilterParser::expectedAt(const std::string& what, const FilterToken& token) const {
    throw EngineError(errkind::kValue, "Filter: " + what + " expected at character " + std::to_string(token.position) +
                                           ", but found " + token.describe());
}

void FilterParser::expected(const std::string& what) const { expectedAt(what, peek()); }

bool FilterParser::acceptSymbol(const char* symbol) {
    if (peek().kind != FilterToken::Kind::Symbol || peek().text != symbol) return false;
    ++at_;
    return true;
}

bool FilterParser::peekWord(const char* word) const {
    return peek().kind == FilterToken::Kind::Name && asciiUpper(peek().text) == word;
}

bool FilterParser::acceptWord(const char* word) {
    if (!peekWord(word)) return false;
    ++at_;
    return true;
}

void FilterParser::expectSymbol(const char* symbol, const char* what) {
    if (!acceptSymbol(symbol)) expected(what);
}

std::shared_ptr<const FilterNode> FilterParser::parse() {
    if (peek().kind == FilterToken::Kind::End) return nullptr;
    const FilterToken start = peek();
    Node root = orExpression();
    if (peek().kind != FilterToken::Kind::End) {
        if (root->type == FilterType::Condition || root->type == FilterType::Boolean) expected("AND, OR or the end");
        expected("a comparison operator (= <> < <= > >=)");
    }
    requireCondition(root, start);
    return root;
}

void FilterParser::requireCondition(const Node& node, const FilterToken& where) const {
    if (node->type != FilterType::Condition && node->type != FilterType::Boolean) expectedAt("a comparison", where);
}

void FilterParser::requireType(const Node& node, FilterType type, const std::string& what,
                               const FilterToken& where) const {
    if (node->type != type && node->type != FilterType::Null) expectedAt(what, where);
}

FilterParser::Node FilterParser::orExpression() {
    const FilterToken start = peek();
    Node left = andExpression();
    while (peekWord("OR")) {
        requireCondition(left, start);
        ++at_;
        const FilterToken right = peek();
        if (right.kind == FilterToken::Kind::End) expected("a condition after OR");
        Node node = std::make_shared<FilterNode>();
        node->op = FilterNode::Op::Or;
        node->type = FilterType::Condition;
        Node operand = andExpression();
        requireCondition(operand, right);
        node->children = {left, operand};
        left = node;
    }
    return left;
}

FilterParser::Node FilterParser::andExpression() {
    const FilterToken start = peek();
    Node left = notExpression();
    while (peekWord("AND")) {
        requireCondition(left, start);
        ++at_;
        const FilterToken right = peek();
        if (right.kind == FilterToken::Kind::End) expected("a condition after AND");
        Node node = std::make_shared<FilterNode>();
        node->op = FilterNode::Op::And;
        node->type = FilterType::Condition;
        Node operand = notExpression();
        requireCondition(operand, right);
        node->children = {left, operand};
        left = node;
    }
    return left;
}

FilterParser::Node FilterParser::notExpression() {
    if (!acceptWord("NOT")) return comparison();
    const FilterToken start = peek();
    if (start.kind == FilterToken::Kind::End) expected("a condition after NOT");
    Node operand = notExpression();
    requireCondition(operand, start);
    Node node = std::make_shared<FilterNode>();
    node->op = FilterNode::Op::Not;
    node->type = FilterType::Condition;
    node->children = {operand};
    return node;
}

FilterParser::Node FilterParser::comparison() {
    Node left = additive();
    const FilterToken where = peek();
    if (acceptWord("IS")) {
        const bool negated = acceptWord("NOT");
        if (!acceptWord("NULL")) expected(negated ? "NULL after IS NOT" : "NULL or NOT NULL after IS");
        Node node = std::make_shared<FilterNode>();
        node->op = negated ? FilterNode::Op::IsNotNull : FilterNode::Op::IsNull;
        node->type = FilterType::Condition;
        node->children = {left};
        return node;
    }
    static const std::map<std::string, FilterNode::Op> operators = {
        {"=", FilterNode::Op::Equal},        {"<>", FilterNode::Op::NotEqual},  {"!=", FilterNode::Op::NotEqual},
        {"<", FilterNode::Op::Less},         {"<=", FilterNode::Op::LessEqual}, {">", FilterNode::Op::Greater},
        {">=", FilterNode::Op::GreaterEqual}};
    if (where.kind != FilterToken::Kind::Symbol) return left;
    const auto found = operators.find(where.text);
    if (found == operators.end()) return left;
    ++at_;
    if (peek().kind == FilterToken::Kind::End) expected("a value after " + where.text);
    Node right = additive();
    return compare(found->second, left, right, where);
}

FilterParser::Node FilterParser::compare(FilterNode::Op op, Node left, Node right, const FilterToken& where) {
    Node node = std::make_shared<FilterNode>();
    node->type = FilterType::Condition;
    node->caseInsensitive = options_.caseInsensitive;
    const bool leftNull = left->op == FilterNode::Op::Literal && left->type == FilterType::Null;
    const bool rightNull = right->op == FilterNode::Op::Literal && right->type == FilterType::Null;
    if ((leftNull || rightNull) && (op == FilterNode::Op::Equal || op == FilterNode::Op::NotEqual)) {
        node->op = op == FilterNode::Op::Equal ? FilterNode::Op::IsNull : FilterNode::Op::IsNotNull;
        node->children = {leftNull ? right : left};
        return node;
    }
    if (left->op == FilterNode::Op::Literal && right->op != FilterNode::Op::Literal) {
        std::swap(left, right);
        op = mirrored(op);
    }
    right = coerceLiteral(right, left, where);
    left = coerceLiteral(left, right, where);
    if (left->type != right->type && left->type != FilterType::Null && right->type != FilterType::Null)
        throw EngineError(errkind::kValue, std::string("Filter: ") + typeWord(left->type) +
                                               " cannot be compared with " + typeWord(right->type) + " at character " +
                                               std::to_string(where.position));
    if ((op == FilterNode::Op::Equal || op == FilterNode::Op::NotEqual) && !options_.noPartialCompare &&
        right->op == FilterNode::Op::Literal && right->type == FilterType::String) {
        const std::string& text = right->literal.asString();
        if (!text.empty() && text.back() == '*') {
            auto prefix = std::make_shared<FilterNode>(*right);
            prefix->literal = Value::string(text.substr(0, text.size() - 1));
            right = prefix;
            node->partial = true;
        }
    }
    node->op = op;
    node->children = {left, right};
    return node;
}

FilterParser::Node FilterParser::coerceLiteral(Node literal, const Node& other, const FilterToken& where) const {
    if (literal->op != FilterNode::Op::Literal || literal->type != FilterType::String) return literal;
    if (other->type == FilterType::String || other->type == FilterType::Null || other->type == FilterType::Condition)
        return literal;
    FieldDef as;
    as.name = other->op == FilterNode::Op::Field ? fields_[other->field].name : "the expression";
    switch (other->type) {
        case FilterType::Number:
            as.type = ftFloat;
            break;
        case FilterType::Date:
            as.type = ftDate;
            break;
        case FilterType::Time:
            as.type = ftTime;
            break;
        case FilterType::Timestamp:
            as.type = ftDateTime;
            break;
        default:
            as.type = ftBoolean;
            break;
    }
    Node converted = std::make_shared<FilterNode>(*literal);
    try {
        converted->literal = parseFieldValue(literal->literal.asString(), as, settings_);
    } catch (const EngineError&) {
        expectedAt(std::string(typeWord(other->type)) + " for " + as.name, where);
    }
    converted->type = other->type;
    return converted;
}

FilterParser::Node FilterParser::additive() {
    Node left = term();
    while (true) {
        const FilterToken where = peek();
        const bool plus = acceptSymbol("+");
        if (!plus && !acceptSymbol("-")) return left;
        Node right = term();
        const bool concatenation = plus && left->type == FilterType::String;
        if (concatenation)
            requireType(right, FilterType::String, "a string after +", where);
        else {
            requireType(left, FilterType::Number, "a number before " + where.text, where);
            requireType(right, FilterType::Number, "a number", where);
        }
        Node node = std::make_shared<FilterNode>();
        node->op = plus ? FilterNode::Op::Add : FilterNode::Op::Subtract;
        node->type = concatenation ? FilterType::String : FilterType::Number;
        node->children = {left, right};
        left = node;
    }
}

FilterParser::Node FilterParser::term() {
    Node left = unary();
    while (true) {
        const FilterToken where = peek();
        const bool times = acceptSymbol("*");
        if (!times && !acceptSymbol("/")) return left;
        Node right = unary();
        requireType(left, FilterType::Number, "a number", where);
        requireType(right, FilterType::Number, "a number", where);
        Node node = std::make_shared<FilterNode>();
        node->op = times ? FilterNode::Op::Multiply : FilterNode::Op::Divide;
        node->type = FilterType::Number;
        node->children = {left, right};
        left = node;
    }
}

FilterParser::Node FilterParser::unary() {
    const FilterToken where = peek();
    if (!acceptSymbol("-")) return primary();
    Node operand = unary();
    requireType(operand, FilterType::Number, "a number after -", where);
    Node node = std::make_shared<FilterNode>();
    node->op = FilterNode::Op::Negate;
    node->type = FilterType::Number;
    node->children = {operand};
    return node;
}

FilterParser::Node FilterParser::primary() {
    const FilterToken token = peek();
    Node node = std::make_shared<FilterNode>();
    switch (token.kind) {
        case FilterToken::Kind::String:
            ++at_;
            node->type = FilterType::String;
            node->literal = Value::string(token.text);
            return node;
        case FilterToken::Kind::Number: {
            ++at_;
            node->type = FilterType::Number;
            std::int64_t whole = 0;
            const auto [end, error] = std::from_chars(token.text.data(), token.text.data() + token.text.size(), whole);
            if (error == std::errc() && end == token.text.data() + token.text.size()) {
                node->literal = Value::integer(whole);
                return node;
            }
            double real = 0;
            const auto [realEnd, realError] =
                std::from_chars(token.text.data(), token.text.data() + token.text.size(), real);
            if (realError != std::errc() || realEnd != token.text.data() + token.text.size())
                expectedAt("a number", token);
            node->literal = Value::floating(real);
            return node;
        }
        case FilterToken::Kind::QuotedName:
            ++at_;
            return fieldNode(token);
        case FilterToken::Kind::Name:
            ++at_;
            if (asciiUpper(token.text) == "NULL") {
                node->type = FilterType::Null;
                return node;
            }
            if (peek().kind == FilterToken::Kind::Symbol && peek().text == "(") return function(token);
            if (isKeyword(token.text)) expectedAt("a field name or a value", token);
            return fieldNode(token);
        case FilterToken::Kind::Symbol:
            if (acceptSymbol("(")) {
                Node inner = orExpression();
                expectSymbol(")", "a closing parenthesis");
                return inner;
            }
            [[fallthrough]];
        default:
            expected("a field name or a value");
    }
}

FilterParser::Node FilterParser::fieldNode(const FilterToken& token) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (!equalsIgnoringAsciiCase(fields_[i].name, token.text)) continue;
        Node node = std::make_shared<FilterNode>();
        node->op = FilterNode::Op::Field;
        node->field = i;
        node->type = typeOfField(fields_[i]);
        if (node->type == FilterType::Null)
            throw EngineError(errkind::kValue, "Filter: field " + fields_[i].name + " at character " +
                                                   std::to_string(token.position) +
                                                   " holds binary data, which a filter cannot compare");
        return node;
    }
    throw EngineError(errkind::kValue,
                      "Filter: unknown field name '" + token.text + "' at character " + std::to_string(token.position));
}

FilterParser::Node FilterParser::function(const FilterToken& name) {
    struct Signature {
        FilterNode::Op op;
        FilterType argument;
        FilterType result;
    };
    static const std::map<std::string, Signature> functions = {
        {"UPPER", {FilterNode::Op::Upper, FilterType::String, FilterType::String}},
        {"LOWER", {FilterNode::Op::Lower, FilterType::String, FilterType::String}},
        {"TRIM", {FilterNode::Op::Trim, FilterType::String, FilterType::String}},
        {"SUBSTRING", {FilterNode::Op::Substring, FilterType::String, FilterType::String}},
        {"YEAR", {FilterNode::Op::Year, FilterType::Date, FilterType::Number}},
        {"MONTH", {FilterNode::Op::Month, FilterType::Date, FilterType::Number}},
        {"DAY", {FilterNode::Op::Day, FilterType::Date, FilterType::Number}}};
    const auto found = functions.find(asciiUpper(name.text));
    if (found == functions.end())
        throw EngineError(errkind::kValue, "Filter: unknown function '" + name.text + "' at character " +
                                               std::to_string(name.position) +
                                               " (UPPER, LOWER, TRIM, SUBSTRING, YEAR, MONTH or DAY expected)");
    expectSymbol("(", "(");
    Node node = std::make_shared<FilterNode>();
    node->op = found->second.op;
    node->type = found->second.result;
    const FilterToken argumentStart = peek();
    Node argument = orExpression();
    const bool dateLike = argument->type == FilterType::Date || argument->type == FilterType::Timestamp;
    if (found->second.argument == FilterType::Date
            ? !dateLike && argument->type != FilterType::Null
            : argument->type != FilterType::String && argument->type != FilterType::Null)
        expectedAt(found->second.argument == FilterType::Date ? "a date for " + name.text : "a string for " + name.text,
                   argumentStart);
    node->children.push_back(argument);
    if (node->op == FilterNode::Op::Substring) {
        expectSymbol(",", "',' and the start position of SUBSTRING");
        const FilterToken start = peek();
        Node from = additive();
        requireType(from, FilterType::Number, "a number", start);
        node->children.push_back(from);
        if (acceptSymbol(",")) {
            const FilterToken lengthStart = peek();
            Node length = additive();
            requireType(length, FilterType::Number, "a number", lengthStart);
            node->children.push_back(length);
        }
    }
    expectSymbol(")", "a closing parenthesis");
    return node;
}

}  // namespace tabulon
