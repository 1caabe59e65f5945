// String utilities: comparison, bounded appends, list splitting and line cleaning.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
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

}  // namespace

TEST(StringCompare, IgnoresCaseAndOrders) {
    struct Case {
        const char* a;
        const char* b;
        int expected_sign;
    };
    const Case cases[] = {
        {"ABC", "abc", 0}, {"abc", "abd", -1}, {"abd", "ABC", 1}, {"ab", "abc", -1},
        {"", "", 0},       {"KJFK", "kjfk", 0}};
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
