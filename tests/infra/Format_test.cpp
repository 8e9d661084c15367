#include "infra/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "infra/DateTime.h"
#include "support/TestRoot.h"

namespace kvt {
namespace {

class FormatTest : public test::FreshRoot {
protected:
    static FormatSettings pointSettings() {
        FormatSettings settings;
        settings.decimalSeparator = '.';
        return settings;
    }
};

TEST_F(FormatTest, IntegersAndTexts) {
    EXPECT_EQ(Format("Отчет %d сформирован за %d мс", {45, 1200}),
              "Отчет 45 сформирован за 1200 мс");
    EXPECT_EQ(Format("%d|%d|%d", {Variant::i1(-1), Variant::ui1(200), Variant::i8(-5)}),
              "-1|200|-5");
    EXPECT_EQ(Format("%.5d|%3d|%-4d|", {-12, 7, 7}), "-00012|  7|7   |");
    EXPECT_EQ(Format("%u|%u", {-1, Variant::i8(-1)}), "4294967295|18446744073709551615");
    EXPECT_EQ(Format("%x|%x|%.4X|%x", {255, -1, 10, Variant::i8(-1)}),
              "FF|FFFFFFFF|000A|FFFFFFFFFFFFFFFF");
    EXPECT_EQ(Format("%s|%5s|%-5s|%.2s", {"ab", "ab", "ab", "abc"}), "ab|   ab|ab   |ab");
    EXPECT_EQ(Format("[%-4s][%4s][%.1s]", {"Да", "Да", "Да"}), "[Да  ][  Да][Д]");
    EXPECT_EQ(Format("100%% %s", {"done"}), "100% done");
    EXPECT_EQ(Format("%p", {255}), "00000000000000FF");
    EXPECT_EQ(Format("no directives", {}), "no directives");
}

TEST_F(FormatTest, TextDirectiveTakesAnyScalar) {
    EXPECT_EQ(Format("%s %s %s %s %s", {12, true, 1.5, Variant(), Variant::i1(-1)}),
              "12 True 1,5  -1");
    EXPECT_EQ(Format("%s", {Variant::date(EncodeDate(2026, 12, 7))}), "07.12.2026");
}

TEST_F(FormatTest, IndexesPickArgumentsAndLaterDirectivesContinue) {
    EXPECT_EQ(Format("%1:s %0:s", {"a", "b"}), "b a");
    EXPECT_EQ(Format("%1:d %d %0:s %s", {"x", 1, 2}), "1 2 x 1");
    EXPECT_EQ(Format("%0:s-%0:s", {"a"}), "a-a");
    EXPECT_EQ(Format("%0:-4s|%1:3d", {"a", 5}), "a   |  5");
    EXPECT_EQ(Format("%*d|%-*d|%.*f", {5, 42, 3, 1, 2, 3.14159}), "   42|1  |3.14");
}

TEST_F(FormatTest, FloatingPointUsesAPoint) {
    EXPECT_EQ(Format("%5.2f", {3.14159}), " 3.14");
    EXPECT_EQ(Format("%f", {2.0}), "2.00");
    EXPECT_EQ(Format("%.0f|%.2f|%.1f", {2.5, 0.125, -0.04}), "3|0.13|0.0");
    EXPECT_EQ(Format("%.3f", {-1234.5678}), "-1234.568");
    EXPECT_EQ(Format("%f", {Variant::currency(123456)}), "12.35");
    EXPECT_EQ(Format("%n", {1234567.891}), "1 234 567.89");
    EXPECT_EQ(Format("%.0n", {-999.5}), "-1 000");
    EXPECT_EQ(Format("%m", {1234.5}), "1 234.50 р.");
    EXPECT_EQ(Format("%e", {1.5}), "1.50000000000000E+000");
    EXPECT_EQ(Format("%.3e", {-0.00012345}), "-1.23E-004");
    EXPECT_EQ(Format("%g|%g|%g", {0.1, 1e20, 123.456}), "0.1|1E20|123.456");
    EXPECT_EQ(Format("%f", {std::numeric_limits<double>::infinity()}), "INF");
}

TEST_F(FormatTest, MismatchesAreErrors) {
    const std::vector<std::pair<std::string, std::vector<Variant>>> broken = {
        {"%d", {}},
        {"%d", {"12"}},
        {"%d", {1.0}},
        {"%d", {true}},
        {"%x", {"ff"}},
        {"%f", {1}},
        {"%f", {"1.5"}},
        {"%s", {Variant::null()}},
        {"%s", {Variant::list({1})}},
        {"%2:s", {"a", "b"}},
        {"%s %s", {"a"}},
        {"%k", {1}},
        {"abc %", {1}},
        {"%5", {1}},
        {"%*d", {"5", 1}},
        {"%1000000s", {"a"}},
    };
    for (const auto& [format, args] : broken) {
        try {
            Format(format, args);
            ADD_FAILURE() << format << " was accepted";
        } catch (const FormatError& error) {
            EXPECT_EQ(error.what(), "Формат '" + format + "' неверен или несовместим с аргументом");
        }
    }
}

TEST_F(FormatTest, FloatToStrGivesTheShortestText) {
    EXPECT_EQ(FloatToStr(0.1), "0,1");
    EXPECT_EQ(FloatToStr(0.1, pointSettings()), "0.1");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(123.456), "123,456");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0,3");
    EXPECT_EQ(FloatToStr(-1.5), "-1,5");
    EXPECT_EQ(FloatToStr(0.0), "0");
    EXPECT_EQ(FloatToStr(100.0), "100");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(0.0001), "0,0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(1.5e-7), "1,5E-7");
    EXPECT_EQ(FloatToStr(2.0 / 3.0), "0,666666666666667");
    EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
}

TEST_F(FormatTest, TryStrToFloatReadsTheSettingsSeparatorOnly) {
    double value = 7;
    EXPECT_FALSE(TryStrToFloat("1,5", value, pointSettings()));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(TryStrToFloat("1,5", value));
    EXPECT_EQ(value, 1.5);
    EXPECT_FALSE(TryStrToFloat("1.5", value));
    const auto read = [](std::string_view text) {
        double result = 0;
        EXPECT_TRUE(TryStrToFloat(text, result, FormatTest::pointSettings())) << text;
        return result;
    };
    EXPECT_EQ(read(" 2.5e3 "), 2500);
    EXPECT_EQ(read("-.5"), -0.5);
    EXPECT_EQ(read("+5."), 5);
    EXPECT_EQ(read("1E-2"), 0.01);
    EXPECT_EQ(read("0.1"), 0.1);
    EXPECT_EQ(read("1e-400"), 0);
    EXPECT_EQ(read("0.000000000000000000001e-330"), 0);
    for (const std::string_view text :
         {"", " ", ".", "-", "1e", "1e+", "1 000", "1.2.3", "abc", "0x10", "1e400", "inf", "nan",
          "1,000.5", "100000000000000000000000000000e-10e"}) {
        EXPECT_FALSE(TryStrToFloat(text, value, pointSettings())) << text;
    }
    std::string huge(400, '9');
    EXPECT_FALSE(TryStrToFloat(huge + "e-10", value, pointSettings()));
    EXPECT_TRUE(TryStrToFloat(huge + "e-300", value, pointSettings()));
    EXPECT_DOUBLE_EQ(value, 1e100);
}

TEST_F(FormatTest, TryStrToIntReadsDecimalAndHexadecimal) {
    const auto read = [](std::string_view text) {
        std::int32_t result = 0;
        EXPECT_TRUE(TryStrToInt(text, result)) << text;
        return result;
    };
    EXPECT_EQ(read(" 42 "), 42);
    EXPECT_EQ(read("+7"), 7);
    EXPECT_EQ(read("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(read("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(read("$FF"), 255);
    EXPECT_EQ(read("0x10"), 16);
    EXPECT_EQ(read("-$10"), -16);
    EXPECT_EQ(read("$FFFFFFFF"), -1);
    std::int32_t value = 99;
    for (const std::string_view text : {"", "-", "$", "0x", "12a", "1 2", "2147483648",
                                        "-2147483649", "$100000000", "1.0", "--1"}) {
        EXPECT_FALSE(TryStrToInt(text, value)) << text;
    }
    EXPECT_EQ(value, 99);

    std::int64_t wide = 0;
    EXPECT_TRUE(TryStrToInt64("9223372036854775807", wide));
    EXPECT_EQ(wide, std::numeric_limits<std::int64_t>::max());
    EXPECT_TRUE(TryStrToInt64("-9223372036854775808", wide));
    EXPECT_EQ(wide, std::numeric_limits<std::int64_t>::min());
    EXPECT_TRUE(TryStrToInt64("$FFFFFFFFFFFFFFFF", wide));
    EXPECT_EQ(wide, -1);
    EXPECT_FALSE(TryStrToInt64("9223372036854775808", wide));
    EXPECT_FALSE(TryStrToInt64("$10000000000000000", wide));
}

}  // namespace
}  // namespace kvt
