// Finding a car number in a 200 000-line report: the viewer's search, case aside, from the first
// match to the last, once with the folding of the text it does when the find bar first searches
// a report and once on a text folded already; against a bare case-sensitive std::search over the
// same text that finds the same matches. The ratios to the bare search are printed at the end.
// Run with --benchmark_min_time=2 for stable numbers.

#include <benchmark/benchmark.h>

#include <QString>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "viewer/TextSearch.h"

namespace {

using kvt::viewer::TextSearch;

constexpr int ReportLineCount = 200'000;
// Typed as the operator types it; the report prints it in capitals.
const QString TypedNumber = QStringLiteral("а123вс");
const QString PrintedNumber = QStringLiteral("А123ВС");

// A pump sales log: every line a sale of a fuel to a car, one car in 97 the one looked for; the
// letter it begins with stands in two fuels' names of three.
const QString& reportText() {
    static const QString text = [] {
        QString built = QStringLiteral("ИСТОРИЯ ПРОДАЖ ПО ТРК\r\n");
        for (int i = 1; i < ReportLineCount; ++i) {
            const QString car = i % 97 == 0
                                    ? QStringLiteral("А123ВС77")
                                    : QStringLiteral("В%1ОР50").arg(i % 1000, 3, 10, QChar(u'0'));
            const QString fuel = i % 3 == 0   ? QStringLiteral("Бензин АИ-92")
                                 : i % 3 == 1 ? QStringLiteral("Бензин АИ-95")
                                              : QStringLiteral("Дизельное топливо");
            built += QStringLiteral("| %1 | %2 | %3 | %4 |\r\n")
                         .arg(i, 6)
                         .arg(fuel, -17)
                         .arg(car)
                         .arg((i % 977) * 1.25, 8, 'f', 2);
        }
        return built;
    }();
    return text;
}

// Steps from the first match to the last, as F3 does; the number of matches met.
qsizetype stepThrough(TextSearch& search) {
    search.setPattern(TypedNumber);
    if (search.moveTo(0) < 0)
        return 0;
    qsizetype met = 1;
    while (search.next() != 0)
        ++met;
    return met;
}

qsizetype bareCount() {
    const QString& text = reportText();
    qsizetype found = 0;
    for (auto at = text.begin(); (at = std::search(at, text.end(), PrintedNumber.begin(),
                                                   PrintedNumber.end())) != text.end();
         at += PrintedNumber.size())
        ++found;
    return found;
}

void checkSameMatches(benchmark::State& state, qsizetype met) {
    static const qsizetype bare = bareCount();
    if (met != bare)
        state.SkipWithError("the searches found different matches");
    state.counters["matches"] = static_cast<double>(met);
}

void TextSearchWithFolding(benchmark::State& state) {
    qsizetype met = 0;
    for (auto _ : state) {
        TextSearch search(reportText());
        met = stepThrough(search);
        benchmark::DoNotOptimize(met);
    }
    checkSameMatches(state, met);
}
BENCHMARK(TextSearchWithFolding)->Unit(benchmark::kMillisecond);

void TextSearchFolded(benchmark::State& state) {
    TextSearch search(reportText());
    qsizetype met = 0;
    for (auto _ : state) {
        met = stepThrough(search);
        benchmark::DoNotOptimize(met);
    }
    checkSameMatches(state, met);
}
BENCHMARK(TextSearchFolded)->Unit(benchmark::kMillisecond);

void BareStdSearch(benchmark::State& state) {
    qsizetype met = 0;
    for (auto _ : state) {
        met = bareCount();
        benchmark::DoNotOptimize(met);
    }
    checkSameMatches(state, met);
}
BENCHMARK(BareStdSearch)->Unit(benchmark::kMillisecond);

// The console's table, and each benchmark's time per iteration kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Coloured on a terminal only, so that the table reads in a file or a log.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        const auto bare = times_.find("BareStdSearch");
        if (bare == times_.end() || bare->second <= 0)
            return;
        for (const char* name : {"TextSearchWithFolding", "TextSearchFolded"})
            if (const auto found = times_.find(name); found != times_.end())
                std::printf("%s / BareStdSearch = %.2f\n", name, found->second / bare->second);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
