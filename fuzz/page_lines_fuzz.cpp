// Old-format report text as the viewer shows and prints it: split into lines, every page drawn
// by the line renderer with the print font, and the lines encoded for the text file and the
// "prn" device.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include "FuzzSupport.h"
#include "platform/CodePage.h"
#include "viewer/PageLayout.h"
#include "viewer/Printing.h"

namespace {

using namespace kvt::viewer;

// A small page keeps an input cheap and still breaks longer reports into several pages.
constexpr int kPageWidth = 400;
constexpr int kPageHeight = 300;

// The painter's device and font, made once: building them costs more than drawing a page.
struct Canvas {
    Canvas() {
        kvt::fuzz::startOffscreenGui();
        image = QImage(kPageWidth, kPageHeight, QImage::Format_RGB32);
        const QFont font = printFont(PrintSettings{});
        layout = measurePage(font, image, kPageHeight);
        fitted = cellFont(font, image, layout.W);
    }
    QImage image;
    PageLayout layout{};
    QFont fitted;
};

Canvas& canvas() {
    static Canvas instance;
    return instance;
}

void drawPages(const QStringList& lines) {
    Canvas& c = canvas();
    QPainter painter(&c.image);
    painter.setFont(c.fitted);
    const int lineCount = static_cast<int>(lines.size());
    for (int page = 1; page <= c.layout.pageCount(lineCount); ++page)
        DrawPageLines(painter, lines, c.layout.firstLine(page), c.layout.lastLine(page, lineCount),
                      c.layout.W, c.layout.L, c.layout.cellHeight);
}

void encode(const QStringList& lines) {
    for (const QString& line : lines) {
        const std::string utf8 = line.toStdString();
        kvt::platform::utf8ToCp1251(utf8);
        kvt::platform::utf8ToCp866(utf8);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    canvas();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = kvt::fuzz::asText(data, size);
    // Report files are CP1251 and the plug-in's reports UTF-8: both reach the viewer.
    const QStringList fromFile =
        ReportLines(QString::fromStdString(kvt::platform::cp1251ToUtf8(bytes)));
    const QStringList fromPlugin =
        ReportLines(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    drawPages(fromFile);
    drawPages(fromPlugin);
    encode(fromPlugin);
    return 0;
}
