#include <gmock/gmock.h>

#include "host/reports/ReportTemplate.h"
#include "infra/DateTime.h"

namespace kvt::host {
namespace {

using ::testing::HasSubstr;

const TemplateSchema& schema() {
    static const TemplateSchema value{{{"Station", ValueKind::Text},
                                       {"Shift", ValueKind::Integer},
                                       {"Cash", ValueKind::Number},
                                       {"Opened", ValueKind::Date},
                                       {"Closed", ValueKind::Date}},
                                      {{"Pumps",
                                        {{"Pump", ValueKind::Text},
                                         {"Count", ValueKind::Integer},
                                         {"Liters", ValueKind::Number}}},
                                       {"Empty", {{"Name", ValueKind::Text}}}}};
    return value;
}

ReportData sample() {
    ReportData data(schema());
    data.set("Station", "АЗС <№7> & Co");
    data.set("Shift", 12.0);
    data.set("Cash", 1234567.891);
    data.set("Opened", EncodeDate(2024, 3, 1) + EncodeTime(8, 5, 0, 0));
    data.addRow("Pumps", {"1", 3.0, 150.5});
    data.addRow("Pumps", {"Колонка 2", 1.0, 2.25});
    data.addRow("Pumps", {"3", Cell(), Cell()});
    return data;
}

// Digit groups with a plain blank, so that the expected texts read as they look.
const NumberStyle kBlankGroups{.decimalSeparator = ",", .groupSeparator = " "};

std::string text(std::string_view source, const ReportData& data = sample(),
                 const NumberStyle& numbers = kBlankGroups) {
    return ReportTemplate::parse(source, schema()).render(data, OutputFormat::Text, numbers);
}

std::string html(std::string_view source, const ReportData& data = sample()) {
    return ReportTemplate::parse(source, schema()).render(data, OutputFormat::Html, kBlankGroups);
}

TEST(ReportTemplateTest, FieldsTakeTheirFormatsAndOldFormatWidths) {
    EXPECT_EQ(text("Смена №{{Shift}}, касса {{Cash}}, {{Cash:,.1}}"),
              "Смена №12, касса 1234567,89, 1 234 567,9\r\n");
    EXPECT_EQ(text("[{{Opened}}] [{{Opened:\"dd.mm.yy\"}}] [{{Closed}}]"),
              "[01.03.2024 08:05] [01.03.24] []\r\n");
    // Text goes left and numbers right unless told; widths count characters, not bytes.
    EXPECT_EQ(text("|{{Station:16}}|{{Shift:6}}|{{Shift:<6}}|{{Station:^20}}|"),
              "|АЗС <№7> & Co   |    12|12    |   АЗС <№7> & Co    |\r\n");
    // What does not fit: a text is cut, a number turns into '#' so that it is never misread.
    EXPECT_EQ(text("|{{Station:5}}|{{Cash:>8,.2}}|"), "|АЗС <|########|\r\n");
    EXPECT_EQ(text("{{ Shift : >4 }}"), "  12\r\n");
}

// One parsed template serves every style: the separators and the named decimals are the
// rendering's, and a separator of several UTF-8 bytes still counts as one character of width.
TEST(ReportTemplateTest, NumbersTakeTheSeparatorsAndNamedDecimalsOfTheStyle) {
    const std::string source =
        "|{{Cash:>14,.DecL}}|{{Cash:.DecKg}}|{{Cash:,.DecL2}}|{{Cash:.DecKg2}}|{{Shift:.DecL}}|";
    const struct {
        NumberStyle numbers;
        std::string expected;
    } cases[] = {
        {{}, "|  1\u00A0234\u00A0567,89|1234567,89|1\u00A0234\u00A0567,89|1234567,89|12,00|\r\n"},
        {{.decimalSeparator = ".",
          .groupSeparator = ",",
          .decL = 0,
          .decKg = 1,
          .decL2 = 3,
          .decKg2 = 2},
         "|     1,234,568|1234567.9|1,234,567.891|1234567.89|12|\r\n"},
        {{.decimalSeparator = "\u00B7",
          .groupSeparator = ".",
          .decL = 3,
          .decKg = 0,
          .decL2 = 0,
          .decKg2 = 1},
         "| 1.234.567\u00B7891|1234568|1.234.568|1234567\u00B79|12\u00B7000|\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text(source, sample(), c.numbers), c.expected) << c.numbers.decimalSeparator;
}

TEST(ReportTemplateTest, RowBlocksRepeatPerRowAndTotalsAddUpTheirColumn) {
    const std::string source =
        "+-----------+-----+--------+\r\n"
        "{{#each Pumps}}\r\n"
        "|{{Pump:11}}|{{Count:5}}|{{Liters:8.2}}|\r\n"
        "{{/each}}\r\n"
        "|Итого {{Shift}}|{{sum Pumps.Count:5}}|{{sum Pumps.Liters:8.3}}|\n";
    EXPECT_EQ(text(source),
              "+-----------+-----+--------+\r\n"
              "|1          |    3|  150,50|\r\n"
              "|Колонка 2  |    1|    2,25|\r\n"
              "|3          |     |        |\r\n"
              "|Итого 12|    4| 152,750|\r\n");
}

TEST(ReportTemplateTest, ConditionsAndElseBranchesFollowTheValuesAndTables) {
    const std::string source =
        "{{#if Closed}}\n"
        "закрыта\n"
        "{{#else}}\n"
        "открыта\n"
        "{{/if}}\n"
        "{{#each Empty}}\n"
        "{{Name}}\n"
        "{{#else}}\n"
        "нет строк\n"
        "{{/each}}\n"
        "{{#each Pumps}}\n"
        "{{#if Liters}}\n"
        "{{Pump}}: {{Liters}} {{Station}}\n"
        "{{/if}}\n"
        "{{/each}}\n"
        "{{#if Pumps}}\n"
        "есть ТРК\n"
        "{{/if}}\n";
    EXPECT_EQ(text(source),
              "открыта\r\n"
              "нет строк\r\n"
              "1: 150,50 АЗС <№7> & Co\r\n"
              "Колонка 2: 2,25 АЗС <№7> & Co\r\n"
              "есть ТРК\r\n");
}

TEST(ReportTemplateTest, HtmlEscapesEveryValueAndIgnoresWidths) {
    EXPECT_EQ(html("<td title=\"{{Station}}\">{{Station:5}}</td><td>{{Cash:>3,.2}}</td>"),
              "<td title=\"АЗС &lt;№7&gt; &amp; Co\">АЗС &lt;№7&gt; &amp; Co</td>"
              "<td>1 234 567,89</td>\r\n");
    ReportData quoted(schema());
    quoted.set("Station", "O'Brien \"Север\"");
    EXPECT_EQ(html("{{Station}}", quoted), "O&#39;Brien &quot;Север&quot;\r\n");
}

std::string repeated(std::string_view text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

// A bad template is refused with its line, never rendered half.
TEST(ReportTemplateTest, BadTemplatesAreRefusedWithTheLineAndTheReason) {
    const struct {
        std::string source;
        int line;
        std::string reason;
    } cases[] = {
        {"ok\n{{Nothing}}", 2, "неизвестное поле «Nothing»"},
        {"{{Pump}}", 1, "поле «Pump» таблицы «Pumps» стоит вне блока {{#each Pumps}}"},
        {"{{#each Pumps}}\n{{#else}}\n{{Pump}}\n{{/each}}", 3, "стоит вне блока {{#each Pumps}}"},
        {"{{Shift", 1, "поле без закрывающих «}}»"},
        {"a\n{{#each Pumps}}\n{{Pump}}\n", 2, "блок «{{#each Pumps}}» не закрыт"},
        {"{{#each Pumps}}\n{{/if}}", 2, "закрывает блок «{{#each Pumps}}» из строки 1"},
        {"{{/each}}", 1, "без открывающей директивы"},
        {"{{#else}}", 1, "без своего блока"},
        {"{{#if Shift}}\n{{#else}}\n{{#else}}\n{{/if}}", 3, "без своего блока"},
        {"{{#each Pumps}}\n{{#each Empty}}\n{{/each}}\n{{/each}}", 2, "внутри другого"},
        {"{{#each Nowhere}}\n{{/each}}", 1, "неизвестная таблица «Nowhere»"},
        {repeated("{{#if Shift}}\n", 65), 65, "блоки вложены глубже 64"},
        {"x {{#if Shift}}", 1, "должна стоять в строке одна"},
        {"{{#loop Pumps}}", 1, "неизвестная директива"},
        {"{{Station:.2}}", 1, "поле не числовое"},
        {"{{Shift:\"dd.mm\"}}", 1, "поле не дата"},
        {"{{Shift:>5x}}", 1, "непонятно «x»"},
        {"{{Shift:9999}}", 1, "число больше 500"},
        {"{{Shift:.}}", 1, "после точки нужно число знаков"},
        {"{{Shift:>-4}}", 1, "непонятно «-4»"},
        {"{{Cash:.-2}}", 1, "после точки нужно число знаков"},
        {"{{Cash:.DecM}}", 1, "неизвестное число знаков «DecM», есть DecL, DecKg, DecL2 и DecKg2"},
        {"{{Cash:.decl}}", 1, "неизвестное число знаков «decl»"},
        {"{{Cash:.DecL-}}", 1, "непонятно «-»"},
        {"{{Station:.DecL}}", 1, "поле не числовое"},
        {"{{sum Pumps.Pump}}", 1, "не числовое, его не сложить"},
        {"{{sum Pumps}}", 1, "Таблица.Поле"},
        {"{{sum Pumps.Nozzle}}", 1, "в таблице «Pumps» нет поля «Nozzle»"},
        {"{{Shift-1}}", 1, "неверное имя поля «Shift-1»"},
    };
    for (const auto& c : cases) {
        try {
            ReportTemplate::parse(c.source, schema());
            ADD_FAILURE() << "accepted: " << c.source;
        } catch (const TemplateError& error) {
            EXPECT_EQ(error.line(), c.line) << c.source;
            EXPECT_THAT(error.what(), HasSubstr("строка " + std::to_string(c.line) + ": "));
            EXPECT_THAT(error.what(), HasSubstr(c.reason)) << c.source;
        }
    }
}

}  // namespace
}  // namespace kvt::host
