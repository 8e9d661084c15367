// The viewer driven by a dialog script, as kvt-hostsim drives it: every component by its
// name, keys where the focus is, the save dialog and message boxes of the real desktop services.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/kit/DialogScript.h"
#include "platform/CodePage.h"
#include "plugin/PluginFixture.h"
#include "settings/IniSettings.h"
#include "settings/PrintOptions.h"
#include "support/WidgetApplication.h"
#include "viewer/RptForm.h"
#include "viewer/ViewerServices.h"

namespace kvt::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ViewerScriptTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        module().GetHostValue = TestHost::GetHostValue;
        previousServices_ = viewer::setViewerServices(nullptr);
        settings::WriteSetting(settings::kFormat, true);
    }
    void TearDown() override {
        viewer::setViewerServices(previousServices_);
        PluginTest::TearDown();
    }

    // Shows the report under the script and returns the events.
    std::vector<std::string> run(const std::string& json) {
        std::vector<std::string> events;
        host::DialogScript script(host::DialogScript::parse(json),
                                  [&](const std::string& line) { events.push_back(line); });
        viewer::ShowReport("Итого | 10", "<p>Сменный отчет</p>", "Сменный отчет");
        script.finish();
        return events;
    }

private:
    std::shared_ptr<viewer::ViewerServices> previousServices_;
};

TEST_F(ViewerScriptTest, TheOptionsAreSetByNameAndEscClosesPanelThenViewer) {
    const auto events = run(R"([{"form": "TRptFrm", "do": [
        {"click": "sbtnAdditional"},
        {"select": {"rgOrientation": 1, "ComboBox1": 3}},
        {"set": {"edScale": "150"}},
        {"key": "Esc"}, {"key": "Esc"}]}])");

    EXPECT_THAT(events, ElementsAre("Shown TRptFrm \"Сменный отчет\""));
    const settings::PrintOptions options = settings::ReadPrintOptions("Сменный отчет");
    EXPECT_EQ(options.orientation, 1);
    EXPECT_EQ(options.fontSize, 3);
    EXPECT_EQ(options.scale, 150);
}

TEST_F(ViewerScriptTest, TheFindBarIsDrivenByItsKeysAndNames) {
    // The edit takes text only while the bar shows it; Esc then closes the bar, not the viewer.
    const auto events = run(R"([{"form": "TRptFrm", "do": [
        {"key": "Ctrl+F"}, {"set": {"edFind": "СМЕННЫЙ"}}, {"key": "F3"}, {"key": "Shift+F3"},
        {"click": "btnFindNext"}, {"key": "Esc"}, {"click": "sbtnAdditional"},
        {"key": "Esc"}, {"key": "Esc"}]}])");
    EXPECT_THAT(events, ElementsAre("Shown TRptFrm \"Сменный отчет\""));
}

TEST_F(ViewerScriptTest, TheHtmlFileExportIsSavedThroughTheScriptedDialog) {
    const fs::path target = base() / "Отчет.html";
    const auto events = run(R"([{"form": "TRptFrm", "do": [
        {"click": "sbtnAdditional"}, {"select": {"rgChooseExport": 5}},
        {"click": "btnExport"}, {"key": "Esc"}, {"key": "Esc"}]},
        {"form": "QFileDialog", "do": [{"set": {"fileNameEdit": ")" +
                            target.string() + R"("}}, {"key": "Return"}]}])");

    ASSERT_EQ(events.size(), 3u) << ::testing::PrintToString(events);
    EXPECT_EQ(events[1].rfind("Shown QFileDialog", 0), 0u);
    EXPECT_THAT(events[2], HasSubstr("MessageBox \"Информация\" \"Отчет сохранен в файл"));
    EXPECT_THAT(events[2], HasSubstr(target.string()));
    EXPECT_EQ(readFile(target), platform::utf8ToCp1251("<p>Сменный отчет</p>\r\n"));
}

}  // namespace
}  // namespace kvt::test
