#include "host/reports/ReportTemplate.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "host/reports/FieldFormat.h"
#include "host/reports/HtmlText.h"

namespace kvt::host {

namespace {

constexpr std::string_view kOpen = "{{";
constexpr std::string_view kClose = "}}";
constexpr std::string_view kSumWord = "sum ";
constexpr std::size_t kMaxNesting = 64;

// Where a name's value comes from.
enum class Source { Scalar, Column, Total, Table };

struct Ref {
    Source source = Source::Scalar;
    std::size_t table = 0;
    std::size_t index = 0;
    ValueKind kind = ValueKind::Text;
};

struct Field {
    Ref ref;
    FieldFormat format;
};

// A line is literal text with fields between: piece i is its literal text, then its field.
struct Piece {
    std::string literal;
    std::optional<Field> field;
};
using Line = std::vector<Piece>;

enum class BlockKind { Each, If };

struct Node;

struct Block {
    BlockKind kind = BlockKind::Each;
    Ref subject;
    std::vector<Node> body;
    std::vector<Node> otherwise;
};

struct Node {
    std::variant<Line, Block> content;
};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isIdentifier(std::string_view name) {
    const auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return !name.empty() && letter(name.front()) &&
           std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || digit(c); });
}

bool isNumeric(ValueKind kind) {
    return kind == ValueKind::Integer || kind == ValueKind::Number;
}

std::string quoted(std::string_view text) {
    return "«" + std::string(text) + "»";
}

// The template's lines without their line ends; a final line end opens no further line.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

class Parser {
public:
    explicit Parser(const TemplateSchema& schema) : schema_(schema) {}

    std::vector<Node> parse(std::string_view text) {
        int number = 0;
        for (const std::string_view line : splitLines(text))
            parseLine(line, ++number);
        if (!open_.empty())
            throw TemplateError(open_.back().line, "блок " + quoted(open_.back().directive) +
                                                       " не закрыт до конца шаблона");
        return std::move(top_);
    }

private:
    struct OpenBlock {
        Block block;
        int line = 0;
        std::string directive;
        bool inElse = false;
    };

    std::vector<Node>& target() {
        if (open_.empty())
            return top_;
        OpenBlock& innermost = open_.back();
        return innermost.inElse ? innermost.block.otherwise : innermost.block.body;
    }

    // The table of the innermost {{#each}}, if any.
    std::optional<std::size_t> eachTable() const {
        for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
            if (it->block.kind == BlockKind::Each)
                return it->block.subject.table;
        }
        return std::nullopt;
    }

    // The table whose row the current line is rendered for: the innermost {{#each}}, unless
    // the line is in its {{#else}}, which is shown when there is no row.
    std::optional<std::size_t> rowTable() const {
        for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
            if (it->block.kind == BlockKind::Each)
                return it->inElse ? std::nullopt : std::optional(it->block.subject.table);
        }
        return std::nullopt;
    }

    void parseLine(std::string_view text, int number) {
        Line line;
        std::size_t from = 0;
        for (auto open = text.find(kOpen); open != std::string_view::npos;
             open = text.find(kOpen, from)) {
            const auto close = text.find(kClose, open + kOpen.size());
            if (close == std::string_view::npos)
                throw TemplateError(number, "поле без закрывающих " + quoted(kClose));
            const std::string_view inner =
                trimmed(text.substr(open + kOpen.size(), close - open - kOpen.size()));
            if (inner.starts_with('#') || inner.starts_with('/')) {
                const std::string_view whole = text.substr(open, close + kClose.size() - open);
                if (trimmed(text) != whole)
                    throw TemplateError(
                        number, "директива " + quoted(whole) + " должна стоять в строке одна");
                directive(inner, number);
                return;
            }
            line.push_back(
                Piece{std::string(text.substr(from, open - from)), field(inner, number)});
            from = close + kClose.size();
        }
        line.push_back(Piece{std::string(text.substr(from)), std::nullopt});
        target().push_back(Node{std::move(line)});
    }

    void directive(std::string_view inner, int number) {
        const auto blank = inner.find(' ');
        const std::string_view word = inner.substr(0, blank);
        const std::string_view argument =
            blank == std::string_view::npos ? std::string_view() : trimmed(inner.substr(blank));
        const std::string text = "{{" + std::string(inner) + "}}";
        if (word == "#each" || word == "#if") {
            // Rendering and freeing a block recurse into the blocks within it.
            if (open_.size() == kMaxNesting)
                throw TemplateError(number, "блоки вложены глубже " + std::to_string(kMaxNesting));
            const bool each = word == "#each";
            Block block{each ? BlockKind::Each : BlockKind::If,
                        each ? eachSubject(argument, number) : resolve(argument, number, true),
                        {},
                        {}};
            open_.push_back(OpenBlock{std::move(block), number, text});
        } else if (word == "#else" && argument.empty()) {
            if (open_.empty() || open_.back().inElse)
                throw TemplateError(number, quoted(text) + " без своего блока");
            open_.back().inElse = true;
        } else if ((word == "/each" || word == "/if") && argument.empty()) {
            close(word == "/each" ? BlockKind::Each : BlockKind::If, text, number);
        } else {
            throw TemplateError(number, "неизвестная директива " + quoted(text));
        }
    }

    void close(BlockKind kind, const std::string& text, int number) {
        if (open_.empty())
            throw TemplateError(number, quoted(text) + " без открывающей директивы");
        if (open_.back().block.kind != kind)
            throw TemplateError(number, quoted(text) + " закрывает блок " +
                                            quoted(open_.back().directive) + " из строки " +
                                            std::to_string(open_.back().line));
        Block block = std::move(open_.back().block);
        open_.pop_back();
        target().push_back(Node{std::move(block)});
    }

    Ref eachSubject(std::string_view name, int number) const {
        if (eachTable())
            throw TemplateError(number, "блок {{#each}} не может стоять внутри другого {{#each}}");
        const auto table = findTable(name);
        if (!table)
            throw TemplateError(number, "неизвестная таблица " + quoted(name));
        return Ref{Source::Table, *table, 0, ValueKind::Text};
    }

    Field field(std::string_view inner, int number) const {
        const auto colon = inner.find(':');
        const std::string_view name = trimmed(inner.substr(0, colon));
        Field result{name.starts_with(kSumWord)
                         ? total(trimmed(name.substr(kSumWord.size())), number)
                         : resolve(name, number, false),
                     {}};
        if (colon == std::string_view::npos)
            return result;
        const std::string_view format = trimmed(inner.substr(colon + 1));
        try {
            result.format = FieldFormat(format, result.ref.kind);
        } catch (const std::invalid_argument& error) {
            throw TemplateError(
                number, "формат " + quoted(format) + " поля " + quoted(name) + ": " + error.what());
        }
        return result;
    }

    Ref total(std::string_view name, int number) const {
        const auto dot = name.find('.');
        const std::string_view tableName = name.substr(0, dot);
        const auto table = findTable(tableName);
        if (dot == std::string_view::npos || !table)
            throw TemplateError(number,
                                "sum ждет поле таблицы в виде Таблица.Поле, а не " + quoted(name));
        const std::string_view column = name.substr(dot + 1);
        const auto index = findColumn(*table, column);
        if (!index)
            throw TemplateError(number,
                                "в таблице " + quoted(tableName) + " нет поля " + quoted(column));
        const ValueKind kind = schema_.tables[*table].columns[*index].kind;
        if (!isNumeric(kind))
            throw TemplateError(number, "поле " + quoted(name) + " не числовое, его не сложить");
        return Ref{Source::Total, *table, *index, kind};
    }

    // A column of the enclosing {{#each}} first, then a scalar, and for a condition a table.
    Ref resolve(std::string_view name, int number, bool tableAllowed) const {
        if (!isIdentifier(name))
            throw TemplateError(number, "неверное имя поля " + quoted(name));
        if (const auto table = rowTable()) {
            if (const auto column = findColumn(*table, name))
                return Ref{Source::Column, *table, *column,
                           schema_.tables[*table].columns[*column].kind};
        }
        for (std::size_t i = 0; i < schema_.scalars.size(); ++i) {
            if (schema_.scalars[i].name == name)
                return Ref{Source::Scalar, 0, i, schema_.scalars[i].kind};
        }
        if (const auto table = findTable(name); table && tableAllowed)
            return Ref{Source::Table, *table, 0, ValueKind::Text};
        for (std::size_t table = 0; table < schema_.tables.size(); ++table) {
            const std::string& tableName = schema_.tables[table].name;
            if (findColumn(table, name))
                throw TemplateError(number, "поле " + quoted(name) + " таблицы " +
                                                quoted(tableName) + " стоит вне блока {{#each " +
                                                tableName + "}}");
        }
        throw TemplateError(number, "неизвестное поле " + quoted(name));
    }

    std::optional<std::size_t> findTable(std::string_view name) const {
        for (std::size_t i = 0; i < schema_.tables.size(); ++i) {
            if (schema_.tables[i].name == name)
                return i;
        }
        return std::nullopt;
    }

    std::optional<std::size_t> findColumn(std::size_t table, std::string_view name) const {
        const auto& columns = schema_.tables[table].columns;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].name == name)
                return i;
        }
        return std::nullopt;
    }

    const TemplateSchema& schema_;
    std::vector<Node> top_;
    std::vector<OpenBlock> open_;
};

class Renderer {
public:
    Renderer(const ReportData& data, OutputFormat format, const NumberStyle& numbers)
        : data_(data), format_(format), numbers_(numbers) {}

    void nodes(const std::vector<Node>& list) {
        for (const Node& node : list) {
            if (const auto* line = std::get_if<Line>(&node.content))
                render(*line);
            else
                render(std::get<Block>(node.content));
        }
    }

    std::string take() { return std::move(out_); }

private:
    void render(const Line& line) {
        for (const Piece& piece : line) {
            out_ += piece.literal;
            if (piece.field)
                out_ += fieldText(*piece.field);
        }
        out_ += "\r\n";
    }

    void render(const Block& block) {
        if (block.kind == BlockKind::If) {
            nodes(holds(block.subject) ? block.body : block.otherwise);
            return;
        }
        const std::vector<TableRow>& rows = data_.rows(block.subject.table);
        if (rows.empty())
            nodes(block.otherwise);
        for (const TableRow& row : rows) {
            row_ = &row;
            nodes(block.body);
        }
        row_ = nullptr;
    }

    std::string fieldText(const Field& field) const {
        std::string text = field.format.text(cell(field.ref), field.ref.kind, numbers_);
        if (format_ == OutputFormat::Html)
            return htmlEscaped(text);
        return field.format.fitted(std::move(text), field.ref.kind);
    }

    bool holds(const Ref& ref) const {
        if (ref.source == Source::Table)
            return !data_.rows(ref.table).empty();
        const Cell value = cell(ref);
        if (const auto* text = std::get_if<std::string>(&value))
            return !text->empty();
        if (const auto* number = std::get_if<double>(&value))
            return ref.kind == ValueKind::Date || *number != 0;
        return false;
    }

    Cell cell(const Ref& ref) const {
        switch (ref.source) {
            case Source::Scalar:
                return data_.scalar(ref.index);
            case Source::Column:
                return row_->at(ref.index);
            case Source::Total:
                return total(ref);
            case Source::Table:
                break;
        }
        return {};
    }

    Cell total(const Ref& ref) const {
        double sum = 0;
        for (const TableRow& row : data_.rows(ref.table)) {
            if (const auto* number = std::get_if<double>(&row.at(ref.index)))
                sum += *number;
        }
        return sum;
    }

    const ReportData& data_;
    OutputFormat format_;
    const NumberStyle& numbers_;
    const TableRow* row_ = nullptr;
    std::string out_;
};

template <class Def>
std::size_t indexOf(const std::vector<Def>& defs, std::string_view name, const char* what) {
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].name == name)
            return i;
    }
    throw std::logic_error("В отчете нет " + std::string(what) + " " + std::string(name));
}

}  // namespace

struct ReportTemplate::Tree {
    std::vector<Node> nodes;
};

ReportData::ReportData(const TemplateSchema& schema)
    : schema_(&schema), scalars_(schema.scalars.size()), tables_(schema.tables.size()) {}

void ReportData::set(std::string_view scalar, Cell value) {
    scalars_[indexOf(schema_->scalars, scalar, "значения")] = std::move(value);
}

void ReportData::addRow(std::string_view table, TableRow row) {
    const std::size_t index = indexOf(schema_->tables, table, "таблицы");
    if (row.size() != schema_->tables[index].columns.size())
        throw std::logic_error(
            "В строке таблицы " + std::string(table) + " ячеек: " + std::to_string(row.size()) +
            ", а столбцов: " + std::to_string(schema_->tables[index].columns.size()));
    tables_[index].push_back(std::move(row));
}

TemplateError::TemplateError(int line, const std::string& message)
    : std::runtime_error("строка " + std::to_string(line) + ": " + message), line_(line) {}

ReportTemplate::ReportTemplate(std::shared_ptr<const Tree> tree) : tree_(std::move(tree)) {}

ReportTemplate ReportTemplate::parse(std::string_view text, const TemplateSchema& schema) {
    return ReportTemplate(std::make_shared<const Tree>(Tree{Parser(schema).parse(text)}));
}

std::string ReportTemplate::render(const ReportData& data, OutputFormat format,
                                   const NumberStyle& numbers) const {
    Renderer renderer(data, format, numbers);
    renderer.nodes(tree_->nodes);
    return renderer.take();
}

}  // namespace kvt::host
