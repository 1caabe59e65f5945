// Pattern scanner.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "mess.h"
#include "scanp.h"
#include "testutil.h"

namespace {

// Keeps text and pattern in heap blocks of their exact size, so that the sanitizer sees any
// read past either end.
struct Exact {
    std::unique_ptr<char[]> buf;
    explicit Exact(const std::string& s) : buf(new char[s.size() + 1]) {
        memcpy(buf.get(), s.c_str(), s.size() + 1);
    }
    const char* get() const { return buf.get(); }
};

// Destinations written as letters, in order: i an int, f a float, t a text of 8 bytes, 0 a
// text of no bytes, n a text with no pointer. Each holds a value no scan here stores
// (7777, or the text "~"), so that a test sees which were written.
struct Dests {
    static constexpr int UNSET = 7777;
    static constexpr size_t MAX = 6;
    int ints[MAX];
    float floats[MAX];
    char texts[MAX][8];
    std::vector<ScanArg> args;

    explicit Dests(const std::string& kinds) {
        for (size_t i = 0; i < kinds.size() && i < MAX; ++i) {
            ints[i] = UNSET;
            floats[i] = UNSET;
            memset(texts[i], 0, sizeof texts[i]);
            texts[i][0] = '~';
            switch (kinds[i]) {
                case 'i': args.push_back({ScanKind::Int, &ints[i], sizeof(int)}); break;
                case 'f': args.push_back({ScanKind::Float, &floats[i], sizeof(float)}); break;
                case 't': args.push_back({ScanKind::Text, texts[i], sizeof texts[i]}); break;
                case '0': args.push_back({ScanKind::Text, texts[i], 0}); break;
                default: args.push_back({ScanKind::Text, nullptr, sizeof texts[i]}); break;
            }
        }
    }
    // "w" for each destination written, "-" for each left alone.
    std::string written() const {
        std::string marks;
        for (size_t i = 0; i < args.size(); ++i) {
            bool w = args[i].kind == ScanKind::Int     ? ints[i] != UNSET
                     : args[i].kind == ScanKind::Float ? floats[i] != UNSET
                                                       : strcmp(texts[i], "~") != 0;
            marks += w ? 'w' : '-';
        }
        return marks;
    }
};

class ScanpTest : public ::testing::Test {
   protected:
    void SetUp() override { MESS_reset(); }
    void TearDown() override { MESS_reset(); }

    // Scans pat over text from offset 0 (a pattern known only at run time).
    template <class... A>
    int scan(const std::string& text, const std::string& pat, A&&... dest) {
        set_up(text, pat);
        return scanp_runtime(&p_, pat_->get(), std::forward<A>(dest)...);
    }
    int scan(const std::string& text, const std::string& pat, Dests& dests) {
        set_up(text, pat);
        return scanp_args(&p_, pat_->get(), dests.args.data(), static_cast<int>(dests.args.size()));
    }
    void set_up(const std::string& text, const std::string& pat) {
        text_ = std::make_unique<Exact>(text);
        pat_ = std::make_unique<Exact>(pat);
        scanp_set(&p_, text_->get());
    }

    parse_param p_{};
    std::unique_ptr<Exact> text_, pat_;
};

TEST_F(ScanpTest, WindGroupWithGustAndUnit) {
    int dir = 0, speed = 0, gust = 0;
    char unit[10] = "x";
    EXPECT_EQ(scan("27015G25KT 9999", "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", &dir, &speed,
                   &gust, unit),
              5);
    EXPECT_EQ(dir, 270);
    EXPECT_EQ(speed, 15);
    EXPECT_EQ(gust, 25);
    EXPECT_STREQ(unit, "KT");
    EXPECT_EQ(p_.assigned, 4);
    EXPECT_EQ(p_.len, 11);
    EXPECT_EQ(p_.done, 1);
}

TEST_F(ScanpTest, WindWithoutGustFallsToTheNextCandidate) {
    int dir = 0, speed = 0, gust = 0;
    char unit[10] = "x";
    EXPECT_EQ(scan("27015KT ", "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", &dir, &speed, &gust,
                   unit),
              2);
    EXPECT_EQ(p_.done, 0);
    EXPECT_EQ(p_.len, 5);
    EXPECT_EQ(scanp(&p_, "%3d%2d%!!(KTS|KT|MPS|KMH) ", &dir, &speed, unit), 3);
    EXPECT_STREQ(unit, "KT");
    EXPECT_EQ(scan("27015 ", "%3d%2d%!!(KTS|KT|MPS|KMH) ", &dir, &speed, unit), 3);
    EXPECT_STREQ(unit, "");
}

TEST_F(ScanpTest, LongerAlternativeFirstAndTheRestLeft) {
    char unit[10];
    EXPECT_EQ(scan("KTSX", "%(KTS|KT)", unit), 1);
    EXPECT_STREQ(unit, "KTS");
    EXPECT_EQ(p_.len, 3);
}

TEST_F(ScanpTest, VerticalVisibilityMissText) {
    struct Case {
        const char* text;
        int result, value, done, len;
    } cases[] = {
        {"VV///", 1, -9999, 0, 5},
        {"VV005", 1, 5, 0, 5},
        {"VV5", 0, -1, 0, 2},
        {"VV ABC", 0, -1, 1, 3},  // passed over; the space then takes the blank
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int v = -1;
        EXPECT_EQ(scan(c.text, "VV%3!///!d ", &v), c.result);
        EXPECT_EQ(v, c.value);
        EXPECT_EQ(p_.done, c.done);
        EXPECT_EQ(p_.len, c.len);
    }
}

TEST_F(ScanpTest, WholeAndFractionVisibility) {
    int a = 0, b = 0, c = 0;
    char unit[4];
    EXPECT_EQ(scan("1 1/2SM ", "%*(M|)%1d %1d/%<2d%(SM|NM) ", &a, &b, &c, unit), 5);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(c, 2);
    EXPECT_STREQ(unit, "SM");
    EXPECT_EQ(p_.len, 8);
}

TEST_F(ScanpTest, TemperatureGroup) {
    const char* pat = "T%!!(M)%<3!XX!d/%!!(M)%<3!XX!d%*!!(Z) ";
    char s1[4] = "?", s2[4] = "?";
    int t = 0, h = 0;
    EXPECT_EQ(scan("TM05/12Z ", pat, s1, &t, s2, &h), 5);
    EXPECT_STREQ(s1, "M");
    EXPECT_EQ(t, 5);
    EXPECT_STREQ(s2, "");
    EXPECT_EQ(h, 12);
    EXPECT_EQ(p_.assigned, 4);

    EXPECT_EQ(scan("TXX/12Z ", pat, s1, &t, s2, &h), 5);
    EXPECT_EQ(t, -9999);
    EXPECT_STREQ(s1, "");
    EXPECT_EQ(h, 12);
}

TEST_F(ScanpTest, CloudAmountTypeHeight) {
    int amount = 0, height = 0;
    char type[3];
    EXPECT_EQ(scan("8SC025 ", "%1d%2[/A]%3d ", &amount, type, &height), 3);
    EXPECT_EQ(amount, 8);
    EXPECT_STREQ(type, "SC");
    EXPECT_EQ(height, 25);
}

TEST_F(ScanpTest, WeatherRunAndCloudWordWithoutStore) {
    char wx[20];
    EXPECT_EQ(scan("-SHRA BR", "%[/A-+] ", wx), 1);
    EXPECT_STREQ(wx, "-SHRA");
    EXPECT_EQ(p_.len, 6);

    EXPECT_EQ(scan("BKN030", "%*(SKC|CLR|FEW|SCT|-SCT|BKN|-BKN|OVC|-OVC|VV)"), 1);
    EXPECT_EQ(p_.len, 3);
    EXPECT_EQ(p_.assigned, 0);
}

TEST_F(ScanpTest, GroupAtTheEndStillCountsFully) {
    int v = 0;
    EXPECT_EQ(scan("9999", "%4d ", &v), 1);
    EXPECT_EQ(p_.len, 4);
    EXPECT_EQ(p_.done, 0);
    EXPECT_EQ(scan("9999 CLR", "%4d ", &v), 1);
    EXPECT_EQ(p_.len, 5);
    EXPECT_EQ(p_.done, 1);
}

TEST_F(ScanpTest, DecimalSign) {
    struct Case {
        const char* text;
        int result, value;
    } cases[] = {{"-", 0, 7}, {"-12", 1, -12}, {"+12", 0, 7}, {"12-3", 1, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int v = 7;
        EXPECT_EQ(scan(c.text, "%d", &v), c.result);
        EXPECT_EQ(v, c.value);
    }
}

// Exact widths of every size, the fast reading of short widths included: a field of width 0
// can never hold its one character, so it fails whatever follows.
TEST_F(ScanpTest, ExactDecimalWidths) {
    struct Case {
        const char* text;
        const char* pattern;
        int result, value;
    } cases[] = {{"27015", "%3d%0d", 1, 270},  {"270", "%0d", 0, 7},      {"-5", "%2d", 1, -5},
                 {"-", "%1d", 0, 7},           {"12", "%3d", 0, 7},        {"1a3", "%3d", 0, 7},
                 {"0123456789", "%10d", 1, 123456789}, {"-12 ", "%3d ", 1, -12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + c.pattern);
        int v = 7, w = 7;
        EXPECT_EQ(scan(c.text, c.pattern, &v, &w), c.result);
        EXPECT_EQ(v, c.value);
    }
}

TEST_F(ScanpTest, MissTextLongerThanWidthNeverAgrees) {
    int v = 7;
    EXPECT_EQ(scan("///", "%2!///!d", &v), 0);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(p_.done, 1);
    EXPECT_EQ(p_.len, 0);
    EXPECT_EQ(scan("12", "%!!d%!!d", &v, &v), 2);  // an empty miss text always agrees
    EXPECT_EQ(v, -9999);
}

TEST_F(ScanpTest, DigitClassAdmitsTheLetterN) {
    char s[10];
    EXPECT_EQ(scan("N12X", "%[/N]", s), 1);
    EXPECT_STREQ(s, "N12");
    EXPECT_EQ(scan("A/1", "%[/A]", s), 1);  // the letter class does not admit a slash
    EXPECT_STREQ(s, "A");
    EXPECT_EQ(scan("//x", "%[//]", s), 1);
    EXPECT_STREQ(s, "//");
    EXPECT_EQ(scan("ab-+c", "%[^+]", s), 1);
    EXPECT_STREQ(s, "ab-");
}

TEST_F(ScanpTest, FloatFields) {
    struct Case {
        const char* text;
        const char* pat;
        float value;
        int len;
    } cases[] = {
        {"1.5e", "%f", 1.5f, 3},       {"1.5e", "%F", 1.5f, 3},
        {"1.5e2x", "%f", 150.0f, 5},   {"-2.5E-1", "%f", -0.25f, 7},
        {"1.2.3", "%f", 1.2f, 3},      {" 42 x", "%F", 42.0f, 4},
        {"1e999", "%f", HUGE_VALF, 5}, {".5", "%f", 0.5f, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pat) + " on " + c.text);
        float v = 0.0f;
        EXPECT_EQ(scan(c.text, c.pat, &v), 1);
        EXPECT_EQ(v, c.value);
        EXPECT_EQ(p_.len, c.len);
    }
}

TEST_F(ScanpTest, SpacedDecimalCountsBlanksInItsWidth) {
    int v = 0;
    EXPECT_EQ(scan(" 12 x", "%4D x", &v), 1);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(p_.done, 0);  // the field took the blank before x
    EXPECT_EQ(p_.len, 4);
    EXPECT_EQ(scan(" 12 x", "%3D x", &v), 1);
    EXPECT_EQ(p_.done, 1);
    EXPECT_EQ(scan("   ", "%D", &v), 0);  // blanks alone hold no number
}

TEST_F(ScanpTest, NothingTried) {
    int v = 0;
    p_.len = p_.matched = p_.assigned = p_.done = 5;
    EXPECT_EQ(scan("123", "", &v), -1);
    EXPECT_EQ(p_.len + p_.matched + p_.assigned + p_.done, 0);
    scan("123", "%d", &v);
    scanp_inc_off(&p_, 3);
    EXPECT_EQ(scanp(&p_, "%d", &v), -1);
    EXPECT_EQ(p_.len + p_.matched + p_.assigned + p_.done, 0);
}

TEST_F(ScanpTest, IncrementMovesByWhatMatched) {
    int v = 0;
    EXPECT_EQ(scan("12AB", "%2dX", &v), 1);
    EXPECT_EQ(p_.done, 0);
    scanp_inc(&p_);
    EXPECT_EQ(scanp_get_off(&p_), 2);
    EXPECT_EQ(scanp_char(&p_, 0), 'A');
    EXPECT_STREQ(scanp_str(&p_), "AB");
    EXPECT_EQ(scanp_char(&p_, 5), '\0');
}

TEST_F(ScanpTest, StringFieldIsCutToItsDestination) {
    char small[4] = "???";
    EXPECT_EQ(scan("ABCDEFG H", "%s ", small), 1);
    EXPECT_STREQ(small, "ABC");
    EXPECT_EQ(p_.len, 8);  // the text consumed is the whole word
    EXPECT_EQ(p_.done, 1);

    char raw[3] = {'x', 'x', 'x'};
    EXPECT_EQ(scan("ABCDE", "%5c", raw), 1);
    EXPECT_EQ(std::string(raw, 3), "ABC");  // c stores no terminator
    EXPECT_EQ(p_.len, 5);

    char big[8];
    EXPECT_EQ(scan("ABCDE", "%5c", scan_buf{big, 2}), 1);
    EXPECT_EQ(std::string(big, 2), "AB");
}

// A storing directive whose destination is missing or of the wrong kind fails where it
// stands: it is not matched, its destination is not written, and the scan goes no further.
// Destinations are taken in order, one by each storing directive as it starts. A text
// destination without room is never written, and its field is not counted as assigned.
TEST_F(ScanpTest, DestinationsAreTakenInOrderAndCheckedByKind) {
    struct Case {
        const char* text;
        const char* pat;
        const char* kinds;
        int result, len, done, assigned;
        const char* written;
    } cases[] = {
        {"27015", "%3d%2d", "it", 1, 3, 0, 1, "w-"},
        {"27015", "%3d%2d", "ii", 2, 5, 1, 2, "ww"},
        {"12 34", "%d %d", "f", 0, 0, 0, 0, "-"},
        {"12 34", "%d %d", "i", 1, 3, 0, 1, "w"},      // the second has none
        {"12 34", "%d %d", "", 0, 0, 0, 0, ""},
        {"AB 12", "%s %d", "it", 0, 0, 0, 0, "--"},
        {"AB 12", "%*s %d", "i", 2, 5, 1, 1, "w"},     // no store, no destination
        {"AB 12", "%*s %d", "ti", 1, 3, 0, 0, "--"},
        {"AB 12", "%s %d", "tii", 2, 5, 1, 2, "ww-"},  // one too many is left alone
        {"X 7", "%!Y!dX %d", "ii", 1, 3, 1, 1, "-w"},  // passed over, its int used up
        {"X 7", "%!Y!dX %d", "ti", 0, 0, 0, 0, "--"},  // checked before it is passed over
        {"XY", "%<(A|B)XY", "t", 1, 2, 1, 1, "-"},     // optional list: counted, kept
        {"XY", "%<(A|B)XY", "i", 0, 0, 0, 0, "-"},
        {"AB", "AB%n", "f", 0, 2, 0, 0, "-"},
        {"AB", "AB%n", "i", 1, 2, 1, 1, "w"},
        {"1.5", "%f", "i", 0, 0, 0, 0, "-"},
        {"1.5", "%f", "f", 1, 3, 1, 1, "w"},
        {"-SHRA", "%[/A-+]", "0", 1, 5, 1, 0, "-"},
        {"-SHRA", "%[/A-+]", "n", 1, 5, 1, 0, "-"},
        {"-SHRA", "%[/A-+]", "t", 1, 5, 1, 1, "w"},
        {"qX", "%qX", "i", 0, 2, 1, 0, "-"},           // no effect: takes no destination
        {"ABC", "%2c%c", "tf", 1, 2, 0, 1, "w-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pat) + " on " + c.text + " with " + c.kinds);
        Dests dests(c.kinds);
        EXPECT_EQ(scan(c.text, c.pat, dests), c.result);
        EXPECT_EQ(p_.matched, c.result);
        EXPECT_EQ(p_.len, c.len);
        EXPECT_EQ(p_.done, c.done);
        EXPECT_EQ(p_.assigned, c.assigned);
        EXPECT_EQ(dests.written(), c.written);
    }
}

// The typed front of the run-time entry: the call that once counted a number into a text.
// The checked entry, whose destinations' kinds are not tested again, scans alike.
TEST_F(ScanpTest, RuntimeEntryChecksEachDestination) {
    int dir = 0;
    char chars[4] = "~";
    EXPECT_EQ(scan("27015", "%3d%2d", &dir, chars), 1);
    EXPECT_EQ(dir, 270);
    EXPECT_STREQ(chars, "~");
    EXPECT_EQ(p_.done, 0);
    float f = 0.0f;
    EXPECT_EQ(scan("12 3.5", "%d %f", &dir, &f), 2);
    EXPECT_EQ(f, 3.5f);

    text_ = std::make_unique<Exact>("27015G25KT 9999");
    scanp_set(&p_, text_->get());
    int speed = 0, gust = 0;
    char unit[4] = "~";
    EXPECT_EQ(scanp(&p_, "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", &dir, &speed, &gust, unit), 5);
    EXPECT_EQ(p_.assigned, 4);
    EXPECT_EQ(p_.len, 11);
    EXPECT_EQ(gust, 25);
    EXPECT_STREQ(unit, "KT");
    EXPECT_EQ(scanp(&p_, "%3d%2d%*c%2d%!!(KTS|KT) %4f", &dir, &speed, &gust, unit, &f), 6);
    EXPECT_EQ(f, 9999.0f);
}

TEST_F(ScanpTest, ArgumentIsUsedUpEvenWhenPassedOver) {
    int a = 1, b = 2;
    EXPECT_EQ(scan("X 7", "%!Y!dX %d", &a, &b), 1);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 7);
}

TEST_F(ScanpTest, RunDirectives) {
    struct Case {
        const char* text;
        const char* pat;
        int result;
        const char* stored;
        int len;
    } cases[] = {
        {"AbC1", "%A", 1, "AbC", 3},         {"0012X", "%N", 1, "0012", 4},
        {"ABCDE", "%3S", 1, "ABC", 3},       {"AB", "%3S", 0, "", 0},
        {"AB", "%<3S", 1, "AB", 2},          {" \n\tx", "%w", 1, " \n\t", 3},
        {" \r\n", "%W", 1, " \r", 2},        {"x", "%w", 0, "", 0},
        {"A1", "%2A", 0, "", 0},            {"AB CD", "%s", 1, "AB", 2},
        {"AB", "%c", 1, "A", 1},  // c without a width: one character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pat) + " on " + c.text);
        char s[10] = "";
        EXPECT_EQ(scan(c.text, c.pat, s), c.result);
        EXPECT_STREQ(s, c.stored);
        EXPECT_EQ(p_.len, c.len);
    }
}

TEST_F(ScanpTest, WordDirectiveStopsAtEighty) {
    char s[200];
    EXPECT_EQ(scan(std::string(100, 'A'), "%s", s), 1);
    EXPECT_EQ(strlen(s), 80u);
    EXPECT_EQ(p_.len, 80);
}

TEST_F(ScanpTest, CountDirective) {
    int n = -1, v = 0;
    EXPECT_EQ(scan("AB 12", "AB %n%d", &n, &v), 2);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(scan("AB", "%*n%*nAB"), 2);
    EXPECT_EQ(p_.assigned, 0);
}

TEST_F(ScanpTest, Alternatives) {
    char s[8] = "keep";
    EXPECT_EQ(scan("XY", "%<(A|B)XY", s), 1);  // optional list: matched, buffer kept
    EXPECT_STREQ(s, "keep");
    EXPECT_EQ(p_.assigned, 1);
    EXPECT_EQ(p_.done, 1);
    EXPECT_EQ(scan("XY", "%<2(A|B)XY", s), 0);  // with a width the list is not optional
    EXPECT_EQ(scan("XXXZ", "%3!XX!(A|B)Z", s), 1);
    EXPECT_EQ(p_.done, 0);
    EXPECT_EQ(p_.len, 2);  // the miss text is taken as far as it agrees
    EXPECT_STREQ(s, "");
    int v = 0;
    EXPECT_EQ(scan("5", "%*(M|)%d", &v), 2);  // an empty alternative always matches
    EXPECT_EQ(v, 5);
}

TEST_F(ScanpTest, BlanksAndLiterals) {
    EXPECT_EQ(scan("A \n\tB", "A B"), 0);
    EXPECT_EQ(p_.done, 1);
    EXPECT_EQ(p_.len, 5);
    EXPECT_EQ(scan("A  B", "A  B"), 0);  // a second space always fails
    EXPECT_EQ(p_.done, 0);
    EXPECT_EQ(p_.len, 3);
    EXPECT_EQ(scan("ab", "aB"), 0);
    EXPECT_EQ(p_.len, 1);
}

TEST_F(ScanpTest, UnknownLetterIsReadAsTheNextElement) {
    EXPECT_EQ(scan("qX", "%*<3qX"), 0);
    EXPECT_EQ(p_.done, 1);
    EXPECT_EQ(p_.len, 2);
    EXPECT_EQ(scan("%1", "%%1"), 0);  // a second "%" begins a new directive
    EXPECT_EQ(p_.len, 0);
    EXPECT_EQ(p_.done, 1);
}

TEST_F(ScanpTest, MalformedPatternsStopInside) {
    struct Case {
        const char* pat;
        const char* kinds;
        int done;
    } cases[] = {
        {"%(AB|CD", "t", 0},
        {"%[AB", "t", 0},
        {"%!unclosed miss text that runs on", "", 1},
        {"%!abcdefghijklmnopqrstuvwxyz0123!d", "i", 1},
        {"%", "", 1},
        {"%*<12", "", 1},
        {"%!", "", 1},
        {"%[", "t", 0},
        {"%(", "t", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pat);
        Dests dests(c.kinds);
        EXPECT_EQ(scan("AB 12", c.pat, dests), 0);
        EXPECT_EQ(p_.done, c.done);
        EXPECT_EQ(dests.written(), std::string(strlen(c.kinds), '-'));
    }
}

TEST_F(ScanpTest, OverLongMissTextKeepsItsFirstNineteen) {
    int v = 0;
    std::string miss(19, '/');
    EXPECT_EQ(scan(miss + "X", "%!" + miss + "///!dX", &v), 1);
    EXPECT_EQ(v, -9999);
    EXPECT_EQ(p_.len, 20);
}

TEST_F(ScanpTest, LongNumbersSaturate) {
    int v = 0;
    EXPECT_EQ(scan("99999999999999", "%d", &v), 1);
    EXPECT_EQ(v, 2147483647);
    EXPECT_EQ(scan("-99999999999999", "%d", &v), 1);
    EXPECT_EQ(v, -2147483647 - 1);
}

TEST_F(ScanpTest, TraceOnlyAtTheDebugLevel) {
    int v = 0;
    {
        testutil::Capture out(1);
        scan("12 AB", "%d ", &v);
        EXPECT_EQ(out.stop(), "");
    }
    MESS_set(MESS_ADD, 0x80000000u);
    testutil::Capture out(1);
    scan("12 AB", "%d ", &v);
    EXPECT_EQ(out.stop(),
              "     : : AB:\n"
              "     ::AB:\n"
              "SCANP:12 AB:%d :0:3:1:1:1\n");
}

// A first element that cannot begin at the offset ends the scan with nothing matched and
// nothing stored; an element that can match without taking a character still counts.
TEST_F(ScanpTest, FirstElementThatCannotBeginHere) {
    struct Case {
        const char* text;
        const char* pat;
        const char* kinds;
        int result, len, done;
    } cases[] = {
        {"X12", "%d", "i", 0, 0, 0},
        {"P6SM", "%*(M|)%1d", "i", 1, 0, 0},       // the empty alternative matches
        {"Q", "%!X!dQ", "i", 0, 1, 1},             // a field without digits is passed over
        {"BKN030", "%*(FEW|SCT)%d", "i", 0, 0, 0},
        {"-5", "%*[/A]", "", 0, 0, 0},
        {"ZZZ", "%<2(AB)Z", "t", 0, 0, 0},         // a width makes the list required
        {"ZZZ", "%<(AB)Z", "t", 1, 1, 1},          // without one the list is optional
        {" 12", "%D", "i", 1, 3, 1},               // D takes the blanks in front
        {".5", "%f", "f", 1, 2, 1},
        {"\t", "%W", "t", 1, 1, 1},
        {"\n", "%W", "t", 0, 0, 0},
        {"AB", "%[^AB]", "t", 0, 0, 0},
        {"CD", "%[^AB]", "t", 1, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.pat);
        Dests dests(c.kinds);
        EXPECT_EQ(scan(c.text, c.pat, dests), c.result);
        EXPECT_EQ(p_.len, c.len);
        EXPECT_EQ(p_.done, c.done);
    }
    int v = 5;
    EXPECT_EQ(scan("X12", "%d", &v), 0);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(p_.assigned, 0);
}

// The scanner keeps what it learnt about a pattern under the pattern's address: a pattern
// whose text changes at the same address is read anew.
TEST_F(ScanpTest, PatternChangedInPlaceIsReadAnew) {
    text_ = std::make_unique<Exact>("K12 34");
    scanp_set(&p_, text_->get());
    char pat[16] = "K%d";
    int v = 0;
    EXPECT_EQ(scanp_runtime(&p_, pat, &v), 1);
    EXPECT_EQ(v, 12);
    strcpy(pat, "X%d");
    EXPECT_EQ(scanp_runtime(&p_, pat, &v), 0);
    EXPECT_EQ(p_.len, 0);
    strcpy(pat, "K%d %d");
    int w = 0;
    EXPECT_EQ(scanp_runtime(&p_, pat, &v, &w), 2);
    EXPECT_EQ(w, 34);
    strcpy(pat, "K%d");  // shorter than before at the same address
    EXPECT_EQ(scanp_runtime(&p_, pat, &v), 1);
    EXPECT_EQ(p_.len, 3);

    // A first element that could not begin at the text before, changed so that it can.
    struct Change {
        const char* before;
        const char* after;
        const char* kinds;
    } changes[] = {
        {"%(AB)", "%(AB|K)", "t"},
        {"%(AB", "%(AB|K)", "t"},  // unclosed: it never matched anywhere
        {"%[AB]", "%[ABK]", "t"},
        {"%3d", "%3!K!d", "i"},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.after);
        Dests dests(c.kinds);
        strcpy(pat, c.before);
        EXPECT_EQ(scanp_args(&p_, pat, dests.args.data(), 1), 0);
        strcpy(pat, c.after);
        EXPECT_EQ(scanp_args(&p_, pat, dests.args.data(), 1), 1);
        EXPECT_EQ(dests.written(), "w");
    }
}

// More patterns than the scanner keeps, in turn and again, and patterns too long to keep.
TEST_F(ScanpTest, ManyAndLongPatterns) {
    std::vector<std::string> pats;
    char buf[16];
    for (int i = 0; i < 1000; ++i) {
        snprintf(buf, sizeof buf, "K%d%%d", i);
        pats.push_back(buf);
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 1000; ++i) {
            SCOPED_TRACE(pats[i]);
            int v = 0;
            snprintf(buf, sizeof buf, "K%d7", i);
            text_ = std::make_unique<Exact>(buf);
            scanp_set(&p_, text_->get());
            ASSERT_EQ(scanp_runtime(&p_, pats[i].c_str(), &v), 1);
            ASSERT_EQ(v, 7);
            ASSERT_EQ(scanp_runtime(&p_, pats[(i + 1) % 1000].c_str(), &v), 0);
        }
    }
    std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    EXPECT_EQ(scan(letters, letters), 0);  // 26 elements
    EXPECT_EQ(p_.done, 1);
    EXPECT_EQ(p_.len, 26);
    int v = 0;
    EXPECT_EQ(scan("7 42", "%d" + std::string(70, ' '), &v), 1);  // the second blank fails
    EXPECT_EQ(p_.len, 2);
    EXPECT_EQ(p_.done, 0);
}

// Lists of many alternatives or long ones choose as short lists do: the first that fits.
TEST_F(ScanpTest, ListsOfManyOrLongAlternatives) {
    std::string many = "%(A|B|C|D|E|F|G|H|I|J|K|L|M|N|O|PQ|P)";
    std::string long_alt(300, 'X');
    struct Case {
        std::string text, pat;
        int result, len;
    } cases[] = {
        {"PQR", many, 1, 2},
        {"PR", many, 1, 1},
        {"Z", many, 0, 0},
        {long_alt + "Y", "%(" + long_alt + "Y|X)", 1, 301},
        {long_alt, "%(" + long_alt + "Y|X)", 1, 1},
        {"Z", "%(" + long_alt + "|)Z", 1, 1},  // the literal is not counted
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pat.substr(0, 40));
        char word[400];
        EXPECT_EQ(scan(c.text, c.pat, word), c.result);
        EXPECT_EQ(p_.len, c.len);
    }
}

// What a pattern is checked for where it is written: its storing directives against the
// kinds of the destinations, in order, and its lists, sets and miss texts closed.
TEST(ScanpPatternCheck, FirstFaultInReadingOrder) {
    using F = scanp_detail::PatternFault;
    const std::string miss19(19, '/');
    struct Case {
        std::string pat;
        const char* kinds;  // i int, f float, t text
        F fault;
    } cases[] = {
        {"%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", "iiit", F::none},
        {"%3d%2d", "it", F::wrong_destination_kind},
        {"%3d%2d", "i", F::too_few_destinations},
        {"%d", "ii", F::too_many_destinations},
        {"", "", F::none},
        {"", "i", F::too_many_destinations},
        {"%*d%n%f", "if", F::none},           // "*" takes no destination
        {"%D%F", "if", F::none},
        {"%D%F", "ff", F::wrong_destination_kind},
        {"%5c%s%S%w%W%A%N%[AB]%(A)", "ttttttttt", F::none},
        {"%q%d", "i", F::none},               // no effect; the q is a literal
        {"%%d", "i", F::none},                // the second "%" begins the directive
        {"%", "", F::none},
        {"%*<12", "", F::none},
        {"%(A%d|B)", "t", F::none},           // the list holds the "%d"
        {"%[%d]", "t", F::none},
        {"%(KT|MPS", "t", F::unclosed_list},
        {"%*(KT", "", F::unclosed_list},
        {"%[/A", "t", F::unclosed_list},
        {"%!///d", "i", F::unclosed_miss_text},
        {"%!" + miss19 + "!d", "i", F::none},
        {"%!" + miss19 + "/!d", "i", F::long_miss_text},
        {"%*!" + miss19 + "/!q", "", F::long_miss_text},
        {"%d%(A", "t", F::wrong_destination_kind},
        {"%(A%d", "t", F::unclosed_list},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pat + " with " + c.kinds);
        std::vector<ScanKind> kinds;
        for (const char* k = c.kinds; *k != '\0'; ++k)
            kinds.push_back(*k == 'i'   ? ScanKind::Int
                            : *k == 'f' ? ScanKind::Float
                                        : ScanKind::Text);
        EXPECT_EQ(scanp_detail::pattern_fault(c.pat.c_str(), kinds.data(), kinds.size()), c.fault);
    }
}

// The same check made by the compiler: a pattern that the check refuses is not a constant
// expression, so a template argument built from it fails and the concept is false.
template <auto>
struct Constant {};
template <class Pattern, class... D>
concept Accepted = requires { typename Constant<(scanp_pattern<D...>(Pattern::text), true)>; };

struct Wind {
    static constexpr const char* text = "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ";
};
struct Unclosed {
    static constexpr const char* text = "%3d%(KT|MPS";
};
struct LongMiss {
    static constexpr const char* text = "%!12345678901234567890!d";
};
static_assert(Accepted<Wind, int*, int*, int*, scan_buf>);
static_assert(!Accepted<Wind, int*, int*, float*, scan_buf>);
static_assert(!Accepted<Wind, int*, int*, int*, int*>);
static_assert(!Accepted<Wind, int*, int*, int*>);
static_assert(!Accepted<Wind, int*, int*, int*, scan_buf, int*>);
static_assert(!Accepted<Unclosed, int*, scan_buf>);
static_assert(!Accepted<LongMiss, int*>);
static_assert(scanp_fits<int*, int*, int*, scan_buf>(Wind::text));
static_assert(!scanp_fits<int*, scan_buf>(Unclosed::text));

// scanp takes the checked pattern for the destinations given (so the check above is the one
// each call makes), every text destination standing as scan_buf.
static_assert(std::is_same_v<decltype(&scanp<int*, char (&)[8], scan_buf&>),
                             int (*)(parse_param*, scanp_pattern<int*, scan_buf, scan_buf>, int*&&,
                                     char (&)[8], scan_buf&)>);
static_assert(std::is_same_v<scanp_detail::dest_t<const scan_buf&>, scan_buf>);
static_assert(std::is_same_v<scanp_detail::dest_t<char*>, char*>);  // refused by the pattern

}  // namespace
