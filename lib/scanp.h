// Pattern scanner: recognises one group of a text (or a short run of groups) at a movable
// position and takes values out of it, under a small pattern language: literal characters,
// a space for a run of blanks, and "%" directives with optional "*" (no store), "<" (width
// is a maximum), a width, a miss text "!...!" and a letter (d D f F n ( [ A N s S c w W).
//
// A parse_param holds the text and the current offset; scanp tries one pattern at the
// offset, stores what it recognised and reports counts, without moving the offset; the caller
// accepts a match by comparing the result with the pattern's directive count and then moves
// on with scanp_inc. The scanner never writes to the text and allocates nothing; its only
// state is a fixed cache of the patterns it has read, cut into their elements, under each
// pattern's address (an entry serves only while the text at that address is unchanged).
//
// Destinations are typed and sized: each argument after the pattern is an int* (d D n), a
// float* (f F), or a character array (all other directives), whose size comes from its type;
// an explicit scan_buf{pointer, size} serves where no array type is at hand. A bare char*
// does not compile. A string field longer than its destination is cut to fit (the text
// consumed stays the same).
//
// A text destination without room (no pointer, or size 0) is never written.
//
// scanp takes its pattern as a scanp_pattern, which a string literal becomes at compile time:
// the pattern is read there, and a destination of the wrong kind, too few or too many
// destinations, a list "(" or set "[" without its closing character, or a miss text without
// its closing "!" or over 19 characters does not compile; the scan then does not test the
// destinations' kinds again. A table of patterns holds scanp_pattern entries (checked where
// the table is written), or plain texts that a static_assert checks with scanp_fits.
// scanp_runtime and scanp_args take a pattern known only at run time: there a storing
// directive whose destination is missing or of the wrong kind fails the scan where it stands
// (it is not matched, and nothing after it is tried); destinations beyond the pattern's are
// left alone.
//
// Limits: a directive without a width reads up to 999 characters (c: exactly 1), s at most
// 80; a miss text counts up to 19 characters; a list or set without its closing character
// never matches (the scan stops there). No scan reads past the end of its pattern or its
// text. The trace lines are built only when the debug sub-level 0x80000000 is on.
#ifndef JOX_SCANP_H
#define JOX_SCANP_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>

#include "string.h"

typedef struct {
    const char* ptr;  // the text (the caller's; not changed)
    int length;       // its length
    int off;          // where the next scan begins
    int len;          // last scan: characters consumed from off
    int assigned;     // last scan: values stored
    int matched;      // last scan: directives matched
    int done;         // last scan: 1 when the whole pattern was used
} parse_param;

inline constexpr int SCANP_MISSING = -9999;
inline constexpr int SCANP_DEFAULT_WIDTH = 999;  // width of a directive written without one
inline constexpr int SCANP_MISS_MAX = 19;        // characters of a miss text
// Written widths are read up to this value; no text handed to the scanner is longer.
inline constexpr int SCANP_WIDTH_LIMIT = 1000000;

enum class ScanKind : unsigned char { Int, Float, Text };

// One destination as the scanner sees it.
struct ScanArg {
    ScanKind kind;
    void* ptr;
    size_t size;  // bytes available (text destinations)
};

// An explicit text destination of size bytes.
struct scan_buf {
    char* ptr;
    size_t size;
};

template <class... D>
class scanp_pattern;

namespace scanp_detail {

// One directive as written: "%", then "*", "<", width, "!miss!" and the letter. (No member
// initializers: the scanner keeps directives in a cache that needs no start-up code.)
struct Directive {
    bool store;    // no "*"
    bool at_most;  // "<"
    bool has_width;
    int width;
    bool has_miss;
    bool miss_closed;       // the miss text ends with its "!"
    std::string_view miss;  // as written, whatever its length
    char letter;
};

// Reads "*", "<", the width, the miss text and the letter that follow a "%" into d; returns
// where the letter stands (the terminator when the pattern ends first). A c without a width
// takes exactly one character. Reads nothing past the terminator.
constexpr const char* read_directive(const char* p, Directive& d) {
    d = Directive{true, false, false, SCANP_DEFAULT_WIDTH, false, false, {}, '\0'};
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
        d.has_miss = true;
        d.miss_closed = *p == '!';
        d.miss = std::string_view(m, static_cast<size_t>(p - m));
        if (d.miss_closed) ++p;
    }
    d.letter = *p;
    if (d.letter == 'c' && !d.has_width) {
        d.width = 1;
        d.has_width = true;
        d.at_most = false;
    }
    return p;
}

// A set of text characters (all 256 byte values), usable at compile time.
struct ScanChars {
    uint64_t bits[4];
    constexpr bool test(unsigned char c) const { return ((bits[c >> 6] >> (c & 63)) & 1) != 0; }
    constexpr void add(unsigned char c) { bits[c >> 6] |= uint64_t{1} << (c & 63); }
    constexpr void add_all() {
        for (uint64_t& b : bits) b = ~uint64_t{0};
    }
    template <class Pred>
    constexpr void add_if(Pred member) {
        for (int c = 0; c < 256; ++c)
            if (member(static_cast<char>(c))) add(static_cast<unsigned char>(c));
    }
};

// What the W directive takes: blanks without the newline.
constexpr bool is_line_blank(char c) { return c == ' ' || c == '\r' || c == '\t'; }

// Whether c belongs to the set written in [m, close): "/A" letters, "/N" digits, "//" and
// any other "/x" a slash; the character after a "/" is then examined as a member itself.
constexpr bool set_member(char c, const char* m, const char* close) {
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

// The characters a closed set "[...]" takes, "^" applied; list is the first character after
// the "[", close the "]".
constexpr ScanChars set_members(const char* list, const char* close) {
    ScanChars set{};
    const bool invert = list < close && *list == '^';
    const char* first = list + (invert ? 1 : 0);
    set.add_if([&](char c) { return set_member(c, first, close) != invert; });
    return set;
}

// Whether letter is one of the scanner's, and the kind of value it stores. Any other letter
// makes a directive without effect, which takes no destination.
constexpr bool letter_kind(char letter, ScanKind& kind) {
    switch (letter) {
        case 'd': case 'D': case 'n':
            kind = ScanKind::Int;
            return true;
        case 'f': case 'F':
            kind = ScanKind::Float;
            return true;
        case '(': case '[': case 'A': case 'N': case 's': case 'S': case 'c': case 'w': case 'W':
            kind = ScanKind::Text;
            return true;
        default:
            return false;
    }
}

// Where the list that opens at p closes (the first close character), or null when the
// pattern ends first.
constexpr const char* find_close(const char* p, char close) {
    while (*p != '\0' && *p != close) ++p;
    return *p == close ? p : nullptr;
}

// The characters at the cursor with which a directive can succeed (letter at letter, as
// read_directive read it into d): a superset, and every character where it can succeed
// without taking one or be passed over.
constexpr ScanChars directive_first_chars(const Directive& d, const char* letter) {
    ScanChars set{};
    switch (d.letter) {
        case 'd': case 'D': case 'f': case 'F':
            if (d.has_miss) {  // a field without digits is passed over
                set.add_all();
                return set;
            }
            set.add_if(is_digit);
            set.add('-');
            if (d.letter == 'f' || d.letter == 'F') set.add('.');
            if (d.letter == 'D' || d.letter == 'F') set.add_if(is_space);
            return set;
        case '(': {
            const char* close = find_close(letter + 1, ')');
            if (close == nullptr) return set;  // never matches
            if (d.has_miss || (d.at_most && !d.has_width)) {
                set.add_all();
                return set;
            }
            for (const char* alt = letter + 1;; ++alt) {
                if (alt == close || *alt == '|') {  // an empty alternative matches anywhere
                    set.add_all();
                    return set;
                }
                set.add(static_cast<unsigned char>(*alt));
                while (alt < close && *alt != '|') ++alt;
                if (alt == close) return set;
            }
        }
        case '[': {
            const char* close = find_close(letter + 1, ']');
            return close != nullptr ? set_members(letter + 1, close) : set;
        }
        case 'A': set.add_if(is_letter); return set;
        case 'N': set.add_if(is_digit); return set;
        case 's': set.add_if([](char c) { return !is_space(c); }); return set;
        case 'w': set.add_if(is_blank_or_eol); return set;
        case 'W': set.add_if(is_line_blank); return set;
        default: set.add_all(); return set;  // n S c, and letters without effect
    }
}

// The characters at the cursor with which pattern pat can get past its first element: a scan
// at any other character ends with nothing matched, consumed or stored (len, assigned,
// matched and done all 0). Every character for an empty pattern (which scans nothing).
constexpr ScanChars first_chars(const char* pat) {
    ScanChars set{};
    if (*pat == '\0') {
        set.add_all();
    } else if (*pat == ' ') {
        set.add_if(is_blank_or_eol);
    } else if (*pat != '%') {
        set.add(static_cast<unsigned char>(*pat));
    } else {
        Directive d{};
        const char* letter = read_directive(pat + 1, d);
        set = directive_first_chars(d, letter);
    }
    return set;
}

enum class PatternFault : unsigned char {
    none,
    unclosed_list,       // "(" or "[" without its closing character
    unclosed_miss_text,  // "!" without its closing "!"
    long_miss_text,      // over SCANP_MISS_MAX characters
    too_few_destinations,
    wrong_destination_kind,
    too_many_destinations,
};

// The first fault of pattern pat read against destinations of the given kinds, in the order
// the scanner reads the pattern.
constexpr PatternFault pattern_fault(const char* pat, const ScanKind* kinds, size_t count) {
    size_t next = 0;
    for (const char* p = pat; *p != '\0';) {
        if (*p++ != '%') continue;
        Directive d{};
        const char* letter = read_directive(p, d);
        if (d.has_miss && !d.miss_closed) return PatternFault::unclosed_miss_text;
        if (d.miss.size() > static_cast<size_t>(SCANP_MISS_MAX))
            return PatternFault::long_miss_text;
        ScanKind kind{};
        if (!letter_kind(d.letter, kind)) {
            p = letter;  // the letter is read as the next element
            continue;
        }
        p = letter + 1;
        if (d.letter == '(' || d.letter == '[') {
            const char* close = find_close(p, d.letter == '(' ? ')' : ']');
            if (close == nullptr) return PatternFault::unclosed_list;
            p = close + 1;
        }
        if (!d.store) continue;
        if (next == count) return PatternFault::too_few_destinations;
        if (kinds[next++] != kind) return PatternFault::wrong_destination_kind;
    }
    return next < count ? PatternFault::too_many_destinations : PatternFault::none;
}

// Each named for a fault of a pattern checked at compile time: calling one there, where only
// constexpr functions may run, is the error, and the compiler's message names the fault.
inline void pattern_has_an_unclosed_list_or_set() {}
inline void pattern_has_an_unclosed_miss_text() {}
inline void pattern_has_a_miss_text_over_19_characters() {}
inline void pattern_has_more_storing_directives_than_destinations() {}
inline void pattern_directive_and_its_destination_differ_in_kind() {}
inline void pattern_has_fewer_storing_directives_than_destinations() {}

consteval void report(PatternFault fault) {
    switch (fault) {
        case PatternFault::none: break;
        case PatternFault::unclosed_list: pattern_has_an_unclosed_list_or_set(); break;
        case PatternFault::unclosed_miss_text: pattern_has_an_unclosed_miss_text(); break;
        case PatternFault::long_miss_text: pattern_has_a_miss_text_over_19_characters(); break;
        case PatternFault::too_few_destinations:
            pattern_has_more_storing_directives_than_destinations();
            break;
        case PatternFault::wrong_destination_kind:
            pattern_directive_and_its_destination_differ_in_kind();
            break;
        case PatternFault::too_many_destinations:
            pattern_has_fewer_storing_directives_than_destinations();
            break;
    }
}

// A destination argument as a pattern's type names it: int*, float*, or scan_buf for any
// text destination (a char array or a scan_buf). Any other type stays as it is and is
// refused by scanp_pattern.
template <class T>
struct dest {
    using type = T;
};
template <size_t N>
struct dest<char[N]> {
    using type = scan_buf;
};
template <class A>
using dest_t = typename dest<std::remove_cvref_t<A>>::type;

template <class T>
inline constexpr bool is_dest = false;
template <>
inline constexpr bool is_dest<int*> = true;
template <>
inline constexpr bool is_dest<float*> = true;
template <>
inline constexpr bool is_dest<scan_buf> = true;

template <class T>
inline constexpr ScanKind kind_of = ScanKind::Text;
template <>
inline constexpr ScanKind kind_of<int*> = ScanKind::Int;
template <>
inline constexpr ScanKind kind_of<float*> = ScanKind::Float;

inline ScanArg to_arg(int* p) { return {ScanKind::Int, p, sizeof(int)}; }
inline ScanArg to_arg(float* p) { return {ScanKind::Float, p, sizeof(float)}; }
template <size_t N>
ScanArg to_arg(char (&buf)[N]) {
    return {ScanKind::Text, buf, N};
}
inline ScanArg to_arg(scan_buf b) { return {ScanKind::Text, b.ptr, b.size}; }
// A pointer to char has no known size: use an array or scan_buf. (A template, so that it
// never wins over the array form through the array-to-pointer conversion.)
template <class P>
    requires std::is_pointer_v<std::remove_reference_t<P>> &&
             std::is_same_v<std::remove_cv_t<std::remove_pointer_t<std::remove_reference_t<P>>>,
                            char>
ScanArg to_arg(P&& p) = delete;

// Calls run(args, count) with the destinations as the scanner sees them.
template <class Run, class... A>
int with_args(Run run, A&&... dest) {
    if constexpr (sizeof...(A) == 0) {
        return run(nullptr, 0);
    } else {
        const ScanArg args[] = {to_arg(std::forward<A>(dest))...};
        return run(args, static_cast<int>(sizeof...(A)));
    }
}

// Made only by scanp_pattern: the proof that the destinations of a scan have the kinds its
// pattern was checked against, so that the scan need not test them.
class Proof {
    template <class...>
    friend class ::scanp_pattern;
    constexpr Proof() = default;
};

// scanp_args for destinations whose kinds are proven.
int scan_proven(parse_param* param, const char* pat, const ScanArg* args, int nargs, Proof);

}  // namespace scanp_detail

// Whether pattern pat fits destinations of types D (int*, float*, scan_buf) and is well
// formed; for static_assert over a table of plain pattern texts.
template <class... D>
constexpr bool scanp_fits(const char* pat) {
    constexpr std::array<ScanKind, sizeof...(D)> kinds{scanp_detail::kind_of<D>...};
    return scanp_detail::pattern_fault(pat, kinds.data(), kinds.size()) ==
           scanp_detail::PatternFault::none;
}

// A pattern checked at compile time against destinations of types D, in directive order:
// int* (d D n), float* (f F), scan_buf (any text destination). It holds the pattern's own
// address, under which the scanner keeps what it has read of it.
template <class... D>
class scanp_pattern {
    static_assert((scanp_detail::is_dest<D> && ...),
                  "a destination is an int*, a float*, a char array or a scan_buf");

   public:
    consteval scanp_pattern(const char* pat)
        : text_(pat), first_(scanp_detail::first_chars(pat)) {
        constexpr std::array<ScanKind, sizeof...(D)> kinds{scanp_detail::kind_of<D>...};
        scanp_detail::report(scanp_detail::pattern_fault(pat, kinds.data(), kinds.size()));
    }
    constexpr const char* text() const { return text_; }

    // Scans with destinations of exactly the types the pattern was checked against. A
    // character the pattern cannot begin with settles the scan here, before any call: most
    // of a decoder's candidates fail so.
    template <class... A>
        requires(sizeof...(A) == sizeof...(D) &&
                 (std::is_same_v<scanp_detail::dest_t<A>, D> && ...))
    int scan(parse_param* param, A&&... dest) const {
        const int off = param->off;
        if (off >= 0 && off < param->length &&
            !first_.test(static_cast<unsigned char>(param->ptr[off]))) {
            param->len = param->assigned = param->matched = param->done = 0;
            return 0;
        }
        return scanp_detail::with_args(
            [&](const ScanArg* args, int nargs) {
                return scanp_detail::scan_proven(param, text_, args, nargs, scanp_detail::Proof{});
            },
            std::forward<A>(dest)...);
    }

   private:
    const char* text_;
    scanp_detail::ScanChars first_;  // first_chars of the pattern
};

// Runs pattern pat against the text from off with the given destinations. Returns the count
// of matched directives, or -1 (nothing tried) for an empty pattern or off at the end.
// A storing directive whose destination is missing or of the wrong kind fails there.
int scanp_args(parse_param* param, const char* pat, const ScanArg* args, int nargs);

// scanp_args with the destinations of a pattern known only at run time.
template <class... A>
int scanp_runtime(parse_param* param, const char* pat, A&&... dest) {
    return scanp_detail::with_args(
        [&](const ScanArg* args, int nargs) { return scanp_args(param, pat, args, nargs); },
        std::forward<A>(dest)...);
}

// The scan of scanp_args with a pattern checked against its destinations at compile time;
// the destinations' kinds are not tested again.
template <class... A>
int scanp(parse_param* param, scanp_pattern<scanp_detail::dest_t<A>...> pat, A&&... dest) {
    return pat.scan(param, std::forward<A>(dest)...);
}

int scanp_set(parse_param* param, const char* str);  // 1
// scanp_set for a text whose length (as strlen gives it) is known already.
inline int scanp_set_length(parse_param* param, const char* str, int length) {
    param->ptr = str;
    param->length = str == nullptr ? 0 : length;
    param->off = 0;
    return 1;
}

// (Inline: the decoders move and look at the position around every group.)
inline int scanp_get_off(const parse_param* param) { return param->off; }
// off += len; 1
inline int scanp_inc(parse_param* param) {
    param->off += param->len;
    return 1;
}
// off += off; 1
inline int scanp_inc_off(parse_param* param, int off) {
    param->off += off;
    return 1;
}
// The text at off (held within the text).
inline const char* scanp_str(const parse_param* param) {
    int at = param->off < 0 ? 0 : param->off > param->length ? param->length : param->off;
    return param->ptr + at;
}
// The character at off + the given count; a NUL outside the text.
inline int scanp_char(const parse_param* param, int off) {
    long at = static_cast<long>(param->off) + off;
    if (at < 0 || at >= param->length) return '\0';
    return static_cast<unsigned char>(param->ptr[at]);
}

#endif
