// The JSON form: one object per report on one line (JSON Lines), for programs. The report is
// gathered whole (taf_report.h); when it ends, its times made whole and its periods'
// conditions worked out, the line is written at dec_mes as data (the only text of standard
// output in this form). Every key is always there, null where the report has no value, in
// the order of doc/tafcvt-report.schema.json. Input text is written as UTF-8, each byte
// 0x80-0xFF taken as Latin-1, so that any input gives valid JSON.
//
// State: the line being written, kept from report to report so that a run allocates only
// while its reports grow.
#include <cmath>
#include <cstring>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "taf.h"
#include "taf_items.h"
#include "taf_report.h"

namespace {

// The line being written, from its start to at. It grows only at the places that reserve
// room (room()); the writing between them stays within what they reserved.
std::unique_ptr<char[]> line;
char* at = nullptr;        // where the next character of the line goes
char* room_end = nullptr;  // the end of the line's room

const TafReportRecord& report = TAF_report();
TafResolved resolved;  // the report's times and conditions, reused from report to report

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

void put_time(const TafTime& t) {
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

// ---- The objects ----

void put_wind(const TafPeriodRecord& p) {
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
    put_plain_or_null(TAF_unit_name(w.unit));
    put(",\"speed_kt\":");
    put_int_or_null(w.kind == TafWindKind::calm ? 0 : TAF_knots_rounded(w.speed, w.unit));
    put(",\"gust_kt\":");
    if (gusting)
        put_int_or_null(TAF_knots_rounded(w.gust, w.unit));
    else
        put_null();
    if (!p.has_variation) {
        put(",\"varying_from\":null,\"varying_to\":null}");
        return;
    }
    put(",\"varying_from\":");
    put_int(p.variation.from);
    put(",\"varying_to\":");
    put_int(p.variation.to);
    put('}');
}

void put_words(std::string_view text);

void put_visibility(const TafPeriodRecord& p) {
    if (!p.has_visibility) {
        put_null();
        return;
    }
    const TafVisibility& v = p.visibility;
    const bool metres_kind =
        v.kind == TafVisibilityKind::metres || v.kind == TafVisibilityKind::metres_direction;
    put("{\"text\":");
    put_words(v.text);  // "1 1/2SM" and "4000NE 2000SW" may stand on two lines
    put(",\"metres\":");
    put_int(TAF_visibility_metres(v));
    put(",\"miles\":");
    put_hundredths(TAF_visibility_miles(v));
    put(",\"plus\":");
    put_bool(v.kind == TafVisibilityKind::more_miles ||
             (metres_kind && v.metres == TAF_METRES_UNLIMITED));
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


void put_cloud(const TafCloudRecord& c) {
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
        put_int(c.height * TAF_FEET_PER_HUNDRED);
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
    put_int(l.base * TAF_FEET_PER_HUNDRED);
    put(",\"top_ft\":");
    put_int(l.top * TAF_FEET_PER_HUNDRED);
    put('}');
}

void put_temperature(const TafTemperature& t, const TafTime& at_time) {
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
        put_time(at_time);
    else
        put_null();
    put(",\"hour\":");
    if (extreme)
        put_null();
    else
        put_int_or_null(t.hour);
    put('}');
}

// The type, as it opens the period's object; by TafPeriodKind.
constexpr std::string_view TYPE_OPENINGS[] = {
    R"({"type":"BASE")", R"({"type":"TEMPO")", R"({"type":"PROB")",
    R"({"type":"FM")",   R"({"type":"BECMG")", R"({"type":"INTER")",
};

std::string_view type_opening(const TafPeriod& c) {
    if (c.kind == TafPeriodKind::prob && c.prob_word == TafProbWord::tempo)
        return TYPE_OPENINGS[static_cast<int>(TafPeriodKind::tempo)];
    if (c.kind == TafPeriodKind::prob && c.prob_word == TafProbWord::inter)
        return TYPE_OPENINGS[static_cast<int>(TafPeriodKind::inter)];
    return TYPE_OPENINGS[static_cast<int>(c.kind)];
}

// The flight category as a JSON value; by TafCategory.
constexpr std::string_view CATEGORY_VALUES[] = {"null", R"("VFR")", R"("MVFR")", R"("IFR")",
                                                R"("LIFR")"};

void put_period(const TafPeriodRecord& p, const TafPeriodResolved& r) {
    const TafConditions& conditions = r.conditions;
    put(type_opening(p.change));
    put(",\"probability\":");
    if (p.change.kind == TafPeriodKind::prob)
        put_int(p.change.probability);
    else
        put_null();
    put(",\"from\":");
    put_time(r.from);
    put(",\"to\":");
    put_time(r.to);
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
    put(CATEGORY_VALUES[r.category]);
    // Most periods have none of what follows: one literal writes it all.
    if (!p.has_shear && !p.has_icing && !p.has_turbulence && !p.has_altimeter &&
        p.temperature_count == 0 && p.unread_end == p.unread_begin) {
        put(",\"wind_shear\":null,\"icing\":null,\"turbulence\":null,\"altimeter_inhg\":null,"
            "\"temperatures\":[],\"unread\":[]}");
        return;
    }
    put(",\"wind_shear\":");
    if (p.has_shear) {
        put("{\"height_ft\":");
        put_int(p.shear.height * TAF_FEET_PER_HUNDRED);
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
        put_temperature(p.temperatures[i], r.temperature_at[i]);
    }
    put("],\"unread\":[");
    for (int i = p.unread_begin; i < p.unread_end; ++i) {
        if (i > p.unread_begin) put(',');
        put_string(report.unread_words[static_cast<size_t>(i)]);
    }
    put("]}");
}

void put_periods() {
    put("\"periods\":[");
    for (int i = 0; i < report.period_count; ++i) {
        // The texts of a period are parts of the decoder's copy of the report (at most twice
        // its length), each written at most ESCAPE_MAX times longer (a weather text with its
        // phenomena too).
        room(PERIOD_FIELDS_MAX + 2 * ESCAPE_MAX * report.text.size());
        if (i > 0) put(',');
        put_period(report.periods[static_cast<size_t>(i)], resolved.periods[static_cast<size_t>(i)]);
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
    const CTY_data& city = report.city;
    const bool known = report.city_known;
    put("{\"station\":");
    if (report.station_known) put_string(report.station_id); else put_null();
    put(",\"name\":");
    if (known) put_city_text(city.name, true); else put_null();
    put(",\"state\":");
    if (known && city.state[0] != '-') put_string(city.state); else put_null();
    put(",\"country\":");
    if (known) put_string(city.region); else put_null();
    put(",\"lat\":");
    if (known) put_hundredths(city.lat); else put_null();
    put(",\"lon\":");
    if (known) put_hundredths(city.lon); else put_null();
}

// The report without the blanks around it and without its final "=".
std::string_view trimmed_report() {
    std::string_view text = report.text;
    while (!text.empty() && is_blank_or_eol(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.back() == '=') text.remove_suffix(1);
    while (!text.empty() && is_blank_or_eol(text.back())) text.remove_suffix(1);
    while (!text.empty() && is_blank_or_eol(text.front())) text.remove_prefix(1);
    return text;
}


// Whether the n bytes at p (n >= 1) stand in a JSON string as they are: no blank but single
// spaces between other bytes, nothing to escape, no space at the end.
bool simple_line(const char* p, size_t n) {
    if (p[n - 1] == ' ') return false;
#if defined(__SSE2__)
    constexpr size_t BLOCK = 16;
    if (n >= BLOCK) {
        const __m128i below = _mm_set1_epi8(0x21);  // blanks, control bytes, 0x80-0xFF (signed)
        const __m128i above = _mm_set1_epi8(0x7E);
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i backslash = _mm_set1_epi8('\\');
        const __m128i space = _mm_set1_epi8(' ');
        // Blocks from the start, the last one ending at the end (over bytes seen before).
        unsigned space_before = 0;
        for (size_t i = 0;; i += BLOCK) {
            const bool last = i + BLOCK >= n;
            if (last && i + BLOCK > n) {
                i = n - BLOCK;
                space_before = 0;  // a pair across its start lies inside the block before
            }
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i odd = _mm_or_si128(
                _mm_or_si128(_mm_cmplt_epi8(v, below), _mm_cmpgt_epi8(v, above)),
                _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)));
            const auto spaces = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, space)));
            const auto others = static_cast<unsigned>(_mm_movemask_epi8(odd)) & ~spaces;
            if (others != 0 || (spaces & ((spaces << 1) | space_before)) != 0) return false;
            if (last) return true;
            space_before = spaces >> (BLOCK - 1);
        }
    }
#endif
    for (size_t i = 0; i < n; ++i) {
        const char c = p[i];
        if (BYTE_CLASS.of[static_cast<unsigned char>(c)] != AS_IS &&
            (c != ' ' || p[i + 1] == ' '))  // a space is never last: p[i + 1] exists
            return false;
    }
    return true;
}

// The words of a line from first (not a blank) to end: each run of blanks becomes one blank,
// the other bytes as they stand or escaped. Returns where the writing ends.
char* words_at(char* o, const char* first, const char* p, const char* end) {
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        const ByteClass kind = BYTE_CLASS.of[c];
        if (kind == BLANK) continue;
        // The line begins with a word: a blank run inside it always has one before it.
        if (p > first && BYTE_CLASS.of[static_cast<unsigned char>(p[-1])] == BLANK) *o++ = ' ';
        if (kind == AS_IS)
            *o++ = *p;
        else
            o = escape_at(o, c);
    }
    return o;
}

// The words of text joined by single blanks, as a JSON string (text has no blank at its
// ends). A report is lines of words between single spaces: such a line is copied whole.
void put_words(std::string_view text) {
    room(text.size() * ESCAPE_MAX + 2);
    *at++ = '"';
    const char* p = text.data();
    const char* const end = p + text.size();
    for (bool first = true; p < end; first = false) {
        while (p < end && is_blank_or_eol(*p)) ++p;  // the line's indentation
        if (p == end) break;
        const char* newline = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* line_end = newline != nullptr ? newline : end;
        if (!first) *at++ = ' ';
        const auto n = static_cast<size_t>(line_end - p);
        if (simple_line(p, n)) {
            memcpy(at, p, n);
            at += n;
        } else {
            at = words_at(at, p, p, line_end);
        }
        p = line_end;
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
    const TafPeriodRecord& p = report.periods[static_cast<size_t>(index)];
    size_t need = 2;
    for (int i = p.unread_begin; i < p.unread_end; ++i)
        need += 1 + ESCAPE_MAX * report.unread_words[static_cast<size_t>(i)].size();
    room(need);
    put('"');
    for (int i = p.unread_begin; i < p.unread_end; ++i) {
        if (i > p.unread_begin) put(' ');
        put_escaped(report.unread_words[static_cast<size_t>(i)]);
    }
    put('"');
}

void put_warnings() {
    room(FIELD_MAX);
    put(",\"warnings\":[");
    for (size_t i = 0; i < resolved.warnings.size(); ++i) {
        const TafWarning& w = resolved.warnings[i];
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
    const TafSource& source = *report.source;
    TAF_report_resolve(&resolved);
    if (!line) grow(0);
    at = line.get();
    // The station's fields, the bulletin and the file name, each escaped.
    room(16 * FIELD_MAX + ESCAPE_MAX * (sizeof(CTY_data) + sizeof report.station_id +
                                        strlen(source.bulletin) + strlen(source.file)));
    put_station();
    put(",\"bulletin\":");
    put_string_or_null(source.bulletin);
    put(",\"file\":");
    put_string(source.file);
    const std::string_view text = trimmed_report();
    put(",\"raw\":");
    put_words(text);
    room(16 * FIELD_MAX);
    put(",\"amendment\":");
    put_bool(report.amendment);
    put(",\"correction\":");
    put_bool(report.correction);
    put(",\"nil\":");
    put_bool(report.nil);
    put(",\"cancelled\":");
    put_bool(report.cancelled);
    put(",\"issued\":");
    put_time(resolved.issued);
    put(",\"valid_from\":");
    put_time(resolved.valid_from);
    put(",\"valid_to\":");
    put_time(resolved.valid_to);
    put(',');
    put_periods();
    room(FIELD_MAX);
    put(",\"remarks\":");
    const std::string_view rmk = remarks(text);
    if (rmk.empty())
        put_null();
    else
        put_words(rmk);
    put_warnings();
    room(FIELD_MAX);
    put("}\n");
    MESS_write_data(dec_mes, line.get(), static_cast<size_t>(at - line.get()));
}

void report_end() { write_report(); }

}  // namespace

const TafWriter TAF_JSON_WRITER = TAF_collecting_writer(report_end);

std::string_view TAF_json_last_line() {
    return line ? std::string_view(line.get(), static_cast<size_t>(at - line.get())) : std::string_view();
}
