#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "infra/progress/ProgressCanvas.h"
#include "infra/progress/ProgressGeometry.h"
#include "progress/ProgressTestSupport.h"

namespace kvt::infra {
namespace {

using namespace std::chrono_literals;

TEST(ProgressGeometry, SizeKeepsMinimumsAndUnchangedDimensions) {
    const QSize current(450, 130);
    EXPECT_EQ(progressWindowSize(current, 200, 50), QSize(225, 70));
    EXPECT_EQ(progressWindowSize(current, 224, 69), QSize(225, 70));
    EXPECT_EQ(progressWindowSize(current, -1, -1), current);
    EXPECT_EQ(progressWindowSize(current, 600, -1), QSize(600, 130));
    EXPECT_EQ(progressWindowSize(current, -1, 200), QSize(450, 200));
}

TEST(ProgressGeometry, WindowSitsAtTheBottomMiddleOfTheWorkArea) {
    EXPECT_EQ(progressWindowOrigin(QRect(0, 0, 1024, 740), QSize(450, 70)), QPoint(287, 570));
    // A work area that does not start at the corner of the screen.
    EXPECT_EQ(progressWindowOrigin(QRect(100, 30, 1000, 700), QSize(450, 100)), QPoint(375, 530));
}

TEST(ProgressGeometry, RunningBlockComesBackFromTheLeftAfterTheEnd) {
    EXPECT_EQ(nextBlockPosition(0, 410), 10);
    EXPECT_EQ(nextBlockPosition(400, 410), 410);
    EXPECT_EQ(nextBlockPosition(410, 410), -40);
    EXPECT_EQ(nextBlockPosition(-40, 410), -30);
}

TEST(ProgressGeometry, PercentIsClampedToTheBar) {
    EXPECT_EQ(clampPercent(42.5), 42.5);
    EXPECT_EQ(clampPercent(100.01), 100);
    EXPECT_EQ(clampPercent(-3), 0);
    EXPECT_EQ(clampPercent(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(ProgressGeometry, ElapsedTimeReadsAsAClockTime) {
    EXPECT_EQ(elapsedTimeText(0ms), "Общее время: 0:00:00");
    EXPECT_EQ(elapsedTimeText(3723999ms), "Общее время: 1:02:03");
}

TEST(ProgressColors, StoredAndSystemColors) {
    EXPECT_EQ(toQColor(0x00FFFF00), QColor(0, 255, 255));
    EXPECT_EQ(toQColor(0x000080FF), QColor(255, 128, 0));
    EXPECT_EQ(toQColor(clBtnFace), QColor(0xF0, 0xF0, 0xF0));
}

class ProgressCanvasTest : public ::testing::Test {
protected:
    static constexpr QSize Size{450, 120};

    QImage frame(const ProgressFrame& state) {
        std::vector<TStringItem> lines{{.Id = 0, .Text = "Строка", .FontName = "MS Sans Serif"}};
        canvas.layoutText(lines, Size.width());
        canvas.buildBackground(Size);
        return canvas.drawFrame(state);
    }
    // A point inside the bar, `x` pixels from its left edge.
    static QPoint inBar(int x) { return progressBarRect(Size).topLeft() + QPoint(x, 10); }

    ProgressCanvas canvas{clBtnFace};
    const QColor cyan{0, 255, 255};
};

TEST_F(ProgressCanvasTest, PercentFillIsClamped) {
    const int barWidth = progressBarRect(Size).width();
    const QImage full = frame({.percentMode = true, .position = 150});
    EXPECT_EQ(full.pixelColor(inBar(barWidth - 3)), cyan);
    const QImage empty = frame({.percentMode = true, .position = -5});
    EXPECT_EQ(empty.pixelColor(inBar(3)), Qt::white);
    const QImage half = frame({.percentMode = true, .position = 50});
    EXPECT_EQ(half.pixelColor(inBar(3)), cyan);
    EXPECT_EQ(half.pixelColor(inBar(barWidth - 3)), Qt::white);
}

TEST_F(ProgressCanvasTest, RunningBlockIsFortyPixelsWide) {
    const QImage face = frame({.position = 100});
    EXPECT_EQ(face.pixelColor(inBar(99)), Qt::white);
    EXPECT_EQ(face.pixelColor(inBar(100)), cyan);
    EXPECT_EQ(face.pixelColor(inBar(139)), cyan);
    EXPECT_EQ(face.pixelColor(inBar(140)), Qt::white);
}

TEST_F(ProgressCanvasTest, CancelButtonIsDrawnOnlyWhenShown) {
    const QPoint corner = cancelButtonRect(Size).topLeft();
    EXPECT_EQ(frame({.showCancel = true}).pixelColor(corner), Qt::black);
    EXPECT_EQ(frame({.showCancel = false}).pixelColor(corner), toQColor(clBtnFace));
}

TEST_F(ProgressCanvasTest, WrappedLineIsTallerThanTheBlockWidthAllows) {
    std::string text;
    for (int word = 0; word < 10; ++word)
        text += "слово ";
    std::vector<TStringItem> lines{
        {.Id = 1, .Text = text, .FontName = "MS Sans Serif"},
        {.Id = 2, .Text = text, .WordWrap = true, .FontName = "MS Sans Serif"}};
    const int block = canvas.layoutText(lines, 100);
    EXPECT_GT(lines[0].Height, 0);
    EXPECT_GT(lines[1].Height, lines[0].Height);
    EXPECT_EQ(block, lines[0].Height + lines[1].Height);
}

}  // namespace
}  // namespace kvt::infra
