// The fuel receipt and pump-out logs (reports 0 and 31) and the pump sales history (report 10)
// over a small station whose every line is known.
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "appserver/DemoData.h"
#include "appserver/StationDatabase.h"
#include "host/reports/FuelLog.h"
#include "host/reports/PumpHistory.h"
#include "host/reports/ReportFamily.h"
#include "hostreports/StationText.h"
#include "infra/DateTime.h"
#include "platform/CodePage.h"
#include "platform/PathMap.h"
#include "support/DemoTemplates.h"
#include "support/TestRoot.h"

namespace kvt::host {
namespace {

namespace fs = std::filesystem;
using reporttest::t;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kFuelOld = "C:\\VEDA\\FORMS\\REPORT\\PrxLog.FRM";
const std::string kFuelNew = "C:\\VEDA\\FORMS\\WEBREP\\Журнал поступления и откачки топлива.html";
const std::string kPumpOld = "C:\\VEDA\\FORMS\\REPORT\\TrkHistory.FRM";
const std::string kPumpNew = "C:\\VEDA\\FORMS\\WEBREP\\История продаж по ТРК.html";

DateTime day(int d, int hour = 0, int minute = 0) {
    return EncodeDate(2024, 3, d) + EncodeTime(hour, minute, 0, 0);
}

// Three shifts (the last open), five receipts and pump-outs spread over them, and the log of
// pump 1 with a line of every kind the history tells apart; pump 2 has one line of its own.
void writeTestStation(const fs::path& file) {
    const appserver::Connection db = appserver::createStationDatabase(file);
    appserver::execute(
        db,
        "BEGIN;"
        "INSERT INTO Station VALUES ('АЗС «Тест»', 3);"
        "INSERT INTO VidOpl VALUES (0, 0, '&Наличные', 1, 0), (1, 1, '&Платеж. терминал', 1, 1),"
        " (2, 104, '&Ведомость по договору', 1, 4);"
        "INSERT INTO SmLog (SmNum, BegTime, EndTime, Operator) VALUES"
        " (1, " +
            t("2024-03-01 08:00") + ", " + t("2024-03-01 20:00") +
            ", 'Иванова'),"
            " (2, " +
            t("2024-03-01 20:00") + ", " + t("2024-03-02 08:00") +
            ", 'Петров'),"
            " (3, " +
            t("2024-03-02 08:00") +
            ", NULL, 'Сидоров');"
            "INSERT INTO Prx (OpNum, Date, SmNum, Operator, GSMName, CarVolTTN, SiloName, BegTime,"
            " EndTime, SiloLevelBefore, SiloLevelAfter, Fact1, Dopusk, Delta, UdVes, Temper, "
            "FactPlotn,"
            " Prihod, Prim, CarName) VALUES"
            " (1, " +
            t("2024-03-01") + ", 1, 'Иванова', 'АИ-92', 5000, 'Р1', " + t("2024-03-01 13:00") +
            ", " + t("2024-03-01 13:40") +
            ", 2000, 6990.6, 4990.6, 25, -9.4, 0.745, 12.5, 0.7451, 1,"
            " 'ТТН №1', 'МАЗ'),"
            " (2, " +
            t("2024-03-01") +
            ", 1, 'Иванова', 'ДТ', 100, 'Р2', NULL, NULL, NULL, NULL, 100,"
            " NULL, 0, NULL, NULL, NULL, 0, 'на поверку', NULL),"
            " (3, " +
            t("2024-03-01") +
            ", 2, 'Петров', 'ДТ', 8000, 'Р2', NULL, NULL, NULL, NULL, 7990,"
            " NULL, -10, NULL, NULL, NULL, 1, NULL, 'КАМАЗ'),"
            " (4, " +
            t("2024-03-02") +
            ", 3, 'Сидоров', 'АИ-92', 3000, 'Р3', NULL, NULL, NULL, NULL,"
            " 3001.5, NULL, 1.5, NULL, NULL, NULL, 1, NULL, NULL),"
            " (5, " +
            t("2024-03-02") +
            ", 3, 'Сидоров', 'АИ-92', 200, 'Р1', NULL, NULL, NULL, NULL,"
            " 200, NULL, 0, NULL, NULL, NULL, 0, NULL, NULL);"
            "INSERT INTO Trk (ID, Trk, Time, Client, Gsm, Operation, Op1, AutoMobil, Op2, Liters, "
            "Summa)"
            " VALUES"
            " (1, '1', " +
            t("2024-03-01 09:00") +
            ", 1, 'АИ-92', 0, 0, NULL, 0, 20, 1000),"
            " (2, '1', " +
            t("2024-03-01 09:02") +
            ", 1, 'АИ-92', 3, 0, NULL, 0, 20, 1000),"
            " (3, '1', " +
            t("2024-03-01 10:00") +
            ", 2, 'ДТ', 0, 104, 'А123ВС', 1, 30, 1800),"
            " (4, '1', " +
            t("2024-03-01 10:03") +
            ", 2, 'ДТ', 132, 104, 'А123ВС', 257, 25, 1500),"
            " (5, '1', " +
            t("2024-03-01 10:05") +
            ", 2, NULL, 5, 999, NULL, 999, NULL, 300),"
            " (6, '1', " +
            t("2024-03-01 11:00") +
            ", 1, 'АИ-92', 7, 55, NULL, 2, 40.5, 2025),"
            " (7, '1', " +
            t("2024-03-01 11:00") +
            ", 1, 'АИ-92', 8, NULL, NULL, 3, 0, 0),"
            " (8, '1', " +
            t("2024-03-02 09:00") +
            ", 3, 'АИ-92', 6, 1, NULL, 4, 10, 500),"
            " (9, '2', " +
            t("2024-03-01 09:30") +
            ", 1, 'АИ-92', 3, 0, NULL, 0, 15, 750);"
            "COMMIT;");
}

class LogReportsTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database_ = base() / "station.db";
        writeTestStation(database_);
    }

    ReportPages produce(std::int32_t reportNo, const Variant& params,
                        std::optional<std::int32_t> currentShift = std::nullopt) {
        for (const ReportFamily& family : reportFamilies()) {
            if (std::ranges::find(family.numbers, reportNo) != family.numbers.end())
                return family.produce(
                    reportNo, params,
                    {.database = database_, .currentShift = currentShift, .now = day(2, 12)});
        }
        throw std::logic_error("no family answers report " + std::to_string(reportNo));
    }

    fs::path database_;
};

Variant ops(std::int32_t first, std::int32_t last) {
    return Variant::list({Variant(first), Variant(last)});
}

Variant currentOps() {
    return Variant::list({Variant::i1(-1), Variant::i1(-1)});
}

TEST_F(LogReportsTest, TheFuelLogsListTheirDirectionsOperationsOfARangeOrOfTheCurrentShift) {
    test::writeTemplate(kFuelOld,
                        "{{Title}}\n"
                        "{{#if Current}}\n"
                        "смена {{Shift}}\n"
                        "{{#else}}\n"
                        "{{FirstOp}}-{{LastOp}}\n"
                        "{{/if}}\n"
                        "{{#each Prx}}\n"
                        "{{OpNum}} {{SmNum}} {{Gsm}} {{Silo}} {{Car}} {{Volume:.1}} {{Fact:.1}} "
                        "{{Delta:.1}}\n"
                        "{{#else}}\n"
                        "пусто\n"
                        "{{/each}}\n"
                        "= {{sum Prx.Volume:.1}} {{sum Prx.Fact:.1}} {{sum Prx.Delta:.1}}\n");
    const struct {
        std::int32_t reportNo;
        Variant params;
        std::optional<std::int32_t> currentShift;
        std::string text;
    } cases[] = {
        {kFuelReceiptLog,
         ops(1, 3),
         {},
         "Журнал поступления топлива\r\n1-3\r\n"
         "1 1 АИ-92 Р1 МАЗ 5000,0 4990,6 -9,4\r\n"
         "3 2 ДТ Р2 КАМАЗ 8000,0 7990,0 -10,0\r\n"
         "= 13000,0 12980,6 -19,4\r\n"},
        {kFuelReceiptLog,
         ops(3, 5),
         {},
         "Журнал поступления топлива\r\n3-5\r\n"
         "3 2 ДТ Р2 КАМАЗ 8000,0 7990,0 -10,0\r\n"
         "4 3 АИ-92 Р3  3000,0 3001,5 1,5\r\n"
         "= 11000,0 10991,5 -8,5\r\n"},
        // What the shift runner sends for a shift without receipts.
        {kFuelReceiptLog,
         ops(1, 0),
         {},
         "Журнал поступления топлива\r\n1-0\r\nпусто\r\n= 0,0 0,0 0,0\r\n"},
        {kPumpOutLog,
         ops(1, 5),
         {},
         "Журнал откачки топлива\r\n1-5\r\n"
         "2 1 ДТ Р2  100,0 100,0 0,0\r\n"
         "5 3 АИ-92 Р1  200,0 200,0 0,0\r\n"
         "= 300,0 300,0 0,0\r\n"},
        // The current shift: the console's, else the latest of the shift log.
        {kFuelReceiptLog,
         currentOps(),
         {},
         "Журнал поступления топлива\r\nсмена 3\r\n"
         "4 3 АИ-92 Р3  3000,0 3001,5 1,5\r\n"
         "= 3000,0 3001,5 1,5\r\n"},
        {kFuelReceiptLog, currentOps(), 1,
         "Журнал поступления топлива\r\nсмена 1\r\n"
         "1 1 АИ-92 Р1 МАЗ 5000,0 4990,6 -9,4\r\n"
         "= 5000,0 4990,6 -9,4\r\n"},
        {kPumpOutLog, currentOps(), 2,
         "Журнал откачки топлива\r\nсмена 2\r\nпусто\r\n= 0,0 0,0 0,0\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(produce(c.reportNo, c.params, c.currentShift).text, c.text)
            << c.reportNo << " " << c.params.canonical();
    }
}

TEST_F(LogReportsTest, AFuelLogShowsEveryColumnOfTheOperation) {
    test::writeTemplate(
        kFuelNew,
        "{{#each Prx}}\n"
        "{{OpNum}}|{{Date:\"dd.mm.yyyy\"}}|{{SmNum}}|{{BegTime}}|{{EndTime}}|{{Operator}}|"
        "{{Gsm}}|{{Silo}}|{{Car}}|{{Volume:.1}}|{{LevelBefore:.1}}|{{LevelAfter:.1}}|"
        "{{Fact:.1}}|{{Dopusk:.1}}|{{Delta:.1}}|{{UdVes:.3}}|{{Density:.4}}|"
        "{{Temper:.1}}|{{Note}}\n"
        "{{/each}}\n");
    const std::string html = produce(kFuelReceiptLog, ops(1, 1)).html;
    EXPECT_THAT(html, HasSubstr("<title>Журнал поступления топлива</title>"));
    EXPECT_THAT(html, HasSubstr("1|01.03.2024|1|01.03.2024 13:00|01.03.2024 13:40|Иванова|АИ-92|"
                                "Р1|МАЗ|5000,0|2000,0|6990,6|4990,6|25,0|-9,4|0,745|0,7451|12,5|"
                                "ТТН №1\r\n"));
    EXPECT_THAT(produce(kPumpOutLog, ops(1, 1)).html,
                HasSubstr("<title>Журнал откачки топлива</title>"));
}

TEST_F(LogReportsTest, TheCurrentShiftOfAnEmptyShiftLogIsAnError) {
    appserver::createStationDatabase(database_ = base() / "empty.db");
    try {
        produce(kFuelReceiptLog, currentOps());
        ADD_FAILURE() << "an empty shift log gave a report";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Журнал смен пуст: текущей смены нет");
    }
}

Variant period(const std::string& pump, DateTime begin, DateTime end, bool current = false) {
    return Variant::list({Variant(pump), Variant(std::int32_t{-1}), Variant::date(begin),
                          Variant::date(end), Variant(current)});
}

Variant records(const std::string& pump, std::int32_t number) {
    return Variant::list({Variant(pump), Variant(number)});
}

TEST_F(LogReportsTest, ThePumpHistoryShowsAPeriodOrTheLatestRecordsOldestFirst) {
    test::writeTemplate(kPumpOld,
                        "{{Pump}} {{Current}} {{Records}} [{{BegTime:\"dd hh:nn\"}} - "
                        "{{EndTime:\"dd hh:nn\"}}]\n"
                        "{{#each Trk}}\n"
                        "{{Time:\"dd hh:nn\"}} {{Operation}} {{Liters:.1}}\n"
                        "{{#else}}\n"
                        "пусто\n"
                        "{{/each}}\n"
                        "= {{SaleCount}} {{SoldLiters:.1}} {{SoldSumma:.2}}\n");
    const struct {
        Variant params;
        std::string text;
    } cases[] = {
        {period("1", day(1), day(1, 23, 59)),
         "1 0 0 [01 00:00 - 01 23:59]\r\n"
         "01 09:00 Заказано 20,0\r\n"
         "01 09:02 Отлито 20,0\r\n"
         "01 10:00 Заказано 30,0\r\n"
         "01 10:03 Недолито 25,0\r\n"
         " Сдача \r\n"
         "01 11:00 Перелив 40,5\r\n"
         "01 11:00 ????? 0,0\r\n"
         "= 3 85,5 4525,00\r\n"},
        {period("1", day(1, 10, 3), day(2, 12), true),
         "1 1 0 [01 10:03 - 02 12:00]\r\n"
         "01 10:03 Недолито 25,0\r\n"
         " Сдача \r\n"
         "01 11:00 Перелив 40,5\r\n"
         "01 11:00 ????? 0,0\r\n"
         "02 09:00 Авар.останов 10,0\r\n"
         "= 3 75,5 4025,00\r\n"},
        {period("1", day(3), day(4)), "1 0 0 [03 00:00 - 04 00:00]\r\nпусто\r\n= 0 0,0 0,00\r\n"},
        {period("2", day(1), day(2)),
         "2 0 0 [01 00:00 - 02 00:00]\r\n01 09:30 Отлито 15,0\r\n= 1 15,0 750,00\r\n"},
        // Row 1 of the pump log window is the newest line; two lines of one time come in the
        // order they were logged.
        {records("1", 1),
         "1 0 1 [02 09:00 - 02 09:00]\r\n02 09:00 Авар.останов 10,0\r\n"
         "= 1 10,0 500,00\r\n"},
        {records("1", 3),
         "1 0 3 [01 11:00 - 02 09:00]\r\n"
         "01 11:00 Перелив 40,5\r\n"
         "01 11:00 ????? 0,0\r\n"
         "02 09:00 Авар.останов 10,0\r\n"
         "= 2 50,5 2525,00\r\n"},
        {records("1", 2),
         "1 0 2 [01 11:00 - 02 09:00]\r\n"
         "01 11:00 ????? 0,0\r\n"
         "02 09:00 Авар.останов 10,0\r\n"
         "= 1 10,0 500,00\r\n"},
        {records("2", 5),
         "2 0 5 [01 09:30 - 01 09:30]\r\n01 09:30 Отлито 15,0\r\n= 1 15,0 750,00\r\n"},
        {records("3", 5), "3 0 5 [ - ]\r\nпусто\r\n= 0 0,0 0,00\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(produce(kPumpHistory, c.params).text, c.text) << c.params.canonical();
}

TEST_F(LogReportsTest, ThePumpHistoryShowsTheCodedColumnsAsThePumpLogWindowDoes) {
    test::writeTemplate(
        kPumpNew,
        "{{#each Trk}}\n"
        "{{Time:\"hh:nn\"}}|{{Client}}|{{Gsm}}|{{Operation}}|{{VidOpl}}|{{Customer}}|"
        "{{Dose}}|{{Liters:.2}}|{{Summa:.2}}\n"
        "{{/each}}\n");
    const std::string html = produce(kPumpHistory, period("1", day(1), day(3))).html;
    EXPECT_THAT(html, HasSubstr("<title>История продаж по ТРК</title>"));
    EXPECT_THAT(html,
                HasSubstr("<body>\r\n"
                          "09:00|1|АИ-92|Заказано|Наличные||Литры|20,00|1000,00\r\n"
                          "09:02|1|АИ-92|Отлито|Наличные||Литры|20,00|1000,00\r\n"
                          "10:00|2|ДТ|Заказано|Ведомость по дого|А123ВС|Сумма|30,00|1800,00\r\n"
                          "10:03|2|ДТ|Недолито|Ведомость по дого|А123ВС|Сумма|25,00|1500,00\r\n"
                          "|2||Сдача|||||300,00\r\n"
                          "11:00|1|АИ-92|Перелив|Оплата: 55||Бак|40,50|2025,00\r\n"
                          "11:00|1|АИ-92|?????|||?????|0,00|0,00\r\n"
                          "09:00|3|АИ-92|Авар.останов|Платеж. терминал||---|10,00|500,00\r\n"
                          "</body>"));
}

// Every family refuses a malformed array with the element named, before it opens the station.
TEST_F(LogReportsTest, MalformedParameterArraysAreRefusedNamingTheElement) {
    database_ = base() / "missing.db";
    const auto pumpPeriod = [](std::size_t index, Variant value) {
        Variant params = period("1", day(1), day(2));
        params.at(static_cast<std::int32_t>(index)) = std::move(value);
        return params;
    };
    const struct {
        std::int32_t reportNo;
        Variant params;
        std::string message;
    } cases[] = {
        {kFuelReceiptLog, Variant(std::int32_t{5}),
         "Журнал поступления топлива (№0): ожидается массив из 2 элементов, получено I4(5)"},
        {kPumpOutLog, Variant::list({Variant(std::int32_t{1})}),
         "Журнал откачки топлива (№31): ожидается массив из 2 элементов, получено "
         "Array[0..0](I4(1))"},
        {kPumpOutLog, Variant::list({Variant("1"), Variant(std::int32_t{2})}),
         "Журнал откачки топлива (№31): элемент 0 (первая операция): ожидается целое число, "
         "получено Str(\"1\")"},
        {kFuelReceiptLog, Variant::list({Variant(std::int32_t{1}), Variant(2.0)}),
         "Журнал поступления топлива (№0): элемент 1 (последняя операция): ожидается целое "
         "число, получено R8(2)"},
        {kFuelReceiptLog, Variant::list({Variant::i1(-1), Variant(std::int32_t{4})}),
         "Журнал поступления топлива (№0): элемент 0 (первая операция): ожидается номер "
         "операции от 0 или -1 в обоих элементах (текущая смена), получено I1(-1)"},
        {kPumpHistory, Variant::list({Variant("1")}),
         "История продаж по ТРК (№10): ожидается массив из 5 или 2 элементов, получено "
         "Array[0..0](Str(\"1\"))"},
        {kPumpHistory, records("1", 0),
         "История продаж по ТРК (№10): элемент 1 (номер записи): ожидается номер записи от 1, "
         "получено I4(0)"},
        {kPumpHistory, Variant::list({Variant("1"), Variant("3")}),
         "История продаж по ТРК (№10): элемент 1 (номер записи): ожидается целое число"},
        {kPumpHistory, pumpPeriod(0, Variant(std::int32_t{1})),
         "История продаж по ТРК (№10): элемент 0 (ТРК): ожидается строка, получено I4(1)"},
        {kPumpHistory, pumpPeriod(1, Variant(std::int32_t{5})),
         "История продаж по ТРК (№10): элемент 1 (признак периода): ожидается -1 (отчет за "
         "период), получено I4(5)"},
        {kPumpHistory, pumpPeriod(2, Variant(45000.0)),
         "История продаж по ТРК (№10): элемент 2 (начало периода): ожидается дата и время, "
         "получено R8(45000)"},
        {kPumpHistory, pumpPeriod(3, Variant("01.03.2024")),
         "История продаж по ТРК (№10): элемент 3 (конец периода): ожидается дата и время"},
        {kPumpHistory, pumpPeriod(4, Variant(std::int32_t{1})),
         "История продаж по ТРК (№10): элемент 4 (текущая смена): ожидается логическое значение, "
         "получено I4(1)"},
    };
    for (const auto& c : cases) {
        try {
            produce(c.reportNo, c.params);
            ADD_FAILURE() << "accepted " << c.params.canonical();
        } catch (const std::runtime_error& error) {
            EXPECT_THAT(error.what(), HasSubstr(c.message)) << c.params.canonical();
        }
    }
}

// The console's own templates, laid as scripts/demo.sh lays them, on the demo station.
TEST_F(LogReportsTest, TheDemoTemplatesRenderEveryLogWithoutNoticesAndTheirTablesLineUp) {
    appserver::writeDemoDatabase(database_ = base() / "demo.db", {12, 1});
    test::layDemoTemplates();
    const auto characters = [](const std::string& line) {
        return std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
    };
    const struct {
        std::int32_t reportNo;
        Variant params;
        std::string expected;
    } cases[] = {
        {kFuelReceiptLog, ops(1, 1000), "Журнал поступления топлива"},
        {kPumpOutLog, ops(1, 1000), "Журнал откачки топлива"},
        {kFuelReceiptLog, ops(1, 0), "Операций нет"},
        {kPumpOutLog, currentOps(), "Текущая смена №"},
        {kPumpHistory, period("1", day(1), day(4)), "ИСТОРИЯ ПРОДАЖ ПО ТРК 1"},
        {kPumpHistory, records("2", 5), "до записи №5"},
    };
    for (const auto& c : cases) {
        const ReportPages pages = produce(c.reportNo, c.params);
        for (const std::string& page : {pages.text, pages.html}) {
            EXPECT_THAT(page, Not(HasSubstr("Шаблон не"))) << c.params.canonical();
            EXPECT_THAT(page, Not(HasSubstr("Ошибка в шаблоне"))) << c.params.canonical();
            EXPECT_THAT(page, HasSubstr("АЗС №7 «Северная»")) << c.params.canonical();
        }
        EXPECT_THAT(pages.text, HasSubstr(c.expected));
        std::ptrdiff_t width = 0;
        for (const std::string& line : test::splitLines(pages.text)) {
            const bool table = line.starts_with('+') || line.starts_with('|');
            if (table && width != 0) {
                EXPECT_EQ(characters(line), width) << line;
            }
            width = table ? characters(line) : 0;
        }
    }
}

}  // namespace
}  // namespace kvt::host
