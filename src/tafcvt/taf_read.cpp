// Fast readers of the commonest groups; see taf_read.h.
//
// A reading follows the scanner's rules element by element: a number directive of exact
// width takes an optional "-" and digits up to its width and needs at least one digit and
// exactly the width (or agrees with its miss text, or is passed over); a list takes the first
// alternative the text begins with (or, with a miss text, matches empty); a pattern space
// takes one blank or more. The scan stops at the first element that fails.
#include "taf_read.h"

#include <climits>
#include <cstring>
#include <string_view>

#include "string.h"

namespace {

constexpr int WORD_MAX = 80;  // the s directive's limit
constexpr int RUN_MAX = 999;  // the width of a directive written without one
constexpr int MISSING = SCANP_MISSING;
constexpr int WIDTH_DIGITS_MAX = 9;  // digits that always make an int

// One reading in the scanner's terms.
struct Reading {
    const char* text;  // the whole text
    int end;           // its length
    int start;         // the position
    int cur;           // the cursor
    int matched;
    int assigned;
};

// Starts a reading at the position; false (nothing to read: the scanner's -1) at the end.
bool begin(Reading& r, parse_param* param) {
    param->len = param->assigned = param->matched = param->done = 0;
    if (param->ptr == nullptr || param->off < 0 || param->off >= param->length) return false;
    r = {param->ptr, param->length, param->off, param->off, 0, 0};
    return true;
}

// Ends the reading: done when every element succeeded.
int finish(const Reading& r, parse_param* param, bool done) {
    param->len = r.cur - r.start;
    param->matched = r.matched;
    param->assigned = r.assigned;
    param->done = done ? 1 : 0;
    return r.matched;
}

void store_text(Reading& r, scan_buf dest, const char* from, size_t n) {
    if (dest.ptr == nullptr || dest.size == 0) return;
    size_t count = n < dest.size - 1 ? n : dest.size - 1;
    memcpy(dest.ptr, from, count);
    dest.ptr[count] = '\0';
    ++r.assigned;
}

enum class Step { ok, passed, fail };

// The characters a d field of the width takes at the cursor: an optional "-" first, then
// digits up to the width; the magnitude saturates beyond int.
struct Field {
    int end;  // where the field ends
    int digits;
    bool negative;
    long long magnitude;
};

Field read_field(const Reading& r, int width) {
    const int room = r.end - r.cur;
    const int lim = r.cur + (width < room ? width : room);
    Field f{r.cur, 0, false, 0};
    f.negative = f.end < lim && r.text[f.end] == '-';
    if (f.negative) ++f.end;
    for (; f.end < lim && is_digit(r.text[f.end]); ++f.end, ++f.digits)
        if (f.magnitude <= INT_MAX) f.magnitude = f.magnitude * 10 + (r.text[f.end] - '0');
    return f;
}

// Stores the field's value (clamped to int) and moves the cursor past it.
void take_field(Reading& r, const Field& f, int* dest) {
    const long long value = f.negative ? -f.magnitude : f.magnitude;
    ++r.matched;
    *dest = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
    ++r.assigned;
    r.cur = f.end;
}

// A d field of exact width, with its miss text (empty view: none).
Step number(Reading& r, int width, int* dest, std::string_view miss = {}) {
    const int room = r.end - r.cur;
    // The common case first: the width's characters all digits.
    if (room >= width && width <= WIDTH_DIGITS_MAX) {
        const char* p = r.text + r.cur;
        int value = 0;
        int i = 0;
        for (; i < width && is_digit(p[i]); ++i) value = value * 10 + (p[i] - '0');
        if (i == width) {
            ++r.matched;
            *dest = value;
            ++r.assigned;
            r.cur += width;
            return Step::ok;
        }
    }
    const Field f = read_field(r, width);
    if (f.digits == 0) {
        if (miss.empty()) return Step::fail;
        const int n = static_cast<int>(miss.size());
        if (n > width || n > room || memcmp(r.text + r.cur, miss.data(), miss.size()) != 0)
            return Step::passed;
        ++r.matched;
        *dest = MISSING;
        ++r.assigned;
        r.cur += n;
        return Step::ok;
    }
    if (f.end - r.cur != width) return Step::fail;
    take_field(r, f, dest);
    return Step::ok;
}

// A d field of at most width characters ("%<3d"): an optional "-", then digits up to the
// width, at least one digit.
Step number_at_most(Reading& r, int width, int* dest) {
    const Field f = read_field(r, width);
    if (f.digits == 0) return Step::fail;
    take_field(r, f, dest);
    return Step::ok;
}

// An s field of exact width ("%4s"): the characters up to white space (class sense), at
// most the width, and exactly the width of them.
Step exact_word(Reading& r, int width, scan_buf dest) {
    int n = 0;
    while (n < width && r.cur + n < r.end && !is_space(r.text[r.cur + n])) ++n;
    if (n == 0 || n != width) return Step::fail;
    ++r.matched;
    store_text(r, dest, r.text + r.cur, static_cast<size_t>(n));
    r.cur += n;
    return Step::ok;
}

// A list of alternatives, tried in order; optional makes it a list with the empty miss text
// ("%!!(...)"), which matches empty where no alternative does. A null dest stores nothing.
template <size_t N>
Step alternatives(Reading& r, const std::string_view (&alts)[N], scan_buf* dest,
                  bool optional = false) {
    const int room = r.end - r.cur;
    for (std::string_view alt : alts) {
        // The first character tells most alternatives apart without a comparison.
        if (static_cast<int>(alt.size()) > room || (!alt.empty() && r.text[r.cur] != alt[0]) ||
            memcmp(r.text + r.cur, alt.data(), alt.size()) != 0)
            continue;
        ++r.matched;
        if (dest != nullptr) store_text(r, *dest, alt.data(), alt.size());
        r.cur += static_cast<int>(alt.size());
        return Step::ok;
    }
    if (!optional) return Step::fail;
    ++r.matched;
    if (dest != nullptr) store_text(r, *dest, "", 0);
    return Step::ok;
}

Step literal(Reading& r, char c) {
    if (r.cur >= r.end || r.text[r.cur] != c) return Step::fail;
    ++r.cur;
    return Step::ok;
}

Step blanks(Reading& r) {
    if (r.cur >= r.end || !is_blank_or_eol(r.text[r.cur])) return Step::fail;
    while (r.cur < r.end && is_blank_or_eol(r.text[r.cur])) ++r.cur;
    return Step::ok;
}

// Runs the steps in order until one fails; whether all went through.
template <class... Steps>
bool run(Steps... steps) {
    return ((steps() != Step::fail) && ...);
}

constexpr std::string_view COVERS[] = {"FEW", "SCT", "BKN", "OVC"};
constexpr std::string_view MILE_UNITS[] = {"SM", "NM"};
constexpr std::string_view MINUS_MARK[] = {"M", ""};
constexpr std::string_view PLUS_MARK[] = {"P"};
constexpr std::string_view ZONES[] = {"Z", "UTC"};
constexpr std::string_view FROM_WORD[] = {"FM"};
constexpr std::string_view PROB_WORD[] = {"PROB"};
constexpr std::string_view UNITS[] = {"KTS", "KT", "MPS", "KMH"};
constexpr std::string_view GUST_MARKS[] = {"/", "G"};
constexpr std::string_view VARIABLE_WORD[] = {"VRB"};

// M or R and a number (its "-" sign included), as "%*(M)%d" and "%*(R)%d" take them.
bool letter_and_number(const char* text, char letter) {
    return text[0] == letter && (is_digit(text[1]) || (text[1] == '-' && is_digit(text[2])));
}

// "%*(mark)%<3d%(SM|NM) ": whole miles behind one of the marks, and their unit.
template <size_t N>
int read_marked_miles(parse_param* param, const std::string_view (&marks)[N], int* miles,
                      scan_buf unit) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return alternatives(r, marks, nullptr); },
                    [&] { return number_at_most(r, 3, miles); },
                    [&] { return alternatives(r, MILE_UNITS, &unit); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

// Whether the three characters at t are a cover word.
bool is_cover(const char* t) {
    switch (t[0]) {
        case 'F': return t[1] == 'E' && t[2] == 'W';
        case 'S': return t[1] == 'C' && t[2] == 'T';
        case 'B': return t[1] == 'K' && t[2] == 'N';
        case 'O': return t[1] == 'V' && t[2] == 'C';
        default: return false;
    }
}

bool digits(const char* t, int n) {
    for (int i = 0; i < n; ++i)
        if (!is_digit(t[i])) return false;
    return true;
}

int digits_value(const char* t, int n) {
    int value = 0;
    for (int i = 0; i < n; ++i) value = value * 10 + (t[i] - '0');
    return value;
}

// A number of exactly n digits at the cursor, as number() reads it when all are digits.
void take_digits(Reading& r, int n, int* dest) {
    *dest = digits_value(r.text + r.cur, n);
    ++r.matched;
    ++r.assigned;
    r.cur += n;
}

}  // namespace

int TAF_read_layer(parse_param* param, scan_buf cover, int* height) {
    Reading r;
    if (!begin(r, param)) return -1;
    // The common shape first, a cover word and three digits (BKN030), read as the steps below
    // read it.
    const char* t = r.text + r.cur;
    if (r.end - r.cur >= 6 && is_cover(t) && digits(t + 3, 3)) {
        ++r.matched;
        store_text(r, cover, t, 3);
        r.cur += 3;
        take_digits(r, 3, height);
        return finish(r, param, blanks(r) != Step::fail);
    }
    bool done = run([&] { return alternatives(r, COVERS, &cover); },
                    [&] { return number(r, 3, height, "///"); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_dated_period(parse_param* param, int* from_day, int* from_hour, int* to_day,
                          int* to_hour) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return number(r, 2, from_day); }, [&] { return number(r, 2, from_hour); },
                    [&] { return literal(r, '/'); }, [&] { return number(r, 2, to_day); },
                    [&] { return number(r, 2, to_hour); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_wind(parse_param* param, int* dir, int* speed, scan_buf unit) {
    Reading r;
    if (!begin(r, param)) return -1;
    // The common shape first, five digits and KT (18010KT), read as the steps below read it.
    const char* t = r.text + r.cur;
    if (r.end - r.cur >= 7 && digits(t, 5) && t[5] == 'K' && t[6] == 'T' &&
        (r.end - r.cur == 7 || t[7] != 'S')) {
        take_digits(r, 3, dir);
        take_digits(r, 2, speed);
        ++r.matched;
        store_text(r, unit, t + 5, 2);
        r.cur += 2;
        return finish(r, param, blanks(r) != Step::fail);
    }
    bool done = run([&] { return number(r, 3, dir); }, [&] { return number(r, 2, speed); },
                    [&] { return alternatives(r, UNITS, &unit, true); },
                    [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_gusting_wind(parse_param* param, int* dir, int* speed, int* gust, scan_buf unit) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return number(r, 3, dir); }, [&] { return number(r, 2, speed); },
                    [&] { return alternatives(r, GUST_MARKS, nullptr); },
                    [&] { return number(r, 2, gust); },
                    [&] { return alternatives(r, UNITS, &unit, true); },
                    [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_hours(parse_param* param, int* from, int* to) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return number(r, 2, from); }, [&] { return number(r, 2, to); },
                    [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_day_hours(parse_param* param, int* day, int* from, int* to) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return number(r, 2, day); }, [&] { return number(r, 2, from); },
                    [&] { return number(r, 2, to); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_from_time(parse_param* param, int* hour, int* min) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return alternatives(r, FROM_WORD, nullptr); },
                    [&] { return number(r, 2, hour); }, [&] { return number(r, 2, min); },
                    [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_variable_wind(parse_param* param, int* speed, scan_buf unit) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return alternatives(r, VARIABLE_WORD, nullptr); },
                    [&] { return number(r, 2, speed); },
                    [&] { return alternatives(r, UNITS, &unit, true); },
                    [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_metres(parse_param* param, int* metres) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return number(r, 4, metres); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_word(parse_param* param, std::string_view word, std::string_view other) {
    Reading r;
    if (!begin(r, param)) return -1;
    const int room = r.end - r.cur;
    auto begins = [&](std::string_view w) {
        return static_cast<int>(w.size()) <= room &&
               memcmp(r.text + r.cur, w.data(), w.size()) == 0;
    };
    std::string_view taken;
    if (begins(word))
        taken = word;
    else if (!other.empty() && begins(other))
        taken = other;
    else
        return finish(r, param, false);
    ++r.matched;
    r.cur += static_cast<int>(taken.size());
    return finish(r, param, blanks(r) == Step::ok);
}

int TAF_read_station(parse_param* param, scan_buf station) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return exact_word(r, 4, station); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_issue_time(parse_param* param, int* day, int* hour, int* min) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return number(r, 2, day); }, [&] { return number(r, 2, hour); },
                    [&] { return number(r, 2, min); },
                    [&] { return alternatives(r, ZONES, nullptr); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_from(parse_param* param, int* day, int* hour, int* min) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return alternatives(r, FROM_WORD, nullptr); },
                    [&] { return number(r, 2, day); }, [&] { return number(r, 2, hour); },
                    [&] { return number(r, 2, min); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_prob(parse_param* param, int* percent) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return alternatives(r, PROB_WORD, nullptr); },
                    [&] { return number(r, 2, percent); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_whole_miles(parse_param* param, int* miles, scan_buf unit) {
    return read_marked_miles(param, MINUS_MARK, miles, unit);
}

int TAF_read_fraction_miles(parse_param* param, int* numerator, int* denominator, scan_buf unit) {
    Reading r;
    if (!begin(r, param)) return -1;
    bool done = run([&] { return alternatives(r, MINUS_MARK, nullptr); },
                    [&] { return number(r, 1, numerator); }, [&] { return literal(r, '/'); },
                    [&] { return number_at_most(r, 2, denominator); },
                    [&] { return alternatives(r, MILE_UNITS, &unit); }, [&] { return blanks(r); });
    return finish(r, param, done);
}

int TAF_read_more_miles(parse_param* param, int* miles, scan_buf unit) {
    return read_marked_miles(param, PLUS_MARK, miles, unit);
}

bool TAF_may_be_miles(const char* text) {
    const char* w = text;
    for (; *w != '\0' && !is_blank_or_eol(*w); ++w)
        if (*w == '/' || ((*w == 'S' || *w == 'N') && w[1] == 'M')) return true;
    while (is_blank_or_eol(*w)) ++w;
    for (; *w != '\0' && !is_blank_or_eol(*w); ++w)
        if (*w == '/') return true;
    return false;
}

bool TAF_may_be_hour_temperature(const char* text) {
    if (text[0] == '\0') return false;
    const char* q = text + 1;
    if (*q == 'M') ++q;
    return is_digit(*q) || *q == '-' || (q[0] == 'X' && q[1] == 'X');
}

bool TAF_weather_ends(const char* text) {
    // Chosen by the first character, each word then compared where it can stand: the stops
    // are tried at every weather group, and a walk through the whole list would cost more
    // than the group's own reading.
    switch (text[0]) {
        case 'M': return letter_and_number(text, 'M');
        case 'R': return letter_and_number(text, 'R');
        case 'S': return begins_with(text, "SKC") || begins_with(text, "SCT");
        case 'C': return begins_with(text, "CLR");
        case 'F': return begins_with(text, "FEW") || begins_with(text, "FM");
        case 'B': return begins_with(text, "BKN") || begins_with(text, "BECMG");
        case 'O': return begins_with(text, "OVC");
        case '-':
            return begins_with(text, "-SCT") || begins_with(text, "-BKN") ||
                   begins_with(text, "-OVC");
        case 'V': return begins_with(text, "VV");
        case 'T': return begins_with(text, "TEMPO");
        case 'Q': return begins_with(text, "QNH");
        case 'P': return begins_with(text, "PROB");
        default: return false;
    }
}

int TAF_weather_run(const char* text, scan_buf group) {
    int n = 0;
    while (n < RUN_MAX && (is_letter(text[n]) || text[n] == '-' || text[n] == '+')) ++n;
    if (n == 0) return 0;
    Reading r{text, n, 0, 0, 0, 0};
    store_text(r, group, text, static_cast<size_t>(n));
    int consumed = n;
    while (is_blank_or_eol(text[consumed])) ++consumed;
    return consumed;
}

int TAF_next_word(const char* text, scan_buf word) {
    int n = 0;
    while (n < WORD_MAX && text[n] != '\0' && !is_space(text[n])) ++n;
    if (n == 0) return 0;
    Reading r{text, n, 0, 0, 0, 0};
    store_text(r, word, text, static_cast<size_t>(n));
    int consumed = n;
    while (is_blank_or_eol(text[consumed])) ++consumed;
    return consumed;
}
