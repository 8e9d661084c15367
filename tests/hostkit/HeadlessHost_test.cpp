#include "host/kit/HeadlessHost.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "appserver/DemoData.h"
#include "appserver/StationServer.h"
#include "host/kit/MenuDump.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"
#include "ui/Desktop.h"

namespace kvt::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class HeadlessHostTest : public ::testing::Test {
protected:
    HostValues values;
    std::vector<std::string> events;
    EventSink sink = [this](const std::string& line) { events.push_back(line); };
    // Before the host: the menu holds the plug-in's handlers and goes first.
    PluginLibrary plugin{KVT_STUB_PLUGIN_PATH};
};

TEST_F(HeadlessHostTest, ThePluginExtendsTheConsoleMenus) {
    HeadlessHost host(values, sink);
    host.connect(plugin);
    EXPECT_EQ(dumpMenu(host.menu()),
              "&Файл\n"
              "&Журналы/Отчеты\n"
              "  Сменный отчет\n"
              "  Сбой\n"
              "  Экспорт журнала по резервуарам\n"
              "  - [VedSep]\n"
              "&Ведомости\n"
              "&Настройка\n"
              "&Справка\n");
    EXPECT_TRUE(events.empty());
}

// The stub shows what GetReport_ answered through the host's error box.
TEST_F(HeadlessHostTest, EveryReportCallIsPrintedAndAnsweredWithItsParameters) {
    values.set(15, Variant(3));
    HeadlessHost host(values, sink);
    host.connect(plugin);
    host.click(*findMenuPath(host.menu(), "&Журналы/Отчеты/Сменный отчет"));
    const Variant params = Variant::list({Variant(12), Variant("a\"b"), Variant(3)});
    EXPECT_THAT(events, ElementsAre(R"x(GetReport_ 99 Array[0..2](I4(12), Str("a\"b"), I4(3)))x",
                                    event::error(diagnosticText(99, params)),
                                    "GetReport_ 55 Array[0..-1]()",
                                    event::error(diagnosticHtml(99, params)), "Beep 400 100"));
}

TEST_F(HeadlessHostTest, ErrorsReachingTheHostArePrintedAndTheWorkGoesOn) {
    values.set(13, Variant("DOWN"));
    HeadlessHost host(values, sink);
    host.connect(plugin);
    host.click(*findMenuPath(host.menu(), "&Журналы/Отчеты/Сбой"));
    EXPECT_THAT(events,
                ElementsAre("Error \"Сервер DOWN недоступен\"", "Error \"Нет открытой смены\""));
    EXPECT_THROW(HeadlessHost(values, sink), std::logic_error);
}

// The per-pump entries are invisible under an invisible menu, run by their shortcuts: a path
// reaches them as a shortcut does, only while they and their menu are enabled.
TEST_F(HeadlessHostTest, InvisibleEntriesRunByPathUnlessTheyOrTheirMenuAreDisabled) {
    HeadlessHost host(values, sink);
    MemoryMenuItem& history = host.menu().insert(-1, "История продаж");
    history.setVisible(false);
    std::vector<std::string> clicked;
    for (const char* caption : {"ТРК #1", "ТРК №1", "ТРК #2"}) {
        MemoryMenuItem& pump = history.insert(-1, caption);
        pump.setVisible(false);
        pump.setOnClick([&clicked](KvtMenuItem& item) { clicked.push_back(item.caption()); });
    }
    history.item(2)->setEnabled(false);
    host.click(runnableMenuPath(host.menu(), "История продаж/ТРК #1"));
    host.click(runnableMenuPath(host.menu(), "История продаж/ТРК №1"));
    EXPECT_THAT(clicked, ElementsAre("ТРК #1", "ТРК №1"));
    EXPECT_TRUE(events.empty());

    struct Refusal {
        bool menuEnabled;
        std::string path;
        std::string message;
    };
    const std::vector<Refusal> refusals{
        {true, "История продаж/ТРК #2", "Пункт меню \"История продаж/ТРК #2\" недоступен"},
        {true, "История продаж/ТРК #3", "Нет пункта меню \"История продаж/ТРК #3\""},
        {false, "История продаж/ТРК #1",
         "Пункт меню \"История продаж/ТРК #1\" находится в недоступном меню \"История продаж\""},
    };
    for (const auto& [menuEnabled, path, message] : refusals) {
        history.setEnabled(menuEnabled);
        try {
            runnableMenuPath(host.menu(), path);
            ADD_FAILURE() << path;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}

// The plug-in's server runs beyond the host's reach; the plug-in passes every vedFilter on
// through the host's services, a repeated one too, and tells nobody once the host is gone.
class HeadlessHostVedFilterTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        appserver::writeDemoDatabase(base() / "station.db");
        ui::installVedFilterTrace();
    }
    void TearDown() override {
        appserver::setVedFilterObserver({});
        FreshRoot::TearDown();
    }
};

TEST_F(HeadlessHostVedFilterTest, EveryVedFilterOfThePluginsServerIsAnEvent) {
    std::vector<std::string> events;
    appserver::StationServer server(base() / "station.db");
    {
        HeadlessHost host(HostValues{},
                          [&events](const std::string& line) { events.push_back(line); });
        for (const std::int32_t value : {1, 17, 16, 0, 0})
            server.setVedFilter(value);
    }
    server.setVedFilter(1);
    EXPECT_THAT(events, ElementsAre("vedFilter 1", "vedFilter 17", "vedFilter 16", "vedFilter 0",
                                    "vedFilter 0"));
}

}  // namespace
}  // namespace kvt::host
