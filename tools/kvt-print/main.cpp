// kvt-print: prints an old-format report file as the report viewer prints it, to a printer or
// to a PDF file, so that integrators can check the page layout without the station console.

#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "infra/DateTime.h"
#include "platform/CodePage.h"
#include "platform/SystemError.h"
#include "viewer/PageLayout.h"
#include "viewer/Printing.h"

namespace {

constexpr std::string_view Usage =
    "использование: kvt-print [--font NAME] [--size POINTS] [--landscape] [--from N] [--to N]\n"
    "                         [--printer NAME | --pdf FILE.pdf] REPORT.txt\n"
    "  Печатает отчет (кодовая страница 1251, строки CR LF) постранично, как окно просмотра\n"
    "  отчетов: на указанном принтере, в файл PDF или на принтере по умолчанию. Страницы с\n"
    "  --from по --to (по умолчанию все); шрифт по умолчанию Courier 11 пунктов, книжная\n"
    "  ориентация.";

struct Options {
    kvt::viewer::PrintSettings settings;
    int fromPage = -1;
    int toPage = -1;
    std::string printer;
    std::string pdf;
    std::string report;
};

std::optional<int> positiveOption(std::vector<std::string>& args, std::string_view name) {
    std::string text;
    if (!kvt::cli::takeOption(args, name, text))
        return std::nullopt;
    std::int64_t value = 0;
    if (!kvt::TryStrToInt64(text, value) || value < 1 || value > 100000)
        throw kvt::cli::UsageError("неверное число для " + std::string(name) + ": " + text);
    return static_cast<int>(value);
}

Options parse(std::vector<std::string>& args) {
    Options options;
    kvt::cli::takeOption(args, "--font", options.settings.PrintFontName);
    options.settings.PrintFontSize =
        positiveOption(args, "--size").value_or(options.settings.PrintFontSize);
    options.settings.PrintPortrait = !kvt::cli::takeFlag(args, "--landscape");
    options.fromPage = positiveOption(args, "--from").value_or(-1);
    options.toPage = positiveOption(args, "--to").value_or(-1);
    kvt::cli::takeOption(args, "--printer", options.printer);
    kvt::cli::takeOption(args, "--pdf", options.pdf);
    if (!options.printer.empty() && !options.pdf.empty())
        throw kvt::cli::UsageError("--printer и --pdf исключают друг друга");
    if (args.size() != 1)
        throw kvt::cli::UsageError("нужен один файл отчета");
    options.report = args.front();
    return options;
}

QStringList readReport(const std::string& argument) {
    const auto path = kvt::cli::localPath(argument);
    std::ifstream file(path, std::ios::binary);
    if (!file)
        kvt::platform::throwSystemError(errno, path.string());
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    return kvt::viewer::ReportLines(QString::fromStdString(kvt::platform::cp1251ToUtf8(bytes)));
}

void chooseOutput(QPrinter& printer, const Options& options) {
    if (!options.pdf.empty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(options.pdf));
        return;
    }
    const QPrinterInfo info =
        options.printer.empty()
            ? QPrinterInfo::defaultPrinter()
            : QPrinterInfo::printerInfo(QString::fromStdString(options.printer));
    if (info.isNull())
        throw std::runtime_error(options.printer.empty() ? "принтер по умолчанию не настроен"
                                                         : "нет принтера " + options.printer);
    printer.setPrinterName(info.printerName());
}

int print(std::vector<std::string>& args) {
    const Options options = parse(args);
    const QStringList lines = readReport(options.report);
    QPrinter printer(QPrinter::HighResolution);
    chooseOutput(printer, options);
    kvt::viewer::PrintLines(printer, lines, options.fromPage, 1, options.toPage, options.settings,
                            {});
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Fonts and printers need the application object; without a display it runs off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    return kvt::cli::run(argc, argv, Usage, print);
}
