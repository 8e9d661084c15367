// The bonus and discount, returns, return certificate, terminal return, coupon and card reports
// (9, 34, 21, 22, 19, 46, 52) over a small station whose every sale and return is known.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "appserver/StationDatabase.h"
#include "host/reports/BonusReport.h"
#include "host/reports/CardReport.h"
#include "host/reports/CouponReport.h"
#include "host/reports/ReturnActsReport.h"
#include "host/reports/ReturnsReport.h"
#include "host/reports/TerminalReturnsReport.h"
#include "hostreports/StationText.h"
#include "infra/DateTime.h"
#include "support/DemoTemplates.h"
#include "support/TestRoot.h"

namespace kvt::host {
namespace {

namespace fs = std::filesystem;
using reporttest::DataOf;
using reporttest::flags;
using reporttest::i4;
using reporttest::Strings;
using reporttest::t;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

Variant at(int day, int hour) {
    return Variant::date(EncodeDate(2024, 3, day) + EncodeTime(hour, 0, 0, 0));
}

// Shifts 1 (01.03 08-20, Иванова), 2 (to 02.03 08, Петров) and 3 (open, Сидорова); payment types
// cash 0, terminal 1, coupons 9, discount cards 10 and statement 4, in that order.
constexpr std::string_view kStation =
    "INSERT INTO Station VALUES ('АЗС «Тест»', 3);"
    "INSERT INTO Gsm VALUES (1, 'АИ-92', 500000), (2, 'ДТ', 600000);"
    "INSERT INTO VidOpl VALUES (0, 0, '&Наличные', 1, 0), (1, 1, '&Платеж. терминал', 1, 1),"
    " (2, 9, '&Талоны', 1, 9), (3, 10, '&Дисконтные карты', 1, 10), (4, 4, '&Ведомость', 1, 4);";

std::string shifts() {
    return "INSERT INTO SmLog (SmNum, BegTime, EndTime, Operator) VALUES (1, " +
           t("2024-03-01 08:00") + ", " + t("2024-03-01 20:00") + ", 'Иванова'), (2, " +
           t("2024-03-01 20:00") + ", " + t("2024-03-02 08:00") + ", 'Петров'), (3, " +
           t("2024-03-02 08:00") + ", NULL, 'Сидорова');";
}

// Pump log lines that end deliveries, each with its discount, bonus, card and coupon when it has
// any. Line 6 is an order, not a sale; codes 57 and 101 are missing from the payment types.
std::string sales(bool withExtras) {
    const struct {
        std::string id;
        std::string when;
        std::string line;  // pump, grade, operation, payment, litres, sum
        std::string extras;
    } lines[] = {
        {"1", "2024-03-01 09:00", "'1', 'АИ-92', 3, 0, 10, 500", "10, NULL, NULL, NULL"},
        {"2", "2024-03-01 09:30", "'1', 'ДТ', 3, 0, 20, 1200", ""},
        {"3", "2024-03-01 10:00", "'2', 'АИ-92', 4, 1, 5, 250", "NULL, 5, '1234567890', NULL"},
        {"4", "2024-03-01 11:00", "'2', 'ДТ', 3, 10, 30, 1800", "90, 18, '1234000011', NULL"},
        {"5", "2024-03-01 12:00", "'1', 'АИ-92', 3, 9, 20, 1000", "NULL, NULL, NULL, 'ТЛ100001'"},
        {"6", "2024-03-01 13:00", "'2', 'АИ-92', 0, 1, 40, 2000", "4, NULL, '1234567890', NULL"},
        {"7", "2024-03-01 14:00", "'1', 'ДТ', 3, 57, 8, 480", "NULL, NULL, '5700000001', NULL"},
        {"8", "2024-03-01 15:00", "'2', 'АИ-92', 131, 101, 6, 300",
         "NULL, NULL, 'O''Neil-1', NULL"},
        {"9", "2024-03-01 22:00", "'1', 'АИ-92', 3, 10, 10, 500", "25, NULL, '7789000001', NULL"},
        {"10", "2024-03-01 23:00", "'2', 'АИ-95', 7, 0, 4, 220", "NULL, 3, NULL, NULL"},
        {"11", "2024-03-02 09:00", "'1', 'АИ-92', 3, 9, 15, 750", "NULL, NULL, NULL, 'ТЛ100002'"},
        {"12", "2024-03-02 10:00", "'2', 'ДТ', 6, 1, 12, 720", "7.2, NULL, '1234567890', NULL"},
    };
    std::string sql;
    for (const auto& line : lines) {
        sql += "INSERT INTO Trk (ID, Time, Trk, Gsm, Operation, Op1, Liters, Summa) VALUES (" +
               line.id + ", " + t(line.when) + ", " + line.line + ");";
        if (withExtras && !line.extras.empty())
            sql += "INSERT INTO TrkSale VALUES (" + line.id + ", " + line.extras + ");";
    }
    return sql;
}

std::string returns() {
    return "INSERT INTO BackAct VALUES"
           " (1, 1, " +
           t("2024-03-01 10:10") +
           ", 'Иванова', '2', 'АИ-92', 1, 2.5, 125, '', '1234567890', 'Возврат на терминал'),"
           " (2, 1, " +
           t("2024-03-01 12:30") +
           ", 'Иванова', '1', 'ДТ', 0, 3, 180, 'А123ВС', '', 'Недолив'),"
           " (3, 1, " +
           t("2024-03-01 11:30") +
           ", 'Иванова', '2', 'АИ-92', 0, 1, 50, '', '', 'Сбой связи с ТРК'),"
           " (4, 2, " +
           t("2024-03-01 23:30") +
           ", 'Петров', '1', 'АИ-92', 57, 2, 100, '', '', 'Долив топлива'),"
           " (5, 3, " +
           t("2024-03-02 10:30") +
           ", 'Сидорова', '10', 'ДТ', 1, 4, 240, '', '7789000001', 'Возврат на терминал'),"
           " (6, 3, " +
           t("2024-03-02 11:00") +
           ", 'Сидорова', '2', 'ДТ', 1, 1, 60, '', '1234567890', 'Возврат на терминал');"
           "INSERT INTO BackCard VALUES (1, 1, " +
           t("2024-03-01 10:15") + ", '2', '1234567890', 'АИ-92', 1, 2.5, 125), (2, 3, " +
           t("2024-03-02 10:20") + ", '1', '7789000001', 'ДТ', 101, 1, 60);";
}

void writeStation(const fs::path& file, std::int32_t version) {
    const appserver::Connection db = appserver::createStationDatabase(file, version);
    const bool current = version == appserver::kStationSchemaVersion;
    appserver::execute(db, "BEGIN;" + std::string(kStation) + shifts() + sales(current) +
                               (current ? returns() : "") + "COMMIT;");
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string text(const Cell& cell) {
    if (const auto* value = std::get_if<std::string>(&cell))
        return *value;
    if (const auto* value = std::get_if<double>(&cell))
        return number(*value);
    return "";
}

template <class Defs>
std::size_t indexOf(const Defs& defs, const std::string& name) {
    const auto found =
        std::find_if(defs.begin(), defs.end(), [&](const auto& def) { return def.name == name; });
    return static_cast<std::size_t>(found - defs.begin());
}

// The named columns of a table's rows, "|" between them.
Strings rows(const ReportData& data, const std::string& table, const Strings& columns) {
    const std::size_t index = indexOf(data.schema().tables, table);
    const TableDef& def = data.schema().tables.at(index);
    Strings result;
    for (const TableRow& row : data.rows(index)) {
        std::string line;
        for (std::size_t i = 0; i < columns.size(); ++i)
            line += (i == 0 ? "" : "|") + text(row.at(indexOf(def.columns, columns[i])));
        result.push_back(line);
    }
    return result;
}

std::string scalar(const ReportData& data, const std::string& name) {
    return text(data.scalar(indexOf(data.schema().scalars, name)));
}

class SalesReportsTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database_ = base() / "station.db";
        writeStation(database_, appserver::kStationSchemaVersion);
    }

    ReportContext context(std::optional<std::int32_t> current = 3) const {
        return {.database = database_,
                .currentShift = current,
                .now = EncodeDate(2024, 3, 2) + EncodeTime(12, 0, 0, 0)};
    }

    fs::path database_;
};

const Strings kBonusColumns{"Itog", "VidOpl", "Gsm", "Count", "Summa", "Skidka", "Bonus"};

TEST_F(SalesReportsTest, BonusReportGroupsDiscountedSalesByPaymentTypeAndGrade) {
    const struct {
        std::string what;
        Variant params;
        Strings byPayType;
        Strings byGrade;
    } cases[] = {
        {"every type, both totals",
         Variant::list(
             {i4(1), flags({1, 1, 1, 1, 1}), Variant(false), i4(2), Variant(true), Variant(true)}),
         {"|Наличные|АИ-92|1|500|10|0", "|Наличные|АИ-95|1|220|0|3",
          "Итого: Наличные|Наличные||2|720|10|3", "|Платеж. терминал|АИ-92|1|250|0|5",
          "Итого: Платеж. терминал|Платеж. терминал||1|250|0|5",
          "|Дисконтные карты|АИ-92|1|500|25|0", "|Дисконтные карты|ДТ|1|1800|90|18",
          "Итого: Дисконтные карты|Дисконтные карты||2|2300|115|18"},
         {"АИ-92|3|1250|35|5", "ДТ|1|1800|90|18", "АИ-95|1|220|0|3"}},
        {"types without sales, no subtotals",
         Variant::list(
             {i4(1), flags({1, 0, 1, 0, 0}), Variant(true), i4(1), Variant(true), Variant(false)}),
         {"|Наличные|АИ-92|1|500|10|0", "|Талоны||0|0|0|0"},
         {"АИ-92|1|500|10|0"}},
        {"types without sales as subtotals, no grade totals",
         Variant::list(
             {i4(1), flags({1, 0, 1, 0, 0}), Variant(true), i4(1), Variant(false), Variant(true)}),
         {"|Наличные|АИ-92|1|500|10|0", "Итого: Наличные|Наличные||1|500|10|0",
          "Итого: Талоны|Талоны||0|0|0|0"},
         {}},
    };
    for (const auto& c : cases) {
        const ReportData data = bonusReportData(kBonusReport, c.params, context());
        EXPECT_THAT(rows(data, "BonusVidOpl", kBonusColumns), ElementsAreArray(c.byPayType))
            << c.what;
        EXPECT_THAT(rows(data, "BonusGsm", {"Gsm", "Count", "Summa", "Skidka", "Bonus"}),
                    ElementsAreArray(c.byGrade))
            << c.what;
    }
    const ReportData all = bonusReportData(kBonusReport, cases[0].params, context());
    EXPECT_EQ(scalar(all, "Count") + " " + scalar(all, "Summa") + " " + scalar(all, "Skidka") +
                  " " + scalar(all, "Bonus"),
              "5 3270 125 26");
}

const Strings kReturnColumns{"Itog", "VidOpl", "Trk", "ActNum", "Count", "Liters", "Summa"};

Variant chosenShifts(Variant mask, std::int32_t options, std::int32_t first, std::int32_t last,
                     Variant begin = Variant::date(0), const std::string& op = "") {
    return Variant::list({std::move(mask), i4(options), i4(1), std::move(begin), Variant::date(0),
                          i4(first), Variant(op), i4(last), i4(3)});
}

TEST_F(SalesReportsTest, ReturnsReportListsCertificatesByPaymentTypeWithTheAskedOptions) {
    const Strings cashShift1{"|Наличные|2|3|1|1|50", "|Наличные|1|2|1|3|180"};
    const struct {
        std::string what;
        Variant params;
        Strings rows;
        Strings summary;
    } cases[] = {
        {"plain",
         chosenShifts(flags({1, 1, 1, 1, 1}), 0, 1, 1),
         {cashShift1[0], cashShift1[1], "Итого: Наличные|Наличные|||2|4|230",
          "|Платеж. терминал|2|1|1|2.5|125",
          "Итого: Платеж. терминал|Платеж. терминал|||1|2.5|125"},
         {}},
        {"grouped by pump",
         chosenShifts(flags({1, 1, 1, 1, 1}), 4, 1, 1),
         {"|Наличные|1|2|1|3|180", "Итого по ТРК 1|Наличные|1||1|3|180", "|Наличные|2|3|1|1|50",
          "Итого по ТРК 2|Наличные|2||1|1|50", "Итого: Наличные|Наличные|||2|4|230",
          "|Платеж. терминал|2|1|1|2.5|125", "Итого по ТРК 2|Платеж. терминал|2||1|2.5|125",
          "Итого: Платеж. терминал|Платеж. терминал|||1|2.5|125"},
         {}},
        {"empty types and summary",
         chosenShifts(flags({1, 0, 1, 0, 0}), 3, 1, 1),
         {cashShift1[0], cashShift1[1], "Итого: Наличные|Наличные|||2|4|230",
          "Итого: Талоны|Талоны|||0|0|0"},
         {"Наличные|2|4|230", "Талоны|0|0|0"}},
        {"current shift, pumps in number order",
         Variant::list({flags({0, 1, 0, 0, 0}), i4(4), i4(1), i4(3)}),
         {"|Платеж. терминал|2|6|1|1|60", "Итого по ТРК 2|Платеж. терминал|2||1|1|60",
          "|Платеж. терминал|10|5|1|4|240", "Итого по ТРК 10|Платеж. терминал|10||1|4|240",
          "Итого: Платеж. терминал|Платеж. терминал|||2|5|300"},
         {}},
    };
    for (const auto& c : cases) {
        const ReportData data = returnsReportData(kReturnsReport, c.params, context());
        EXPECT_THAT(rows(data, "Vozvrat", kReturnColumns), ElementsAreArray(c.rows)) << c.what;
        EXPECT_THAT(rows(data, "Svod", {"VidOpl", "Count", "Liters", "Summa"}),
                    ElementsAreArray(c.summary))
            << c.what;
    }
}

TEST_F(SalesReportsTest, HeadersTakeTheRequestsTimesAndOperatorAndTheLogsOtherwise) {
    const Strings header{"FirstShift", "LastShift", "Current", "BegTime", "EndTime", "Operator"};
    const auto headerOf = [&](DataOf data, std::int32_t reportNo, const Variant& params,
                              std::optional<std::int32_t> current = 3) {
        const ReportData report = data(reportNo, params, context(current));
        std::string text;
        for (const auto& name : header)
            text += scalar(report, name) + ";";
        return text;
    };
    const std::string shift1 =
        "1;1;0;" + number(at(1, 8).toDouble()) + ";" + number(at(1, 20).toDouble()) + ";";
    EXPECT_EQ(headerOf(returnsReportData, 34, chosenShifts(flags({1}), 0, 1, 1)),
              shift1 + "Иванова;");
    EXPECT_EQ(
        headerOf(returnsReportData, 34, chosenShifts(flags({1}), 0, 1, 1, at(1, 9), "Смирнов")),
        "1;1;0;" + number(at(1, 9).toDouble()) + ";" + number(at(1, 20).toDouble()) + ";Смирнов;");
    EXPECT_EQ(headerOf(returnActsData, 22, Variant::list({i4(1), i4(3)}), std::nullopt),
              "3;3;1;" + number(at(2, 8).toDouble()) + ";;Сидорова;");
    EXPECT_EQ(
        headerOf(terminalReturnsData, 19,
                 Variant::list({i4(3), Variant::date(0), Variant::date(0), Variant(""), i4(3)})),
        "3;3;1;" + number(at(2, 8).toDouble()) + ";;Сидорова;");
    EXPECT_EQ(
        headerOf(couponReportData, 46, Variant::list({at(1, 8), Variant::date(0), flags({1})})),
        ";;0;" + number(at(1, 8).toDouble()) + ";;;");
    // A console that knows no current shift names it 0: the latest shift of the log.
    EXPECT_EQ(
        headerOf(terminalReturnsData, 19,
                 Variant::list({i4(0), Variant::date(0), Variant::date(0), Variant(""), i4(0)}),
                 std::nullopt),
        "3;3;1;" + number(at(2, 8).toDouble()) + ";;Сидорова;");
    EXPECT_EQ(headerOf(bonusReportData, 9,
                       Variant::list({i4(0), flags({1}), Variant(false), i4(0), Variant(true),
                                      Variant(true)}),
                       std::nullopt),
              "3;3;1;" + number(at(2, 8).toDouble()) + ";;Сидорова;");
}

TEST_F(SalesReportsTest, CertificatesAndTerminalReturnsNameUnknownPaymentCodes) {
    const Strings actColumns{"ActNum", "Operator", "Trk", "VidOpl", "Summa", "Reason"};
    EXPECT_THAT(rows(returnActsData(kReturnActs,
                                    Variant::list({Variant::date(0), Variant::date(0), i4(2),
                                                   Variant(""), i4(1), i4(0)}),
                                    context()),
                     "Akt", actColumns),
                ElementsAreArray({"4|Петров|1|Оплата: 57|100|Долив топлива"}));
    EXPECT_THAT(rows(returnActsData(kCurrentReturnActs, Variant::list({i4(1), i4(3)}), context()),
                     "Akt", actColumns),
                ElementsAreArray({"5|Сидорова|10|Платеж. терминал|240|Возврат на терминал",
                                  "6|Сидорова|2|Платеж. терминал|60|Возврат на терминал"}));

    const Strings owedColumns{"SmNum", "Trk", "CardNum", "VidOpl", "Summa"};
    const auto owed = [&](std::int32_t first, std::int32_t last) {
        return rows(terminalReturnsData(kTerminalReturns,
                                        Variant::list({i4(first), Variant::date(0),
                                                       Variant::date(0), Variant(""), i4(last)}),
                                        context()),
                    "BackCard", owedColumns);
    };
    EXPECT_THAT(owed(1, 3), ElementsAreArray({"1|2|1234567890|Платеж. терминал|125",
                                              "3|1|7789000001|Оплата: 101|60"}));
    EXPECT_THAT(owed(2, 2), IsEmpty());
}

TEST_F(SalesReportsTest, CouponReportTakesTheChosenTypesSalesWithACouponNumber) {
    const struct {
        Variant params;
        Strings coupons;
    } cases[] = {
        {Variant::list({at(1, 8), at(1, 20), flags({0, 0, 1, 0, 0})}), {"ТЛ100001|Талоны|1000"}},
        {Variant::list({Variant::date(0), Variant::date(0), flags({0, 0, 1, 0, 0})}),
         {"ТЛ100002|Талоны|750"}},
        {Variant::list({at(1, 8), Variant::date(0), flags({0, 0, 1, 0, 0})}),
         {"ТЛ100001|Талоны|1000", "ТЛ100002|Талоны|750"}},
        {Variant::list({at(1, 8), Variant::date(0), flags({1, 1, 0, 1, 1})}), {}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(rows(couponReportData(kCouponReport, c.params, context()), "Talon",
                         {"TalonNum", "VidOpl", "Summa"}),
                    ElementsAreArray(c.coupons))
            << c.params.canonical();
}

TEST_F(SalesReportsTest, CardReportHonoursTheMaskItsUnassignedElementsAndThePattern) {
    const Variant all = flags({1, 1, 1, 1, 1});
    const Variant unassigned =
        Variant::list({Variant(), Variant(), Variant(), Variant(), Variant()});
    const auto request = [](std::int32_t first, std::int32_t last, Variant mask,
                            const std::string& pattern) {
        return Variant::list({i4(first), i4(last), Variant::date(0), Variant::date(0),
                              std::move(mask), Variant(pattern)});
    };
    const struct {
        std::string what;
        Variant params;
        Strings cards;
    } cases[] = {
        {"every chosen type",
         request(1, 3, all, ""),
         {"1234567890", "1234000011", "7789000001", "1234567890"}},
        {"a prefix", request(1, 3, all, "1234%"), {"1234567890", "1234000011", "1234567890"}},
        {"single characters", request(1, 3, all, "1234_____0"), {"1234567890", "1234567890"}},
        {"unassigned: every card kind, unknown codes too",
         request(1, 3, unassigned, ""),
         {"1234567890", "1234000011", "O'Neil-1", "7789000001", "1234567890"}},
        {"a quote", request(1, 3, unassigned, "O'%"), {"O'Neil-1"}},
        {"text that would be SQL", request(1, 3, unassigned, "'; DELETE FROM Trk; --"), {}},
        {"unassigned beside one chosen",
         request(1, 3, Variant::list({Variant(), i4(1), Variant(), Variant(), Variant()}), ""),
         {"1234567890", "1234567890"}},
        {"every type left out", request(1, 3, flags({0, 0, 0, 0, 0}), ""), {}},
        {"one shift", request(1, 1, all, ""), {"1234567890", "1234000011"}},
        {"the current shift", request(0, 0, all, ""), {"1234567890"}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(rows(cardReportData(kCardReport, c.params, context()), "Card", {"CardNum"}),
                    ElementsAreArray(c.cards))
            << c.what;
    const ReportData data = cardReportData(kCardReport, request(1, 3, all, ""), context());
    EXPECT_THAT(rows(data, "CardItog", {"CardNum", "Count", "Summa"}),
                ElementsAreArray({"1234000011|1|1800", "1234567890|2|970", "7789000001|1|500"}));
    EXPECT_EQ(scalar(data, "Summa"), "3270");
}

TEST_F(SalesReportsTest, MalformedArraysAreRefusedNamingTheElement) {
    const Variant d = Variant::date(0);
    const struct {
        DataOf data;
        std::int32_t reportNo;
        Variant params;
        std::string message;
    } cases[] = {
        {bonusReportData, 9,
         Variant::list({i4(1), flags({1}), Variant(true), i4(1), Variant(true)}),
         "Отчет по бонусам и скидкам (№9): ожидается массив из 6 элементов"},
        {bonusReportData, 9,
         Variant::list({i4(1), flags({1}), i4(1), i4(1), Variant(true), Variant(true)}),
         "элемент 2 (виды оплаты без продаж): ожидается логическое значение"},
        {returnsReportData, 34, Variant::list({flags({1}), i4(0), i4(1), d, d}),
         "ожидается массив из 9 или 4 элементов"},
        {returnsReportData, 34,
         Variant::list(
             {flags({1}), i4(0), i4(1), Variant("x"), d, i4(1), Variant(""), i4(1), i4(0)}),
         "элемент 3 (начало периода): ожидается дата и время"},
        {returnActsData, 21, Variant::list({d, d, Variant("2"), Variant(""), i4(1), i4(0)}),
         "Акты возвратов (№21): элемент 2 (смена): ожидается целое число"},
        {returnActsData, 22, Variant::list({i4(1)}), "ожидается массив из 2 элементов"},
        {terminalReturnsData, 19, Variant::list({i4(1), d, d, i4(5), i4(1)}),
         "элемент 3 (оператор): ожидается строка"},
        {couponReportData, 46, Variant::list({d, d, i4(9)}),
         "элемент 2 (виды оплаты): ожидается одномерный массив"},
        {cardReportData, 52,
         Variant::list({i4(0), i4(0), d, d, Variant::list({i4(1), Variant("1")}), Variant("")}),
         "элемент 4 (виды оплаты): флаг вида оплаты: ожидается целое число"},
        {cardReportData, 52, Variant::list({i4(0), i4(0), d, d, flags({1}), i4(1234)}),
         "элемент 5 (номер карты): ожидается строка"},
    };
    for (const auto& c : cases)
        EXPECT_THAT([&] { c.data(c.reportNo, c.params, context()); },
                    ::testing::ThrowsMessage<std::runtime_error>(HasSubstr(c.message)))
            << c.params.canonical();
}

struct FamilyCase {
    DataOf data;
    ProduceReport produce;
    std::int32_t reportNo;
    Variant params;
    std::string table;
};

// A request of each report that finds rows on the test station.
std::vector<FamilyCase> everyFamily() {
    const Variant d = Variant::date(0);
    const Variant all = flags({1, 1, 1, 1, 1});
    return {
        {bonusReportData, produceBonusReport, kBonusReport,
         Variant::list({i4(1), all, Variant(false), i4(3), Variant(true), Variant(true)}),
         "BonusVidOpl"},
        {returnsReportData, produceReturnsReport, kReturnsReport, chosenShifts(all, 6, 1, 3),
         "Vozvrat"},
        {returnActsData, produceReturnActs, kReturnActs,
         Variant::list({d, d, i4(1), Variant(""), i4(1), i4(3)}), "Akt"},
        {terminalReturnsData, produceTerminalReturns, kTerminalReturns,
         Variant::list({i4(1), d, d, Variant(""), i4(3)}), "BackCard"},
        {couponReportData, produceCouponReport, kCouponReport, Variant::list({at(1, 8), d, all}),
         "Talon"},
        {cardReportData, produceCardReport, kCardReport,
         Variant::list({i4(1), i4(3), d, d, all, Variant("1234%")}), "Card"},
    };
}

// The width of a line in characters.
std::size_t width(const std::string& line) {
    return static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

TEST_F(SalesReportsTest, TheStationsTemplatesFillWithoutNoticesAndTheirTablesLineUp) {
    test::layDemoTemplates();
    for (const FamilyCase& family : everyFamily()) {
        EXPECT_THAT(rows(family.data(family.reportNo, family.params, context()), family.table, {}),
                    Not(IsEmpty()))
            << family.table;
        const ReportPages pages = family.produce(family.reportNo, family.params, context());
        EXPECT_THAT(pages.text, Not(HasSubstr("Шаблон"))) << family.table;
        EXPECT_THAT(pages.html, Not(HasSubstr("class=\"kvt-notice\""))) << family.table;
        std::size_t tableWidth = 0;
        for (const std::string& line : test::splitLines(pages.text)) {
            const bool tableLine = line.starts_with('+') || line.starts_with('|');
            if (tableLine && tableWidth != 0) {
                EXPECT_EQ(width(line), tableWidth) << family.table << ": " << line;
            }
            tableWidth = tableLine ? width(line) : 0;
        }
    }
    const auto titleOf = [&](const std::string& pattern) {
        return produceCardReport(52,
                                 Variant::list({i4(0), i4(0), Variant::date(0), Variant::date(0),
                                                flags({1}), Variant(pattern)}),
                                 context())
            .html;
    };
    EXPECT_THAT(titleOf("1234%"), HasSubstr("<title>Отливы по номеру карты</title>"));
    EXPECT_THAT(titleOf(""), HasSubstr("<title>Отливы по пластиковым картам</title>"));
}

TEST_F(SalesReportsTest, AStationOfSchemaVersionOneGivesEveryReportWithoutRows) {
    fs::remove(database_);
    writeStation(database_, 1);
    for (const FamilyCase& family : everyFamily())
        EXPECT_THAT(rows(family.data(family.reportNo, family.params, context()), family.table, {}),
                    IsEmpty())
            << family.table;
}

}  // namespace
}  // namespace kvt::host
