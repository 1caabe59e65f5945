// Calendar and date utilities: names, seconds since 1970, day-of-year, month decoding, zone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "date.h"
#include "testutil.h"

namespace {

Date make(int year, int month, int day, int hour, int min, int sec) {
    return Date{year, month, day, 0, 0, hour, min, sec};
}

}  // namespace

TEST(DateNames, MonthsInThreeFormsAndOutOfRange) {
    EXPECT_STREQ(DATE_month(1), "JAN");
    EXPECT_STREQ(DATE_month(12), "DEC");
    EXPECT_STREQ(DATE_month_lower(6), "jun");
    EXPECT_STREQ(DATE_month_long(9), "September");
    for (int bad : {0, 13, -9999}) {
        SCOPED_TRACE(bad);
        EXPECT_STREQ(DATE_month(bad), "");
        EXPECT_STREQ(DATE_month_lower(bad), "");
        EXPECT_STREQ(DATE_month_long(bad), "");
    }
}

TEST(DateSeconds, KnownInstants) {
    struct Case {
        Date date;
        int64_t secs;
    };
    const Case cases[] = {
        {make(1970, 1, 1, 0, 0, 0), 0},
        {make(2000, 3, 1, 0, 0, 0), 951868800},
        {make(2024, 2, 29, 12, 30, 15), 1709209815},
        {make(1969, 12, 31, 23, 59, 59), -1},
        {make(2024, 3, 0, 0, 0, 0), 1709164800},  // day 0: the last day of February
        {make(2099, 12, 31, 23, 59, 59), 4102444799},
        {make(2038, 1, 19, 3, 14, 8), 2147483648},  // past 32 bits
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.secs);
        EXPECT_EQ(DATE_num_sec(&c.date), c.secs);
    }
}

TEST(DateSeconds, NormalisesTheRecordInPlace) {
    Date d = make(99, 12, 31, 23, 59, 59);
    EXPECT_EQ(DATE_num_sec(&d), 946684799);
    EXPECT_EQ(d.year, 1999);
    struct Case {
        int year_in;
        int year_out;
    };
    for (auto c : {Case{49, 2049}, Case{50, 1950}, Case{-5, 1980}, Case{0, 2000},
                   Case{199, 2099}, Case{2024, 2024}}) {
        SCOPED_TRACE(c.year_in);
        Date y = make(c.year_in, 1, 1, 0, 0, 0);
        DATE_num_sec(&y);
        EXPECT_EQ(y.year, c.year_out);
    }
    Date bad = make(2024, 13, 32, 24, 60, 60);
    DATE_num_sec(&bad);
    EXPECT_EQ(bad.month, 1);
    EXPECT_EQ(bad.day, 1);
    EXPECT_EQ(bad.hour, 0);
    EXPECT_EQ(bad.min, 0);
    EXPECT_EQ(bad.sec, 0);
    Date unset = make(-9999, -9999, -9999, -9999, -9999, 0);
    DATE_num_sec(&unset);
    EXPECT_EQ(unset.year, 1980);
    EXPECT_EQ(unset.month, 1);
    EXPECT_EQ(unset.day, 1);
}

TEST(DateSeconds, RoundTripThroughBreakdown) {
    for (int64_t secs : {int64_t{0}, int64_t{951868800}, int64_t{1709209815},
                         int64_t{4102444799}, int64_t{1234567890}}) {
        SCOPED_TRACE(secs);
        Date d;
        DATE_get_gmdate(&secs, &d);
        EXPECT_EQ(DATE_num_sec(&d), secs);
    }
    int64_t leap = 1709209815;  // 2024-02-29 12:30:15, a Thursday
    Date d;
    DATE_get_gmdate(&leap, &d);
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(d.jday, 60);
    EXPECT_EQ(d.wday, 4);
    EXPECT_EQ(d.hour, 12);
    EXPECT_EQ(d.min, 30);
    EXPECT_EQ(d.sec, 15);
}

TEST(DateLeap, CenturyRule) {
    EXPECT_EQ(DATE_is_leap(1900), 0);
    EXPECT_EQ(DATE_is_leap(2100), 0);
    EXPECT_EQ(DATE_is_leap(2000), 1);
    EXPECT_EQ(DATE_is_leap(2024), 1);
    EXPECT_EQ(DATE_is_leap(2023), 0);
}

TEST(DateMonthDays, LeapFebruaryAndMonthsOutOfRange) {
    struct Case {
        int year, month, days;
    };
    constexpr Case cases[] = {{2024, 2, 29}, {2023, 2, 28}, {2100, 2, 28}, {2023, 1, 31},
                              {2023, 11, 30}, {2023, 12, 31}, {2023, 0, 0}, {2023, 13, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month);
        EXPECT_EQ(DATE_month_days(c.year, c.month), c.days);
    }
}

TEST(DateJulian, DayOfYearBothWays) {
    struct Case {
        int year, julian, month, day;
    };
    const Case cases[] = {
        {2024, 60, 2, 29}, {2023, 60, 3, 1},    {2023, 0, 1, 1},     {2023, 400, 12, 31},
        {2024, 400, 12, 31}, {2023, 365, 12, 31}, {2024, 366, 12, 31}, {2023, 1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.year) + "/" + std::to_string(c.julian));
        int month = 0, day = 0;
        DATE_julian_monday(c.year, c.julian, &month, &day);
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(day, c.day);
    }
    int julian = 0;
    DATE_monday_julian(2024, 3, 1, &julian);
    EXPECT_EQ(julian, 61);
    DATE_monday_julian(2023, 0, 5, &julian);  // month 0 is January
    EXPECT_EQ(julian, 5);
    DATE_monday_julian(2023, 13, 1, &julian);  // month 13 is December
    EXPECT_EQ(julian, 335);
}

// The first and last day of every month as the calendar counts them, in a common and a leap
// year, both ways.
TEST(DateJulian, FirstAndLastDayOfEveryMonth) {
    const int lengths[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
    for (int leap = 0; leap < 2; ++leap) {
        const int year = leap == 1 ? 2024 : 2023;
        int before = 0;  // days of the months before
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, lengths[leap][month - 1]}) {
                SCOPED_TRACE(std::to_string(year) + "/" + std::to_string(month) + "/" +
                             std::to_string(day));
                int julian = 0;
                DATE_monday_julian(year, month, day, &julian);
                EXPECT_EQ(julian, before + day);
                int m = 0, d = 0;
                DATE_julian_monday(year, before + day, &m, &d);
                EXPECT_EQ(m, month);
                EXPECT_EQ(d, day);
            }
            before += lengths[leap][month - 1];
        }
    }
}

TEST(DateMonthName, CaseOfTheFirstLetterRules) {
    struct Case {
        const char* text;
        int month;
    };
    const Case cases[] = {
        {"JAN", 1}, {"jan", 1},  {"Jan", 0},  {"Feb", 2},  {"sept", 9}, {"JUNE", 6},
        {"Jun", 0}, {"Mar", 0},  {"Aug", 0},  {"MAY", 5},  {"apr", 4},  {"AUG", 8},
        {"jul", 7}, {"oct", 10}, {"Nov", 11}, {"DEC", 12}, {"", 0},     {"J", 0},
        {"xyz", 0}, {"MAR", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DATE_decode_month(c.text), c.month);
    }
}

TEST(DateZone, SettingsOfTheZoneVariable) {
    DATE_set_TZ("-EST:5");
    EXPECT_EQ(DATE_get_tz_pm(), -1);
    EXPECT_STREQ(DATE_get_tz_str(), " EST");
    EXPECT_EQ(DATE_get_tz_off(), 18000);
    DATE_set_TZ("+IST:5.5");
    EXPECT_EQ(DATE_get_tz_pm(), 1);
    EXPECT_STREQ(DATE_get_tz_str(), " IST");
    EXPECT_EQ(DATE_get_tz_off(), 19800);
    DATE_set_TZ("LONGNAME:2");  // at most four characters are read, so no hours follow
    EXPECT_EQ(DATE_get_tz_pm(), 1);  // no sign leaves the sign as it was
    EXPECT_STREQ(DATE_get_tz_str(), " LONG");
    EXPECT_EQ(DATE_get_tz_off(), 0);
    DATE_set_TZ("EST");
    EXPECT_STREQ(DATE_get_tz_str(), " EST");
    EXPECT_EQ(DATE_get_tz_off(), 0);
}

// Hours whose seconds an int cannot hold, or no number at all, give no offset (they used to
// be converted out of range); the largest counts that fit are kept.
TEST(DateZone, HoursBeyondTheOffsetRange) {
    const struct {
        const char* setting;
        int offset;
    } cases[] = {
        {"A:1e30", 0},  {"A:-1e30", 0}, {"A:596524", 0}, {"A:-596524", 0},
        {"A:nan", 0},   {"A:inf", 0},   {"A:-inf", 0},   {"A:-24", -86400},
        {"A:596000", 2145600000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        DATE_set_TZ(c.setting);
        EXPECT_EQ(DATE_get_tz_off(), c.offset);
    }
}

TEST(DateText, CurrentStampAndPrint) {
    char stamp[DATE_STAMP_SIZE + 8];
    memset(stamp, 'x', sizeof stamp);
    DATE_get_current_str(stamp);
    ASSERT_EQ(strlen(stamp), 20u);
    EXPECT_EQ(stamp[2], ' ');
    EXPECT_EQ(stamp[6], ' ');
    EXPECT_EQ(std::string(stamp + 9, 2), "  ");
    EXPECT_EQ(stamp[19], 'Z');
    Date now;
    DATE_get_gmdate(nullptr, &now);
    EXPECT_EQ(std::string(stamp + 3, 3), DATE_month(now.month));

    MESS_reset();
    testutil::Capture out(1);
    Date d = make(2024, 3, 5, 6, 7, 8);
    DATE_print(MESS_PRINT, &d);
    EXPECT_EQ(out.stop(), "2024/3/5 06:07:08\n");
}
