// The pattern scanner as a plain interpreter, element by element with nothing kept between
// scans: the reference against which the fuzz targets check the library's scanner (which
// keeps patterns cut into elements and settles many scans at their first character). Both
// must give the same counts and store the same values for every pattern and text. Kept as
// the scanner was before it kept patterns; a change of the scanner's behaviour changes it too.
#include "scanp_reference.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace scanp_reference {

namespace {

constexpr int SCANP_DEFAULT_WIDTH = 999;     // width of a directive written without one
constexpr int SCANP_MISS_MAX = 19;           // characters of a miss text that count
constexpr int SCANP_WORD_MAX = 80;           // the s directive's own limit
// Written widths are read up to this value; no text handed to the scanner is longer.
constexpr int SCANP_WIDTH_LIMIT = 1000000;
// Room for a float field in the rare case that it has to be converted a second time.
constexpr int SCANP_FLOAT_COPY = 1024;

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
// Whitespace in the character-class sense.
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
// What a pattern space and the w directive take.
bool is_blank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }
// What the W directive takes: blanks without the newline.
bool is_line_blank(char c) { return c == ' ' || c == '\r' || c == '\t'; }

// One directive as written: "%", then "*", "<", width, "!miss!" and the letter.
struct Directive {
    bool store = true;     // no "*"
    bool at_most = false;  // "<"
    bool has_width = false;
    int width = SCANP_DEFAULT_WIDTH;
    bool has_miss = false;
    std::string_view miss;  // at most SCANP_MISS_MAX characters
    char letter = '\0';
};

// Working state of one scan.
struct Scan {
    const char* text;    // the whole text
    int end;             // its length
    int start;           // off at the call
    int cur;             // the cursor
    const ScanArg* args; // destinations in directive order
    int nargs;
    int next_arg = 0;
    int matched = 0;
    int assigned = 0;
};

enum class Step { ok, fail };

// The next destination, or null when the caller gave no more.
const ScanArg* take_arg(Scan& s) {
    if (s.next_arg >= s.nargs) return nullptr;
    return &s.args[s.next_arg++];
}

// Characters of text available from the cursor within width.
int field_limit(const Scan& s, int width) {
    int room = s.end - s.cur;
    return s.cur + (width < room ? width : room);
}

bool accept_length(const Directive& d, int len) {
    if (len < 1) return false;
    return !(d.has_width && !d.at_most) || len == d.width;
}

void store_int(Scan& s, const ScanArg* a, int value) {
    if (a == nullptr || a->kind != ScanKind::Int) return;
    *static_cast<int*>(a->ptr) = value;
    ++s.assigned;
}

void store_float(Scan& s, const ScanArg* a, float value) {
    if (a == nullptr || a->kind != ScanKind::Float) return;
    *static_cast<float*>(a->ptr) = value;
    ++s.assigned;
}

// Stores n characters cut to fit the destination; terminated unless raw (the c directive).
void store_text(Scan& s, const ScanArg* a, const char* from, int n, bool raw) {
    if (a == nullptr || a->kind != ScanKind::Text || a->ptr == nullptr || a->size == 0) return;
    char* to = static_cast<char*>(a->ptr);
    size_t room = raw ? a->size : a->size - 1;
    size_t count = static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room;
    memcpy(to, from, count);
    if (!raw) to[count] = '\0';
    ++s.assigned;
}

// Decimal value of sign and digits, held at the int range.
int to_int(const char* p, const char* e) {
    bool negative = false;
    long long value = 0;
    for (; p < e; ++p) {
        if (*p == '-') {
            negative = true;
        } else if (is_digit(*p)) {
            if (value <= INT_MAX) value = value * 10 + (*p - '0');
        }
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Single-precision value of a float field (sign, digits, one ".", exponent).
float to_float(const char* p, const char* e) {
    float value = 0.0f;
    auto res = std::from_chars(p, e, value);
    if (res.ec != std::errc::result_out_of_range) return value;
    // Out of range: the conventional conversion gives the infinity or zero the C library
    // would give.
    char copy[SCANP_FLOAT_COPY];
    size_t n = static_cast<size_t>(e - p) < sizeof copy - 1 ? static_cast<size_t>(e - p)
                                                             : sizeof copy - 1;
    memcpy(copy, p, n);
    copy[n] = '\0';
    int saved = errno;
    value = strtof(copy, nullptr);
    errno = saved;
    return value;
}

// The number directives' rule for a field without a digit. ok moves past the miss text
// (the directive matched) or passes the directive over; fail ends the scan.
Step missing_number(Scan& s, const Directive& d, const ScanArg* a, bool is_float) {
    if (!d.has_miss) return Step::fail;
    int n = static_cast<int>(d.miss.size());
    if (n > d.width || n > s.end - s.cur || memcmp(s.text + s.cur, d.miss.data(), n) != 0)
        return Step::ok;  // passed over: not matched, nothing stored
    ++s.matched;
    if (d.store) {
        if (is_float)
            store_float(s, a, static_cast<float>(SCANP_MISSING));
        else
            store_int(s, a, SCANP_MISSING);
    }
    s.cur += n;
    return Step::ok;
}

// A number field from the cursor: [num_begin, num_end) is the sign and digits,
// field_end closes the field (trailing whitespace of D and F included).
struct NumberField {
    int num_begin;
    int num_end;
    int field_end;
    int digits;
};

int skip_spaces(const Scan& s, int i, int lim) {
    while (i < lim && is_space(s.text[i])) ++i;
    return i;
}

NumberField read_number(const Scan& s, const Directive& d, bool spaced, bool is_float) {
    int lim = field_limit(s, d.width);
    int i = spaced ? skip_spaces(s, s.cur, lim) : s.cur;
    NumberField f{i, i, i, 0};
    if (i < lim && s.text[i] == '-') ++i;
    bool dot = false;
    while (i < lim) {
        char c = s.text[i];
        if (is_digit(c)) {
            ++f.digits;
        } else if (is_float && c == '.' && !dot) {
            dot = true;
        } else {
            break;
        }
        ++i;
    }
    if (is_float && f.digits > 0 && i < lim && (s.text[i] == 'e' || s.text[i] == 'E')) {
        int j = i + 1;
        if (j < lim && (s.text[j] == '+' || s.text[j] == '-')) ++j;
        int k = j;
        while (k < lim && is_digit(s.text[k])) ++k;
        if (k > j) i = k;  // an exponent without digits is not part of the field
    }
    f.num_end = i;
    f.field_end = spaced ? skip_spaces(s, i, lim) : i;
    return f;
}

// d D f F.
Step scan_number(Scan& s, const Directive& d, const ScanArg* a) {
    bool spaced = d.letter == 'D' || d.letter == 'F';
    bool is_float = d.letter == 'f' || d.letter == 'F';
    NumberField f = read_number(s, d, spaced, is_float);
    if (f.digits == 0) return missing_number(s, d, a, is_float);
    if (!accept_length(d, f.field_end - s.cur)) return Step::fail;
    ++s.matched;
    if (d.store) {
        const char* p = s.text + f.num_begin;
        const char* e = s.text + f.num_end;
        if (is_float)
            store_float(s, a, to_float(p, e));
        else
            store_int(s, a, to_int(p, e));
    }
    s.cur = f.field_end;
    return Step::ok;
}

// Where the list that opens at p closes (the first close character), or null when the
// pattern ends first.
const char* find_close(const char* p, char close) {
    while (*p != '\0' && *p != close) ++p;
    return *p == close ? p : nullptr;
}

// "(" alt "|" alt ... ")": list runs from just after "(" to the ")".
Step scan_alternatives(Scan& s, const Directive& d, const ScanArg* a, const char* list,
                       const char* close) {
    const char* text = s.text + s.cur;
    const int room = s.end - s.cur;
    const char* alt = list;
    while (alt <= close) {
        // Compare while reading the alternative; the lists are short and most fail at once.
        int n = 0;
        while (alt + n < close && alt[n] != '|' && n < room && text[n] == alt[n]) ++n;
        if (alt + n == close || alt[n] == '|') {
            ++s.matched;
            if (d.store) store_text(s, a, alt, n, false);
            s.cur += n;
            return Step::ok;
        }
        alt += n;
        while (alt < close && *alt != '|') ++alt;
        ++alt;
    }
    if (d.has_miss) {
        ++s.matched;
        if (d.store) store_text(s, a, "", 0, false);
        int lim = field_limit(s, d.width);
        int n = static_cast<int>(d.miss.size());
        int i = s.cur;
        while (i < lim && i - s.cur < n && s.text[i] == d.miss[i - s.cur]) ++i;
        s.cur = i;
        return Step::ok;
    }
    if (d.at_most && !d.has_width) {
        // An optional list: matched, but the destination keeps what it held.
        ++s.matched;
        if (d.store && a != nullptr && a->kind == ScanKind::Text) ++s.assigned;
        return Step::ok;
    }
    return Step::fail;
}

// Whether c belongs to the set written in [m, close): "/A" letters, "/N" digits, "//" and
// any other "/x" a slash; the character after a "/" is then examined as a member itself.
bool set_member(char c, const char* m, const char* close) {
    for (; m < close; ++m) {
        bool hit;
        if (*m == '/' && m + 1 < close) {
            char k = m[1];
            hit = k == 'A' ? is_letter(c) : k == 'N' ? is_digit(c) : c == '/';
        } else {
            hit = *m == c;
        }
        if (hit) return true;
    }
    return false;
}

// The common end of the run directives: the field is [cur, field_end).
Step take_run(Scan& s, const Directive& d, const ScanArg* a, int field_end, bool raw) {
    int n = field_end - s.cur;
    if (!accept_length(d, n)) return Step::fail;
    ++s.matched;
    if (d.store) store_text(s, a, s.text + s.cur, n, raw);
    s.cur = field_end;
    return Step::ok;
}

template <class Pred>
int run_end(const Scan& s, int lim, Pred member) {
    int i = s.cur;
    while (i < lim && member(s.text[i])) ++i;
    return i;
}

// "[" members "]": members runs from just after "[" to the "]".
Step scan_set(Scan& s, const Directive& d, const ScanArg* a, const char* members,
              const char* close) {
    bool invert = members < close && *members == '^';
    if (invert) ++members;
    int lim = field_limit(s, d.width);
    int i = run_end(s, lim, [&](char c) { return set_member(c, members, close) != invert; });
    return take_run(s, d, a, i, false);
}

// A N s S c w W.
Step scan_run(Scan& s, const Directive& d, const ScanArg* a) {
    int lim = field_limit(s, d.width);
    switch (d.letter) {
        case 'A': return take_run(s, d, a, run_end(s, lim, is_letter), false);
        case 'N': return take_run(s, d, a, run_end(s, lim, is_digit), false);
        case 's': {
            int word_lim = s.cur + SCANP_WORD_MAX < lim ? s.cur + SCANP_WORD_MAX : lim;
            return take_run(s, d, a, run_end(s, word_lim, [](char c) { return !is_space(c); }),
                            false);
        }
        case 'S': return take_run(s, d, a, lim, false);
        case 'c': return take_run(s, d, a, lim, true);
        case 'w': return take_run(s, d, a, run_end(s, lim, is_blank), false);
        default: return take_run(s, d, a, run_end(s, lim, is_line_blank), false);  // W
    }
}

// Reads "*", "<", the width, the miss text and the letter after a "%"; returns where the
// letter stands (the terminator when the pattern ends first).
const char* read_directive(const char* p, Directive& d) {
    if (*p == '*') {
        d.store = false;
        ++p;
    }
    if (*p == '<') {
        d.at_most = true;
        ++p;
    }
    if (is_digit(*p)) {
        d.has_width = true;
        int w = 0;
        for (; is_digit(*p); ++p)
            if (w < SCANP_WIDTH_LIMIT) w = w * 10 + (*p - '0');
        d.width = w < SCANP_WIDTH_LIMIT ? w : SCANP_WIDTH_LIMIT;
    }
    if (*p == '!') {
        const char* m = ++p;
        while (*p != '\0' && *p != '!') ++p;
        size_t n = static_cast<size_t>(p - m);
        d.has_miss = true;
        d.miss = std::string_view(m, n < SCANP_MISS_MAX ? n : SCANP_MISS_MAX);
        if (*p == '!') ++p;
    }
    d.letter = *p;
    if (d.letter == 'c' && !d.has_width) {
        d.width = 1;  // exactly one character
        d.has_width = true;
        d.at_most = false;
    }
    return p;
}

bool is_directive_letter(char c) {
    switch (c) {
        case 'd': case 'D': case 'f': case 'F': case 'n': case '(': case '[':
        case 'A': case 'N': case 's': case 'S': case 'c': case 'w': case 'W':
            return true;
        default:
            return false;
    }
}

// Runs the directive whose letter stands at p; returns the pattern position after it, or
// null when the directive failed.
const char* scan_directive(Scan& s, const Directive& d, const char* p) {
    const ScanArg* a = d.store ? take_arg(s) : nullptr;
    Step step = Step::fail;
    const char* next = p + 1;
    switch (d.letter) {
        case 'd': case 'D': case 'f': case 'F':
            step = scan_number(s, d, a);
            break;
        case 'n':
            ++s.matched;
            if (d.store) store_int(s, a, s.cur - s.start);
            step = Step::ok;
            break;
        case '(': case '[': {
            const char* close = find_close(p + 1, d.letter == '(' ? ')' : ']');
            if (close == nullptr) return nullptr;  // an unclosed list never matches
            step = d.letter == '(' ? scan_alternatives(s, d, a, p + 1, close)
                                   : scan_set(s, d, a, p + 1, close);
            next = close + 1;
            break;
        }
        default:
            step = scan_run(s, d, a);
            break;
    }
    return step == Step::ok ? next : nullptr;
}

// Runs the element at p; returns the pattern position after it, or null when it failed.
const char* scan_element(Scan& s, const char* p) {
    if (*p == ' ') {
        if (s.cur >= s.end || !is_blank(s.text[s.cur])) return nullptr;
        while (s.cur < s.end && is_blank(s.text[s.cur])) ++s.cur;
        return p + 1;
    }
    if (*p != '%') {
        if (s.cur >= s.end || s.text[s.cur] != *p) return nullptr;
        ++s.cur;
        return p + 1;
    }
    Directive d;
    const char* letter = read_directive(p + 1, d);
    // An unknown letter ends the directive without effect; the letter is read next.
    if (!is_directive_letter(d.letter)) return letter;
    return scan_directive(s, d, letter);
}

}  // namespace

int scan(parse_param* param, const char* pat, const ScanArg* args, int nargs) {
    param->len = param->assigned = param->matched = param->done = 0;
    if (pat == nullptr || *pat == '\0' || param->ptr == nullptr || param->off < 0 ||
        param->off >= param->length)
        return -1;
    Scan s{param->ptr, param->length, param->off, param->off, args, nargs};
    const char* p = pat;
    while (*p != '\0') {
        const char* next = scan_element(s, p);
        if (next == nullptr) break;
        p = next;
    }
    param->done = *p == '\0' ? 1 : 0;
    param->len = s.cur - s.start;
    param->assigned = s.assigned;
    param->matched = s.matched;
    return param->matched;
}

}  // namespace scanp_reference
