#include "data/FilterExpression.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace kvt::data {

namespace {

using appserver::FieldType;

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool isDateType(FieldType type) {
    return type == FieldType::Date || type == FieldType::DateTime;
}

std::optional<double> readNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<bool> readBoolean(std::string_view text) {
    if (equalsNoCase(text, "true"))
        return true;
    if (equalsNoCase(text, "false"))
        return false;
    return std::nullopt;
}

// Date-times compare at millisecond resolution, as the station stores them, so that a value
// read back from the database equals the same instant typed into a filter.
std::int64_t milliseconds(double days) {
    return std::llround(days * 86400000.0);
}

// ---------------------------------------------------------------------------------------------
// Tokens

enum class TokenKind { Name, Number, Text, Operator, Open, Close, Minus, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;  // a name without brackets, a string without quotes, an operator
    std::size_t position = 0;
    bool bracketed = false;  // [Name]: never a keyword
};

[[noreturn]] void syntaxError(std::string_view filter, std::size_t position,
                              const std::string& what) {
    throw FilterError("Фильтр \"" + std::string(filter) + "\": " + what + " в позиции " +
                      std::to_string(position + 1));
}

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    std::vector<Token> tokens() {
        std::vector<Token> result;
        for (;;) {
            skipBlanks();
            if (pos_ >= text_.size()) {
                result.push_back({TokenKind::End, {}, pos_, false});
                return result;
            }
            result.push_back(next());
        }
    }

private:
    void skipBlanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
    }

    Token next() {
        const std::size_t start = pos_;
        const char c = text_[pos_];
        if (c == '(' || c == ')') {
            ++pos_;
            return {c == '(' ? TokenKind::Open : TokenKind::Close, std::string(1, c), start, false};
        }
        if (c == '-') {
            ++pos_;
            return {TokenKind::Minus, "-", start, false};
        }
        if (c == '\'')
            return quoted();
        if (c == '[')
            return bracketedName();
        if (c == '=' || c == '<' || c == '>')
            return comparison();
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.')
            return number();
        if (isNameChar(c))
            return name();
        syntaxError(text_, start, std::string("недопустимый символ '") + c + "'");
    }

    static bool isNameChar(char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
               static_cast<unsigned char>(c) >= 0x80;
    }

    Token quoted() {
        constexpr char quote = '\'';
        const std::size_t start = pos_++;
        std::string value;
        for (;;) {
            if (pos_ >= text_.size())
                syntaxError(text_, start, "незакрытая строка");
            const char c = text_[pos_++];
            if (c != quote) {
                value += c;
            } else if (pos_ < text_.size() && text_[pos_] == quote) {
                value += quote;
                ++pos_;
            } else {
                break;
            }
        }
        return {TokenKind::Text, std::move(value), start, false};
    }

    Token bracketedName() {
        const std::size_t start = pos_++;
        const std::size_t close = text_.find(']', pos_);
        if (close == std::string_view::npos)
            syntaxError(text_, start, "нет закрывающей ']'");
        std::string value(text_.substr(pos_, close - pos_));
        pos_ = close + 1;
        if (value.empty())
            syntaxError(text_, start, "пустое имя поля");
        return {TokenKind::Name, std::move(value), start, true};
    }

    Token comparison() {
        const std::size_t start = pos_;
        std::string op(1, text_[pos_++]);
        if (pos_ < text_.size() && op != "=") {
            const char second = text_[pos_];
            if (second == '=' || (op == "<" && second == '>')) {
                op += second;
                ++pos_;
            }
        }
        return {TokenKind::Operator, std::move(op), start, false};
    }

    Token number() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() &&
               (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.'))
            ++pos_;
        if (pos_ < text_.size() && isNameChar(text_[pos_]))
            syntaxError(text_, start, "неверное число");
        return {TokenKind::Number, std::string(text_.substr(start, pos_ - start)), start, false};
    }

    Token name() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && isNameChar(text_[pos_]))
            ++pos_;
        return {TokenKind::Name, std::string(text_.substr(start, pos_ - start)), start, false};
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The expression tree

struct FilterExpression::Node {
    virtual ~Node() = default;
    virtual bool eval(const FilterRecord& record, const std::string& filter) const = 0;
    // Throws what eval would throw for any values of the record's fields.
    virtual void check(const FilterRecord& record, const std::string& filter) const = 0;
};

namespace {

using Node = FilterExpression::Node;

// One side of a comparison, brought to a comparable form.
struct Scalar {
    enum class Kind { Null, Number, Text, Boolean } kind = Kind::Null;
    double number = 0;
    std::string_view text;
    bool boolean = false;
    std::optional<FieldType> fieldType;  // set when the side is a field
};

[[noreturn]] void evalError(const std::string& filter, const std::string& what) {
    throw FilterError("Фильтр \"" + filter + "\": " + what);
}

Scalar::Kind kindOf(FieldType type) {
    if (type == FieldType::String)
        return Scalar::Kind::Text;
    if (type == FieldType::Boolean)
        return Scalar::Kind::Boolean;
    return Scalar::Kind::Number;
}

const char* const DifferentTypes = "у сторон сравнения разные типы";
const char* const NotACondition = "условием может быть только сравнение или логическое поле";

class Operand {
public:
    virtual ~Operand() = default;
    // `holder` keeps a field's value alive while the scalar refers to its text.
    virtual Scalar value(const FilterRecord& record, const std::string& filter,
                         Variant& holder) const = 0;
    // The scalar a literal takes next to a field of the given type.
    virtual Scalar as(FieldType type, const std::string& filter) const = 0;
    virtual bool isField() const { return false; }
    // The field's type; nothing for a literal.
    virtual std::optional<FieldType> fieldType(const FilterRecord&, const std::string&) const {
        return std::nullopt;
    }
    virtual Scalar::Kind kind(const FilterRecord& record, const std::string& filter) const = 0;
};

class FieldOperand : public Operand {
public:
    explicit FieldOperand(std::string name) : name_(std::move(name)) {}

    FieldType type(const FilterRecord& record, const std::string& filter) const {
        const auto type = record.fieldType(name_);
        if (!type)
            evalError(filter, "поле '" + name_ + "' не найдено");
        return *type;
    }

    Scalar value(const FilterRecord& record, const std::string& filter,
                 Variant& holder) const override {
        Scalar result;
        result.fieldType = type(record, filter);
        holder = record.fieldValue(name_);
        if (holder.isNull() || holder.isEmpty())
            return result;
        if (*result.fieldType == FieldType::String) {
            result.kind = Scalar::Kind::Text;
            if (holder.type() != VarType::Str)
                holder = Variant(holder.toString());
            result.text = holder.rawString();
        } else if (*result.fieldType == FieldType::Boolean) {
            result.kind = Scalar::Kind::Boolean;
            result.boolean = holder.toBool();
        } else {
            result.kind = Scalar::Kind::Number;
            result.number = holder.type() == VarType::Date ? holder.rawDouble() : holder.toDouble();
        }
        return result;
    }

    Scalar as(FieldType, const std::string&) const override { return {}; }
    bool isField() const override { return true; }
    std::optional<FieldType> fieldType(const FilterRecord& record,
                                       const std::string& filter) const override {
        return type(record, filter);
    }
    Scalar::Kind kind(const FilterRecord& record, const std::string& filter) const override {
        return kindOf(type(record, filter));
    }

private:
    std::string name_;
};

// A number, quoted string or True/False in the filter text. The conversions it may need are
// made once, when the filter is parsed.
class LiteralOperand : public Operand {
public:
    static std::unique_ptr<LiteralOperand> number(double value, std::string text) {
        auto literal = std::make_unique<LiteralOperand>();
        literal->own_.kind = Scalar::Kind::Number;
        literal->own_.number = value;
        literal->text_ = std::move(text);
        literal->number_ = value;
        return literal;
    }
    static std::unique_ptr<LiteralOperand> text(std::string text, const FormatSettings& settings) {
        auto literal = std::make_unique<LiteralOperand>();
        literal->text_ = std::move(text);
        literal->own_.kind = Scalar::Kind::Text;
        literal->own_.text = literal->text_;
        literal->number_ = readNumber(literal->text_);
        literal->boolean_ = readBoolean(literal->text_);
        DateTime date = 0;
        if (TryStrToDateTime(literal->text_, date, settings))
            literal->date_ = date;
        return literal;
    }
    static std::unique_ptr<LiteralOperand> boolean(bool value) {
        auto literal = std::make_unique<LiteralOperand>();
        literal->own_.kind = Scalar::Kind::Boolean;
        literal->own_.boolean = value;
        literal->boolean_ = value;
        literal->number_ = value ? 1.0 : 0.0;
        literal->text_ = value ? "True" : "False";
        return literal;
    }

    Scalar value(const FilterRecord&, const std::string&, Variant&) const override {
        Scalar result = own_;
        result.text = text_;
        return result;
    }
    Scalar::Kind kind(const FilterRecord&, const std::string&) const override { return own_.kind; }

    Scalar as(FieldType type, const std::string& filter) const override {
        Scalar result;
        if (type == FieldType::String) {
            result.kind = Scalar::Kind::Text;
            result.text = text_;
        } else if (type == FieldType::Boolean) {
            if (!boolean_ && own_.kind != Scalar::Kind::Number)
                evalError(filter, "'" + text_ + "' не является логическим значением");
            result.kind = Scalar::Kind::Boolean;
            result.boolean = boolean_ ? *boolean_ : number_ != 0;
        } else if (isDateType(type)) {
            const std::optional<double> days = own_.kind == Scalar::Kind::Text ? date_ : number_;
            if (!days || own_.kind == Scalar::Kind::Boolean)
                evalError(filter, "'" + text_ + "' не является правильной датой и временем");
            result.kind = Scalar::Kind::Number;
            result.number = *days;
        } else {
            if (!number_ || own_.kind == Scalar::Kind::Boolean)
                evalError(filter, "'" + text_ + "' не является правильным числом");
            result.kind = Scalar::Kind::Number;
            result.number = *number_;
        }
        return result;
    }

private:
    Scalar own_;
    std::string text_;
    std::optional<double> number_;
    std::optional<bool> boolean_;
    std::optional<double> date_;
};

enum class Comparison { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };

template <class T>
bool compare(Comparison op, const T& a, const T& b) {
    switch (op) {
        case Comparison::Equal:
            return a == b;
        case Comparison::NotEqual:
            return a != b;
        case Comparison::Less:
            return a < b;
        case Comparison::Greater:
            return a > b;
        case Comparison::LessEqual:
            return a <= b;
        case Comparison::GreaterEqual:
            return a >= b;
    }
    return false;
}

class CompareNode : public Node {
public:
    CompareNode(std::unique_ptr<Operand> left, Comparison op, std::unique_ptr<Operand> right)
        : left_(std::move(left)), right_(std::move(right)), op_(op) {}

    bool eval(const FilterRecord& record, const std::string& filter) const override {
        Variant leftHolder;
        Variant rightHolder;
        Scalar left = left_->value(record, filter, leftHolder);
        Scalar right = right_->value(record, filter, rightHolder);
        // A literal takes the type of the field it is compared with.
        if (left.fieldType && !right_->isField())
            right = right_->as(*left.fieldType, filter);
        else if (right.fieldType && !left_->isField())
            left = left_->as(*right.fieldType, filter);
        if (left.kind == Scalar::Kind::Null || right.kind == Scalar::Kind::Null)
            return false;
        if (left.kind != right.kind)
            evalError(filter, DifferentTypes);
        const bool dates = (left.fieldType && isDateType(*left.fieldType)) ||
                           (right.fieldType && isDateType(*right.fieldType));
        switch (left.kind) {
            case Scalar::Kind::Text:
                return compare(op_, left.text, right.text);
            case Scalar::Kind::Boolean:
                return compare(op_, left.boolean, right.boolean);
            case Scalar::Kind::Number:
                return dates ? compare(op_, milliseconds(left.number), milliseconds(right.number))
                             : compare(op_, left.number, right.number);
            case Scalar::Kind::Null:
                break;
        }
        return false;
    }

    void check(const FilterRecord& record, const std::string& filter) const override {
        const auto leftType = left_->fieldType(record, filter);
        const auto rightType = right_->fieldType(record, filter);
        if (leftType && !rightType)
            right_->as(*leftType, filter);
        else if (rightType && !leftType)
            left_->as(*rightType, filter);
        else if (left_->kind(record, filter) != right_->kind(record, filter))
            evalError(filter, DifferentTypes);
    }

private:
    std::unique_ptr<Operand> left_;
    std::unique_ptr<Operand> right_;
    Comparison op_;
};

class IsNullNode : public Node {
public:
    IsNullNode(std::unique_ptr<FieldOperand> field, bool negated)
        : field_(std::move(field)), negated_(negated) {}

    bool eval(const FilterRecord& record, const std::string& filter) const override {
        Variant holder;
        const bool isNull = field_->value(record, filter, holder).kind == Scalar::Kind::Null;
        return isNull != negated_;
    }
    void check(const FilterRecord& record, const std::string& filter) const override {
        field_->type(record, filter);
    }

private:
    std::unique_ptr<FieldOperand> field_;
    bool negated_;
};

// A Boolean field or literal standing alone as a condition ("Prihod", "True").
class TruthNode : public Node {
public:
    explicit TruthNode(std::unique_ptr<Operand> operand) : operand_(std::move(operand)) {}

    bool eval(const FilterRecord& record, const std::string& filter) const override {
        Variant holder;
        const Scalar value = operand_->value(record, filter, holder);
        if (value.fieldType && *value.fieldType != FieldType::Boolean)
            evalError(filter, NotACondition);
        return value.kind == Scalar::Kind::Boolean && value.boolean;
    }
    void check(const FilterRecord& record, const std::string& filter) const override {
        const auto type = operand_->fieldType(record, filter);
        if (type && *type != FieldType::Boolean)
            evalError(filter, NotACondition);
    }

private:
    std::unique_ptr<Operand> operand_;
};

class NotNode : public Node {
public:
    explicit NotNode(std::unique_ptr<Node> inner) : inner_(std::move(inner)) {}
    bool eval(const FilterRecord& record, const std::string& filter) const override {
        return !inner_->eval(record, filter);
    }
    void check(const FilterRecord& record, const std::string& filter) const override {
        inner_->check(record, filter);
    }

private:
    std::unique_ptr<Node> inner_;
};

// A run of operands joined by the same AND or OR, kept flat: a filter ORing a hundred payment
// types must not nest a hundred deep.
class LogicNode : public Node {
public:
    LogicNode(std::vector<std::unique_ptr<Node>> operands, bool isAnd)
        : operands_(std::move(operands)), isAnd_(isAnd) {}
    bool eval(const FilterRecord& record, const std::string& filter) const override {
        for (const auto& operand : operands_) {
            if (operand->eval(record, filter) != isAnd_)
                return !isAnd_;
        }
        return isAnd_;
    }
    void check(const FilterRecord& record, const std::string& filter) const override {
        for (const auto& operand : operands_)
            operand->check(record, filter);
    }

private:
    std::vector<std::unique_ptr<Node>> operands_;
    bool isAnd_;
};

class MatchAllNode : public Node {
public:
    bool eval(const FilterRecord&, const std::string&) const override { return true; }
    void check(const FilterRecord&, const std::string&) const override {}
};

// ---------------------------------------------------------------------------------------------
// Parser: OR binds loosest, then AND, then NOT; a condition is a comparison, IS [NOT] NULL,
// a lone boolean operand or a parenthesised expression.

class Parser {
public:
    Parser(std::string_view text, const FormatSettings& settings)
        : text_(text), settings_(settings), tokens_(Lexer(text).tokens()) {}

    std::unique_ptr<Node> parse() {
        auto root = orExpression();
        if (peek().kind != TokenKind::End)
            fail("непредвиденное '" + peek().text + "'");
        return root;
    }

private:
    const Token& peek() const { return tokens_[index_]; }
    const Token& take() { return tokens_[index_++]; }

    bool isKeyword(const Token& token, std::string_view keyword) const {
        return token.kind == TokenKind::Name && !token.bracketed &&
               equalsNoCase(token.text, keyword);
    }
    bool acceptKeyword(std::string_view keyword) {
        if (!isKeyword(peek(), keyword))
            return false;
        ++index_;
        return true;
    }
    bool isReserved(const Token& token) const {
        for (const char* word : {"and", "or", "not", "is", "null"}) {
            if (isKeyword(token, word))
                return true;
        }
        return false;
    }

    [[noreturn]] void fail(const std::string& what) const {
        const Token& token = peek();
        syntaxError(text_, token.position,
                    token.kind == TokenKind::End ? what + " (конец текста)" : what);
    }

    using Level = std::unique_ptr<Node> (Parser::*)();

    // Operands of the next level joined by `keyword`.
    std::unique_ptr<Node> chain(std::string_view keyword, bool isAnd, Level operand) {
        std::vector<std::unique_ptr<Node>> operands;
        operands.push_back((this->*operand)());
        while (acceptKeyword(keyword))
            operands.push_back((this->*operand)());
        if (operands.size() == 1)
            return std::move(operands.front());
        return std::make_unique<LogicNode>(std::move(operands), isAnd);
    }

    std::unique_ptr<Node> orExpression() { return chain("or", false, &Parser::andExpression); }
    std::unique_ptr<Node> andExpression() { return chain("and", true, &Parser::notExpression); }

    // A run of NOTs is read in a loop, not by recursion; two of them cancel.
    std::unique_ptr<Node> notExpression() {
        bool negated = false;
        while (acceptKeyword("not"))
            negated = !negated;
        auto inner = condition();
        if (negated)
            return std::make_unique<NotNode>(std::move(inner));
        return inner;
    }

    std::unique_ptr<Node> condition() {
        if (peek().kind == TokenKind::Open) {
            // Each level of parentheses is a level of recursion here and in the evaluation.
            if (depth_ == kMaxParentheses)
                fail("скобки вложены глубже " + std::to_string(kMaxParentheses) + " уровней");
            ++index_;
            ++depth_;
            auto inner = orExpression();
            --depth_;
            if (peek().kind != TokenKind::Close)
                fail("ожидается ')'");
            ++index_;
            return inner;
        }
        const bool startsWithName = peek().kind == TokenKind::Name;
        const std::string name = peek().text;
        auto left = operand();
        if (acceptKeyword("is")) {
            const bool negated = acceptKeyword("not");
            if (!acceptKeyword("null"))
                fail("ожидается NULL");
            if (!left->isField())
                fail("IS NULL применяется только к полю");
            return std::make_unique<IsNullNode>(std::make_unique<FieldOperand>(name), negated);
        }
        if (peek().kind != TokenKind::Operator) {
            if (!startsWithName)
                fail("ожидается сравнение");
            return std::make_unique<TruthNode>(std::move(left));
        }
        const Comparison op = comparison(take().text);
        return std::make_unique<CompareNode>(std::move(left), op, operand());
    }

    static Comparison comparison(const std::string& op) {
        if (op == "=")
            return Comparison::Equal;
        if (op == "<>")
            return Comparison::NotEqual;
        if (op == "<")
            return Comparison::Less;
        if (op == ">")
            return Comparison::Greater;
        if (op == "<=")
            return Comparison::LessEqual;
        return Comparison::GreaterEqual;
    }

    std::unique_ptr<Operand> operand() {
        const Token& token = peek();
        if (token.kind == TokenKind::Minus) {
            ++index_;
            if (peek().kind != TokenKind::Number)
                fail("ожидается число");
            return numberLiteral(take(), true);
        }
        if (token.kind == TokenKind::Number)
            return numberLiteral(take(), false);
        if (token.kind == TokenKind::Text)
            return LiteralOperand::text(take().text, settings_);
        if (token.kind == TokenKind::Name && !isReserved(token)) {
            if (acceptKeyword("true"))
                return LiteralOperand::boolean(true);
            if (acceptKeyword("false"))
                return LiteralOperand::boolean(false);
            return std::make_unique<FieldOperand>(take().text);
        }
        fail(token.kind == TokenKind::End ? "ожидается значение"
                                          : "непредвиденное '" + token.text + "'");
    }

    std::unique_ptr<Operand> numberLiteral(const Token& token, bool negative) {
        const auto value = readNumber(token.text);
        if (!value)
            syntaxError(text_, token.position, "неверное число");
        return LiteralOperand::number(negative ? -*value : *value,
                                      negative ? "-" + token.text : token.text);
    }

    static constexpr int kMaxParentheses = 64;

    std::string_view text_;
    const FormatSettings& settings_;
    std::vector<Token> tokens_;
    std::size_t index_ = 0;
    int depth_ = 0;
};

bool isBlank(std::string_view text) {
    for (const char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

}  // namespace

FilterExpression FilterExpression::parse(std::string_view text, const FormatSettings& settings) {
    std::unique_ptr<Node> root =
        isBlank(text) ? std::make_unique<MatchAllNode>() : Parser(text, settings).parse();
    return FilterExpression(std::string(text), std::move(root), settings);
}

FilterExpression::FilterExpression(std::string text, std::unique_ptr<Node> root,
                                   FormatSettings settings)
    : text_(std::move(text)), root_(std::move(root)), settings_(std::move(settings)) {}

FilterExpression::FilterExpression(FilterExpression&&) noexcept = default;
FilterExpression& FilterExpression::operator=(FilterExpression&&) noexcept = default;
FilterExpression::~FilterExpression() = default;

bool FilterExpression::matches(const FilterRecord& record) const {
    return root_->eval(record, text_);
}

void FilterExpression::validate(const FilterRecord& record) const {
    root_->check(record, text_);
}

}  // namespace kvt::data
