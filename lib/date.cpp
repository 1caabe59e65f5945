// Calendar and date utilities; see date.h.
#include "date.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "string.h"

namespace {

constexpr const char* MONTHS[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                    "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr const char* MONTHS_LC[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr const char* MONTHS_LONG[12] = {"January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December"};
// Days before each month, and the year's length last.
constexpr int NUM_DAY[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
constexpr int NUM_DAY_LEAP[13] = {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366};

constexpr int64_t SECS_PER_DAY = 86400;
constexpr int64_t SECS_PER_YEAR = 31536000;  // a common year

constexpr int TZ_STR_SIZE = 7;
char tz_str[TZ_STR_SIZE] = "Z";  // blank and zone name once set
int tz_pm = 0;                   // sign of the offset, 0 when none was given
int tz_off = 0;                  // offset in seconds, without its sign
constexpr float TZ_SECS_LIMIT = 2147483648.0f;  // 2^31: an offset in seconds stays below

const char* month_name(const char* const* table, int month) {
    return (month >= 1 && month <= 12) ? table[month - 1] : "";
}

void normalise(Date* d) {
    if (d->year < 0) d->year = 1980;
    if (d->year < 50) d->year += 2000;
    if (d->year < 200) d->year += 1900;
    if (d->month < 1 || d->month > 12) d->month = 1;
    if (d->day < 0 || d->day > 31) d->day = 1;
    if (d->hour < 0 || d->hour > 23) d->hour = 0;
    if (d->min < 0 || d->min > 59) d->min = 0;
    if (d->sec < 0 || d->sec > 59) d->sec = 0;
}

}  // namespace

const char* DATE_month(int month) { return month_name(MONTHS, month); }
const char* DATE_month_lower(int month) { return month_name(MONTHS_LC, month); }
const char* DATE_month_long(int month) { return month_name(MONTHS_LONG, month); }

int DATE_print(M_type level, const Date* date) {
    MESS_print(level, "%d/%d/%d %2.2d:%2.2d:%2.2d\n", date->year, date->month, date->day,
               date->hour, date->min, date->sec);
    return 0;
}

int DATE_set_TZ(const char* str) {
    if (str == nullptr) return 0;
    tz_str[0] = ' ';
    if (*str == '-') {
        tz_pm = -1;
        ++str;
    } else if (*str == '+') {
        tz_pm = 1;
        ++str;
    }
    char name[5] = "";
    float hours = 0.0f;
    if (sscanf(str, "%4[^:]:%f", name, &hours) < 2) hours = 0.0f;
    snprintf(tz_str + 1, TZ_STR_SIZE - 1, "%s", name);
    // Hours whose seconds an int cannot hold, or no number at all ("nan"), are no usable
    // offset: none, as when no hours are given.
    float secs = hours * 3600.0f;
    tz_off = secs >= -TZ_SECS_LIMIT && secs < TZ_SECS_LIMIT ? static_cast<int>(secs) : 0;
    return 0;
}

int DATE_get_current_str(char* str) {
    Date now;
    int64_t secs = DATE_get_time(nullptr);
    DATE_get_gmdate(&secs, &now);
    snprintf(str, DATE_STAMP_SIZE, "%2.2d %s %2.2d  %2.2d:%2.2d:%2.2dZ", now.year % 100,
             DATE_month(now.month), now.day, now.hour, now.min, now.sec);
    return 0;
}

int DATE_is_leap(int year) {
    if (year % 100 == 0 && year % 400 != 0) return 0;
    return year % 4 == 0 ? 1 : 0;
}

int64_t DATE_num_sec(Date* date) {
    normalise(date);
    int64_t secs = date->sec + 60 * static_cast<int64_t>(date->min) +
                   3600 * static_cast<int64_t>(date->hour) +
                   SECS_PER_DAY * (static_cast<int64_t>(date->day) - 1);
    secs += SECS_PER_DAY * NUM_DAY[date->month - 1];
    int64_t y = static_cast<int64_t>(date->year) - 1900;
    // One leap day every fourth year from 1972 on (the 100/400 rule is not needed
    // between 1901 and 2099).
    int64_t leap_days = y / 4 - 17;
    if (date->month <= 2 && y % 4 == 0) --leap_days;
    secs += SECS_PER_DAY * leap_days;
    secs += SECS_PER_YEAR * (y - 70);
    return secs;
}

int64_t DATE_get_time(int64_t* secs) {
    int64_t now = static_cast<int64_t>(time(nullptr));
    if (secs != nullptr) *secs = now;
    return now;
}

int DATE_get_gmdate(const int64_t* secs, Date* date) {
    time_t t = secs != nullptr ? static_cast<time_t>(*secs) : time(nullptr);
    struct tm tm {};
    if (gmtime_r(&t, &tm) == nullptr) {
        *date = Date{DATE_MISSING, DATE_MISSING, DATE_MISSING, DATE_MISSING,
                     DATE_MISSING, DATE_MISSING, DATE_MISSING, 0};
        return 0;
    }
    date->year = tm.tm_year + 1900;
    date->month = tm.tm_mon + 1;
    date->day = tm.tm_mday;
    date->jday = tm.tm_yday + 1;
    date->wday = tm.tm_wday;
    date->hour = tm.tm_hour;
    date->min = tm.tm_min;
    date->sec = tm.tm_sec;
    return 0;
}

int DATE_julian_monday(int year, int julian, int* month, int* day) {
    const int* table = DATE_is_leap(year) ? NUM_DAY_LEAP : NUM_DAY;
    int last = table[12];
    if (julian <= 0) julian = 1;
    if (julian > last) julian = last;
    int m = 0;
    while (m <= 11 && table[m] < julian) ++m;
    *month = m;
    *day = julian - table[m - 1];
    return 0;
}

int DATE_monday_julian(int year, int month, int day, int* julian) {
    if (month <= 0) month = 1;
    if (month > 12) month = 12;
    const int* table = DATE_is_leap(year) ? NUM_DAY_LEAP : NUM_DAY;
    *julian = table[month - 1] + day;
    return 0;
}

int DATE_decode_month(const char* str) {
    if (str == nullptr || str[0] == '\0') return 0;
    char c0 = str[0];
    switch (c0) {
        case 'F': case 'f': return 2;
        case 'S': case 's': return 9;
        case 'O': case 'o': return 10;
        case 'N': case 'n': return 11;
        case 'D': case 'd': return 12;
        default: break;
    }
    // The first character's case fixes the case expected of the others.
    bool upper = is_upper(c0);
    auto is = [upper](char c, char letter) {
        return c == (upper ? letter : static_cast<char>(letter + ('a' - 'A')));
    };
    char c1 = str[1];
    char c2 = c1 != '\0' ? str[2] : '\0';
    if (is(c0, 'J') && is(c1, 'A')) return 1;
    if (is(c0, 'J') && is(c2, 'N')) return 6;
    if (is(c0, 'J') && is(c2, 'L')) return 7;
    if (is(c0, 'M') && is(c2, 'R')) return 3;
    if (is(c0, 'M') && is(c2, 'Y')) return 5;
    if (is(c0, 'A') && is(c2, 'R')) return 4;
    if (is(c0, 'A') && is(c2, 'G')) return 8;
    return 0;
}

int DATE_get_tz_off() { return tz_off; }
int DATE_get_tz_pm() { return tz_pm; }
const char* DATE_get_tz_str() { return tz_str; }
