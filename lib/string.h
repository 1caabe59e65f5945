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

#include <cstdarg>
#include <cstddef>
#include <string_view>

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

#endif
