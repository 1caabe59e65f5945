// The JSON form: one object per report on one line (JSON Lines), for programs. The report is
// gathered whole (taf_report.h); when it ends, its times made whole and its periods'
// conditions worked out, the line is written at dec_mes as data (the only text of standard
// output in this form). Every key is always there, null where the report has no value, in
// the order of doc/tafcvt-report.schema.json. Input text is written as UTF-8, each byte
// 0x80-0xFF taken as Latin-1, so that any input gives valid JSON.
//
// State: the line being written, kept from report to report so that a run allocates only
// while its reports grow.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "string.h"
#include "taf.h"
#include "taf_items.h"
#include "taf_report.h"

namespace {

// The line being written. Its writers take the place to write at and give back the place
// after what they wrote: the place stays in a register, where in memory it would be
// reloaded after every character written (a character may alias anything). The line grows
// only at the places that reserve room (room()); the writing between them stays within what
// they reserved.
std::unique_ptr<char[]> line;
char* room_end = nullptr;  // the end of the line's room
size_t line_length = 0;    // of the line written last

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

// The line with room for n more characters after o (what was written kept); where o is now.
[[gnu::noinline]] char* grow(char* o, size_t n) {
    const size_t used = line ? static_cast<size_t>(o - line.get()) : 0;
    const size_t size = 2 * (used + n) + LINE_START_SIZE;
    auto bigger = std::make_unique<char[]>(size);
    if (used > 0) memcpy(bigger.get(), line.get(), used);
    line = std::move(bigger);
    room_end = line.get() + size;
    return line.get() + used;
}

// Room for n more characters of the line after o, which the writing after it may use
// without asking again; where o is now.
[[gnu::always_inline]] inline char* room(char* o, size_t n) {
    if (static_cast<size_t>(room_end - o) < n) [[unlikely]]
        return grow(o, n);
    return o;
}

// Writing within reserved room. (A line is written a few characters at a time: these
// stay inline.)
[[gnu::always_inline]] inline char* put(char* o, const char* text, size_t n) {
    memcpy(o, text, n);
    return o + n;
}
[[gnu::always_inline]] inline char* put(char* o, std::string_view text) {
    return put(o, text.data(), text.size());
}
// A literal: its length is known where it is written.
template <size_t N>
[[gnu::always_inline]] inline char* put(char* o, const char (&text)[N]) {
    return put(o, text, N - 1);
}
[[gnu::always_inline]] inline char* put(char* o, char c) { *o++ = c; return o; }

// A text of the form's own chosen while writing (a type, a cover, a category), kept in a
// block of fixed size: a copy of the whole block is a few moves where a copy of the text's
// own length would be a call. The block's tail lands in room the field has anyway.
constexpr size_t PIECE_SIZE = 48;
struct Piece {
    char text[PIECE_SIZE];
    size_t size;
};
consteval Piece piece(std::string_view text) {
    Piece p{};
    for (size_t i = 0; i < text.size(); ++i) p.text[i] = text[i];
    p.size = text.size();
    return p;
}
[[gnu::always_inline]] inline char* put(char* o, const Piece& p) {
    memcpy(o, p.text, PIECE_SIZE);
    return o + p.size;
}

using format_detail::DIGIT_PAIRS;

void two_digits_at(char* text, int value) { memcpy(text, DIGIT_PAIRS.pair[value], 2); }

char* put_long(char* o, long value);

// Every number of a report but the rare large one is below 10^8. Its eight digits are
// worked out whole and its own digits copied from their end: no decision on its length,
// which varies from number to number and would be mispredicted often.
[[gnu::always_inline]] inline char* put_int(char* o, long value) {
    constexpr long EIGHT_DIGITS = 100000000;
    if (value < 0 || value >= EIGHT_DIGITS) [[unlikely]] {
        o = put_long(o, value);
        return o;
    }
    const auto v = static_cast<unsigned>(value);
    const unsigned high = v / 10000, low = v % 10000;
    char digits[16] = {};
    memcpy(digits, DIGIT_PAIRS.pair[high / 100], 2);
    memcpy(digits + 2, DIGIT_PAIRS.pair[high % 100], 2);
    memcpy(digits + 4, DIGIT_PAIRS.pair[low / 100], 2);
    memcpy(digits + 6, DIGIT_PAIRS.pair[low % 100], 2);
    const unsigned count = 1 + (v >= 10) + (v >= 100) + (v >= 1000) + (v >= 10000) +
                           (v >= 100000) + (v >= 1000000) + (v >= 10000000);
    memcpy(o, digits + 8 - count, 8);
    return o + count;
}

char* put_long(char* o, long value) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    const bool negative = value < 0;
    unsigned long v =
        negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    if (negative) *--p = '-';
    o = put(o, p, static_cast<size_t>(end - p));
    return o;
}

// A number with exactly two decimals, rounded half away from zero.
char* put_hundredths(char* o, double value) {
    const long hundredths = TAF_round(value * 100.0);
    if (hundredths < 0) o = put(o, '-');
    const long magnitude = hundredths < 0 ? -hundredths : hundredths;
    o = put_int(o, magnitude / 100);
    o = put(o, '.');
    o = put(o, static_cast<char>('0' + magnitude / 10 % 10));
    o = put(o, static_cast<char>('0' + magnitude % 10));
    return o;
}

char* put_null(char* o) { o = put(o, "null"); return o; }

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
// backslashes and control bytes escaped. Its callers reserve ESCAPE_MAX characters of room
// for each byte (and write some texts into buffers of their own, kept for later).
char* put_escaped(char* o, std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
#if defined(__SSE2__)
    // Sixteen bytes at a time while none of them needs care (names and words, as a rule).
    constexpr size_t BLOCK = 16;
    const __m128i below = _mm_set1_epi8(0x20);  // control bytes, and 0x80-0xFF (signed)
    const __m128i above = _mm_set1_epi8(0x7E);
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    while (static_cast<size_t>(end - p) >= BLOCK) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i odd = _mm_or_si128(
            _mm_or_si128(_mm_cmplt_epi8(v, below), _mm_cmpgt_epi8(v, above)),
            _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)));
        if (_mm_movemask_epi8(odd) != 0) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
        o += BLOCK;
        p += BLOCK;
    }
#endif
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (BYTE_CLASS.of[c] == AS_IS || c == ' ')
            *o++ = *p;
        else
            o = escape_at(o, c);
    }
    return o;
}

char* put_string(char* o, std::string_view text) {
    o = put(o, '"');
    o = put_escaped(o, text);
    o = put(o, '"');
    return o;
}

// A text made of letters, digits, blanks, "/", "+" and "-" only (what the group patterns
// read, and the form's own words): nothing in it needs escaping.
char* put_plain(char* o, std::string_view text) {
    o = put(o, '"');
    o = put(o, text);
    o = put(o, '"');
    return o;
}
bool has_line_break(std::string_view text) {
    for (char c : text)
        if (c == '\t' || c == '\r' || c == '\n') return true;
    return false;
}

char* put_plain_or_null(char* o, std::string_view text) {
    if (text.empty())
        o = put_null(o);
    else
        o = put_plain(o, text);
    return o;
}

char* put_bool(char* o, bool value) {
    if (value)
        o = put(o, "true");
    else
        o = put(o, "false");
    return o;
}
char* put_int_or_null(char* o, int value) {
    if (value == TAF_ITEM_MISSING)
        o = put_null(o);
    else
        o = put_int(o, value);
    return o;
}

char* put_time(char* o, const TafTime& t) {
    if (!t.known || t.year < 0 || t.year > 9999) {
        o = put_null(o);
        return o;
    }
    char text[] = "\"YYYY-MM-DDTHH:MMZ\"";
    two_digits_at(text + 1, t.year / 100);
    two_digits_at(text + 3, t.year % 100);
    two_digits_at(text + 6, t.month);
    two_digits_at(text + 9, t.day);
    two_digits_at(text + 12, t.hour);
    two_digits_at(text + 15, t.min);
    o = put(o, text);
    return o;
}

// ---- Objects written again and again ----

// Most objects of a period (its visibility, its weather) take only a few hundred values
// across a run: each is written once, and copied where it appears again. The cache is
// direct-mapped, by a key of bytes holding everything the object is written from.
struct RenderedKey {
    char bytes[24];
};
// A compare of constant size, which the compiler makes a few word compares.
bool same_key(const RenderedKey& a, const RenderedKey& b) {
    return memcmp(a.bytes, b.bytes, sizeof a.bytes) == 0;
}
// Most such an object takes, in whole blocks of sixteen: a weather entry of 24 characters
// takes 167, a visibility with a text of 14 and the longest numbers 99.
constexpr size_t RENDERED_MAX = 192;
struct Rendered {
    RenderedKey key{};
    bool used = false;
    size_t size = 0;
    alignas(16) char text[RENDERED_MAX];
};
constexpr size_t RENDERED_SLOTS = 256;
using RenderedCache = std::array<Rendered, RENDERED_SLOTS>;

size_t slot_of(const RenderedKey& key) {
    uint64_t words[3];
    memcpy(words, key.bytes, sizeof words);
    const uint64_t mixed = (words[0] * 0x9E3779B97F4A7C15ULL) ^ (words[1] * 0xC2B2AE3D27D4EB4FULL) ^
                           (words[2] * 0x165667B19E3779F9ULL);
    return static_cast<size_t>(mixed >> 56) % RENDERED_SLOTS;
}

// The object of key, written by render when it is not in the cache. render writes within
// RENDERED_MAX characters for any key, and reserves no room of its own. The copy is of
// whole blocks: its tail lands in room the object's fields have anyway.
template <typename Render>
char* put_rendered(char* o, RenderedCache& cache, const RenderedKey& key, Render render) {
    Rendered& slot = cache[slot_of(key)];
    if (!slot.used || !same_key(slot.key, key)) [[unlikely]] {
        slot.size = static_cast<size_t>(render(slot.text) - slot.text);
        slot.key = key;
        slot.used = true;
    }
    for (size_t at = 0; at < slot.size; at += 16) memcpy(o + at, slot.text + at, 16);
    return o + slot.size;
}

// ---- The objects ----

char* put_wind(char* o, const TafPeriodRecord& p) {
    if (!p.has_wind) {
        o = put_null(o);
        return o;
    }
    const TafWind& w = p.wind;
    // The commonest wind, steady in knots and nothing varying: its fixed text in three pieces.
    if (w.kind == TafWindKind::steady && !p.has_variation && w.unit == "KT" &&
        w.dir != TAF_ITEM_MISSING && w.speed != TAF_ITEM_MISSING) {
        o = put(o, R"({"direction":)");
        o = put_int(o, w.dir);
        o = put(o, R"(,"variable":false,"speed":)");
        o = put_int(o, w.speed);
        o = put(o, R"(,"gust":null,"unit":"KT","speed_kt":)");
        o = put_int(o, w.speed);
        o = put(o, R"(,"gust_kt":null,"varying_from":null,"varying_to":null})");
        return o;
    }
    const bool variable =
        w.kind == TafWindKind::variable || w.kind == TafWindKind::variable_gusting;
    const bool gusting = w.kind == TafWindKind::gusting || w.kind == TafWindKind::variable_gusting;
    o = put(o, "{\"direction\":");
    if (variable)
        o = put_null(o);
    else
        o = put_int(o, w.kind == TafWindKind::calm ? 0 : w.dir);
    o = put(o, ",\"variable\":");
    o = put_bool(o, variable);
    o = put(o, ",\"speed\":");
    o = put_int(o, w.kind == TafWindKind::calm ? 0 : w.speed);
    o = put(o, ",\"gust\":");
    if (gusting)
        o = put_int_or_null(o, w.gust);
    else
        o = put_null(o);
    o = put(o, ",\"unit\":");
    o = put_plain_or_null(o, TAF_unit_name(w.unit));
    o = put(o, ",\"speed_kt\":");
    o = put_int_or_null(o, w.kind == TafWindKind::calm ? 0 : TAF_knots_rounded(w.speed, w.unit));
    o = put(o, ",\"gust_kt\":");
    if (gusting)
        o = put_int_or_null(o, TAF_knots_rounded(w.gust, w.unit));
    else
        o = put_null(o);
    if (!p.has_variation) {
        o = put(o, ",\"varying_from\":null,\"varying_to\":null}");
        return o;
    }
    o = put(o, ",\"varying_from\":");
    o = put_int(o, p.variation.from);
    o = put(o, ",\"varying_to\":");
    o = put_int(o, p.variation.to);
    o = put(o, '}');
    return o;
}

char* put_words(char* o, std::string_view text);

char* put_visibility_object(char* o, const TafVisibility& v) {
    const bool metres_kind =
        v.kind == TafVisibilityKind::metres || v.kind == TafVisibilityKind::metres_direction;
    o = put(o, "{\"text\":");
    // Its letters, digits and "/" stand as they are; the blank of "1 1/2SM" or "4000NE
    // 2000SW" may be a line's end.
    if (!has_line_break(v.text))
        o = put_plain(o, v.text);
    else
        o = put_words(o, v.text);
    o = put(o, ",\"metres\":");
    o = put_int(o, TAF_visibility_metres(v));
    o = put(o, ",\"miles\":");
    o = put_hundredths(o, TAF_visibility_miles(v));
    o = put(o, ",\"plus\":");
    o = put_bool(o, v.kind == TafVisibilityKind::more_miles ||
             (metres_kind && v.metres == TAF_METRES_UNLIMITED));
    o = put(o, ",\"minus\":");
    o = put_bool(o, v.minus);
    o = put(o, '}');
    return o;
}

RenderedCache visibility_cache;

char* put_visibility(char* o, const TafPeriodRecord& p) {
    if (!p.has_visibility) {
        o = put_null(o);
        return o;
    }
    const TafVisibility& v = p.visibility;
    // The key: what the object is written from. A text with a line break in it is written
    // by words, which reserves room of its own, and is left out.
    RenderedKey key{};
    constexpr size_t VALUES = sizeof v.kind + sizeof v.minus + sizeof v.miles + sizeof v.metres;
    if (v.text.size() > sizeof key.bytes - VALUES || has_line_break(v.text))
        return put_visibility_object(o, v);
    char* k = key.bytes;
    k = std::copy_n(reinterpret_cast<const char*>(&v.kind), sizeof v.kind, k);
    k = std::copy_n(reinterpret_cast<const char*>(&v.minus), sizeof v.minus, k);
    k = std::copy_n(reinterpret_cast<const char*>(&v.miles), sizeof v.miles, k);
    k = std::copy_n(reinterpret_cast<const char*>(&v.metres), sizeof v.metres, k);
    std::copy_n(v.text.data(), v.text.size(), k);
    return put_rendered(o, visibility_cache, key,
                        [&](char* at) { return put_visibility_object(at, v); });
}

constexpr std::string_view DESCRIPTORS[] = {"MI", "PR", "BC", "DR", "BL", "SH", "TS", "FZ"};

char* put_weather_object(char* o, std::string_view text) {
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
    o = put(o, "{\"text\":");
    o = put_plain(o, text);
    o = put(o, ",\"intensity\":");
    if (sign == '-')
        o = put(o, "\"light\"");
    else if (sign == '+')
        o = put(o, "\"heavy\"");
    else if (nsw || vicinity)
        o = put_null(o);
    else
        o = put(o, "\"moderate\"");
    o = put(o, ",\"vicinity\":");
    o = put_bool(o, vicinity);
    o = put(o, ",\"descriptor\":");
    o = put_plain_or_null(o, descriptor);
    o = put(o, ",\"phenomena\":[");
    for (size_t i = 0; !nsw && i < codes.size(); i += 2) {
        if (i > 0) o = put(o, ',');
        o = put_plain(o, codes.substr(i, 2));
    }
    o = put(o, "]}");
    return o;
}


RenderedCache weather_cache;

char* put_weather_entry(char* o, std::string_view text) {
    RenderedKey key{};
    if (text.empty() || text.size() > sizeof key.bytes) return put_weather_object(o, text);
    std::copy_n(text.data(), text.size(), key.bytes);
    return put_rendered(o, weather_cache, key,
                        [&](char* at) { return put_weather_object(at, text); });
}

// The cover words as they open a layer's object.
constexpr Piece COVER_OPENINGS[] = {piece(R"({"cover":"FEW","oktas":null,"height_ft":)"),
                                    piece(R"({"cover":"SCT","oktas":null,"height_ft":)"),
                                    piece(R"({"cover":"BKN","oktas":null,"height_ft":)"),
                                    piece(R"({"cover":"OVC","oktas":null,"height_ft":)")};
constexpr size_t COVER_AT = 10;  // where the cover word stands in its opening (FEW SCT BKN OVC)

// The opening of a layer of a cover word, or null for another.
const Piece* cover_opening(const char* cover) {
    const Piece* opening = nullptr;
    switch (cover[0]) {
        case 'F': opening = &COVER_OPENINGS[0]; break;
        case 'S': opening = &COVER_OPENINGS[1]; break;
        case 'B': opening = &COVER_OPENINGS[2]; break;
        case 'O': opening = &COVER_OPENINGS[3]; break;
        default: return nullptr;
    }
    return memcmp(opening->text + COVER_AT, cover, 3) == 0 && cover[3] == '\0' ? opening
                                                                                : nullptr;
}

char* put_cloud(char* o, const TafCloudRecord& c) {
    // The commonest layer, a cover word and a height, in two pieces.
    if (c.kind == TafCloudKind::layer && c.height != TAF_ITEM_MISSING) {
        const Piece* opening = cover_opening(c.cover);
        if (opening != nullptr) {
            o = put(o, *opening);
            o = put_int(o, c.height * TAF_FEET_PER_HUNDRED);
            o = put(o, R"(,"type":null})");
            return o;
        }
    }
    o = put(o, "{\"cover\":");
    if (c.kind == TafCloudKind::octets)
        o = put_null(o);
    else
        o = put_plain(o, c.cover);
    o = put(o, ",\"oktas\":");
    if (c.kind == TafCloudKind::octets)
        o = put_int(o, c.amount);
    else
        o = put_null(o);
    o = put(o, ",\"height_ft\":");
    if (c.height == TAF_ITEM_MISSING)
        o = put_null(o);
    else
        o = put_int(o, c.height * TAF_FEET_PER_HUNDRED);
    o = put(o, ",\"type\":");
    o = put_plain_or_null(o, c.type);
    o = put(o, '}');
    return o;
}

char* put_layer(char* o, bool has, const TafLayer& l) {
    if (!has) {
        o = put_null(o);
        return o;
    }
    o = put(o, "{\"code\":");
    o = put_int(o, l.type);
    o = put(o, ",\"base_ft\":");
    o = put_int(o, l.base * TAF_FEET_PER_HUNDRED);
    o = put(o, ",\"top_ft\":");
    o = put_int(o, l.top * TAF_FEET_PER_HUNDRED);
    o = put(o, '}');
    return o;
}

char* put_temperature(char* o, const TafTemperature& t, const TafTime& at_time) {
    const bool extreme = t.kind != TafTemperatureKind::at_hour;
    o = put(o, "{\"kind\":");
    if (!extreme)
        o = put_null(o);
    else
        o = put(o, t.kind == TafTemperatureKind::max ? "\"max\"" : "\"min\"");
    o = put(o, ",\"celsius\":");
    o = put_int_or_null(o, t.celsius);
    o = put(o, ",\"at\":");
    if (extreme)
        o = put_time(o, at_time);
    else
        o = put_null(o);
    o = put(o, ",\"hour\":");
    if (extreme)
        o = put_null(o);
    else
        o = put_int_or_null(o, t.hour);
    o = put(o, '}');
    return o;
}

// The type, as it opens the period's object; by TafPeriodKind.
constexpr Piece TYPE_OPENINGS[] = {
    piece(R"({"type":"BASE","probability":)"),  piece(R"({"type":"TEMPO","probability":)"),
    piece(R"({"type":"PROB","probability":)"),  piece(R"({"type":"FM","probability":)"),
    piece(R"({"type":"BECMG","probability":)"), piece(R"({"type":"INTER","probability":)"),
};

const Piece& type_opening(const TafPeriod& c) {
    if (c.kind == TafPeriodKind::prob && c.prob_word == TafProbWord::tempo)
        return TYPE_OPENINGS[static_cast<int>(TafPeriodKind::tempo)];
    if (c.kind == TafPeriodKind::prob && c.prob_word == TafProbWord::inter)
        return TYPE_OPENINGS[static_cast<int>(TafPeriodKind::inter)];
    return TYPE_OPENINGS[static_cast<int>(c.kind)];
}

// The flight category as a JSON value; by TafCategory.
constexpr Piece CATEGORY_VALUES[] = {
    piece(R"(,"flight_category":null)"), piece(R"(,"flight_category":"VFR")"),
    piece(R"(,"flight_category":"MVFR")"), piece(R"(,"flight_category":"IFR")"),
    piece(R"(,"flight_category":"LIFR")")};

char* put_period(char* o, const TafPeriodRecord& p, const TafPeriodResolved& r) {
    const TafConditions& conditions = r.conditions;
    o = put(o, type_opening(p.change));
    if (p.change.kind == TafPeriodKind::prob)
        o = put_int(o, p.change.probability);
    else
        o = put_null(o);
    o = put(o, ",\"from\":");
    o = put_time(o, r.from);
    o = put(o, ",\"to\":");
    o = put_time(o, r.to);
    o = put(o, ",\"wind\":");
    o = put_wind(o, p);
    o = put(o, ",\"visibility\":");
    o = put_visibility(o, p);
    o = put(o, ",\"cavok\":");
    o = put_bool(o, p.cavok);
    o = put(o, ",\"weather\":[");
    for (int i = 0; i < p.weather_count; ++i) {
        if (i > 0) o = put(o, ',');
        o = put_weather_entry(o, p.weather[i]);
    }
    o = put(o, "],\"sky\":");
    o = put_plain_or_null(o, p.has_sky ? p.sky_text : std::string_view());
    o = put(o, ",\"clouds\":[");
    for (int i = 0; i < p.cloud_count; ++i) {
        if (i > 0) o = put(o, ',');
        o = put_cloud(o, p.clouds[i]);
    }
    o = put(o, "],\"ceiling_ft\":");
    if (conditions.clouds_known && conditions.has_ceiling)
        o = put_int(o, conditions.ceiling_ft);
    else
        o = put_null(o);
    o = put(o, CATEGORY_VALUES[r.category]);
    // Most periods have none of what follows: one literal writes it all.
    if (!p.has_shear && !p.has_icing && !p.has_turbulence && !p.has_altimeter &&
        p.temperature_count == 0 && p.unread_end == p.unread_begin) {
        o = put(o,
                ",\"wind_shear\":null,\"icing\":null,\"turbulence\":null,\"altimeter_inhg\":null,"
                "\"temperatures\":[],\"unread\":[]}");
        return o;
    }
    o = put(o, ",\"wind_shear\":");
    if (p.has_shear) {
        o = put(o, "{\"height_ft\":");
        o = put_int(o, p.shear.height * TAF_FEET_PER_HUNDRED);
        o = put(o, ",\"direction\":");
        o = put_int(o, p.shear.dir);
        o = put(o, ",\"speed_kt\":");
        o = put_int(o, p.shear.speed);
        o = put(o, '}');
    } else {
        o = put_null(o);
    }
    o = put(o, ",\"icing\":");
    o = put_layer(o, p.has_icing, p.icing);
    o = put(o, ",\"turbulence\":");
    o = put_layer(o, p.has_turbulence, p.turbulence);
    o = put(o, ",\"altimeter_inhg\":");
    if (p.has_altimeter)
        o = put_hundredths(o, p.inches);
    else
        o = put_null(o);
    o = put(o, ",\"temperatures\":[");
    for (int i = 0; i < p.temperature_count; ++i) {
        if (i > 0) o = put(o, ',');
        o = put_temperature(o, p.temperatures[i], r.temperature_at[i]);
    }
    o = put(o, "],\"unread\":[");
    for (int i = p.unread_begin; i < p.unread_end; ++i) {
        if (i > p.unread_begin) o = put(o, ',');
        o = put_string(o, report.unread_words[static_cast<size_t>(i)]);
    }
    o = put(o, "]}");
    return o;
}

char* put_periods(char* o) {
    o = put(o, "\"periods\":[");
    for (int i = 0; i < report.period_count; ++i) {
        // The texts of a period are parts of the decoder's copy of the report (at most twice
        // its length), each written at most ESCAPE_MAX times longer (a weather text with its
        // phenomena too).
        o = room(o, PERIOD_FIELDS_MAX + 2 * ESCAPE_MAX * report.text.size());
        if (i > 0) o = put(o, ',');
        o = put_period(o, report.periods[static_cast<size_t>(i)],
                       resolved.periods[static_cast<size_t>(i)]);
    }
    o = room(o, FIELD_MAX);
    o = put(o, ']');
    return o;
}

char* put_city_text(char* o, const char* text, bool blanks_for_underscores) {
    std::string_view t(text);
    if (!blanks_for_underscores) {
        o = put_string(o, t);
        return o;
    }
    char name[CTY_NAME_SIZE];
    size_t n = t.copy(name, sizeof name - 1);
    for (size_t i = 0; i < n; ++i)
        if (name[i] == '_') name[i] = ' ';
    o = put_string(o, {name, n});
    return o;
}

char* put_station_fields(char* o) {
    const CTY_data& city = report.city;
    const bool known = report.city_known;
    o = put(o, "{\"station\":");
    if (report.station_known) o = put_string(o, report.station_id); else o = put_null(o);
    o = put(o, ",\"name\":");
    if (known) o = put_city_text(o, city.name, true); else o = put_null(o);
    o = put(o, ",\"state\":");
    if (known && city.state[0] != '-') o = put_string(o, city.state); else o = put_null(o);
    o = put(o, ",\"country\":");
    if (known) o = put_string(o, city.region); else o = put_null(o);
    o = put(o, ",\"lat\":");
    if (known) o = put_hundredths(o, city.lat); else o = put_null(o);
    o = put(o, ",\"lon\":");
    if (known) o = put_hundredths(o, city.lon); else o = put_null(o);
    return o;
}

// The station's fields are the same for every report of the station in a run (the
// database does not change): written once for each station met, kept by its identifier.
struct KeptStation {
    char id[sizeof report.station_id] = "";
    bool used = false, station_known = false, city_known = false;
    std::string json;
};
constexpr size_t KEPT_STATIONS = 512;
std::array<KeptStation, KEPT_STATIONS> kept_stations;
// Most the fields take: the identifier and the database's texts, each byte escaped.
constexpr size_t STATION_FIELDS_MAX =
    16 * FIELD_MAX + ESCAPE_MAX * (sizeof(CTY_data) + sizeof report.station_id);

char* put_station(char* o) {
    const std::string_view id(report.station_id,
                              strnlen(report.station_id, sizeof report.station_id));
    size_t hash = 0;
    for (char c : id) hash = hash * 31 + static_cast<unsigned char>(c);
    KeptStation& kept = kept_stations[hash % KEPT_STATIONS];
    if (!kept.used || kept.station_known != report.station_known ||
        kept.city_known != report.city_known || id != kept.id) {
        kept.json.assign(STATION_FIELDS_MAX, '\0');
        kept.json.resize(
            static_cast<size_t>(put_station_fields(kept.json.data()) - kept.json.data()));
        copy_cut(kept.id, id);
        kept.used = true;
        kept.station_known = report.station_known;
        kept.city_known = report.city_known;
    }
    return put(o, kept.json);
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
char* put_words(char* o, std::string_view text) {
    o = room(o, text.size() * ESCAPE_MAX + 2);
    *o++ = '"';
    const char* p = text.data();
    const char* const end = p + text.size();
    for (bool first = true; p < end; first = false) {
        while (p < end && is_blank_or_eol(*p)) ++p;  // the line's indentation
        if (p == end) break;
        const char* newline =
            static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* line_end = newline != nullptr ? newline : end;
        if (!first) *o++ = ' ';
        const auto n = static_cast<size_t>(line_end - p);
        if (simple_line(p, n)) {
            memcpy(o, p, n);
            o += n;
        } else {
            o = words_at(o, p, p, line_end);
        }
        p = line_end;
    }
    *o++ = '"';
    return o;
}

// From the word RMK to the end of the report, or empty.
std::string_view remarks(std::string_view text) {
    for (size_t at = text.find("RMK"); at != std::string_view::npos;
         at = text.find("RMK", at + 1)) {
        const bool starts = at == 0 || is_blank_or_eol(text[at - 1]);
        const bool ends = at + 3 == text.size() || is_blank_or_eol(text[at + 3]);
        if (starts && ends) return text.substr(at);
    }
    return {};
}

// The unread words of a period joined by single blanks.
char* put_unread_group(char* o, int index) {
    const TafPeriodRecord& p = report.periods[static_cast<size_t>(index)];
    size_t need = 2;
    for (int i = p.unread_begin; i < p.unread_end; ++i)
        need += 1 + ESCAPE_MAX * report.unread_words[static_cast<size_t>(i)].size();
    o = room(o, need);
    o = put(o, '"');
    for (int i = p.unread_begin; i < p.unread_end; ++i) {
        if (i > p.unread_begin) o = put(o, ' ');
        o = put_escaped(o, report.unread_words[static_cast<size_t>(i)]);
    }
    o = put(o, '"');
    return o;
}

char* put_warnings(char* o) {
    o = room(o, FIELD_MAX);
    o = put(o, ",\"warnings\":[");
    for (size_t i = 0; i < resolved.warnings.size(); ++i) {
        const TafWarning& w = resolved.warnings[i];
        o = room(o, 2 * FIELD_MAX);
        if (i > 0) o = put(o, ',');
        o = put(o, "{\"group\":");
        if (w.period >= 0) {
            o = put_unread_group(o, w.period);
        } else {
            o = room(o, 2 + ESCAPE_MAX * w.group.size());
            o = put_string(o, w.group);
        }
        o = room(o, 2 * FIELD_MAX);
        o = put(o, ",\"problem\":");
        o = put_plain(o, w.problem);
        o = put(o, '}');
    }
    o = room(o, FIELD_MAX);
    o = put(o, ']');
    return o;
}

// A text that stays from report to report (the file's name, the bulletin's heading), kept
// with its JSON value so that it is escaped once, not for every report.
struct KeptText {
    std::string text;
    std::string json;
};
KeptText kept_file, kept_bulletin;

char* put_kept(char* o, KeptText& kept, std::string_view text) {
    if (kept.json.empty() || text != kept.text) {
        kept.text = text;
        kept.json.assign(2 + ESCAPE_MAX * text.size(), '\0');
        kept.json.resize(
            static_cast<size_t>(put_string(kept.json.data(), text) - kept.json.data()));
    }
    return put(o, kept.json);
}

void write_report() {
    const TafSource& source = *report.source;
    TAF_report_resolve(&resolved);
    char* o = line ? line.get() : grow(nullptr, 0);
    // The station's fields, the bulletin and the file name, each escaped.
    o = room(o, STATION_FIELDS_MAX + ESCAPE_MAX * (strlen(source.bulletin) + strlen(source.file)));
    o = put_station(o);
    o = put(o, ",\"bulletin\":");
    o = source.bulletin[0] == '\0' ? put_null(o) : put_kept(o, kept_bulletin, source.bulletin);
    o = put(o, ",\"file\":");
    o = put_kept(o, kept_file, source.file);
    const std::string_view text = trimmed_report();
    o = put(o, ",\"raw\":");
    o = put_words(o, text);
    o = room(o, 16 * FIELD_MAX);
    o = put(o, ",\"amendment\":");
    o = put_bool(o, report.amendment);
    o = put(o, ",\"correction\":");
    o = put_bool(o, report.correction);
    o = put(o, ",\"nil\":");
    o = put_bool(o, report.nil);
    o = put(o, ",\"cancelled\":");
    o = put_bool(o, report.cancelled);
    o = put(o, ",\"issued\":");
    o = put_time(o, resolved.issued);
    o = put(o, ",\"valid_from\":");
    o = put_time(o, resolved.valid_from);
    o = put(o, ",\"valid_to\":");
    o = put_time(o, resolved.valid_to);
    o = put(o, ',');
    o = put_periods(o);
    o = room(o, FIELD_MAX);
    o = put(o, ",\"remarks\":");
    const std::string_view rmk = remarks(text);
    if (rmk.empty())
        o = put_null(o);
    else
        o = put_words(o, rmk);
    o = put_warnings(o);
    o = room(o, FIELD_MAX);
    o = put(o, "}\n");
    line_length = static_cast<size_t>(o - line.get());
    MESS_write_data(dec_mes, line.get(), line_length);
}

void report_end() { write_report(); }

}  // namespace

const TafWriter TAF_JSON_WRITER = TAF_collecting_writer(report_end);

std::string_view TAF_json_last_line() {
    return line ? std::string_view(line.get(), line_length) : std::string_view();
}
