#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPrinter>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/CodePage.h"
#include "platform/SystemError.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"
#include "viewer/Printing.h"

namespace kvt::viewer {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

QStringList numberedLines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("| %1 | строка |").arg(i, 6);
    return lines;
}

class PrintingTest : public test::FreshRoot {
protected:
    fs::path pdfPath() const { return base() / "report.pdf"; }

    // A printer that writes PDF, so that jobs and pages can be counted.
    void makePrinter() {
        printer_ = std::make_unique<QPrinter>();
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(QString::fromStdString(pdfPath().string()));
    }

    int linesPerPage(const PrintSettings& settings = {}) {
        makePrinter();
        printer_->setPageOrientation(settings.PrintPortrait ? QPageLayout::Portrait
                                                            : QPageLayout::Landscape);
        return measurePage(printFont(settings), *printer_, printer_->height()).N;
    }

    // Prints and returns the number of pages drawn (captions appended) and written.
    std::pair<int, int> print(const QStringList& lines, int from, int to,
                              const PrintSettings& settings = {}) {
        makePrinter();
        int drawn = 0;
        PrintLines(*printer_, lines, from, 1, to, settings, [&drawn](const QString& caption) {
            EXPECT_TRUE(caption.startsWith(' '));
            ++drawn;
        });
        return {drawn, test::pdfPageCount(test::readFile(pdfPath()))};
    }

    std::unique_ptr<QPrinter> printer_;
};

TEST_F(PrintingTest, PrintsTheChosenPagesInOneJob) {
    const int n = linesPerPage();
    const QStringList lines = numberedLines(2 * n + 1);
    EXPECT_EQ(print(numberedLines(n), -1, -1), std::make_pair(1, 1));
    EXPECT_EQ(print(lines, -1, -1), std::make_pair(3, 3));
    EXPECT_EQ(print(lines, 2, -1), std::make_pair(2, 2));
    EXPECT_EQ(print(lines, 2, 2), std::make_pair(1, 1));
    EXPECT_EQ(print(lines, 1, 99), std::make_pair(3, 3));
}

TEST_F(PrintingTest, AnEmptyRangeStillBeginsAndEndsTheJob) {
    const QStringList lines = numberedLines(3 * linesPerPage());
    EXPECT_EQ(print(lines, 3, 2).first, 0);
    // Ended: the PDF is complete.
    EXPECT_THAT(test::readFile(pdfPath()), HasSubstr("%%EOF"));
    EXPECT_EQ(print({}, -1, -1).first, 0);
}

TEST_F(PrintingTest, OrientationAndCopiesComeFromTheCaller) {
    PrintSettings landscape;
    landscape.PrintPortrait = false;
    EXPECT_LT(linesPerPage(landscape), linesPerPage());
    const QStringList lines = numberedLines(linesPerPage() + 1);
    makePrinter();
    PrintLines(*printer_, lines, -1, 2, -1, landscape, {});
    EXPECT_EQ(printer_->pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer_->copyCount(), 2);
    EXPECT_EQ(test::pdfPageCount(test::readFile(pdfPath())), 2);
}

TEST_F(PrintingTest, APrinterThatCannotBeginTheJobIsAnError) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((base() / "missing" / "x.pdf").string()));
    EXPECT_THROW(PrintLines(printer, {"x"}, -1, 1, -1, {}, {}), EPrintError);
}

TEST_F(PrintingTest, PrnTakesDosTextWithAFormFeedThroughAFileOrACommand) {
    const QStringList lines{"Итого: 12,50", "", "+--+"};
    const std::string expected = platform::utf8ToCp866("Итого: 12,50") + "\r\n\r\n+--+\r\n\f\r\n";

    const fs::path device = base() / "lp0";
    setenv("KVT_PRN", device.c_str(), 1);
    PrintToPrn(lines);
    EXPECT_EQ(test::readFile(device), expected);

    const fs::path piped = base() / "piped";
    setenv("KVT_PRN", ("|cat > '" + piped.string() + "'").c_str(), 1);
    PrintToPrn(lines);
    EXPECT_EQ(test::readFile(piped), expected);
    unsetenv("KVT_PRN");
}

TEST_F(PrintingTest, PrnFailuresAreErrors) {
    unsetenv("KVT_PRN");
    try {
        PrintToPrn({"x"});
        ADD_FAILURE() << "no error";
    } catch (const EPrintError& error) {
        EXPECT_STREQ(error.what(), "Устройство prn не настроено (KVT_PRN)");
    }
    setenv("KVT_PRN", "|cat > /dev/null; exit 3", 1);
    EXPECT_THROW(PrintToPrn({"x"}), EPrintError);
    setenv("KVT_PRN", (base() / "missing" / "lp0").c_str(), 1);
    EXPECT_THROW(PrintToPrn({"x"}), platform::SystemError);
    unsetenv("KVT_PRN");
}

TEST_F(PrintingTest, TextFilesAreWindowsTextWithCrLf) {
    const fs::path path = base() / "report.txt";
    SaveTextFile(QString::fromStdString(path.string()), {"Сменный отчет", "", "|1|"});
    EXPECT_EQ(test::readFile(path), platform::utf8ToCp1251("Сменный отчет") + "\r\n\r\n|1|\r\n");
    EXPECT_THROW(SaveTextFile(QString::fromStdString((base() / "no" / "r.txt").string()), {"x"}),
                 platform::SystemError);
}

TEST(ReportLinesTest, SplitsAsTheMemoDoes) {
    EXPECT_THAT(ReportLines("a\r\nb\r\n"), ElementsAre("a", "b"));
    EXPECT_THAT(ReportLines("a\n\nb"), ElementsAre("a", "", "b"));
    EXPECT_THAT(ReportLines("\r\n"), ElementsAre(""));
    EXPECT_THAT(ReportLines(""), IsEmpty());
}

class PreviewTest : public PrintingTest {
protected:
    PreviewPage render(const QStringList& lines, int page, const PrintSettings& settings = {}) {
        makePrinter();
        return RenderPreviewPage(lines, page, settings, *printer_, printFont(settings),
                                 [this](const QString& caption) { captions_ << caption; });
    }

    static int inkInside(const QImage& image) {
        int ink = 0;
        for (int y = 21; y < image.height() - 21; ++y)
            for (int x = 21; x < image.width() - 21; ++x)
                ink += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        return ink;
    }

    QStringList captions_;
};

TEST_F(PreviewTest, AnEmptyReportIsOneBlankPageWithMarginGuides) {
    const PreviewPage preview = render({}, 1);
    EXPECT_EQ(preview.page, 1);
    EXPECT_EQ(preview.pageCount, 1);
    const QImage& image = preview.image;
    ASSERT_GT(image.width(), 40);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), qRgb(255, 255, 255));
    int blue = 0;
    for (int y = 1; y < image.height() - 1; ++y)
        blue += image.pixel(20, y) == qRgb(0, 0, 255) ? 1 : 0;
    EXPECT_GT(blue, image.height() / 4);
    EXPECT_LT(blue, image.height() - 2);  // dotted, not solid
    EXPECT_EQ(inkInside(image), 0);
    EXPECT_EQ(captions_.size(), 1);
}

TEST_F(PreviewTest, PagesAreClampedAndDrawOnlyTheirOwnLines) {
    const int n = linesPerPage();
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << "";
    for (int i = 0; i < n; ++i)
        lines << "+----+ Итого";
    lines << "";

    const PreviewPage first = render(lines, 0);
    EXPECT_EQ(first.page, 1);
    EXPECT_EQ(first.pageCount, 3);
    EXPECT_EQ(inkInside(first.image), 0);
    EXPECT_GT(inkInside(render(lines, 2).image), 0);
    const PreviewPage last = render(lines, 99);
    EXPECT_EQ(last.page, 3);
    EXPECT_EQ(inkInside(last.image), 0);
    EXPECT_EQ(captions_.size(), 3);
}

TEST_F(PreviewTest, TheImageHasThePrintersPageShape) {
    const QImage portrait = render({"x"}, 1).image;
    EXPECT_EQ(printer_->pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_GT(portrait.height(), portrait.width());
    PrintSettings landscape;
    landscape.PrintPortrait = false;
    const QImage wide = render({"x"}, 1, landscape).image;
    EXPECT_EQ(printer_->pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_GT(wide.width(), wide.height());
}

}  // namespace
}  // namespace kvt::viewer
