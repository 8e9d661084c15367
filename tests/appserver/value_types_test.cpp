#include <gmock/gmock.h>
#include <sqlite3.h>

#include <memory>

#include "StationFixture.h"

namespace kvt {
namespace {

using appserver::FieldDef;
using appserver::FieldType;
using appserver::ProviderRequest;
using appserver::ServerError;
using appserver::StationServer;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

class ValueTypesTest : public test::StationTest {
protected:
    std::unique_ptr<appserver::RecordCursor> query(const std::string& sql) {
        return server().openProvider("PrxLogProvider", ProviderRequest{sql, {}});
    }

    // Writes to the station file as a foreign writer would, behind the server's back.
    void write(const std::string& sql) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(database().c_str(), &raw), SQLITE_OK);
        std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
        ASSERT_EQ(sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db.get());
    }

    StationServer& server() {
        if (!server_)
            server_ = std::make_unique<StationServer>(database());
        return *server_;
    }

private:
    std::unique_ptr<StationServer> server_;
};

TEST_F(ValueTypesTest, ComputedWholeNumbersBeyondThirtyTwoBitsArriveUnchanged) {
    auto cursor = query("SELECT 5000000000 AS Big, -2147483648 AS Low, 2147483648 AS High");
    EXPECT_EQ(cursor->fields(), (std::vector<FieldDef>{{"Big", FieldType::Float, 0},
                                                       {"Low", FieldType::Integer, 0},
                                                       {"High", FieldType::Float, 0}}));
    const auto rows = fetchRows(*cursor, -1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toDouble(), 5000000000.0);
    EXPECT_EQ(rows[0][1], Variant(std::int32_t{-2147483647 - 1}));
    EXPECT_EQ(rows[0][2].toDouble(), 2147483648.0);
}

TEST_F(ValueTypesTest, ValuesThatDoNotFitTheirColumnsTypeFailTheFetch) {
    // Typed by the first row as Integer; the later fraction, text and big number must not
    // arrive as some other whole number.
    for (const std::string later : {"2.5", "'abc'", "5000000000"}) {
        auto cursor = query("SELECT 1 AS N UNION ALL SELECT " + later);
        EXPECT_THAT([&] { fetchRows(*cursor, -1); },
                    ThrowsMessage<ServerError>(AllOf(HasSubstr("\"PrxLogProvider\""),
                                                     HasSubstr("\"N\""), HasSubstr("Integer"))))
            << later;
    }
}

TEST_F(ValueTypesTest, TextInATypedColumnIsAnErrorNotADate) {
    write("UPDATE SmLog SET BegTime = '2024-03-01 08:00' WHERE SmNum = 1");
    auto cursor = server().openProvider("SmLogProvider", {});
    EXPECT_THAT([&] { fetchRows(*cursor, -1); },
                ThrowsMessage<ServerError>(
                    AllOf(HasSubstr("\"SmLogProvider\""), HasSubstr("\"BegTime\""))));
}

TEST_F(ValueTypesTest, OutOfRangeSmallIntsAreNotWrapped) {
    write("UPDATE Trk SET Operation = 70000 WHERE ID = (SELECT MIN(ID) FROM Trk WHERE Trk = '1')");
    auto cursor = server().openProvider("TrkLogProvider", {});
    EXPECT_THAT(
        [&] { fetchRows(*cursor, -1); },
        ThrowsMessage<ServerError>(AllOf(HasSubstr("\"Operation\""), HasSubstr("SmallInt"))));
}

}  // namespace
}  // namespace kvt
