#include "settings/PayTypeFlags.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "settings/SettingsCatalogue.h"
#include "settings/SettingsFixture.h"

namespace kvt::settings {
namespace {

using Flags = std::vector<std::int32_t>;

// The default table without a host list: codes equal row numbers.
const Flags kCodes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

Flags only(std::size_t index, std::size_t size = kCodes.size()) {
    Flags flags(size, 0);
    flags[index] = 1;
    return flags;
}

class PayTypeFlagsTest : public test::SettingsTest {};

TEST_F(PayTypeFlagsTest, WithoutKeyOnlyTheDefaultPositionInsideTheTableAndNothingCreated) {
    EXPECT_EQ(ReadPayTypes(kCodes, kVedomRepKey, kVedomDefaultIndex), only(4));
    EXPECT_EQ(ReadPayTypes(kCodes, kDogovorRepKey, kDogovorDefaultIndex), only(8));
    EXPECT_EQ(ReadPayTypes(kCodes, kTalonRepKey, kTalonDefaultIndex), only(9));
    EXPECT_EQ(ReadPayTypes({100, 101, 102, 103, 104}, kVedomPropKey, 4), only(4, 5));
    EXPECT_EQ(ReadPayTypes({0, 1, 2}, kTalonRepKey, kTalonDefaultIndex), Flags(3, 0));
    EXPECT_EQ(ReadPayTypes({0, 1, 2}, kTalonRepKey, -1), Flags(3, 0));
    EXPECT_FALSE(platform::Registry(platform::RootKey::LocalMachine)
                     .keyExists(ReportsKeyPath(kVedomRepKey)));
}

TEST_F(PayTypeFlagsTest, ExistingKeySelectsByCodeOnlyValuesOfOne) {
    auto key = family(kDogovorRepKey);
    key->writeInteger("PayType108", 1);
    key->writeInteger("PayType8", 2);
    EXPECT_EQ(ReadPayTypes({0, 8, 108}, kDogovorRepKey, 0), (Flags{0, 0, 1}));
    key->writeString("PayType0", "1");
    EXPECT_THROW(ReadPayTypes({0}, kDogovorRepKey, 0), platform::ERegistryException);
}

TEST_F(PayTypeFlagsTest, FirstBonusReadSeedsTheKeyOnce) {
    const BonusPayTypes first = ReadBonusPayTypes(kCodes);
    EXPECT_FALSE(first.NullFlag);
    EXPECT_EQ(first.flags, only(0));
    const auto key = family(kBonusRepKey);
    EXPECT_EQ(key->readInteger("PayType0"), 1);
    key->writeInteger("PayType0", 0);
    key->writeInteger("PayType3", 1);
    key->writeInteger(kNullStrValue, 1);
    const BonusPayTypes later = ReadBonusPayTypes(kCodes);
    EXPECT_TRUE(later.NullFlag);
    EXPECT_EQ(later.flags, only(3));
}

TEST_F(PayTypeFlagsTest, WriterTouchesOnlyTheShownPaymentTypes) {
    family(kCardRepKey)->writeInteger("PayType12", 1);
    WritePayTypeFlags(kCardRepKey, {{1, true}, {6, false}});
    const auto key = family(kCardRepKey);
    EXPECT_EQ(ReadFlag(*key, "PayType1"), true);
    EXPECT_EQ(ReadFlag(*key, "PayType6"), false);
    EXPECT_EQ(ReadFlag(*key, "PayType12"), true);
    EXPECT_EQ(ReadFlag(*key, "PayType10"), std::nullopt);
}

}  // namespace
}  // namespace kvt::settings
