// kvt-station run as a packager and an administrator run it: its own options reach it past Qt's,
// and --dump-menu starts it without a window and prints the menu the operator would get.
#include <gmock/gmock.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/TestRoot.h"

namespace kvt {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;

const std::string kShiftReport = "  Сменный отчет shortcut=16500";

class KvtStationTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database_ = (base() / "station.db").string();
        ASSERT_EQ(test::runProcess(test::toolPath("kvt-demo-data"), {"--out", database_}).exitCode,
                  0);
        // The default plug-in does not load: the real one comes only from --plugin.
        setenv("KVT_PLUGIN", (base() / "default.so").c_str(), 1);
    }

    void TearDown() override {
        unsetenv("KVT_PLUGIN");
        FreshRoot::TearDown();
    }

    test::ProcessResult run(const std::string& tool, std::vector<std::string> args) const {
        args.insert(args.begin(), {"--station-db", database_});
        return test::runProcess(test::toolPath(tool), args);
    }

    // The lines of the report submenu, as the menu dump of `tool` shows them.
    std::vector<std::string> reportMenu(const std::string& tool,
                                        std::vector<std::string> args) const {
        args.insert(args.end(), {"--plugin", KVT_TEST_PLUGIN, "--dump-menu"});
        const test::ProcessResult result = run(tool, args);
        EXPECT_EQ(result.exitCode, 0) << tool << ": " << result.err;
        std::vector<std::string> lines;
        bool inside = false;
        for (const std::string& line : test::splitLines(result.out)) {
            if (!line.starts_with(' '))
                inside = line == "&Журналы/Отчеты";
            if (inside)
                lines.push_back(line);
        }
        return lines;
    }

    std::string database_;
};

TEST_F(KvtStationTest, ThePluginOptionIsTheConsolesNotQts) {
    for (const std::vector<std::string>& plugin :
         {std::vector<std::string>{"--plugin", KVT_TEST_PLUGIN},
          std::vector<std::string>{std::string("--plugin=") + KVT_TEST_PLUGIN}}) {
        std::vector<std::string> args = plugin;
        args.emplace_back("--dump-menu");
        const test::ProcessResult result = run("kvt-station", args);
        EXPECT_EQ(result.exitCode, 0) << plugin.front() << ": " << result.err;
        EXPECT_THAT(test::splitLines(result.out), Contains(kShiftReport)) << plugin.front();
    }
}

// A start that shows an error still prints the console's own menus, and ends with 1.
TEST_F(KvtStationTest, TheMenuDumpPrintsTheErrorsOfTheStartAndFails) {
    const std::string other = (base() / "other.so").string();
    const test::ProcessResult result = run("kvt-station", {"--plugin", other, "--dump-menu"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("Не удалось загрузить отчетный модуль " + other + ": "));
    EXPECT_THAT(test::splitLines(result.out),
                IsSupersetOf({"&Файл", "  Сменить &оператора", "    Уровень &0", "&Журналы",
                              "  - [VedSep]", "&Справка"}));
}

// The administrator reads the console's own options in Russian, with the plug-in's whole search
// order.
TEST_F(KvtStationTest, HelpTellsTheConsolesOptionsInRussian) {
    const test::ProcessResult result = run("kvt-station", {"--help"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    for (const char* text :
         {"Консоль оператора станции: загружает отчетный модуль в свои меню.", "--plugin <PATH>",
          "KVT_PLUGIN", "../lib/libKVTReports7.so", "../lib/kvtreports/", "Станционная база",
          "Значения консоли", "kvt-hostsim"})
        EXPECT_THAT(result.out, HasSubstr(text));
}

// The console applies the operator's rights as it starts, and its menu reads as the headless
// console's does: the same entries, marks and shortcuts.
TEST_F(KvtStationTest, TheMenuDumpShowsTheReportMenuUnderTheOperatorsRights) {
    const std::string cards = "  Общий список дисконтных  карт";
    for (const auto& [json, cardsLine] :
         {std::pair{R"({"15": 0, "5": true})", cards + " hidden disabled"},
          std::pair{R"({"15": 3})", cards}}) {
        const auto values = base() / "values.json";
        test::writeFile(values, json);
        const std::vector<std::string> station =
            reportMenu("kvt-station", {"--host-values", values.string()});
        EXPECT_THAT(station, IsSupersetOf({kShiftReport, cardsLine})) << json;
        EXPECT_EQ(station, reportMenu("kvt-hostsim", {"--host-values", values.string()})) << json;
    }
}

}  // namespace
}  // namespace kvt
