// The network reports, the discount cards (35) and the daily shift financial report (36), over
// an office table of stations 3, 1 and 2: station 3 is the console's own database, station 1
// the office's copy KVT1.db, station 2 has no database.
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "appserver/DemoData.h"
#include "data/OfficeDB.h"
#include "data/ParadoxTable.h"
#include "host/reports/DaySmenaFinReport.h"
#include "host/reports/DiscountCardReport.h"
#include "host/reports/StationQuery.h"
#include "infra/DateTime.h"
#include "platform/PathMap.h"
#include "support/DemoTemplates.h"
#include "support/TestRoot.h"

namespace kvt::host {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using Strings = std::vector<std::string>;

// What makes a pump log line a sale, as SQL over the station's log.
constexpr std::string_view kSaleLine = "(Trk.Operation & 127) IN (3, 4, 6, 7)";

using Named = std::map<std::string, Cell>;
using Figures = std::vector<double>;

std::string textOf(const Cell& cell) {
    const auto* text = std::get_if<std::string>(&cell);
    return text != nullptr ? *text : std::string();
}

Figures numbersOf(const Named& values, const Strings& names) {
    Figures numbers;
    for (const std::string& name : names) {
        const auto* number = std::get_if<double>(&values.at(name));
        numbers.push_back(number != nullptr ? *number : 0);
    }
    return numbers;
}

// The figures summed so far are those of a total row; the sum starts again.
void expectSum(Figures& sum, const Figures& total, const std::string& what) {
    for (std::size_t i = 0; i < total.size(); ++i)
        EXPECT_NEAR(std::exchange(sum[i], 0), total[i], 1e-6) << what << ", " << i;
}

void addTo(Figures& sum, const Figures& figures) {
    sum.resize(figures.size());
    for (std::size_t i = 0; i < figures.size(); ++i)
        sum[i] += figures[i];
}

Named named(const std::vector<ValueDef>& defs, const std::vector<Cell>& cells) {
    Named values;
    for (std::size_t i = 0; i < defs.size(); ++i)
        values[defs[i].name] = cells[i];
    return values;
}

// A table's rows by column name, so that a check reads like the schema.
std::vector<Named> rowsOf(const ReportData& data, std::string_view table) {
    const auto& tables = data.schema().tables;
    const auto def = std::ranges::find(tables, table, &TableDef::name);
    std::vector<Named> rows;
    for (const TableRow& row : data.rows(static_cast<std::size_t>(def - tables.begin())))
        rows.push_back(named(def->columns, row));
    return rows;
}

Named scalarsOf(const ReportData& data) {
    std::vector<Cell> cells;
    for (std::size_t i = 0; i < data.schema().scalars.size(); ++i)
        cells.push_back(data.scalar(i));
    return named(data.schema().scalars, cells);
}

Strings textsOf(const ReportData& data, std::string_view table, const std::string& column) {
    Strings texts;
    for (const Named& row : rowsOf(data, table)) {
        if (const std::string text = textOf(row.at(column)); !text.empty())
            texts.push_back(text);
    }
    return texts;
}

// Every run of table lines (beginning with + or |) is as wide as its first line.
void expectTablesLineUp(const std::string& text) {
    const auto width = [](const std::string& line) {
        return std::ranges::count_if(line, [](char c) { return (c & 0xC0) != 0x80; });
    };
    std::ptrdiff_t tableWidth = 0;
    for (const std::string& line : test::splitLines(text)) {
        const bool tableLine = line.starts_with('+') || line.starts_with('|');
        if (tableLine && tableWidth != 0) {
            EXPECT_EQ(width(line), tableWidth) << line;
        }
        tableWidth = tableLine ? width(line) : 0;
    }
}

Variant day(int number) {
    return Variant::date(EncodeDate(2024, 3, number));
}

class NetworkReportsTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        own_ = base() / "station.db";
        appserver::writeDemoDatabase(
            own_, {.shifts = 12, .seed = 3, .stationName = "АЗС-3 по базе", .stationNumber = 3});
        appserver::writeDemoDatabase(
            base() / "KVT1.db",
            {.shifts = 12, .seed = 11, .stationName = "АЗС-1 по базе", .stationNumber = 1});
        fs::create_directories(officeTable().parent_path());
        data::writeParadoxTable(
            officeTable(),
            {{.name = "KVTNumber", .type = data::ParadoxType::Long, .length = 0},
             {.name = "KVTName", .type = data::ParadoxType::Alpha, .length = 40}},
            {{Variant(3), Variant("Центральная")},
             {Variant(1), Variant("Северная")},
             {Variant(2), Variant("Южная")}});
    }

    static fs::path officeTable() {
        return platform::PathMap::toLocal(std::string(data::kOfficeTablePath));
    }

    ReportContext context() const {
        return {.database = own_,
                .currentShift = std::nullopt,
                .now = EncodeDate(2024, 3, 5),
                .options = {}};
    }

    fs::path own_;
};

const Strings kCardSums{"Count", "Liters", "Summa", "Skidka"};
const std::string kNoDatabase = "Южная (KVT №2): нет базы данных станции (файл KVT2.db не найден)";
const std::string kNoTable = "Таблица станций сети C:\\VEDA\\OfficeDB\\Office.DB не прочитана: ";

// Card number -> its sales, litres, sum and discount.
using CardFigures = std::map<std::string, Figures>;

CardFigures cardFiguresOf(const std::vector<fs::path>& files, const std::string& glob = "*") {
    CardFigures figures;
    for (const fs::path& file : files) {
        StationQuery query(appserver::openStationDatabase(file),
                           "SELECT CardNum, COUNT(*), SUM(Liters), SUM(Summa), SUM(Skidka) FROM "
                           "Trk JOIN TrkSale ON TrkSale.TrkID = Trk.ID WHERE Op1 % 100 = 10 AND "
                           "CardNum <> '' AND CardNum GLOB ?1 AND " +
                               std::string(kSaleLine) + " GROUP BY CardNum");
        query.bind(1, glob);
        while (query.next()) {
            Figures& card = figures[query.text(0)];
            addTo(card, {*query.number(1), *query.number(2), *query.number(3),
                         query.number(4).value_or(0)});
        }
    }
    return figures;
}

void expectCards(CardFigures shown, const CardFigures& expected, const std::string& what) {
    ASSERT_EQ(shown.size(), expected.size()) << what;
    for (const auto& [card, figures] : expected)
        expectSum(shown[card], figures, what + ", " + card);
}

// The pages came from the station's templates, and their tables line up.
void expectPages(const ReportPages& pages, const std::string& title) {
    EXPECT_THAT(pages.text, Not(HasSubstr("Шаблон")));
    EXPECT_THAT(pages.html, Not(HasSubstr("class=\"kvt-notice\"")));
    EXPECT_THAT(pages.html, HasSubstr("<title>" + title + "</title>"));
    expectTablesLineUp(pages.text);
}

TEST(CardPatterns, QuestionMarksAndStarsStandForCharactersOfTheWholeNumber) {
    const struct {
        std::string pattern;
        std::string card;
        bool matches;
    } cases[] = {
        {"1234", "1234567890123456", false},
        {"1234*", "1234567890123456", true},
        {"*4321", "1234567800004321", true},
        {"1234????90123456", "1234567890123456", true},
        {"1234???90123456", "1234567890123456", false},
        {"12*00*21", "1234567800004321", true},
        {"*", "", true},
        {"**7*", "7", true},
        {"А?Б", "АЖБ", true},
        {"А?Б", "АЖЖБ", false},
        {"%", "1234", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cardMatches(c.pattern, c.card), c.matches) << c.pattern << " " << c.card;
}

TEST_F(NetworkReportsTest, DiscountCardLevelsShowTheirOwnTableAndAddUpToTheDatabases) {
    test::layDemoTemplates();
    const CardFigures expected = cardFiguresOf({own_, base() / "KVT1.db"});
    ASSERT_THAT(expected, Not(IsEmpty()));
    const struct {
        std::int32_t level;
        std::string table;
        std::string header;
    } levels[] = {
        {0, "CardGsm", "|    Номер карты     |        KVT         |   ГСМ    |Прод.|"},
        {1, "CardKVT", "|    Номер карты     |        KVT         |Прод.|"},
        {2, "Card", "|    Номер карты     |Прод.|"},
    };
    for (const auto& level : levels) {
        const Variant params = Variant::list({Variant(level.level), Variant("*"), Variant("*")});
        const ReportData data = discountCardData(kDiscountCardReport, params, context());
        for (const std::string table : {"CardGsm", "CardKVT", "Card"})
            EXPECT_EQ(rowsOf(data, table).empty(), table != level.table) << table;
        EXPECT_THAT(textsOf(data, "Notice", "Text"), ElementsAre(kNoDatabase));
        // A card's rows add up to its total row, which holds the card's figures.
        CardFigures shown;
        Figures cardRows;
        std::set<std::string> stations;
        for (const Named& row : rowsOf(data, level.table)) {
            const Figures figures = numbersOf(row, kCardSums);
            if (level.level != 2 && textOf(row.at("Itog")).empty()) {
                stations.insert(textOf(row.at("KVT")));
                addTo(cardRows, figures);
                continue;
            }
            if (level.level != 2)
                expectSum(cardRows, figures, textOf(row.at("Itog")));
            shown[textOf(row.at("CardNum"))] = figures;
        }
        expectCards(shown, expected, level.table);
        if (level.level != 2) {
            EXPECT_EQ(stations, (std::set<std::string>{"Центральная", "Северная"}));
        }
        Figures network;
        for (const auto& entry : expected)
            addTo(network, entry.second);
        expectSum(network, numbersOf(scalarsOf(data), kCardSums), "the totals");
        EXPECT_EQ(std::get<double>(scalarsOf(data).at("CardCount")),
                  static_cast<double>(expected.size()));

        const ReportPages pages = produceDiscountCardReport(kDiscountCardReport, params, context());
        EXPECT_THAT(test::splitLines(pages.text), Contains(StartsWith(level.header)));
        expectPages(pages, "ОТЧЕТ ПО ДИСКОНТНЫМ КАРТАМ");
    }
}

TEST_F(NetworkReportsTest, DiscountCardsAndStationsAreChosenByPatternAndName) {
    const std::vector<fs::path> both{own_, base() / "KVT1.db"};
    const std::vector<fs::path> north{base() / "KVT1.db"};
    CardFigures twoPatterns = cardFiguresOf(both, "12345678????4321");
    twoPatterns.merge(cardFiguresOf(both, "*5678"));
    const struct {
        std::string cards;
        std::string stations;
        CardFigures expected;
        Strings notices;
    } cases[] = {
        {"1234*\r\n", "*", cardFiguresOf(both, "1234*"), {kNoDatabase}},
        {" 12345678????4321 \r\n\r\n*5678\r\n", "*", twoPatterns, {kNoDatabase}},
        {"*", "Северная\r\n", cardFiguresOf(north), {}},
        {"*",
         "Северная\r\nНет такой\r\n",
         cardFiguresOf(north),
         {"Станции «Нет такой» нет в таблице станций сети"}},
        {"*", "", {}, {"Станции сети не выбраны"}},
        {"", "Северная\r\n", {}, {"Номера карт не заданы: отчет ни по одной карте"}},
    };
    for (const auto& c : cases) {
        const ReportData data = discountCardData(
            kDiscountCardReport, Variant::list({Variant(2), Variant(c.cards), Variant(c.stations)}),
            context());
        CardFigures shown;
        for (const Named& row : rowsOf(data, "Card"))
            shown[textOf(row.at("CardNum"))] = numbersOf(row, kCardSums);
        expectCards(shown, c.expected, c.cards + " " + c.stations);
        EXPECT_THAT(textsOf(data, "Notice", "Text"), ElementsAreArray(c.notices))
            << c.cards << " " << c.stations;
    }

    fs::remove(officeTable());
    const ReportData data = discountCardData(
        kDiscountCardReport, Variant::list({Variant(2), Variant("*"), Variant("*")}), context());
    EXPECT_THAT(textsOf(data, "Notice", "Text"), ElementsAre(StartsWith(kNoTable)));
    EXPECT_THAT(rowsOf(data, "Card"), IsEmpty());
}

const Strings kShiftSums{"Liters", "Summa", "Nal", "Beznal", "Skidka", "Tovary"};

// The shifts that began on the days, by their beginning, as SQL reads them: the number, the
// sales sum, the cash sum and the goods sum.
std::vector<Figures> shiftsOf(const fs::path& file, int firstDay, int lastDay) {
    const std::string sales =
        "SELECT SUM(Summa) FROM Trk WHERE Time BETWEEN BegTime AND EndTime "
        "AND " +
        std::string(kSaleLine);
    StationQuery query(appserver::openStationDatabase(file),
                       "SELECT SmNum, (" + sales + "), (" + sales +
                           " AND Op1 = 0), SummaTovary / 10000.0 FROM SmLog WHERE BegTime >= ?1 "
                           "AND BegTime < ?2 ORDER BY BegTime");
    query.bind(1, EncodeDate(2024, 3, firstDay)).bind(2, EncodeDate(2024, 3, lastDay + 1));
    std::vector<Figures> shifts;
    while (query.next())
        shifts.push_back({*query.number(0), query.number(1).value_or(0),
                          query.number(2).value_or(0), query.number(3).value_or(0)});
    return shifts;
}

TEST_F(NetworkReportsTest, DaySmenaFinReportAddsShiftsUpToDaysStationsAndTheNetwork) {
    test::layDemoTemplates();
    const Variant params = Variant::list({day(1), day(2), Variant("3\r\n2\r\n1\r\n")});
    const ReportData data = daySmenaFinData(kDaySmenaFinReport, params, context());
    const std::map<std::string, fs::path> files{{"Центральная (KVT №3)", own_},
                                                {"Северная (KVT №1)", base() / "KVT1.db"}};
    std::string station;
    std::vector<Figures> shifts;
    std::size_t shift = 0;
    Figures dayRows;
    Figures stationRows;
    Figures networkRows;
    // The payment types' rows, which follow a station's total, add up to its sum.
    Figures byPayType{0};
    for (const Named& row : rowsOf(data, "Smena")) {
        const Figures figures = numbersOf(row, kShiftSums);
        const std::string itog = textOf(row.at("Itog"));
        if (const std::string head = textOf(row.at("Head")); !head.empty()) {
            expectSum(byPayType, {0}, station);
            station = head;
            shifts = files.contains(head) ? shiftsOf(files.at(head), 1, 2) : std::vector<Figures>{};
            shift = 0;
        } else if (!textOf(row.at("VidOpl")).empty()) {
            byPayType[0] -= figures[1];
        } else if (itog.starts_with("Итого за ")) {
            addTo(stationRows, figures);
            expectSum(dayRows, figures, station + ", " + itog);
        } else if (!itog.empty()) {
            EXPECT_EQ(itog, "Итого по " + station);
            EXPECT_EQ(shift, shifts.size()) << station;
            addTo(networkRows, figures);
            expectSum(stationRows, figures, station);
            byPayType[0] = figures[1];
        } else if (textOf(row.at("Notice")).empty()) {
            ASSERT_LT(shift, shifts.size()) << station;
            Figures expected = shifts[shift++];
            expectSum(expected,
                      {std::get<double>(row.at("SmNum")), figures[1], figures[2], figures[5]},
                      station);
            EXPECT_NEAR(figures[2] + figures[3], figures[1], 1e-6) << station;
            addTo(dayRows, figures);
        }
    }
    expectSum(byPayType, {0}, station);
    expectSum(networkRows, numbersOf(scalarsOf(data), kShiftSums), "the network");
    EXPECT_EQ(std::get<double>(scalarsOf(data).at("Shifts")), 8);
    EXPECT_THAT(textsOf(data, "Smena", "Head"),
                ElementsAre("Центральная (KVT №3)", "Южная (KVT №2)", "Северная (KVT №1)"));
    EXPECT_THAT(textsOf(data, "Smena", "Notice"), ElementsAre(kNoDatabase));

    const ReportPages pages = produceDaySmenaFinReport(kDaySmenaFinReport, params, context());
    EXPECT_THAT(pages.text, HasSubstr("Период: с 01.03.2024 по 02.03.2024"));
    expectPages(pages, "ФИНАНСОВЫЙ СУТОЧНО-СМЕННЫЙ ОТЧЕТ");
}

TEST_F(NetworkReportsTest, DaySmenaFinReportNamesStationsByTheirDatabasesWithoutTheOfficeTable) {
    fs::remove(officeTable());
    const auto lines = [&](const std::string& stations, Variant first, Variant last) {
        const ReportData data = daySmenaFinData(
            kDaySmenaFinReport,
            Variant::list({std::move(first), std::move(last), Variant(stations)}), context());
        Strings texts = textsOf(data, "Notice", "Text");
        for (const std::string& head : textsOf(data, "Smena", "Head"))
            texts.push_back(head);
        return texts;
    };
    EXPECT_THAT(
        lines("1\r\n3\r\n", day(1), day(1)),
        ElementsAre(StartsWith(kNoTable), "АЗС-1 по базе (KVT №1)", "АЗС-3 по базе (KVT №3)"));
    // The times of day are dropped: the evening of the first day to its midnight is that day.
    EXPECT_THAT(lines("", Variant::date(EncodeDate(2024, 3, 1) + 0.99), day(1)),
                ElementsAre(StartsWith(kNoTable), "Станции сети не выбраны"));
}

TEST_F(NetworkReportsTest, MalformedArraysAreRefusedNamingTheElement) {
    using Data = ReportData (*)(std::int32_t, const Variant&, const ReportContext&);
    const Variant all("*");
    const struct {
        Data data;
        Variant params;
        std::string message;
    } cases[] = {
        {discountCardData, Variant::list({Variant(0), all}),
         "Отчет по дисконтным картам (№35): ожидается массив из 3 элементов"},
        {discountCardData, Variant::list({Variant(3), all, all}),
         "элемент 0 (форма отчета): ожидается 0, 1 или 2, получено I4(3)"},
        {discountCardData, Variant::list({Variant("0"), all, all}),
         "элемент 0 (форма отчета): ожидается целое число"},
        {discountCardData, Variant::list({Variant(0), all, Variant::list({all})}),
         "элемент 2 (станции): ожидается строка"},
        {daySmenaFinData, Variant::list({day(1), day(2)}),
         "Финансовый суточно-сменный отчет (№36): ожидается массив из 3 элементов"},
        {daySmenaFinData, Variant::list({Variant("01.03.2024"), day(2), Variant("1\r\n")}),
         "элемент 0 (первый день): ожидается дата и время"},
        {daySmenaFinData, Variant::list({day(2), day(1), Variant("1\r\n")}),
         "элемент 1 (последний день): последний день раньше первого"},
        {daySmenaFinData, Variant::list({day(1), day(2), Variant("1\r\nтри\r\n")}),
         "элемент 2 (станции): «три» не номер станции"},
        {daySmenaFinData, Variant::list({day(1), day(2), Variant("1 2\r\n")}),
         "элемент 2 (станции): «1 2» не номер станции"},
    };
    for (const auto& c : cases)
        EXPECT_THAT([&] { c.data(0, c.params, context()); },
                    ::testing::ThrowsMessage<std::runtime_error>(HasSubstr(c.message)))
            << c.params.canonical();
}

}  // namespace
}  // namespace kvt::host
