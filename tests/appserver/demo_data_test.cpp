#include <gmock/gmock.h>

#include <set>

#include "StationFixture.h"

namespace kvt {
namespace {

using appserver::DemoOptions;
using appserver::ProviderRequest;
using appserver::StationServer;
using appserver::writeDemoDatabase;
using ::testing::IsSupersetOf;

class DemoDataTest : public test::StationTest {
protected:
    std::set<int> distinct(const std::string& column, const std::string& table) {
        StationServer server(database());
        std::set<int> values;
        // Adding 0 reads booleans as 0 and 1 rather than as variants of true and false.
        const ProviderRequest request{"SELECT DISTINCT " + column + " + 0 FROM " + table +
                                          " WHERE " + column + " IS NOT NULL",
                                      {}};
        for (const auto& row : records(server, "PrxLogProvider", request))
            values.insert(row[0].toInt());
        return values;
    }
};

TEST_F(DemoDataTest, TheSameSeedGivesTheSameFileAndAnotherSeedAnotherOne) {
    const auto again = base() / "again.db";
    writeDemoDatabase(again, {});
    EXPECT_EQ(test::readFile(again), test::readFile(database()));

    const auto other = base() / "other.db";
    writeDemoDatabase(other, {120, 2});
    EXPECT_NE(test::readFile(other), test::readFile(database()));
}

TEST_F(DemoDataTest, ThePumpLogShowsEveryOperationPaymentAndDoseType) {
    EXPECT_THAT(distinct("Operation", "Trk"), IsSupersetOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 129, 999}));
    EXPECT_THAT(distinct("Op1", "Trk"),
                IsSupersetOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 104, 999, 57}));
    EXPECT_THAT(distinct("Op2", "Trk"), IsSupersetOf({0, 1, 2, 4, 256, 3, 999}));
    EXPECT_THAT(distinct("Prihod", "Prx"), IsSupersetOf({0, 1}));
    StationServer server(database());
    const auto emptyGrade = records(server, "PrxLogProvider",
                                    {"SELECT COUNT(*) FROM Trk WHERE Gsm IS NULL OR Gsm = ''", {}});
    EXPECT_GT(emptyGrade[0][0].toInt(), 0);
}

TEST_F(DemoDataTest, ShiftNumbersHaveGapsAndTheCountIsHonoured) {
    const auto small = base() / "small.db";
    writeDemoDatabase(small, {9, 5});
    StationServer server(small);
    const auto numbers = column(records(server, "SmLogProvider"), 0);
    ASSERT_EQ(numbers.size(), 9u);
    int gaps = 0;
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        EXPECT_GT(numbers[i].toInt(), numbers[i - 1].toInt());
        gaps += numbers[i].toInt() - numbers[i - 1].toInt() > 1;
    }
    EXPECT_GE(gaps, 1);
}

TEST_F(DemoDataTest, AnExistingFileIsReplacedWholeWithNothingLeftBeside) {
    const auto target = base() / "out" / "station.db";
    std::filesystem::create_directories(target.parent_path());
    test::writeFile(target, "old contents");
    writeDemoDatabase(target, {3, 1});
    EXPECT_EQ(records(*appserver::createStationServer(target), "SmLogProvider").size(), 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.parent_path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace kvt
