// String utilities shared by every module: character classes, skipping white space,
// case-insensitive comparison, bounded copies and appends, splitting a delimited list,
// in-place cleaning of lines read from files or typed at a prompt, and formatting.
//
// Character classes are those of the C locale, on ASCII only: a byte of 128 or more is in
// none of them. Case is ignored for the ASCII letters only. The bounded copies have two
// contracts, named apart: copy_cut cuts a text that does not fit (for texts that are read,
// shown or compared), copy_fits refuses it whole (for names, where a cut would name another
// file).
//
// All functions work on NUL-terminated 8-bit strings owned by the caller and change them in
// place; only parse_string allocates (one copy of the input and one pointer array, released
// with free_parsed_array). None of them writes past the terminator of its input, except
// strmcat, which never lets its target grow beyond the stated bound, and the copies and
// vformat_string, which write within the size they are given.
#ifndef JOX_STRING_H
#define JOX_STRING_H

#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>

// ---- Character classes ----

// '0' to '9'.
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
// 'A' to 'Z'.
constexpr bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
// 'A' to 'Z' and 'a' to 'z'.
constexpr bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// White space as isspace and the "%s" and "%d" conversions of scanf read it: space, tab,
// newline, vertical tab, form feed, carriage return.
constexpr bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
// A blank as isblank reads it: space or tab only.
constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }
// A blank or a line end: space, tab, carriage return, newline; not the vertical tab and the
// form feed of is_space. These end a word of a report.
constexpr bool is_blank_or_eol(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// The character with an ASCII capital lowered; every other byte as it is.
constexpr char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
// Whether every character of s is a digit; true for an empty s.
constexpr bool all_digits(std::string_view s) {
    for (char c : s)
        if (!is_digit(c)) return false;
    return true;
}

// The first character at or after s that is not white space (is_space); the terminator at
// the latest.
inline const char* skip_spaces(const char* s) {
    while (is_space(*s)) ++s;
    return s;
}
// The first character at or after s that is not a blank (is_blank).
inline const char* skip_blanks(const char* s) {
    while (is_blank(*s)) ++s;
    return s;
}

// ---- Numbers in text ----

// The decimal number at the start of s as atoi reads it (white space, a sign, digits; 0
// without a digit), held within int: a number beyond it gives the nearest limit, where
// atoi's result would be undefined.
int clamped_int(const char* s);

// ---- Comparison ----

// Case-insensitive comparison: 0 when equal, else the difference of the lower-cased
// characters where the strings part; 1 when either pointer is null.
int stricmp(const char* s1, const char* s2);
// As stricmp over at most n characters; n of 1 or less compares the first character only.
// This is the "does this word begin with the keyword" test of the command line and messages.
int strnicmp(const char* s1, const char* s2, int n);
// Whether the texts are equal, case ignored.
bool equal_nocase(std::string_view a, std::string_view b);
// Whether text begins with prefix, case ignored (an empty prefix begins every text). The
// second form reads text only up to its terminator or the length of prefix.
bool begins_nocase(std::string_view text, std::string_view prefix);
bool begins_nocase(const char* text, std::string_view prefix);
// Whether text (NUL-terminated) begins with prefix, case sensitive. Inline and without a
// library call: the prefixes are a few characters and most differ at the first; the
// terminator of text differs from every character of a prefix, so text is not read past it.
constexpr bool begins_with(const char* text, std::string_view prefix) {
    for (size_t i = 0; i < prefix.size(); ++i)
        if (text[i] != prefix[i]) return false;
    return true;
}

// ---- Bounded copies ----

// Copies src into dst of size bytes, cut to size - 1 characters, and terminates it (nothing is
// written when size is 0). dst and src may overlap. Returns the characters copied.
size_t copy_cut(char* dst, size_t size, std::string_view src);
template <size_t N>
size_t copy_cut(char (&dst)[N], std::string_view src) {
    return copy_cut(dst, N, src);
}
// Copies src into dst of size bytes when the whole text fits (at most size - 1 characters);
// otherwise refuses it: dst becomes empty (when size is not 0) and the result is false. dst
// and src may overlap.
bool copy_fits(char* dst, size_t size, std::string_view src);
template <size_t N>
bool copy_fits(char (&dst)[N], std::string_view src) {
    return copy_fits(dst, N, src);
}

// ---- Lists and lines ----

// Appends s2 to s1 so that s1 never holds more than m characters (s1 must hold m + 1
// bytes). Returns 1 when something (maybe a part) was appended, 0 when s1 was already full
// or a pointer is null.
int strmcat(char* s1, const char* s2, int m);

// Splits string at delim into a list of items pointing into one private copy. Trailing
// delimiters give no items; empty items elsewhere are kept. Returns 0, or -1 (with an empty
// list) for a null or empty string or when memory runs out.
int parse_string(const char* string, char delim, int* argc, char*** argv);
// Releases a list made by parse_string; a list of count 0 is left alone. Returns 0.
int free_parsed_array(int argc, char** argv);

// Removes every carriage return and line feed, closing the gaps. Returns 1.
int wsstrip_string(char* string);
// As wsstrip_string, then removes trailing spaces. Returns 1.
int wstrim_string(char* string);
// Cuts trailing control characters and turns other control characters and bytes of 128 or
// more into spaces. Returns 0 for a null or empty line, else 1.
int clean_line(char* line);
// ASCII case conversion in place; 0 for a null or empty string, else 1.
int up_string(char* string);
int low_string(char* string);
// Replaces every tar by fill in place. Returns 0.
int fill_string(char* string, char tar, char fill);
// 1 when the string is null, empty or holds only characters with codes 1 to 32.
int string_is_blank(const char* string);

// ---- Formatting ----

// Formats as vsnprintf does, byte for byte: at most size - 1 characters and a terminator into
// str (nothing when size is 0); returns the length of the whole formatted text. The
// conversions c, d, s and f with a width and a precision, and %%, are formatted here at a
// fraction of the C library's cost; a format with any other conversion or flag goes to
// vsnprintf whole.
int vformat_string(char* str, size_t size, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

// ---- Formatting checked when the program is compiled ----
//
// format_checked(str, size, "winds from %d deg at %d kts, ", dir, speed) formats exactly as
// vformat_string does, byte for byte, for a format written as a literal: the format is read
// by the compiler into its literal runs and conversions, so that nothing of it is read again
// when it runs, and a conversion whose argument is of another kind (an int for %s, a text for
// %d), a missing or extra argument, or a conversion vformat_string leaves to the C library,
// does not compile. The error names the fault (format_argument_of_another_kind and so on).

namespace format_detail {

// Widths and precisions formatted here; a larger one sends a format to vsnprintf.
constexpr int FORMAT_FIELD_MAX = 4096;
// Decimals of an f conversion formatted here.
constexpr int FORMAT_DECIMALS_MAX = 60;
// glibc prints a null string as "(null)" when the precision leaves room for it.
constexpr std::string_view FORMAT_NULL_TEXT = "(null)";
constexpr int FORMAT_INT_DIGITS = 10;  // digits of the largest int magnitude
constexpr size_t SHORT_COPY = 16;      // copied by a loop rather than a call

// One conversion as written after its "%": width, precision (-1 when not written) and
// letter.
struct Conversion {
    int width = 0;
    int precision = -1;
    char letter = '\0';
};

// The formatted text as it grows: characters beyond size - 1 are counted, not written.
struct Sink {
    char* str;
    size_t size;
    size_t len = 0;

    void put(char c) {
        if (len + 1 < size) str[len] = c;
        ++len;
    }
    [[gnu::always_inline]] void put(const char* text, size_t n) {
        if (n <= SHORT_COPY && len + n < size) {  // most fields: a few characters
            for (size_t i = 0; i < n; ++i) str[len + i] = text[i];
            len += n;
            return;
        }
        if (len + 1 < size) {
            size_t room = size - 1 - len;
            memcpy(str + len, text, n < room ? n : room);
        }
        len += n;
    }
    void pad(int count, char c) {
        if (count <= 0) return;
        auto n = static_cast<size_t>(count);
        if (n <= SHORT_COPY && len + n < size) {  // a zero or a blank or two, as a rule
            for (size_t i = 0; i < n; ++i) str[len + i] = c;
            len += n;
            return;
        }
        if (len + 1 < size) {
            size_t room = size - 1 - len;
            memset(str + len, c, n < room ? n : room);
        }
        len += n;
    }
    // text right-aligned in a field of width.
    void field(const char* text, size_t n, int width) {
        if (static_cast<size_t>(width) > n) pad(width - static_cast<int>(n), ' ');
        put(text, n);
    }
    // The whole length, as the formatting functions return it, after the terminator.
    int finish() {
        if (size > 0) str[len < size ? len : size - 1] = '\0';
        return len > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(len);
    }
};

// The two digits of 0 to 99, for writing numbers two digits at a time.
constexpr auto DIGIT_PAIRS = [] {
    struct Table {
        char pair[100][2] = {};
    } t;
    for (int i = 0; i < 100; ++i) {
        t.pair[i][0] = static_cast<char>('0' + i / 10);
        t.pair[i][1] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

// How many decimal digits magnitude has (0 has one).
inline int decimal_digits(unsigned magnitude) {
    int n = 1;
    for (; magnitude >= 10000; magnitude /= 10000) n += 4;
    return n + (magnitude >= 10) + (magnitude >= 100) + (magnitude >= 1000);
}

// The n digits of magnitude ending before end, two at a time.
inline void digits_before(char* end, unsigned magnitude, int n) {
    for (; n >= 2; n -= 2, magnitude /= 100) {
        end -= 2;
        memcpy(end, DIGIT_PAIRS.pair[magnitude % 100], 2);
    }
    if (n == 1) end[-1] = static_cast<char>('0' + magnitude % 10);
}

inline void put_int(Sink& out, const Conversion& c, int value) {
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    // "%.0d" prints no digit for 0.
    int n = magnitude == 0 && c.precision == 0 ? 0 : decimal_digits(magnitude);
    const int zeros = c.precision > n ? c.precision - n : 0;
    const int total = (value < 0 ? 1 : 0) + zeros + n;
    const int blanks = c.width > total ? c.width - total : 0;
    if (out.len + static_cast<size_t>(blanks + total) < out.size) {
        // The whole field fits: written in place, without a bound to test for each part. A
        // pad is no character or one, as a rule: not worth a call.
        char* w = out.str + out.len;
        if (blanks == 1) *w++ = ' ';
        else for (int i = 0; i < blanks; ++i) *w++ = ' ';
        if (value < 0) *w++ = '-';
        if (zeros == 1) *w++ = '0';
        else for (int i = 0; i < zeros; ++i) *w++ = '0';
        digits_before(w + n, magnitude, n);
        out.len = static_cast<size_t>(w + n - out.str);
        return;
    }
    char digits[FORMAT_INT_DIGITS];
    digits_before(digits + n, magnitude, n);
    out.pad(blanks, ' ');
    if (value < 0) out.put('-');
    out.pad(zeros, '0');
    out.put(digits, static_cast<size_t>(n));
}

inline void put_text(Sink& out, const Conversion& c, const char* text) {
    if (text == nullptr) {
        bool fits = c.precision < 0 || static_cast<size_t>(c.precision) >= FORMAT_NULL_TEXT.size();
        text = fits ? FORMAT_NULL_TEXT.data() : "";
    }
    size_t n = c.precision < 0 ? strlen(text) : strnlen(text, static_cast<size_t>(c.precision));
    out.field(text, n, c.width);
}

// Rounds as printf does (to the nearest, a tie to the even digit, from the exact value).
void put_fixed(Sink& out, const Conversion& c, double value);

inline void put_char(Sink& out, const Conversion& c, int value) {
    char ch = static_cast<char>(value);
    out.field(&ch, 1, c.width);
}

// What a conversion letter takes, and what an argument gives.
enum class Kind { none, integer, text, real };

template <typename A>
consteval Kind kind_of() {
    using T = std::remove_cvref_t<std::decay_t<A>>;
    if constexpr (std::is_same_v<T, bool>) return Kind::none;
    else if constexpr (std::is_integral_v<T> && sizeof(T) <= sizeof(int)) return Kind::integer;
    else if constexpr (std::is_floating_point_v<T> && sizeof(T) <= sizeof(double)) return Kind::real;
    else if constexpr (std::is_same_v<T, char*> || std::is_same_v<T, const char*>) return Kind::text;
    else return Kind::none;
}

constexpr Kind kind_of_letter(char letter) {
    switch (letter) {
        case 'c': case 'd': return Kind::integer;
        case 's': return Kind::text;
        case 'f': return Kind::real;
        default: return Kind::none;
    }
}

// A run of the format's literal text, then the conversion of the next argument (letter
// '\0': no conversion; "%%" is read as a run of its one "%").
struct Piece {
    unsigned char begin = 0;
    unsigned char length = 0;
    short width = 0;
    signed char precision = -1;
    char letter = '\0';
};
constexpr int PIECES_MAX = 16;
constexpr size_t FORMAT_LENGTH_MAX = 255;  // a piece's place fits its byte

// Not constant expressions: reached while the compiler reads a format, each stops it there
// and names the fault.
void format_argument_of_another_kind();
void format_argument_missing();
void format_argument_left_over();
void format_conversion_not_formatted_here();
void format_too_long();
void format_too_many_pieces();

}  // namespace format_detail

template <typename... A>
struct checked_format {
    const char* text;
    format_detail::Piece pieces[format_detail::PIECES_MAX];
    int count = 0;
    bool plain = true;  // no "%%": piece i holds the conversion of argument i

    template <size_t N>
    consteval checked_format(const char (&format)[N]) : text(format), pieces{} {
        using namespace format_detail;
        constexpr Kind kinds[sizeof...(A) + 1] = {kind_of<A>()..., Kind::none};
        if (N - 1 > FORMAT_LENGTH_MAX) format_too_long();
        size_t used = 0;  // arguments taken
        size_t i = 0;
        while (i < N - 1 || count == 0) {
            if (count == PIECES_MAX) format_too_many_pieces();
            Piece& piece = pieces[count++];
            piece.begin = static_cast<unsigned char>(i);
            while (i < N - 1 && format[i] != '%') ++i;
            if (i + 1 < N - 1 && format[i + 1] == '%') {
                piece.length = static_cast<unsigned char>(i + 1 - piece.begin);  // the one "%"
                plain = false;
                i += 2;
                continue;
            }
            piece.length = static_cast<unsigned char>(i - piece.begin);
            if (i == N - 1) break;
            i = read(format, i + 1, piece);
            if (used == sizeof...(A)) format_argument_missing();
            if (kind_of_letter(piece.letter) != kinds[used]) format_argument_of_another_kind();
            ++used;
        }
        if (used != sizeof...(A)) format_argument_left_over();
    }

private:
    // The conversion after a "%" at i, as vformat_string reads one it formats itself.
    template <size_t N>
    static consteval size_t read(const char (&format)[N], size_t i, format_detail::Piece& piece) {
        using namespace format_detail;
        if (format[i] == '0') format_conversion_not_formatted_here();  // the zero flag
        int width = 0;
        for (; i < N - 1 && is_digit(format[i]); ++i) width = width * 10 + (format[i] - '0');
        if (width > FORMAT_FIELD_MAX) format_conversion_not_formatted_here();
        int precision = -1;
        if (i < N - 1 && format[i] == '.') {
            precision = 0;
            for (++i; i < N - 1 && is_digit(format[i]); ++i)
                precision = precision * 10 + (format[i] - '0');
            if (precision > FORMAT_DECIMALS_MAX) format_conversion_not_formatted_here();
        }
        if (i == N - 1 || kind_of_letter(format[i]) == Kind::none)
            format_conversion_not_formatted_here();
        piece.width = static_cast<short>(width);
        piece.precision = static_cast<signed char>(precision);
        piece.letter = format[i];
        return i + 1;
    }
};

namespace format_detail {

inline void put_arg(Sink& out, const Conversion& c, int value) {
    if (c.letter == 'c') put_char(out, c, value);
    else put_int(out, c, value);
}
inline void put_arg(Sink& out, const Conversion& c, const char* value) { put_text(out, c, value); }
inline void put_arg(Sink& out, const Conversion& c, double value) { put_fixed(out, c, value); }

// The argument as the conversion of its kind reads it (as a variadic call would pass it).
template <typename A>
auto as_passed(const A& value) {
    if constexpr (kind_of<A>() == Kind::integer) return static_cast<int>(value);
    else if constexpr (kind_of<A>() == Kind::real) return static_cast<double>(value);
    else return static_cast<const char*>(value);
}

}  // namespace format_detail

namespace format_detail {

// The runs and conversions of a format without "%%", where run i comes before argument i
// and a last run may follow. Written to be folded into the caller: every piece is then a
// constant of the format, and a run is a copy of a known length.
template <typename... A, size_t... I>
[[gnu::always_inline]] inline void put_plain(Sink& out, const checked_format<A...>& format,
                                             std::index_sequence<I...>, const A&... args) {
    ((out.put(format.text + format.pieces[I].begin, format.pieces[I].length),
      put_arg(out, Conversion{format.pieces[I].width, format.pieces[I].precision, format.pieces[I].letter},
              as_passed(args))),
     ...);
    if (format.count > static_cast<int>(sizeof...(A))) {
        const Piece& tail = format.pieces[sizeof...(A)];
        out.put(format.text + tail.begin, tail.length);
    }
}

// Any format: a "%%" makes a run of its own, with no argument after it.
template <typename... A>
void put_any(Sink& out, const checked_format<A...>& format, const A&... args) {
    int k = 0;
    [[maybe_unused]] auto up_to_conversion = [&]() -> Conversion {
        while (format.pieces[k].letter == '\0') {
            out.put(format.text + format.pieces[k].begin, format.pieces[k].length);
            ++k;
        }
        const Piece& piece = format.pieces[k++];
        out.put(format.text + piece.begin, piece.length);
        return Conversion{piece.width, piece.precision, piece.letter};
    };
    (put_arg(out, up_to_conversion(), as_passed(args)), ...);
    for (; k < format.count; ++k)
        out.put(format.text + format.pieces[k].begin, format.pieces[k].length);
}

}  // namespace format_detail

// Formats as vformat_string would with the same format and arguments (see above).
template <typename... A>
[[gnu::always_inline]] inline int format_checked(
    char* str, size_t size, const checked_format<std::type_identity_t<A>...>& format,
    const A&... args) {
    using namespace format_detail;
    Sink out{str, size};
    if (format.plain)
        put_plain<A...>(out, format, std::index_sequence_for<A...>{}, args...);
    else
        put_any<A...>(out, format, args...);
    return out.finish();
}

#endif
