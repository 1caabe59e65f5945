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
// Destinations are type-checked and sized: each argument after the pattern is an int*
// (d D n), a float* (f F), or a character array (all other directives), whose size comes
// from its type; an explicit scan_buf{pointer, size} serves where no array type is at hand.
// A bare char* does not compile. A string field longer than its destination is cut to fit
// (the text consumed stays the same); a destination of the wrong kind, or one missing at the
// end of the list, is never written and not counted as assigned.
//
// Limits: a directive without a width reads up to 999 characters (c: exactly 1), s at most
// 80; a miss text counts up to 19 characters; a list "(" or set "[" without its closing
// character never matches (the scan stops there). No scan reads past the end of its pattern
// or its text. The trace lines are built only when the debug sub-level 0x80000000 is on.
#ifndef JOX_SCANP_H
#define JOX_SCANP_H

#include <cstddef>
#include <type_traits>
#include <utility>

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

namespace scanp_detail {
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
}  // namespace scanp_detail

// Runs pattern pat against the text from off with the given destinations. Returns the count
// of matched directives, or -1 (nothing tried) for an empty pattern or off at the end.
int scanp_args(parse_param* param, const char* pat, const ScanArg* args, int nargs);

template <class... A>
int scanp(parse_param* param, const char* pat, A&&... dest) {
    if constexpr (sizeof...(A) == 0) {
        return scanp_args(param, pat, nullptr, 0);
    } else {
        const ScanArg args[] = {scanp_detail::to_arg(std::forward<A>(dest))...};
        return scanp_args(param, pat, args, static_cast<int>(sizeof...(A)));
    }
}

int scanp_set(parse_param* param, const char* str);    // 1
int scanp_get_off(const parse_param* param);
int scanp_inc(parse_param* param);                     // off += len; 1
int scanp_inc_off(parse_param* param, int off);        // off += off; 1
const char* scanp_str(const parse_param* param);       // the text at off
int scanp_char(const parse_param* param, int off);     // the character at off + given count

#endif
