// A station moved from its SQLite file into PostgreSQL serves every provider with the same
// fields, values and order as before, and numbers new rows after the moved ones.

#include <gmock/gmock.h>

#include <map>

#include "StationFixture.h"
#include "appserver/DatabaseEngine.h"

namespace kvt {
namespace {

using ::testing::HasSubstr;

class StationCopyTest : public test::StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        const auto cluster = test::PgCluster::ofBuild();
        if (!cluster)
            GTEST_SKIP() << "built without a PostgreSQL cluster for the tests";
        target_.emplace(*cluster);
    }

    test::ProcessResult copy() const {
        return test::runProcess(test::toolPath("kvt-station-db"),
                                {"copy", "--from", database().string(), "--to", target_->admin()});
    }

    std::optional<test::PgTestDatabase> target_;
};

TEST_F(StationCopyTest, TheMovedStationServesWhatTheFileServed) {
    const auto copied = copy();
    ASSERT_EQ(copied.exitCode, 0) << copied.err;

    const auto file = appserver::openStationDatabase(database());
    std::map<std::string, std::string> expected;
    std::int64_t total = 0;
    for (const auto& table : appserver::stationTables()) {
        appserver::Statement count(file, "SELECT COUNT(*) FROM " + table);
        count.step();
        expected[table] = std::to_string(count.integer(0));
        total += count.integer(0);
    }
    std::map<std::string, std::string> told;
    for (const auto& line : test::splitLines(copied.out)) {
        const auto colon = line.find(": ");
        told[line.substr(0, colon)] = line.substr(colon + 2);
    }
    EXPECT_EQ(told.at("всего записей"), std::to_string(total));
    told.erase("всего записей");
    EXPECT_EQ(told, expected);
    const auto granted = test::runProcess(test::toolPath("kvt-station-db"),
                                          {"grant", "--db", target_->admin(), "--workplace",
                                           "kvt_workplace", "--console", "kvt_console"});
    ASSERT_EQ(granted.exitCode, 0) << granted.err;

    appserver::StationServer before(database());
    appserver::StationServer after(target_->workplace());
    for (const auto& provider :
         {"SmLogProvider", "Organization", "AutoMobil", "BneOrgProvider", "PrxLogProvider",
          "TrkLogProvider", "VdContractorDSP", "VdCarDSP", "VdDriverDSP"}) {
        for (const std::int32_t filter : {0, 17}) {
            before.setVedFilter(filter);
            after.setVedFilter(filter);
            const auto was = before.openProvider(provider, {});
            const auto is = after.openProvider(provider, {});
            EXPECT_EQ(is->fields(), was->fields()) << provider;
            EXPECT_EQ(appserver::fetchRows(*is, -1), appserver::fetchRows(*was, -1)) << provider;
        }
    }
    EXPECT_EQ(after.GetKVTConfig(), before.GetKVTConfig());

    // New pump operations follow the moved ones, as in the file.
    const auto moved =
        appserver::openPostgresDatabase(target_->admin(), appserver::Access::ReadWrite);
    appserver::Statement added(moved,
                               "INSERT INTO Trk (Trk, Time) VALUES ('1', 45600) RETURNING ID");
    added.step();
    EXPECT_EQ(added.integer(0), std::stoll(expected.at("Trk")) + 1);
}

TEST_F(StationCopyTest, AStationIsNotCopiedOverAnother) {
    ASSERT_EQ(copy().exitCode, 0);
    const auto again = copy();
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_THAT(again.err, HasSubstr("в базе уже есть станционные таблицы"));
    const auto wrongTarget = test::runProcess(
        test::toolPath("kvt-station-db"),
        {"copy", "--from", database().string(), "--to", (base() / "other.db").string()});
    EXPECT_EQ(wrongTarget.exitCode, 1);
    EXPECT_THAT(wrongTarget.err, HasSubstr("нужна база PostgreSQL"));
}

}  // namespace
}  // namespace kvt
