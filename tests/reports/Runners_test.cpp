// The shift-based report runners, each from its menu entry to the viewer: what the operator is
// asked, what the console receives for each pick, and the data module left at rest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Registry.h"
#include "reports/RunnerFixture.h"

namespace kvt::reports {
namespace {

const std::string kMenu = "&Журналы/Отчеты/";

std::string array(const std::vector<std::string>& elements) {
    std::string text = "Array[0.." + std::to_string(elements.size() - 1) + "](";
    for (std::size_t i = 0; i < elements.size(); ++i)
        text += (i ? ", " : "") + elements[i];
    return text + ")";
}

std::string date(double value) {
    return Variant::date(value).canonical();
}

// Payment types 0 to 12 with those of `chosen` ticked.
std::string payTypes(std::initializer_list<int> chosen) {
    std::vector<std::string> flags(13, "I4(0)");
    for (const int code : chosen)
        flags[static_cast<std::size_t>(code)] = "I4(1)";
    return array(flags);
}

void writeReportsValues(const std::string& key,
                        const std::vector<std::pair<std::string, std::int32_t>>& values) {
    platform::Registry registry(platform::RootKey::LocalMachine);
    ASSERT_TRUE(registry.openKey("SOFTWARE\\Nordvik\\KVT\\Reports\\" + key, true));
    for (const auto& [name, value] : values)
        registry.writeInteger(name, value);
}

class RunnersTest : public test::RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        test::writeStationLog(test::shifts({5, 6, 7}), {"1", "2"});
        startRunners();
    }

    // Receipts 1 to 3 in shift 5 and 6, a pump-out 4 in shift 6; the notes tell them apart.
    static void addFuelOperations() {
        addToStation(
            "INSERT INTO Prx (OpNum, Date, SmNum, BegTime, Prihod, CarName, Prim) VALUES"
            " (1, 105, 5, 105.1, 1, 'А001', 'п1'), (2, 105, 5, 105.2, 1, '', 'п2'),"
            " (3, 106, 6, 106.1, 1, 'Б002', 'п3'), (4, 106, 6, 106.2, 0, 'А001', 'п4');");
    }

    // One pick, its report seen and closed, then the list cancelled.
    std::vector<std::string> pickAndClose(const std::string& entry, const std::string& pick) {
        return run(entry, R"([{"form": "TSmenaListFrm", "do": [)" + pick +
                              R"(]}, {"form": "TRptFrm", "do": [{"close": "cancel"}]},
                                   {"form": "TSmenaListFrm", "do": [{"close": "cancel"}]}])");
    }
};

const char* const kPickShift6 =
    R"({"selectRows": {"DBGrid1": {"field": "SmNum", "values": [6]}}}, {"click": "BitBtn1"})";
const char* const kPickShifts5To7 =
    R"({"selectRows": {"DBGrid1": {"field": "SmNum", "values": [7, 5]}}}, {"click": "BitBtn1"})";
const char* const kPickCurrent = R"({"key": "F4"})";

TEST_F(RunnersTest, FuelReceiptsByOperationOfferTheReceiptsAndSendThePickedRange) {
    addFuelOperations();
    const std::vector<std::string> events = run(kMenu + "Поступления топлива", R"([
        {"form": "TSmenaListFrm", "do": [
            {"selectRows": {"DBGrid1": {"field": "Prim", "values": ["п3", "п1"]}}},
            {"click": "BitBtn1"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"close": "cancel"}]}])");
    EXPECT_EQ(events, (std::vector<std::string>{"Shown TSmenaListFrm \"Выберите привоз ГСМ\"",
                                                "Shown TRptFrm \"Журнал поступления топлива\"",
                                                "Shown TSmenaListFrm \"Выберите привоз ГСМ\""}));
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"0 " + array({"I4(1)", "I4(3)"}), "55 Array[0..-1]()"}));
    EXPECT_FALSE(module().DBFrm->PrxTable.Active());
    EXPECT_FALSE(module().DBFrm->PrxTable.Filtered());
    expectCleanedUp();
}

TEST_F(RunnersTest, AnEmptyLogSaysSoAndAsksNothing) {
    for (const char* entry : {"Откачка топлива", "Поступления топлива"}) {
        const std::vector<std::string> events = run(kMenu + entry, "[]");
        EXPECT_EQ(events, (std::vector<std::string>{"MessageBox \"Информация\" \"Список пуст\""}))
            << entry;
    }
    EXPECT_TRUE(calls().empty());
    expectCleanedUp();
}

TEST_F(RunnersTest, FuelLogsByShiftSendTheShiftsOperationsAnEmptyRangeOrTheCurrentShift) {
    addFuelOperations();
    struct Case {
        const char* entry;
        const char* pick;
        const char* expected;
    } cases[] = {
        {"Сменное поступление топлива", kPickShifts5To7, "0 Array[0..1](I4(1), I4(3))"},
        {"Сменное поступление топлива", kPickShift6, "0 Array[0..1](I4(3), I4(3))"},
        {"Сменная откачка топлива", kPickShift6, "31 Array[0..1](I4(4), I4(4))"},
        {"Сменная откачка топлива", kPickShifts5To7, "31 Array[0..1](I4(4), I4(4))"},
        {"Сменное поступление топлива",
         R"({"selectRows": {"DBGrid1": {"field": "SmNum", "values": [7]}}}, {"click": "BitBtn1"})",
         "0 Array[0..1](I4(1), I4(0))"},
        {"Сменная откачка топлива", kPickCurrent, "31 Array[0..1](I4(-1), I4(-1))"},
    };
    for (const Case& c : cases) {
        host().reportCalls.clear();
        pickAndClose(kMenu + c.entry, c.pick);
        ASSERT_EQ(calls().size(), 2u) << c.entry << " " << c.pick;
        EXPECT_EQ(calls()[0], c.expected) << c.entry << " " << c.pick;
        EXPECT_FALSE(module().DBFrm->PrxTable.Active());
        EXPECT_FALSE(module().DBFrm->PrxTable.Filtered());
        expectCleanedUp();
    }
}

TEST_F(RunnersTest, TheBonusReportSendsItsSettingsAndTheHostsShiftForTheCurrentOne) {
    const std::vector<std::string> events =
        pickAndClose(kMenu + "Отчеты по бонусам и скидкам", kPickShifts5To7);
    EXPECT_EQ(events[0], "Shown TSmenaListFrm \"Выберите смену для отчета по бонусам и скидкам\"");
    EXPECT_EQ(events[1], "Shown TRptFrm \"СМЕННЫЙ ОТЧЕТ ПО БОНУСАМ И СКИДКАМ\"");
    EXPECT_EQ(calls()[0], "9 " + array({"I4(5)", payTypes({0}), "Bool(false)", "I4(7)",
                                        "Bool(true)", "Bool(true)"}));

    host().reportCalls.clear();
    writeReportsValues("BonusRep", {{"NullStr", 1}, {"ShowGSMItog", 0}, {"PayType3", 1}});
    pickAndClose(kMenu + "Отчеты по бонусам и скидкам", kPickCurrent);
    EXPECT_EQ(calls()[0], "9 " + array({"I4(77)", payTypes({0, 3}), "Bool(true)", "I4(77)",
                                        "Bool(false)", "Bool(true)"}));
    expectCleanedUp();
}

TEST_F(RunnersTest, TheReturnsReportCreatesItsKeyOnFirstUseAndSendsItsOptions) {
    pickAndClose(kMenu + "Отчеты по возвратам", kPickShifts5To7);
    EXPECT_EQ(calls()[0], "34 " + array({payTypes({0}), "I4(0)", "I4(1)", date(105), date(107.5),
                                         "I4(5)", "Str(\"Оператор 7\")", "I4(7)", "I4(3)"}));
    platform::Registry registry(platform::RootKey::LocalMachine);
    ASSERT_TRUE(registry.openKeyReadOnly("SOFTWARE\\Nordvik\\KVT\\Reports\\BackRep"));
    EXPECT_EQ(registry.readInteger("PayType0"), 1);

    host().reportCalls.clear();
    writeReportsValues("BackRep", {{"RepProp", 6}, {"NullStr", 1}});
    pickAndClose(kMenu + "Отчеты по возвратам", kPickCurrent);
    EXPECT_EQ(calls()[0], "34 " + array({payTypes({0}), "I4(7)", "I4(1)", "I4(3)"}));
    expectCleanedUp();
}

TEST_F(RunnersTest, ReturnCertificatesReadTheCurrentRowOrOnlyHostValues) {
    const std::vector<std::string> events = run(kMenu + "Акты возвратов", R"([
        {"form": "TSmenaListFrm", "do": [
            {"current": {"DBGrid1": {"field": "SmNum", "value": 6}}}, {"click": "BitBtn1"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"click": "CurBtn"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"close": "cancel"}]}])");
    EXPECT_EQ(events[1], "Shown TRptFrm \"Сменный отчет по возвратам\"");
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"21 " + array({date(106), date(106.5), "I4(6)",
                                                       "Str(\"Оператор 6\")", "I4(1)", "I4(3)"}),
                                        "55 Array[0..-1]()", "22 " + array({"I4(1)", "I4(3)"}),
                                        "55 Array[0..-1]()"}));
    expectCleanedUp();
}

TEST_F(RunnersTest, TerminalReturnsNameTheOperatorOfASingleShiftOnly) {
    const std::string entry = kMenu + "Непроизведенные возвраты на терминал";
    const std::vector<std::string> events = pickAndClose(entry, kPickShifts5To7);
    EXPECT_EQ(events[0],
              "Shown TSmenaListFrm \"Выберите смену для отчета по непроизведенным "
              "возвратам на терминал\"");
    EXPECT_EQ(calls()[0], "19 " + array({"I4(5)", date(105), date(107.5), "Str(\"\")", "I4(7)"}));
    host().reportCalls.clear();
    pickAndClose(entry, kPickShift6);
    EXPECT_EQ(calls()[0],
              "19 " + array({"I4(6)", date(106), date(106.5), "Str(\"Оператор 6\")", "I4(6)"}));
    expectCleanedUp();
}

TEST_F(RunnersTest, TheCouponReportSendsTheShiftsTimesAndZeroTimesForTheCurrentShift) {
    pickAndClose(kMenu + "Отчеты по номерным талонам", kPickShift6);
    pickAndClose(kMenu + "Отчеты по номерным талонам", kPickCurrent);
    ASSERT_EQ(calls().size(), 4u);
    EXPECT_EQ(calls()[0], "46 " + array({date(106), date(106.5), payTypes({9})}));
    EXPECT_EQ(calls()[2], "46 " + array({date(0), date(0), payTypes({9})}));
}

TEST_F(RunnersTest, TheCardReportSendsThePatternAndAMaskThatLeavesUnsetTypesUnassigned) {
    writeReportsValues("CardRep", {{"PayType1", 1}, {"PayType6", 0}, {"PayType7", 2}});
    std::vector<std::string> mask(13, "Empty");
    mask[1] = "I4(1)";
    mask[6] = mask[7] = "I4(0)";
    const std::string entry = kMenu + "Отчеты по картам";
    const std::vector<std::string> events = run(entry, R"([
        {"form": "TSmenaListFrm", "do": [{"set": {"edSimpleText": "12*3*"}},
            {"selectRows": {"DBGrid1": {"field": "SmNum", "values": [6]}}}, {"click": "BitBtn1"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"set": {"edSimpleText": ""}}, {"key": "F4"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"close": "cancel"}]}])");
    EXPECT_EQ(events[1], "Shown TRptFrm \"Отливы по номеру карты\"");
    EXPECT_EQ(events[3], "Shown TRptFrm \"Отливы по пластиковым картам\"");
    EXPECT_EQ(calls()[0], "52 " + array({"I4(6)", "I4(6)", date(106), date(106.5), array(mask),
                                         "Str(\"12%3%\")"}));
    EXPECT_EQ(calls()[2],
              "52 " + array({"I4(0)", "I4(0)", "I4(0)", "I4(0)", array(mask), "Str(\"\")"}));
    expectCleanedUp();
}

TEST_F(RunnersTest, ThePumpHistoryAsksForAPumpAndAPeriod) {
    const std::vector<std::string> events = run(kMenu + "История продаж по ТРК", R"([
        {"form": "TSmenaListFrm", "do": [{"click": "TrkBtn2"},
            {"selectRows": {"DBGrid1": {"field": "SmNum", "values": [6]}}}, {"click": "BitBtn1"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]},
        {"form": "TSmenaListFrm", "do": [{"close": "cancel"}]}])");
    EXPECT_EQ(events[0], "Shown TSmenaListFrm \"Выберите номер ТРК\"");
    EXPECT_EQ(events[1], "Shown TRptFrm \"История продаж по ТРК\"");
    EXPECT_EQ(calls()[0],
              "10 " + array({"Str(\"2\")", "I1(-1)", date(106), date(106.5), "Bool(false)"}));
    expectCleanedUp();

    test::writeStationLog(test::shifts({5}));
    EXPECT_EQ(run(kMenu + "История продаж по ТРК", "[]"),
              (std::vector<std::string>{"MessageBox \"Информация\" \"Список пуст\""}));
    expectCleanedUp();
}

TEST_F(RunnersTest, AConsoleErrorInTheLoopReachesTheHostWithEverythingClosed) {
    addFuelOperations();
    host().produce = [](std::int32_t, const Variant&) -> std::string {
        throw std::runtime_error("База данных недоступна");
    };
    for (const char* entry : {"Сменное поступление топлива", "Отчеты по картам"}) {
        host::DialogScript driver(host::DialogScript::parse(std::string("[{\"form\": "
                                                                        "\"TSmenaListFrm\", "
                                                                        "\"do\": [") +
                                                            kPickShift6 + "]}]"),
                                  [](const std::string&) {});
        host::MemoryMenuItem& item = host().entry(kMenu + entry);
        EXPECT_THROW(item.onClick()(item), std::runtime_error) << entry;
        EXPECT_FALSE(module().DBFrm->PrxTable.Active());
        EXPECT_FALSE(module().DBFrm->PrxTable.Filtered());
        expectCleanedUp();
    }
}

// The live log of a pump, opened by its hidden entry as its shortcut would.
class PumpLogTest : public test::RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        test::writeStationLog(test::shifts({6}));
        // Newest first in the log: 4, 3, 2, 1.
        addToStation(
            "INSERT INTO Trk (ID, Trk, Time, Client, Gsm, Operation, Op1, Op2, Liters, Summa) "
            "VALUES (1, '1', 106.1, 1, 'АИ-92', 3, 0, 0, 10, 500),"
            " (2, '1', 106.2, 1, '', 129, 999, 256, NULL, NULL),"
            " (3, '1', 106.3, 2, 'ДТ', 8, 55, 3, 5, 300),"
            " (4, '1', 106.4, 2, 'АИ-92', 999, 1, 2, 1, 50),"
            " (5, '2', 106.5, 2, 'ДТ', 3, 0, 0, 7, 420);");
        startRunners(1);
    }
};

TEST_F(PumpLogTest, TheHiddenEntryShowsThePumpsLogAndPrintsUpToTheSelectedRow) {
    const std::vector<std::string> events = run("История продаж/ТРК #1", R"([
        {"form": "TfmTRKHistory", "do": [{"select": {"DBGrid1": 2}}, {"key": "F5"},
                                         {"close": "cancel"}]},
        {"form": "TRptFrm", "do": [{"close": "cancel"}]}])");
    EXPECT_EQ(events, (std::vector<std::string>{"Shown TfmTRKHistory \"Журнал по ТРК '1'\"",
                                                "Shown TRptFrm \"История продаж по ТРК\""}));
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"10 Array[0..1](Str(\"1\"), I4(3))", "55 Array[0..-1]()"}));
    EXPECT_FALSE(module().DBFrm->TrkLog.Active());
    EXPECT_FALSE(module().DBFrm->KVTServer.Connected());

    // The texts the window showed, through the handlers it left on the fields.
    data::TDBFrm& db = *module().DBFrm;
    db.TrkLog.Params().ParamByName("TrkName").SetAsString("1");
    db.TrkLog.Open();
    std::vector<std::string> shown;
    for (int recNo = 1; recNo <= db.TrkLog.RecordCount(); ++recNo) {
        std::string row;
        for (const data::Field* field :
             {&db.TrkLogTime, &db.TrkLogOperation, &db.TrkLogOp1, &db.TrkLogOp2})
            row += "|" + db.TrkLog.FieldTextAt(recNo, *field);
        shown.push_back(row);
    }
    db.TrkLog.Close();
    db.KVTServer.Close();
    const std::string time1 =
        data::fieldValueText(Variant::date(106.1), appserver::FieldType::DateTime);
    const std::string time3 =
        data::fieldValueText(Variant::date(106.3), appserver::FieldType::DateTime);
    const std::string time4 =
        data::fieldValueText(Variant::date(106.4), appserver::FieldType::DateTime);
    EXPECT_EQ(shown,
              (std::vector<std::string>{
                  "|" + time4 + "||Платеж. терминал|Бак", "|" + time3 + "|?????|Оплата: 55|?????",
                  "||Прод.отлива||Литры", "|" + time1 + "|Отлито|Наличные|Литры"}));
}

}  // namespace
}  // namespace kvt::reports
