#include "data/FilterExpression.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "tests/support/TestRoot.h"

namespace kvt::data {
namespace {

using appserver::FieldType;

// A record of named, typed values; names are looked up case-insensitively like a dataset's.
class Record : public FilterRecord {
public:
    Record& set(const std::string& name, FieldType type, Variant value) {
        fields_[lower(name)] = {type, std::move(value)};
        return *this;
    }
    std::optional<FieldType> fieldType(std::string_view name) const override {
        const auto it = fields_.find(lower(std::string(name)));
        if (it == fields_.end())
            return std::nullopt;
        return it->second.first;
    }
    Variant fieldValue(std::string_view name) const override {
        return fields_.at(lower(std::string(name))).second;
    }

private:
    static std::string lower(std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
    std::map<std::string, std::pair<FieldType, Variant>> fields_;
};

bool matches(std::string_view filter, const Record& record) {
    return FilterExpression::parse(filter).matches(record);
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
        EXPECT_NO_THROW(FilterExpression::parse(filter).validate(*layout)) << filter;

    for (const char* bad : {"Prihod = True and Driver = 'x'", "NOT (OpNum = 1 OR Driver IS NULL)",
                            "BegTime >= '32.13.2026'", "OpNum = 'seventeen'", "Prihod = 'maybe'",
                            "OpNum = CarName", "CarName", "True = 1"})
        EXPECT_THROW(FilterExpression::parse(bad).validate(prx), FilterError) << bad;
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

}  // namespace
}  // namespace kvt::data
