// String utilities shared by every module: case-insensitive comparison, bounded appends,
// splitting a delimited list, and in-place cleaning of lines read from files or typed at
// a prompt.
//
// All functions work on NUL-terminated 8-bit strings owned by the caller and change them in
// place; only parse_string allocates (one copy of the input and one pointer array, released
// with free_parsed_array). None of them writes past the terminator of its input, except
// strmcat, which never lets its target grow beyond the stated bound, and vformat_string,
// which writes within the size it is given.
#ifndef JOX_STRING_H
#define JOX_STRING_H

#include <cstdarg>
#include <cstddef>

// Case-insensitive comparison: 0 when equal, else the difference of the lower-cased
// characters where the strings part; 1 when either pointer is null.
int stricmp(const char* s1, const char* s2);
// As stricmp over at most n characters; n of 1 or less compares the first character only.
// This is the "does this word begin with the keyword" test of the command line and messages.
int strnicmp(const char* s1, const char* s2, int n);

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

// Formats as vsnprintf does, byte for byte: at most size - 1 characters and a terminator into
// str (nothing when size is 0); returns the length of the whole formatted text. The
// conversions c, d, s and f with a width and a precision, and %%, are formatted here at a
// fraction of the C library's cost; a format with any other conversion or flag goes to
// vsnprintf whole.
int vformat_string(char* str, size_t size, const char* format, va_list args);

#endif
