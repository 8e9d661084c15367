#include "infra/progress/ProgressViewer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "infra/progress/ProgressGeometry.h"
#include "progress/ProgressTestSupport.h"

namespace kvt::infra {
namespace {

using ::testing::ElementsAre;

std::vector<std::int32_t> ids(const std::vector<TStringItem>& lines) {
    std::vector<std::int32_t> result;
    for (const auto& line : lines)
        result.push_back(line.Id);
    return result;
}

TStringItem line(const std::vector<TStringItem>& lines, std::int32_t id) {
    for (const auto& item : lines)
        if (item.Id == id)
            return item;
    throw std::runtime_error("no line " + std::to_string(id));
}

bool laidOut(const TProgressViewer& viewer) {
    const auto lines = viewer.Lines();
    return std::ranges::all_of(lines, [](const TStringItem& item) { return item.Height > 0; });
}

int textHeight(const TProgressViewer& viewer) {
    const auto lines = viewer.Lines();
    return std::accumulate(lines.begin(), lines.end(), 0,
                           [](int sum, const TStringItem& item) { return sum + item.Height; });
}

std::size_t threadCount() {
    const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// These viewers run without a display: they lay out and draw but show nothing.
class ProgressViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* display = std::getenv("DISPLAY"))
            savedDisplay_ = display;
        unsetenv("DISPLAY");
    }
    void TearDown() override {
        if (savedDisplay_)
            setenv("DISPLAY", savedDisplay_->c_str(), 1);
    }

private:
    std::optional<std::string> savedDisplay_;
};

TEST_F(ProgressViewerTest, EmptyCaptionStillGivesTheFiveLines) {
    TProgressViewer viewer("");
    const auto lines = viewer.Lines();
    EXPECT_THAT(ids(lines), ElementsAre(-1, 0, 1000, 1001, 1002));
    EXPECT_EQ(viewer.Caption(), " ");
    EXPECT_EQ(line(lines, 0).Text, " ");
    EXPECT_EQ(line(lines, -1).Text, "Ваше приложение");
    EXPECT_EQ(line(lines, 1001).Text, "Выполняется длительная операция. Она может");
    EXPECT_EQ(line(lines, 1002).Text, "продлиться несколько минут. Пожалуйста, подождите!");
    const TStringItem caption = line(lines, 0);
    EXPECT_EQ(caption.FontSize, 14);
    EXPECT_EQ(caption.FontStyle, fsBold);
    EXPECT_EQ(caption.Alignment, taCenter);
    EXPECT_EQ(caption.FontName, "MS Sans Serif");
    EXPECT_FALSE(viewer.HasWindow());
    EXPECT_FALSE(viewer.Cancelled());
}

TEST_F(ProgressViewerTest, AppTitleIsTheFirstLineOfLaterViewers) {
    SetAppTitle("BLM KVT");
    TProgressViewer viewer("Формирование сменного отчета");
    SetAppTitle("Ваше приложение");
    const auto lines = viewer.Lines();
    EXPECT_EQ(line(lines, -1).Text, "BLM KVT");
    EXPECT_EQ(line(lines, 0).Text, "Формирование сменного отчета");
}

TEST_F(ProgressViewerTest, AddStringReplacesBySameIdAndKeepsIdOrder) {
    TProgressViewer viewer("Отчет");
    viewer.AddString(500, "середина", "", -1, fsDefault, clDefault, false, taLeft);
    viewer.AddString(1001, "другая строка", "Arial", 9, fsItalic, 0x0000FF, true, taRight);
    const auto lines = viewer.Lines();
    EXPECT_THAT(ids(lines), ElementsAre(-1, 0, 500, 1000, 1001, 1002));
    const TStringItem replaced = line(lines, 1001);
    EXPECT_EQ(replaced.Text, "другая строка");
    EXPECT_EQ(replaced.FontName, "Arial");
    EXPECT_EQ(replaced.FontStyle, fsItalic);
    EXPECT_TRUE(replaced.WordWrap);
    EXPECT_EQ(replaced.Alignment, taRight);
}

TEST_F(ProgressViewerTest, MarkersTakeTheViewerDefaultsThenTheUnitDefaults) {
    TProgressViewer viewer("Отчет");
    viewer.AddString(1, "a", "", -1, fsDefault, clDefault, false, taLeft);
    viewer.SetLineDefaults("Courier", 11, fsItalic, 0x00FF00);
    viewer.AddString(2, "b", "", -1, fsDefault, clDefault, false, taLeft);
    const auto lines = viewer.Lines();
    const TStringItem unitDefaults = line(lines, 1);
    EXPECT_EQ(unitDefaults.FontName, "MS Sans Serif");
    EXPECT_EQ(unitDefaults.FontSize, 8);
    EXPECT_EQ(unitDefaults.FontStyle, 0);
    EXPECT_EQ(unitDefaults.Color, clBlack);
    const TStringItem viewerDefaults = line(lines, 2);
    EXPECT_EQ(viewerDefaults.FontName, "Courier");
    EXPECT_EQ(viewerDefaults.FontSize, 11);
    EXPECT_EQ(viewerDefaults.FontStyle, fsItalic);
    EXPECT_EQ(viewerDefaults.Color, 0x00FF00u);
}

TEST_F(ProgressViewerTest, ChangeStringParamsSetsTheNamedFields) {
    TProgressViewer viewer("Отчет");
    viewer.ChangeStringParams(
        1000, {spText, spAlignment, spWordWrap, spFontName, spFontSize, spFontStyle, spColor},
        {Variant("новый"), Variant(1), Variant(true), Variant("Arial"), Variant("12"),
         Variant(fsBold | fsUnderline), Variant(static_cast<std::int32_t>(clBtnFace))});
    const TStringItem changed = line(viewer.Lines(), 1000);
    EXPECT_EQ(changed.Text, "новый");
    EXPECT_EQ(changed.Alignment, taRight);
    EXPECT_TRUE(changed.WordWrap);
    EXPECT_EQ(changed.FontName, "Arial");
    EXPECT_EQ(changed.FontSize, 12);
    EXPECT_EQ(changed.FontStyle, fsBold | fsUnderline);
    EXPECT_EQ(changed.Color, clBtnFace);

    viewer.SetCaption("Другой отчет");
    EXPECT_EQ(viewer.Caption(), "Другой отчет");
    EXPECT_EQ(line(viewer.Lines(), 0).Text, "Другой отчет");
    EXPECT_EQ(viewer.Lines().size(), 5u);
}

TEST_F(ProgressViewerTest, ChangeStringParamsFailuresCarryTheirContext) {
    TProgressViewer viewer("Отчет");
    const auto message = [&](std::int32_t id, std::vector<std::int32_t> params,
                             std::vector<Variant> values) -> std::string {
        try {
            viewer.ChangeStringParams(id, params, values);
        } catch (const EProgressException& error) {
            return error.what();
        }
        return "no exception";
    };
    EXPECT_EQ(message(77, {spText}, {Variant("x")}),
              "TProgressViewer.ChangeStringParams -> Строка с номером 77 не найдена!");
    EXPECT_EQ(message(0, {spText, spFontSize}, {Variant("x")}),
              "TProgressViewer.ChangeStringParams -> Количество параметров и соответствующих им "
              "значений не совпадают!");
    const std::string conversion = message(0, {spText, spFontSize}, {Variant("x"), Variant("abc")});
    EXPECT_THAT(conversion, ::testing::StartsWith("TProgressViewer.ChangeStringParams -> "));
    EXPECT_EQ(line(viewer.Lines(), 0).Text, "Отчет") << "a failed change leaves the line alone";
}

TEST_F(ProgressViewerTest, WindowHeightFollowsTheText) {
    TProgressViewer viewer("Отчет");
    ASSERT_TRUE(test::eventually([&] { return laidOut(viewer); }));
    EXPECT_EQ(viewer.Geometry().height(), textHeight(viewer) + 70);

    viewer.AddString(1500, "ещё строка", "", -1, fsDefault, clDefault, false, taLeft);
    ASSERT_TRUE(test::eventually([&] { return laidOut(viewer); }));
    EXPECT_EQ(viewer.Geometry().height(), textHeight(viewer) + 70);
}

TEST_F(ProgressViewerTest, SetSizeKeepsTheMinimumAndPlacesTheWindow) {
    TProgressViewer viewer("Отчет");
    ASSERT_TRUE(test::eventually([&] { return laidOut(viewer); }));
    const QRect laidOutGeometry = viewer.Geometry();
    viewer.SetSize(-1, -1);
    EXPECT_EQ(viewer.Geometry(), laidOutGeometry);

    viewer.SetSize(200, 50);
    EXPECT_EQ(viewer.Geometry().width(), 225);
    // The text then sets the height again, at the new width.
    ASSERT_TRUE(test::eventually(
        [&] { return laidOut(viewer) && viewer.Geometry().height() == textHeight(viewer) + 70; }));
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect geometry = viewer.Geometry();
    EXPECT_EQ(geometry.width(), 225);
    EXPECT_EQ(geometry.topLeft(), progressWindowOrigin(workArea, geometry.size()));
}

TEST_F(ProgressViewerTest, FreeingRightAfterCreationLeavesNoThread) {
    TProgressViewer::Finish(std::make_unique<TProgressViewer>("разогрев"));
    const std::size_t before = threadCount();
    for (int round = 0; round < 5; ++round)
        TProgressViewer::Finish(std::make_unique<TProgressViewer>("Отчет"));
    { TProgressViewer dropped("Отчет"); }
    EXPECT_EQ(threadCount(), before);
}

TEST_F(ProgressViewerTest, WorkerRunsOnceOnItsOwnThread) {
    std::atomic<int> runs{0};
    std::atomic<std::intptr_t> seen{0};
    std::atomic<bool> otherThread{false};
    const auto caller = std::this_thread::get_id();
    auto viewer = std::make_unique<TProgressViewer>(
        "Отчет",
        [&](std::intptr_t userData, TProgressViewer& self) {
            seen = userData;
            otherThread = std::this_thread::get_id() != caller;
            self.SetPosition(42);
            ++runs;
            throw std::runtime_error("a failing worker does not take the process down");
        },
        1234, false, true);
    ASSERT_TRUE(test::eventually([&] { return runs == 1; }));
    EXPECT_EQ(seen, 1234);
    EXPECT_TRUE(otherThread);
    EXPECT_EQ(viewer->Position(), 42);
    EXPECT_TRUE(viewer->PercentMode());
    TProgressViewer::Finish(std::move(viewer));
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace kvt::infra
