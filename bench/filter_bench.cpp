// Records per second through FilterExpression with the shift-range filter of the fuel receipt
// log, bound to the record set and selecting over all of it as a dataset does (and, for
// comparison, one record per call), against a plain loop doing the same comparisons on the same
// typed columns.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "appserver/RecordStore.h"
#include "data/FilterExpression.h"
#include "infra/DateTime.h"

namespace {

using kvt::Variant;
using kvt::appserver::FieldDef;
using kvt::appserver::FieldType;
using kvt::appserver::RecordStore;

constexpr int RecordCount = 100000;
constexpr std::size_t BegTimeColumn = 4;
constexpr std::size_t PrihodColumn = 5;

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
const RecordStore& records() {
    static const RecordStore store = [] {
        RecordStore result(fields());
        for (int i = 0; i < RecordCount; ++i) {
            const double begTime = FirstDay + i / 72.0;
            result.appendRow({Variant(i + 1), Variant::date(std::floor(begTime)), Variant("АИ-95"),
                              Variant(10000.0 + i % 500), Variant::date(begTime),
                              Variant(i % 3 != 0), Variant("КамАЗ " + std::to_string(i % 40))});
        }
        result.shrinkToFit();
        return result;
    }();
    return store;
}

const kvt::DateTime RangeBegin = FirstDay + 100 + 8.0 / 24;
const kvt::DateTime RangeEnd = FirstDay + 400 + 20.0 / 24;

kvt::data::FilterExpression boundFilter() {
    const std::string text = "BegTime>='" + kvt::DateTimeToStr(RangeBegin) + "' and BegTime<= '" +
                             kvt::DateTimeToStr(RangeEnd) + "' and Prihod = True";
    auto filter = kvt::data::FilterExpression::parse(text);
    filter.bind(fields());
    return filter;
}

long passedOf(const std::vector<std::uint8_t>& pass) {
    return std::count(pass.begin(), pass.end(), std::uint8_t{1});
}

void FilterExpressionSelect(benchmark::State& state) {
    const auto filter = boundFilter();
    std::vector<std::uint8_t> pass(RecordCount);
    for (auto _ : state) {
        filter.select(records(), 0, pass);
        benchmark::DoNotOptimize(passedOf(pass));
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
BENCHMARK(FilterExpressionSelect)->Unit(benchmark::kMillisecond);

void FilterExpressionMatchesEach(benchmark::State& state) {
    const auto filter = boundFilter();
    for (auto _ : state) {
        long passed = 0;
        for (std::size_t i = 0; i < RecordCount; ++i)
            passed += filter.matches(records(), i) ? 1 : 0;
        benchmark::DoNotOptimize(passed);
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
BENCHMARK(FilterExpressionMatchesEach)->Unit(benchmark::kMillisecond);

void PlainLoop(benchmark::State& state) {
    const auto ms = [](double days) { return std::llround(days * 86400000.0); };
    const long long begin = ms(RangeBegin);
    const long long end = ms(RangeEnd);
    const auto begTimes = records().values<double>(BegTimeColumn);
    const auto prihods = records().values<std::uint8_t>(PrihodColumn);
    const auto begTimeNulls = records().nullBits(BegTimeColumn);
    const auto prihodNulls = records().nullBits(PrihodColumn);
    const auto isNull = [](std::span<const std::uint64_t> nulls, std::size_t i) {
        return (nulls[i / 64] >> (i % 64) & 1U) != 0;
    };
    std::vector<std::uint8_t> pass(RecordCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < RecordCount; ++i) {
            const long long value = ms(begTimes[i]);
            pass[i] = !isNull(begTimeNulls, i) && !isNull(prihodNulls, i) && value >= begin &&
                      value <= end && prihods[i] != 0;
        }
        benchmark::DoNotOptimize(passedOf(pass));
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
BENCHMARK(PlainLoop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
