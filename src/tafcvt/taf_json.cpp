// The JSON form: one object per report on one line (JSON Lines), for programs. The items of a
// report are kept as they come; when the report ends its times are made whole (ISO 8601 UTC,
// the years of the months the report's days fall in), the flight category of each period is
// worked out after carry-over, and the line is written at dec_mes as data (the only text of
// standard output in this form). Every key is always there, null where the report has no
// value, in the order of doc/tafcvt-report.schema.json. Input text is written as UTF-8, each
// byte 0x80-0xFF taken as Latin-1, so that any input gives valid JSON.
//
// State: the report being written, its periods and words (their texts point into the
// decoder's copy of the report), and the line, all kept from report to report so that a run
// allocates only while its reports grow.
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "taf.h"
#include "taf_items.h"

namespace {

constexpr int JSON_WEATHER_MAX = TAF_WEATHER_GROUPS_MAX + 1;  // the weather step, and VC
constexpr int JSON_CLOUDS_MAX = 5;
constexpr int JSON_TEMPERATURES_MAX = 10;  // five at each of the two temperature steps
constexpr int JSON_TYPE_SIZE = 8;          // cloud type letters kept (TCU, CB)
constexpr int FEET_PER_UNIT = 100;         // heights in groups are hundreds of feet
constexpr int METRES_UNLIMITED = 9999;     // ten kilometres or more
constexpr int METRES_TEN_KM = 10000;
constexpr double METRES_PER_MILE = 1609.344;
constexpr double KNOTS_PER_MPS = 1.943844;
constexpr double KNOTS_PER_KMH = 0.539957;
constexpr int HOURS_PER_DAY = 24;
constexpr int LAST_MINUTE = 59;
constexpr int OKTAS_CEILING = 5;  // an amount-and-type group of this many eighths is a ceiling

// Flight category thresholds: ceiling in feet, visibility in statute miles.
constexpr int LIFR_CEILING = 500, IFR_CEILING = 1000, MVFR_CEILING = 3000;
constexpr double LIFR_MILES = 1.0, IFR_MILES = 3.0, MVFR_MILES = 5.0;
// How far a "more than" or "less than" visibility lies beyond its number.
constexpr double BEYOND = 1e-6;

struct Cloud {
    TafCloudKind kind;
    int amount;
    int height;  // hundreds of feet, or TAF_ITEM_MISSING
    char cover[4];
    char type[JSON_TYPE_SIZE];
};

struct Period {
    TafPeriod change;  // kind, probability, times and FM time as read
    bool has_wind, has_variation, has_visibility, cavok, has_sky, has_shear;
    bool has_icing, has_turbulence, has_altimeter;
    TafWind wind;
    int vary_from, vary_to;
    TafVisibility visibility;
    std::string_view weather[JSON_WEATHER_MAX];
    int weather_count;
    std::string_view sky_text;  // SKC, CLR, NSC or NCD as written
    Cloud clouds[JSON_CLOUDS_MAX];
    int cloud_count;
    TafWindShear shear;
    TafLayer icing, turbulence;
    float inches;
    TafTemperature temperatures[JSON_TEMPERATURES_MAX];
    int temperature_count;
    int unread_begin, unread_end;  // its words in unread_words
};

// A time made whole: a date and a time of day, or not known.
struct Time {
    bool known = false;
    int year = 0, month = 0, day = 0, hour = 0, min = 0;
};

// Conditions that carry over from period to period: the visibility, and the clouds (cloud
// groups, a sky word or CAVOK, as one element), each known or not.
struct Conditions {
    bool visibility_known = false;
    double miles = 0;
    bool clouds_known = false;
    bool has_ceiling = false;
    int ceiling_ft = 0;
};

struct Warning {
    std::string_view group;
    const char* problem;
    int period = -1;  // "not decoded": the period whose unread words are the group
};

// The report being written.
const TafSource* source = nullptr;
std::string_view report_text;  // the report as the driver gathered it
char station_id[8];
bool station_known = false;
CTY_data city;
bool city_known = false;
bool amendment = false, correction = false, nil = false, cancelled = false;
bool issue_known = false;
TafIssue issue_item;
bool validity_known = false;
TafValidity validity_item;
std::vector<Period> periods;  // those of this report: the first period_count
int period_count = 0;
std::vector<std::string_view> unread_words;
bool in_remarks = false;  // RMK was met: the words behind it are remarks, not unread
std::vector<Warning> warnings;
bool warn_times = true;  // an impossible time is warned of (not while looking ahead)
// The line being written, from its start to at. It grows only at the places that reserve
// room (room()); the writing between them stays within what they reserved.
std::unique_ptr<char[]> line;
char* at = nullptr;        // where the next character of the line goes
char* room_end = nullptr;  // the end of the line's room

void period(const TafPeriod& change);

Period& current() {
    if (period_count == 0) period({.kind = TafPeriodKind::base});  // groups outside a report
    return periods[static_cast<size_t>(period_count - 1)];
}

// ---- Writing JSON text ----

constexpr size_t LINE_START_SIZE = 16384;
// Most a field (a key and a number, a time, a word of the form's own) takes.
constexpr size_t FIELD_MAX = 64;
// Most a period takes besides its texts from the report: its fields, and those of its
// wind, visibility, six weather entries, five clouds, ten temperatures and the rest (131
// fields in all).
constexpr size_t PERIOD_FIELDS_MAX = 160 * FIELD_MAX;

[[gnu::noinline]] void grow(size_t n) {
    const size_t used = line ? static_cast<size_t>(at - line.get()) : 0;
    const size_t size = 2 * (used + n) + LINE_START_SIZE;
    auto bigger = std::make_unique<char[]>(size);
    if (used > 0) memcpy(bigger.get(), line.get(), used);
    line = std::move(bigger);
    at = line.get() + used;
    room_end = line.get() + size;
}

// Room for n more characters of the line, which the writing after it may use without
// asking again.
[[gnu::always_inline]] inline void room(size_t n) {
    if (static_cast<size_t>(room_end - at) < n) [[unlikely]]
        grow(n);
}

// Writing within reserved room. (A line is written a few characters at a time: these
// stay inline.)
[[gnu::always_inline]] inline void put(const char* text, size_t n) {
    memcpy(at, text, n);
    at += n;
}
void put(std::string_view text) { put(text.data(), text.size()); }
// A literal: its length is known where it is written.
template <size_t N>
[[gnu::always_inline]] inline void put(const char (&text)[N]) {
    put(text, N - 1);
}
[[gnu::always_inline]] inline void put(char c) { *at++ = c; }

// The two digits of 0 to 99.
constexpr auto TWO_DIGITS = [] {
    struct Table {
        char pair[100][2] = {};
    } t;
    for (int i = 0; i < 100; ++i) {
        t.pair[i][0] = static_cast<char>('0' + i / 10);
        t.pair[i][1] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

void two_digits_at(char* text, int value) { memcpy(text, TWO_DIGITS.pair[value], 2); }

void put_long(long value);

// Most numbers of a report are below 10000 (directions, speeds, heights in feet, metres):
// two look-ups at most.
[[gnu::always_inline]] inline void put_int(long value) {
    if (value < 0 || value >= 10000) [[unlikely]] {
        put_long(value);
        return;
    }
    const auto v = static_cast<int>(value);
    if (v < 10) {
        *at++ = static_cast<char>('0' + v);
    } else if (v < 100) {
        memcpy(at, TWO_DIGITS.pair[v], 2);
        at += 2;
    } else if (v < 1000) {
        *at++ = static_cast<char>('0' + v / 100);
        memcpy(at, TWO_DIGITS.pair[v % 100], 2);
        at += 2;
    } else {
        memcpy(at, TWO_DIGITS.pair[v / 100], 2);
        memcpy(at + 2, TWO_DIGITS.pair[v % 100], 2);
        at += 4;
    }
}

void put_long(long value) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    const bool negative = value < 0;
    unsigned long v = negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    if (negative) *--p = '-';
    put(p, static_cast<size_t>(end - p));
}

// A number with exactly two decimals, rounded half away from zero.
void put_hundredths(double value) {
    const long hundredths = std::lround(value * 100.0);
    if (hundredths < 0) put('-');
    const long magnitude = hundredths < 0 ? -hundredths : hundredths;
    put_int(magnitude / 100);
    put('.');
    put(static_cast<char>('0' + magnitude / 10 % 10));
    put(static_cast<char>('0' + magnitude % 10));
}

void put_null() { put("null"); }

constexpr char HEX[] = "0123456789abcdef";

// How a byte of input text is written in a JSON string.
enum ByteClass : unsigned char { AS_IS, BLANK, ESCAPED };
constexpr auto BYTE_CLASS = [] {
    struct Table {
        ByteClass of[256] = {};
    } t;
    for (int c = 0; c < 256; ++c)
        t.of[c] = c >= 0x20 && c < 0x7F && c != '"' && c != '\\' ? AS_IS : ESCAPED;
    for (char c : {' ', '\t', '\r', '\n'}) t.of[static_cast<unsigned char>(c)] = BLANK;
    return t;
}();
constexpr size_t ESCAPE_MAX = 6;  // \u00XX; a Latin-1 byte takes 2

// Writes one byte that cannot stand as it is: UTF-8 for 0x80-0xFF (as Latin-1), an escape
// for quotes, backslashes and control bytes. There is room for ESCAPE_MAX characters.
char* escape_at(char* out, unsigned char c) {
    if (c >= 0x80) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
        return out;
    }
    *out++ = '\\';
    switch (c) {
        case '"': *out++ = '"'; break;
        case '\\': *out++ = '\\'; break;
        case '\n': *out++ = 'n'; break;
        case '\t': *out++ = 't'; break;
        case '\r': *out++ = 'r'; break;
        default:
            memcpy(out, "u00", 3);
            out[3] = HEX[c >> 4];
            out[4] = HEX[c & 0xF];
            out += 5;
    }
    return out;
}

// Text from the input inside a JSON string: UTF-8, bytes 0x80-0xFF as Latin-1, quotes,
// backslashes and control bytes escaped.
void put_escaped(std::string_view text) {
    room(text.size() * ESCAPE_MAX);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (BYTE_CLASS.of[c] == AS_IS || ch == ' ')
            *at++ = ch;
        else
            at = escape_at(at, c);
    }
}

void put_string(std::string_view text) {
    put('"');
    put_escaped(text);
    put('"');
}

// A text made of letters, digits, blanks, "/", "+" and "-" only (what the group patterns
// read, and the form's own words): nothing in it needs escaping.
void put_plain(std::string_view text) {
    put('"');
    put(text);
    put('"');
}
void put_plain_or_null(std::string_view text) {
    if (text.empty())
        put_null();
    else
        put_plain(text);
}

void put_bool(bool value) {
    if (value)
        put("true");
    else
        put("false");
}
void put_string_or_null(std::string_view text) {
    if (text.empty())
        put_null();
    else
        put_string(text);
}
void put_int_or_null(int value) {
    if (value == TAF_ITEM_MISSING)
        put_null();
    else
        put_int(value);
}

// ---- Times ----

Time add_day(Time t) {
    if (++t.day <= DATE_month_days(t.year, t.month)) return t;
    t.day = 1;
    if (++t.month > 12) {
        t.month = 1;
        ++t.year;
    }
    return t;
}

// A time of the report, or not known (with a warning naming the group) when it cannot
// exist. Hour 24 is 00 of the next day.
Time make_time(TafMonth month, int day, int hour, int min, std::string_view group) {
    Time t;
    const bool exists = month.month >= 1 && month.month <= 12 && day >= 1 &&
                        day <= DATE_month_days(month.year, month.month) && hour >= 0 &&
                        min >= 0 && min <= LAST_MINUTE &&
                        (hour < HOURS_PER_DAY || (hour == HOURS_PER_DAY && min == 0));
    if (!exists) {
        if (warn_times) warnings.push_back({group, "time does not exist"});
        return t;
    }
    t = {true, month.year, month.month, day, hour, min};
    if (hour == HOURS_PER_DAY) {
        t.hour = 0;
        t = add_day(t);
    }
    return t;
}

// The first time at or after from with the hour and minute (a form without a day).
Time next_at(const Time& from, int hour, int min, std::string_view group) {
    if (!from.known) return {};
    if (hour < 0 || hour > HOURS_PER_DAY || min < 0 || min > LAST_MINUTE ||
        (hour == HOURS_PER_DAY && min != 0)) {
        if (warn_times) warnings.push_back({group, "time does not exist"});
        return {};
    }
    Time t = from;
    t.min = min;
    if (hour == HOURS_PER_DAY) {
        t.hour = 0;
        return add_day(t);
    }
    t.hour = hour;
    if (hour * 60 + min < from.hour * 60 + from.min) t = add_day(t);
    return t;
}


void put_time(const Time& t) {
    if (!t.known || t.year < 0 || t.year > 9999) {
        put_null();
        return;
    }
    char text[] = "\"YYYY-MM-DDTHH:MMZ\"";
    two_digits_at(text + 1, t.year / 100);
    two_digits_at(text + 3, t.year % 100);
    two_digits_at(text + 6, t.month);
    two_digits_at(text + 9, t.day);
    two_digits_at(text + 12, t.hour);
    two_digits_at(text + 15, t.min);
    put(text);
}

Time valid_from() {
    if (!validity_known) return {};
    const TafValidity& v = validity_item;
    return make_time(v.from_month, v.from_day, v.from_hour, 0, v.text);
}

Time valid_to(const Time& from) {
    if (!validity_known) return {};
    const TafValidity& v = validity_item;
    switch (v.form) {
        case TafValidityForm::dated: return make_time(v.to_month, v.to_day, v.to_hour, 0, v.text);
        case TafValidityForm::hours: {
            if (!from.known) return {};
            if (v.to_hour < 0 || v.to_hour >= HOURS_PER_DAY) {
                warnings.push_back({v.text, "time does not exist"});
                return {};
            }
            Time t = from;
            t.hour = v.to_hour;
            return v.to_hour > v.from_hour ? t : add_day(t);
        }
        case TafValidityForm::day_hour: return from.known ? add_day(from) : from;
    }
    return {};
}

// The start of a change period; its end (to) for the change words with times.
Time period_from(const Period& p, const Time& start) {
    const TafPeriod& c = p.change;
    if (c.kind == TafPeriodKind::base) return start;
    if (c.kind == TafPeriodKind::from) {
        if (c.from_form == TafFromForm::day_time)
            return make_time(c.month, c.day, c.hour, c.min, c.text);
        return next_at(start, c.hour, c.from_form == TafFromForm::time ? c.min : 0, c.text);
    }
    const TafTimes& t = c.times;
    if (t.form == TafTimesForm::dated) return make_time(t.from_month, t.from_day, t.from_hour, 0, t.text);
    if (t.form == TafTimesForm::hours) return next_at(start, t.from_hour, 0, t.text);
    return {};
}

Time change_to(const Period& p, const Time& from, const Time& start) {
    const TafTimes& t = p.change.times;
    if (t.form == TafTimesForm::dated) return make_time(t.to_month, t.to_day, t.to_hour, 0, t.text);
    if (t.form == TafTimesForm::hours) return next_at(from.known ? from : start, t.to_hour, 0, t.text);
    return {};
}

// ---- Flight categories ----

bool is_ceiling_cover(const char* cover) {
    return strcmp(cover, "BKN") == 0 || strcmp(cover, "OVC") == 0 || strcmp(cover, "VV") == 0;
}

// The period's own conditions, from what it says.
Conditions own_conditions(const Period& p) {
    Conditions c;
    if (p.cavok) {
        c.visibility_known = true;
        c.miles = METRES_TEN_KM / METRES_PER_MILE + BEYOND;
        c.clouds_known = true;
        return c;
    }
    if (p.has_visibility) {
        const TafVisibility& v = p.visibility;
        const bool metres = v.kind == TafVisibilityKind::metres ||
                            v.kind == TafVisibilityKind::metres_direction;
        c.visibility_known = true;
        c.miles = metres ? (v.metres == METRES_UNLIMITED ? METRES_TEN_KM + 1 : v.metres) /
                               METRES_PER_MILE
                         : static_cast<double>(v.miles);
        if (v.kind == TafVisibilityKind::more_miles) c.miles += BEYOND;
        if (v.minus) c.miles -= BEYOND;
    }
    c.clouds_known = p.has_sky || p.cloud_count > 0;
    for (int i = 0; i < p.cloud_count; ++i) {
        const Cloud& cloud = p.clouds[i];
        const bool ceiling = cloud.kind == TafCloudKind::octets ? cloud.amount >= OKTAS_CEILING
                                                                : is_ceiling_cover(cloud.cover);
        if (!ceiling || cloud.height == TAF_ITEM_MISSING) continue;
        const int feet = cloud.height * FEET_PER_UNIT;
        if (!c.has_ceiling || feet < c.ceiling_ft) c.ceiling_ft = feet;
        c.has_ceiling = true;
    }
    return c;
}

// What a period leaves out comes from the conditions it changes or overlays.
Conditions carried(const Conditions& own, const Conditions& prevailing) {
    Conditions c = own;
    if (!own.visibility_known) {
        c.visibility_known = prevailing.visibility_known;
        c.miles = prevailing.miles;
    }
    if (!own.clouds_known) {
        c.clouds_known = prevailing.clouds_known;
        c.has_ceiling = prevailing.has_ceiling;
        c.ceiling_ft = prevailing.ceiling_ft;
    }
    return c;
}

enum Category { NONE, VFR, MVFR, IFR, LIFR };
constexpr const char* CATEGORY_NAMES[] = {nullptr, "VFR", "MVFR", "IFR", "LIFR"};

Category ceiling_category(const Conditions& c) {
    if (!c.has_ceiling) return VFR;
    if (c.ceiling_ft < LIFR_CEILING) return LIFR;
    if (c.ceiling_ft < IFR_CEILING) return IFR;
    if (c.ceiling_ft <= MVFR_CEILING) return MVFR;
    return VFR;
}

Category visibility_category(double miles) {
    if (miles < LIFR_MILES) return LIFR;
    if (miles < IFR_MILES) return IFR;
    if (miles <= MVFR_MILES) return MVFR;
    return VFR;
}

Category category(const Conditions& c) {
    Category worst = NONE;
    if (c.clouds_known) worst = ceiling_category(c);
    if (c.visibility_known) {
        const Category v = visibility_category(c.miles);
        if (v > worst) worst = v;
    }
    return worst;
}

// ---- The objects ----

// The unit as the form names it: KT for KT and KTS, MPS, KMH; empty when none was written.
std::string_view unit_name(std::string_view unit) {
    if (equal_nocase(unit, "MPS")) return "MPS";
    if (equal_nocase(unit, "KMH")) return "KMH";
    return unit.empty() ? unit : "KT";
}

// A speed in knots, rounded; no unit is taken as km/h, as the text forms take it.
int knots(int speed, std::string_view unit) {
    if (speed == TAF_ITEM_MISSING) return speed;
    const std::string_view name = unit_name(unit);
    if (name == "KT") return speed;
    const double factor = name == "MPS" ? KNOTS_PER_MPS : KNOTS_PER_KMH;
    return static_cast<int>(std::lround(speed * factor));
}

void put_wind(const Period& p) {
    if (!p.has_wind) {
        put_null();
        return;
    }
    const TafWind& w = p.wind;
    const bool variable = w.kind == TafWindKind::variable || w.kind == TafWindKind::variable_gusting;
    const bool gusting = w.kind == TafWindKind::gusting || w.kind == TafWindKind::variable_gusting;
    put("{\"direction\":");
    if (variable)
        put_null();
    else
        put_int(w.kind == TafWindKind::calm ? 0 : w.dir);
    put(",\"variable\":");
    put_bool(variable);
    put(",\"speed\":");
    put_int(w.kind == TafWindKind::calm ? 0 : w.speed);
    put(",\"gust\":");
    if (gusting)
        put_int_or_null(w.gust);
    else
        put_null();
    put(",\"unit\":");
    put_plain_or_null(unit_name(w.unit));
    put(",\"speed_kt\":");
    put_int_or_null(w.kind == TafWindKind::calm ? 0 : knots(w.speed, w.unit));
    put(",\"gust_kt\":");
    if (gusting)
        put_int_or_null(knots(w.gust, w.unit));
    else
        put_null();
    put(",\"varying_from\":");
    if (p.has_variation) put_int(p.vary_from); else put_null();
    put(",\"varying_to\":");
    if (p.has_variation) put_int(p.vary_to); else put_null();
    put('}');
}

void put_words(std::string_view text);

void put_visibility(const Period& p) {
    if (!p.has_visibility) {
        put_null();
        return;
    }
    const TafVisibility& v = p.visibility;
    const bool metres_kind =
        v.kind == TafVisibilityKind::metres || v.kind == TafVisibilityKind::metres_direction;
    const int metres = !metres_kind ? static_cast<int>(std::lround(v.miles * METRES_PER_MILE))
                       : v.metres == METRES_UNLIMITED ? METRES_TEN_KM
                                                       : v.metres;
    put("{\"text\":");
    put_words(v.text);  // "1 1/2SM" and "4000NE 2000SW" may stand on two lines
    put(",\"metres\":");
    put_int(metres);
    put(",\"miles\":");
    put_hundredths(metres_kind ? metres / METRES_PER_MILE : static_cast<double>(v.miles));
    put(",\"plus\":");
    put_bool(v.kind == TafVisibilityKind::more_miles || (metres_kind && v.metres == METRES_UNLIMITED));
    put(",\"minus\":");
    put_bool(v.minus);
    put('}');
}

constexpr std::string_view DESCRIPTORS[] = {"MI", "PR", "BC", "DR", "BL", "SH", "TS", "FZ"};

void put_weather_entry(std::string_view text) {
    std::string_view codes = text;
    const char sign = !codes.empty() && (codes[0] == '-' || codes[0] == '+') ? codes[0] : '\0';
    if (sign != '\0') codes.remove_prefix(1);
    const bool vicinity = codes.substr(0, 2) == "VC";
    if (vicinity) codes.remove_prefix(2);
    const bool nsw = codes == "NSW";
    std::string_view descriptor;
    for (std::string_view d : DESCRIPTORS)
        if (codes.substr(0, 2) == d) descriptor = d;
    if (!descriptor.empty()) codes.remove_prefix(2);
    put("{\"text\":");
    put_plain(text);
    put(",\"intensity\":");
    if (sign == '-')
        put("\"light\"");
    else if (sign == '+')
        put("\"heavy\"");
    else if (nsw || vicinity)
        put_null();
    else
        put("\"moderate\"");
    put(",\"vicinity\":");
    put_bool(vicinity);
    put(",\"descriptor\":");
    put_plain_or_null(descriptor);
    put(",\"phenomena\":[");
    for (size_t i = 0; !nsw && i < codes.size(); i += 2) {
        if (i > 0) put(',');
        put_plain(codes.substr(i, 2));
    }
    put("]}");
}


void put_cloud(const Cloud& c) {
    put("{\"cover\":");
    if (c.kind == TafCloudKind::octets)
        put_null();
    else
        put_plain(c.cover);
    put(",\"oktas\":");
    if (c.kind == TafCloudKind::octets)
        put_int(c.amount);
    else
        put_null();
    put(",\"height_ft\":");
    if (c.height == TAF_ITEM_MISSING)
        put_null();
    else
        put_int(c.height * FEET_PER_UNIT);
    put(",\"type\":");
    put_plain_or_null(c.type);
    put('}');
}

void put_layer(bool has, const TafLayer& l) {
    if (!has) {
        put_null();
        return;
    }
    put("{\"code\":");
    put_int(l.type);
    put(",\"base_ft\":");
    put_int(l.base * FEET_PER_UNIT);
    put(",\"top_ft\":");
    put_int(l.top * FEET_PER_UNIT);
    put('}');
}

void put_temperature(const TafTemperature& t) {
    const bool extreme = t.kind != TafTemperatureKind::at_hour;
    put("{\"kind\":");
    if (!extreme)
        put_null();
    else
        put(t.kind == TafTemperatureKind::max ? "\"max\"" : "\"min\"");
    put(",\"celsius\":");
    put_int_or_null(t.celsius);
    put(",\"at\":");
    if (extreme)
        put_time(make_time(t.month, t.day, t.hour, 0, t.text));
    else
        put_null();
    put(",\"hour\":");
    if (extreme)
        put_null();
    else
        put_int_or_null(t.hour);
    put('}');
}

const char* const TYPE_NAMES[] = {"BASE", "TEMPO", "PROB", "FM", "BECMG", "INTER"};  // by kind

const char* type_name(const TafPeriod& c) {
    if (c.kind == TafPeriodKind::prob && c.prob_word == TafProbWord::tempo) return "TEMPO";
    if (c.kind == TafPeriodKind::prob && c.prob_word == TafProbWord::inter) return "INTER";
    return TYPE_NAMES[static_cast<int>(c.kind)];
}

void put_period(int index, const Time& from, const Time& to, const Conditions& conditions) {
    const Period& p = periods[static_cast<size_t>(index)];
    put("{\"type\":\"");
    put(type_name(p.change));
    put("\",\"probability\":");
    if (p.change.kind == TafPeriodKind::prob)
        put_int(p.change.probability);
    else
        put_null();
    put(",\"from\":");
    put_time(from);
    put(",\"to\":");
    put_time(to);
    put(",\"wind\":");
    put_wind(p);
    put(",\"visibility\":");
    put_visibility(p);
    put(",\"cavok\":");
    put_bool(p.cavok);
    put(",\"weather\":[");
    for (int i = 0; i < p.weather_count; ++i) {
        if (i > 0) put(',');
        put_weather_entry(p.weather[i]);
    }
    put("],\"sky\":");
    put_plain_or_null(p.has_sky ? p.sky_text : std::string_view());
    put(",\"clouds\":[");
    for (int i = 0; i < p.cloud_count; ++i) {
        if (i > 0) put(',');
        put_cloud(p.clouds[i]);
    }
    put("],\"ceiling_ft\":");
    if (conditions.clouds_known && conditions.has_ceiling)
        put_int(conditions.ceiling_ft);
    else
        put_null();
    put(",\"flight_category\":");
    const char* name = CATEGORY_NAMES[category(conditions)];
    if (name == nullptr)
        put_null();
    else
        put_plain(name);
    put(",\"wind_shear\":");
    if (p.has_shear) {
        put("{\"height_ft\":");
        put_int(p.shear.height * FEET_PER_UNIT);
        put(",\"direction\":");
        put_int(p.shear.dir);
        put(",\"speed_kt\":");
        put_int(p.shear.speed);
        put('}');
    } else {
        put_null();
    }
    put(",\"icing\":");
    put_layer(p.has_icing, p.icing);
    put(",\"turbulence\":");
    put_layer(p.has_turbulence, p.turbulence);
    put(",\"altimeter_inhg\":");
    if (p.has_altimeter)
        put_hundredths(p.inches);
    else
        put_null();
    put(",\"temperatures\":[");
    for (int i = 0; i < p.temperature_count; ++i) {
        if (i > 0) put(',');
        put_temperature(p.temperatures[i]);
    }
    put("],\"unread\":[");
    for (int i = p.unread_begin; i < p.unread_end; ++i) {
        if (i > p.unread_begin) put(',');
        put_string(unread_words[static_cast<size_t>(i)]);
    }
    put("]}");
    if (p.unread_end > p.unread_begin) warnings.push_back({{}, "not decoded", index});
}

bool opens_time_line(TafPeriodKind kind) {
    return kind == TafPeriodKind::base || kind == TafPeriodKind::from;
}

// A BASE or FM period runs to the start of the next FM period, or to the validity's end.
Time line_end(int index, const Time& start, const Time& end) {
    for (int j = index + 1; j < period_count; ++j) {
        const Period& next = periods[static_cast<size_t>(j)];
        if (next.change.kind != TafPeriodKind::from) continue;
        warn_times = false;  // the next period warns of its own time
        const Time to = period_from(next, start);
        warn_times = true;
        return to;
    }
    return end;
}

void put_periods(const Time& start, const Time& end) {
    put("\"periods\":[");
    Conditions prevailing;
    for (int i = 0; i < period_count; ++i) {
        const Period& p = periods[static_cast<size_t>(i)];
        const Time from = period_from(p, start);
        const Time to = opens_time_line(p.change.kind) ? line_end(i, start, end)
                                                       : change_to(p, from, start);
        const Conditions own = own_conditions(p);
        Conditions conditions = own;
        if (!opens_time_line(p.change.kind)) conditions = carried(own, prevailing);
        if (p.change.kind != TafPeriodKind::tempo && p.change.kind != TafPeriodKind::prob &&
            p.change.kind != TafPeriodKind::inter)
            prevailing = conditions;
        // The texts of a period are parts of the decoder's copy of the report (at most twice
        // its length), each written at most ESCAPE_MAX times longer (a weather text with its
        // phenomena too).
        room(PERIOD_FIELDS_MAX + 2 * ESCAPE_MAX * report_text.size());
        if (i > 0) put(',');
        put_period(i, from, to, conditions);
    }
    room(FIELD_MAX);
    put(']');
}

void put_city_text(const char* text, bool blanks_for_underscores) {
    std::string_view t(text);
    if (!blanks_for_underscores) {
        put_string(t);
        return;
    }
    char name[CTY_NAME_SIZE];
    size_t n = t.copy(name, sizeof name - 1);
    for (size_t i = 0; i < n; ++i)
        if (name[i] == '_') name[i] = ' ';
    put_string({name, n});
}

void put_station() {
    put("{\"station\":");
    if (station_known) put_string(station_id); else put_null();
    put(",\"name\":");
    if (city_known) put_city_text(city.name, true); else put_null();
    put(",\"state\":");
    if (city_known && city.state[0] != '-') put_string(city.state); else put_null();
    put(",\"country\":");
    if (city_known) put_string(city.region); else put_null();
    put(",\"lat\":");
    if (city_known) put_hundredths(city.lat); else put_null();
    put(",\"lon\":");
    if (city_known) put_hundredths(city.lon); else put_null();
}

// The report without the blanks around it and without its final "=".
std::string_view trimmed_report() {
    std::string_view text = report_text;
    while (!text.empty() && is_blank_or_eol(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.back() == '=') text.remove_suffix(1);
    while (!text.empty() && is_blank_or_eol(text.back())) text.remove_suffix(1);
    while (!text.empty() && is_blank_or_eol(text.front())) text.remove_prefix(1);
    return text;
}

// The words of text joined by single blanks, as a JSON string. Runs of bytes that stand as
// they are, single spaces between words among them, are copied whole: most of a report.
void put_words(std::string_view text) {
    room(text.size() * ESCAPE_MAX + 2);
    *at++ = '"';
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* const first = at;
    auto kind = [](char c) { return BYTE_CLASS.of[static_cast<unsigned char>(c)]; };
    bool blank = false;  // a blank stands before the next word
    while (p < end) {
        const ByteClass k = kind(*p);
        if (k == BLANK) {
            blank = at != first;
            ++p;
            continue;
        }
        if (blank) *at++ = ' ';
        blank = false;
        if (k == ESCAPED) {
            at = escape_at(at, static_cast<unsigned char>(*p++));
            continue;
        }
        const char* run = p;
        for (;;) {
            while (p < end && kind(*p) == AS_IS) ++p;
            if (end - p < 2 || *p != ' ' || kind(p[1]) != AS_IS) break;
            p += 2;
        }
        memcpy(at, run, static_cast<size_t>(p - run));
        at += p - run;
    }
    *at++ = '"';
}

// From the word RMK to the end of the report, or empty.
std::string_view remarks(std::string_view text) {
    for (size_t at = text.find("RMK"); at != std::string_view::npos; at = text.find("RMK", at + 1)) {
        const bool starts = at == 0 || is_blank_or_eol(text[at - 1]);
        const bool ends = at + 3 == text.size() || is_blank_or_eol(text[at + 3]);
        if (starts && ends) return text.substr(at);
    }
    return {};
}

// The unread words of a period joined by single blanks.
void put_unread_group(int index) {
    const Period& p = periods[static_cast<size_t>(index)];
    size_t need = 2;
    for (int i = p.unread_begin; i < p.unread_end; ++i)
        need += 1 + ESCAPE_MAX * unread_words[static_cast<size_t>(i)].size();
    room(need);
    put('"');
    for (int i = p.unread_begin; i < p.unread_end; ++i) {
        if (i > p.unread_begin) put(' ');
        put_escaped(unread_words[static_cast<size_t>(i)]);
    }
    put('"');
}

void put_warnings() {
    room(FIELD_MAX);
    put(",\"warnings\":[");
    for (size_t i = 0; i < warnings.size(); ++i) {
        const Warning& w = warnings[i];
        room(2 * FIELD_MAX);
        if (i > 0) put(',');
        put("{\"group\":");
        if (w.period >= 0) {
            put_unread_group(w.period);
        } else {
            room(2 + ESCAPE_MAX * w.group.size());
            put_string(w.group);
        }
        room(2 * FIELD_MAX);
        put(",\"problem\":");
        put_plain(w.problem);
        put('}');
    }
    room(FIELD_MAX);
    put(']');
}

void write_report() {
    if (!line) grow(0);
    at = line.get();
    warnings.clear();
    // The station's fields, the bulletin and the file name, each escaped.
    room(16 * FIELD_MAX + ESCAPE_MAX * (sizeof(CTY_data) + sizeof station_id +
                                        strlen(source->bulletin) + strlen(source->file)));
    put_station();
    put(",\"bulletin\":");
    put_string_or_null(source->bulletin);
    put(",\"file\":");
    put_string(source->file);
    const std::string_view text = trimmed_report();
    put(",\"raw\":");
    put_words(text);
    room(16 * FIELD_MAX);
    put(",\"amendment\":");
    put_bool(amendment);
    put(",\"correction\":");
    put_bool(correction);
    put(",\"nil\":");
    put_bool(nil);
    put(",\"cancelled\":");
    put_bool(cancelled);
    put(",\"issued\":");
    put_time(issue_known ? make_time(issue_item.month, issue_item.day, issue_item.hour,
                                     issue_item.min, issue_item.text)
                         : Time{});
    const Time start = valid_from();
    const Time end = valid_to(start);
    put(",\"valid_from\":");
    put_time(start);
    put(",\"valid_to\":");
    put_time(end);
    put(',');
    put_periods(start, end);
    room(FIELD_MAX);
    put(",\"remarks\":");
    const std::string_view rmk = remarks(text);
    if (rmk.empty())
        put_null();
    else
        put_words(rmk);
    if (source->cut)
        warnings.push_back({station_known ? std::string_view(station_id) : std::string_view(),
                            "report cut at 5000 characters"});
    put_warnings();
    room(FIELD_MAX);
    put("}\n");
    MESS_write_data(dec_mes, line.get(), static_cast<size_t>(at - line.get()));
}

// ---- The writer ----

void report_begin(const TafReport& report) {
    source = report.source;
    report_text = report.text;
    station_known = city_known = false;
    amendment = correction = nil = cancelled = false;
    issue_known = validity_known = false;
    period_count = 0;
    unread_words.clear();
    in_remarks = false;
}

void city_record(CTY_data* record, const char*) { city = *record; }

void station(const TafStation& s) {
    copy_cut(station_id, s.id);
    station_known = true;
    if (s.city != nullptr) {
        TAF_trim_city(s.city);
        city = *s.city;
        city_known = true;
    }
    amendment = amendment || s.amd;
    correction = correction || s.cor;
}

void issue(const TafIssue& t) {
    issue_item = t;
    issue_known = true;
}

void validity(const TafValidity& v) {
    validity_item = v;
    validity_known = true;
}

void word(TafWord w) {
    switch (w) {
        case TafWord::retransmitted: break;
        case TafWord::amendment: amendment = true; break;
        case TafWord::correction: correction = true; break;
        case TafWord::nil: nil = true; break;
        case TafWord::cancelled: cancelled = true; break;
    }
}

void period(const TafPeriod& change) {
    if (static_cast<size_t>(period_count) == periods.size()) periods.emplace_back();
    Period& p = periods[static_cast<size_t>(period_count++)];
    // Only what tells which items the period holds is reset; the items are written anew.
    p.has_wind = p.has_variation = p.has_visibility = p.cavok = p.has_sky = p.has_shear = false;
    p.has_icing = p.has_turbulence = p.has_altimeter = false;
    p.weather_count = p.cloud_count = p.temperature_count = 0;
    p.change = change;
    p.unread_begin = p.unread_end = static_cast<int>(unread_words.size());
}

void groups_begin() {}

void wind(const TafWind& w) {
    Period& p = current();
    p.wind = w;
    p.has_wind = true;
}

void wind_variation(const TafWindVariation& v) {
    Period& p = current();
    p.vary_from = v.from;
    p.vary_to = v.to;
    p.has_variation = true;
}

void visibility(const TafVisibility& v) {
    Period& p = current();
    if (v.kind == TafVisibilityKind::cavok) {
        p.cavok = true;
        return;
    }
    p.visibility = v;
    p.has_visibility = true;
}

void weather(const TafWeather& w) {
    Period& p = current();
    for (int i = 0; i < w.count && p.weather_count < JSON_WEATHER_MAX; ++i)
        p.weather[p.weather_count++] = w.groups[i];
}

void sky(const TafSky& s) {
    Period& p = current();
    p.sky_text = s.text;
    p.has_sky = true;
}

void cloud(const TafCloud& c) {
    Period& p = current();
    if (p.cloud_count >= JSON_CLOUDS_MAX) return;
    Cloud& out = p.clouds[p.cloud_count++];
    out.kind = c.kind;
    out.amount = c.amount;
    out.height = c.height;
    copy_cut(out.cover, c.kind == TafCloudKind::vertical ? "VV" : c.cover != nullptr ? c.cover : "");
    const char* type = c.type != nullptr && strspn(c.type, "/") != strlen(c.type) ? c.type : "";
    copy_cut(out.type, type);
}

void wind_shear(const TafWindShear& s) {
    Period& p = current();
    p.shear = s;
    p.has_shear = true;
}

void temperature(const TafTemperature& t) {
    Period& p = current();
    if (p.temperature_count < JSON_TEMPERATURES_MAX) p.temperatures[p.temperature_count++] = t;
}

void layer(const TafLayer& l) {
    Period& p = current();
    if (l.kind == TafLayerKind::icing) {
        p.icing = l;
        p.has_icing = true;
    } else {
        p.turbulence = l;
        p.has_turbulence = true;
    }
}

void altimeter(const TafAltimeter& a) {
    Period& p = current();
    p.inches = a.inches;
    p.has_altimeter = true;
}

void vicinity(const TafVicinity& v) {
    Period& p = current();
    if (p.weather_count < JSON_WEATHER_MAX) p.weather[p.weather_count++] = v.text;
}

void unread(const char*, std::string_view text, bool) {
    if (text == "RMK") in_remarks = true;
    if (in_remarks || text == "=") return;
    Period& p = current();
    unread_words.push_back(text);
    p.unread_end = static_cast<int>(unread_words.size());
}

void unread_end() {}
void groups_end() {}

void report_end() { write_report(); }

}  // namespace

const TafWriter TAF_JSON_WRITER = {
    report_begin, station,     issue,    validity,    word,       period,
    groups_begin, wind,        wind_variation, visibility, weather, sky,
    cloud,        wind_shear,  temperature, layer,    altimeter,  vicinity,
    unread,       unread_end,  groups_end, report_end, city_record,
};

std::string_view TAF_json_last_line() {
    return line ? std::string_view(line.get(), static_cast<size_t>(at - line.get())) : std::string_view();
}
