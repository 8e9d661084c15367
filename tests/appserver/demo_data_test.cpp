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

    int count(const std::string& sql) {
        StationServer server(database());
        return records(server, "PrxLogProvider", {sql, {}}).at(0).at(0).toInt();
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

TEST_F(DemoDataTest, SalesCarryDiscountsBonusesCardsAndCouponsAndReturnsAreRecorded) {
    constexpr int kMany = 1000000;
    const std::string sales = " FROM TrkSale JOIN Trk ON Trk.ID = TrkSale.TrkID";
    const struct {
        std::string what;
        std::string sql;
        int least;
        int most;
    } cases[] = {
        {"payment types with discounts", "SELECT COUNT(DISTINCT Op1)" + sales + " WHERE Skidka > 0",
         3, kMany},
        {"payment types with bonuses", "SELECT COUNT(DISTINCT Op1)" + sales + " WHERE Bonus > 0", 3,
         kMany},
        {"cards", "SELECT COUNT(DISTINCT CardNum) FROM TrkSale", 5, kMany},
        {"cards beginning 1234",
         "SELECT COUNT(DISTINCT CardNum) FROM TrkSale WHERE CardNum LIKE '1234%'", 2, kMany},
        {"coupon sales", "SELECT COUNT(*)" + sales + " WHERE TalonNum <> '' AND Op1 % 100 = 9", 1,
         kMany},
        {"return certificates", "SELECT COUNT(*) FROM BackAct WHERE Summa > 0 AND Reason <> ''", 1,
         kMany},
        {"outstanding terminal returns", "SELECT COUNT(*) FROM BackCard WHERE Summa > 0", 1, kMany},
        {"extras of lines that end no delivery",
         "SELECT COUNT(*) FROM TrkSale LEFT JOIN Trk ON Trk.ID = TrkSale.TrkID "
         "WHERE Trk.ID IS NULL OR Operation & 127 NOT IN (3, 4, 6, 7)",
         0, 0},
        {"coupons sold twice", "SELECT COUNT(TalonNum) - COUNT(DISTINCT TalonNum) FROM TrkSale", 0,
         0},
        {"terminal returns not paid by card at the terminal",
         "SELECT COUNT(*) FROM BackCard WHERE Op1 % 100 <> 1 OR CardNum = ''", 0, 0},
        {"returns of shifts the log lacks",
         "SELECT COUNT(*) FROM (SELECT SmNum FROM BackAct UNION ALL SELECT SmNum FROM BackCard) "
         "WHERE SmNum NOT IN (SELECT SmNum FROM SmLog)",
         0, 0},
    };
    for (const auto& c : cases) {
        const int found = count(c.sql);
        EXPECT_GE(found, c.least) << c.what;
        EXPECT_LE(found, c.most) << c.what;
    }
}

TEST_F(DemoDataTest, SalesOnAccountNameTheirCounterpartiesCarsDriversAndContracts) {
    constexpr int kMany = 1000000;
    const std::string records = " FROM TrkVedom JOIN Trk ON Trk.ID = TrkVedom.TrkID";
    const std::string statements = records + " WHERE Op1 % 100 = 4";
    const struct {
        std::string what;
        std::string sql;
        int least;
        int most;
    } cases[] = {
        {"statement types", "SELECT COUNT(DISTINCT Op1)" + statements, 2, kMany},
        {"organisations", "SELECT COUNT(DISTINCT OrgName)" + statements, 4, kMany},
        {"contractors", "SELECT COUNT(DISTINCT CntID)" + statements, 3, kMany},
        {"cars", "SELECT COUNT(DISTINCT CarID)" + statements, 5, kMany},
        {"drivers", "SELECT COUNT(DISTINCT DriverID)" + statements, 3, kMany},
        {"in both directories",
         "SELECT COUNT(*)" + statements + " AND OrgName <> '' AND CntID <> ''", 1, kMany},
        {"in the organisation directory only",
         "SELECT COUNT(*)" + statements + " AND CntID IS NULL", 1, kMany},
        {"in the contractor directory only",
         "SELECT COUNT(*)" + statements + " AND OrgName IS NULL", 1, kMany},
        {"an organisation with a quote",
         "SELECT COUNT(*)" + statements + " AND OrgName LIKE '%''%'", 1, kMany},
        {"contracts sold on", "SELECT COUNT(DISTINCT DogovorID)" + records + " WHERE Op1 = 8", 2,
         kMany},
        {"contract sales without a contract",
         "SELECT COUNT(*)" + records + " WHERE Op1 = 8 AND DogovorID IS NULL", 0, 0},
        {"contract sales of another counterparty than the contract's",
         "SELECT COUNT(*) FROM TrkVedom JOIN Dogovor ON Dogovor.ID = DogovorID "
         "WHERE TrkVedom.OrgName <> Dogovor.OrgName OR TrkVedom.CntID <> Dogovor.CntID",
         0, 0},
        {"plates of another organisation",
         "SELECT COUNT(*) FROM TrkVedom WHERE NumberAuto IS NOT NULL AND NOT EXISTS (SELECT 1 FROM "
         "vedAuto WHERE vedAuto.Name = OrgName AND vedAuto.NumberAuto = TrkVedom.NumberAuto)",
         0, 0},
        {"cars and drivers of another contractor",
         "SELECT COUNT(*) FROM TrkVedom LEFT JOIN VdCar ON VdCar.ID = CarID LEFT JOIN VdDriver ON "
         "VdDriver.ID = DriverID WHERE VdCar.CID <> CntID OR VdDriver.CID <> CntID",
         0, 0},
        {"records of lines that are no sale on account",
         "SELECT COUNT(*)" + records +
             " WHERE Op1 % 100 NOT IN (4, 8) OR Operation & 127 NOT IN "
             "(3, 4, 6, 7)",
         0, 0},
    };
    for (const auto& c : cases) {
        const int found = count(c.sql);
        EXPECT_GE(found, c.least) << c.what;
        EXPECT_LE(found, c.most) << c.what;
    }
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
