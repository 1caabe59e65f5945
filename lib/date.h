// Calendar and date utilities: the shared Date record, month names, the leap-year rule,
// conversion between a Date and seconds since 1970-01-01 00:00:00 UTC, day-of-year
// conversions, month-name decoding, the current time and the optional time-zone setting.
//
// All dates are UTC; time values are signed 64-bit seconds. A Date field of -9999 is unset.
// Month-name functions return constant text ("" for a month outside 1..12). Only
// DATE_num_sec writes into its argument (it normalises the record first).
#ifndef JOX_DATE_H
#define JOX_DATE_H

#include <cstdint>

#include "mess.h"

typedef struct {
    int32_t year;   // four digits
    int32_t month;  // 1..12
    int32_t day;    // 1..31
    int32_t jday;   // day of year, 1..366
    int32_t wday;   // 0 = Sunday
    int32_t hour;
    int32_t min;
    int32_t sec;
} Date;

inline constexpr int DATE_MISSING = -9999;
// Room DATE_get_current_str needs: "YY MON DD  HH:MM:SSZ" and the terminator.
inline constexpr int DATE_STAMP_SIZE = 21;

const char* DATE_month(int month);        // "JAN" .. "DEC"
const char* DATE_month_lower(int month);  // "jan" .. "dec"
const char* DATE_month_long(int month);   // "January" .. "December"
// "%d/%d/%d %2.2d:%2.2d:%2.2d\n" of year, month, day, hour, min, sec at level.
int DATE_print(M_type level, const Date* date);
// Parses a zone setting such as -EST:5 or +IST:5.5 (environment variable joxtz). Hours
// whose seconds an int cannot hold, or none, give an offset of 0.
int DATE_set_TZ(const char* str);
// Writes the current UTC time as "YY MON DD  HH:MM:SSZ" (str holds DATE_STAMP_SIZE bytes).
int DATE_get_current_str(char* str);
int DATE_is_leap(int year);
// Days of a month (1..12) of a year; 0 for a month outside 1..12. (Inline: a report's
// times are each checked against their month.)
inline int DATE_month_days(int year, int month) {
    constexpr int DAYS[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return DAYS[month] + (month == 2 && leap ? 1 : 0);
}
// Seconds since 1970 of date, normalising the record in place first (two-digit years,
// out-of-range fields). Exact for 1901 through 2099.
int64_t DATE_num_sec(Date* date);
// Stores the current time into *secs (when not null) and returns it.
int64_t DATE_get_time(int64_t* secs);
// Fills every field of date for *secs, or for now when secs is null.
int DATE_get_gmdate(const int64_t* secs, Date* date);
// Day of year to month and day (the day of year is clamped to the year).
int DATE_julian_monday(int year, int julian, int* month, int* day);
// Month and day to day of year (the month is clamped to 1..12).
int DATE_monday_julian(int year, int month, int day, int* julian);
// 1..12 from the first three characters (JAN, jan, Feb, sept ...), or 0.
int DATE_decode_month(const char* str);
// The time-zone setting: offset in seconds (unsigned; the sign is separate) and the text.
int DATE_get_tz_off();
int DATE_get_tz_pm();
const char* DATE_get_tz_str();

#endif
