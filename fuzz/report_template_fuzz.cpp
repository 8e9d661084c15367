// Report templates in the console's template language, parsed against the shift report's names
// and rendered in both formats and two number styles, with ordinary values and with values at
// the edges.
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "host/reports/ReportTemplate.h"
#include "host/reports/ShiftData.h"
#include "infra/DateTime.h"

namespace {

using namespace kvt::host;

Cell ordinary(ValueKind kind, std::size_t row) {
    switch (kind) {
        case ValueKind::Text:
            return row == 0 ? "АЗС <№7> & Co" : "Колонка " + std::to_string(row);
        case ValueKind::Integer:
            return static_cast<double>(12 + row);
        case ValueKind::Number:
            return 1234567.891 / static_cast<double>(row + 1);
        case ValueKind::Date:
            return kvt::EncodeDate(2024, 3, 1) + kvt::EncodeTime(8, 5, 0, 0) +
                   static_cast<double>(row);
    }
    return {};
}

// Values a station's records should never hold, but a report must still survive.
Cell extreme(ValueKind kind, std::size_t row) {
    switch (kind) {
        case ValueKind::Text:
            return row == 0 ? std::string(600, 'W') : "\"'<>&\xff\xfe\xd0";
        case ValueKind::Integer:
        case ValueKind::Number:
        case ValueKind::Date: {
            static const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                                            std::numeric_limits<double>::infinity(),
                                            -std::numeric_limits<double>::max(),
                                            1e300,
                                            -693594.5,
                                            2958466.0,
                                            -0.0,
                                            std::numeric_limits<double>::denorm_min()};
            return values[row % std::size(values)];
        }
    }
    return {};
}

// Every scalar set, every second table without rows so that {{#else}} branches are taken, and
// a row of empty cells after the filled ones.
template <class Value>
ReportData makeData(Value value, std::size_t rows) {
    const TemplateSchema& schema = shiftReportSchema();
    ReportData data(schema);
    for (const ValueDef& scalar : schema.scalars)
        data.set(scalar.name, value(scalar.kind, 0));
    for (std::size_t t = 1; t < schema.tables.size(); t += 2) {
        const TableDef& table = schema.tables[t];
        for (std::size_t r = 0; r < rows; ++r) {
            TableRow row;
            for (const ValueDef& column : table.columns)
                row.push_back(value(column.kind, r));
            data.addRow(table.name, std::move(row));
        }
        data.addRow(table.name, TableRow(table.columns.size()));
    }
    return data;
}

const ReportData& ordinaryData() {
    static const ReportData data = makeData(ordinary, 2);
    return data;
}

const ReportData& extremeData() {
    static const ReportData data = makeData(extreme, 8);
    return data;
}

// The station's default style, and one whose separators are longer in UTF-8 than in the
// station's code page and whose named decimals differ.
const NumberStyle kStyles[] = {
    {},
    {.decimalSeparator = "\u00B7", .groupSeparator = "'", .decL = 0, .decKg = 3, .decL2 = 1},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const ReportTemplate report =
            ReportTemplate::parse(kvt::fuzz::asText(data, size), shiftReportSchema());
        for (const ReportData* values : {&ordinaryData(), &extremeData()}) {
            for (const NumberStyle& numbers : kStyles) {
                report.render(*values, OutputFormat::Text, numbers);
                report.render(*values, OutputFormat::Html, numbers);
            }
        }
    } catch (const TemplateError&) {
        // A template that breaks a rule is refused with TemplateError, and only with it.
    }
    return 0;
}
