#include <gmock/gmock.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

#include "appserver/RecordStore.h"

namespace kvt {
namespace {

using appserver::FieldDef;
using appserver::FieldType;
using appserver::RecordStore;
using appserver::Row;
using appserver::ServerError;
using ::testing::ThrowsMessage;

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

struct RoundTrip {
    FieldType type;
    Variant given;
    Variant kept;  // what value() gives back
};

// Each type's values as the server delivers them, the bounds of each storage and the
// conversions appendValue makes.
const RoundTrip kRoundTrips[] = {
    {FieldType::Integer, Variant(std::int32_t{-2147483647 - 1}),
     Variant(std::int32_t{-2147483647 - 1})},
    {FieldType::Integer, Variant(std::int32_t{2147483647}), Variant(std::int32_t{2147483647})},
    {FieldType::Integer, Variant::i2(-5), Variant(std::int32_t{-5})},
    {FieldType::Integer, Variant::null(), Variant::null()},
    {FieldType::SmallInt, Variant::i2(-32768), Variant::i2(-32768)},
    {FieldType::SmallInt, Variant(std::int32_t{32767}), Variant::i2(32767)},
    {FieldType::SmallInt, Variant(), Variant::null()},
    {FieldType::Boolean, Variant(true), Variant(true)},
    {FieldType::Boolean, Variant(false), Variant(false)},
    {FieldType::Boolean, Variant(std::int32_t{7}), Variant(true)},
    {FieldType::Currency, Variant::currency(kInt64Max), Variant::currency(kInt64Max)},
    {FieldType::Currency, Variant::currency(kInt64Min), Variant::currency(kInt64Min)},
    {FieldType::Currency, Variant::currency(-1), Variant::currency(-1)},
    {FieldType::Currency, Variant(12345.5), Variant::currency(12346)},
    {FieldType::Currency, Variant::null(), Variant::null()},
    {FieldType::Float, Variant(-0.1), Variant(-0.1)},
    {FieldType::Float, Variant(std::int32_t{3}), Variant(3.0)},
    {FieldType::Float, Variant::null(), Variant::null()},
    {FieldType::Date, Variant::date(45000), Variant::date(45000)},
    {FieldType::DateTime, Variant::date(-1.75), Variant::date(-1.75)},
    {FieldType::DateTime, Variant(45000.5), Variant::date(45000.5)},
    {FieldType::String, Variant(std::string("a\0b", 3)), Variant(std::string("a\0b", 3))},
    {FieldType::String, Variant("Иванов И. И."), Variant("Иванов И. И.")},
    {FieldType::String, Variant(""), Variant("")},
    {FieldType::String, Variant::null(), Variant::null()},
    {FieldType::String, Variant(std::int32_t{12}), Variant("12")},
};

// The typed reads agree with the variant read.
void expectTypedReads(const RecordStore& store, std::size_t row, const Variant& kept) {
    switch (kept.type()) {
        case VarType::Null:
            EXPECT_TRUE(store.isNull(row, 0));
            return;
        case VarType::CY:
            EXPECT_EQ(store.integer(row, 0), kept.rawInteger());
            EXPECT_DOUBLE_EQ(store.real(row, 0), static_cast<double>(kept.rawInteger()) / 10000);
            break;
        case VarType::I2:
        case VarType::I4:
        case VarType::Bool:
            EXPECT_EQ(store.integer(row, 0), kept.rawInteger());
            EXPECT_EQ(store.real(row, 0), static_cast<double>(kept.rawInteger()));
            break;
        case VarType::Str:
            EXPECT_EQ(store.text(row, 0), kept.rawString());
            break;
        default:
            EXPECT_EQ(store.real(row, 0), kept.rawDouble());
    }
    EXPECT_FALSE(store.isNull(row, 0));
}

// Every case of a type goes into one column, often enough that the nulls span several words
// of bits and the texts follow each other in one buffer.
TEST(RecordStoreTest, ValuesOfEveryTypeComeBackAsTheServerDeliversThem) {
    constexpr int kRepeats = 70;
    for (const FieldType type :
         {FieldType::Integer, FieldType::SmallInt, FieldType::Boolean, FieldType::Currency,
          FieldType::Float, FieldType::Date, FieldType::DateTime, FieldType::String}) {
        SCOPED_TRACE(std::string(appserver::fieldTypeName(type)));
        std::vector<const RoundTrip*> cases;
        for (const auto& each : kRoundTrips)
            if (each.type == type)
                cases.push_back(&each);
        RecordStore store({{"V", type, 0}});
        for (int i = 0; i < kRepeats; ++i)
            for (const auto* each : cases)
                store.appendRow({each->given});
        ASSERT_EQ(store.rowCount(), cases.size() * kRepeats);
        for (std::size_t row = 0; row < store.rowCount(); ++row) {
            const Variant& kept = cases[row % cases.size()]->kept;
            ASSERT_EQ(store.value(row, 0), kept) << "row " << row;
            expectTypedReads(store, row, kept);
        }
    }
}

TEST(RecordStoreTest, ColumnsLeftOutOfARowAreNull) {
    RecordStore store({{"N", FieldType::Integer, 0}, {"S", FieldType::String, 30}});
    store.appendInteger(0, 1);
    store.endRow();
    store.appendRow({});
    store.appendRow({Variant(std::int32_t{3}), Variant("x")});
    EXPECT_EQ(store.row(0), (Row{Variant(std::int32_t{1}), Variant::null()}));
    EXPECT_EQ(store.row(1), (Row{Variant::null(), Variant::null()}));
    EXPECT_EQ(store.row(2), (Row{Variant(std::int32_t{3}), Variant("x")}));
}

struct Refusal {
    const char* what;
    FieldType type;
    std::function<void(RecordStore&)> append;  // into column 1, "V"
    std::string message;
};

// A refused value leaves the store with its whole rows only: the next row starts afresh, with
// nothing of the refused one's earlier columns.
TEST(RecordStoreTest, RefusedValuesNameTheColumnAndDropTheUnfinishedRow) {
    const Refusal refusals[] = {
        {"text to a number", FieldType::Integer,
         [](RecordStore& s) { s.appendValue(1, Variant("1")); },
         "Столбец \"V\" не принимает значение типа String"},
        {"fraction to a whole number", FieldType::SmallInt,
         [](RecordStore& s) { s.appendValue(1, Variant(1.5)); },
         "Столбец \"V\" не принимает значение типа Double"},
        {"number to a date", FieldType::DateTime, [](RecordStore& s) { s.appendInteger(1, 1); },
         "Столбец \"V\" не принимает значение типа Int64"},
        {"text to a date", FieldType::Date,
         [](RecordStore& s) { s.appendValue(1, Variant("01.01.2026")); },
         "Столбец \"V\" не принимает значение типа String"},
        {"number to text", FieldType::String, [](RecordStore& s) { s.appendFloat(1, 1); },
         "Столбец \"V\" не принимает значение типа Double"},
        {"array to text", FieldType::String,
         [](RecordStore& s) { s.appendValue(1, Variant::list({})); },
         "Столбец \"V\" не принимает значение типа Array"},
        {"above Integer", FieldType::Integer,
         [](RecordStore& s) { s.appendInteger(1, 2147483648); },
         "Столбец \"V\" не вмещает значение 2147483648"},
        {"below Integer", FieldType::Integer,
         [](RecordStore& s) { s.appendInteger(1, -2147483649); },
         "Столбец \"V\" не вмещает значение -2147483649"},
        {"above SmallInt", FieldType::SmallInt,
         [](RecordStore& s) { s.appendValue(1, Variant(std::int32_t{32768})); },
         "Столбец \"V\" не вмещает значение 32768"},
        {"below SmallInt", FieldType::SmallInt, [](RecordStore& s) { s.appendInteger(1, -32769); },
         "Столбец \"V\" не вмещает значение -32769"},
        {"not a truth value", FieldType::Boolean, [](RecordStore& s) { s.appendInteger(1, 2); },
         "Столбец \"V\" не вмещает значение 2"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        RecordStore store(
            {{"K", FieldType::Integer, 0}, {"V", refusal.type, 0}, {"T", FieldType::String, 9}});
        store.appendRow({Variant(std::int32_t{1}), Variant::null(), Variant("first")});
        store.appendInteger(0, 2);
        EXPECT_THAT([&] { refusal.append(store); }, ThrowsMessage<ServerError>(refusal.message));
        EXPECT_EQ(store.rowCount(), 1u);
        store.appendNull(1);
        store.appendText(2, "next");
        store.endRow();
        EXPECT_EQ(store.row(1), (Row{Variant::null(), Variant::null(), Variant("next")}));
        EXPECT_EQ(store.row(0), (Row{Variant(std::int32_t{1}), Variant::null(), Variant("first")}));
    }
}

TEST(RecordStoreTest, ReadsOfTheWrongStorageAreProgrammingErrors) {
    RecordStore store({{"N", FieldType::Integer, 0}, {"S", FieldType::String, 9}});
    store.appendRow({Variant(std::int32_t{1}), Variant("a")});
    EXPECT_THROW(store.values<double>(0), std::logic_error);
    EXPECT_THROW(store.values<std::int32_t>(1), std::logic_error);
    EXPECT_THROW(store.text(0, 0), std::logic_error);
    EXPECT_THROW(store.integer(0, 1), std::logic_error);
    EXPECT_THROW(store.value(1, 0), std::out_of_range);
}

// A shift of the log: SmNum, BegTime, EndTime, Operator, InKKM, OutKKM, SummaTovary, Operator2,
// Operator3.
TEST(RecordStoreTest, AShiftLogHoldsAboutWhatItsValuesTake) {
    constexpr std::size_t kShifts = 100000;
    RecordStore store({{"SmNum", FieldType::Integer, 0},
                       {"BegTime", FieldType::DateTime, 0},
                       {"EndTime", FieldType::DateTime, 0},
                       {"Operator", FieldType::String, 30},
                       {"InKKM", FieldType::Currency, 0},
                       {"OutKKM", FieldType::Currency, 0},
                       {"SummaTovary", FieldType::Currency, 0},
                       {"Operator2", FieldType::String, 30},
                       {"Operator3", FieldType::String, 30}});
    const std::string operators[] = {"Иванова А. П.", "Петров С.", ""};
    std::size_t own = 0;
    for (std::size_t i = 0; i < kShifts; ++i) {
        store.appendInteger(0, static_cast<std::int64_t>(i + 1));
        store.appendFloat(1, 45000.0 + static_cast<double>(i) / 2);
        if (i + 1 < kShifts)
            store.appendFloat(2, 45000.5 + static_cast<double>(i) / 2);
        store.appendText(3, operators[i % 2]);
        for (std::size_t column = 4; column < 7; ++column)
            store.appendInteger(column, static_cast<std::int64_t>(i) * 12345);
        store.appendText(7, operators[(i + 1) % 3]);
        store.appendText(8, operators[i % 3]);
        store.endRow();
        own += 4 + 8 + 8 + 3 * 8 + operators[i % 2].size() + operators[(i + 1) % 3].size() +
               operators[i % 3].size();
    }
    store.shrinkToFit();
    EXPECT_GE(store.heldBytes(), own);
    EXPECT_LE(store.heldBytes(), own * 5 / 4);

    const auto numbers = store.values<std::int32_t>(0);
    ASSERT_EQ(numbers.size(), kShifts);
    EXPECT_EQ(numbers.back(), static_cast<std::int32_t>(kShifts));
    EXPECT_TRUE(store.isNull(kShifts - 1, 2));
    const auto nulls = store.nullBits(2);
    ASSERT_EQ(nulls.size(), (kShifts + 63) / 64);
    EXPECT_EQ(nulls.back(), std::uint64_t{1} << ((kShifts - 1) % 64));
    EXPECT_EQ(store.text(kShifts - 1, 3), operators[(kShifts - 1) % 2]);
}

}  // namespace
}  // namespace kvt
