#include "DbaseExpression.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"

namespace tabulon::dbase {

struct DbaseExpression::Node {
    enum class Kind { Literal, Field, Call, Unary, Binary };
    Kind kind = Kind::Literal;
    ExpressionType type = ExpressionType::String;
    bool dateTime = false;  // a datetime field: compared, never computed with
    Value literal;
    int field = -1;
    int width = 0;
    std::string op;  // function name (upper case) or operator
    std::vector<std::unique_ptr<Node>> args;
};

namespace {
using Node = DbaseExpression::Node;
using NodePtr = std::unique_ptr<Node>;
constexpr std::size_t kDescriptorNameLength = 10;

std::size_t characterCount(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

// Byte offset of character `index` (or the size when past the end).
std::size_t byteOffset(const std::string& s, std::size_t index) {
    std::size_t i = 0;
    for (std::size_t seen = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && seen++ == index) return i;
    return s.size();
}

std::string substring(const std::string& s, std::size_t start, std::size_t count) {
    const std::size_t begin = byteOffset(s, start);
    const std::size_t end = count == std::string::npos ? s.size() : byteOffset(s, start + count);
    return begin < end ? s.substr(begin, end - begin) : std::string();
}

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}
std::string ltrim(const std::string& s) {
    const auto begin = s.find_first_not_of(' ');
    return begin == std::string::npos ? std::string() : s.substr(begin);
}

std::string formatNumber(double value, int length, int decimals) {
    if (length <= 0) return {};
    decimals = std::clamp(decimals, 0, 30);
    // dBase rounds halves away from zero; printf would round them to even.
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::fabs(value) < 1e300 / scale ? std::round(value * scale) / scale : value;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%*.*f", length, decimals, rounded);
    std::string text = buffer;
    if (static_cast<int>(text.size()) > length) return std::string(static_cast<std::size_t>(length), '*');
    return text;
}

struct FunctionSignature {
    const char* name;
    ExpressionType result;
    std::vector<ExpressionType> parameters;
    std::size_t required;
};

const std::vector<FunctionSignature>& functions() {
    using T = ExpressionType;
    static const std::vector<FunctionSignature> list = {
        {"UPPER", T::String, {T::String}, 1},
        {"LOWER", T::String, {T::String}, 1},
        {"DTOS", T::String, {T::Date}, 1},
        {"DTOC", T::String, {T::Date}, 1},
        {"STR", T::String, {T::Number, T::Number, T::Number}, 1},
        {"SUBSTR", T::String, {T::String, T::Number, T::Number}, 2},
        {"LEFT", T::String, {T::String, T::Number}, 2},
        {"RIGHT", T::String, {T::String, T::Number}, 2},
        {"TRIM", T::String, {T::String}, 1},
        {"RTRIM", T::String, {T::String}, 1},
        {"LTRIM", T::String, {T::String}, 1},
        {"ALLTRIM", T::String, {T::String}, 1},
        {"VAL", T::Number, {T::String}, 1},
        {"RECNO", T::Number, {}, 0},
        {"DELETED", T::Boolean, {}, 0},
    };
    return list;
}

class Parser {
public:
    Parser(const std::string& text, const std::vector<FieldDef>& fields) : text_(text), fields_(fields) {}

    NodePtr parse() {
        NodePtr node = orExpression();
        skipBlanks();
        if (pos_ < text_.size()) fail("unexpected '" + text_.substr(pos_, 1) + "'");
        return node;
    }

private:
    [[noreturn]] void fail(const std::string& why) const {
        throw EngineError(errkind::kValue, "The expression " + text_ + " cannot be evaluated: " + why);
    }

    void skipBlanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }

    // Consumes `word` (a dotted operator such as .AND., case-insensitive) when it comes next.
    bool accept(const std::string& word) {
        skipBlanks();
        if (text_.size() - pos_ < word.size()) return false;
        if (asciiUpper(text_.substr(pos_, word.size())) != word) return false;
        pos_ += word.size();
        return true;
    }

    NodePtr make(Node::Kind kind, ExpressionType type, std::string op, std::vector<NodePtr> args) {
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->type = type;
        node->op = std::move(op);
        node->args = std::move(args);
        return node;
    }

    void expect(const Node& node, ExpressionType type, const std::string& where) {
        if (node.type != type || node.dateTime) fail(where + " needs another type of value");
    }

    NodePtr orExpression() {
        NodePtr left = andExpression();
        while (accept(".OR.")) {
            NodePtr right = andExpression();
            expect(*left, ExpressionType::Boolean, ".OR.");
            expect(*right, ExpressionType::Boolean, ".OR.");
            left = binary(".OR.", ExpressionType::Boolean, std::move(left), std::move(right));
        }
        return left;
    }

    NodePtr andExpression() {
        NodePtr left = notExpression();
        while (accept(".AND.")) {
            NodePtr right = notExpression();
            expect(*left, ExpressionType::Boolean, ".AND.");
            expect(*right, ExpressionType::Boolean, ".AND.");
            left = binary(".AND.", ExpressionType::Boolean, std::move(left), std::move(right));
        }
        return left;
    }

    NodePtr notExpression() {
        if (accept(".NOT.") || accept("!")) {
            NodePtr operand = notExpression();
            expect(*operand, ExpressionType::Boolean, ".NOT.");
            std::vector<NodePtr> args;
            args.push_back(std::move(operand));
            return make(Node::Kind::Unary, ExpressionType::Boolean, ".NOT.", std::move(args));
        }
        return comparison();
    }

    NodePtr comparison() {
        NodePtr left = additive();
        for (const char* op : {"==", "<>", "!=", "<=", ">=", "=", "#", "<", ">", "$"}) {
            // "!" alone is .NOT.; "!=" is a comparison.
            if (accept(op)) {
                NodePtr right = additive();
                if (left->type != right->type || left->dateTime != right->dateTime)
                    fail(std::string("the two sides of ") + op + " are of different types");
                if (std::string(op) == "$") expect(*left, ExpressionType::String, "$");
                return binary(op, ExpressionType::Boolean, std::move(left), std::move(right));
            }
        }
        return left;
    }

    NodePtr additive() {
        NodePtr left = multiplicative();
        for (;;) {
            const std::string op = accept("+") ? "+" : accept("-") ? "-" : "";
            if (op.empty()) return left;
            NodePtr right = multiplicative();
            if (left->dateTime || right->dateTime) fail("date-times cannot be added or subtracted");
            const ExpressionType a = left->type, b = right->type;
            ExpressionType result;
            if (a == ExpressionType::String && b == ExpressionType::String)
                result = ExpressionType::String;
            else if (a == ExpressionType::Number && b == ExpressionType::Number)
                result = ExpressionType::Number;
            else if (a == ExpressionType::Date && b == ExpressionType::Number)
                result = ExpressionType::Date;
            else if (op == "+" && a == ExpressionType::Number && b == ExpressionType::Date)
                result = ExpressionType::Date;
            else if (op == "-" && a == ExpressionType::Date && b == ExpressionType::Date)
                result = ExpressionType::Number;
            else
                fail("the two sides of " + op + " do not go together");
            left = binary(op, result, std::move(left), std::move(right));
        }
    }

    NodePtr multiplicative() {
        NodePtr left = unary();
        for (;;) {
            const std::string op = accept("*") ? "*" : accept("/") ? "/" : "";
            if (op.empty()) return left;
            NodePtr right = unary();
            expect(*left, ExpressionType::Number, op);
            expect(*right, ExpressionType::Number, op);
            left = binary(op, ExpressionType::Number, std::move(left), std::move(right));
        }
    }

    NodePtr unary() {
        if (accept("-")) {
            NodePtr operand = unary();
            expect(*operand, ExpressionType::Number, "-");
            std::vector<NodePtr> args;
            args.push_back(std::move(operand));
            return make(Node::Kind::Unary, ExpressionType::Number, "-", std::move(args));
        }
        if (accept("+")) return unary();
        return primary();
    }

    NodePtr binary(const std::string& op, ExpressionType type, NodePtr left, NodePtr right) {
        std::vector<NodePtr> args;
        args.push_back(std::move(left));
        args.push_back(std::move(right));
        return make(Node::Kind::Binary, type, op, std::move(args));
    }

    NodePtr literal(Value value, ExpressionType type) {
        auto node = make(Node::Kind::Literal, type, "", {});
        node->literal = std::move(value);
        return node;
    }

    NodePtr primary() {
        skipBlanks();
        if (pos_ >= text_.size()) fail("it ends too early");
        const char c = text_[pos_];
        if (c == '(') {
            ++pos_;
            NodePtr inner = orExpression();
            if (!accept(")")) fail("a ')' is missing");
            return inner;
        }
        if (c == '"' || c == '\'' || c == '[') {
            const char close = c == '[' ? ']' : c;
            const std::size_t end = text_.find(close, pos_ + 1);
            if (end == std::string::npos) fail("a string is not closed");
            std::string s = text_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end + 1;
            return literal(Value::string(std::move(s)), ExpressionType::String);
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            for (const char* word : {".T.", ".Y."})
                if (accept(word)) return literal(Value::boolean(true), ExpressionType::Boolean);
            for (const char* word : {".F.", ".N."})
                if (accept(word)) return literal(Value::boolean(false), ExpressionType::Boolean);
            std::size_t end = pos_;
            while (end < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[end])) || text_[end] == '.'))
                ++end;
            const std::string digits = text_.substr(pos_, end - pos_);
            char* stop = nullptr;
            const double number = std::strtod(digits.c_str(), &stop);
            if (digits.empty() || *stop != '\0') fail("'" + digits + "' is not a number");
            pos_ = end;
            return literal(Value::floating(number), ExpressionType::Number);
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80) {
            std::size_t end = pos_;
            while (end < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_' ||
                                          static_cast<unsigned char>(text_[end]) >= 0x80))
                ++end;
            std::string name = text_.substr(pos_, end - pos_);
            pos_ = end;
            if (accept("->")) return primary();  // an alias: this table is the only one
            if (accept("(")) return call(asciiUpper(name));
            return fieldReference(name);
        }
        fail("unexpected '" + std::string(1, c) + "'");
    }

    NodePtr call(const std::string& name) {
        std::vector<NodePtr> args;
        if (!accept(")")) {
            do args.push_back(orExpression());
            while (accept(","));
            if (!accept(")")) fail("a ')' is missing after the arguments of " + name);
        }
        if (name == "IIF") {
            if (args.size() != 3) fail("IIF takes 3 arguments");
            expect(*args[0], ExpressionType::Boolean, "IIF");
            if (args[1]->type != args[2]->type) fail("the two results of IIF are of different types");
            const ExpressionType type = args[1]->type;
            return make(Node::Kind::Call, type, name, std::move(args));
        }
        const auto& list = functions();
        const auto it =
            std::find_if(list.begin(), list.end(), [&](const FunctionSignature& f) { return name == f.name; });
        if (it == list.end()) fail("the function " + name + " is not known");
        if (args.size() < it->required || args.size() > it->parameters.size())
            fail(name + " takes " + std::to_string(it->parameters.size()) + " arguments at most and " +
                 std::to_string(it->required) + " at least");
        for (std::size_t i = 0; i < args.size(); ++i) expect(*args[i], it->parameters[i], name);
        return make(Node::Kind::Call, it->result, name, std::move(args));
    }

    // The field `name` names; a name longer than a descriptor holds matches its first ten
    // characters (tables bound to a database container keep their long names elsewhere).
    int findField(const std::string& name) const {
        const std::string wanted = asciiUpper(name);
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (asciiUpper(fields_[i].name) == wanted) return static_cast<int>(i);
        if (wanted.size() <= kDescriptorNameLength) return -1;
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (asciiUpper(fields_[i].name) == wanted.substr(0, kDescriptorNameLength)) return static_cast<int>(i);
        return -1;
    }

    NodePtr fieldReference(const std::string& name) {
        const int found = findField(name);
        if (found >= 0) {
            const auto i = static_cast<std::size_t>(found);
            auto node = make(Node::Kind::Field, ExpressionType::String, "", {});
            node->field = static_cast<int>(i);
            switch (valueKindFor(fields_[i].type)) {
                case ValueKind::String:
                    node->width = fields_[i].type == ftString ? fields_[i].size : 0;
                    break;
                case ValueKind::Integer:
                case ValueKind::Float:
                case ValueKind::Currency:
                case ValueKind::Bcd:
                    node->type = ExpressionType::Number;
                    break;
                case ValueKind::Date:
                    node->type = ExpressionType::Date;
                    break;
                case ValueKind::Timestamp:
                    node->type = ExpressionType::Date;
                    node->dateTime = true;
                    break;
                case ValueKind::Boolean:
                    node->type = ExpressionType::Boolean;
                    break;
                default:
                    fail("the field " + name + " holds values no expression can use");
            }
            return node;
        }
        fail("there is no field " + name);
    }

    const std::string& text_;
    const std::vector<FieldDef>& fields_;
    std::size_t pos_ = 0;
};

double number(const Value& v) { return v.isNull() ? 0.0 : v.asDouble(); }
bool boolean(const Value& v) { return !v.isNull() && v.asBool(); }

Value evaluateNode(const Node& node, const ExpressionContext& context);

Value evaluateCall(const Node& node, const ExpressionContext& context) {
    std::vector<Value> a;
    if (node.op == "IIF")
        return evaluateNode(*node.args[boolean(evaluateNode(*node.args[0], context)) ? 1 : 2], context);
    for (const auto& arg : node.args) a.push_back(evaluateNode(*arg, context));
    const std::string& f = node.op;
    auto str = [&](std::size_t i) { return a[i].isNull() ? std::string() : a[i].asString(); };
    auto count = [&](std::size_t i) { return static_cast<std::size_t>(std::max(0.0, std::floor(number(a[i])))); };
    if (f == "UPPER" || f == "LOWER") {
        return Value::string(f == "UPPER" ? asciiUpper(str(0)) : asciiLower(str(0)));
    }
    if (f == "DTOS" || f == "DTOC") {
        if (a[0].isNull()) return Value::string(f == "DTOS" ? "        " : "  /  /  ");
        const CivilDate d = a[0].asDate().toCivil();
        char text[32];
        if (f == "DTOS")
            std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
        else
            std::snprintf(text, sizeof text, "%02d/%02d/%02d", d.month, d.day, ((d.year % 100) + 100) % 100);
        return Value::string(text);
    }
    if (f == "STR") {
        const int length = a.size() > 1 ? static_cast<int>(std::min<std::size_t>(count(1), 255)) : 10;
        const int decimals = a.size() > 2 ? static_cast<int>(std::min<std::size_t>(count(2), 30)) : 0;
        return Value::string(formatNumber(number(a[0]), length, decimals));
    }
    if (f == "SUBSTR") {
        const std::size_t start = count(1);
        if (start == 0) return Value::string("");
        return Value::string(substring(str(0), start - 1, a.size() > 2 ? count(2) : std::string::npos));
    }
    if (f == "LEFT") return Value::string(substring(str(0), 0, count(1)));
    if (f == "RIGHT") {
        const std::string s = str(0);
        const std::size_t n = characterCount(s), take = std::min(n, count(1));
        return Value::string(substring(s, n - take, take));
    }
    if (f == "TRIM" || f == "RTRIM") return Value::string(rtrim(str(0)));
    if (f == "LTRIM") return Value::string(ltrim(str(0)));
    if (f == "ALLTRIM") return Value::string(ltrim(rtrim(str(0))));
    if (f == "VAL") return Value::floating(std::strtod(ltrim(str(0)).c_str(), nullptr));
    if (f == "RECNO") return Value::floating(static_cast<double>(context.recordNumber));
    return Value::boolean(context.deleted);  // DELETED
}

int compareValues(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    return a.compare(b);
}

Value evaluateBinary(const Node& node, const ExpressionContext& context) {
    const std::string& op = node.op;
    if (op == ".AND.")
        return Value::boolean(boolean(evaluateNode(*node.args[0], context)) &&
                              boolean(evaluateNode(*node.args[1], context)));
    if (op == ".OR.")
        return Value::boolean(boolean(evaluateNode(*node.args[0], context)) ||
                              boolean(evaluateNode(*node.args[1], context)));
    const Value a = evaluateNode(*node.args[0], context);
    const Value b = evaluateNode(*node.args[1], context);
    const ExpressionType left = node.args[0]->type;
    if (node.type == ExpressionType::Boolean) {
        if (op == "$") return Value::boolean(b.asString().find(a.asString()) != std::string::npos);
        int c;
        if (left == ExpressionType::String && op == "=") {
            // dBase's = on strings: the left side begins with the right side (trailing blanks
            // of the right side ignored).
            const std::string r = rtrim(b.asString());
            c = a.asString().compare(0, r.size(), r) == 0 ? 0 : compareValues(a, b);
        } else {
            c = compareValues(a, b);
        }
        if (op == "=" || op == "==") return Value::boolean(c == 0);
        if (op == "<>" || op == "!=" || op == "#") return Value::boolean(c != 0);
        if (op == "<") return Value::boolean(c < 0);
        if (op == ">") return Value::boolean(c > 0);
        if (op == "<=") return Value::boolean(c <= 0);
        return Value::boolean(c >= 0);
    }
    if (left == ExpressionType::String) {
        if (op == "+") return Value::string(a.asString() + b.asString());
        // "-" moves the left side's trailing blanks to the end.
        const std::string l = a.asString(), t = rtrim(l);
        return Value::string(t + b.asString() + std::string(l.size() - t.size(), ' '));
    }
    if (node.type == ExpressionType::Date) {
        const Value& date = left == ExpressionType::Date ? a : b;
        const double days = left == ExpressionType::Date ? number(b) : number(a);
        if (date.isNull()) return {};
        const double result = date.asDate().days + (op == "-" ? -days : days);
        return Value::date(Date{static_cast<std::int32_t>(std::clamp(result, -1e9, 1e9))});
    }
    if (left == ExpressionType::Date) {  // date - date
        if (a.isNull() || b.isNull()) return Value::floating(0);
        return Value::floating(static_cast<double>(a.asDate().days) - b.asDate().days);
    }
    const double x = number(a), y = number(b);
    if (op == "+") return Value::floating(x + y);
    if (op == "-") return Value::floating(x - y);
    if (op == "*") return Value::floating(x * y);
    return Value::floating(y == 0 ? 0 : x / y);
}

Value evaluateNode(const Node& node, const ExpressionContext& context) {
    switch (node.kind) {
        case Node::Kind::Literal:
            return node.literal;
        case Node::Kind::Field: {
            const Value& v = (*context.values)[static_cast<std::size_t>(node.field)];
            switch (node.type) {
                case ExpressionType::String: {
                    std::string s = v.isNull() ? std::string() : v.asString();
                    const std::size_t n = characterCount(s);
                    if (n < static_cast<std::size_t>(node.width))
                        s.append(static_cast<std::size_t>(node.width) - n, ' ');
                    return Value::string(std::move(s));
                }
                case ExpressionType::Number:
                    return Value::floating(number(v));
                case ExpressionType::Boolean:
                    return Value::boolean(boolean(v));
                case ExpressionType::Date:
                    return v;
            }
            return v;
        }
        case Node::Kind::Call:
            return evaluateCall(node, context);
        case Node::Kind::Unary: {
            const Value v = evaluateNode(*node.args[0], context);
            if (node.op == "-") return Value::floating(-number(v));
            return Value::boolean(!boolean(v));
        }
        case Node::Kind::Binary:
            return evaluateBinary(node, context);
    }
    return {};
}

void collectFields(const Node& node, std::vector<int>& out) {
    if (node.kind == Node::Kind::Field && std::find(out.begin(), out.end(), node.field) == out.end())
        out.push_back(node.field);
    for (const auto& arg : node.args) collectFields(*arg, out);
}
}  // namespace

DbaseExpression::DbaseExpression(const std::string& text, const std::vector<FieldDef>& fields)
    : text_(text), root_(Parser(text_, fields).parse()) {}

DbaseExpression::~DbaseExpression() = default;
DbaseExpression::DbaseExpression(DbaseExpression&&) noexcept = default;
DbaseExpression& DbaseExpression::operator=(DbaseExpression&&) noexcept = default;

ExpressionType DbaseExpression::type() const { return root_->type; }

int DbaseExpression::singleField() const { return root_->kind == Node::Kind::Field ? root_->field : -1; }

std::vector<int> DbaseExpression::fieldsUsed() const {
    std::vector<int> out;
    collectFields(*root_, out);
    return out;
}

Value DbaseExpression::evaluate(const ExpressionContext& context) const { return evaluateNode(*root_, context); }

}  // namespace tabulon::dbase
