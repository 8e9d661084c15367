#include <gmock/gmock.h>
#include <sqlite3.h>

#include "StationFixture.h"
#include "appserver/PayTypes.h"

namespace kvt {
namespace {

using appserver::PayTypeRow;
using appserver::readPayTypes;
using appserver::ServerError;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

class PayTypesTest : public test::StationTest {
protected:
    void change(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
};

TEST_F(PayTypesTest, TheDemoStationHasTheUsualThirteenTypesAndASecondStatementType) {
    const auto rows = readPayTypes(database());
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(rows[0], (PayTypeRow{0, 0, "&Наличные", true, 0}));
    EXPECT_EQ(rows[1], (PayTypeRow{1, 1, "&Платеж. терминал", true, 1}));
    EXPECT_EQ(rows[4], (PayTypeRow{4, 4, "&Ведомость +", true, 4}));
    EXPECT_EQ(rows[12], (PayTypeRow{12, 12, "ЛБР", true, 12}));
    EXPECT_EQ(rows[13], (PayTypeRow{13, 104, "&Ведомость 2", true, 4}));
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].position, static_cast<std::int32_t>(i));
}

TEST_F(PayTypesTest, RowsComeInPositionOrderAndADatabaseWithoutTheTableHasNone) {
    change(
        "DELETE FROM VidOpl; INSERT INTO VidOpl VALUES (5, 3, 'Б', 0, 7);"
        "INSERT INTO VidOpl VALUES (2, 0, 'А', 1, 0)");
    EXPECT_THAT(readPayTypes(database()), ::testing::ElementsAre(PayTypeRow{2, 0, "А", true, 0},
                                                                 PayTypeRow{5, 3, "Б", false, 7}));

    change("DROP TABLE VidOpl");
    EXPECT_TRUE(readPayTypes(database()).empty());
}

TEST_F(PayTypesTest, AKindThatIsNotAByteAndAMissingDatabaseAreErrors) {
    change("UPDATE VidOpl SET Kind = 256 WHERE Position = 3");
    EXPECT_THAT([&] { readPayTypes(database()); },
                ThrowsMessage<ServerError>(AllOf(HasSubstr("позиции 3"), HasSubstr("тип 256"))));

    EXPECT_THAT([&] { readPayTypes(base() / "none.db"); },
                ThrowsMessage<ServerError>(HasSubstr("none.db")));
}

}  // namespace
}  // namespace kvt
