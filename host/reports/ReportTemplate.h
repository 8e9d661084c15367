#pragma once
// Report templates: the small language in which the console's report forms are written, the
// old-format ".FRM" files (fixed-pitch text, tables drawn with + - |) and the new-format ".html"
// files alike. A template is its output text with fields and blocks in it:
//
//   Fields, anywhere in a line:
//     {{Name}}              a value: a scalar of the report, or inside {{#each T}} a column
//                           of table T (a column hides a scalar of the same name)
//     {{sum T.Column}}      the total of a numeric column over every row of table T
//     {{Name:FORMAT}}       the same, formatted. FORMAT is, in this order and all optional:
//                             <  >  ^     left, right or centred in the width (text goes
//                                         left and numbers right by default)
//                             WIDTH       the width in characters, at most 500
//                             ,           numbers: digit groups of three, separated by
//                                         the style's group separator
//                             .DECIMALS   numbers: digits after the decimal separator
//                                         (default 0 for whole numbers, 2 for others)
//                             .NAME       the same, as many as the station's report options
//                                         say: DecL and DecKg for litres and kilograms sold in
//                                         the rows of a financial report, DecL2 and DecKg2 for
//                                         the same quantities as single values and totals
//                             "PATTERN"   date-times: a FormatDateTime pattern (default
//                                         "dd.mm.yyyy hh:nn")
//                           e.g. {{Liters:>10,.2}}, {{sum VidOpl.Liters:>12,.DecL2}},
//                           {{BegTime:<16"dd.mm.yy hh:nn"}}.
//   Blocks, each directive alone on its line (blanks around it allowed):
//     {{#each T}} ... {{/each}}       the lines between, once per row of table T
//     {{#if Name}} ... {{/if}}        the lines between only when Name holds something: a
//                                     non-empty text, a number other than 0, a date, or a
//                                     table with rows
//     {{#else}}                       inside either block: the lines shown instead when the
//                                     table has no rows (so without its columns) or the
//                                     condition does not hold
//   Blocks nest, at most 64 deep, except an {{#each}} inside another {{#each}}.
//
// The width applies to the old format only: a value is padded with blanks to exactly WIDTH
// characters, so that + - | tables line up; a longer text is cut and a longer number is shown
// as WIDTH characters '#' rather than as a wrong number. In the new format the width and the
// alignment are ignored (the page lays out its tables) and every value is HTML-escaped; the
// template's own text is copied as written. Numbers take their separators and named decimals
// from the NumberStyle the report is rendered with.
//
// Lines end in CR LF in the output, whatever the template's line ends were. "{{" always opens a
// field. A template that breaks a rule (an unknown name, a block left open, a bad format, ...)
// is refused with a TemplateError naming its line.
#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kvt::host {

// Integer and Number values are shown with decimals, Date values with a date pattern.
enum class ValueKind { Text, Integer, Number, Date };

// Short names for the kinds in schema tables: {{"Liters", N}, {"Time", D}}, after
// `using namespace kind;`.
namespace kind {
inline constexpr ValueKind T = ValueKind::Text;
inline constexpr ValueKind I = ValueKind::Integer;
inline constexpr ValueKind N = ValueKind::Number;
inline constexpr ValueKind D = ValueKind::Date;
}  // namespace kind

struct ValueDef {
    std::string name;
    ValueKind kind = ValueKind::Text;
};

struct TableDef {
    std::string name;
    std::vector<ValueDef> columns;
};

// The names a template may use: the report's scalars and its tables.
struct TemplateSchema {
    std::vector<ValueDef> scalars;
    std::vector<TableDef> tables;
};

// A value: empty, a text, or a number (a date-time is a number of days since 30.12.1899).
using Cell = std::variant<std::monostate, std::string, double>;
// A table row: one cell per column, in the schema's column order.
using TableRow = std::vector<Cell>;

// A value the station may not have recorded: empty when it has not.
inline Cell cellOf(const std::optional<double>& value) {
    return value ? Cell(*value) : Cell();
}
inline Cell cellOf(const std::optional<std::int32_t>& value) {
    return value ? Cell(static_cast<double>(*value)) : Cell();
}

// The values of one report. The schema must outlive it.
class ReportData {
public:
    explicit ReportData(const TemplateSchema& schema);

    const TemplateSchema& schema() const { return *schema_; }
    // Throws std::logic_error for a name the schema lacks or a row of the wrong width: the
    // producer and its schema disagree.
    void set(std::string_view scalar, Cell value);
    void addRow(std::string_view table, TableRow row);

    const Cell& scalar(std::size_t index) const { return scalars_.at(index); }
    const std::vector<TableRow>& rows(std::size_t table) const { return tables_.at(table); }

private:
    const TemplateSchema* schema_;
    std::vector<Cell> scalars_;
    std::vector<std::vector<TableRow>> tables_;
};

enum class OutputFormat { Text, Html };

// How a report shows its numbers: the station's report options, handed to each rendering.
// The defaults are those of a station whose options were never set.
struct NumberStyle {
    std::string decimalSeparator = ",";     // one character, UTF-8
    std::string groupSeparator = "\u00A0";  // one character, UTF-8: the no-break space
    // The numbers of decimals that FORMAT names (.DecL, ...).
    int decL = 2;
    int decKg = 2;
    int decL2 = 2;
    int decKg2 = 2;
};

// A template that breaks a rule of the language. The message reads "строка N: ...".
class TemplateError : public std::runtime_error {
public:
    TemplateError(int line, const std::string& message);
    int line() const { return line_; }

private:
    int line_;
};

class ReportTemplate {
public:
    // Parses a template (UTF-8) against the names of `schema`; throws TemplateError.
    static ReportTemplate parse(std::string_view text, const TemplateSchema& schema);

    // The filled-in text, every line ended by CR LF. `data` must be of the parse's schema.
    std::string render(const ReportData& data, OutputFormat format,
                       const NumberStyle& numbers) const;

private:
    struct Tree;
    explicit ReportTemplate(std::shared_ptr<const Tree> tree);
    std::shared_ptr<const Tree> tree_;
};

}  // namespace kvt::host
