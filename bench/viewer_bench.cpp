// Showing a 200 000-line old-format report in the viewer: the memo load with the lines taken once
// and preview pages 1 and last drawn, against loading the same text into a bare QPlainTextEdit;
// and one preview page at the start and at the end of the report, which must cost the same.
// Run with --benchmark_min_time=2 for stable numbers.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPrinter>

#include <climits>
#include <memory>

#include "WidgetBenchMain.h"
#include "viewer/PageLayout.h"
#include "viewer/Printing.h"

namespace {

using namespace kvt::viewer;

constexpr int ReportLineCount = 200'000;

// A shift-report-like table: rules, bars, text and negative amounts.
const QString& reportText() {
    static const QString text = [] {
        QString built =
            QStringLiteral("СМЕННЫЙ ОТЧЕТ\r\n+------+------------------+----------+\r\n");
        for (int i = 2; i < ReportLineCount - 1; ++i) {
            built += i % 40 == 0 ? QStringLiteral("+------+------------------+----------+\r\n")
                                 : QStringLiteral("| %1 | Дизельное топливо| %2 |\r\n")
                                       .arg(i % 10000, 4)
                                       .arg(-(i % 977) * 1.25, 8, 'f', 2);
        }
        built += QStringLiteral("+------+------------------+----------+\r\n");
        return built;
    }();
    return text;
}

// The viewer's memo: read-only, no wrapping, fixed-pitch font.
std::unique_ptr<QPlainTextEdit> makeMemo() {
    auto memo = std::make_unique<QPlainTextEdit>();
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font(QStringLiteral("Fixedsys"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    memo->setFont(font);
    return memo;
}

// The viewer's printer, as it is before any job.
std::unique_ptr<QPrinter> makePrinter() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    return printer;
}

PreviewPage renderPage(const QStringList& lines, int page, QPrinter& printer) {
    const PrintSettings& settings = ModulePrintSettings();
    return RenderPreviewPage(lines, page, settings, printer, printFont(settings), {});
}

void ShowReportWithPreview(benchmark::State& state) {
    const auto printer = makePrinter();
    for (auto _ : state) {
        const auto memo = makeMemo();
        memo->setPlainText(reportText());
        const QStringList lines = ReportLines(reportText());
        benchmark::DoNotOptimize(renderPage(lines, 1, *printer));
        benchmark::DoNotOptimize(renderPage(lines, INT_MAX, *printer));
    }
}
BENCHMARK(ShowReportWithPreview)->Unit(benchmark::kMillisecond);

void BarePlainTextEdit(benchmark::State& state) {
    for (auto _ : state) {
        QPlainTextEdit edit;
        edit.setPlainText(reportText());
        benchmark::DoNotOptimize(edit.document());
    }
}
BENCHMARK(BarePlainTextEdit)->Unit(benchmark::kMillisecond);

enum class Page { First, LastFull, Last };

// The last page of the report holds only the remainder of the lines; the last full page is the
// one to compare with the first.
void PreviewPage(benchmark::State& state, Page which) {
    const auto printer = makePrinter();
    const QStringList lines = ReportLines(reportText());
    const int last = renderPage(lines, INT_MAX, *printer).page;
    const int page = which == Page::First ? 1 : which == Page::LastFull ? last - 1 : last;
    for (auto _ : state)
        benchmark::DoNotOptimize(renderPage(lines, page, *printer));
    state.SetLabel("page " + std::to_string(page) + " of " + std::to_string(last));
}
BENCHMARK_CAPTURE(PreviewPage, first, Page::First)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PreviewPage, last_full, Page::LastFull)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PreviewPage, last, Page::Last)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return kvt::bench::runWidgetBenchmarks(argc, argv);
}
