// The pattern scanner written a second time, from the pattern language alone and as plainly
// as it can be: each scan reads its pattern afresh, element by element, and tries each
// element on the text character by character, with no tables, no caches and no shortcuts.
// The fuzz targets check the library's scanner against it, so it must not borrow the
// library's reading of the language: where the two differ, the language decides which is
// wrong. Slow on purpose; only the fuzz targets call it.
//
// The text is the param's characters from 0 to length (a NUL inside is a character like
// any other: the scanner is bound by the length it was given). Limits are those the
// scanner's header gives: width 999 when none is written (c: 1), s at most 80 characters,
// a miss text counts its first 19 characters, a list or set without its closing character
// never matches. Destinations follow the header too: a text field is cut to its buffer, a
// destination of the wrong kind or missing at the end is neither written nor counted.
#include "scanp_reference.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace scanp_reference {

namespace {

constexpr int DEFAULT_WIDTH = 999;  // a directive written without a width
constexpr int MISS_MAX = 19;        // characters of a miss text that count
constexpr int WORD_MAX = 80;        // what s takes whatever its width

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
// White space in the character-class sense (D, F and s).
bool is_class_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
// What a pattern space and w take.
bool is_blank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }
// What W takes: the blanks but newline.
bool is_line_blank(char c) { return c == ' ' || c == '\r' || c == '\t'; }

// One directive as written: "%", then "*", "<", width, "!miss!" and the letter, each
// optional, in that order; the body of a list or set follows its letter.
struct Directive {
    bool store = true;
    bool at_most = false;     // "<"
    bool width_given = false;
    long long width = 0;      // as written, or some width beyond any text
    bool has_miss = false;
    std::string miss;         // its first MISS_MAX characters
    char letter = '\0';       // '\0': the pattern ended inside the directive
    std::string body;         // what stands between "(" and ")" or "[" and "]"
    bool closed = false;      // the list or set has its closing character
};

bool is_directive_letter(char c) { return c != '\0' && strchr("dDfFn([ANsScwW", c) != nullptr; }

// Reads the directive whose "%" stands before p; returns where the next element begins.
// When the letter is not a directive letter, d.letter is left '\0' and the result points at
// that letter, which is then read as the next element.
const char* read_directive(const char* p, Directive& d) {
    if (*p == '*') {
        d.store = false;
        ++p;
    }
    if (*p == '<') {
        d.at_most = true;
        ++p;
    }
    while (is_digit(*p)) {
        d.width_given = true;
        if (d.width <= INT_MAX) d.width = d.width * 10 + (*p - '0');  // wider than any text
        ++p;
    }
    if (*p == '!') {
        d.has_miss = true;
        ++p;
        while (*p != '\0' && *p != '!') {
            if (d.miss.size() < MISS_MAX) d.miss += *p;
            ++p;
        }
        if (*p == '\0') return p;  // the pattern ended inside the miss text
        ++p;
    }
    if (!is_directive_letter(*p)) return p;
    d.letter = *p++;
    if (d.letter == '(' || d.letter == '[') {
        char close = d.letter == '(' ? ')' : ']';
        while (*p != '\0' && *p != close) d.body += *p++;
        if (*p == close) {
            d.closed = true;
            ++p;
        }
    }
    return p;
}

// The state of one scan.
struct Scan {
    const char* text;
    int length;
    int start;   // off
    int cursor;
    const ScanArg* args;
    int nargs;
    int next_arg = 0;
    int matched = 0;
    int assigned = 0;
};

// The character at the cursor plus k, or -1 past the end of the text.
int char_at(const Scan& s, long long k) {
    long long at = s.cursor + k;
    if (at < 0 || at >= s.length) return -1;
    return static_cast<unsigned char>(s.text[at]);
}

bool text_has(const Scan& s, long long k) { return s.cursor + k < s.length; }

char text_char(const Scan& s, long long k) { return s.text[s.cursor + k]; }

// The destination a storing directive takes, or nullptr when the list has run out.
const ScanArg* take_arg(Scan& s) {
    if (s.next_arg >= s.nargs) {
        ++s.next_arg;
        return nullptr;
    }
    return &s.args[s.next_arg++];
}

bool fits(const ScanArg* a, ScanKind kind) { return a != nullptr && a->kind == kind; }

void store_int(Scan& s, const ScanArg* a, int v) {
    if (!fits(a, ScanKind::Int)) return;
    memcpy(a->ptr, &v, sizeof v);
    ++s.assigned;
}

void store_float(Scan& s, const ScanArg* a, float v) {
    if (!fits(a, ScanKind::Float)) return;
    memcpy(a->ptr, &v, sizeof v);
    ++s.assigned;
}

// A field as a string: as much as the buffer holds, then a NUL (c: no NUL).
void store_text(Scan& s, const ScanArg* a, std::string_view field, bool terminate) {
    if (!fits(a, ScanKind::Text)) return;
    size_t room = a->size;
    if (terminate && room > 0) room -= 1;
    size_t n = field.size() < room ? field.size() : room;
    char* out = static_cast<char*>(a->ptr);
    memcpy(out, field.data(), n);
    if (terminate && a->size > 0) out[n] = '\0';
    ++s.assigned;
}

// The width a directive reads up to, and whether its field must have exactly that many.
long long width_of(const Directive& d) {
    if (d.width_given) return d.width;
    return d.letter == 'c' ? 1 : DEFAULT_WIDTH;
}

bool exact_width(const Directive& d) {
    if (d.width_given) return !d.at_most;
    return d.letter == 'c';
}

// The acceptance rule: at least one character, and exactly the width when it is exact.
bool acceptable(const Directive& d, long long count) {
    if (count < 1) return false;
    return !exact_width(d) || count == width_of(d);
}

// Element outcomes: the scan goes on, or stops here.
enum class Step { Go, Stop };

// Decimal conversion of an optional "-" and digits, held at the bounds of int.
int decimal_value(std::string_view sign_digits) {
    bool negative = !sign_digits.empty() && sign_digits[0] == '-';
    long long v = 0;
    for (char c : sign_digits) {
        if (!is_digit(c)) continue;
        v = v * 10 + (c - '0');
        if (v > 1LL + INT_MAX) v = 1LL + INT_MAX;
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

float float_value(const std::string& number) { return strtof(number.c_str(), nullptr); }

// A number in the text at the cursor plus from, within width characters counted from the
// cursor: an optional "-", digits, and for floats one "." among them and an exponent.
// Gives the number's characters and how far it reaches (from the cursor); digits tells
// whether the number part holds any digit.
struct Number {
    std::string chars;
    long long end;
    bool digits;
};

Number read_number(const Scan& s, long long from, long long width, bool floating) {
    Number n{"", from, false};
    long long k = from;
    auto room = [&](long long at) { return at < width && text_has(s, at); };
    if (room(k) && text_char(s, k) == '-') n.chars += text_char(s, k++);
    bool point = false;
    while (room(k)) {
        char c = text_char(s, k);
        if (is_digit(c)) {
            n.digits = true;
        } else if (floating && c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        n.chars += c;
        ++k;
    }
    if (floating && n.digits && room(k) && (text_char(s, k) == 'e' || text_char(s, k) == 'E')) {
        long long e = k + 1;
        if (room(e) && (text_char(s, e) == '+' || text_char(s, e) == '-')) ++e;
        if (room(e) && is_digit(text_char(s, e))) {
            while (room(e) && is_digit(text_char(s, e))) ++e;
            n.chars.append(s.text + s.cursor + k, static_cast<size_t>(e - k));
            k = e;
        }
    }
    n.end = k;
    return n;
}

// How many characters from the cursor are class white space, within width.
long long class_spaces(const Scan& s, long long from, long long width) {
    long long k = from;
    while (k < width && text_has(s, k) && is_class_space(text_char(s, k))) ++k;
    return k;
}

// A number field without digits: the miss text, if it agrees in full within the width,
// reads as the missing number; else the directive is passed over; without one it fails.
Step missing_number(Scan& s, const Directive& d, const ScanArg* a, bool floating) {
    if (!d.has_miss) return Step::Stop;
    long long size = static_cast<long long>(d.miss.size());
    bool agrees = size <= width_of(d);
    for (long long i = 0; agrees && i < size; ++i)
        agrees = text_has(s, i) && text_char(s, i) == d.miss[i];
    if (!agrees) return Step::Go;  // passed over
    ++s.matched;
    if (d.store) {
        if (floating)
            store_float(s, a, static_cast<float>(SCANP_MISSING));
        else
            store_int(s, a, SCANP_MISSING);
    }
    s.cursor += static_cast<int>(size);
    return Step::Go;
}

// d f (spaced false) and D F (spaced true).
Step scan_number(Scan& s, const Directive& d, const ScanArg* a, bool floating, bool spaced) {
    long long width = width_of(d);
    long long k = spaced ? class_spaces(s, 0, width) : 0;
    Number n = read_number(s, k, width, floating);
    if (!n.digits) return missing_number(s, d, a, floating);
    long long end = spaced ? class_spaces(s, n.end, width) : n.end;
    if (!acceptable(d, end)) return Step::Stop;
    ++s.matched;
    if (d.store) {
        if (floating)
            store_float(s, a, float_value(n.chars));
        else
            store_int(s, a, decimal_value(n.chars));
    }
    s.cursor += static_cast<int>(end);
    return Step::Go;
}

// Whether text character c is taken by the set members (the "^" already removed).
bool set_member(std::string_view members, char c) {
    for (size_t i = 0; i < members.size(); ++i) {
        char m = members[i];
        char after = i + 1 < members.size() ? members[i + 1] : '\0';
        if (m == '/' && after == 'A') {
            if (is_letter(c)) return true;
        } else if (m == '/' && after == 'N') {
            if (is_digit(c)) return true;
        } else if (c == m) {
            return true;  // a "/" before anything else is a slash as well
        }
    }
    return false;
}

// The run directives: A N s S c w W and sets; how many characters from the cursor they take.
long long run_length(const Scan& s, const Directive& d) {
    long long width = width_of(d);
    if (d.letter == 's' && width > WORD_MAX) width = WORD_MAX;
    std::string_view members = d.body;
    bool inverted = d.letter == '[' && !members.empty() && members[0] == '^';
    if (inverted) members.remove_prefix(1);
    long long k = 0;
    while (k < width && text_has(s, k)) {
        char c = text_char(s, k);
        bool takes = false;
        switch (d.letter) {
            case 'A': takes = is_letter(c); break;
            case 'N': takes = is_digit(c); break;
            case 's': takes = !is_class_space(c); break;
            case 'S': case 'c': takes = true; break;
            case 'w': takes = is_blank(c); break;
            case 'W': takes = is_line_blank(c); break;
            case '[': takes = set_member(members, c) != inverted; break;
            default: break;
        }
        if (!takes) break;
        ++k;
    }
    return k;
}

Step scan_run(Scan& s, const Directive& d, const ScanArg* a) {
    if (d.letter == '[' && !d.closed) return Step::Stop;
    long long count = run_length(s, d);
    if (!acceptable(d, count)) return Step::Stop;
    ++s.matched;
    if (d.store)
        store_text(s, a, std::string_view(s.text + s.cursor, static_cast<size_t>(count)),
                   d.letter != 'c');
    s.cursor += static_cast<int>(count);
    return Step::Go;
}

// Whether the text at the cursor begins with alt.
bool text_begins_with(const Scan& s, std::string_view alt) {
    for (size_t i = 0; i < alt.size(); ++i)
        if (!text_has(s, static_cast<long long>(i)) || text_char(s, i) != alt[i]) return false;
    return true;
}

// "(" alt "|" alt ... ")": the first alternative the text begins with.
Step scan_list(Scan& s, const Directive& d, const ScanArg* a) {
    if (!d.closed) return Step::Stop;
    std::string_view rest = d.body;
    while (true) {
        size_t bar = rest.find('|');
        std::string_view alt = rest.substr(0, bar);
        if (text_begins_with(s, alt)) {
            ++s.matched;
            if (d.store) store_text(s, a, alt, true);
            s.cursor += static_cast<int>(alt.size());
            return Step::Go;
        }
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
    }
    if (d.has_miss) {
        long long k = 0;
        long long width = width_of(d);
        while (k < static_cast<long long>(d.miss.size()) && k < width && text_has(s, k) &&
               text_char(s, k) == d.miss[k])
            ++k;
        ++s.matched;
        if (d.store) store_text(s, a, "", true);
        s.cursor += static_cast<int>(k);
        return Step::Go;
    }
    if (d.at_most && !d.width_given) {
        ++s.matched;
        if (d.store && fits(a, ScanKind::Text)) ++s.assigned;  // the buffer stays as it was
        return Step::Go;
    }
    return Step::Stop;
}

Step scan_directive(Scan& s, const Directive& d) {
    const ScanArg* a = d.store && d.letter != '\0' ? take_arg(s) : nullptr;
    switch (d.letter) {
        case 'd': return scan_number(s, d, a, false, false);
        case 'D': return scan_number(s, d, a, false, true);
        case 'f': return scan_number(s, d, a, true, false);
        case 'F': return scan_number(s, d, a, true, true);
        case 'n':
            ++s.matched;
            if (d.store) store_int(s, a, s.cursor - s.start);
            return Step::Go;
        case '(': return scan_list(s, d, a);
        case '\0': return Step::Go;  // no directive: nothing happens
        default: return scan_run(s, d, a);
    }
}

// A pattern space: one or more blanks, all taken.
Step scan_blanks(Scan& s) {
    int k = 0;
    while (text_has(s, k) && is_blank(text_char(s, k))) ++k;
    if (k == 0) return Step::Stop;
    s.cursor += k;
    return Step::Go;
}

Step scan_literal(Scan& s, char c) {
    if (char_at(s, 0) != static_cast<unsigned char>(c)) return Step::Stop;
    ++s.cursor;
    return Step::Go;
}

}  // namespace

int scan(parse_param* param, const char* pat, const ScanArg* args, int nargs) {
    param->len = param->matched = param->assigned = param->done = 0;
    if (pat[0] == '\0' || param->off >= param->length) return -1;
    Scan s{param->ptr, param->length, param->off, param->off, args, nargs};
    const char* p = pat;
    bool stopped = false;
    while (*p != '\0' && !stopped) {
        Step step;
        if (*p == ' ') {
            ++p;
            step = scan_blanks(s);
        } else if (*p == '%') {
            Directive d;
            p = read_directive(p + 1, d);
            step = scan_directive(s, d);
        } else {
            step = scan_literal(s, *p++);
        }
        stopped = step == Step::Stop;
    }
    param->done = stopped ? 0 : 1;
    param->len = s.cursor - param->off;
    param->matched = s.matched;
    param->assigned = s.assigned;
    return s.matched;
}

}  // namespace scanp_reference
