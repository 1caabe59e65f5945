// Pattern scanner; see scanp.h.
//
// A pattern is cut into its elements (a literal character, a run of blanks, a directive)
// once: the decoders scan with the same few dozen patterns, string literals, millions of
// times, so each pattern's elements are kept in a small cache under the pattern's address,
// with a copy of its text that must still equal the pattern at that address for the entry to
// serve. With the elements at hand, a scan first asks whether the character at the offset can
// begin the first element at all: most scans of a decoder are candidates that fail there.
// A pattern the cache cannot hold is cut into elements as it is read, by the same code, and
// reading stops at the first element that fails. Every read of the pattern stops at its
// terminator, and every read of the text stops at the text's length.
#include "scanp.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "mess.h"
#include "string.h"

namespace {

constexpr M_type SCANP_TRACE = 0x80000000u;  // the scanner's debug sub-level
constexpr int SCANP_WORD_MAX = 80;           // the s directive's own limit
constexpr int EXACT_DIGITS_MAX = 9;          // digits that always make an int
// Room for a float field in the rare case that it has to be converted a second time.
constexpr int SCANP_FLOAT_COPY = 1024;

// Patterns kept cut into elements, and how far a pattern may go to be kept.
constexpr int SCANP_CACHE_BITS = 8;
constexpr int SCANP_CACHE_SLOTS = 1 << SCANP_CACHE_BITS;
constexpr int SCANP_CACHE_PROBES = 8;      // slots looked at for one pattern
constexpr int SCANP_CACHED_TEXT_MAX = 63;  // characters of a pattern kept
constexpr int SCANP_CACHED_ELEMENTS = 16;  // elements of a pattern kept
constexpr int SCANP_SHORT_COMPARE = 8;     // pattern characters compared in place
constexpr int SCANP_LIST_MAX = 12;         // alternatives of a list held with their lengths
constexpr int SCANP_ALT_LENGTH_MAX = 255;  // characters of an alternative so held

using scanp_detail::Directive;  // its miss text is cut to SCANP_MISS_MAX characters here
using scanp_detail::find_close;
using scanp_detail::letter_kind;

enum class ElementKind : unsigned char {
    literal,    // one character that must stand at the cursor
    blanks,     // a pattern space: one blank or more
    directive,  // a directive with one of the scanner's letters
    no_effect,  // a directive with any other letter: nothing happens, the letter is read next
};

using CharSet = scanp_detail::ScanChars;
using scanp_detail::is_line_blank;

// One element of a pattern. Its pointers lead into the pattern it was cut from.
// (The records of this file have no member initializers, so that the cache needs no
// start-up code and takes memory only where it is used; FRESH_ELEMENT holds the values an
// element starts from.)
struct Element {
    ElementKind kind;
    char literal;
    ScanKind stores;  // a directive: the kind of its destination
    Directive d;
    const char* list;   // ( [: the first character after the opening one
    const char* close;  // ( [: the closing character; null when there is none
    const char* after;  // where the pattern goes on after the element
    const char* last;   // the last character read to cut it (maybe the terminator)
    // ( lists: the number of alternatives and their lengths, or -1 when the list is too long
    // to be held so and is read at every scan.
    int alternatives;
    unsigned char alt_len[SCANP_LIST_MAX];
    CharSet members;  // [ sets: the characters the set takes ("^" applied)
};

// An element before its pattern is read.
constexpr Element FRESH_ELEMENT = [] {
    Element e{};
    e.alternatives = -1;
    return e;
}();

// A pattern cut into elements. The pointers of its elements hold while the pattern at key
// still reads as text.
struct Program {
    const char* key;  // the pattern's address; null for a free slot
    char text[SCANP_CACHED_TEXT_MAX + 1];
    int count;
    Element elements[SCANP_CACHED_ELEMENTS];
    CharSet first;  // characters at which the first element can succeed
    int first_len;  // characters of text read to cut the first element
};

Program cache[SCANP_CACHE_SLOTS]{};  // patterns cut into elements, by the hash of their address

// A pattern space and the w directive take the blanks of is_blank_or_eol; the W directive
// takes them without the newline (is_line_blank).

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

// How a scan knows its destinations' kinds: checked as each directive is reached (a pattern
// known only at run time), or proven where the pattern was written (scanp_pattern), which
// spares the decoders' millions of scans the test.
enum class Kinds { checked, proven };

// The next destination when the caller gave one of the kind; null when it gave none or one
// of another kind (the directive then fails). The destination is used up either way.
template <Kinds kinds>
const ScanArg* take_arg(Scan& s, ScanKind kind) {
    if (s.next_arg >= s.nargs) return nullptr;
    const ScanArg* a = &s.args[s.next_arg++];
    if constexpr (kinds == Kinds::checked)
        if (a->kind != kind) return nullptr;
    return a;
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

// The store functions are given the destination take_arg found fitting.
void store_int(Scan& s, const ScanArg* a, int value) {
    *static_cast<int*>(a->ptr) = value;
    ++s.assigned;
}

void store_float(Scan& s, const ScanArg* a, float value) {
    *static_cast<float*>(a->ptr) = value;
    ++s.assigned;
}

// Stores n characters cut to fit the destination; terminated unless raw (the c directive).
void store_text(Scan& s, const ScanArg* a, const char* from, int n, bool raw) {
    if (a->ptr == nullptr || a->size == 0) return;
    char* to = static_cast<char*>(a->ptr);
    size_t room = raw ? a->size : a->size - 1;
    size_t count = static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room;
    memcpy(to, from, count);
    if (!raw) to[count] = '\0';
    ++s.assigned;
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
// (the directive matched) or passes the directive over; fail ends the scan. (Out of line:
// it is the rare case, and inlined it costs the number directives' common case registers.)
[[gnu::noinline]] Step missing_number(Scan& s, const Directive& d, const ScanArg* a,
                                      bool is_float) {
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
    bool negative;
    long long magnitude;  // of the digits, grown no further once beyond the int range
};

// The decimal value of an integer field, held at the int range.
int int_value(const NumberField& f) {
    long long value = f.negative ? -f.magnitude : f.magnitude;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int skip_spaces(const Scan& s, int i, int lim) {
    while (i < lim && is_space(s.text[i])) ++i;
    return i;
}

// (Templates on the two choices, so that each letter gets a loop of its own.)
template <bool spaced, bool is_float>
NumberField read_number(const Scan& s, const Directive& d) {
    int lim = field_limit(s, d.width);
    int i = spaced ? skip_spaces(s, s.cur, lim) : s.cur;
    NumberField f{i, i, i, 0, false, 0};
    if (i < lim && s.text[i] == '-') {
        f.negative = true;
        ++i;
    }
    bool dot = false;
    while (i < lim) {
        char c = s.text[i];
        if (is_digit(c)) {
            ++f.digits;
            if (f.magnitude <= INT_MAX) f.magnitude = f.magnitude * 10 + (c - '0');
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
template <bool spaced, bool is_float>
Step scan_number(Scan& s, const Directive& d, const ScanArg* a) {
    NumberField f = read_number<spaced, is_float>(s, d);
    if (f.digits == 0) return missing_number(s, d, a, is_float);
    if (!accept_length(d, f.field_end - s.cur)) return Step::fail;
    ++s.matched;
    if (d.store) {
        if (is_float)
            store_float(s, a, to_float(s.text + f.num_begin, s.text + f.num_end));
        else
            store_int(s, a, int_value(f));
    }
    s.cur = f.field_end;
    return Step::ok;
}

// The common case of a d field of exact width: the width's characters, an optional "-"
// first, all digits. Read here at a fraction of the general reading's cost (the same value,
// cursor and counts); false, with nothing done, for any other field, which the general
// reading then takes.
inline bool exact_digits(Scan& s, const Directive& d, const ScanArg* a) {
    if (!d.has_width || d.at_most || d.width < 1 || d.width > EXACT_DIGITS_MAX || s.end - s.cur < d.width)
        return false;
    const char* p = s.text + s.cur;
    const bool negative = p[0] == '-';
    int value = 0;
    for (int i = negative ? 1 : 0; i < d.width; ++i) {
        if (!is_digit(p[i])) return false;
        value = value * 10 + (p[i] - '0');
    }
    if (negative && d.width == 1) return false;  // a lone "-" holds no digit
    ++s.matched;
    if (d.store) store_int(s, a, negative ? -value : value);
    s.cur += d.width;
    return true;
}

// Calls try_one(alternative, length) for each alternative of the list of e in order until it
// returns true; whether one did.
template <class Fn>
bool for_each_alternative(const Element& e, Fn try_one) {
    const char* alt = e.list;
    if (e.alternatives >= 0) {
        for (int k = 0; k < e.alternatives; ++k) {
            if (try_one(alt, e.alt_len[k])) return true;
            alt += e.alt_len[k] + 1;
        }
        return false;
    }
    for (;;) {
        const char* end = alt;
        while (end < e.close && *end != '|') ++end;
        if (try_one(alt, static_cast<int>(end - alt))) return true;
        if (end == e.close) return false;
        alt = end + 1;
    }
}

// "(" alt "|" alt ... ")": the first alternative that the text at the cursor begins with.
Step scan_alternatives(Scan& s, const Element& e, const ScanArg* a) {
    const Directive& d = e.d;
    const char* text = s.text + s.cur;
    const int room = s.end - s.cur;
    auto try_one = [&](const char* alt, int n) {
        if (n > room || (n > 0 && text[0] != alt[0])) return false;
        for (int k = 1; k < n; ++k)
            if (text[k] != alt[k]) return false;
        ++s.matched;
        if (d.store) store_text(s, a, alt, n, false);
        s.cur += n;
        return true;
    };
    if (for_each_alternative(e, try_one)) return Step::ok;
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
        if (d.store) ++s.assigned;
        return Step::ok;
    }
    return Step::fail;
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
Step scan_set(Scan& s, const Element& e, const ScanArg* a) {
    int lim = field_limit(s, e.d.width);
    int i = run_end(s, lim, [&](char c) { return e.members.test(static_cast<unsigned char>(c)); });
    return take_run(s, e.d, a, i, false);
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
        case 'w': return take_run(s, d, a, run_end(s, lim, is_blank_or_eol), false);
        default: return take_run(s, d, a, run_end(s, lim, is_line_blank), false);  // W
    }
}

// Runs a directive element; false when it failed.
template <Kinds kinds>
inline bool scan_directive(Scan& s, const Element& e) {
    const Directive& d = e.d;
    const ScanArg* a = nullptr;
    if (d.store) {
        a = take_arg<kinds>(s, e.stores);
        if (a == nullptr) return false;
    }
    switch (d.letter) {
        case 'd':
            if (exact_digits(s, d, a)) return true;
            return scan_number<false, false>(s, d, a) == Step::ok;
        case 'D': return scan_number<true, false>(s, d, a) == Step::ok;
        case 'f': return scan_number<false, true>(s, d, a) == Step::ok;
        case 'F': return scan_number<true, true>(s, d, a) == Step::ok;
        case 'n':
            ++s.matched;
            if (d.store) store_int(s, a, s.cur - s.start);
            return true;
        case '(':
            // An unclosed list never matches.
            return e.close != nullptr && scan_alternatives(s, e, a) == Step::ok;
        case '[':
            return e.close != nullptr && scan_set(s, e, a) == Step::ok;
        default:
            return scan_run(s, d, a) == Step::ok;
    }
}

// Runs one element at the cursor; false when it failed.
template <Kinds kinds>
bool scan_element(Scan& s, const Element& e) {
    switch (e.kind) {
        case ElementKind::blanks:
            if (s.cur >= s.end || !is_blank_or_eol(s.text[s.cur])) return false;
            while (s.cur < s.end && is_blank_or_eol(s.text[s.cur])) ++s.cur;
            return true;
        case ElementKind::literal:
            if (s.cur >= s.end || s.text[s.cur] != e.literal) return false;
            ++s.cur;
            return true;
        case ElementKind::no_effect:
            return true;
        default:
            return scan_directive<kinds>(s, e);
    }
}

// Notes the lengths of the alternatives of a closed list, when they are few and short.
void measure_alternatives(Element& e) {
    int count = 0;
    for (const char* alt = e.list;; ++count) {
        const char* end = alt;
        while (end < e.close && *end != '|') ++end;
        if (count == SCANP_LIST_MAX || end - alt > SCANP_ALT_LENGTH_MAX) return;
        e.alt_len[count] = static_cast<unsigned char>(end - alt);
        if (end == e.close) break;
        alt = end + 1;
    }
    e.alternatives = count + 1;
}

// Cuts the element that begins at p (not the terminator) into e; returns where the pattern
// goes on after it.
const char* cut_element(const char* p, Element& e) {
    e = FRESH_ELEMENT;
    e.last = p;
    if (*p == ' ') {
        e.kind = ElementKind::blanks;
        return e.after = p + 1;
    }
    if (*p != '%') {
        e.literal = *p;
        return e.after = p + 1;
    }
    const char* letter = scanp_detail::read_directive(p + 1, e.d);
    if (e.d.miss.size() > static_cast<size_t>(SCANP_MISS_MAX))
        e.d.miss = e.d.miss.substr(0, SCANP_MISS_MAX);
    e.last = letter;
    if (!letter_kind(e.d.letter, e.stores)) {
        e.kind = ElementKind::no_effect;
        return e.after = letter;
    }
    e.kind = ElementKind::directive;
    e.after = letter + 1;
    if (e.d.letter == '(' || e.d.letter == '[') {
        e.list = letter + 1;
        e.close = find_close(e.list, e.d.letter == '(' ? ')' : ']');
        // An unclosed list was read to the terminator.
        e.last = e.close != nullptr ? e.close : e.list + strlen(e.list);
        if (e.close != nullptr) e.after = e.close + 1;
        if (e.close != nullptr && e.d.letter == '(') measure_alternatives(e);
        // A set's members are read once, not at every character scanned.
        if (e.close != nullptr && e.d.letter == '[')
            e.members = scanp_detail::set_members(e.list, e.close);
    }
    return e.after;
}

// Cuts pat into slot; false (the slot left free) when the pattern is too long to keep.
bool compile(Program& slot, const char* pat) {
    slot.key = nullptr;
    size_t n = strnlen(pat, SCANP_CACHED_TEXT_MAX + 1);
    if (n > SCANP_CACHED_TEXT_MAX) return false;
    int count = 0;
    for (const char* p = pat; *p != '\0'; ++count) {
        if (count == SCANP_CACHED_ELEMENTS) return false;
        p = cut_element(p, slot.elements[count]);
    }
    memcpy(slot.text, pat, n + 1);
    slot.count = count;
    slot.first = scanp_detail::first_chars(pat);
    slot.first_len = static_cast<int>(slot.elements[0].last - pat) + 1;
    slot.key = pat;
    return true;
}

size_t slot_of(const char* pat) {
    constexpr uint64_t SCANP_HASH_FACTOR = 0x9E3779B97F4A7C15u;  // Fibonacci hashing
    uint64_t address = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pat));
    return static_cast<size_t>((address * SCANP_HASH_FACTOR) >> (64 - SCANP_CACHE_BITS));
}

Program& probed_slot(size_t home, int i) {
    return cache[(home + static_cast<size_t>(i)) & (SCANP_CACHE_SLOTS - 1)];
}

// The slot kept under the address pat, or null.
Program* kept_slot(const char* pat) {
    size_t home = slot_of(pat);
    for (int i = 0; i < SCANP_CACHE_PROBES; ++i) {
        Program& slot = probed_slot(home, i);
        if (slot.key == pat) return &slot;
    }
    return nullptr;
}

// Whether pat still begins with the text of the kept pattern's first element. The comparison
// stops at the first difference, so it never reads past the end of pat.
bool same_first_element(const Program& kept, const char* pat) {
    if (kept.first_len > SCANP_SHORT_COMPARE)
        return strncmp(kept.text, pat, static_cast<size_t>(kept.first_len)) == 0;
    for (int i = 0; i < kept.first_len; ++i)
        if (kept.text[i] != pat[i]) return false;
    return true;
}

// The pattern cut into elements: the kept slot while the text at its address is still the
// text it was cut from, else cut now (into the kept slot, a free one or the first probed);
// null when the pattern cannot be kept. (Inlined into each of the two scans, which would
// otherwise both pay a call for it.)
[[gnu::always_inline]] inline const Program* program_of(const char* pat, Program* kept) {
    if (kept != nullptr && strcmp(kept->text, pat) == 0) return kept;
    Program* slot = kept;
    size_t home = slot_of(pat);
    for (int i = 0; slot == nullptr && i < SCANP_CACHE_PROBES; ++i)
        if (probed_slot(home, i).key == nullptr) slot = &probed_slot(home, i);
    if (slot == nullptr) slot = &probed_slot(home, 0);
    return compile(*slot, pat) ? slot : nullptr;
}

// Runs one element and writes its trace line; false when it failed.
template <Kinds kinds>
bool step(Scan& s, const Element& e, bool trace) {
    if (!scan_element<kinds>(s, e)) return false;
    if (trace) MESS_print(SCANP_TRACE, "     :%s:%.50s:\n", e.after, s.text + s.cur);
    return true;
}

// Runs the elements of the pattern from the cursor until one fails; returns where the
// pattern stops (its terminator when all of it was used).
template <Kinds kinds>
const char* run_elements(Scan& s, const Program* program, const char* pat, bool trace) {
    if (program != nullptr) {
        int i = 0;
        while (i < program->count && step<kinds>(s, program->elements[i], trace)) ++i;
        return i == 0 ? pat : program->elements[i - 1].after;
    }
    Element cut;  // the element of a pattern the cache cannot hold
    const char* p = pat;
    while (*p != '\0') {
        cut_element(p, cut);
        if (!step<kinds>(s, cut, trace)) break;
        p = cut.after;
    }
    return p;
}

// Runs the pattern (cut into program, or read as it goes when program is null) from the
// offset and sets the results.
template <Kinds kinds>
int run_program(parse_param* param, const Program* program, const char* pat, const ScanArg* args,
                int nargs, bool trace) {
    Scan s{param->ptr, param->length, param->off, param->off, args, nargs};
    const char* p = run_elements<kinds>(s, program, pat, trace);
    param->done = *p == '\0' ? 1 : 0;
    param->len = s.cur - s.start;
    param->assigned = s.assigned;
    param->matched = s.matched;
    if (trace)
        MESS_print(SCANP_TRACE, "SCANP:%.50s:%s:%d:%d:%d:%d:%d\n", s.text + s.start, pat,
                   param->off, param->len, param->done, param->assigned, param->matched);
    return param->matched;
}

template <Kinds kinds>
int scan(parse_param* param, const char* pat, const ScanArg* args, int nargs) {
    param->len = param->assigned = param->matched = param->done = 0;
    if (pat == nullptr || *pat == '\0' || param->ptr == nullptr || param->off < 0 ||
        param->off >= param->length)
        return -1;
    const bool trace = MESS_check(SCANP_TRACE) != 0;
    const auto at = static_cast<unsigned char>(param->ptr[param->off]);
    // A scan whose first element fails ends with nothing matched and nothing stored, so while
    // the kept pattern still begins with the same element, a character that element cannot
    // begin with settles the scan before the rest of the pattern is compared.
    Program* kept = kept_slot(pat);
    // A checked pattern is a constant text: what is kept under its address is the pattern.
    if constexpr (kinds == Kinds::proven) {
        if (kept != nullptr) {
            if (!trace && !kept->first.test(at)) return 0;
            return run_program<kinds>(param, kept, pat, args, nargs, trace);
        }
    }
    if (kept != nullptr && !trace && !kept->first.test(at) && same_first_element(*kept, pat))
        return 0;
    const Program* program = program_of(pat, kept);
    if (program != nullptr && !trace && !program->first.test(at)) return 0;
    return run_program<kinds>(param, program, pat, args, nargs, trace);
}

}  // namespace

int scanp_args(parse_param* param, const char* pat, const ScanArg* args, int nargs) {
    return scan<Kinds::checked>(param, pat, args, nargs);
}

int scanp_detail::scan_proven(parse_param* param, const char* pat, const ScanArg* args,
                              int nargs, Proof) {
    return scan<Kinds::proven>(param, pat, args, nargs);
}

int scanp_set(parse_param* param, const char* str) {
    param->ptr = str;
    param->length = str == nullptr ? 0 : static_cast<int>(strlen(str));
    param->off = 0;
    return 1;
}
