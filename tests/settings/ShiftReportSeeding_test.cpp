#include "settings/ShiftReportSeeding.h"

#include <gtest/gtest.h>

#include <string>

#include "infra/SafeIniFiles.h"
#include "infra/tools.h"
#include "platform/CodePage.h"
#include "settings/SettingsCatalogue.h"
#include "settings/SettingsFixture.h"

namespace kvt::settings {
namespace {

using test::readFile;
using test::writeFile;

class ShiftReportSeedingTest : public test::SettingsTest {
protected:
    static std::string value(const std::string& key) {
        return TSafeIniFile(ConfigFileName()).ReadString("SmenaRep", key, "<missing>");
    }
};

TEST_F(ShiftReportSeedingTest, FreshSystemGetsEveryGroupInItsOwnPlace) {
    SeedShiftReportSection();
    for (int g = 0; g < 16; ++g) {
        SCOPED_TRACE(g);
        EXPECT_EQ(value(ShiftRowKey(g, 0)), std::to_string(g + 1));
        EXPECT_EQ(value(ShiftRowPathKey(g, 0)), kShiftReportGroups[g].defaultRepPath);
        EXPECT_EQ(value(ShiftRowWebPathKey(g, 0)), kShiftReportGroups[g].defaultWebRepPath);
    }
    EXPECT_EQ(value(ShiftRowWebPathKey(0, 0)), "Шапка сменного отчета.html");
    EXPECT_EQ(value("RoundRVal"), "0");
}

TEST_F(ShiftReportSeedingTest, ObsoleteRegistryCompositionIsTakenOver) {
    const auto obsolete = family(kObsoleteSmenaRepKey);
    obsolete->writeInteger("Report3", -4);
    obsolete->writeBool("RoundRVal", true);
    SeedShiftReportSection();
    EXPECT_EQ(value("Rep3_0"), "-4");
    EXPECT_EQ(value("RepPath3_0"), "Smena2.FRM");
    EXPECT_EQ(value("Rep4_0"), "5");
    EXPECT_EQ(value("RoundRVal"), "1");
}

TEST_F(ShiftReportSeedingTest, ExistingAndForeignKeysSurviveAndSecondRunChangesNothing) {
    writeFile(configFile(),
              platform::utf8ToCp1251(
                  "[Misc]\r\nOSP=0\r\n[SmenaRep]\r\nRep3_0=-7\r\nRepPath3_0=Мой.frm\r\n"
                  "RepPath5_0=Свой.frm\r\nRoundRVal=1\r\nForeign=x\r\n"));
    family(kObsoleteSmenaRepKey)->writeBool("RoundRVal", false);
    SeedShiftReportSection();
    EXPECT_EQ(value("Rep3_0"), "-7");
    EXPECT_EQ(value("RepPath3_0"), "Мой.frm");
    EXPECT_EQ(value("Rep5_0"), "6");
    EXPECT_EQ(value("RepPath5_0"), "Свой.frm");
    EXPECT_EQ(value("RoundRVal"), "1");
    EXPECT_EQ(value("Foreign"), "x");
    EXPECT_EQ(TSafeIniFile(ConfigFileName()).ReadString("Misc", "OSP", ""), "0");

    const std::string once = readFile(configFile());
    SeedShiftReportSection();
    EXPECT_EQ(readFile(configFile()), once);
}

}  // namespace
}  // namespace kvt::settings
