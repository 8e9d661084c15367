#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <ostream>
#include <tuple>
#include <vector>

#include "support/WidgetApplication.h"
#include "viewer/PageLayout.h"

namespace kvt::viewer {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;

// Cell geometry of the tests: cell i is centred at 20 + 10 i + 5; line r has its middle at
// 20 + 20 r + 10.
constexpr int W = 10;
constexpr int L = 20;

int centre(int column) {
    return 20 + column * W + W / 2;
}
int middle(int row) {
    return 20 + row * L + L / 2;
}

struct Text {
    QPoint position;
    QString text;
    QRect clip;
};

// Keeps what the renderer draws instead of painting it.
class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return User; }

    void drawLines(const QLine* lines, int count) override {
        segments.insert(segments.end(), lines, lines + count);
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i)
            segments.push_back(lines[i].toLine());
    }
    void drawTextItem(const QPointF& position, const QTextItem& item) override {
        texts.push_back(
            {position.toPoint(), item.text(),
             painter()->hasClipping() ? painter()->clipBoundingRect().toRect() : QRect()});
    }

    std::vector<QLine> segments;
    std::vector<Text> texts;
};

class RecordingDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return 800;
            case PdmHeight:
                return 1100;
            case PdmWidthMM:
                return 211;
            case PdmHeightMM:
                return 291;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDepth:
                return 32;
            case PdmNumColors:
                return INT_MAX;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return QPaintDevice::metric(metric);
        }
    }
};

// Segments that continue one another in a straight line, joined: what the eye sees as one rule.
std::vector<QLine> rules(std::vector<QLine> segments) {
    const auto order = [](const QLine& line) {
        return line.dx() == 0 ? std::make_tuple(1, line.x1(), line.y1())
                              : std::make_tuple(0, line.y1(), line.x1());
    };
    std::sort(segments.begin(), segments.end(),
              [&order](const QLine& a, const QLine& b) { return order(a) < order(b); });
    std::vector<QLine> joined;
    for (const QLine& segment : segments) {
        if (!joined.empty() && joined.back().p2() == segment.p1() &&
            (joined.back().dx() == 0) == (segment.dx() == 0) &&
            (joined.back().dy() == 0) == (segment.dy() == 0))
            joined.back().setP2(segment.p2());
        else
            joined.push_back(segment);
    }
    return joined;
}

}  // namespace
}  // namespace kvt::viewer

// Readable rules in failure messages.
QT_BEGIN_NAMESPACE
void PrintTo(const QLine& line, std::ostream* out) {
    *out << "(" << line.x1() << "," << line.y1() << ")-(" << line.x2() << "," << line.y2() << ")";
}
QT_END_NAMESPACE

namespace kvt::viewer {
namespace {

struct Drawing {
    std::vector<QLine> rules;
    std::vector<Text> texts;
    QString elapsed;
};

Drawing draw(const QStringList& lines, int first = 0, int last = -2) {
    RecordingDevice device;
    QPainter painter(&device);
    painter.setFont(printFont(PrintSettings{}));
    Drawing drawing;
    drawing.elapsed = DrawPageLines(
        painter, lines, first, last == -2 ? static_cast<int>(lines.size()) - 1 : last, W, L, L - 2);
    painter.end();
    drawing.rules = rules(device.engine.segments);
    drawing.texts = device.engine.texts;
    return drawing;
}

QLine horizontal(int row, int fromColumn, int toColumn) {
    return QLine(centre(fromColumn), middle(row), centre(toColumn), middle(row));
}
QLine vertical(int column, int fromRow, int toRow) {
    return QLine(centre(column), middle(fromRow), centre(column), middle(toRow));
}

std::vector<QString> textsOf(const Drawing& drawing) {
    std::vector<QString> texts;
    for (const Text& text : drawing.texts)
        texts.push_back(text.text);
    return texts;
}

TEST(PageLayoutTest, PagesHoldNLinesAndTheLastPageTheRest) {
    const PageLayout layout{L, W, L - 2, 10};
    EXPECT_EQ(layout.pageCount(10), 1);
    EXPECT_EQ(layout.pageCount(11), 2);
    EXPECT_EQ(layout.pageCount(0), 0);
    EXPECT_EQ(layout.firstLine(2), 10);
    EXPECT_EQ(layout.lastLine(2, 15), 14);
    EXPECT_EQ(layout.lastLine(1, 15), 9);

    // A font taller than the page still gives one line per page.
    QImage image(10, 10, QImage::Format_RGB32);
    EXPECT_EQ(measurePage(printFont(PrintSettings{}), image, 3).N, 1);
}

TEST(PageLayoutTest, TheCellFontAdvancesExactlyOneCellPerCharacter) {
    QImage image(10, 10, QImage::Format_RGB32);
    const QFont font = printFont(PrintSettings{});
    for (int cell : {measurePage(font, image, 100).W, 13}) {
        const QFontMetricsF metrics(cellFont(font, image, cell), &image);
        EXPECT_NEAR(metrics.horizontalAdvance(QStringLiteral("ЖAx|Щ-1234")), 10.0 * cell, 0.5);
    }
}

TEST(DrawPageLinesTest, TableRunsBecomeRulesBetweenCellCentres) {
    const Drawing box = draw({"+----+"});
    EXPECT_THAT(box.rules, ElementsAre(horizontal(0, 0, 5)));
    EXPECT_THAT(box.texts, IsEmpty());

    const Drawing column = draw({"+--+", "|  |", "|  |", "+--+"});
    EXPECT_THAT(column.rules, ElementsAre(horizontal(0, 0, 3), horizontal(3, 0, 3),
                                          vertical(0, 0, 3), vertical(3, 0, 3)));
}

TEST(DrawPageLinesTest, BarsSideBySideAndStackedMinusRowsStayApart) {
    const Drawing bars = draw({"||", "||", "||"});
    EXPECT_THAT(bars.rules, ElementsAre(vertical(0, 0, 2), vertical(1, 0, 2)));

    const Drawing minus = draw({"----", "----"});
    EXPECT_THAT(minus.rules, ElementsAre(horizontal(0, 0, 3), horizontal(1, 0, 3)));
}

TEST(DrawPageLinesTest, ALoneMinusIsTextUnlessABarMeetsIt) {
    const Drawing alone = draw({"      ", "  -5  ", "      "});
    EXPECT_THAT(alone.rules, IsEmpty());
    EXPECT_THAT(textsOf(alone), ElementsAre("  -5  "));

    const Drawing underBar = draw({"  |   ", "  -5  "});
    EXPECT_THAT(underBar.rules, ElementsAre(vertical(2, 0, 1)));
    ASSERT_THAT(textsOf(underBar), ElementsAre("5  "));
    EXPECT_EQ(underBar.texts[0].position.x(), 20 + 3 * W);
}

TEST(DrawPageLinesTest, TextRunsAreClippedToTheirCells) {
    const Drawing drawing = draw({"--|abcdefg|--", "Итого 12,50"});
    ASSERT_EQ(drawing.texts.size(), 2u);
    EXPECT_EQ(drawing.texts[0].text, "abcdefg");
    EXPECT_EQ(drawing.texts[0].clip, QRect(QPoint(20 + 3 * W, 20), QPoint(20 + 10 * W - 1, 39)));
    EXPECT_EQ(drawing.texts[1].text, "Итого 12,50");
    EXPECT_EQ(drawing.texts[1].clip.left(), 20);
    EXPECT_EQ(drawing.texts[1].clip.right(), 20 + 11 * W - 1);
    EXPECT_EQ(drawing.texts[1].clip.top(), 20 + L);
}

TEST(DrawPageLinesTest, AClippedRunNeverPaintsBeyondItsLastCell) {
    // A font far wider than the cells would run past column 9 without the clip.
    QImage image(400, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = printFont(PrintSettings{});
    font.setPixelSize(30);
    painter.setFont(font);
    DrawPageLines(painter, {"  |WWWWWWW|", "  |       |"}, 0, 0, W, L, L - 2);
    painter.end();

    int inked = 0;
    for (int y = 20; y < 20 + L; ++y) {
        for (int x = 20 + 3 * W; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 128)
                continue;
            ++inked;
            EXPECT_TRUE(x < 20 + 10 * W || x == centre(10)) << "ink at " << x << "," << y;
        }
    }
    EXPECT_GT(inked, L);
}

TEST(DrawPageLinesTest, NeighboursOutsideThePageStillDecideTheJoints) {
    // Line 1 starts the page; the rule above it on the previous page makes its bars graphic.
    const Drawing drawing = draw({"+--+", "|  |", "+--+"}, 1, 1);
    EXPECT_THAT(drawing.rules, ElementsAre(vertical(0, 0, 1), vertical(3, 0, 1)));
    EXPECT_THAT(drawing.texts, IsEmpty());
}

TEST(DrawPageLinesTest, EmptyLinesOnlyAdvanceAndTheTimeIsSecondsAndMilliseconds) {
    const Drawing drawing = draw({"", "", "x"});
    ASSERT_EQ(drawing.texts.size(), 1u);
    EXPECT_EQ(drawing.texts[0].clip.top(), 20 + 2 * L);
    EXPECT_THAT(drawing.elapsed.toStdString(), MatchesRegex("[0-5][0-9]\\.[0-9][0-9][0-9]"));
}

}  // namespace
}  // namespace kvt::viewer
