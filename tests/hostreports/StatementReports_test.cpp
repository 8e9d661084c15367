// The statement and contract reports (11 to 17, 25, 26, 53) over a small station whose every sale
// on account, counterparty, car and driver is known.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "appserver/StationDatabase.h"
#include "host/reports/PeriodStatementReports.h"
#include "host/reports/StatementSales.h"
#include "host/reports/StatementShiftReports.h"
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

DateTime at(int day, int hour, int minute = 0) {
    return EncodeDate(2024, 3, day) + EncodeTime(hour, minute, 0, 0);
}

// Shifts 1 (01.03 08-20, Иванова), 2 (to 02.03 08, Петров) and 3 (open, Сидорова). Payment
// types in this order: cash 0, terminal 1, contract 8, a second statement 104, statement 4.
// "ООО «Ромашка»" is in both directories, "МУП «Водоканал»" an organisation only, "ИП Новиков"
// a contractor only; "ООО «Такси»" has two contracts.
std::string directories() {
    return "INSERT INTO Station VALUES ('АЗС «Тест»', 3);"
           "INSERT INTO Gsm VALUES (1, 'АИ-92', 500000), (2, 'ДТ', 600000);"
           "INSERT INTO VidOpl VALUES (0, 0, '&Наличные', 1, 0), (1, 1, '&Платеж. терминал', 1, 1),"
           " (2, 8, '&Договорной', 1, 8), (3, 104, '&Ведомость 2', 1, 4),"
           " (4, 4, '&Ведомость +', 1, 4);"
           "INSERT INTO SmLog (SmNum, BegTime, EndTime, Operator) VALUES (1, " +
           t("2024-03-01 08:00") + ", " + t("2024-03-01 20:00") + ", 'Иванова'), (2, " +
           t("2024-03-01 20:00") + ", " + t("2024-03-02 08:00") + ", 'Петров'), (3, " +
           t("2024-03-02 08:00") +
           ", NULL, 'Сидорова');"
           "INSERT INTO vedOrg (Name, VidOplat) VALUES ('ООО «Ромашка»', 4), ('ООО «O''Neil»', 4),"
           " ('МУП «Водоканал»', 104), ('ООО «Такси»', 8);"
           "INSERT INTO vedAuto VALUES ('A1', 'ООО «Ромашка»', 'А111АА', ''),"
           " ('A2', 'ООО «Ромашка»', 'В222ВВ', ''), ('A3', 'ООО «O''Neil»', 'Е333ЕЕ', ''),"
           " ('A4', 'МУП «Водоканал»', 'К444КК', ''), ('A5', 'ООО «Такси»', 'М555ММ', '');"
           "INSERT INTO VdContractor (ID, Name) VALUES ('C1', 'ООО «Ромашка»'),"
           " ('C2', 'ООО «O''Neil»'), ('C3', 'ИП Новиков'), ('C4', 'ООО «Такси»');"
           "INSERT INTO VdCar (ID, CID, Name) VALUES ('V1', 'C1', 'КАМАЗ А111АА'),"
           " ('V2', 'C1', 'ГАЗель В222ВВ'), ('V3', 'C3', 'УАЗ Р777РР'), ('V4', 'C4', 'Форд "
           "М555ММ');"
           "INSERT INTO VdDriver (ID, CID, Name) VALUES ('D1', 'C1', 'Андреев'),"
           " ('D2', 'C1', 'Белов'), ('D3', 'C3', 'Волков'), ('D4', 'C4', 'Жуков');";
}

// Pump log lines, each with who took the fuel when it was sold on account. Line 6 is an order,
// not a sale; line 8 is paid in cash.
std::string sales(bool onAccount) {
    const struct {
        std::string id;
        std::string when;
        std::string line;   // pump, grade, operation, payment, litres, sum
        std::string taker;  // organisation, plate, contractor, car, driver, contract
    } lines[] = {
        {"1", "2024-03-01 09:00", "'1', 'АИ-92', 3, 4, 10, 500",
         "'ООО «Ромашка»', 'А111АА', 'C1', 'V1', 'D1', NULL"},
        {"2", "2024-03-01 10:00", "'2', 'ДТ', 3, 4, 20, 1200",
         "'ООО «Ромашка»', 'В222ВВ', 'C1', 'V2', 'D1', NULL"},
        {"3", "2024-03-01 11:00", "'1', 'АИ-92', 4, 4, 5, 250",
         "'ООО «Ромашка»', 'А111АА', 'C1', 'V1', 'D2', NULL"},
        {"4", "2024-03-01 12:00", "'2', 'ДТ', 3, 104, 30, 1800",
         "'МУП «Водоканал»', 'К444КК', NULL, NULL, NULL, NULL"},
        {"5", "2024-03-01 13:00", "'1', 'АИ-92', 3, 4, 8, 400",
         "'ООО «O''Neil»', 'Е333ЕЕ', 'C2', NULL, NULL, NULL"},
        {"6", "2024-03-01 14:00", "'1', 'АИ-92', 0, 4, 40, 2000",
         "'ООО «Ромашка»', 'А111АА', 'C1', 'V1', 'D1', NULL"},
        {"7", "2024-03-01 15:00", "'2', 'ДТ', 3, 8, 25, 1500",
         "'ООО «Такси»', 'М555ММ', 'C4', 'V4', 'D4', 1"},
        {"8", "2024-03-01 16:00", "'1', 'АИ-92', 3, 0, 12, 600", ""},
        {"9", "2024-03-01 22:00", "'1', 'АИ-92', 3, 4, 15, 750",
         "NULL, NULL, 'C3', 'V3', 'D3', NULL"},
        {"10", "2024-03-01 23:00", "'2', 'ДТ', 3, 8, 10, 600",
         "'ООО «Такси»', 'М555ММ', 'C4', 'V4', 'D4', 2"},
        {"11", "2024-03-01 23:30", "'1', 'АИ-92', 3, 4, 6, 300",
         "'ООО «Ромашка»', 'А111АА', NULL, NULL, NULL, NULL"},
        {"12", "2024-03-02 09:00", "'1', 'АИ-92', 3, 4, 7, 350",
         "'ООО «Ромашка»', 'В222ВВ', 'C1', 'V2', 'D2', NULL"},
        {"13", "2024-03-02 10:00", "'2', 'ДТ', 3, 8, 5, 300",
         "'ООО «Такси»', 'М555ММ', 'C4', 'V4', 'D4', 1"},
    };
    std::string sql;
    if (onAccount)
        sql += "INSERT INTO Dogovor VALUES (1, 'Д-1', " + t("2024-01-01") +
               ", NULL, 'ООО «Такси»', 'C4'), (2, 'Д-2', " + t("2024-03-01") +
               ", NULL, 'ООО «Такси»', 'C4');";
    for (const auto& line : lines) {
        sql += "INSERT INTO Trk (ID, Time, Trk, Gsm, Operation, Op1, Liters, Summa) VALUES (" +
               line.id + ", " + t(line.when) + ", " + line.line + ");";
        if (onAccount && !line.taker.empty())
            sql += "INSERT INTO TrkVedom VALUES (" + line.id + ", " + line.taker + ");";
    }
    return sql;
}

void writeStation(const fs::path& file, std::int32_t version) {
    const appserver::Connection db = appserver::createStationDatabase(file, version);
    appserver::execute(db, "BEGIN;" + directories() +
                               sales(version == appserver::kStationSchemaVersion) + "COMMIT;");
}

Variant s(const std::string& text) {
    return Variant(text);
}

const Variant kStatement = flags({0, 0, 0, 0, 1});
const Variant kBothStatements = flags({0, 0, 0, 1, 1});
const Variant kContract = flags({0, 0, 1, 0, 0});

// The texts of a shift as the plug-in sends them: begin, end, and the shift numbers.
Strings shiftTexts(DateTime begin, DateTime end) {
    return {DateTimeToStr(begin), DateTimeToStr(end)};
}

Variant report14(std::int32_t first, std::int32_t last, DateTime begin, DateTime end,
                 const Variant& mask = kStatement) {
    const Strings times = shiftTexts(begin, end);
    return Variant::list(
        {s(times[0]), s(times[1]), s(std::to_string(first)), s(""), s(std::to_string(last)), mask});
}

Variant report15(const std::string& name, std::vector<bool> grouping = {}) {
    const Strings times = shiftTexts(at(1, 8), at(1, 20));
    std::vector<Variant> elements{s(times[0]),  s(times[1]), s(name),   s("1"),
                                  s("Иванова"), s("1"),      kStatement};
    for (const bool flag : grouping)
        elements.emplace_back(flag);
    return Variant::list(std::move(elements));
}

Variant period(const std::string& begin, const std::string& end, std::vector<Variant> middle,
               const Variant& mask = kBothStatements) {
    std::vector<Variant> elements{s(begin), s(end)};
    elements.insert(elements.end(), middle.begin(), middle.end());
    elements.push_back(mask);
    return Variant::list(std::move(elements));
}

Variant wholePeriod(std::vector<Variant> middle, const Variant& mask = kBothStatements) {
    return period("01.03.2024 00:00", "03.03.2024 00:00", std::move(middle), mask);
}

std::string text(const Cell& cell) {
    if (const auto* value = std::get_if<std::string>(&cell))
        return *value;
    if (const auto* value = std::get_if<double>(&cell)) {
        char number[32];
        std::snprintf(number, sizeof number, "%.10g", *value);
        return number;
    }
    return "";
}

template <class Defs>
std::size_t indexOf(const Defs& defs, const std::string& name) {
    return static_cast<std::size_t>(
        std::ranges::find(defs, name, [](const auto& def) { return def.name; }) - defs.begin());
}

// A group's opening row as its Head, a total row as "= Itog Count Summa", a sale as
// "Time-hour Counterparty / Car / Driver Summa".
Strings otpusk(const ReportData& data) {
    const TableDef& def = data.schema().tables.at(indexOf(data.schema().tables, "Otpusk"));
    Strings result;
    for (const TableRow& row : data.rows(indexOf(data.schema().tables, "Otpusk"))) {
        const auto column = [&](const std::string& name) {
            return text(row.at(indexOf(def.columns, name)));
        };
        if (!column("Head").empty()) {
            result.push_back(column("Head"));
        } else if (!column("Itog").empty()) {
            result.push_back("= " + column("Itog") + " " + column("Count") + " " + column("Summa"));
        } else {
            const std::string time = FormatDateTime("dd hh", std::get<double>(row.at(2)));
            result.push_back(time + " " + column("Counterparty") + " / " + column("Car") + " / " +
                             column("Driver") + " " + column("Summa"));
        }
    }
    return result;
}

std::string scalar(const ReportData& data, const std::string& name) {
    return text(data.scalar(indexOf(data.schema().scalars, name)));
}

class StatementReportsTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database_ = base() / "station.db";
        writeStation(database_, appserver::kStationSchemaVersion);
    }

    ReportContext context() const {
        return {.database = database_, .currentShift = 3, .now = at(2, 12)};
    }

    fs::path database_;
};

const std::string kRomashka = "ООО «Ромашка»";
const std::string kONeil = "ООО «O'Neil»";

TEST_F(StatementReportsTest, ShiftReportsListTheChosenStatementsSalesByCounterparty) {
    const struct {
        std::string what;
        std::int32_t reportNo;
        Variant params;
        Strings rows;
        std::string totals;
    } cases[] = {
        {"one shift, one statement type",
         kStatementShiftReport,
         report14(1, 1, at(1, 8), at(1, 20)),
         {"Контрагент: " + kONeil, "01 13 " + kONeil + " / Е333ЕЕ /  400",
          "= Итого по контрагенту " + kONeil + " 1 400", "Контрагент: " + kRomashka,
          "01 09 " + kRomashka + " / КАМАЗ А111АА / Андреев 500",
          "01 10 " + kRomashka + " / ГАЗель В222ВВ / Андреев 1200",
          "01 11 " + kRomashka + " / КАМАЗ А111АА / Белов 250",
          "= Итого по контрагенту " + kRomashka + " 3 1950"},
         "4 2350"},
        {"both directories' records of one name in one group, a contractor alone",
         kStatementShiftReport,
         report14(2, 2, at(1, 20), at(2, 8)),
         {"Контрагент: ИП Новиков", "01 22 ИП Новиков / УАЗ Р777РР / Волков 750",
          "= Итого по контрагенту ИП Новиков 1 750", "Контрагент: " + kRomashka,
          "01 23 " + kRomashka + " / А111АА /  300",
          "= Итого по контрагенту " + kRomashka + " 1 300"},
         "2 1050"},
        {"the current shift",
         kCurrentStatementReport,
         Variant::list({kStatement}),
         {"Контрагент: " + kRomashka, "02 09 " + kRomashka + " / ГАЗель В222ВВ / Белов 350",
          "= Итого по контрагенту " + kRomashka + " 1 350"},
         "1 350"},
        {"contracts of one shift",
         kContractShiftReport,
         Variant::list(
             {Variant::date(at(1, 20)), Variant::date(at(2, 8)), s("2"), s("Петров"), kContract}),
         {"Контрагент: ООО «Такси»", "Договор: Д-2", "01 23 ООО «Такси» / Форд М555ММ / Жуков 600",
          "= Итого по договору Д-2 1 600", "= Итого по контрагенту ООО «Такси» 1 600"},
         "1 600"},
        {"contracts of the current shift",
         kCurrentContractReport,
         Variant::list({i4(0), kContract}),
         {"Контрагент: ООО «Такси»", "Договор: Д-1", "02 10 ООО «Такси» / Форд М555ММ / Жуков 300",
          "= Итого по договору Д-1 1 300", "= Итого по контрагенту ООО «Такси» 1 300"},
         "1 300"},
    };
    for (const auto& c : cases) {
        const ReportData data =
            c.reportNo == kContractShiftReport || c.reportNo == kCurrentContractReport
                ? contractShiftData(c.reportNo, c.params, context())
                : statementShiftData(c.reportNo, c.params, context());
        EXPECT_THAT(otpusk(data), ElementsAreArray(c.rows)) << c.what;
        EXPECT_EQ(scalar(data, "Count") + " " + scalar(data, "Summa"), c.totals) << c.what;
    }
}

TEST_F(StatementReportsTest, ACounterpartysSalesGroupInTheOrderTheOperatorChose) {
    const std::string kamaz1 = "01 09 " + kRomashka + " / КАМАЗ А111АА / Андреев 500";
    const std::string gazel2 = "01 10 " + kRomashka + " / ГАЗель В222ВВ / Андреев 1200";
    const std::string kamaz3 = "01 11 " + kRomashka + " / КАМАЗ А111АА / Белов 250";
    const struct {
        std::string what;
        std::vector<bool> grouping;  // by driver, by car, drivers first
        Strings rows;
    } cases[] = {
        {"drivers, then cars",
         {true, true, true},
         {"Водитель: Андреев", "Автомобиль: ГАЗель В222ВВ", gazel2,
          "= Итого по автомобилю ГАЗель В222ВВ 1 1200", "Автомобиль: КАМАЗ А111АА", kamaz1,
          "= Итого по автомобилю КАМАЗ А111АА 1 500", "= Итого по водителю Андреев 2 1700",
          "Водитель: Белов", "Автомобиль: КАМАЗ А111АА", kamaz3,
          "= Итого по автомобилю КАМАЗ А111АА 1 250", "= Итого по водителю Белов 1 250"}},
        {"cars, then drivers",
         {true, true, false},
         {"Автомобиль: ГАЗель В222ВВ", "Водитель: Андреев", gazel2,
          "= Итого по водителю Андреев 1 1200", "= Итого по автомобилю ГАЗель В222ВВ 1 1200",
          "Автомобиль: КАМАЗ А111АА", "Водитель: Андреев", kamaz1,
          "= Итого по водителю Андреев 1 500", "Водитель: Белов", kamaz3,
          "= Итого по водителю Белов 1 250", "= Итого по автомобилю КАМАЗ А111АА 2 750"}},
        {"no grouping", {false, false, true}, {kamaz1, gazel2, kamaz3}},
    };
    for (const auto& c : cases) {
        const ReportData data = counterpartyShiftData(kCounterpartyShiftReport,
                                                      report15(kRomashka, c.grouping), context());
        EXPECT_THAT(otpusk(data), ElementsAreArray(c.rows)) << c.what;
        EXPECT_EQ(scalar(data, "Summa"), "1950") << c.what;
    }
    const auto grouping = [&](std::vector<bool> flags) {
        return scalar(
            counterpartyShiftData(kCounterpartyShiftReport, report15(kRomashka, flags), context()),
            "Grouping");
    };
    EXPECT_EQ(grouping({true, true, true}), "по водителям, затем по автомобилям");
    EXPECT_EQ(grouping({true, false, false}), "по водителям");
}

TEST_F(StatementReportsTest, TheArraysLengthTellsTheDirectoryOfTheCounterparty) {
    const std::string inShift1 = "01 09 " + kRomashka + " / А111АА / Андреев 500";
    const struct {
        std::string what;
        std::int32_t reportNo;
        Variant params;
        Strings rows;
    } cases[] = {
        {"contractor",
         kCounterpartyShiftReport,
         report15(kRomashka, {false, false, false}),
         {"01 09 " + kRomashka + " / КАМАЗ А111АА / Андреев 500",
          "01 10 " + kRomashka + " / ГАЗель В222ВВ / Андреев 1200",
          "01 11 " + kRomashka + " / КАМАЗ А111АА / Белов 250"}},
        {"organisation",
         kCounterpartyShiftReport,
         report15(kRomashka),
         {inShift1, "01 10 " + kRomashka + " / В222ВВ / Андреев 1200",
          "01 11 " + kRomashka + " / А111АА / Белов 250"}},
        {"an organisation's sale that the contractors lack",
         kCounterpartyShiftReport,
         Variant::list({s(DateTimeToStr(at(1, 20))), s(DateTimeToStr(at(2, 8))), s(kRomashka),
                        s("2"), s(""), s("2"), kStatement}),
         {"01 23 " + kRomashka + " / А111АА /  300"}},
        {"contractor, current shift",
         kCurrentCounterpartyReport,
         Variant::list({s(kRomashka), kStatement, Variant(true), Variant(false), Variant(true)}),
         {"Водитель: Белов", "02 09 " + kRomashka + " / ГАЗель В222ВВ / Белов 350",
          "= Итого по водителю Белов 1 350"}},
        {"organisation, current shift",
         kCurrentCounterpartyReport,
         Variant::list({s(kRomashka), kStatement}),
         {"02 09 " + kRomashka + " / В222ВВ / Белов 350"}},
        {"a quote that would be SQL",
         kCurrentCounterpartyReport,
         Variant::list({s(kRomashka + "' OR '1' = '1"), kStatement}),
         {}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(otpusk(counterpartyShiftData(c.reportNo, c.params, context())),
                    ElementsAreArray(c.rows))
            << c.what;
}

TEST_F(StatementReportsTest, PeriodReportsTakeTheCounterpartyCarOrDriverOfEitherDirectory) {
    const struct {
        std::string what;
        std::int32_t reportNo;
        Variant params;
        Strings rows;
    } cases[] = {
        {"a counterparty, by car",
         kPeriodCounterpartyReport,
         wholePeriod({s(kRomashka), Variant(false), Variant(true), Variant(true)}),
         {"Автомобиль: ГАЗель В222ВВ", "01 10 " + kRomashka + " / ГАЗель В222ВВ / Андреев 1200",
          "02 09 " + kRomashka + " / ГАЗель В222ВВ / Белов 350",
          "= Итого по автомобилю ГАЗель В222ВВ 2 1550", "Автомобиль: КАМАЗ А111АА",
          "01 09 " + kRomashka + " / КАМАЗ А111АА / Андреев 500",
          "01 11 " + kRomashka + " / КАМАЗ А111АА / Белов 250",
          "= Итого по автомобилю КАМАЗ А111АА 2 750"}},
        {"an organisation only, by its plates, without drivers",
         kPeriodCounterpartyReport,
         wholePeriod({s("МУП «Водоканал»"), Variant(true), Variant(true), Variant(true)}),
         {"Водитель: не указан", "Автомобиль: К444КК", "01 12 МУП «Водоканал» / К444КК /  1800",
          "= Итого по автомобилю К444КК 1 1800", "= Итого по водителю не указан 1 1800"}},
        {"a name with a quote",
         kPeriodCounterpartyReport,
         wholePeriod({s(kONeil), Variant(false), Variant(false), Variant(false)}),
         {"01 13 " + kONeil + " /  /  400"}},
        {"a contractor's car",
         kPeriodCarReport,
         wholePeriod({s(kRomashka), s("КАМАЗ А111АА")}),
         {"01 09 " + kRomashka + " / КАМАЗ А111АА / Андреев 500",
          "01 11 " + kRomashka + " / КАМАЗ А111АА / Белов 250"}},
        {"an organisation's plate",
         kPeriodCarReport,
         wholePeriod({s(kRomashka), s("А111АА")}),
         {"01 09 " + kRomashka + " / А111АА / Андреев 500",
          "01 11 " + kRomashka + " / А111АА / Белов 250",
          "01 23 " + kRomashka + " / А111АА /  300"}},
        {"a driver",
         kPeriodDriverReport,
         wholePeriod({s(kRomashka), s("Белов")}),
         {"01 11 " + kRomashka + " / КАМАЗ А111АА / Белов 250",
          "02 09 " + kRomashka + " / ГАЗель В222ВВ / Белов 350"}},
        {"every counterparty, the period's ends included",
         kPeriodStatementReport,
         period("01.03.2024 09:00", "01.03.2024 12:00", {}),
         {"Контрагент: МУП «Водоканал»", "01 12 МУП «Водоканал» / К444КК /  1800",
          "= Итого по контрагенту МУП «Водоканал» 1 1800", "Контрагент: " + kRomashka,
          "01 09 " + kRomashka + " / КАМАЗ А111АА / Андреев 500",
          "01 10 " + kRomashka + " / ГАЗель В222ВВ / Андреев 1200",
          "01 11 " + kRomashka + " / КАМАЗ А111АА / Белов 250",
          "= Итого по контрагенту " + kRomashka + " 3 1950"}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(otpusk(periodStatementData(c.reportNo, c.params, context())),
                    ElementsAreArray(c.rows))
            << c.what;
}

TEST_F(StatementReportsTest, HeadersReadTheTextsBackAndTitlesNameTheStatementType) {
    const ReportData typed = periodStatementData(
        kPeriodStatementReport, period("01.03.2024 09:30", "02.03.2024 00:00", {}), context());
    EXPECT_EQ(scalar(typed, "BegTime"), text(at(1, 9, 30)));
    EXPECT_EQ(scalar(typed, "EndTime"), text(at(2, 0)));
    EXPECT_EQ(scalar(typed, "FirstShift"), "");
    EXPECT_EQ(scalar(typed, "Title"), "ОТПУСК ПО \"Ведомость +\" ЗА ВЫБРАННЫЙ ПЕРИОД");

    const ReportData shifts =
        statementShiftData(kStatementShiftReport,
                           Variant::list({s("01.03.2024 8:00:00"), s("30.12.1899"), s("1"), s(""),
                                          s("2"), kStatement}),
                           context());
    EXPECT_EQ(scalar(shifts, "FirstShift") + "-" + scalar(shifts, "LastShift"), "1-2");
    EXPECT_EQ(scalar(shifts, "BegTime"), text(at(1, 8)));
    EXPECT_EQ(scalar(shifts, "EndTime"), text(at(2, 8)));
    EXPECT_EQ(scalar(shifts, "Operator"), "");
    EXPECT_EQ(scalar(shifts, "Title"), "СМЕННЫЙ ОТПУСК ПО \"Ведомость +\"");

    const ReportData current = counterpartyShiftData(
        kCurrentCounterpartyReport, Variant::list({s(kRomashka), kStatement}), context());
    EXPECT_EQ(scalar(current, "Current") + " " + scalar(current, "FirstShift") + " " +
                  scalar(current, "Operator") + " " + scalar(current, "EndTime"),
              "1 3 Сидорова ");
    EXPECT_EQ(scalar(current, "Title"), "ТЕКУЩИЙ СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ");
    EXPECT_EQ(scalar(current, "Counterparty"), kRomashka);
}

TEST_F(StatementReportsTest, MalformedArraysAndBackwardPeriodsAreRefusedNamingTheElement) {
    const Variant d = Variant::date(0);
    const struct {
        DataOf data;
        std::int32_t reportNo;
        Variant params;
        std::string message;
    } cases[] = {
        {periodStatementData, 11, period("02.03.2024 00:00", "01.03.2024 00:00", {}),
         "Отпуск по ведомости за период (№11): элемент 1 (конец периода): период кончается "
         "раньше, чем начинается (02.03.2024 00:00), получено Str(\"01.03.2024 00:00\")"},
        {periodStatementData, 11, period("1 марта", "02.03.2024 00:00", {}),
         "элемент 0 (начало периода): ожидается дата и время текстом, получено Str(\"1 марта\")"},
        {periodStatementData, 12, wholePeriod({s(kRomashka), Variant(true), Variant(true)}),
         "Отпуск по контрагенту за период (№12): ожидается массив из 7 элементов"},
        {periodStatementData, 12, wholePeriod({s(kRomashka), i4(1), Variant(true), Variant(true)}),
         "элемент 3 (по водителям): ожидается логическое значение"},
        {periodStatementData, 13, wholePeriod({s(kRomashka), i4(7)}),
         "Отпуск по автомобилю за период (№13): элемент 3 (автомобиль): ожидается строка"},
        {periodStatementData, 53, wholePeriod({s(kRomashka), s("Белов")}, i4(4)),
         "Отпуск по водителю за период (№53): элемент 4 (выбор ведомостей): ожидается "
         "одномерный массив"},
        {statementShiftData, 14,
         Variant::list({s("01.03.2024"), s("01.03.2024"), s("первая"), s(""), s("1"), kStatement}),
         "Сменный отчет по ведомостям (№14): элемент 2 (первая смена): ожидается номер смены "
         "текстом"},
        {counterpartyShiftData, 15, Variant::list({s(""), s(""), s("")}),
         "Сменный отчет по контрагенту (№15): ожидается массив из 10 или 7 элементов"},
        {counterpartyShiftData, 17,
         Variant::list({s(kRomashka), kStatement, Variant(true), i4(0), Variant(true)}),
         "элемент 3 (по автомобилям): ожидается логическое значение"},
        {contractShiftData, 25, Variant::list({s("01.03.2024"), d, s("1"), s(""), kContract}),
         "Сменный отчет по договорам (№25): элемент 0 (начало смены): ожидается дата и время"},
        {contractShiftData, 26, Variant::list({i4(0), Variant::list({Variant(true)})}),
         "элемент 1 (выбор договоров): флаг вида оплаты: ожидается целое число"},
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
    std::string title;
};

// A request of each report that finds sales on the test station.
std::vector<FamilyCase> everyFamily() {
    return {
        {statementShiftData, produceStatementShiftReport, kStatementShiftReport,
         report14(1, 3, at(1, 8), 0), "СМЕННЫЙ ОТПУСК ПО \"Ведомость +\""},
        {statementShiftData, produceStatementShiftReport, kCurrentStatementReport,
         Variant::list({kStatement}), "СМЕННЫЙ ОТПУСК ПО \"Ведомость +\""},
        {counterpartyShiftData, produceCounterpartyShiftReport, kCounterpartyShiftReport,
         report15(kRomashka, {true, true, true}), "СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ"},
        {counterpartyShiftData, produceCounterpartyShiftReport, kCurrentCounterpartyReport,
         Variant::list({s(kRomashka), kStatement}), "ТЕКУЩИЙ СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ"},
        {contractShiftData, produceContractShiftReport, kContractShiftReport,
         Variant::list(
             {Variant::date(at(1, 8)), Variant::date(at(1, 20)), s("1"), s("Иванова"), kContract}),
         "Сменный отпуск по договорам"},
        {contractShiftData, produceContractShiftReport, kCurrentContractReport,
         Variant::list({i4(0), kContract}), "Текущий сменный отчет по договорам"},
        {periodStatementData, producePeriodStatementReport, kPeriodStatementReport, wholePeriod({}),
         "ОТПУСК ПО \"Ведомость +\" ЗА ВЫБРАННЫЙ ПЕРИОД"},
        {periodStatementData, producePeriodStatementReport, kPeriodCounterpartyReport,
         wholePeriod({s(kONeil), Variant(true), Variant(true), Variant(false)}),
         "ОТПУСК ПО КОНТРАГЕНТУ ЗА ВЫБРАННЫЙ ПЕРИОД"},
        {periodStatementData, producePeriodStatementReport, kPeriodCarReport,
         wholePeriod({s(kRomashka), s("А111АА")}), "ОТПУСК ПО АВТОМОБИЛЮ ЗА ВЫБРАННЫЙ ПЕРИОД"},
        {periodStatementData, producePeriodStatementReport, kPeriodDriverReport,
         wholePeriod({s(kRomashka), s("Андреев")}), "ОТПУСК ВОДИТЕЛЮ ЗА ВЫБРАННЫЙ ПЕРИОД"},
    };
}

std::size_t width(const std::string& line) {
    return static_cast<std::size_t>(std::ranges::count_if(
        line, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

TEST_F(StatementReportsTest, TheShippedTemplatesFillWithoutNoticesAndTheirTablesLineUp) {
    test::layDemoTemplates();
    for (const FamilyCase& family : everyFamily()) {
        const std::string what = std::to_string(family.reportNo);
        EXPECT_THAT(otpusk(family.data(family.reportNo, family.params, context())), Not(IsEmpty()))
            << what;
        const ReportPages pages = family.produce(family.reportNo, family.params, context());
        EXPECT_THAT(pages.text, HasSubstr(family.title)) << what;
        EXPECT_THAT(pages.text, Not(HasSubstr("Шаблон"))) << what;
        std::string title = family.title;
        for (auto quote = title.find('"'); quote != std::string::npos; quote = title.find('"'))
            title.replace(quote, 1, "&quot;");
        EXPECT_THAT(pages.html, HasSubstr("<title>" + title + "</title>")) << what;
        EXPECT_THAT(pages.html, Not(HasSubstr("class=\"kvt-notice\""))) << what;
        std::size_t tableWidth = 0;
        for (const std::string& line : test::splitLines(pages.text)) {
            const bool tableLine = line.starts_with('+') || line.starts_with('|');
            if (tableLine && tableWidth != 0) {
                EXPECT_EQ(width(line), tableWidth) << what << ": " << line;
            }
            tableWidth = tableLine ? width(line) : 0;
        }
    }
}

TEST_F(StatementReportsTest, OlderStationsGiveEveryReportWithoutRows) {
    for (const std::int32_t version : {1, 2}) {
        fs::remove(database_);
        writeStation(database_, version);
        for (const FamilyCase& family : everyFamily())
            EXPECT_THAT(otpusk(family.data(family.reportNo, family.params, context())), IsEmpty())
                << version << ": " << family.reportNo;
    }
}

}  // namespace
}  // namespace kvt::host
