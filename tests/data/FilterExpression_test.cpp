#include "data/FilterExpression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "appserver/RecordStore.h"
#include "platform/Text.h"
#include "tests/support/TestRoot.h"

namespace kvt::data {
namespace {

using appserver::FieldDef;
using appserver::FieldType;
using appserver::RecordStore;

// A record of named, typed values, held as a record set of one record; a name set again (in any
// case) takes the new type and value.
class Record {
public:
    Record& set(const std::string& name, FieldType type, Variant value) {
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            if (platform::equalsIgnoreCase(fields_[i].name, name)) {
                fields_[i].type = type;
                values_[i] = std::move(value);
                return *this;
            }
        }
        fields_.push_back({name, type, 0});
        values_.push_back(std::move(value));
        return *this;
    }
    const std::vector<FieldDef>& fields() const { return fields_; }
    RecordStore store() const {
        RecordStore records(fields_);
        records.appendRow(values_);
        return records;
    }

private:
    std::vector<FieldDef> fields_;
    appserver::Row values_;
};

FilterExpression bound(std::string_view filter, const std::vector<FieldDef>& fields) {
    FilterExpression expression = FilterExpression::parse(filter);
    expression.bind(fields);
    return expression;
}

bool matches(std::string_view filter, const Record& record) {
    return bound(filter, record.fields()).matches(record.store(), 0);
}

// The quoting the runners apply to a date-time before putting it into a filter.
std::string quoted(DateTime value) {
    return "'" + DateTimeToStr(value) + "'";
}

class FilterExpressionTest : public test::FreshRoot {
protected:
    // A receipt record as the fuel log delivers it.
    Record receipt(DateTime begTime, bool prihod, const std::string& carName) {
        Record record;
        record.set("BegTime", FieldType::DateTime, Variant::date(begTime))
            .set("Prihod", FieldType::Boolean, Variant(prihod))
            .set("CarName", FieldType::String, Variant(carName))
            .set("OpNum", FieldType::Integer, Variant(17))
            .set("CarVolTTN", FieldType::Float, Variant(10250.5));
        return record;
    }
    const DateTime shiftBegin = EncodeDate(2026, 12, 1) + EncodeTime(8, 0, 0, 0);
    const DateTime shiftEnd = EncodeDate(2026, 12, 1) + EncodeTime(20, 0, 0, 0);
};

TEST_F(FilterExpressionTest, DirectionFiltersOfTheReceiptLog) {
    const Record in = receipt(shiftBegin, true, "КамАЗ");
    const Record out = receipt(shiftBegin, false, "КамАЗ");
    EXPECT_TRUE(matches("Prihod = True", in));
    EXPECT_FALSE(matches("Prihod = True", out));
    EXPECT_TRUE(matches("Prihod = False", out));
    EXPECT_FALSE(matches("Prihod = False", in));
    EXPECT_TRUE(matches("prihod = TRUE", in));
}

TEST_F(FilterExpressionTest, ShiftRangeFilterAsTheShiftRunnerBuildsIt) {
    const std::string filter = "BegTime>=" + quoted(shiftBegin) +
                               " and BegTime<= " + quoted(shiftEnd) + " and Prihod = True";
    const DateTime second = 1.0 / 86400;
    EXPECT_TRUE(matches(filter, receipt(shiftBegin, true, "")));
    EXPECT_TRUE(matches(filter, receipt(shiftEnd, true, "")));
    EXPECT_TRUE(matches(filter, receipt(shiftBegin + 0.25, true, "")));
    EXPECT_FALSE(matches(filter, receipt(shiftBegin - second, true, "")));
    EXPECT_FALSE(matches(filter, receipt(shiftEnd + second, true, "")));
    EXPECT_FALSE(matches(filter, receipt(shiftBegin + 0.25, false, "")));
}

TEST_F(FilterExpressionTest, MidnightDateTimeIsWrittenAsDateAlone) {
    const DateTime midnight = EncodeDate(2026, 12, 2);
    const std::string filter = "BegTime >= " + quoted(midnight);
    ASSERT_EQ(quoted(midnight), "'02.12.2026'");
    EXPECT_TRUE(matches(filter, receipt(midnight, true, "")));
    EXPECT_FALSE(matches(filter, receipt(midnight - 1.0 / 86400, true, "")));
}

TEST_F(FilterExpressionTest, VehicleFilterOfTheShiftPicker) {
    const Record obrien = receipt(shiftBegin, true, "O'Brien");
    EXPECT_TRUE(matches("Prihod = True and CarName = 'O''Brien'", obrien));
    EXPECT_FALSE(matches("Prihod = False and CarName = 'O''Brien'", obrien));
    EXPECT_FALSE(matches("Prihod = True and CarName = 'OBrien'", obrien));
    // Names compare exactly, case included.
    EXPECT_FALSE(matches("Prihod = True and CarName = 'o''brien'", obrien));
    EXPECT_TRUE(matches("Prihod = True and CarName = 'КамАЗ'", receipt(0, true, "КамАЗ")));
}

TEST_F(FilterExpressionTest, DeletedFlagOfTheContractorLists) {
    Record live;
    live.set("IsDelete", FieldType::Boolean, Variant(false));
    Record deleted;
    deleted.set("IsDelete", FieldType::Boolean, Variant(true));
    EXPECT_TRUE(matches("IsDelete=false", live));
    EXPECT_FALSE(matches("IsDelete=false", deleted));
}

TEST_F(FilterExpressionTest, PaymentTypeFiltersOfTheStatementDialog) {
    // Built by appending " VidOplat = <code> OR" per ticked box, dropping the final "OR" and
    // appending " OR VidOplat IS NULL".
    const std::string ticked = " VidOplat = 4 OR VidOplat = 104  OR VidOplat IS NULL";
    auto org = [](Variant vidOplat) {
        Record record;
        record.set("VidOplat", FieldType::Integer, std::move(vidOplat));
        return record;
    };
    EXPECT_TRUE(matches(ticked, org(Variant(4))));
    EXPECT_TRUE(matches(ticked, org(Variant(104))));
    EXPECT_TRUE(matches(ticked, org(Variant::null())));
    EXPECT_FALSE(matches(ticked, org(Variant(204))));
    EXPECT_TRUE(matches(" VidOplat = 1 OR  VidOplat IS NULL", org(Variant(1))));
    EXPECT_FALSE(matches(" VidOplat = 999", org(Variant(4))));
    EXPECT_FALSE(matches(" VidOplat = 999", org(Variant::null())));

    Record car;
    car.set("ID", FieldType::String, Variant("00000012"));
    EXPECT_FALSE(matches("ID = 'none'", car));
}

TEST_F(FilterExpressionTest, NullComparesFalseExceptIsNull) {
    Record record;
    record.set("Summa", FieldType::Float, Variant::null())
        .set("Name", FieldType::String, Variant::null());
    for (const char* filter :
         {"Summa = 0", "Summa <> 0", "Summa < 1", "Summa >= 0", "Name = ''", "Name <> 'x'"})
        EXPECT_FALSE(matches(filter, record)) << filter;
    EXPECT_TRUE(matches("Summa IS NULL", record));
    EXPECT_FALSE(matches("Summa IS NOT NULL", record));
    EXPECT_TRUE(matches("NOT Summa = 0", record));
    record.set("Summa", FieldType::Float, Variant(0.0));
    EXPECT_TRUE(matches("summa is not null and Summa = 0", record));
}

TEST_F(FilterExpressionTest, OperatorsPrecedenceAndLiterals) {
    Record record;
    record.set("Liters", FieldType::Float, Variant(12.5))
        .set("Client", FieldType::SmallInt, Variant::i2(-3))
        .set("Summa", FieldType::Currency, Variant::currency(1234500))
        .set("Gsm", FieldType::String, Variant("АИ-95"))
        .set("Trk Name", FieldType::String, Variant("2"));
    EXPECT_TRUE(matches("Liters > 12.4 AND Liters < 12.6", record));
    EXPECT_TRUE(matches("Liters <= 12.5 and Liters >= 12.5 and Liters <> 12", record));
    EXPECT_TRUE(matches("Client = -3", record));
    EXPECT_TRUE(matches("Summa = 123.45", record));
    EXPECT_TRUE(matches("Gsm > 'АИ-92'", record));
    // AND binds tighter than OR; parentheses and NOT override.
    EXPECT_TRUE(matches("Liters = 1 AND Client = 1 OR Gsm = 'АИ-95'", record));
    EXPECT_FALSE(matches("Liters = 1 AND (Client = 1 OR Gsm = 'АИ-95')", record));
    EXPECT_TRUE(matches("NOT (Liters = 1) AND NOT NOT Client = -3", record));
    EXPECT_TRUE(matches("[Trk Name] = '2'", record));
    EXPECT_TRUE(matches(std::string(64, '(') + "Client = -3" + std::string(64, ')'), record));
    EXPECT_TRUE(matches("   ", record));
    EXPECT_TRUE(matches("", record));
}

TEST_F(FilterExpressionTest, ParseErrorsQuoteTheWholeFilter) {
    for (const std::string& filter : std::initializer_list<std::string>{
             "Prihod = ", "Prihod = True and", "(Prihod = True", "CarName = 'x", "Prihod == True",
             "Prihod = True Prihod", "Prihod ! True", "Summa IS 1", "12abc = 1", "= 1", "'a'",
             "Prihod = True)", "[Prihod = True",
             std::string(65, '(') + "Prihod = True" + std::string(65, ')')}) {
        try {
            FilterExpression::parse(filter);
            ADD_FAILURE() << "accepted: " << filter;
        } catch (const FilterError& error) {
            EXPECT_NE(std::string(error.what()).find("\"" + filter + "\""), std::string::npos)
                << error.what();
        }
    }
}

TEST_F(FilterExpressionTest, ParseErrorTellsWhere) {
    try {
        FilterExpression::parse("Prihod = True and and");
        FAIL();
    } catch (const FilterError& error) {
        EXPECT_STREQ(error.what(),
                     "Фильтр \"Prihod = True and and\": непредвиденное 'and' в позиции 19");
    }
}

TEST_F(FilterExpressionTest, EvaluationErrorsNameTheFilter) {
    const Record record = receipt(shiftBegin, true, "x");
    const auto expectError = [&](const std::string& filter, const std::string& part) {
        try {
            matches(filter, record);
            ADD_FAILURE() << "accepted: " << filter;
        } catch (const FilterError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("\"" + filter + "\""), std::string::npos) << message;
            EXPECT_NE(message.find(part), std::string::npos) << message;
        }
    };
    expectError("Prihod = True and Driver = 'x'", "'Driver'");
    expectError("BegTime >= '32.13.2026'", "'32.13.2026'");
    expectError("OpNum = 'seventeen'", "'seventeen'");
    expectError("Prihod = 'maybe'", "'maybe'");
    expectError("OpNum = CarName", "разные типы");
    expectError("CarName", "логическое поле");
}

// Every filter text the runners and dialogs build, checked against the layout of the dataset it
// is set on before any record is there; and the bad ones a layout alone reveals.
TEST_F(FilterExpressionTest, ValidationAgainstTheFieldLayoutAlone) {
    const Record prx = receipt(shiftBegin, true, "");
    Record contractor;
    contractor.set("ID", FieldType::String, Variant("1"))
        .set("IsDelete", FieldType::Boolean, Variant(false));
    Record organisation;
    organisation.set("Name", FieldType::String, Variant("x"))
        .set("VidOplat", FieldType::Integer, Variant(4));
    const std::pair<std::string, const Record*> partsFilters[] = {
        {"Prihod = True", &prx},
        {"Prihod = False", &prx},
        {"BegTime>=" + quoted(shiftBegin) + " and BegTime<= " + quoted(shiftEnd) +
             " and Prihod = False",
         &prx},
        {"Prihod = False and CarName = 'O''Brien'", &prx},
        {"IsDelete=false", &contractor},
        {"ID = 'none'", &contractor},
        {" VidOplat = 4 OR VidOplat = 104  OR VidOplat IS NULL", &organisation},
        {" VidOplat = 999", &organisation},
        {"", &organisation},
    };
    for (const auto& [filter, layout] : partsFilters)
        EXPECT_NO_THROW(bound(filter, layout->fields())) << filter;

    for (const char* bad : {"Prihod = True and Driver = 'x'", "NOT (OpNum = 1 OR Driver IS NULL)",
                            "BegTime >= '32.13.2026'", "OpNum = 'seventeen'", "Prihod = 'maybe'",
                            "OpNum = CarName", "CarName", "True = 1"})
        EXPECT_THROW(bound(bad, prx.fields()), FilterError) << bad;
}

TEST_F(FilterExpressionTest, LiteralsTakeTheFieldsType) {
    const Record record = receipt(shiftBegin, true, "17");
    EXPECT_TRUE(matches("OpNum = '17'", record));
    EXPECT_TRUE(matches("CarName = 17", record));
    EXPECT_TRUE(matches("Prihod = 1", record));
    EXPECT_TRUE(matches("Prihod", record));
    EXPECT_TRUE(matches("NOT Prihod = 'False'", record));
    EXPECT_TRUE(matches("BegTime = " + quoted(shiftBegin), record));
}

// Many records at once, as a dataset filters them: the range asked for lines up neither with the
// blocks the evaluation works in nor with the words of null bits, and every record gets the
// answer it gets alone.
TEST_F(FilterExpressionTest, RangesOfRecordsGetTheAnswersOfSingleRecords) {
    const std::vector<FieldDef> fields{{"OpNum", FieldType::Integer, 0},
                                       {"Liters", FieldType::Float, 0},
                                       {"Prihod", FieldType::Boolean, 0},
                                       {"CarName", FieldType::String, 20}};
    constexpr int kRecords = 1000;
    constexpr int kFirst = 37;
    RecordStore records(fields);
    for (int i = 0; i < kRecords; ++i)
        records.appendRow({Variant(i), i % 7 == 0 ? Variant::null() : Variant(i * 0.5),
                           Variant(i % 3 == 0),
                           i % 5 == 0 ? Variant::null() : Variant("Car " + std::to_string(i % 4))});
    const auto liters = [](int i, auto test) { return i % 7 != 0 && test(i * 0.5); };
    const std::pair<const char*, std::function<bool(int)>> cases[] = {
        {"OpNum >= 300 AND OpNum < 700", [](int i) { return i >= 300 && i < 700; }},
        {"Liters > 100 OR Prihod",
         [&](int i) { return liters(i, [](double l) { return l > 100; }) || i % 3 == 0; }},
        {"NOT Liters <= 100", [&](int i) { return !liters(i, [](double l) { return l <= 100; }); }},
        {"CarName IS NULL OR CarName = 'Car 1'", [](int i) { return i % 5 == 0 || i % 4 == 1; }},
        {"Liters < OpNum", [&](int i) { return liters(i, [i](double l) { return l < i; }); }},
        {"OpNum > 2000 AND CarName = 'Car 1'", [](int) { return false; }},
        {"OpNum < 2000 OR CarName = 'Car 1'", [](int) { return true; }},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const FilterExpression filter = bound(text, fields);
        std::vector<std::uint8_t> pass(kRecords - kFirst - 100, 2);
        filter.select(records, kFirst, pass);
        for (std::size_t i = 0; i < pass.size(); ++i) {
            const int record = kFirst + static_cast<int>(i);
            ASSERT_EQ(pass[i], expected(record) ? 1 : 0) << "record " << record;
            ASSERT_EQ(filter.matches(records, static_cast<std::size_t>(record)), expected(record));
        }
    }
    std::vector<std::uint8_t> beyond(20);
    EXPECT_THROW(bound("OpNum = 1", fields).select(records, kRecords - 10, beyond),
                 std::out_of_range);
    EXPECT_THROW(FilterExpression::parse("OpNum = 1").matches(records, 0), std::logic_error);
}

// A date-time compares at millisecond resolution: a value half a millisecond either side of an
// instant is that instant or the next, by rounding, whichever operator asks.
TEST_F(FilterExpressionTest, DateTimesCompareByTheirRoundedMilliseconds) {
    const DateTime instant = shiftBegin + EncodeTime(0, 0, 1, 250);
    const double half = 0.5 / 86400000.0;
    const double up = std::numeric_limits<double>::infinity();
    const double values[] = {
        instant - 2 * half,
        std::nextafter(instant - half, -up),
        instant - half,
        std::nextafter(instant - half, up),
        instant,
        std::nextafter(instant + half, -up),
        instant + half,
        std::nextafter(instant + half, up),
        instant + 2 * half,
    };
    const auto ms = [](double days) { return std::llround(days * 86400000.0); };
    const std::pair<const char*, std::function<bool(long long, long long)>> operators[] = {
        {"=", std::equal_to<>{}}, {"<>", std::not_equal_to<>{}}, {"<", std::less<>{}},
        {">", std::greater<>{}},  {"<=", std::less_equal<>{}},   {">=", std::greater_equal<>{}},
    };
    const std::string literal = "'" + FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", instant) + "'";
    for (const auto& [op, expected] : operators) {
        for (const double value : values) {
            const Record record = receipt(value, true, "");
            EXPECT_EQ(matches("BegTime " + std::string(op) + " " + literal, record),
                      expected(ms(value), ms(instant)))
                << op << " at " << (value - instant) / half << " half milliseconds";
            EXPECT_EQ(matches(literal + " " + op + " BegTime", record),
                      expected(ms(instant), ms(value)))
                << op << " mirrored at " << (value - instant) / half << " half milliseconds";
        }
    }
}

}  // namespace
}  // namespace kvt::data
