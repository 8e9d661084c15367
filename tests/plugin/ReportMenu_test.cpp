#include <gmock/gmock.h>

#include "PluginFixture.h"
#include "plugin/ReportMenu.h"

namespace kvt::test {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

std::vector<std::string> captions(const KvtMenuItem& menu) {
    std::vector<std::string> result;
    for (std::int32_t i = 0; i < menu.count(); ++i)
        result.push_back(menu.item(i)->caption());
    return result;
}

void addTopMenus(host::MemoryMenuItem& root, int count) {
    for (int i = 0; i < count; ++i)
        root.insert(-1, "Меню " + std::to_string(i));
}

using ReportMenuTest = PluginTest;

TEST_F(ReportMenuTest, SubmenuGoesFirstUnderFewMenusAndFourthUnderMore) {
    addTopMenus(host().root, 3);
    initMenu();
    EXPECT_EQ(host().root.item(0)->caption(), "&Журналы/Отчеты");
    EXPECT_EQ(host().root.item(0)->helpContext(), 60);

    host().root = host::MemoryMenuItem();
    addTopMenus(host().root, 5);
    initMenu();
    EXPECT_EQ(host().root.item(3)->caption(), "&Журналы/Отчеты");
    EXPECT_EQ(host().root.count(), 6);
}

TEST_F(ReportMenuTest, EntriesReadFromTheTopAboveTheHostsOwn) {
    host::addStationMenus(host().root);
    initMenu();
    const KvtMenuItem& reports = host().entry("&Журналы/Отчеты");
    EXPECT_THAT(
        captions(reports),
        ElementsAre("Поступления топлива", "Сменное поступление топлива", "Откачка топлива",
                    "Сменная откачка топлива", "Сменный отчет", "Текущий сменный отчет",
                    "Отчеты по бонусам и скидкам", "Акты возвратов", "Отчеты по возвратам",
                    "Отчеты по номерным талонам", "Непроизведенные возвраты на терминал",
                    "Отчеты по картам", "Сменный отчет по договорам", "История продаж по ТРК", "-",
                    "Сменный отчет по ведомостям", "Сменный отчет по контрагенту",
                    "Отпуск по ведомости за период", "Отпуск по контрагенту за период",
                    "Отпуск по автомобилю за период", "Отпуск по водителю за период", "-",
                    "Финансовый суточно сменный отчет", "Общий список дисконтных  карт",
                    "Экспорт журнала по резервуарам", "-"));
    const KvtMenuItem& shift = host().entry("&Журналы/Отчеты/Сменный отчет");
    EXPECT_EQ(shift.shortCut(), 16500);
    EXPECT_EQ(shift.hint(), "Просмотр и печать сменных отчетов");
    EXPECT_EQ(shift.helpContext(), 60);
    EXPECT_EQ(host().entry("&Журналы/Отчеты/Текущий сменный отчет").shortCut(), 16501);
    EXPECT_EQ(host().entry("&Журналы/Отчеты/Поступления топлива").shortCut(), 16499);
    EXPECT_EQ(host().entry("&Журналы/Отчеты/Отчеты по картам").hint(),
              "Отчеты по отливам по картам");
}

TEST_F(ReportMenuTest, OnlyTheLastJournalsMenuBecomesTheReportMenu) {
    host().root.insert(-1, "&Журналы").insert(-1, "Первый");
    host().root.insert(-1, "&Журналы").insert(-1, "Второй");
    initMenu();
    EXPECT_EQ(host().root.item(0)->caption(), "&Журналы");
    EXPECT_EQ(host().root.item(0)->count(), 1);
    EXPECT_EQ(host().root.item(1)->caption(), "&Журналы/Отчеты");
    EXPECT_EQ(host().root.item(1)->item(host().root.item(1)->count() - 1)->caption(), "Второй");
}

TEST_F(ReportMenuTest, ASecondInitAddsASecondSubmenuButKeepsTheModule) {
    host::addStationMenus(host().root);
    initMenu();
    const data::TDBFrm* dataModule = module().DBFrm.get();
    const plugin::TReport* report = module().Report.get();
    initMenu();
    EXPECT_EQ(module().DBFrm.get(), dataModule);
    EXPECT_EQ(module().Report.get(), report);
    // "&Журналы" is gone after the first build, so the second makes a submenu of its own.
    EXPECT_EQ(host().root.item(1)->caption(), "&Журналы/Отчеты");
    EXPECT_EQ(host().root.item(1)->count(), 26);
    EXPECT_EQ(host().root.item(3)->caption(), "&Журналы/Отчеты");
    EXPECT_EQ(host().root.item(3)->count(), 24);
}

TEST_F(ReportMenuTest, LevelsDecideTheOneTimeAdditions) {
    struct Case {
        int level;
        bool settings;
        bool pumps;
    };
    for (const Case c : {Case{0, true, true}, Case{1, false, true}, Case{3, true, false}}) {
        SCOPED_TRACE(c.level);
        TearDown();
        SetUp();
        host().values.set(15, Variant(std::int32_t{c.level}));
        startHost();
        EXPECT_EQ(host().hasEntry("&Настройка/Отчеты"), c.settings);
        EXPECT_EQ(host().hasEntry("История продаж"), c.pumps);
        EXPECT_TRUE(module().MenuExtrasAdded);
    }
}

TEST_F(ReportMenuTest, TwelvePumpsGiveTwentyTwoHiddenShortcuts) {
    startHost(12);
    const host::MemoryMenuItem& history = host().entry("История продаж");
    EXPECT_EQ(history.name(), "SecretItem00");
    EXPECT_FALSE(history.visible());
    ASSERT_EQ(history.count(), 22);
    std::vector<std::string> names;
    std::vector<ShortCut> keys;
    for (std::int32_t i = 0; i < history.count(); ++i) {
        EXPECT_FALSE(history.item(i)->visible());
        names.push_back(history.item(i)->caption() + " " + history.item(i)->name());
        keys.push_back(history.item(i)->shortCut());
    }
    EXPECT_EQ(names[0], "ТРК #1 SecretItem0");
    EXPECT_EQ(names[1], "ТРК №1 SecretItem_0");
    EXPECT_EQ(names[19], "ТРК №10 SecretItem_9");
    EXPECT_EQ(names[21], "ТРК #12 SecretItem11");
    EXPECT_EQ(keys[0], scAlt | '1');
    EXPECT_EQ(keys[1], scAlt | 0x61);
    EXPECT_EQ(keys[18], scAlt | '0');
    EXPECT_EQ(keys[19], scAlt | 0x60);
    EXPECT_EQ(keys[20], scAlt | 'Q');
    EXPECT_EQ(keys[21], scAlt | 'W');
    EXPECT_FALSE(module().DBFrm->KVTServer.Connected());
}

TEST_F(ReportMenuTest, PumpKeysEndAfterTheTwentyFourthPump) {
    EXPECT_EQ(plugin::PumpShortCut(24), scAlt | 'F');
    EXPECT_EQ(plugin::PumpShortCut(25), 0);
    EXPECT_EQ(plugin::PumpShortCut(0), 0);
}

TEST_F(ReportMenuTest, AnEmptyConfigurationStillCompletesTheAdditions) {
    host::addStationMenus(host().root);
    initMenu();
    useServerConfig(Variant());
    plugin::SetNewUserPriv(&host().root, TestHost::GetHostValue);
    EXPECT_EQ(host().entry("История продаж").count(), 0);
    EXPECT_TRUE(module().MenuExtrasAdded);
}

// The operator's rights hold with the server down; the error says what is missing, and the next
// call that reaches the server fills the one pump log entry.
TEST_F(ReportMenuTest, AFailingServerLeavesTheEntriesAndTriesAgainNextTime) {
    host::addStationMenus(host().root);
    host().values.set(15, Variant(std::int32_t{1}));
    initMenu();
    useServerConfig(Variant::null());
    EXPECT_THAT(
        [&] { plugin::SetNewUserPriv(&host().root, TestHost::GetHostValue); },
        ThrowsMessage<appserver::ServerError>(StartsWith("Клавиши журналов ТРК не добавлены -> ")));
    EXPECT_FALSE(host().entry("&Журналы/Отчеты/Общий список дисконтных  карт").visible());
    EXPECT_FALSE(host().entry("&Журналы/Отчеты/Текущий сменный отчет").visible());
    EXPECT_TRUE(host().hasEntry("История продаж"));
    EXPECT_FALSE(module().MenuExtrasAdded);
    EXPECT_FALSE(module().DBFrm->KVTServer.Connected());

    useServerConfig(stationConfigWithPumps(1));
    plugin::SetNewUserPriv(&host().root, TestHost::GetHostValue);
    EXPECT_TRUE(module().MenuExtrasAdded);
    const KvtMenuItem& last = *host().root.item(host().root.count() - 1);
    EXPECT_EQ(last.caption(), "История продаж");
    EXPECT_EQ(last.count(), 2);
    EXPECT_EQ(host().root.item(host().root.count() - 2)->caption(), "&Справка")
        << "one pump log entry, not one per try";
}

// A level-0 operator gets the settings entry once; the pump shortcuts the server kept from being
// made come at the next call that reaches it.
TEST_F(ReportMenuTest, TheSettingsEntryIsMadeOnceWhileThePumpShortcutsWaitForTheServer) {
    host::addStationMenus(host().root);
    initMenu();
    useServerConfig(Variant::null());
    for (int call = 0; call < 2; ++call) {
        EXPECT_THROW(plugin::SetNewUserPriv(&host().root, TestHost::GetHostValue),
                     appserver::ServerError);
        EXPECT_FALSE(module().MenuExtrasAdded);
        EXPECT_EQ(host().entry("&Настройка").count(), 1);
    }
    useServerConfig(stationConfigWithPumps(2));
    plugin::SetNewUserPriv(&host().root, TestHost::GetHostValue);
    EXPECT_TRUE(module().MenuExtrasAdded);
    EXPECT_EQ(host().entry("&Настройка").count(), 1);
    EXPECT_EQ(host().entry("История продаж").count(), 4);
}

TEST(PumpLogName, SkipsThePrefixAndTheFirstAccelerator) {
    EXPECT_EQ(plugin::PumpLogName("ТРК #12"), "12");
    EXPECT_EQ(plugin::PumpLogName("ТРК №&1&0"), "1&0");
    EXPECT_EQ(plugin::PumpLogName("ТРК #"), "");
    EXPECT_EQ(plugin::PumpLogName("ТРК #" + std::string(300, 'x')).size(), 255u);
}

}  // namespace
}  // namespace kvt::test
