#include "viewer/Printing.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "platform/CodePage.h"
#include "platform/FileDescriptor.h"
#include "platform/SystemError.h"
#include "platform/TempDir.h"

namespace kvt::viewer {

namespace {

// Qt's print support goes with the application object, so the program's printer must go
// before it; and should this library be unloaded first, the application must not call back
// into it.
struct ProgramPrinter {
    std::unique_ptr<QPrinter> printer;
    ~ProgramPrinter();
};

ProgramPrinter& programPrinter() {
    static ProgramPrinter holder;
    return holder;
}

void dropProgramPrinter() {
    programPrinter().printer.reset();
}

ProgramPrinter::~ProgramPrinter() {
    qRemovePostRoutine(&dropProgramPrinter);
}

constexpr int PreviewMargin = 20;

void setOrientation(QPrinter& printer, const PrintSettings& settings) {
    printer.setPageOrientation(settings.PrintPortrait ? QPageLayout::Portrait
                                                      : QPageLayout::Landscape);
}

QString jobName(const QPrinter& printer) {
    return printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
}

// The painter ends the job when it goes out of scope, whatever happened while drawing.
void beginJob(QPainter& painter, QPrinter& printer) {
    if (!painter.begin(&printer))
        throw EPrintError("Не удалось начать печать на \"" + jobName(printer).toStdString() + "\"");
}

void appendElapsed(const CaptionAppender& appendCaption, const QString& elapsed) {
    if (appendCaption)
        appendCaption(QLatin1Char(' ') + elapsed);
}

using platform::FileDescriptor;

void writeFileBytes(const std::string& path, const std::string& bytes) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.get() < 0)
        platform::throwSystemError(errno, path);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            platform::throwSystemError(errno, path);
        done += static_cast<std::size_t>(written);
    }
    file.close(path);
}

void runPrintCommand(const QString& command, const std::string& bytes) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!process.waitForStarted(-1))
        throw EPrintError("Не удалось запустить команду печати \"" + command.toStdString() +
                          "\": " + process.errorString().toStdString());
    process.write(bytes.data(), static_cast<qint64>(bytes.size()));
    process.closeWriteChannel();
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw EPrintError("Команда печати \"" + command.toStdString() +
                          "\" завершилась с ошибкой (код " + std::to_string(process.exitCode()) +
                          ")");
}

std::string linesInCodePage(const QStringList& lines,
                            std::string (*convert)(std::string_view utf8)) {
    std::string bytes;
    for (const QString& line : lines) {
        bytes += convert(line.toStdString());
        bytes += "\r\n";
    }
    return bytes;
}

// The preview scales the printer's page to the image's resolution by the ratio of the same
// texts measured on both.
struct PreviewScale {
    double vertical;
    double horizontal;
};

PreviewScale previewScale(const QFont& imageFont, QPaintDevice& image, const QFont& printerFont,
                          QPrinter& printer) {
    const QFontMetrics onImage(imageFont, &image);
    const QFontMetrics onPrinter(printerFont, &printer);
    const QString sample = QStringLiteral("Width");
    return {static_cast<double>(onImage.height() + 2) / (onPrinter.height() + 2),
            static_cast<double>(onImage.horizontalAdvance(sample)) /
                onPrinter.horizontalAdvance(sample)};
}

void drawBlankPage(QPainter& painter, const QSize& size) {
    painter.setPen(QPen(Qt::black));
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    painter.setPen(QPen(Qt::blue, 0, Qt::DotLine));
    const int right = size.width() - PreviewMargin;
    const int bottom = size.height() - PreviewMargin;
    painter.drawLine(PreviewMargin, 0, PreviewMargin, size.height());
    painter.drawLine(right, 0, right, size.height());
    painter.drawLine(0, PreviewMargin, size.width(), PreviewMargin);
    painter.drawLine(0, bottom, size.width(), bottom);
    painter.setPen(QPen(Qt::black));
}

}  // namespace

QPrinter& CurrentPrinter() {
    ProgramPrinter& holder = programPrinter();
    if (!holder.printer) {
        holder.printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        qAddPostRoutine(&dropProgramPrinter);
    }
    return *holder.printer;
}

QByteArray PrintToPdf(const QPrinter& like, const std::function<void(QPrinter&)>& print) {
    QTemporaryFile file(QString::fromStdString(platform::privateTempDir().string()) +
                        QStringLiteral("/kvt-print-XXXXXX.pdf"));
    if (!file.open())
        throw EPrintError("Не удалось создать PDF-файл: " + file.errorString().toStdString());
    file.close();
    {
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setOutputFileName(file.fileName());
        pdf.setResolution(like.resolution());
        pdf.setPageLayout(like.pageLayout());
        print(pdf);
    }
    QFile written(file.fileName());
    QByteArray bytes;
    if (written.open(QIODevice::ReadOnly))
        bytes = written.readAll();
    if (bytes.isEmpty())
        throw EPrintError("Не удалось создать PDF-файл \"" + file.fileName().toStdString() + "\"");
    return bytes;
}

QStringList ReportLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (unified.endsWith(u'\n'))
        unified.chop(1);
    return unified.split(u'\n');
}

void PrintLines(QPrinter& printer, const QStringList& lines, int fromPage, int copies, int toPage,
                const PrintSettings& settings, const CaptionAppender& appendCaption) {
    const QFont font = printFont(settings);
    setOrientation(printer, settings);
    const PageLayout layout = measurePage(font, printer, printer.height());
    const int lineCount = static_cast<int>(lines.size());
    const int pageCount = layout.pageCount(lineCount);
    const int first = std::max(1, fromPage);
    const int last = std::min(toPage < 0 ? pageCount : toPage, pageCount);
    printer.setCopyCount(std::max(1, copies));

    QPainter painter;
    beginJob(painter, printer);
    painter.setFont(cellFont(font, printer, layout.W));
    for (int page = first; page <= last; ++page) {
        if (page > first && !printer.newPage())
            throw EPrintError("Не удалось начать новую страницу на \"" +
                              jobName(printer).toStdString() + "\"");
        appendElapsed(appendCaption, DrawPageLines(painter, lines, layout.firstLine(page),
                                                   layout.lastLine(page, lineCount), layout.W,
                                                   layout.L, layout.cellHeight));
    }
}

void PrintToPrn(const QStringList& lines) {
    const QString target = qEnvironmentVariable("KVT_PRN");
    if (target.isEmpty())
        throw EPrintError("Устройство prn не настроено (KVT_PRN)");
    const std::string bytes = linesInCodePage(lines, platform::utf8ToCp866) + "\f\r\n";
    if (target.startsWith(QLatin1Char('|')))
        runPrintCommand(target.mid(1), bytes);
    else
        writeFileBytes(target.toStdString(), bytes);
}

void SaveTextFile(const QString& path, const QStringList& lines) {
    writeFileBytes(path.toStdString(), linesInCodePage(lines, platform::utf8ToCp1251));
}

PreviewPage RenderPreviewPage(const QStringList& lines, int page, const PrintSettings& settings,
                              QPrinter& printer, const QFont& screenFont,
                              const CaptionAppender& appendCaption) {
    const QFont font = printFont(settings);
    setOrientation(printer, settings);
    const PageLayout onPrinter = measurePage(font, printer, printer.height());
    const int lineCount = static_cast<int>(lines.size());
    const int pageCount = std::max(1, onPrinter.pageCount(lineCount));
    const int shown = std::clamp(page, 1, pageCount);

    // Measuring needs the image's resolution before the image's size is known.
    QImage probe(1, 1, QImage::Format_RGB32);
    const PreviewScale scale = previewScale(screenFont, probe, font, printer);
    const QSize size(static_cast<int>(std::lround(printer.width() * scale.horizontal)) + 40,
                     static_cast<int>(std::lround(printer.height() * scale.vertical)) + 40);
    QImage image(size, QImage::Format_RGB32);
    const PageLayout onImage = measurePage(screenFont, image, size.height());

    QPainter painter(&image);
    drawBlankPage(painter, size);
    painter.setBrush(Qt::NoBrush);
    painter.setFont(cellFont(screenFont, image, onImage.W));
    appendElapsed(appendCaption, DrawPageLines(painter, lines, onPrinter.firstLine(shown),
                                               onPrinter.lastLine(shown, lineCount), onImage.W,
                                               onImage.L, onImage.cellHeight));
    painter.end();
    return {std::move(image), shown, pageCount};
}

}  // namespace kvt::viewer
