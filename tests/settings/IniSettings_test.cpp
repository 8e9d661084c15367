#include "settings/IniSettings.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "settings/SettingsFixture.h"

namespace kvt::settings {
namespace {

using test::writeFile;

class IniSettingsTest : public test::SettingsTest {};

TEST_F(IniSettingsTest, ValuesReadBackAndMissingOrUnreadableOnesGiveDefaults) {
    EXPECT_TRUE(ReadSetting(kAllowExportReports));
    EXPECT_EQ(ReadSetting(kFNP), "Courier");
    writeFile(configFile(), "[Reports]\r\nDecL=x2\r\n");
    EXPECT_EQ(ReadSetting(kDecL), 2);
    WriteSetting(kAllowExportReports, false);
    WriteSetting(kDecL, 3);
    WriteSetting(kExportFolder, "D:\\Выгрузка\\");
    EXPECT_FALSE(ReadSetting(kAllowExportReports));
    EXPECT_EQ(ReadSetting(kDecL), 3);
    EXPECT_EQ(ReadSetting(kExportFolder), "D:\\Выгрузка\\");
}

TEST_F(IniSettingsTest, SeparatorIsOneHexadecimalCharacterElseTheStationOne) {
    EXPECT_EQ(ReadSeparator(kDecimalSeparatorKey), ',');
    EXPECT_EQ(ReadSeparator(kThousandSeparatorKey), '\xA0');
    writeFile(configFile(), "[Reports]\r\nDecimalSeparator=2C\r\nThousandSeparator=20\r\n");
    EXPECT_EQ(ReadSeparator(kDecimalSeparatorKey), ',');
    EXPECT_EQ(ReadSeparator(kThousandSeparatorKey), ' ');
    writeFile(configFile(), "[Reports]\r\nDecimalSeparator=2E2E\r\nThousandSeparator=\r\n");
    EXPECT_EQ(ReadSeparator(kDecimalSeparatorKey), ',');
    EXPECT_EQ(ReadSeparator(kThousandSeparatorKey), '\xA0');
    WriteSeparator(kThousandSeparatorKey, '\xA0');
    EXPECT_NE(test::readFile(configFile()).find("ThousandSeparator=A0"), std::string::npos);
    EXPECT_THROW(ReadSeparator("DecL"), std::invalid_argument);
}

}  // namespace
}  // namespace kvt::settings
