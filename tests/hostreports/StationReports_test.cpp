#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "appserver/DemoData.h"
#include "appserver/StationDatabase.h"
#include "host/reports/DiagnosticReports.h"
#include "host/reports/ReportFamily.h"
#include "host/reports/ShiftReportRequest.h"
#include "host/reports/StationReports.h"
#include "infra/DateTime.h"
#include "infra/tools.h"
#include "platform/CodePage.h"
#include "platform/PathMap.h"
#include "settings/IniSettings.h"
#include "settings/SettingsCatalogue.h"
#include "support/DemoTemplates.h"
#include "support/TestRoot.h"

namespace kvt::host {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kOld = "C:\\VEDA\\FORMS\\REPORT\\";
const std::string kNew = "C:\\VEDA\\FORMS\\WEBREP\\";

// A date-time of the test station as SQL text: day 0 is 01.03.2024.
std::string at(int day, int hour, int minute = 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10f",
                  EncodeDate(2024, 3, 1) + day + EncodeTime(hour, minute, 0, 0));
    return text;
}

// A small station whose every figure is known: three shifts (the last one open), two pumps
// with three nozzles, a sale before the first shift, and one sale of each kind the report
// tells apart.
void writeTestStation(const fs::path& file) {
    const appserver::Connection db = appserver::createStationDatabase(file);
    appserver::execute(
        db,
        "PRAGMA synchronous = OFF; BEGIN;"
        "INSERT INTO Station VALUES ('АЗС «Тест»', 3);"
        "INSERT INTO Gsm VALUES (1, 'АИ-92', 500000), (2, 'ДТ', 600000);"
        "INSERT INTO Silo VALUES (1, 'Р1', 1, 10000), (2, 'Р2', 2, 20000), (3, 'Р3', 1, 5000);"
        "INSERT INTO Pump VALUES (1, '1'), (2, '2');"
        "INSERT INTO Nozzle VALUES (1, 1, 1), (1, 2, 2), (2, 1, 3);"
        "INSERT INTO VidOpl VALUES (0, 0, '&Наличные', 1, 0), (1, 1, '&Платеж. терминал', 1, 1),"
        " (2, 4, '&Ведомость +', 1, 4), (3, 104, '&Ведомость 2', 1, 4);"
        "INSERT INTO vedAuto VALUES ('A1', 'ООО «Ромашка»', 'А123ВС', '1');"
        "INSERT INTO SmLog VALUES"
        " (1, " +
            at(0, 8) + ", " + at(0, 20) +
            ", 'Иванова', 10000000, 50000000, 3000000,"
            "  'Петров', NULL),"
            " (2, " +
            at(0, 20) + ", " + at(1, 8) +
            ", 'Петров', 50000000, 90000000, 2000000, NULL,"
            "  NULL),"
            " (3, " +
            at(1, 8) +
            ", NULL, 'Сидоров', 90000000, NULL, NULL, NULL, NULL);"
            "INSERT INTO Trk (Trk, Time, Gsm, Operation, Op1, AutoMobil, Liters, Summa) VALUES"
            " ('1', " +
            at(-1, 9) +
            ", 'АИ-92', 3, 0, NULL, 99, 4950),"
            " ('1', " +
            at(0, 9) +
            ", 'АИ-92', 0, 0, NULL, 20, 1000),"
            " ('1', " +
            at(0, 9, 2) +
            ", 'АИ-92', 3, 0, NULL, 20, 1000),"
            " ('1', " +
            at(0, 10) +
            ", 'ДТ', 0, 1, NULL, 30, 1800),"
            " ('1', " +
            at(0, 10, 3) +
            ", 'ДТ', 4, 1, NULL, 25, 1500),"
            " ('2', " +
            at(0, 11) +
            ", 'АИ-92', 131, 4, 'А123ВС', 10, 500),"
            " ('2', " +
            at(0, 12) +
            ", 'ДТ', 3, 104, 'Х000ХХ', 5, 300),"
            " ('1', " +
            at(0, 21) +
            ", 'АИ-92', 7, 999, NULL, 40, 2000),"
            " ('1', " +
            at(0, 22) +
            ", 'АИ-92', 2, 0, NULL, 0, 0),"
            " ('2', " +
            at(1, 9) +
            ", 'АИ-92', 3, 0, NULL, 15, 750);"
            "INSERT INTO Prx (OpNum, Date, SmNum, GSMName, CarVolTTN, SiloName, BegTime, Fact1, "
            "Delta,"
            " Prihod, Prim, CarName) VALUES"
            " (1, 0, 1, 'АИ-92', 5000, 'Р1', " +
            at(0, 13) +
            ", 4990.6, -9.4, 1, NULL, 'МАЗ'),"
            " (2, 0, 2, 'ДТ', 100, 'Р2', " +
            at(0, 23) +
            ", 100, 0, 0, 'на поверку', NULL);"
            "COMMIT;");
}

// More records in the test station.
void addToStation(const fs::path& file, const std::string& sql) {
    const appserver::Connection db = appserver::openStationDatabase(
        file, appserver::kDefaultBusyTimeout, appserver::Access::ReadWrite);
    appserver::execute(db, sql);
}

// `text` with every '~' made a no-break space, the station's digit-group separator.
std::string nbsp(std::string_view text) {
    std::string result;
    for (const char c : text)
        result += c == '~' ? std::string("\u00A0") : std::string(1, c);
    return result;
}

// `text` right-aligned in `width` characters, as a fixed-pitch column shows it.
std::string right(const std::string& text, std::size_t width) {
    const auto length = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    return std::string(width - std::min(width, length), ' ') + text;
}

Variant triple(std::int32_t position, std::int32_t section, const std::string& path) {
    return Variant::list({Variant(position), Variant(section), Variant(path)});
}

// The nine elements as the plug-in sends them.
struct Params {
    Variant first = Variant(std::int32_t{1});
    Variant last = Variant(std::int32_t{2});
    std::vector<LayoutEntry> layout;
    std::int32_t roundRVal = 1;
    std::string department;
    std::vector<std::int32_t> statements{0, 0, 1, 0};
    std::int32_t grouping = 0;

    Variant layoutArray() const {
        std::vector<Variant> items;
        for (const LayoutEntry& entry : layout) {
            items.insert(items.end(), {Variant(entry.position), Variant(entry.section),
                                       Variant(entry.templatePath)});
        }
        items.emplace_back();
        return Variant::list(std::move(items));
    }

    Variant array() const {
        std::vector<Variant> flags;
        for (const std::int32_t flag : statements)
            flags.emplace_back(flag);
        return Variant::list({first, last, layoutArray(), Variant(std::int32_t{1}),
                              Variant(roundRVal), Variant(department), Variant(false),
                              Variant::list(std::move(flags)), Variant(grouping)});
    }
};

class StationReportsTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database_ = base() / "station.db";
        writeTestStation(database_);
    }

    std::string produce(const Variant& params) { return reports_.produce(kShiftReport, params); }
    std::string html() { return reports_.produce(kNewFormatReport, Variant::array(0, -1)); }

    // The shift report's old format from one template.
    std::string shiftText(const std::string& text, Params params = {}) {
        test::writeTemplate(kOld + "T.FRM", text);
        params.layout = {{1, 0, kOld + "T.FRM"}};
        return produce(params.array());
    }

    fs::path database_;
    std::optional<std::int32_t> currentShift_;
    StationReports reports_{[this] { return database_; }, [this] { return currentShift_; }};
};

TEST_F(StationReportsTest, AShiftRangeSumsItsShiftsSalesReceiptsAndPumpOuts) {
    const std::string source =
        "{{StationName}} №{{StationNumber}}: {{FirstShift}}-{{LastShift}} ({{ShiftCount}}) "
        "{{Operators}}; касса {{CashIn}} -> {{CashOut}}, товары {{GoodsSum}}\n"
        "{{#each Trk}}\n"
        "Trk {{Pump}}/{{Nozzle}} {{Gsm}} {{Price}}: {{Count}} {{Liters}} {{Summa}}\n"
        "{{/each}}\n"
        "{{#each Silo}}\n"
        "Silo {{Silo}} {{Gsm}}: +{{Received}} -{{PumpedOut}} -{{Sold}} = {{Movement}}\n"
        "{{/each}}\n"
        "{{#each VidOpl}}\n"
        "VidOpl {{VidOpl}} [{{Code}}]: {{Count}} {{Liters}} {{Summa}}\n"
        "{{/each}}\n"
        "{{#each Vozvrat}}\n"
        "Vozvrat {{Time}} {{Pump}} {{Gsm}}: {{Ordered}} {{Liters}} {{Summa}}\n"
        "{{/each}}\n"
        "{{#each Vedom}}\n"
        "Vedom {{VidOpl}} {{Organization}} {{Customer}}: {{Count}} {{Liters}} {{Summa}}\n"
        "{{/each}}\n"
        "{{#each Prihod}}\n"
        "Prihod {{OpNum}} {{Silo}} {{Car}} {{Volume}} {{Fact}}\n"
        "{{/each}}\n"
        "{{#each Otkachka}}\n"
        "Otkachka {{OpNum}} {{Silo}} {{Fact}} {{Note}}\n"
        "{{/each}}\n";
    EXPECT_EQ(shiftText(source),
              "АЗС «Тест» №3: 1-2 (2) Иванова, Петров; касса 1000,00 -> 9000,00, товары 500,00\r\n"
              "Trk 1/1 АИ-92 50,00: 2 60,00 3000,00\r\n"
              "Trk 1/2 ДТ 60,00: 1 25,00 1500,00\r\n"
              "Trk 2/1 АИ-92 50,00: 1 10,00 500,00\r\n"
              "Trk 2/ ДТ : 1 5,00 300,00\r\n"
              "Silo Р1 АИ-92: +4990,60 -0,00 -60,00 = 4930,60\r\n"
              "Silo Р2 ДТ: +0,00 -100,00 -25,00 = -125,00\r\n"
              "Silo Р3 АИ-92: +0,00 -0,00 -10,00 = -10,00\r\n"
              "VidOpl Наличные [0]: 1 20,00 1000,00\r\n"
              "VidOpl Платеж. терминал [1]: 1 25,00 1500,00\r\n"
              "VidOpl Ведомость + [4]: 1 10,00 500,00\r\n"
              "VidOpl Ведомость 2 [104]: 1 5,00 300,00\r\n"
              "VidOpl Вид оплаты не указан []: 1 40,00 2000,00\r\n"
              "Vozvrat 01.03.2024 10:03 1 ДТ: 30,00 25,00 300,00\r\n"
              "Vedom Ведомость + ООО «Ромашка» А123ВС: 1 10,00 500,00\r\n"
              "Prihod 1 Р1 МАЗ 5000,00 4990,60\r\n"
              "Otkachka 2 Р2 100,00 на поверку\r\n");
}

TEST_F(StationReportsTest, TankFiguresFollowTheRoundingAndGroupingSettings) {
    // A fuel whose name comes first although the station lists it last.
    addToStation(database_,
                 "INSERT INTO Gsm VALUES (3, 'А-80', 400000);"
                 "INSERT INTO Silo VALUES (4, 'Р4', 3, 1000);");
    const std::string source = "{{#each Silo}}\n{{Silo}} {{Movement:.1}}\n{{/each}}\n";
    Params params;
    EXPECT_EQ(shiftText(source, params), "Р1 4930,6\r\nР2 -125,0\r\nР3 -10,0\r\nР4 0,0\r\n");
    // Grouped by fuel name; "RoundRVal" 0 rounds to whole litres.
    params.grouping = 1;
    params.roundRVal = 0;
    EXPECT_EQ(shiftText(source, params), "Р4 0,0\r\nР1 4931,0\r\nР3 -10,0\r\nР2 -125,0\r\n");

    // The demo's new-format tank section shows rounded figures without decimals.
    test::layDemoTemplates();
    params.layout = {{1, 103, kNew + "Информация о резервуарах.html"}};
    const std::string row = "<td>Р1</td><td>АИ-92</td><td align=\"right\">10~000</td>";
    produce(params.array());
    EXPECT_THAT(html(), HasSubstr(nbsp(row + "<td align=\"right\">4~991</td>")));
    params.roundRVal = 1;
    produce(params.array());
    EXPECT_THAT(html(), HasSubstr(nbsp(row + "<td align=\"right\">4~990,60</td>")));
}

// The general report options of cnf.INI, as the operator reads them in the financial report
// of the demo templates: the cash row (two sales, one with a discount) and the total.
TEST_F(StationReportsTest, TheFinancialReportFollowsTheGeneralReportOptions) {
    addToStation(database_,
                 "INSERT INTO Trk (ID, Trk, Time, Gsm, Operation, Op1, Liters, Summa) VALUES"
                 " (100, '1', " +
                     at(0, 14) +
                     ", 'АИ-92', 3, 0, 20.5, 975);"
                     "INSERT INTO TrkSale (TrkID, Skidka) VALUES (100, 50);");
    test::layDemoTemplates();
    Params params;
    params.layout = {{1, 4, kOld + "Smena3.FRM"}, {1, 104, kNew + "Финансовый отчет.html"}};
    const struct {
        std::string what;
        std::optional<char> decimal;
        std::optional<char> group;
        std::optional<std::int32_t> decL;
        std::optional<std::int32_t> decL2;
        std::optional<std::int32_t> sumType;
        std::string liters, summa, totalLiters, totalSumma;  // '~' a no-break space
    } cases[] = {
        {"nothing set", {}, {}, {}, {}, {}, "40,50", "1~975,00", "120,50", "6~275,00"},
        {"dot, blank", '.', ' ', {}, {}, {}, "40.50", "1 975.00", "120.50", "6 275.00"},
        {"comma, no-break, DecL 0", ',', '\xA0', 0, 3, {}, "41", "1~975,00", "120,500", "6~275,00"},
        {"DecL 3, as recorded", {}, {}, 3, 0, 0, "40,500", "1~975,00", "121", "6~275,00"},
        {"beyond the form's range", {}, {}, 7, -1, {}, "40,500", "1~975,00", "121", "6~275,00"},
        {"by litres", {}, {}, {}, {}, 1, "40,50", "2~025,00", "120,50", "6~325,00"},
    };
    const fs::path config = platform::PathMap::resolve(ConfigFileName());
    fs::create_directories(config.parent_path());
    for (const auto& c : cases) {
        fs::remove(config);
        if (c.decimal)
            settings::WriteSeparator(settings::kDecimalSeparatorKey, *c.decimal);
        if (c.group)
            settings::WriteSeparator(settings::kThousandSeparatorKey, *c.group);
        if (c.decL)
            settings::WriteSetting(settings::kDecL, *c.decL);
        if (c.decL2)
            settings::WriteSetting(settings::kDecL2, *c.decL2);
        if (c.sumType)
            settings::WriteSetting(settings::kRepSmType, *c.sumType);
        const std::string liters = nbsp(c.liters), summa = nbsp(c.summa);
        const std::string totalLiters = nbsp(c.totalLiters), totalSumma = nbsp(c.totalSumma);
        const std::string text = produce(params.array());
        EXPECT_THAT(text, HasSubstr("|Наличные                      |     2|" + right(liters, 12) +
                                    "|" + right(summa, 14) + "|\r\n"))
            << c.what;
        EXPECT_THAT(text, HasSubstr("| Итого за топливо             |     6|" +
                                    right(totalLiters, 12) + "|" + right(totalSumma, 14) + "|"))
            << c.what;
        const std::string td = "</td><td align=\"right\">";
        const std::string th = "</th><th align=\"right\">";
        EXPECT_THAT(html(),
                    AllOf(HasSubstr("<td>Наличные" + td + "2" + td + liters + td + summa + "</td>"),
                          HasSubstr(">6" + th + totalLiters + th + totalSumma + "</th>")))
            << c.what;
    }
}

TEST_F(StationReportsTest, TheCurrentShiftIsTheConsolesOrElseTheLatestOne) {
    const std::string source =
        "{{FirstShift}} {{Current}} [{{EndTime}}] {{sum Trk.Liters}} {{Operators}}\n";
    Params current;
    current.first = current.last = Variant::i1(-1);
    EXPECT_EQ(shiftText(source, current), "3 1 [] 15,00 Сидоров\r\n");
    currentShift_ = 2;
    EXPECT_EQ(shiftText(source, current), "2 1 [02.03.2024 08:00] 40,00 Петров\r\n");

    currentShift_ = 7;
    EXPECT_THROW(
        {
            try {
                shiftText(source, current);
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "Текущей смены №7 нет в журнале смен");
                throw;
            }
        },
        std::runtime_error);
    Params missing;
    missing.first = Variant(std::int32_t{9});
    missing.last = Variant(std::int32_t{7});
    EXPECT_THROW(
        {
            try {
                shiftText(source, missing);
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "В журнале смен нет смен с №7 по №9");
                throw;
            }
        },
        std::runtime_error);
}

TEST_F(StationReportsTest, AnEmptyShiftLogIsAnErrorNotAnEmptyReport) {
    appserver::createStationDatabase(database_ = base() / "empty.db");
    Params current;
    current.first = current.last = Variant::i1(-1);
    EXPECT_THROW(
        {
            try {
                shiftText("{{FirstShift}}\n", current);
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "Журнал смен пуст: текущей смены нет");
                throw;
            }
        },
        std::runtime_error);
    Params range;
    EXPECT_THROW(shiftText("{{FirstShift}}\n", range), std::runtime_error);
}

TEST_F(StationReportsTest, SectionsFollowTheLayoutAndBrokenTemplatesBecomeNotices) {
    test::writeTemplate(kOld + "A.FRM", "A {{FirstShift}}\n");
    test::writeTemplate(kOld + "B.frm", "B\n");
    test::writeTemplate(kOld + "Bad.FRM", "ok\n{{Foo}}\n");
    test::writeTemplate(kNew + "a.html", "<p>a {{StationName}}</p>");
    test::writeTemplate(kNew + "b.html", "<p>b</p>\n");
    fs::create_directories(platform::PathMap::toLocal(kOld + "Folder.FRM"));
    Params params;
    params.layout = {
        {1, 2, kOld + "A.FRM"},
        {1, 102, kNew + "a.html"},
        {2, 5, kOld + "Missing.FRM"},
        {2, 105, ""},
        {3, 0, kOld + "Bad.FRM"},
        {3, 100, kNew + "Missing.html"},
        {4, 1, ""},
        {4, 101, kNew + "b.html"},
        {5, 7, kOld + "Folder.FRM"},
        {6, 15, "c:\\veda\\forms\\report\\b.FRM"},
    };
    EXPECT_EQ(produce(params.array()),
              "A 1\r\n"
              "Шаблон не найден: C:\\VEDA\\FORMS\\REPORT\\Missing.FRM\r\n"
              "Ошибка в шаблоне C:\\VEDA\\FORMS\\REPORT\\Bad.FRM, строка 2: неизвестное поле "
              "«Foo»\r\n"
              "Шаблон не читается: C:\\VEDA\\FORMS\\REPORT\\Folder.FRM\r\n"
              "B\r\n");
    const std::string page = html();
    EXPECT_THAT(page, HasSubstr("<body>\r\n<p>a АЗС «Тест»</p>\r\n"
                                "<p class=\"kvt-notice\">Шаблон не найден: "
                                "C:\\VEDA\\FORMS\\WEBREP\\Missing.html</p>\r\n"
                                "<p>b</p>\r\n</body>"));
}

TEST_F(StationReportsTest, TheNewFormatIsOnePageWithTheTemplatesBodiesAndStyles) {
    test::writeTemplate(
        kNew + "page.html",
        "<HTML><head><title>x</title><style>h1 { color: red; }</style></head>\n"
        "<Body class=\"x\">\n<h1>{{StationName}} & {{Operators}}</h1>\n</BODY></html>\n");
    test::writeTemplate(kNew + "fragment.html", "<td>{{Department}}</td>\n");
    test::writeTemplate(kOld + "T.FRM", "{{Department}}\n");
    Params params;
    params.department = "<Отдел & \"склад\">";
    params.layout = {
        {1, 100, kNew + "page.html"}, {1, 0, kOld + "T.FRM"}, {2, 101, kNew + "fragment.html"}};
    EXPECT_EQ(produce(params.array()), "<Отдел & \"склад\">\r\n");
    const std::string page = html();
    EXPECT_THAT(page, StartsWith("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta "
                                 "http-equiv=\"Content-Type\" content=\"text/html; "
                                 "charset=windows-1251\">\r\n<title>Сменный отчет</title>\r\n"));
    EXPECT_THAT(page, HasSubstr("<style>h1 { color: red; }</style>\r\n</head>\r\n<body>\r\n"
                                "\r\n<h1>АЗС «Тест» & Иванова, Петров</h1>\r\n"
                                "<td>&lt;Отдел &amp; &quot;склад&quot;&gt;</td>\r\n</body>\r\n"
                                "</html>\r\n"));
    EXPECT_THAT(page, Not(HasSubstr("<title>x</title>")));
    // Report 55 answers the shift report produced last, as often as it is asked.
    EXPECT_EQ(html(), page);
}

TEST_F(StationReportsTest, OtherReportsAreDiagnosticAndReport55FollowsTheLastReport) {
    EXPECT_THROW(html(), std::runtime_error);
    test::writeTemplate(kNew + "a.html", "<p>shift</p>");
    Params params;
    params.layout = {{1, 100, kNew + "a.html"}};
    produce(params.array());
    const Variant period = Variant::list({Variant::date(45000.5)});
    EXPECT_EQ(reports_.produce(99, period), diagnosticText(99, period));
    EXPECT_EQ(html(), diagnosticHtml(99, period));
    produce(params.array());
    EXPECT_THAT(html(), HasSubstr("<p>shift</p>"));
    // A failed shift report leaves no report for 55, not even the one before it.
    params.first = params.last = Variant(std::int32_t{50});
    EXPECT_THROW(produce(params.array()), std::runtime_error);
    EXPECT_THROW(html(), std::runtime_error);
}

// The console answers a number by the family that names it; a number is named once at most, and
// never 55, which is the producer's own.
TEST_F(StationReportsTest, ReportsGoToTheFamilyThatNamesThemAnd55FollowsThem) {
    std::vector<std::int32_t> numbers;
    for (const ReportFamily& family : reportFamilies())
        numbers.insert(numbers.end(), family.numbers.begin(), family.numbers.end());
    std::ranges::sort(numbers);
    EXPECT_EQ(std::ranges::adjacent_find(numbers), numbers.end());
    EXPECT_FALSE(std::ranges::binary_search(numbers, kNewFormatReport));
    EXPECT_TRUE(std::ranges::binary_search(numbers, kShiftReport));

    test::writeTemplate(kNew + "Журнал поступления и откачки топлива.html", "<p>{{Title}}</p>");
    const Variant range = Variant::list({Variant(std::int32_t{1}), Variant(std::int32_t{2})});
    EXPECT_EQ(reports_.produce(31, range),
              "Шаблон не найден: C:\\VEDA\\FORMS\\REPORT\\PrxLog.FRM\r\n");
    EXPECT_THAT(html(), AllOf(HasSubstr("<title>Журнал откачки топлива</title>"),
                              HasSubstr("<p>Журнал откачки топлива</p>")));
    const Variant unknown = Variant::list({Variant(std::int32_t{7})});
    EXPECT_EQ(reports_.produce(99, unknown), diagnosticText(99, unknown));
    EXPECT_EQ(html(), diagnosticHtml(99, unknown));
}

TEST_F(StationReportsTest, MalformedParameterArraysAreRefusedNamingTheElement) {
    const auto with = [](int index, Variant value) {
        Variant params = Params{}.array();
        params.at(index) = std::move(value);
        return params;
    };
    const struct {
        Variant params;
        std::string message;
    } cases[] = {
        {Variant(std::int32_t{45}), "ожидается массив из 9 элементов, получено I4(45)"},
        {Variant::array(0, 7), "ожидается массив из 9 элементов"},
        {with(0, Variant("1")),
         "элемент 0 (первая смена): ожидается целое число, получено Str(\"1\")"},
        {with(1, Variant::i1(-1)),
         "элемент 1 (последняя смена): ожидается номер смены больше 0 или -1"},
        {with(2, Variant(std::int32_t{3})),
         "элемент 2 (макет отчета): ожидается одномерный массив"},
        {with(2, Variant::list({triple(1, 0, "a")})), "элемент 2 (макет отчета): ожидаются тройки"},
        {with(2, Variant::list({Variant(std::int32_t{1}), Variant(std::int32_t{42}), Variant("a"),
                                Variant()})),
         "тройка 0: раздел должен быть от 0 до 15 или от 100 до 115, получено I4(42)"},
        {with(2, Variant::list({Variant("1"), Variant(std::int32_t{0}), Variant("a"), Variant()})),
         "тройка 0: позиция: ожидается целое число"},
        {with(2, Variant::list({Variant(std::int32_t{1}), Variant(std::int32_t{0}),
                                Variant(std::int32_t{5}), Variant()})),
         "тройка 0: путь к шаблону должен быть строкой, получено I4(5)"},
        {with(4, Variant(true)), "элемент 4 (округление по резервуарам): ожидается целое число"},
        {with(5, Variant(std::int32_t{5})), "элемент 5 (путь отдела): ожидается строка"},
        {with(6, Variant(std::int32_t{1})),
         "элемент 6 (признак уровня 3): ожидается логическое значение"},
        {with(7, Variant::list({Variant("1")})),
         "элемент 7 (выбор ведомостей): флаг вида оплаты: ожидается целое число"},
        {with(8, Variant()),
         "элемент 8 (группировка по резервуарам): ожидается целое число, получено Empty"},
    };
    for (const auto& c : cases) {
        try {
            produce(c.params);
            ADD_FAILURE() << "accepted " << c.params.canonical();
        } catch (const std::runtime_error& error) {
            EXPECT_THAT(error.what(),
                        AllOf(StartsWith("Сменный отчет (№45): "), HasSubstr(c.message)));
        }
    }
}

// The demo templates of every group, laid out as scripts/demo.sh lays them, on the demo station.
TEST_F(StationReportsTest, TheDemoTemplatesMakeACompleteReportWhoseTablesLineUp) {
    appserver::writeDemoDatabase(database_ = base() / "demo.db", {12, 1});
    test::layDemoTemplates();
    const auto rows = test::demoTemplateRows();
    const auto row = [&](const std::string& key, std::string_view fallback) {
        for (const auto& [name, value] : rows) {
            if (name == key)
                return value;
        }
        return std::string(fallback);
    };
    Params params;
    params.last = Variant(std::int32_t{12});
    params.roundRVal = 0;
    params.statements = {0, 0, 0, 0, 1};
    for (std::int32_t g = 0; g < kShiftGroupCount; ++g) {
        const auto& group = settings::kShiftReportGroups[static_cast<std::size_t>(g)];
        const std::string old = row(settings::ShiftRowPathKey(g, 0), group.defaultRepPath);
        const std::string web = row(settings::ShiftRowWebPathKey(g, 0), group.defaultWebRepPath);
        ASSERT_FALSE(old.empty() || web.empty()) << "group " << g << " has no demo template";
        const std::int32_t position =
            std::stoi(row(settings::ShiftRowKey(g, 0), std::to_string(g + 1)));
        params.layout.push_back({position, g, kOld + old});
        params.layout.push_back({position, g + kNewFormatSectionBase, kNew + web});
    }
    std::stable_sort(
        params.layout.begin(), params.layout.end(),
        [](const LayoutEntry& a, const LayoutEntry& b) { return a.position < b.position; });
    const std::string text = produce(params.array());
    const std::string page = html();
    for (const std::string& report : {text, page}) {
        EXPECT_THAT(report, Not(HasSubstr("Шаблон не")));
        EXPECT_THAT(report, Not(HasSubstr("Ошибка в шаблоне")));
    }
    EXPECT_THAT(text, HasSubstr("АЗС №7 «Северная»"));
    EXPECT_THAT(page, HasSubstr("АЗС №7 «Северная»"));
    // Consecutive table lines (drawn with + - |) are all of one width, in characters.
    const auto characters = [](const std::string& line) {
        return std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
    };
    std::ptrdiff_t width = 0;
    for (const std::string& line : test::splitLines(text)) {
        const bool table = line.starts_with('+') || line.starts_with('|');
        if (table && width != 0) {
            EXPECT_EQ(characters(line), width) << line;
        }
        width = table ? characters(line) : 0;
    }
}

}  // namespace
}  // namespace kvt::host
