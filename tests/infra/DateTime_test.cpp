#include "infra/DateTime.h"

#include <gtest/gtest.h>

#include "support/TestRoot.h"

namespace kvt {
namespace {

class DateTimeTest : public test::FreshRoot {
protected:
    // The log writer's settings: day.month.year with '.', a point before the milliseconds.
    static FormatSettings logSettings() {
        FormatSettings settings;
        settings.shortDateFormat = settings.longDateFormat = "dd/mm/yyyy";
        settings.shortTimeFormat = settings.longTimeFormat = "hh:nn:ss.zzz";
        settings.decimalSeparator = '.';
        return settings;
    }

    static DateTime stamp() { return EncodeDate(2026, 12, 7) + EncodeTime(14, 3, 59, 42); }
};

TEST_F(DateTimeTest, DatesCountDaysFromTheEndOf1899) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2026, 12, 7), 46363.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_EQ(EncodeDate(2024, 2, 29), 45351.0);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    DateTime unused = 0;
    EXPECT_FALSE(TryEncodeDate(2026, 13, 1, unused));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, unused));
    EXPECT_FALSE(TryEncodeDate(2026, 4, 31, unused));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, unused));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, unused));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, unused));
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
}

TEST_F(DateTimeTest, DecodingRoundTripsEveryEncodedValue) {
    for (int year = 1; year <= 9999; year += 37) {
        for (int month = 1; month <= 12; month += 5) {
            for (const int day : {1, 15, 28}) {
                int y = 0;
                int m = 0;
                int d = 0;
                const DateTime date = EncodeDate(year, month, day);
                DecodeDate(date < 0 ? date - 0.75 : date + 0.75, y, m, d);
                ASSERT_EQ(y * 10000 + m * 100 + d, year * 10000 + month * 100 + day);
            }
        }
    }
    for (int ms = 0; ms < 86'400'000; ms += 999'983) {
        const int hour = ms / 3'600'000;
        const int minute = ms / 60'000 % 60;
        const int second = ms / 1000 % 60;
        int h = 0;
        int n = 0;
        int s = 0;
        int z = 0;
        DecodeTime(EncodeDate(2026, 12, 7) + EncodeTime(hour, minute, second, ms % 1000), h, n, s,
                   z);
        ASSERT_EQ(((h * 60 + n) * 60 + s) * 1000 + z, ms);
    }
}

TEST_F(DateTimeTest, NegativeValuesKeepTheTimeAsAPositiveFraction) {
    int year = 0;
    int month = 0;
    int day = 0;
    DecodeDate(-1.25, year, month, day);
    EXPECT_EQ(day, 29);
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn", -1.25), "29.12.1899 06:00");
    EXPECT_EQ(StrToDateTime("29.12.1899 06:00"), -1.25);
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", EncodeDate(1800, 1, 1)), "01.01.1800");
}

TEST_F(DateTimeTest, TimesRoundToTheNearestMillisecond) {
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", EncodeTime(23, 59, 59, 999) - 1e-10), "23:59:59.999");
    EXPECT_EQ(FormatDateTime("dd.mm hh:nn:ss.zzz", EncodeDate(2026, 12, 7) + 0.99999999999),
              "08.12 00:00:00.000");
    EXPECT_EQ(FormatDateTime("ss.zzz", EncodeTime(0, 0, 1, 0) - 1e-12), "01.000");
}

TEST_F(DateTimeTest, LogStampHasTwentyThreeCharacters) {
    const std::string text = FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", stamp(), logSettings());
    EXPECT_EQ(text, "07.12.2026 14:03:59.042");
    DateTime parsed = 0;
    ASSERT_TRUE(TryStrToDateTime(text, parsed, logSettings()));
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", parsed, logSettings()), text);
    EXPECT_NEAR(parsed, stamp(), 1e-9);
}

// The quoted point keeps the second pattern off the log stamp's own path.
TEST_F(DateTimeTest, LogStampReadsAsThePatternTokenByToken) {
    const FormatSettings settings = logSettings();
    for (const DateTime value :
         {stamp(), 0.0, -1.25, -693593.5, EncodeDate(9999, 12, 31) + 0.99999999999, 3e6, 1e10,
          EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 999)}) {
        EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", value, settings),
                  FormatDateTime("dd/mm/yyyy hh:nn:ss'.'zzz", value, settings))
            << value;
    }
}

TEST_F(DateTimeTest, IniTimePatternHasThreeDigitMilliseconds) {
    FormatSettings ini = logSettings();
    ini.shortDateFormat = ini.longDateFormat = "dd.mm.yyyy";
    ini.shortTimeFormat = ini.longTimeFormat = "hh:nn:ss.zzzz";
    EXPECT_EQ(FormatDateTime("tt", stamp(), ini), "14:03:59.042");
    EXPECT_EQ(FormatDateTime("c", stamp(), ini), "07.12.2026 14:03:59.042");
    DateTime parsed = 0;
    ASSERT_TRUE(TryStrToDate("07.12.2026", parsed, ini));
    EXPECT_EQ(parsed, 46363.0);
}

TEST_F(DateTimeTest, PatternTokens) {
    const DateTime value = stamp();
    EXPECT_EQ(FormatDateTime("d.m.yy", value), "7.12.26");
    EXPECT_EQ(FormatDateTime("y", value), "26");
    EXPECT_EQ(FormatDateTime("dddd, d mmmm yyyy", value), "понедельник, 7 Декабрь 2026");
    EXPECT_EQ(FormatDateTime("ddd mmm", value), "Пн дек");
    EXPECT_EQ(FormatDateTime("ddddd", value), "07.12.2026");
    EXPECT_EQ(FormatDateTime("dddddd", value), "7 Декабрь 2026");
    EXPECT_EQ(FormatDateTime("h:m", EncodeTime(4, 3, 0, 0)), "4:3");
    EXPECT_EQ(FormatDateTime("hh:mm", value), "14:03");
    EXPECT_EQ(FormatDateTime("hh:ss mm", value), "14:59 12");
    EXPECT_EQ(FormatDateTime("mm/dd", value), "12.07");
    EXPECT_EQ(FormatDateTime("z|zz|zzzz|", EncodeTime(1, 2, 3, 5)), "5|005|005|");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", value), "2:03 pm");
    EXPECT_EQ(FormatDateTime("hh:nn AM/PM", EncodeTime(0, 5, 0, 0)), "12:05 AM");
    EXPECT_EQ(FormatDateTime("h a/p", value), "2 p");
    EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(9, 0, 0, 0)), "9 AM");
    EXPECT_EQ(FormatDateTime("hh 'h' \"hh\"", value), "14 h hh");
    EXPECT_EQ(FormatDateTime("'Дата: 'dd", value), "Дата: 07");
    EXPECT_EQ(FormatDateTime("t|tt", value), "14:03|14:03:59");
    EXPECT_EQ(FormatDateTime("", value), "07.12.2026 14:03:59");
}

TEST_F(DateTimeTest, DateTimeTextLeavesOutMidnight) {
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 12, 7)), "07.12.2026");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 12, 7) + EncodeTime(0, 0, 0, 1)),
              "07.12.2026 0:00:00");
    EXPECT_EQ(DateTimeToStr(stamp()), "07.12.2026 14:03:59");
    FormatSettings us;
    us.dateSeparator = '/';
    us.shortDateFormat = "m/d/yyyy";
    us.longTimeFormat = "h:nn:ss AMPM";
    EXPECT_EQ(DateTimeToStr(stamp(), us), "12/7/2026 2:03:59 PM");
}

TEST_F(DateTimeTest, ReadsDatesTimesAndBoth) {
    const auto read = [](std::string_view text, const FormatSettings& settings) {
        DateTime value = -1;
        EXPECT_TRUE(TryStrToDateTime(text, value, settings)) << text;
        return FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", value);
    };
    const FormatSettings& defaults = defaultFormatSettings();
    EXPECT_EQ(read("07.12.2026", defaults), "07.12.2026 00:00:00.000");
    EXPECT_EQ(read("  7.12.2026   14:03  ", defaults), "07.12.2026 14:03:00.000");
    EXPECT_EQ(read("07.12.2026 14:03:59,042", defaults), "07.12.2026 14:03:59.042");
    EXPECT_EQ(read("07.12.2026 14:03:59.5", defaults), "07.12.2026 14:03:59.500");
    EXPECT_EQ(read("14:03:59", defaults), "30.12.1899 14:03:59.000");
    EXPECT_EQ(read("07.12.26", defaults), "07.12.2026 00:00:00.000");
    EXPECT_EQ(read("07.12.75", defaults), "07.12.1975 00:00:00.000");
    EXPECT_EQ(read("2:03 PM", defaults), "30.12.1899 14:03:00.000");
    EXPECT_EQ(read("12:30 am", defaults), "30.12.1899 00:30:00.000");
    EXPECT_EQ(read("5 PM", defaults), "30.12.1899 17:00:00.000");

    FormatSettings us;
    us.dateSeparator = '/';
    us.shortDateFormat = "mm/dd/yyyy";
    EXPECT_EQ(read("12/07/2026 14:03", us), "07.12.2026 14:03:00.000");
    FormatSettings iso;
    iso.dateSeparator = '-';
    iso.shortDateFormat = "yyyy-mm-dd";
    EXPECT_EQ(read("2026-12-07", iso), "07.12.2026 00:00:00.000");
    FormatSettings slashes = logSettings();
    slashes.dateSeparator = '/';
    EXPECT_EQ(read("07/12/2026 14:03:59.042", slashes), "07.12.2026 14:03:59.042");
}

TEST_F(DateTimeTest, RejectsWhatIsNoDateOrTime) {
    for (const std::string_view text :
         {"", "   ", "abc", "32.12.2026", "07.13.2026", "29.02.2023", "00.12.2026",
          "07.12.2026 25:00", "07.12.2026x", "07.12.2026 14:03 x", "14:60", "14:03:61", "14",
          "13:00 PM", "0:30 AM", "07.12.2026 14:", "07/12/2026", "07.12.2026 14:03:59.",
          "1234567890.12.2026"}) {
        DateTime value = 0;
        EXPECT_FALSE(TryStrToDateTime(text, value)) << text;
    }
    DateTime value = 0;
    EXPECT_FALSE(TryStrToDate("07.12.2026 14:03", value));
    EXPECT_FALSE(TryStrToTime("07.12.2026", value));
    EXPECT_TRUE(TryStrToTime(" 14:03 ", value));
    try {
        StrToDateTime("x");
        FAIL() << "no exception";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'x' не является правильной датой и временем");
    }
}

TEST_F(DateTimeTest, DayAndMonthAloneTakeTheCurrentYear) {
    DateTime value = 0;
    ASSERT_TRUE(TryStrToDate("07.12", value));
    int year = 0;
    int month = 0;
    int day = 0;
    DecodeDate(Now(), year, month, day);
    EXPECT_EQ(value, EncodeDate(year, 12, 7));
}

TEST_F(DateTimeTest, NowIsLocalTimeOfThisEra) {
    const DateTime now = Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_LT(now, EncodeDate(2200, 1, 1));
}

}  // namespace
}  // namespace kvt
