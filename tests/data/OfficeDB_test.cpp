#include "data/OfficeDB.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/PathMap.h"
#include "support/TestRoot.h"

namespace kvt::data {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

const std::string kSelect = "SELECT * FROM \"C:\\VEDA\\OfficeDB\\Office.DB\"";
const std::string kOrdered = kSelect + " ORDER BY KVTNumber";

const std::vector<ParadoxField> kStationFields{
    {.name = "KVTName", .type = ParadoxType::Alpha, .length = 40},
    {.name = "Region", .type = ParadoxType::Alpha, .length = 20},
    {.name = "KVTNumber", .type = ParadoxType::Long, .length = 0},
};

class OfficeDBTest : public test::FreshRoot {
protected:
    fs::path table() const {
        const fs::path folder = driveC() / "VEDA" / "OfficeDB";
        fs::create_directories(folder);
        return folder / "Office.DB";
    }

    void writeStations(const std::vector<std::vector<Variant>>& records,
                       const std::vector<ParadoxField>& fields = kStationFields) {
        writeParadoxTable(table(), fields, records);
    }

    std::vector<std::string> read(const std::string& sql, std::string_view field) {
        TOfficeQuery query;
        query.SQL = sql;
        query.Open();
        std::vector<std::string> values;
        for (; !query.Eof(); query.Next())
            values.push_back(query.FieldByName(field).toString());
        return values;
    }

    std::string failure(const std::string& sql, std::string_view field = "KVTName") {
        try {
            read(sql, field);
        } catch (const ParadoxError& error) {
            return error.what();
        }
        return "no error";
    }
};

// A table written by pxlib reads back value for value, Cyrillic names and all kinds of field.
TEST_F(OfficeDBTest, EveryKindOfFieldReadsBackAsWritten) {
    const std::vector<ParadoxField> fields{
        {.name = "Имя", .type = ParadoxType::Alpha, .length = 30},
        {.name = "S", .type = ParadoxType::Short, .length = 0},
        {.name = "L", .type = ParadoxType::Long, .length = 0},
        {.name = "N", .type = ParadoxType::Number, .length = 0},
        {.name = "C", .type = ParadoxType::Currency, .length = 0},
        {.name = "B", .type = ParadoxType::Logical, .length = 0},
        {.name = "D", .type = ParadoxType::Date, .length = 0},
    };
    writeParadoxTable(
        table(), fields,
        {{Variant("АЗС №1 «Ёлки»"), Variant(-7), Variant(-2000000), Variant(-1.25), Variant(12.5),
          Variant(true), Variant::date(45352)},
         {Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant()}});
    const ParadoxTable read = ParadoxTable::read(table());
    ASSERT_EQ(read.fields().size(), fields.size());
    EXPECT_EQ(read.fields()[0].name, "Имя");
    EXPECT_EQ(read.fieldIndex("имя"), 0u);
    ASSERT_EQ(read.records().size(), 2u);
    const std::vector<Variant>& first = read.records()[0];
    EXPECT_EQ(first[0].toString(), "АЗС №1 «Ёлки»");
    EXPECT_EQ(first[1].toInt(), -7);
    EXPECT_EQ(first[2].toInt(), -2000000);
    EXPECT_DOUBLE_EQ(first[3].toDouble(), -1.25);
    EXPECT_DOUBLE_EQ(first[4].toDouble(), 12.5);
    EXPECT_TRUE(first[5].toBool());
    EXPECT_DOUBLE_EQ(first[6].toDouble(), 45352);
    for (const Variant& blank : read.records()[1])
        EXPECT_TRUE(blank.isEmpty());
}

TEST_F(OfficeDBTest, TheTwoStatementsGiveTableOrderAndNumberOrder) {
    writeStations({{Variant("Третья"), Variant("Юг"), Variant(3)},
                   {Variant("Первая"), Variant("Север"), Variant(1)},
                   {Variant("Без номера"), Variant(), Variant()},
                   {Variant("Вторая"), Variant("Юг"), Variant(2)}});
    EXPECT_THAT(read(kSelect, "KVTName"), ElementsAre("Третья", "Первая", "Без номера", "Вторая"));
    EXPECT_THAT(read(kOrdered, "kvtname"), ElementsAre("Без номера", "Первая", "Вторая", "Третья"));
    EXPECT_THAT(read("  select *\tfrom \"c:\\veda\\officedb\\office.db\"  order by kvtnumber ",
                     "KVTNumber"),
                ElementsAre("", "1", "2", "3"));
}

// Only the two reads reach the file; whatever else a caller sends is refused by name.
TEST_F(OfficeDBTest, AnyOtherStatementIsRefused) {
    writeStations({{Variant("Первая"), Variant(), Variant(1)}});
    for (const std::string& sql :
         {std::string("SELECT KVTName FROM \"C:\\VEDA\\OfficeDB\\Office.DB\""),
          std::string("SELECT * FROM \"C:\\VEDA\\OfficeDB\\Other.DB\""),
          kSelect + " ORDER BY KVTName", kSelect + "; DELETE FROM x", kSelect + " WHERE 1=1",
          std::string("SELECT * FROM \"C:\\VEDA\\OfficeDB\\Office.DB"), std::string()})
        EXPECT_THAT(failure(sql), HasSubstr("Запрос к таблице станций не поддерживается")) << sql;
}

// Each bad table gives a message that says what is wrong with it; nothing crashes.
TEST_F(OfficeDBTest, BadTablesGiveClearMessages) {
    EXPECT_EQ(failure(kSelect), "C:\\VEDA\\OfficeDB\\Office.DB -> Файл не найден");

    test::writeFile(table(), "");
    EXPECT_THAT(failure(kSelect), HasSubstr("не является таблицей Paradox или поврежден"));
    test::writeFile(table(), "KVTName;KVTNumber\r\nПервая;1\r\n");
    EXPECT_THAT(failure(kSelect), HasSubstr("не является таблицей Paradox или поврежден"));

    writeStations({{Variant("Первая"), Variant(), Variant(1)}});
    const std::string whole = test::readFile(table());
    for (const std::size_t cut : {std::size_t{100}, whole.size() / 2, whole.size() - 1}) {
        test::writeFile(table(), whole.substr(0, cut));
        EXPECT_THAT(failure(kSelect), HasSubstr("Paradox")) << cut;
    }

    writeStations({{Variant("Первая"), Variant(1)}},
                  {{.name = "Name", .type = ParadoxType::Alpha, .length = 40},
                   {.name = "Number", .type = ParadoxType::Long, .length = 0}});
    EXPECT_EQ(failure(kSelect), "В таблице станций нет поля \"KVTName\"");
    EXPECT_EQ(failure(kOrdered), "В таблице станций нет поля \"KVTNumber\"");

    // 0x98 is the one byte that Windows-1251 does not define.
    writeStations({{Variant("Первая"), Variant(), Variant(1)}});
    std::string bytes = test::readFile(table());
    const auto name = bytes.find(platform::utf8ToCp1251("Первая"));
    ASSERT_NE(name, std::string::npos);
    bytes[name + 1] = '\x98';
    test::writeFile(table(), bytes);
    EXPECT_THAT(failure(kSelect),
                HasSubstr("не в кодировке Windows-1251 (поле \"KVTName\" записи 1)"));
}

TEST_F(OfficeDBTest, AnEmptyTableHasNoRecords) {
    writeStations({});
    EXPECT_THAT(read(kOrdered, "KVTName"), ElementsAre());
}

}  // namespace
}  // namespace kvt::data
