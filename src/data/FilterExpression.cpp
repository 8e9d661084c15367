#include "data/FilterExpression.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "appserver/RecordStore.h"
#include "platform/Text.h"

namespace kvt::data {

namespace {

using appserver::FieldDef;
using appserver::FieldType;
using appserver::RecordStore;

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
// The expression tree. Parsing makes a tree of nodes; binding it to a record set's fields makes
// a tree of evaluators with every name resolved to a column and every literal converted to the
// type of the field it meets, so that evaluation reads typed values only and cannot fail.

// Evaluators work on blocks of records, one byte per record, so that a comparison runs as a
// loop over a column's values rather than as a call per record.
constexpr std::size_t kBlock = 256;

struct FilterExpression::Evaluator {
    virtual ~Evaluator() = default;
    // pass[i] becomes 1 when record first + i passes, 0 otherwise, for i < count <= kBlock.
    virtual void eval(const RecordStore& records, std::size_t first, std::size_t count,
                      std::uint8_t* pass) const = 0;
};

namespace {

using Evaluator = FilterExpression::Evaluator;

// The record set a filter is bound to, and the filter's text for the messages.
struct Layout {
    const std::vector<FieldDef>& fields;
    const std::string& filter;
};

}  // namespace

struct FilterExpression::Node {
    virtual ~Node() = default;
    // Throws FilterError for a name the layout lacks or a literal its field cannot take.
    virtual std::unique_ptr<Evaluator> bind(const Layout& layout) const = 0;
};

namespace {

using Node = FilterExpression::Node;

// One side of a comparison, brought to a comparable form.
struct Scalar {
    enum class Kind { Null, Number, Text, Boolean } kind = Kind::Null;
    double number = 0;
    std::string_view text;
    bool boolean = false;
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

bool isNullAt(std::span<const std::uint64_t> nulls, std::size_t record) {
    return (nulls[record / 64] >> (record % 64) & 1U) != 0;
}

// Nulls pass no comparison.
void failNulls(std::span<const std::uint64_t> nulls, std::size_t first, std::size_t count,
               std::uint8_t* pass) {
    for (std::size_t i = 0; i < count; ++i)
        if (isNullAt(nulls, first + i))
            pass[i] = 0;
}

class FieldOperand {
public:
    explicit FieldOperand(std::string name) : name_(std::move(name)) {}

    // The column of the field in the layout, and its type.
    std::pair<std::size_t, FieldType> find(const Layout& layout) const {
        for (std::size_t i = 0; i < layout.fields.size(); ++i)
            if (platform::equalsIgnoreCase(layout.fields[i].name, name_))
                return {i, layout.fields[i].type};
        evalError(layout.filter, "поле '" + name_ + "' не найдено");
    }

private:
    std::string name_;
};

// A number, quoted string or True/False in the filter text. The conversions it may need are
// made once, when the filter is parsed.
class LiteralOperand {
public:
    static LiteralOperand number(double value, std::string text) {
        LiteralOperand literal(Scalar::Kind::Number, std::move(text));
        literal.number_ = value;
        return literal;
    }
    static LiteralOperand text(std::string text, const FormatSettings& settings) {
        LiteralOperand literal(Scalar::Kind::Text, std::move(text));
        literal.number_ = readNumber(literal.text_);
        literal.boolean_ = readBoolean(literal.text_);
        DateTime date = 0;
        if (TryStrToDateTime(literal.text_, date, settings))
            literal.date_ = date;
        return literal;
    }
    static LiteralOperand boolean(bool value) {
        LiteralOperand literal(Scalar::Kind::Boolean, value ? "True" : "False");
        literal.boolean_ = value;
        literal.number_ = value ? 1.0 : 0.0;
        return literal;
    }

    // The literal as it stands, for a comparison with another literal.
    Scalar own() const {
        Scalar result;
        result.kind = kind_;
        result.text = text_;
        result.number = number_.value_or(0);
        result.boolean = boolean_.value_or(false);
        return result;
    }
    Scalar::Kind kind() const { return kind_; }

    // The literal next to a field of the given type; throws FilterError when it is no value of
    // that type.
    Scalar as(FieldType type, const std::string& filter) const {
        Scalar result;
        if (type == FieldType::String) {
            result.kind = Scalar::Kind::Text;
            result.text = text_;
        } else if (type == FieldType::Boolean) {
            if (!boolean_ && kind_ != Scalar::Kind::Number)
                evalError(filter, "'" + text_ + "' не является логическим значением");
            result.kind = Scalar::Kind::Boolean;
            result.boolean = boolean_ ? *boolean_ : number_ != 0;
        } else if (isDateType(type)) {
            const std::optional<double> days = kind_ == Scalar::Kind::Text ? date_ : number_;
            if (!days || kind_ == Scalar::Kind::Boolean)
                evalError(filter, "'" + text_ + "' не является правильной датой и временем");
            result.kind = Scalar::Kind::Number;
            result.number = *days;
        } else {
            if (!number_ || kind_ == Scalar::Kind::Boolean)
                evalError(filter, "'" + text_ + "' не является правильным числом");
            result.kind = Scalar::Kind::Number;
            result.number = *number_;
        }
        return result;
    }

private:
    LiteralOperand(Scalar::Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

    Scalar::Kind kind_;
    std::string text_;
    std::optional<double> number_;
    std::optional<bool> boolean_;
    std::optional<double> date_;
};

using Operand = std::variant<FieldOperand, LiteralOperand>;

enum class Comparison { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };

// Calls `use` with the comparison's function object, so that a loop over many values is chosen
// once rather than switched on per value.
template <class Use>
void withComparison(Comparison op, Use&& use) {
    switch (op) {
        case Comparison::Equal:
            return use(std::equal_to<>{});
        case Comparison::NotEqual:
            return use(std::not_equal_to<>{});
        case Comparison::Less:
            return use(std::less<>{});
        case Comparison::Greater:
            return use(std::greater<>{});
        case Comparison::LessEqual:
            return use(std::less_equal<>{});
        case Comparison::GreaterEqual:
            return use(std::greater_equal<>{});
    }
}

template <class T>
bool compare(Comparison op, const T& a, const T& b) {
    bool result = false;
    withComparison(op, [&](auto comparison) { result = comparison(a, b); });
    return result;
}

// a op b as b op' a.
Comparison mirrored(Comparison op) {
    switch (op) {
        case Comparison::Less:
            return Comparison::Greater;
        case Comparison::Greater:
            return Comparison::Less;
        case Comparison::LessEqual:
            return Comparison::GreaterEqual;
        case Comparison::GreaterEqual:
            return Comparison::LessEqual;
        default:
            return op;
    }
}

bool compareScalars(Comparison op, const Scalar& a, const Scalar& b, bool dates) {
    switch (a.kind) {
        case Scalar::Kind::Text:
            return compare(op, a.text, b.text);
        case Scalar::Kind::Boolean:
            return compare(op, a.boolean, b.boolean);
        case Scalar::Kind::Number:
            return dates ? compare(op, milliseconds(a.number), milliseconds(b.number))
                         : compare(op, a.number, b.number);
        case Scalar::Kind::Null:
            break;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Evaluators

class ConstantEvaluator : public Evaluator {
public:
    explicit ConstantEvaluator(bool passes) : passes_(passes) {}
    void eval(const RecordStore&, std::size_t, std::size_t count,
              std::uint8_t* pass) const override {
        std::fill_n(pass, count, static_cast<std::uint8_t>(passes_));
    }

private:
    bool passes_;
};

// A column against a constant: each value is brought to the constant's terms by `key` (a
// Currency's ten-thousandths to units, a date to milliseconds, ...).
template <class Stored, class Key, class MakeKey>
class ColumnEvaluator : public Evaluator {
public:
    ColumnEvaluator(std::size_t column, Comparison op, Key constant, MakeKey key)
        : column_(column), op_(op), constant_(constant), key_(key) {}

    void eval(const RecordStore& records, std::size_t first, std::size_t count,
              std::uint8_t* pass) const override {
        const Stored* values = records.values<Stored>(column_).data() + first;
        withComparison(op_, [&](auto comparison) {
            for (std::size_t i = 0; i < count; ++i)
                pass[i] = comparison(key_(values[i]), constant_);
        });
        failNulls(records.nullBits(column_), first, count, pass);
    }

private:
    std::size_t column_;
    Comparison op_;
    Key constant_;
    MakeKey key_;
};

template <class Stored, class Key, class MakeKey>
std::unique_ptr<Evaluator> columnEvaluator(std::size_t column, Comparison op, Key constant,
                                           MakeKey key) {
    return std::make_unique<ColumnEvaluator<Stored, Key, MakeKey>>(column, op, constant, key);
}

class TextEvaluator : public Evaluator {
public:
    TextEvaluator(std::size_t column, Comparison op, std::string_view constant)
        : column_(column), op_(op), constant_(constant) {}

    void eval(const RecordStore& records, std::size_t first, std::size_t count,
              std::uint8_t* pass) const override {
        const std::string_view constant = constant_;
        withComparison(op_, [&](auto comparison) {
            for (std::size_t i = 0; i < count; ++i)
                pass[i] = !records.isNull(first + i, column_) &&
                          comparison(records.text(first + i, column_), constant);
        });
    }

private:
    std::size_t column_;
    Comparison op_;
    std::string constant_;
};

constexpr auto wholeNumber = [](auto value) { return static_cast<double>(value); };

// The day values that are one instant at millisecond resolution, from the first to the last:
// milliseconds() rounds a product, so it never decreases as the days grow, and comparing a
// date-time's milliseconds with the instant's is comparing its days with these bounds. Nothing
// for instants so far out that the milliseconds would not fit.
struct DayRange {
    double first;
    double last;  // below first when no double lands on the instant
};

std::optional<DayRange> daysAt(std::int64_t instant) {
    constexpr double kFarthestDays = 1e8;
    constexpr double kMsPerDay = 86400000.0;
    const double days = static_cast<double>(instant) / kMsPerDay;
    if (!(std::abs(days) <= kFarthestDays))
        return std::nullopt;
    constexpr double kUp = std::numeric_limits<double>::infinity();
    double first = (static_cast<double>(instant) - 0.5) / kMsPerDay;
    while (milliseconds(first) >= instant)
        first = std::nextafter(first, -kUp);
    while (milliseconds(first) < instant)
        first = std::nextafter(first, kUp);
    double last = (static_cast<double>(instant) + 0.5) / kMsPerDay;
    while (milliseconds(last) <= instant)
        last = std::nextafter(last, kUp);
    while (milliseconds(last) > instant)
        last = std::nextafter(last, -kUp);
    return DayRange{first, last};
}

// A Date or DateTime column against an instant, by its days against the instant's bounds.
class DaysEvaluator : public Evaluator {
public:
    DaysEvaluator(std::size_t column, Comparison op, DayRange range)
        : column_(column), op_(op), range_(range) {}

    void eval(const RecordStore& records, std::size_t first, std::size_t count,
              std::uint8_t* pass) const override {
        const double* days = records.values<double>(column_).data() + first;
        const double from = range_.first;
        const double to = range_.last;
        switch (op_) {
            case Comparison::Equal:
                fill(days, count, pass, [=](double d) { return d >= from && d <= to; });
                break;
            case Comparison::NotEqual:
                fill(days, count, pass, [=](double d) { return d < from || d > to; });
                break;
            case Comparison::Less:
                fill(days, count, pass, [=](double d) { return d < from; });
                break;
            case Comparison::GreaterEqual:
                fill(days, count, pass, [=](double d) { return d >= from; });
                break;
            case Comparison::LessEqual:
                fill(days, count, pass, [=](double d) { return d <= to; });
                break;
            case Comparison::Greater:
                fill(days, count, pass, [=](double d) { return d > to; });
                break;
        }
        failNulls(records.nullBits(column_), first, count, pass);
    }

private:
    template <class Test>
    static void fill(const double* days, std::size_t count, std::uint8_t* pass, Test test) {
        for (std::size_t i = 0; i < count; ++i)
            pass[i] = test(days[i]);
    }

    std::size_t column_;
    Comparison op_;
    DayRange range_;
};

std::unique_ptr<Evaluator> columnAgainst(std::size_t column, FieldType type, Comparison op,
                                         const Scalar& constant) {
    switch (type) {
        case FieldType::String:
            return std::make_unique<TextEvaluator>(column, op, constant.text);
        case FieldType::Boolean:
            return columnEvaluator<std::uint8_t>(column, op, constant.boolean,
                                                 [](std::uint8_t value) { return value != 0; });
        case FieldType::Integer:
            return columnEvaluator<std::int32_t>(column, op, constant.number, wholeNumber);
        case FieldType::SmallInt:
            return columnEvaluator<std::int16_t>(column, op, constant.number, wholeNumber);
        case FieldType::Currency:
            return columnEvaluator<std::int64_t>(
                column, op, constant.number,
                [](std::int64_t value) { return static_cast<double>(value) / 10000; });
        case FieldType::Float:
            return columnEvaluator<double>(column, op, constant.number,
                                           [](double value) { return value; });
        case FieldType::Date:
        case FieldType::DateTime:
            break;
    }
    const std::int64_t instant = milliseconds(constant.number);
    if (const auto range = daysAt(instant))
        return std::make_unique<DaysEvaluator>(column, op, *range);
    return columnEvaluator<double>(column, op, instant,
                                   [](double days) { return milliseconds(days); });
}

// Two fields of one kind, record by record.
class ColumnsEvaluator : public Evaluator {
public:
    ColumnsEvaluator(std::pair<std::size_t, FieldType> left, Comparison op,
                     std::pair<std::size_t, FieldType> right)
        : left_(left), right_(right), op_(op) {}

    void eval(const RecordStore& records, std::size_t first, std::size_t count,
              std::uint8_t* pass) const override {
        const bool dates = isDateType(left_.second) || isDateType(right_.second);
        for (std::size_t i = 0; i < count; ++i) {
            const Scalar a = read(records, first + i, left_);
            const Scalar b = read(records, first + i, right_);
            pass[i] = a.kind != Scalar::Kind::Null && b.kind != Scalar::Kind::Null &&
                      compareScalars(op_, a, b, dates);
        }
    }

private:
    static Scalar read(const RecordStore& records, std::size_t record,
                       std::pair<std::size_t, FieldType> field) {
        Scalar result;
        const auto [column, type] = field;
        if (records.isNull(record, column))
            return result;
        result.kind = kindOf(type);
        if (result.kind == Scalar::Kind::Text)
            result.text = records.text(record, column);
        else if (result.kind == Scalar::Kind::Boolean)
            result.boolean = records.integer(record, column) != 0;
        else
            result.number = records.real(record, column);
        return result;
    }

    std::pair<std::size_t, FieldType> left_;
    std::pair<std::size_t, FieldType> right_;
    Comparison op_;
};

class IsNullEvaluator : public Evaluator {
public:
    IsNullEvaluator(std::size_t column, bool negated) : column_(column), negated_(negated) {}
    void eval(const RecordStore& records, std::size_t first, std::size_t count,
              std::uint8_t* pass) const override {
        const auto nulls = records.nullBits(column_);
        for (std::size_t i = 0; i < count; ++i)
            pass[i] = isNullAt(nulls, first + i) != negated_;
    }

private:
    std::size_t column_;
    bool negated_;
};

class NotEvaluator : public Evaluator {
public:
    explicit NotEvaluator(std::unique_ptr<Evaluator> inner) : inner_(std::move(inner)) {}
    void eval(const RecordStore& records, std::size_t first, std::size_t count,
              std::uint8_t* pass) const override {
        inner_->eval(records, first, count, pass);
        for (std::size_t i = 0; i < count; ++i)
            pass[i] ^= 1U;
    }

private:
    std::unique_ptr<Evaluator> inner_;
};

// Every operand sees every record of the block: bound operands cannot fail, so evaluating one
// that an earlier operand has already decided changes nothing but time, and a block whose
// records are all decided skips the rest.
class LogicEvaluator : public Evaluator {
public:
    LogicEvaluator(std::vector<std::unique_ptr<Evaluator>> operands, bool isAnd)
        : operands_(std::move(operands)), isAnd_(isAnd) {}
    void eval(const RecordStore& records, std::size_t first, std::size_t count,
              std::uint8_t* pass) const override {
        const std::uint8_t decided = isAnd_ ? 0 : 1;
        operands_.front()->eval(records, first, count, pass);
        std::array<std::uint8_t, kBlock> other{};
        for (std::size_t k = 1; k < operands_.size(); ++k) {
            if (std::all_of(pass, pass + count, [&](std::uint8_t p) { return p == decided; }))
                return;
            operands_[k]->eval(records, first, count, other.data());
            for (std::size_t i = 0; i < count; ++i)
                pass[i] = isAnd_ ? pass[i] & other[i] : pass[i] | other[i];
        }
    }

private:
    std::vector<std::unique_ptr<Evaluator>> operands_;
    bool isAnd_;
};

// ---------------------------------------------------------------------------------------------
// Nodes

class CompareNode : public Node {
public:
    CompareNode(Operand left, Comparison op, Operand right)
        : left_(std::move(left)), right_(std::move(right)), op_(op) {}

    // A literal takes the type of the field it is compared with.
    std::unique_ptr<Evaluator> bind(const Layout& layout) const override {
        const auto* leftField = std::get_if<FieldOperand>(&left_);
        const auto* rightField = std::get_if<FieldOperand>(&right_);
        if (leftField && rightField) {
            const auto left = leftField->find(layout);
            const auto right = rightField->find(layout);
            if (kindOf(left.second) != kindOf(right.second))
                evalError(layout.filter, DifferentTypes);
            return std::make_unique<ColumnsEvaluator>(left, op_, right);
        }
        if (leftField)
            return againstLiteral(*leftField, op_, std::get<LiteralOperand>(right_), layout);
        if (rightField)
            return againstLiteral(*rightField, mirrored(op_), std::get<LiteralOperand>(left_),
                                  layout);
        const Scalar left = std::get<LiteralOperand>(left_).own();
        const Scalar right = std::get<LiteralOperand>(right_).own();
        if (left.kind != right.kind)
            evalError(layout.filter, DifferentTypes);
        return std::make_unique<ConstantEvaluator>(compareScalars(op_, left, right, false));
    }

private:
    static std::unique_ptr<Evaluator> againstLiteral(const FieldOperand& field, Comparison op,
                                                     const LiteralOperand& literal,
                                                     const Layout& layout) {
        const auto [column, type] = field.find(layout);
        return columnAgainst(column, type, op, literal.as(type, layout.filter));
    }

    Operand left_;
    Operand right_;
    Comparison op_;
};

class IsNullNode : public Node {
public:
    IsNullNode(FieldOperand field, bool negated) : field_(std::move(field)), negated_(negated) {}

    std::unique_ptr<Evaluator> bind(const Layout& layout) const override {
        return std::make_unique<IsNullEvaluator>(field_.find(layout).first, negated_);
    }

private:
    FieldOperand field_;
    bool negated_;
};

// A Boolean field or literal standing alone as a condition ("Prihod", "True"); any other
// literal is a condition no record meets.
class TruthNode : public Node {
public:
    explicit TruthNode(Operand operand) : operand_(std::move(operand)) {}

    std::unique_ptr<Evaluator> bind(const Layout& layout) const override {
        if (const auto* literal = std::get_if<LiteralOperand>(&operand_)) {
            const Scalar value = literal->own();
            return std::make_unique<ConstantEvaluator>(value.kind == Scalar::Kind::Boolean &&
                                                       value.boolean);
        }
        const auto [column, type] = std::get<FieldOperand>(operand_).find(layout);
        if (type != FieldType::Boolean)
            evalError(layout.filter, NotACondition);
        Scalar truth;
        truth.boolean = true;
        return columnAgainst(column, type, Comparison::Equal, truth);
    }

private:
    Operand operand_;
};

class NotNode : public Node {
public:
    explicit NotNode(std::unique_ptr<Node> inner) : inner_(std::move(inner)) {}
    std::unique_ptr<Evaluator> bind(const Layout& layout) const override {
        return std::make_unique<NotEvaluator>(inner_->bind(layout));
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
    std::unique_ptr<Evaluator> bind(const Layout& layout) const override {
        std::vector<std::unique_ptr<Evaluator>> operands;
        operands.reserve(operands_.size());
        for (const auto& operand : operands_)
            operands.push_back(operand->bind(layout));
        return std::make_unique<LogicEvaluator>(std::move(operands), isAnd_);
    }

private:
    std::vector<std::unique_ptr<Node>> operands_;
    bool isAnd_;
};

class MatchAllNode : public Node {
public:
    std::unique_ptr<Evaluator> bind(const Layout&) const override {
        return std::make_unique<ConstantEvaluator>(true);
    }
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
        Operand left = operand();
        if (acceptKeyword("is")) {
            const bool negated = acceptKeyword("not");
            if (!acceptKeyword("null"))
                fail("ожидается NULL");
            auto* field = std::get_if<FieldOperand>(&left);
            if (!field)
                fail("IS NULL применяется только к полю");
            return std::make_unique<IsNullNode>(std::move(*field), negated);
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

    Operand operand() {
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
            return FieldOperand(take().text);
        }
        fail(token.kind == TokenKind::End ? "ожидается значение"
                                          : "непредвиденное '" + token.text + "'");
    }

    Operand numberLiteral(const Token& token, bool negative) {
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
    return FilterExpression(std::string(text), std::move(root));
}

FilterExpression::FilterExpression(std::string text, std::unique_ptr<Node> root)
    : text_(std::move(text)), root_(std::move(root)) {}

FilterExpression::FilterExpression(FilterExpression&&) noexcept = default;
FilterExpression& FilterExpression::operator=(FilterExpression&&) noexcept = default;
FilterExpression::~FilterExpression() = default;

void FilterExpression::bind(const std::vector<FieldDef>& fields) {
    bound_ = root_->bind(Layout{fields, text_});
}

void FilterExpression::select(const RecordStore& records, std::size_t first,
                              std::span<std::uint8_t> pass) const {
    if (!bound_)
        throw std::logic_error("FilterExpression: evaluated before it is bound");
    if (first > records.rowCount() || pass.size() > records.rowCount() - first)
        throw std::out_of_range("FilterExpression: records beyond the record set");
    for (std::size_t done = 0; done < pass.size(); done += kBlock)
        bound_->eval(records, first + done, std::min(kBlock, pass.size() - done),
                     pass.data() + done);
}

bool FilterExpression::matches(const RecordStore& records, std::size_t record) const {
    std::uint8_t pass = 0;
    select(records, record, {&pass, 1});
    return pass != 0;
}

}  // namespace kvt::data
