// The statement and contract reports from their entries to the viewer: the counterparty picked in
// the statement dialog from either directory, the arrays the console receives, and the server's
// vedFilter set and reset around the older organisation directory.
#include <gtest/gtest.h>

#include <QDate>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/ParamVedomForm.h"
#include "infra/DateTime.h"
#include "reports/RunnerFixture.h"

namespace kvt::reports {
namespace {

const std::string kMenu = "&Журналы/Отчеты/";

std::string array(const std::vector<std::string>& elements) {
    std::string text = "Array[0.." + std::to_string(static_cast<int>(elements.size()) - 1) + "](";
    for (std::size_t i = 0; i < elements.size(); ++i)
        text += (i ? ", " : "") + elements[i];
    return text + ")";
}

std::string str(const std::string& text) {
    return Variant(text).canonical();
}

// Payment types 0 to 12 with those of `chosen` ticked.
std::string payTypes(std::initializer_list<int> chosen) {
    std::vector<std::string> flags(13, "I4(0)");
    for (const int code : chosen)
        flags[static_cast<std::size_t>(code)] = "I4(1)";
    return array(flags);
}

// The station server as one without the contractor directory, recording vedFilter.
class OrganisationsOnlyServer : public appserver::AppServer {
public:
    OrganisationsOnlyServer(std::unique_ptr<appserver::AppServer> station,
                            std::vector<std::int32_t>& vedFilters)
        : station_(std::move(station)), vedFilters_(vedFilters) {}
    std::unique_ptr<appserver::RecordCursor> openProvider(
        const std::string& provider, const appserver::ProviderRequest& request) override {
        if (provider.starts_with("Vd"))
            throw appserver::ServerError("Провайдер \"" + provider + "\" не найден");
        return station_->openProvider(provider, request);
    }
    Variant GetKVTConfig() override { return station_->GetKVTConfig(); }
    std::int32_t vedFilter() const override { return station_->vedFilter(); }
    void setVedFilter(std::int32_t value) override {
        vedFilters_.push_back(value);
        station_->setVedFilter(value);
    }

private:
    std::unique_ptr<appserver::AppServer> station_;
    std::vector<std::int32_t>& vedFilters_;
};

class StatementRunnersTest : public test::RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        test::writeStationLog(test::shifts({5, 6, 7}));
        addToStation(
            "INSERT INTO VdContractor (ID, Name) VALUES ('c1', 'ООО «Альфа»'), ('c2', 'ИП Бета');"
            "INSERT INTO VdCar (ID, CID, Name) VALUES ('a1', 'c1', 'КАМАЗ'), ('a2', 'c2', "
            "'ГАЗель');"
            "INSERT INTO VdDriver (ID, CID, Name) VALUES ('d1', 'c1', 'Иванов'), "
            "('d2', 'c2', 'Петров');"
            "INSERT INTO vedOrg (Name, VidOplat) VALUES ('ООО \"Гамма\"', 4), ('АО Дельта', 4);"
            "INSERT INTO vedAuto (ID, Name, NumberAuto) VALUES ('v1', 'ООО \"Гамма\"', 'А001АА'),"
            " ('v2', 'АО Дельта', 'В002ВВ');");
        startRunners();
    }

    // The in-process server without contractors from now on.
    void withoutContractors() {
        module().DBFrm->KVTServer.ServerFactory = [this] {
            return std::make_unique<OrganisationsOnlyServer>(
                appserver::createStationServer(appserver::defaultStationDatabase()), vedFilters);
        };
    }

    std::vector<std::int32_t> vedFilters;
};

std::string timeText(double value) {
    return str(DateTimeToStr(value));
}

const char* const kPickShifts5To7 =
    R"({"selectRows": {"DBGrid1": {"field": "SmNum", "values": [7, 5]}}}, {"click": "BitBtn1"})";
const char* const kViewer = R"({"form": "TRptFrm", "do": [{"close": "cancel"}]})";
const char* const kCancelDialog = R"({"form": "TParamVedomFrm", "do": [{"click": "BitBtn2"}]})";
const char* const kCancelList = R"({"form": "TSmenaListFrm", "do": [{"close": "cancel"}]})";

std::string dialogStep(const std::string& actions) {
    return R"({"form": "TParamVedomFrm", "do": [)" + actions + R"(, {"click": "BitBtn1"}]})";
}

std::string script(const std::vector<std::string>& steps) {
    std::string text = "[";
    for (std::size_t i = 0; i < steps.size(); ++i)
        text += (i ? ", " : "") + steps[i];
    return text + "]";
}

TEST_F(StatementRunnersTest, TheCounterpartyShiftReportSendsTheContractorAndTheGroupingOrder) {
    const std::vector<std::string> events =
        run(kMenu + "Сменный отчет по контрагенту",
            script({R"({"form": "TSmenaListFrm", "do": [)" + std::string(kPickShifts5To7) + "]}",
                    dialogStep(R"({"current": {"OrgGrid": {"field": "Name", "value": "ИП Бета"}}},
                    {"check": {"chbDriver": true, "chbAuto": true}},
                    {"drag": {"chbAuto": {"button": "right", "dy": -25}}})"),
                    kViewer, kCancelDialog, kCancelList}));
    EXPECT_EQ(events[1], "Shown TParamVedomFrm \"Выберите необходимые параметры для отчета\"");
    EXPECT_EQ(events[2], "Shown TRptFrm \"СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ\"");
    EXPECT_EQ(calls()[0], "15 " + array({timeText(105), timeText(107.5), str("ИП Бета"), str("5"),
                                         str("Оператор 5"), str("7"), payTypes({4}), "Bool(true)",
                                         "Bool(true)", "Bool(false)"}));
    EXPECT_EQ(dialogs::CurrentParamVedomFrm(), nullptr);
    EXPECT_FALSE(module().DBFrm->VDCnt.Active());
    EXPECT_FALSE(module().DBFrm->VDCar.Active());
    expectCleanedUp();
}

TEST_F(StatementRunnersTest, WithoutContractorsTheOrganisationsAreUsedInsideTheirVedFilter) {
    withoutContractors();
    run(kMenu + "Сменный отчет по контрагенту",
        script({R"({"form": "TSmenaListFrm", "do": [)" + std::string(kPickShifts5To7) + "]}",
                dialogStep(R"({"current": {"OrgGrid": {"field": "Name", "value": "АО Дельта"}}})"),
                kViewer, kCancelDialog, R"({"form": "TSmenaListFrm", "do": [{"key": "F4"}]})",
                dialogStep(R"({"check": {"chbDriver": true}})"), kViewer, kCancelDialog,
                kCancelList}));
    ASSERT_EQ(calls().size(), 4u);
    EXPECT_EQ(calls()[0], "15 " + array({timeText(105), timeText(107.5), str("АО Дельта"), str("5"),
                                         str("Оператор 5"), str("7"), payTypes({4})}));
    EXPECT_EQ(calls()[2], "17 " + array({str("АО Дельта"), payTypes({4})}));
    EXPECT_EQ(vedFilters, (std::vector<std::int32_t>{1, 17, 16, 0, 1, 17, 16, 0}));
    EXPECT_FALSE(module().DBFrm->vdOrg.Active());
    EXPECT_FALSE(module().DBFrm->vdAuto.Active());
    expectCleanedUp();
}

TEST_F(StatementRunnersTest, TheCurrentShiftGivesTheCurrentCounterpartyReportAndReturnsToTheList) {
    const std::vector<std::string> events =
        run(kMenu + "Сменный отчет по контрагенту",
            script({R"({"form": "TSmenaListFrm", "do": [{"key": "F4"}]})",
                    dialogStep(R"({"check": {"chbAuto": true}})"), kViewer, kCancelDialog,
                    kCancelList}));
    EXPECT_EQ(events[2], "Shown TRptFrm \"ТЕКУЩИЙ СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ\"");
    EXPECT_EQ(events[3], "Shown TParamVedomFrm \"Выберите необходимые параметры для отчета\"");
    EXPECT_EQ(events[4], "Shown TSmenaListFrm \"Выберите смену\"");
    EXPECT_EQ(calls()[0], "17 " + array({str("ИП Бета"), payTypes({4}), "Bool(false)", "Bool(true)",
                                         "Bool(true)"}));
    expectCleanedUp();
}

TEST_F(StatementRunnersTest, StatementAndContractShiftReportsSendTextsOrTheCurrentShift) {
    const std::string pick =
        R"({"form": "TSmenaListFrm", "do": [)" + std::string(kPickShifts5To7) + "]}";
    const std::string current = R"({"form": "TSmenaListFrm", "do": [{"key": "F4"}]})";
    const std::string shift6 =
        R"({"form": "TSmenaListFrm", "do": [{"selectRows": {"DBGrid1": {"field": "SmNum",
            "values": [6]}}}, {"click": "BitBtn1"}]})";
    std::vector<std::string> events = run(kMenu + "Сменный отчет по ведомостям",
                                          script({pick, kViewer, current, kViewer, kCancelList}));
    EXPECT_EQ(events[1], "Shown TRptFrm \"СМЕННЫЙ ОТПУСК ПО \\\"Ведомость +\\\"\"");
    EXPECT_EQ(calls()[0], "14 " + array({timeText(105), timeText(107.5), str("5"), str(""),
                                         str("7"), payTypes({4})}));
    EXPECT_EQ(calls()[2], "16 " + array({payTypes({4})}));

    host().reportCalls.clear();
    events = run(kMenu + "Сменный отчет по договорам",
                 script({shift6, kViewer, current, kViewer, kCancelList}));
    EXPECT_EQ(events[1], "Shown TRptFrm \"Сменный отпуск по договорам\"");
    EXPECT_EQ(events[3], "Shown TRptFrm \"Текущий сменный отчет по договорам\"");
    EXPECT_EQ(calls()[0],
              "25 " + array({Variant::date(106).canonical(), Variant::date(106.5).canonical(),
                             str("6"), str("Оператор 6"), payTypes({8})}));
    EXPECT_EQ(calls()[2], "26 " + array({"I4(0)", payTypes({8})}));
    expectCleanedUp();
}

const char* const kPeriod =
    R"({"set": {"BegDate": "01.03.2024", "EndDate": "02.03.2024", "BegTimeEdit": "08:30"}})";

TEST_F(StatementRunnersTest, PeriodReportsSendThePeriodAsShownAndTheModesChoice) {
    const struct {
        const char* entry;
        std::string actions;
        std::string expected;
    } cases[] = {
        {"Отпуск по ведомости за период", kPeriod,
         "11 " + array({str("01.03.2024 08:30"), str("02.03.2024 00:00"), payTypes({4})})},
        {"Отпуск по контрагенту за период",
         std::string(kPeriod) + R"(, {"check": {"chbDriver": true}})",
         "12 " + array({str("01.03.2024 08:30"), str("02.03.2024 00:00"), str("ИП Бета"),
                        "Bool(true)", "Bool(false)", "Bool(true)", payTypes({4})})},
        {"Отпуск по автомобилю за период",
         std::string(kPeriod) +
             R"(, {"current": {"OrgGrid": {"field": "Name", "value": "ООО «Альфа»"}}})",
         "13 " + array({str("01.03.2024 08:30"), str("02.03.2024 00:00"), str("ООО «Альфа»"),
                        str("КАМАЗ"), payTypes({4})})},
        {"Отпуск по водителю за период",
         std::string(kPeriod) +
             R"(, {"current": {"OrgGrid": {"field": "Name", "value": "ООО «Альфа»"}}})",
         "53 " + array({str("01.03.2024 08:30"), str("02.03.2024 00:00"), str("ООО «Альфа»"),
                        str("Иванов"), payTypes({4})})},
    };
    for (const auto& c : cases) {
        host().reportCalls.clear();
        run(kMenu + c.entry, script({dialogStep(c.actions), kViewer, kCancelDialog}));
        ASSERT_EQ(calls().size(), 2u) << c.entry;
        EXPECT_EQ(calls()[0], c.expected) << c.entry;
        EXPECT_FALSE(module().DBFrm->KVTServer.Connected()) << c.entry;
        EXPECT_FALSE(module().DBFrm->VDCnt.Active()) << c.entry;
    }
    EXPECT_TRUE(vedFilters.empty());
}

TEST_F(StatementRunnersTest, PeriodReportsOverOrganisationsLogTheFallbackAndKeepTheirVedFilter) {
    withoutContractors();
    run(kMenu + "Отпуск по ведомости за период",
        script({dialogStep(kPeriod), kViewer, kCancelDialog}));
    EXPECT_TRUE(vedFilters.empty());
    EXPECT_EQ(calls().size(), 2u);
    const std::vector<std::string> log = logLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.ends_with(
            "Ошибка открытия окна свойств по ведомостям: Провайдер "
            "\"VdContractorDSP\" не найден");
    })) << log.front();

    host().reportCalls.clear();
    run(kMenu + "Отпуск по автомобилю за период",
        script(
            {dialogStep(std::string(kPeriod) +
                        R"(, {"current": {"OrgGrid": {"field": "Name", "value": "АО Дельта"}}})"),
             kViewer, kCancelDialog}));
    EXPECT_EQ(calls()[0], "13 " + array({str("01.03.2024 08:30"), str("02.03.2024 00:00"),
                                         str("АО Дельта"), str("В002ВВ"), payTypes({4})}));
    // The organisation picked stands for the counterparty when there are no contractors.
    host().reportCalls.clear();
    run(kMenu + "Отпуск по контрагенту за период",
        script(
            {dialogStep(std::string(kPeriod) +
                        R"(, {"current": {"OrgGrid": {"field": "Name", "value": "АО Дельта"}}})"),
             kViewer, kCancelDialog}));
    EXPECT_EQ(calls()[0],
              "12 " + array({str("01.03.2024 08:30"), str("02.03.2024 00:00"), str("АО Дельта"),
                             "Bool(false)", "Bool(false)", "Bool(true)", payTypes({4})}));
    // A run leaves the server disconnected even when it found it connected.
    module().DBFrm->KVTServer.Open();
    host().reportCalls.clear();
    run(kMenu + "Отпуск по водителю за период", script({dialogStep(kPeriod), kCancelDialog}));
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(vedFilters, (std::vector<std::int32_t>{1, 17, 16, 0, 1, 17, 16, 0, 1, 17, 16, 0}));
    EXPECT_FALSE(module().DBFrm->KVTServer.Connected());
}

TEST_F(StatementRunnersTest, WithoutAFifthPaymentTypeTheStatementTitleFailsAfterTheReport) {
    host().values.set(19,
                      Variant::list({Variant("Наличные"), Variant("Терминал"), Variant("Карты")}));
    plugin::UpdateVidOpl();
    std::vector<std::string> events;
    host::DialogScript driver(
        host::DialogScript::parse(R"([{"form": "TSmenaListFrm", "do": [{"key": "F4"}]}])"),
        [&events](const std::string& line) { events.push_back(line); });
    host::MemoryMenuItem& item = host().entry(kMenu + "Сменный отчет по ведомостям");
    EXPECT_THROW(item.onClick()(item), plugin::EReportError);
    EXPECT_EQ(calls(), (std::vector<std::string>{"16 Array[0..0](Array[0..2](I4(0), I4(0), I4(0)))",
                                                 "55 Array[0..-1]()"}));
    expectCleanedUp();
}

}  // namespace
}  // namespace kvt::reports
