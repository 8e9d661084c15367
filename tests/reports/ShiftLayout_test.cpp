#include <gtest/gtest.h>

#include "infra/SafeIniFiles.h"
#include "infra/tools.h"
#include "reports/ShiftLayout.h"
#include "support/TestRoot.h"

namespace kvt::test {
namespace {

class ShiftLayoutTest : public FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        std::filesystem::create_directories(driveC() / "WINDOWS");
    }
    void write(const std::string& key, const std::string& value) {
        TSafeIniFile(ConfigFileName()).WriteString("SmenaRep", key, value);
    }
};

TEST_F(ShiftLayoutTest, RowsComeInPositionOrderAndExcludedRowsAreLeftOut) {
    write("Rep0_0", "3");
    write("RepPath0_0", "SmenaBeg.FRM");
    write("WebRepPath0_0", "Шапка.html");
    write("Rep1_0", "1");
    write("RepPath1_0", "SmenaEnd.FRM");
    write("Rep2_0", "-2");
    write("RepPath2_0", "Smena1.FRM");
    write("RoundRVal", "1");
    write("SiloReportSortField", "2");
    const reports::ShiftLayout read = reports::ReadShiftLayout();
    EXPECT_EQ(read.layout.canonical(),
              "Array[0..12](I4(1), I4(1), Str(\"C:\\\\VEDA\\\\FORMS\\\\REPORT\\\\SmenaEnd.FRM\"), "
              "I4(1), I4(101), Str(\"\"), "
              "I4(3), I4(0), Str(\"C:\\\\VEDA\\\\FORMS\\\\REPORT\\\\SmenaBeg.FRM\"), "
              "I4(3), I4(100), Str(\"C:\\\\VEDA\\\\FORMS\\\\WEBREP\\\\Шапка.html\"), Empty)");
    EXPECT_EQ(read.roundRVal, 1);
    EXPECT_EQ(read.siloReportSortField, 2);
}

TEST_F(ShiftLayoutTest, FurtherRowsOfAGroupCountUntilTheFirstGap) {
    write("Rep4_0", "2");
    write("Rep4_1", "1");
    write("Rep4_3", "5");
    const reports::ShiftLayout read = reports::ReadShiftLayout();
    ASSERT_EQ(read.layout.highBound(), 12);
    EXPECT_EQ(read.layout.at(0).toInt(), 1);
    EXPECT_EQ(read.layout.at(6).toInt(), 2);
    EXPECT_TRUE(read.layout.at(12).isEmpty());
}

TEST_F(ShiftLayoutTest, AnEmptySectionGivesTheTrailingElementOnly) {
    const reports::ShiftLayout read = reports::ReadShiftLayout();
    EXPECT_EQ(read.layout.canonical(), "Array[0..0](Empty)");
    EXPECT_EQ(read.roundRVal, 0);
    EXPECT_EQ(read.siloReportSortField, 0);
}

TEST(AbsoluteTemplatePath, ServerDriveFoldersAndBareNames) {
    const std::string folder = "C:\\VEDA\\FORMS\\REPORT\\";
    EXPECT_EQ(reports::AbsoluteTemplatePath("s:\\Forms\\s:\\x.frm", folder),
              "C:\\Forms\\s:\\x.frm");
    EXPECT_EQ(reports::AbsoluteTemplatePath("D:\\Forms\\x.frm", folder), "D:\\Forms\\x.frm");
    EXPECT_EQ(reports::AbsoluteTemplatePath("x.frm", folder), "C:\\VEDA\\FORMS\\REPORT\\x.frm");
    EXPECT_EQ(reports::AbsoluteTemplatePath("", folder), "");
}

}  // namespace
}  // namespace kvt::test
