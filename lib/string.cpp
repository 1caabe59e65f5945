// String utilities; see string.h.
#include "string.h"

#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Characters kept by clean_line: 32 to 127.
constexpr unsigned char FIRST_PRINTABLE = 32;
constexpr unsigned char PRINTABLE_COUNT = 96;

using format_detail::FORMAT_DECIMALS_MAX;
using format_detail::FORMAT_FIELD_MAX;
using format_detail::Sink;
using format_detail::Conversion;
constexpr int FORMAT_DEFAULT_DECIMALS = 6;
// A double in fixed notation: sign, 309 integer digits, point and the decimals.
constexpr int FORMAT_NUMBER_SIZE = 400;
// Fixed-point values rounded in integers: up to 18 decimals, below 2^63.
constexpr int FORMAT_EXACT_DECIMALS = 18;
constexpr double FORMAT_EXACT_LIMIT = 9223372036854775808.0;  // 2^63
constexpr int FORMAT_FRACTION_BITS = 52;  // of a double, the leading one not stored
constexpr int FORMAT_EXPONENT_BIAS = 1023;
constexpr int FORMAT_WIDE_BITS = 128;
// Decimals whose scaled 53-bit mantissa stays below 2^63 (10^3 < 2^10), rounded in one word.
constexpr int FORMAT_NARROW_DECIMALS = 3;
constexpr int FORMAT_NARROW_BITS = 64;
constexpr int FORMAT_WIDE_DIGITS = 40;  // digits of a 128-bit number
constexpr uint64_t POW10[FORMAT_EXACT_DECIMALS + 1] = {
    1u, 10u, 100u, 1000u, 10000u, 100000u, 1000000u, 10000000u, 100000000u, 1000000000u,
    10000000000u, 100000000000u, 1000000000000u, 10000000000000u, 100000000000000u,
    1000000000000000u, 10000000000000000u, 100000000000000000u, 1000000000000000000u};

// Lower-cases ASCII letters only, as the C locale does; other bytes (including those that
// are negative as signed chars) stay as they are.
int lower_signed(char c) {
    int v = static_cast<signed char>(c);
    return (v >= 'A' && v <= 'Z') ? v + ('a' - 'A') : v;
}

// A field of at most FORMAT_FIELD_MAX; -1 when the digits go beyond it.
const char* read_field(const char* p, int* value) {
    int v = 0;
    for (; is_digit(*p); ++p) {
        v = v * 10 + (*p - '0');
        if (v > FORMAT_FIELD_MAX) {
            *value = -1;
            return p;
        }
    }
    *value = v;
    return p;
}

// Reads the conversion after a "%" into c; returns the position after it, or null when it
// is not one formatted here (a flag, "*", a length modifier, another letter, a large field).
const char* read_conversion(const char* p, Conversion& c) {
    c = Conversion{};
    if (*p == '0') return nullptr;  // the zero flag, not the first digit of a width
    p = read_field(p, &c.width);
    if (c.width < 0) return nullptr;
    if (*p == '.') {
        p = read_field(p + 1, &c.precision);
        if (c.precision < 0) return nullptr;
    }
    c.letter = *p;
    switch (c.letter) {
        case 'c': case 'd': case 's':
            return p + 1;
        case 'f':
            return c.precision <= FORMAT_DECIMALS_MAX ? p + 1 : nullptr;
        case '%':
            return c.width == 0 && c.precision < 0 ? p + 1 : nullptr;  // a plain "%%" only
        default:
            return nullptr;
    }
}

// Copies the format's text up to its next "%" or its end, where it returns. The text
// between conversions is a few characters: copied as it is read, in one pass.
const char* put_literal(Sink& out, const char* p) {
    const size_t room = out.len + 1 < out.size ? out.size - 1 - out.len : 0;
    char* const w = out.str + out.len;
    size_t i = 0;
    for (char ch; (ch = p[i]) != '\0' && ch != '%'; ++i)
        if (i < room) w[i] = ch;  // beyond the room only counted
    out.len += i;
    return p + i;
}

// The value rounded to decimals as printf rounds it (to the nearest, a tie to the even
// digit, from the exact binary value), worked out in integers: the value is a 53-bit
// mantissa over a power of two. The length written to text, or -1 for a value left to the
// C library (not finite, 2^63 or more, more than FORMAT_EXACT_DECIMALS decimals).
int fixed_exact(double value, int decimals, char* text) {
    if (!std::isfinite(value) || decimals > FORMAT_EXACT_DECIMALS) return -1;
    double magnitude = std::fabs(value);
    if (magnitude >= FORMAT_EXACT_LIMIT) return -1;
    // magnitude = mantissa / 2^shift, from the bits of the double (a subnormal has no
    // leading one and the exponent of the smallest normal).
    const auto bits = std::bit_cast<uint64_t>(magnitude);
    const auto biased = static_cast<int>(bits >> FORMAT_FRACTION_BITS);
    uint64_t mantissa = bits & ((uint64_t{1} << FORMAT_FRACTION_BITS) - 1);
    if (biased != 0) mantissa |= uint64_t{1} << FORMAT_FRACTION_BITS;
    int shift = FORMAT_EXPONENT_BIAS + FORMAT_FRACTION_BITS - (biased != 0 ? biased : 1);
    using Wide = unsigned __int128;
    Wide scaled = static_cast<Wide>(mantissa) * POW10[decimals];  // below 2^113
    Wide rounded = 0;
    if (decimals <= FORMAT_NARROW_DECIMALS && shift > 0 && shift < FORMAT_NARROW_BITS) {
        // A visibility or a pressure: the scaled mantissa is below 2^63 and the shift within
        // 64 bits, so the same rounding is done in one word.
        const uint64_t narrow = mantissa * POW10[decimals];
        uint64_t whole = narrow >> shift;
        const uint64_t rest = narrow & ((uint64_t{1} << shift) - 1);
        const uint64_t half = uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
        rounded = whole;
    } else if (shift <= 0) {
        rounded = scaled << -shift;  // at most 10 places: the magnitude is below 2^63
    } else if (shift < FORMAT_WIDE_BITS - 1) {
        rounded = scaled >> shift;
        Wide rest = scaled & ((static_cast<Wide>(1) << shift) - 1);
        Wide half = static_cast<Wide>(1) << (shift - 1);
        if (rest > half || (rest == half && (rounded & 1) != 0)) ++rounded;
    }  // else below half of the last decimal: 0
    char digits[FORMAT_WIDE_DIGITS];
    int n = 0;
    // Most values fit 64 bits, whose division by ten is far cheaper than the wide one.
    for (; rounded > UINT64_MAX; rounded /= 10)
        digits[n++] = static_cast<char>('0' + static_cast<int>(rounded % 10));
    for (auto narrow = static_cast<uint64_t>(rounded); narrow != 0 || n <= decimals; narrow /= 10)
        digits[n++] = static_cast<char>('0' + static_cast<int>(narrow % 10));
    int len = 0;
    if (std::signbit(value)) text[len++] = '-';
    for (int i = n - 1; i >= 0; --i) {
        text[len++] = digits[i];
        if (i == decimals && decimals > 0) text[len++] = '.';
    }
    return len;
}

}  // namespace

void format_detail::put_fixed(Sink& out, const Conversion& c, double value) {
    char text[FORMAT_NUMBER_SIZE];
    int decimals = c.precision < 0 ? FORMAT_DEFAULT_DECIMALS : c.precision;
    int n = fixed_exact(value, decimals, text);
    if (n < 0) {
        // The exact binary value rounded to the decimals, as printf rounds it.
        auto res =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
        n = static_cast<int>(res.ptr - text);
        if (!std::isfinite(value) || res.ec != std::errc{}) {
            n = snprintf(text, sizeof text, "%.*f", decimals, value);
            n = n < 0 ? 0 : n < FORMAT_NUMBER_SIZE ? n : FORMAT_NUMBER_SIZE - 1;
        }
    }
    out.field(text, static_cast<size_t>(n), c.width);
}

namespace {

// Formats into out while every conversion is one done here; false at the first that is not
// (out then holds a part of the text).
bool format_here(Sink& out, const char* format, va_list args) {
    Conversion c;
    for (const char* p = format;;) {
        p = put_literal(out, p);
        if (*p == '\0') return true;
        p = read_conversion(p + 1, c);
        if (p == nullptr) return false;
        switch (c.letter) {
            case 'd': format_detail::put_int(out, c, va_arg(args, int)); break;
            case 's': format_detail::put_text(out, c, va_arg(args, const char*)); break;
            case 'f': format_detail::put_fixed(out, c, va_arg(args, double)); break;
            case 'c': {
                char ch = static_cast<char>(va_arg(args, int));
                out.field(&ch, 1, c.width);
                break;
            }
            default: out.put('%'); break;
        }
    }
}

}  // namespace

int vformat_string(char* str, size_t size, const char* format, va_list args) {
    Sink out{str, size};
    va_list work;
    va_copy(work, args);
    bool done = format_here(out, format, work);
    va_end(work);
    if (!done) return vsnprintf(str, size, format, args);
    return out.finish();
}

int stricmp(const char* s1, const char* s2) {
    if (s1 == nullptr || s2 == nullptr) return 1;
    while (*s1 != '\0' && *s2 != '\0' && lower_signed(*s1) == lower_signed(*s2)) {
        ++s1;
        ++s2;
    }
    return lower_signed(*s1) - lower_signed(*s2);
}

int strnicmp(const char* s1, const char* s2, int n) {
    if (s1 == nullptr || s2 == nullptr) return 1;
    int i = 0;
    while (i < n - 1 && s1[i] != '\0' && s2[i] != '\0' &&
           lower_signed(s1[i]) == lower_signed(s2[i]))
        ++i;
    return lower_signed(s1[i]) - lower_signed(s2[i]);
}

int clamped_int(const char* s) {
    long n = strtol(s, nullptr, 10);  // strtol itself saturates at the limits of long
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
}

bool equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

bool begins_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equal_nocase(text.substr(0, prefix.size()), prefix);
}

bool begins_nocase(const char* text, std::string_view prefix) {
    for (size_t i = 0; i < prefix.size(); ++i)
        if (text[i] == '\0' || ascii_lower(text[i]) != ascii_lower(prefix[i])) return false;
    return true;
}

size_t copy_cut(char* dst, size_t size, std::string_view src) {
    if (size == 0) return 0;
    size_t n = src.size() < size - 1 ? src.size() : size - 1;
    memmove(dst, src.data(), n);
    dst[n] = '\0';
    return n;
}

bool copy_fits(char* dst, size_t size, std::string_view src) {
    if (src.size() >= size) {
        if (size > 0) dst[0] = '\0';
        return false;
    }
    memmove(dst, src.data(), src.size());
    dst[src.size()] = '\0';
    return true;
}

int strmcat(char* s1, const char* s2, int m) {
    if (s1 == nullptr || s2 == nullptr) return 0;
    size_t l1 = strlen(s1);
    if (m < 0 || l1 >= static_cast<size_t>(m)) return 0;
    size_t room = static_cast<size_t>(m) - l1;
    size_t l2 = strnlen(s2, room);
    memcpy(s1 + l1, s2, l2);
    s1[l1 + l2] = '\0';
    return 1;
}

int parse_string(const char* string, char delim, int* argc, char*** argv) {
    *argc = 0;
    *argv = nullptr;
    if (string == nullptr || *string == '\0') return -1;
    size_t len = strlen(string);
    char* copy = static_cast<char*>(malloc(len + 1));
    if (copy == nullptr) return -1;
    memcpy(copy, string, len + 1);
    while (len > 0 && copy[len - 1] == delim) copy[--len] = '\0';
    int count = 1;
    for (size_t i = 0; i < len; ++i)
        if (copy[i] == delim) ++count;
    char** items = static_cast<char**>(malloc(sizeof(char*) * static_cast<size_t>(count)));
    if (items == nullptr) {
        free(copy);
        return -1;
    }
    int n = 0;
    items[n++] = copy;
    for (size_t i = 0; i < len; ++i) {
        if (copy[i] == delim) {
            copy[i] = '\0';
            items[n++] = copy + i + 1;
        }
    }
    *argc = count;
    *argv = items;
    return 0;
}

int free_parsed_array(int argc, char** argv) {
    if (argc != 0 && argv != nullptr) {
        free(argv[0]);
        free(argv);
    }
    return 0;
}

int wsstrip_string(char* string) {
    if (string == nullptr) return 1;
    char* out = string;
    for (const char* in = string; *in != '\0'; ++in)
        if (*in != '\r' && *in != '\n') *out++ = *in;
    *out = '\0';
    return 1;
}

int wstrim_string(char* string) {
    if (string == nullptr) return 1;
    wsstrip_string(string);
    size_t len = strlen(string);
    while (len > 0 && string[len - 1] == ' ') string[--len] = '\0';
    return 1;
}

int clean_line(char* line) {
    if (line == nullptr || *line == '\0') return 0;
    auto* s = reinterpret_cast<unsigned char*>(line);
    size_t i = strlen(line);
    while (i > 0 && s[i - 1] < 32) s[--i] = '\0';
    if (i == 0) return 1;
    if (s[i - 1] >= 128) s[i - 1] = ' ';
    // Written without a branch, so that the compiler can treat many characters at once.
    for (size_t k = 0; k + 1 < i; ++k)
        s[k] = static_cast<unsigned char>(s[k] - FIRST_PRINTABLE) < PRINTABLE_COUNT ? s[k] : ' ';
    return 1;
}

int up_string(char* string) {
    if (string == nullptr || *string == '\0') return 0;
    for (char* p = string; *p != '\0'; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - ('a' - 'A'));
    return 1;
}

int low_string(char* string) {
    if (string == nullptr || *string == '\0') return 0;
    for (char* p = string; *p != '\0'; ++p)
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + ('a' - 'A'));
    return 1;
}

int fill_string(char* string, char tar, char fill) {
    if (string == nullptr) return 0;
    for (char* p = string; *p != '\0'; ++p)
        if (*p == tar) *p = fill;
    return 0;
}

int string_is_blank(const char* string) {
    if (string == nullptr) return 1;
    for (const auto* p = reinterpret_cast<const unsigned char*>(string); *p != '\0'; ++p)
        if (*p > 32) return 0;
    return 1;
}
