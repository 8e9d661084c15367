#include "settings/PrintOptions.h"

#include <gtest/gtest.h>

#include "settings/SettingsFixture.h"

namespace kvt::settings {
namespace {

class PrintOptionsTest : public test::SettingsTest {};

TEST_F(PrintOptionsTest, KeptPerTitleAsDecimalTextWithDefaults) {
    EXPECT_EQ(ReadPrintOptions("Отчет").fontSize, 2);
    WritePrintOptions("Отчет", {1, 4, 75});
    const auto key = family(kPrintOptionsKey);
    EXPECT_EQ(key->readString("Отчет_Scale"), "75");
    const PrintOptions stored = ReadPrintOptions("Отчет");
    EXPECT_EQ(stored.orientation, 1);
    EXPECT_EQ(stored.fontSize, 4);
    key->writeString("Отчет_Scale", "крупно");
    EXPECT_EQ(ReadPrintOptions("Отчет").scale, 100);
    EXPECT_EQ(ReadPrintOptions("Другой").orientation, 0);
}

}  // namespace
}  // namespace kvt::settings
