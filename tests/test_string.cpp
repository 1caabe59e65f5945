// String utilities: comparison, bounded appends, list splitting and line cleaning.
#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "string.h"

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

std::vector<std::string> split(const char* text, char delim, int* result) {
    int argc = 0;
    char** argv = nullptr;
    *result = parse_string(text, delim, &argc, &argv);
    std::vector<std::string> items(argv, argv + argc);
    free_parsed_array(argc, argv);
    return items;
}

// vformat_string into a buffer of size bytes (filled with '#' first); the text, whose tail
// must be untouched, and the returned length.
std::string vformat(size_t size, int* length, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// The C library's text for the same call: the contract is to be identical to it.
std::string reference(size_t size, int* length, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

std::string vformat(size_t size, int* length, const char* format, ...) {
    std::vector<char> buf(size + 8, '#');
    va_list args;
    va_start(args, format);
    *length = vformat_string(buf.data(), size, format, args);
    va_end(args);
    for (size_t i = size; i < buf.size(); ++i) EXPECT_EQ(buf[i], '#') << "written past " << size;
    return size == 0 ? std::string(buf.data(), 0) : std::string(buf.data());
}

std::string reference(size_t size, int* length, const char* format, ...) {
    std::vector<char> buf(size + 1, '#');
    va_list args;
    va_start(args, format);
    *length = vsnprintf(buf.data(), size, format, args);
    va_end(args);
    return size == 0 ? std::string() : std::string(buf.data());
}

// The C library's text for a format handed on from a table (not checked at each call).
int vformat_reference(char* buf, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buf, size, format, args);
    va_end(args);
    return n;
}

}  // namespace

TEST(StringCompare, IgnoresCaseAndOrders) {
    struct Case {
        const char* a;
        const char* b;
        int expected_sign;
    };
    const Case cases[] = {
        {"ABC", "abc", 0}, {"abc", "abd", -1}, {"abd", "ABC", 1}, {"ab", "abc", -1},
        {"", "", 0},       {"KJFK", "kjfk", 0},
        // The ends of the alphabet, and the characters beside them, which are no letters.
        {"AZ", "az", 0},   {"@", "`", -1},      {"[", "{", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(sign(stricmp(c.a, c.b)), c.expected_sign);
    }
    // Bytes above 127 are not letters: they are compared as they are.
    EXPECT_NE(stricmp("\xE9", "\xC9"), 0);
}

TEST(StringCompare, NullIsUnequal) {
    EXPECT_EQ(stricmp(nullptr, "a"), 1);
    EXPECT_EQ(stricmp("a", nullptr), 1);
    EXPECT_EQ(stricmp(nullptr, nullptr), 1);
    EXPECT_EQ(strnicmp(nullptr, nullptr, 3), 1);
}

TEST(StringCompare, PrefixTestOverNCharacters) {
    struct Case {
        const char* a;
        const char* b;
        int n;
        bool equal;
    };
    const Case cases[] = {
        {"lineX", "line", 4, true},   {"li", "line", 4, false},  {"LINE=30", "line", 4, true},
        {"x", "y", 1, false},         {"xa", "xb", 1, true},     {"xa", "xb", 0, true},
        {"mess", "messages", 4, true}, {"mes", "mess", 4, false}, {"nopage", "nopage", 6, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b + " n=" + std::to_string(c.n));
        EXPECT_EQ(strnicmp(c.a, c.b, c.n) == 0, c.equal);
    }
}

TEST(StringAppend, NeverGrowsBeyondTheBound) {
    char buf[13] = "0123456789";
    EXPECT_EQ(strmcat(buf, "abcde", 12), 1);
    EXPECT_STREQ(buf, "0123456789ab");
    EXPECT_EQ(strmcat(buf, "z", 12), 0);
    EXPECT_STREQ(buf, "0123456789ab");
    char small[8] = "ab";
    EXPECT_EQ(strmcat(small, "cd", 7), 1);
    EXPECT_STREQ(small, "abcd");
    EXPECT_EQ(strmcat(nullptr, "x", 3), 0);
    EXPECT_EQ(strmcat(small, nullptr, 7), 0);
}

// Each class has the meaning the C library gives it in the C locale (the program never
// changes the locale), over every byte value; the four blanks are their own class.
TEST(StringClasses, AsTheCLocaleReadsThem) {
    for (int v = 0; v < 256; ++v) {
        const char c = static_cast<char>(v);
        SCOPED_TRACE("byte " + std::to_string(v));
        EXPECT_EQ(is_digit(c), isdigit(v) != 0);
        EXPECT_EQ(is_upper(c), isupper(v) != 0);
        EXPECT_EQ(is_letter(c), isalpha(v) != 0);
        EXPECT_EQ(is_space(c), isspace(v) != 0);
        EXPECT_EQ(is_blank(c), isblank(v) != 0);
        EXPECT_EQ(is_blank_or_eol(c), v == ' ' || v == '\t' || v == '\r' || v == '\n');
        EXPECT_EQ(ascii_lower(c), static_cast<char>(tolower(v)));
    }
}

TEST(StringClasses, DigitsAndSkipping) {
    EXPECT_TRUE(all_digits("0123456789"));
    EXPECT_TRUE(all_digits(""));  // nothing that is not a digit
    EXPECT_FALSE(all_digits("12a4"));
    EXPECT_FALSE(all_digits("12 "));
    const char text[] = " \t\v\f\r\nX";
    EXPECT_EQ(skip_spaces(text), text + 6);
    EXPECT_EQ(skip_blanks(text), text + 2);  // stops at the vertical tab
    const char only[] = "  ";
    EXPECT_EQ(skip_spaces(only), only + 2);  // the terminator at the latest
}

// As atoi reads a number, but held within int where atoi's result would be undefined.
TEST(StringNumbers, ClampedAtTheLimitsOfInt) {
    struct Case {
        const char* text;
        int want;
    };
    const Case cases[] = {
        {"12", 12},
        {" \t-7 knots", -7},
        {"+3", 3},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(clamped_int(c.text), c.want);
    }
}

TEST(StringCompare, EqualAndBeginsIgnoringCase) {
    struct Case {
        const char* text;
        const char* other;
        bool equal;
        bool begins;  // text begins with other
    };
    const Case cases[] = {
        {"KJFK", "kjfk", true, true},    {"KJFK", "kj", false, true},  {"kj", "KJFK", false, false},
        {"ua:KJFK", "UA:", false, true}, {"", "", true, true},         {"abc", "", false, true},
        {"\xC9", "\xE9", false, false},  {"abd", "abc", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.other);
        EXPECT_EQ(equal_nocase(c.text, c.other), c.equal);
        EXPECT_EQ(begins_nocase(std::string_view(c.text), c.other), c.begins);
        EXPECT_EQ(begins_nocase(c.text, c.other), c.begins);
    }
    // The pointer form stops at the text's terminator, not at the length of the prefix.
    const char shorter[8] = {'K', 'J', '\0', 'F', 'K', '\0'};
    EXPECT_FALSE(begins_nocase(shorter, "KJFK"));
    EXPECT_TRUE(begins_nocase(shorter, "kj"));
}

// copy_cut cuts what does not fit; copy_fits refuses it whole. Neither writes past size.
TEST(StringCopy, CutOrRefuseWithinTheSize) {
    struct Case {
        const char* src;
        size_t size;
        const char* cut;   // copy_cut's result
        const char* fits;  // copy_fits's result; null: refused (dst emptied)
    };
    const Case cases[] = {
        {"abc", 4, "abc", "abc"}, {"abcd", 4, "abc", nullptr}, {"", 1, "", ""},
        {"a", 1, "", nullptr},    {"abcdef", 2, "a", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.src) + " into " + std::to_string(c.size));
        char buf[8];
        memset(buf, '#', sizeof buf);
        EXPECT_EQ(copy_cut(buf, c.size, c.src), strlen(c.cut));
        EXPECT_STREQ(buf, c.cut);
        for (size_t i = c.size; i < sizeof buf; ++i) EXPECT_EQ(buf[i], '#');
        memset(buf, '#', sizeof buf);
        EXPECT_EQ(copy_fits(buf, c.size, c.src), c.fits != nullptr);
        EXPECT_STREQ(buf, c.fits != nullptr ? c.fits : "");
        for (size_t i = c.size; i < sizeof buf; ++i) EXPECT_EQ(buf[i], '#');
    }
    char none[1] = {'#'};
    EXPECT_EQ(copy_cut(none, 0, "x"), 0u);
    EXPECT_FALSE(copy_fits(none, 0, "x"));
    EXPECT_EQ(none[0], '#');  // a size of 0 writes nothing, not even the terminator

    char array[4];
    EXPECT_EQ(copy_cut(array, std::string_view("KJFK-long", 9)), 3u);  // the size from the type
    EXPECT_STREQ(array, "KJF");
    EXPECT_FALSE(copy_fits(array, "KJFK"));
    EXPECT_STREQ(array, "");
    // Overlapping texts: a name copied over itself from a later position.
    char name[] = "../abcdef";
    EXPECT_TRUE(copy_fits(name, sizeof name, name + 3));
    EXPECT_STREQ(name, "abcdef");
    char line[] = "  word";
    EXPECT_EQ(copy_cut(line, 4, line + 2), 3u);
    EXPECT_STREQ(line, "wor");
}

TEST(StringSplit, ItemsAsTheListGivesThem) {
    struct Case {
        const char* text;
        char delim;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"out1,fi=log", ',', {"out1", "fi=log"}},
        {"a, b", ',', {"a", " b"}},
        {"a,,b", ',', {"a", "", "b"}},
        {",a", ',', {"", "a"}},
        {"a,b,,", ',', {"a", "b"}},
        {",,,", ',', {""}},
        {"one", ',', {"one"}},
        {"a\nb", '\n', {"a", "b"}},
        {"/usr/local", '/', {"", "usr", "local"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int result = -5;
        EXPECT_EQ(split(c.text, c.delim, &result), c.items);
        EXPECT_EQ(result, 0);
    }
}

TEST(StringSplit, EmptyOrNullIsRefused) {
    int argc = 7;
    char** argv = reinterpret_cast<char**>(&argc);
    EXPECT_EQ(parse_string("", ',', &argc, &argv), -1);
    EXPECT_EQ(argc, 0);
    EXPECT_EQ(argv, nullptr);
    EXPECT_EQ(parse_string(nullptr, ',', &argc, &argv), -1);
    EXPECT_EQ(free_parsed_array(argc, argv), 0);  // a count of 0 is never freed
}

TEST(StringClean, StripAndTrim) {
    char a[] = "KORD  \r\n";
    wstrim_string(a);
    EXPECT_STREQ(a, "KORD");
    char b[] = "a\rb\nc  ";
    wsstrip_string(b);
    EXPECT_STREQ(b, "abc  ");
    char c[] = "\r\n";
    wstrim_string(c);
    EXPECT_STREQ(c, "");
}

TEST(StringClean, CleanLineCutsControlsAndBlanksOthers) {
    struct Case {
        std::string in;
        std::string out;
        int result;
    };
    const Case cases[] = {
        {"KJFK 121130Z\r\n", "KJFK 121130Z", 1},
        {"a\tb", "a b", 1},
        {"\x01" "FT\x03", " FT", 1},
        {"abc\xC3", "abc ", 1},
        {"x\xC3y  ", "x y  ", 1},
        {"\r\n", "", 1},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        std::vector<char> buf(c.in.begin(), c.in.end());
        buf.push_back('\0');
        EXPECT_EQ(clean_line(buf.data()), c.result);
        EXPECT_EQ(std::string(buf.data()), c.out);
    }
    EXPECT_EQ(clean_line(nullptr), 0);
}

TEST(StringCase, UpLowFillAndBlank) {
    char s[] = "Kjfk-1a";
    EXPECT_EQ(up_string(s), 1);
    EXPECT_STREQ(s, "KJFK-1A");
    EXPECT_EQ(low_string(s), 1);
    EXPECT_STREQ(s, "kjfk-1a");
    char empty[] = "";
    EXPECT_EQ(up_string(empty), 0);
    EXPECT_EQ(low_string(nullptr), 0);
    char blanks[] = "a b c";
    fill_string(blanks, ' ', '_');
    EXPECT_STREQ(blanks, "a_b_c");

    EXPECT_EQ(string_is_blank(nullptr), 1);
    EXPECT_EQ(string_is_blank(""), 1);
    EXPECT_EQ(string_is_blank(" \t\r"), 1);
    EXPECT_EQ(string_is_blank(" x "), 0);
    EXPECT_EQ(string_is_blank("\xA0"), 0);
}

TEST(StringFormat, ConversionsAsTheCLibraryWritesThem) {
    int n = 0;
    struct Case {
        const char* name;
        std::string got;
        const char* want;
    };
    const Case cases[] = {
        {"text", vformat(64, &n, "winds calm, "), "winds calm, "},
        {"ints", vformat(64, &n, "from %d to %d ft", 1200, -30), "from 1200 to -30 ft"},
        {"zero padded", vformat(64, &n, "%2.2d:%2.2dZ", 5, 0), "05:00Z"},
        {"negative padded", vformat(64, &n, "[%2.2d][%5.3d]", -5, -7), "[-05][ -007]"},
        {"width", vformat(64, &n, "[%2d][%2d]", 7, 123), "[ 7][123]"},
        {"no digit for zero", vformat(64, &n, "[%.0d][%3.0d]", 0, 0), "[][   ]"},
        {"int range", vformat(64, &n, "%d %d", INT_MIN, INT_MAX), "-2147483648 2147483647"},
        {"strings", vformat(64, &n, "[%s][%5s][%.2s]", "KJFK", "FT", "BKN"), "[KJFK][   FT][BK]"},
        {"char and percent", vformat(64, &n, "%c%%%3c", 'X', 'Y'), "X%  Y"},
        {"one decimal", vformat(64, &n, "%3.1f|%3.1f|%3.1f", 0.25, 0.35f, 6.0), "0.2|0.3|6.0"},
        {"two decimals", vformat(64, &n, "%.2f in Hg", 29.921), "29.92 in Hg"},
        {"default decimals", vformat(64, &n, "%f", -1.5), "-1.500000"},
        {"negative zero", vformat(64, &n, "%.1f", -0.04), "-0.0"},
        {"ties to even", vformat(64, &n, "%.2f %.2f %.0f %.0f", 0.125, 0.375, 2.5, 3.5),
         "0.12 0.38 2 4"},
        {"large and small", vformat(64, &n, "%.1f %.3f", 123456789.25, 0.0004),
         "123456789.2 0.000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.got, c.want);
    }
}

TEST(StringFormat, CutToTheSizeAndCountsTheWhole) {
    int n = 0;
    EXPECT_EQ(vformat(8, &n, "winds %d deg", 270), "winds 2");
    EXPECT_EQ(n, 13);
    EXPECT_EQ(vformat(1, &n, "%s", "KJFK"), "");
    EXPECT_EQ(n, 4);
    EXPECT_EQ(vformat(0, &n, "%3.1f", 1.5), "");
    EXPECT_EQ(n, 3);
    EXPECT_EQ(vformat(4, &n, "%5d", 42), "   ");
    EXPECT_EQ(n, 5);
}

TEST(StringFormat, OtherConversionsGoToTheCLibrary) {
    int n = 0, m = 0;
    EXPECT_EQ(vformat(64, &n, "%-4d|%05d|%x|%ld|%*d", 7, 42, 255, 12L, 3, 9),
              reference(64, &m, "%-4d|%05d|%x|%ld|%*d", 7, 42, 255, 12L, 3, 9));
    EXPECT_EQ(n, m);
    EXPECT_EQ(vformat(64, &n, "%e %g", 1.5, 0.25), reference(64, &m, "%e %g", 1.5, 0.25));
    // A width on "%%" is no conversion the compiler accepts in a literal; the formatter still
    // leaves it to the C library, which reads it its own way.
    const char* width_percent = "[%5%] %d";
    EXPECT_EQ(vformat(64, &n, width_percent, 7), reference(64, &m, width_percent, 7));
    EXPECT_EQ(n, m);
    EXPECT_EQ(vformat(64, &n, "%.1f %f", 1e300, -DBL_MAX / 1e300),
              reference(64, &m, "%.1f %f", 1e300, -DBL_MAX / 1e300));
    EXPECT_EQ(n, m);
}

// Many values through the decoders' float and int conversions, against the C library.
// A width written with a leading 0 is the zero flag: the field is filled with zeros (for d
// only without a precision), as the C library does; it used to be filled with blanks.
TEST(StringFormat, ZeroFlagAsTheCLibraryWritesIt) {
    int n = 0, m = 0;
    const struct {
        const char* format;
        int value;
    } ints[] = {{"[%05d]", 42}, {"[%05d]", -42}, {"[%00d]", 7}, {"[%05.3d]", 7}, {"[%02d]", 123}};
    for (const auto& c : ints) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(vformat(64, &n, c.format, c.value), reference(64, &m, c.format, c.value));
        EXPECT_EQ(n, m);
    }
    const struct {
        const char* format;
        double value;
    } reals[] = {{"[%05.1f]", 1.5}, {"[%08.2f]", -3.14159}, {"[%0.2f]", 2.25}, {"%%%050f", 0.0}};
    for (const auto& c : reals) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(vformat(64, &n, c.format, c.value), reference(64, &m, c.format, c.value));
        EXPECT_EQ(n, m);
    }
    EXPECT_EQ(vformat(64, &n, "[%05d][%08.2f]", 42, -3.14159), "[00042][-0003.14]");
}

TEST(StringFormat, AgreesWithTheCLibraryOverManyValues) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> miles(0.0f, 20.0f);
    std::uniform_int_distribution<int> ints(-100000, 100000);
    int n = 0, m = 0;
    for (int i = 0; i < 20000; ++i) {
        float v = i % 2 == 0 ? miles(rng) : static_cast<float>(ints(rng)) / 1000.0f;
        int k = ints(rng);
        SCOPED_TRACE(v);
        ASSERT_EQ(vformat(64, &n, "%3.1f %.2f %2.2d", v, v, k),
                  reference(64, &m, "%3.1f %.2f %2.2d", v, v, k));
        ASSERT_EQ(n, m);
        // Exact ties and values across the whole range of the integer rounding.
        double tie = static_cast<double>(k) / 64.0;
        double wide = std::ldexp(static_cast<double>(k), i % 120 - 60);
        ASSERT_EQ(vformat(64, &n, "%.1f %.3f %.0f %.18f", tie, tie, tie, wide / 1e6),
                  reference(64, &m, "%.1f %.3f %.0f %.18f", tie, tie, tie, wide / 1e6));
        ASSERT_EQ(vformat(128, &n, "%.2f", wide), reference(128, &m, "%.2f", wide));
    }
}

// The checked formatting must give the C library's text, length and cut for every format the
// English and the decoded listing use, at every buffer size around the text's length.
TEST(StringFormat, CheckedFormatIsTheLibraryText) {
    struct Check {
        std::string text;
        int length;
        std::string expected;
        int expected_length;
    };
    std::vector<Check> checks;
    auto add = [&](size_t size, auto format, const char* c_format, auto... args) {
        std::vector<char> buf(size + 8, '#');
        int length = format_checked(buf.data(), size, format, args...);
        for (size_t i = size; i < buf.size(); ++i) EXPECT_EQ(buf[i], '#') << "written past " << size;
        // The C library's text for the same call, formatted as the format is written.
        std::vector<char> ref(size + 1, '#');
        int expected_length = vformat_reference(ref.data(), size, c_format, args...);
        std::string expected = size == 0 ? std::string() : std::string(ref.data());
        checks.push_back({size == 0 ? std::string() : std::string(buf.data()), length, expected,
                          expected_length});
    };
    const char* null_text = nullptr;
    for (size_t size : std::vector<size_t>{0, 1, 2, 5, 9, 17, 40, 120}) {
        SCOPED_TRACE(size);
        add(size, checked_format<int, int>("winds from %d deg at %d kts, "),
            "winds from %d deg at %d kts, ", 270, -15);
        add(size, checked_format<int, const char*, int, int>("issued on %d %s at %2.2d:%2.2dZ "),
            "issued on %d %s at %2.2d:%2.2dZ ", 31, "December", 5, 0);
        add(size, checked_format<double>("visibility of %3.1f miles, "),
            "visibility of %3.1f miles, ", 0.25);
        add(size, checked_format<double>("the altimeter setting is %.2f in Hg, "),
            "the altimeter setting is %.2f in Hg, ", 29.925);
        add(size, checked_format<int>("\nA %d%% probability "), "\nA %d%% probability ", 40);
        add(size, checked_format<int, int>("%%%d%%%5.3d%%"), "%%%d%%%5.3d%%", INT_MIN, -7);
        add(size, checked_format<const char*, const char*>("[%8s|%.3s]"), "[%8s|%.3s]", "CYYZ",
            "KJFK");
        add(size, checked_format<const char*, const char*>("<%s><%.2s>"), "<%s><%.2s>",
            null_text, null_text);
        add(size, checked_format<char, char>("%c%3c"), "%c%3c", 'A', 'z');
        add(size, checked_format<>("   CEILING AND VISIBILITY OK\n"),
            "   CEILING AND VISIBILITY OK\n");
        add(size, checked_format<>(""), "");
    }
    for (const Check& c : checks) {
        EXPECT_EQ(c.text, c.expected);
        EXPECT_EQ(c.length, c.expected_length);
    }
}
