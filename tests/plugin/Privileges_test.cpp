#include <gmock/gmock.h>

#include "PluginFixture.h"
#include "infra/SafeIniFiles.h"
#include "infra/tools.h"

namespace kvt::test {
namespace {

using ::testing::ElementsAre;

using PrivilegesTest = PluginTest;

const char* const kStatementEntries[] = {"&Журналы/Отчеты/Сменный отчет по ведомостям",
                                         "&Журналы/Отчеты/Сменный отчет по контрагенту",
                                         "&Журналы/Отчеты/Отпуск по ведомости за период",
                                         "&Журналы/Отчеты/Отпуск по контрагенту за период",
                                         "&Журналы/Отчеты/Отпуск по автомобилю за период",
                                         "&Журналы/Отчеты/Отпуск по водителю за период"};

host::MemoryMenuItem& hostSeparator(TestHost& host) {
    host::MemoryMenuItem& reports = host.entry("&Журналы/Отчеты");
    for (std::int32_t i = 0; i < reports.count(); ++i)
        if (reports.item(i)->name() == "VedSep")
            return *reports.item(i);
    throw std::out_of_range("VedSep");
}

TEST_F(PrivilegesTest, DefaultPaymentTypesWithoutHostCaptions) {
    startHost();
    const plugin::PayTypes& payments = module().Payments;
    ASSERT_EQ(payments.PayTypeCount, 13);
    EXPECT_EQ(payments.PayTypeCaptions.at(0).toString(), "Наличные");
    EXPECT_EQ(payments.PayTypeCaptions.at(12).toString(), "ЛБР");
    EXPECT_EQ(payments.PayTypeTable.at(4, 0).toString(), "Ведомость +");
    EXPECT_EQ(payments.PayTypeTable.at(4, 1).toString(), "4");
    EXPECT_EQ(payments.PayTypeTable.at(4, 2).toString(), "4");
    EXPECT_EQ(payments.PayTypeTable.at(4, 3).toString(), "-1");
    EXPECT_EQ(payments.PayTypeTable.at(4, 3).type(), VarType::Str);
    EXPECT_EQ(payments.codes(),
              (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_TRUE(payments.StatementsEnabled);
    EXPECT_TRUE(host().entry(kStatementEntries[0]).visible());
    EXPECT_TRUE(beeps().empty());
}

TEST_F(PrivilegesTest, HostListDecidesCodesKindsAndStatements) {
    host().values.set(19, Variant::list({Variant("&Нал"), Variant("Ведомость 104"), Variant("")}));
    host().values.setPayTypes({{0, true, 3}, {104, true, 9}, {208, true, 1}});
    startHost();
    const plugin::PayTypes& payments = module().Payments;
    ASSERT_EQ(payments.PayTypeCount, 3);
    EXPECT_EQ(payments.PayTypeCaptions.at(0).toString(), "Нал");
    EXPECT_EQ(payments.PayTypeCaptions.at(2).toString(), "");
    EXPECT_EQ(payments.PayTypeTable.at(1, 1).toString(), "104");
    EXPECT_EQ(payments.PayTypeTable.at(1, 2).toString(), "4");
    EXPECT_EQ(payments.PayTypeTable.at(1, 3).toString(), "9");
    EXPECT_EQ(payments.PayTypeTable.at(2, 2).toString(), "8");
    EXPECT_TRUE(payments.StatementsEnabled);
    EXPECT_TRUE(host().entry("&Ведомости").enabled());
}

TEST_F(PrivilegesTest, ADisabledStatementTypeTakesEveryStatementEntryAway) {
    host().values.set(19, Variant::list({Variant("Нал"), Variant("Ведомость")}));
    host().values.setPayTypes({{0, true, 0}, {104, false, 0}});
    startHost();
    EXPECT_FALSE(module().Payments.StatementsEnabled);
    for (const char* path : kStatementEntries) {
        EXPECT_FALSE(host().entry(path).visible()) << path;
        EXPECT_FALSE(host().entry(path).enabled()) << path;
    }
    EXPECT_FALSE(hostSeparator(host()).visible());
    // The statements menu of the host is disabled but stays where it is.
    EXPECT_FALSE(host().entry("&Ведомости").enabled());
    EXPECT_TRUE(host().entry("&Ведомости").visible());

    // New payment types alone change the table, not the menu.
    host().values.setPayTypes({{0, true, 0}, {104, true, 0}});
    plugin::UpdateVidOpl();
    EXPECT_TRUE(module().Payments.StatementsEnabled);
    EXPECT_FALSE(host().entry(kStatementEntries[0]).visible());
    plugin::SetNewUserPriv(&host().root, TestHost::GetHostValue);
    EXPECT_TRUE(host().entry(kStatementEntries[0]).visible());
}

TEST_F(PrivilegesTest, AFailingHostListCostsABeepAndRowNumbersServe) {
    host().payTypeListFailure = [] { throw std::runtime_error("список недоступен"); };
    startHost();
    EXPECT_THAT(beeps(), ElementsAre(platform::RecordingBeep::Call{500, 100}));
    EXPECT_EQ(module().Payments.PayTypeCount, 13);
    EXPECT_EQ(module().Payments.PayTypeTable.at(12, 1).toString(), "12");
}

TEST_F(PrivilegesTest, CaptionsBeyondThirteenWithoutAListBeepAndGetCodeZero) {
    std::vector<Variant> captions;
    for (int i = 0; i < 15; ++i)
        captions.emplace_back("Тип " + std::to_string(i));
    host().values.set(19, Variant::list(captions));
    startHost();
    EXPECT_EQ(beeps().size(), 2u);
    EXPECT_EQ(module().Payments.PayTypeTable.at(13, 1).toString(), "0");
    EXPECT_EQ(module().Payments.PayTypeTable.at(14, 2).toString(), "0");
}

TEST_F(PrivilegesTest, AListShorterThanTheCaptionsLeavesTheTableEmptySilently) {
    host().values.set(19, Variant::list({Variant("Нал"), Variant("Карта")}));
    host().values.setPayTypes({{0, true, 0}});
    startHost();
    EXPECT_EQ(module().Payments.PayTypeCount, 2);
    EXPECT_TRUE(module().Payments.PayTypeTable.isEmpty());
    EXPECT_TRUE(beeps().empty());
}

TEST_F(PrivilegesTest, HostValuesGovernTheirEntries) {
    host().values.set(5, Variant(false));
    host().values.set(6, Variant(false));
    host().values.set(1, Variant(false));
    host().values.set(2, Variant(true));
    startHost();
    EXPECT_FALSE(host().entry("&Журналы/Отчеты/Отчеты по бонусам и скидкам").visible());
    EXPECT_TRUE(host().entry("&Журналы/Отчеты/Непроизведенные возвраты на терминал").visible());
    EXPECT_FALSE(host().entry("&Журналы/Отчеты/Экспорт журнала по резервуарам").visible());
    EXPECT_FALSE(host().entry("&Настройка/Отчеты").visible());
    EXPECT_FALSE(host().entry("&Журналы/Отчеты/Текущий сменный отчет").visible());
    EXPECT_TRUE(host().entry("&Журналы/Отчеты/Текущий сменный отчет").enabled());

    host().values.set(2, Variant(false));
    host().values.set(5, Variant(true));
    plugin::SetNewUserPriv(&host().root, TestHost::GetHostValue);
    EXPECT_FALSE(host().entry("&Журналы/Отчеты/Непроизведенные возвраты на терминал").visible());
    EXPECT_TRUE(host().entry("&Настройка/Отчеты").visible());
    EXPECT_FALSE(host().entry("&Журналы/Отчеты/Текущий сменный отчет").visible());
}

TEST_F(PrivilegesTest, ManagersSeeTheCardListAndTheDailyReportWhenConfigured) {
    struct Case {
        int level;
        const char* show;
        bool cards;
        bool daily;
    };
    for (const Case c : {Case{3, "1", true, true}, Case{3, "`1`", true, true},
                         Case{3, "0", true, false}, Case{2, "1", false, false}}) {
        SCOPED_TRACE(std::to_string(c.level) + " " + c.show);
        TearDown();
        SetUp();
        TSafeIniFile(ConfigFileName()).WriteString("Reports", "ShowDaySmenaFinReport", c.show);
        host().values.set(15, Variant(std::int32_t{c.level}));
        startHost();
        EXPECT_EQ(host().entry("&Журналы/Отчеты/Общий список дисконтных  карт").visible(), c.cards);
        EXPECT_EQ(host().entry("&Журналы/Отчеты/Финансовый суточно сменный отчет").visible(),
                  c.daily);
    }
}

TEST_F(PrivilegesTest, SetNewUserPrivSeedsTheShiftReportSection) {
    startHost();
    TSafeIniFile ini(ConfigFileName());
    EXPECT_EQ(ini.ReadInteger("SmenaRep", "Rep3_0", 0), 4);
    EXPECT_EQ(ini.ReadString("SmenaRep", "RepPath3_0", ""), "Smena2.FRM");
    EXPECT_EQ(ini.ReadString("SmenaRep", "WebRepPath0_0", ""), "Шапка сменного отчета.html");
}

TEST_F(PrivilegesTest, AHostValueOfTheWrongKindIsAClearError) {
    host().values.set(6, Variant("не число"));
    EXPECT_THROW(startHost(), std::exception);
}

TEST_F(PrivilegesTest, WithoutGetHostValueNothingIsAskedAndTheTableStaysEmpty) {
    host::addStationMenus(host().root);
    initMenu();
    plugin::SetGetValue(TestHost::GetValue);
    EXPECT_THROW(plugin::SetNewUserPriv(&host().root, nullptr), plugin::EReportError);
    EXPECT_EQ(module().Payments.PayTypeCount, 0);
    EXPECT_FALSE(module().MenuExtrasAdded);
    EXPECT_THROW(plugin::HostValue(12), plugin::EReportError);
}

}  // namespace
}  // namespace kvt::test
