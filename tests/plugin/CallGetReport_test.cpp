#include <gmock/gmock.h>

#include "PluginFixture.h"

namespace kvt::test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

class CallGetReportTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        module().TickCount = [this] { return ticks_; };
    }
    // The host takes `ms` milliseconds to produce a report.
    void hostTakes(std::uint32_t ms) {
        host().produce = [this, ms](std::int32_t reportNo, const Variant&) {
            ticks_ += ms;
            return "Отчет " + std::to_string(reportNo);
        };
    }
    std::uint32_t ticks_ = 0xFFFFFF00u;  // the counter wraps while the host works
};

TEST_F(CallGetReportTest, LogsTheTimeTheHostTookAndHandsTheParametersOver) {
    initMenu();
    hostTakes(1500);
    std::string text;
    plugin::CallGetReport(45, Variant::list({Variant::i1(-1), Variant(std::int32_t{12})}), text);
    EXPECT_EQ(text, "Отчет 45");
    ASSERT_EQ(host().reportCalls.size(), 1u);
    EXPECT_EQ(host().reportCalls[0].reportNo, 45);
    EXPECT_EQ(host().reportCalls[0].params, "Array[0..1](I1(-1), I4(12))");
    EXPECT_THAT(logLines(), ElementsAre(EndsWith(
                                " [инф] [KVTReports7] Отчет №45 сформирован! Время подготовки: "
                                "1500 мс.")));
}

TEST_F(CallGetReportTest, TheHostsErrorIsLoggedAndReachesTheCaller) {
    initMenu();
    host().produce = [](std::int32_t, const Variant&) -> std::string {
        throw std::runtime_error("Нет данных за смену");
    };
    std::string text;
    try {
        plugin::CallGetReport(10, Variant::list({}), text);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Нет данных за смену");
    }
    EXPECT_THAT(logLines(), ElementsAre(EndsWith(
                                " [ошиб] [KVTReports7] Ошибка формирования отчета №10: Нет данных "
                                "за смену")));
}

TEST_F(CallGetReportTest, WithoutTheProducerTheReportIsRefusedAndLogged) {
    plugin::InitReportMenu(0, &host().root, TestHost::AddMenuItem, nullptr);
    std::string text = "прежний";
    EXPECT_THROW(
        {
            try {
                plugin::CallGetReport(55, Variant::list({}), text);
            } catch (const plugin::EReportError& error) {
                EXPECT_STREQ(error.what(),
                             "Отчет не сформирован, т.к. переменная \"GetReport_\" не "
                             "инициализирована!");
                throw;
            }
        },
        plugin::EReportError);
    EXPECT_EQ(text, "прежний");
    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr(" [ошиб] [KVTReports7] Ошибка формирования отчета №55: Отчет "
                                    "не сформирован, т.к. переменная \"GetReport_\" не "
                                    "инициализирована!"));
}

TEST_F(CallGetReportTest, UnloadFreesTheDataModuleAndTheLogOnce) {
    initMenu();
    ASSERT_TRUE(module().DBFrm);
    plugin::UnloadModule();
    EXPECT_THROW(plugin::module(), plugin::EReportError);
    plugin::UnloadModule();
    plugin::LoadModule();
    EXPECT_FALSE(module().DBFrm);
    EXPECT_TRUE(module().ReportsLog);
}

}  // namespace
}  // namespace kvt::test
