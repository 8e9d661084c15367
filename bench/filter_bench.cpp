// Records per second through FilterExpression::matches with the shift-range filter of the fuel
// receipt log, against a bare loop doing the same comparisons on the same rows by column index.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "appserver/AppServer.h"
#include "data/FilterExpression.h"
#include "infra/DateTime.h"

namespace {

using kvt::Variant;
using kvt::appserver::FieldDef;
using kvt::appserver::FieldType;
using kvt::appserver::Row;

constexpr int RecordCount = 100000;

const std::vector<FieldDef>& fields() {
    static const std::vector<FieldDef> defs{
        {"OpNum", FieldType::Integer, 0},    {"Date", FieldType::Date, 0},
        {"GSMName", FieldType::String, 20},  {"CarVolTTN", FieldType::Float, 0},
        {"BegTime", FieldType::DateTime, 0}, {"Prihod", FieldType::Boolean, 0},
        {"CarName", FieldType::String, 30}};
    return defs;
}

const kvt::DateTime FirstDay = kvt::EncodeDate(2026, 1, 1);

// A receipt or pump-out every 20 minutes over about four years.
const std::vector<Row>& rows() {
    static const std::vector<Row> table = [] {
        std::vector<Row> result;
        result.reserve(RecordCount);
        for (int i = 0; i < RecordCount; ++i) {
            const double begTime = FirstDay + i / 72.0;
            result.push_back({Variant(i + 1), Variant::date(std::floor(begTime)), Variant("АИ-95"),
                              Variant(10000.0 + i % 500), Variant::date(begTime),
                              Variant(i % 3 != 0), Variant("КамАЗ " + std::to_string(i % 40))});
        }
        return result;
    }();
    return table;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// Finds columns by name the way a dataset's record view does.
class RowRecord : public kvt::data::FilterRecord {
public:
    void setRow(const Row& row) { row_ = &row; }
    std::optional<FieldType> fieldType(std::string_view name) const override {
        const int column = find(name);
        if (column < 0)
            return std::nullopt;
        return fields()[column].type;
    }
    Variant fieldValue(std::string_view name) const override { return (*row_)[find(name)]; }

private:
    static int find(std::string_view name) {
        for (std::size_t i = 0; i < fields().size(); ++i) {
            if (equalsNoCase(fields()[i].name, name))
                return static_cast<int>(i);
        }
        return -1;
    }
    const Row* row_ = nullptr;
};

const kvt::DateTime RangeBegin = FirstDay + 100 + 8.0 / 24;
const kvt::DateTime RangeEnd = FirstDay + 400 + 20.0 / 24;

void FilterExpressionMatches(benchmark::State& state) {
    const std::string text = "BegTime>='" + kvt::DateTimeToStr(RangeBegin) + "' and BegTime<= '" +
                             kvt::DateTimeToStr(RangeEnd) + "' and Prihod = True";
    const auto filter = kvt::data::FilterExpression::parse(text);
    RowRecord record;
    for (auto _ : state) {
        int passed = 0;
        for (const Row& row : rows()) {
            record.setRow(row);
            passed += filter.matches(record) ? 1 : 0;
        }
        benchmark::DoNotOptimize(passed);
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
BENCHMARK(FilterExpressionMatches)->Unit(benchmark::kMillisecond);

void BareLambda(benchmark::State& state) {
    const auto ms = [](double days) { return std::llround(days * 86400000.0); };
    const long long begin = ms(RangeBegin);
    const long long end = ms(RangeEnd);
    const auto matches = [&](const Row& row) {
        const Variant& begTime = row[4];
        const Variant& prihod = row[5];
        if (begTime.isNull() || prihod.isNull())
            return false;
        const long long value = ms(begTime.rawDouble());
        return value >= begin && value <= end && prihod.toBool();
    };
    for (auto _ : state) {
        int passed = 0;
        for (const Row& row : rows())
            passed += matches(row) ? 1 : 0;
        benchmark::DoNotOptimize(passed);
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
BENCHMARK(BareLambda)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
