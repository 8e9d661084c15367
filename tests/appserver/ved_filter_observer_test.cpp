#include <gmock/gmock.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "StationFixture.h"

namespace kvt {
namespace {

using appserver::StationServer;
using ::testing::ElementsAre;

class VedFilterObserverTest : public test::StationTest {
protected:
    void TearDown() override {
        appserver::setVedFilterObserver({});
        StationTest::TearDown();
    }

    std::vector<std::int32_t> observed;
};

// A value set again, on the same server or another, is told again.
TEST_F(VedFilterObserverTest, EverySetOfEveryServerIsToldInOrderUntilTheObserverIsRemoved) {
    appserver::setVedFilterObserver([this](std::int32_t value) { observed.push_back(value); });
    StationServer first(database());
    StationServer second(database());
    const std::vector<std::pair<StationServer*, std::int32_t>> sets{
        {&first, 1}, {&first, 17}, {&second, 1}, {&first, 16}, {&first, 0}, {&second, 1}};
    for (const auto& [server, value] : sets)
        server->setVedFilter(value);
    appserver::setVedFilterObserver({});
    second.setVedFilter(16);
    EXPECT_THAT(observed, ElementsAre(1, 17, 1, 16, 0, 1));
    EXPECT_EQ(first.vedFilter(), 0);
    EXPECT_EQ(second.vedFilter(), 16);
}

}  // namespace
}  // namespace kvt
