// The console keeps the shift log in the station database, a file or PostgreSQL, where it writes
// as the console's role.

#include <gtest/gtest.h>

#include "host/station/ShiftLog.h"
#include "tests/appserver/StationFixture.h"

namespace kvt::station {
namespace {

class ShiftLogTest : public test::EngineStationTest {
protected:
    std::filesystem::path console() const {
        return engine() == appserver::Engine::SQLite ? database()
                                                     : std::filesystem::path(postgres().console());
    }
};

TEST_P(ShiftLogTest, OpenedAndClosedShiftsAreReadBackAndCarryTheCashOver) {
    const ShiftState before = readShiftState(console());
    ASSERT_FALSE(before.open);
    const std::int32_t next = before.last + 1;
    recordShiftOpened(console(), next, 45500.25, "Петров А.С.");
    EXPECT_EQ(readShiftState(console()), (ShiftState{true, next, next}));
    recordShiftClosed(console(), next, 45500.75);
    EXPECT_EQ(readShiftState(console()), (ShiftState{false, next, next}));
    EXPECT_THROW(recordShiftOpened(console(), next, 45501, "Петров А.С."), appserver::ServerError);

    appserver::StationServer server(database());
    const auto shifts = records(server, "SmLogProvider");
    ASSERT_GE(shifts.size(), 2u);
    const auto& previous = shifts[shifts.size() - 2];
    const auto& opened = shifts.back();
    EXPECT_EQ(opened[0], Variant(next));
    EXPECT_EQ(opened[3], Variant("Петров А.С."));
    EXPECT_EQ(opened[4], previous[5]);  // InKKM is the OutKKM before
}

INSTANTIATE_TEST_SUITE_P(Engines, ShiftLogTest, test::bothEngines(), test::engineName);

}  // namespace
}  // namespace kvt::station
