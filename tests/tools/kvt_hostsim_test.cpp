#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "platform/CodePage.h"
#include "support/DemoTemplates.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;
using ::testing::StartsWith;

class KvtHostsimTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database = (base() / "station.db").string();
        ASSERT_EQ(test::runProcess(test::toolPath("kvt-demo-data"), {"--out", database}).exitCode,
                  0);
    }

    test::ProcessResult hostsim(std::vector<std::string> args) {
        args.insert(args.begin(), {"--station-db", database});
        return test::runProcess(test::toolPath("kvt-hostsim"), args);
    }

    std::string database;
};

TEST_F(KvtHostsimTest, TheMenuHoldsTheReportEntriesBesideTheConsolesOwn) {
    const auto result = hostsim({"--dump-menu"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto menu = test::splitLines(result.out);
    EXPECT_THAT(menu, IsSupersetOf({"&Файл", "&Журналы/Отчеты", "  Сменный отчет shortcut=16500",
                                    "  Экспорт журнала по резервуарам", "  - [VedSep]",
                                    "&Ведомости", "&Настройка", "  Отчеты", "&Справка"}));
    EXPECT_THAT(menu, Not(Contains(StartsWith("Error"))));
}

// Host value 15 from the command line wins over the file: level 3 shows the discount cards.
TEST_F(KvtHostsimTest, TheUserLevelOptionOverridesTheHostValuesFile) {
    const auto values = base() / "values.json";
    test::writeFile(values, R"({"15": 0, "5": true})");
    const std::string cards = "  Общий список дисконтных  карт";
    EXPECT_THAT(test::splitLines(hostsim({"--host-values", values.string(), "--dump-menu"}).out),
                Contains(cards + " hidden disabled"));
    EXPECT_THAT(
        test::splitLines(
            hostsim({"--host-values", values.string(), "--user-level", "3", "--dump-menu"}).out),
        Contains(cards));
}

// The network reports through their forms: the office table's stations listed, the requests as
// the forms build them, and the console's figures of the picked stations' databases.
TEST_F(KvtHostsimTest, TheNetworkReportsRunFromTheOfficesStationTable) {
    test::layDemoTemplates();
    ASSERT_EQ(test::runProcess(test::toolPath("kvt-demo-data"), {"--out", database, "--network"})
                  .exitCode,
              0);
    std::filesystem::create_directories(driveC() / "WINDOWS");
    const auto office = driveC() / "VEDA" / "OfficeDB";
    std::filesystem::create_directories(office);
    std::filesystem::copy_file(base() / "Office.DB", office / "Office.DB");
    test::writeFile(base() / "values.json", R"({"15": 3})");
    const auto config = test::runProcess(
        test::toolPath("kvt-ini"),
        {"C:\\WINDOWS\\cnf.INI", "set", "Reports", "ShowDaySmenaFinReport", "`1`"});
    ASSERT_EQ(config.exitCode, 0) << config.err;
    const auto folder = base() / "out";

    test::writeFile(base() / "cards.json", R"([{"form": "TAllDscCardForm", "do": [
        {"list": "clbKVTList"}, {"select": {"rgRepFormat": 2}}, {"click": "rbChooseKVT"},
        {"check": {"clbKVTList": {"item": 1}}}, {"click": "BitBtn1"}, {"click": "BitBtn2"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]}])");
    const auto cards =
        hostsim({"--host-values", (base() / "values.json").string(), "--click",
                 "&Журналы/Отчеты/Общий список дисконтных  карт", "--script",
                 (base() / "cards.json").string(), "--report-dir", (folder / "cards").string()});
    EXPECT_EQ(cards.exitCode, 0) << cards.err;
    EXPECT_THAT(cards.out, HasSubstr("List clbKVTList \"АЗС №12 «Южная»\" \"АЗС №7 «Северная»\""));
    EXPECT_THAT(
        cards.out,
        HasSubstr(
            "GetReport_ 35 Array[0..2](I4(2), Str(\"*\"), Str(\"АЗС №7 «Северная»\\r\\n\"))"));
    EXPECT_THAT(cards.out, HasSubstr("Shown TRptFrm \"ОТЧЕТ ПО ДИСКОНТНЫМ КАРТАМ\""));
    EXPECT_THAT(platform::cp1251ToUtf8(test::readFile(folder / "cards" / "01-report35.txt")),
                AllOf(HasSubstr("Всего карт:"), Not(HasSubstr("АЗС №12"))));

    test::writeFile(base() / "days.json", R"([{"form": "TDaysSmenaFinReportForm", "do": [
        {"set": {"dtpBegDate": "03.03.2024"}}, {"set": {"dtpEndDate": "02.03.2024"}},
        {"click": "btnOK"}, {"set": {"dtpEndDate": "2024-03-03T23:59:00"}},
        {"click": "SpeedButton2"}, {"check": {"clbKVTList": {"item": 0}}},
        {"check": {"clbKVTList": {"item": 2}}}, {"click": "btnOK"}, {"click": "btnClose"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]}])");
    const auto days =
        hostsim({"--host-values", (base() / "values.json").string(), "--click",
                 "&Журналы/Отчеты/Финансовый суточно сменный отчет", "--script",
                 (base() / "days.json").string(), "--report-dir", (folder / "days").string()});
    EXPECT_EQ(days.exitCode, 0) << days.err;
    EXPECT_THAT(days.out, HasSubstr("Error \"Дата окончания периода должна быть больше, чем дата "
                                    "начала!\""));
    EXPECT_THAT(days.out, HasSubstr("GetReport_ 36 Array[0..2](Date(2024-03-03T00:00:00.000), "
                                    "Date(2024-03-03T00:00:00.000), Str(\"3\\r\\n7\\r\\n\"))"));
    const std::string text =
        platform::cp1251ToUtf8(test::readFile(folder / "days" / "01-report36.txt"));
    EXPECT_THAT(text, AllOf(HasSubstr("АЗС №3 «Заречная» (KVT №3)"),
                            HasSubstr("АЗС №7 «Северная» (KVT №7)"), Not(HasSubstr("KVT №5")),
                            HasSubstr("Итого по сети")));
}

// A hidden per-pump entry runs by its path as its shortcut would; the log prints as it shows.
TEST_F(KvtHostsimTest, AHiddenPumpEntryShowsThePumpsLogAsTheOperatorReadsIt) {
    const auto script = base() / "log.json";
    test::writeFile(script, R"([{"form": "TfmTRKHistory", "do": [
        {"list": {"DBGrid1": 2}}, {"close": "cancel"}]}])");
    const auto result = hostsim({"--click", "История продаж/ТРК #1", "--script", script.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto lines = test::splitLines(result.out);
    ASSERT_EQ(lines.size(), 4u) << result.out;
    EXPECT_EQ(lines[0], "Shown TfmTRKHistory \"Журнал по ТРК '1'\"");
    EXPECT_EQ(lines[1],
              "Columns DBGrid1 \"Время\" \"Опер.\" \"ГСМ\" \"Операция\" \"Вид оплаты\" "
              "\"Покупатель\" \"Тип отлива\" \"Литры\" \"Сумма\"");
    EXPECT_THAT(lines[2], StartsWith("Row DBGrid1 1 \""));
    EXPECT_THAT(lines[3], StartsWith("Row DBGrid1 2 \""));
}

// A scripted shift report leaves its text, its HTML and its print in a folder.
TEST_F(KvtHostsimTest, AScriptedShiftReportIsSavedWithItsPrint) {
    test::layDemoTemplates();
    const auto script = base() / "pick.json";
    test::writeFile(script, R"([
        {"form": "TSmenaListFrm", "do": [
            {"selectRows": {"DBGrid1": {"field": "SmNum", "values": [2, 3]}}},
            {"click": "BitBtn1"}]},
        {"form": "TRptFrm", "do": [{"key": "F5"}, {"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"close": "cancel"}]}])");
    const auto folder = base() / "out";
    setenv("KVT_PRINT_PDF", (folder / "report.pdf").c_str(), 1);
    const auto result = hostsim({"--click", "&Журналы/Отчеты/Сменный отчет", "--script",
                                 script.string(), "--report-dir", folder.string()});
    unsetenv("KVT_PRINT_PDF");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto events = test::splitLines(result.out);
    EXPECT_THAT(events, Contains(StartsWith("GetReport_ 45 Array[0..8](I4(2), I4(3), ")));
    EXPECT_THAT(events, Contains("Shown TRptFrm \"Сменный отчет\""));
    EXPECT_THAT(events, Not(Contains(StartsWith("Error"))));
    const std::string text = platform::cp1251ToUtf8(test::readFile(folder / "01-report45.txt"));
    EXPECT_THAT(text, HasSubstr("Смены с №2 по №3"));
    EXPECT_THAT(platform::cp1251ToUtf8(test::readFile(folder / "02-report55.html")),
                HasSubstr("<table"));
    EXPECT_GE(test::pdfPageCount(test::readFile(folder / "report.pdf")), 1);
}

// What the plug-in throws reaches the host as an event; only the tool's own failures end it.
TEST_F(KvtHostsimTest, PluginErrorsArePrintedAndToolErrorsEndIt) {
    const auto missing = test::runProcess(test::toolPath("kvt-hostsim"),
                                          {"--station-db", (base() / "none.db").string()});
    EXPECT_EQ(missing.exitCode, 0);
    EXPECT_THAT(missing.out, AllOf(StartsWith("Error \""), HasSubstr("none.db")));

    const auto path = hostsim({"--click", "&Журналы/Нет такого"});
    EXPECT_EQ(path.exitCode, 1);
    EXPECT_THAT(path.err, HasSubstr("Нет пункта меню \"&Журналы/Нет такого\"\n"));

    const auto disabled = hostsim({"--click", "&Журналы/Отчеты/Общий список дисконтных  карт"});
    EXPECT_EQ(disabled.exitCode, 1);
    EXPECT_THAT(disabled.err, HasSubstr("\"&Журналы/Отчеты/Общий список дисконтных  карт\" "
                                        "недоступен"));

    test::writeFile(base() / "bad.json", R"([{"form": "TSmenaListFrm", "do": [{"tap": "x"}]}])");
    const std::vector<std::pair<std::vector<std::string>, std::string>> failures{
        {{"--plugin", (base() / "libNone.so").string()}, "Не удалось загрузить отчетный модуль"},
        {{"--click", "&Файл", "--script", (base() / "bad.json").string()},
         "Сценарий форм, шаг 1, действие 1: неизвестное действие \"tap\""},
        {{"--script", (base() / "bad.json").string()}, "--script нужен --click\nиспользование:"},
        {{"--user-level", "4"}, "уровень оператора должен быть от 0 до 3: 4\nиспользование:"},
        {{"--dump"}, "лишний аргумент: --dump\nиспользование:"},
    };
    for (const auto& [args, message] : failures) {
        const auto result = hostsim(args);
        EXPECT_EQ(result.exitCode, 1) << args.front();
        EXPECT_THAT(result.err, HasSubstr(message)) << args.front();
        EXPECT_EQ(result.out, "") << args.front();
    }
}

}  // namespace
}  // namespace kvt
