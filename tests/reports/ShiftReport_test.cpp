// The shift report from the menu entry to the viewer, through the test host: the picks the
// operator makes, the parameters the console receives and what the operator sees.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "infra/SafeIniFiles.h"
#include "infra/tools.h"
#include "platform/PathMap.h"
#include "reports/RunnerFixture.h"

namespace kvt::reports {
namespace {

constexpr const char* kShiftReportEntry = "&Журналы/Отчеты/Сменный отчет";
constexpr const char* kCurrentShiftEntry = "&Журналы/Отчеты/Текущий сменный отчет";

// Payment types 0 to 12 with only the fifth chosen: the statement default without a stored key.
constexpr const char* kStatements =
    "Array[0..12](I4(0), I4(0), I4(0), I4(0), I4(1), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), "
    "I4(0), I4(0))";
// Groups 1 and 0 at positions 1 and 3; group 2 left out.
constexpr const char* kLayout =
    "Array[0..12](I4(1), I4(1), Str(\"C:\\\\VEDA\\\\FORMS\\\\REPORT\\\\End.FRM\"), I4(1), I4(101), "
    "Str(\"C:\\\\VEDA\\\\FORMS\\\\WEBREP\\\\End.html\"), I4(3), I4(0), "
    "Str(\"C:\\\\VEDA\\\\FORMS\\\\REPORT\\\\Beg.FRM\"), I4(3), I4(100), "
    "Str(\"C:\\\\VEDA\\\\FORMS\\\\WEBREP\\\\Beg.html\"), Empty)";

std::string shiftReportParams(const std::string& first, const std::string& last) {
    return "Array[0..8](" + first + ", " + last + ", " + kLayout + ", I4(1), I4(0), Str(\"\"), " +
           "Bool(true), " + kStatements + ", I4(0))";
}

class ShiftReportTest : public test::RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        writeLayout();
        startRunners();
    }

    void writeLayout() {
        TSafeIniFile ini(ConfigFileName());
        const auto row = [&ini](int group, int position, const std::string& name) {
            const std::string g = std::to_string(group);
            ini.WriteInteger("SmenaRep", "Rep" + g + "_0", position);
            ini.WriteString("SmenaRep", "RepPath" + g + "_0", name + ".FRM");
            ini.WriteString("SmenaRep", "WebRepPath" + g + "_0", name + ".html");
        };
        row(0, 3, "Beg");
        row(1, 1, "End");
        row(2, -2, "Tanks");
        for (int group = 3; group < 16; ++group)
            ini.WriteInteger("SmenaRep", "Rep" + std::to_string(group) + "_0", -1);
    }
};

using test::shifts;

TEST_F(ShiftReportTest, PickedShiftsGoToTheConsoleAndTheReportToTheViewer) {
    test::writeStationLog(shifts({11, 12, 13, 14, 15, 16}));
    const std::vector<std::string> events = run(kShiftReportEntry, R"([
        {"form": "TSmenaListFrm", "do": [
            {"selectRows": {"DBGrid1": {"field": "SmNum", "values": [15, 12]}}},
            {"click": "BitBtn1"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"click": "BitBtn2"}]}])");
    EXPECT_EQ(events, (std::vector<std::string>{"Shown TSmenaListFrm \"Выберите смену\"",
                                                "Shown TRptFrm \"Сменный отчет\"",
                                                "Shown TSmenaListFrm \"Выберите смену\""}));
    EXPECT_EQ(calls(), (std::vector<std::string>{"45 " + shiftReportParams("I4(12)", "I4(15)"),
                                                 "55 Array[0..-1]()"}));
    expectCleanedUp();
}

TEST_F(ShiftReportTest, TheCurrentShiftIsAskedAsMinusOne) {
    test::writeStationLog(shifts({11, 12}));
    run(kShiftReportEntry, R"([
        {"form": "TSmenaListFrm", "do": [{"key": "F4"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"close": "cancel"}]}])");
    ASSERT_EQ(calls().size(), 2u);
    EXPECT_EQ(calls()[0], "45 " + shiftReportParams("I1(-1)", "I1(-1)"));
}

TEST_F(ShiftReportTest, AnEmptyLogOffersNoChoiceAndAForcedChoiceEndsTheRun) {
    test::writeStationLog({});
    const std::vector<std::string> events = run(kShiftReportEntry, R"([
        {"form": "TSmenaListFrm", "do": [{"close": "ok"}]}])");
    EXPECT_EQ(events.size(), 1u);
    EXPECT_TRUE(calls().empty());
    expectCleanedUp();
}

TEST_F(ShiftReportTest, WithoutTheConfigurationFileAPickProducesNothing) {
    test::writeStationLog(shifts({5}));
    std::filesystem::remove(platform::PathMap::toLocal(ConfigFileName()));
    const std::vector<std::string> events = run(kShiftReportEntry, R"([
        {"form": "TSmenaListFrm", "do": [{"click": "BitBtn1"}]},
        {"form": "TSmenaListFrm", "do": [{"click": "BitBtn2"}]}])");
    EXPECT_EQ(events.size(), 2u);
    EXPECT_TRUE(calls().empty());
}

TEST_F(ShiftReportTest, AConsoleErrorReachesTheHostAfterTheCleanUp) {
    test::writeStationLog(shifts({5}));
    host().produce = [](std::int32_t, const Variant&) -> std::string {
        throw std::runtime_error("База данных недоступна");
    };
    host::DialogScript driver(host::DialogScript::parse(R"([
        {"form": "TSmenaListFrm", "do": [{"click": "BitBtn1"}]}])"),
                              [](const std::string&) {});
    host::MemoryMenuItem& item = host().entry(kShiftReportEntry);
    EXPECT_THROW(item.onClick()(item), std::runtime_error);
    expectCleanedUp();
}

TEST_F(ShiftReportTest, TheCurrentShiftReportAsksNothingAndNeedsAnOpenShift) {
    host().values.set(0, Variant(false));
    run(kCurrentShiftEntry, "[]");
    EXPECT_TRUE(calls().empty());

    host().values.set(0, Variant(true));
    const std::vector<std::string> events =
        run(kCurrentShiftEntry, R"([{"form": "TRptFrm", "do": [{"close": "cancel"}]}])");
    EXPECT_EQ(events, (std::vector<std::string>{"Shown TRptFrm \"Сменный отчет\""}));
    EXPECT_EQ(calls(), (std::vector<std::string>{"45 " + shiftReportParams("I1(-1)", "I1(-1)"),
                                                 "55 Array[0..-1]()"}));
    EXPECT_FALSE(module().DBFrm->KVTServer.Connected());
}

}  // namespace
}  // namespace kvt::reports
