// The fuzz targets' reference scanner (fuzz/scanp_reference.cpp) on cases worked out by hand
// from the pattern language, and the library's scanner on the same cases: the differential
// fuzz targets are only as good as the reference they trust.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mess.h"
#include "scanp.h"
#include "scanp_reference.h"

namespace {

constexpr int INT_START = 11;
constexpr float FLOAT_START = 11.0f;
constexpr char TEXT_START[] = "keepkeep";  // no terminator: a store without one shows
constexpr size_t TEXT_SIZE = sizeof TEXT_START - 1;

// Destinations by kind letters: i int, f float, t text of TEXT_SIZE bytes.
struct Dests {
    std::vector<int> ints;
    std::vector<float> floats;
    std::vector<std::vector<char>> texts;
    std::vector<ScanArg> args;

    explicit Dests(const std::string& kinds)
        : ints(kinds.size(), INT_START), floats(kinds.size(), FLOAT_START) {
        for (char k : kinds)
            if (k == 't') texts.emplace_back(TEXT_START, TEXT_START + TEXT_SIZE);
        size_t text = 0;
        for (size_t i = 0; i < kinds.size(); ++i) {
            if (kinds[i] == 'i') args.push_back({ScanKind::Int, &ints[i], sizeof(int)});
            if (kinds[i] == 'f') args.push_back({ScanKind::Float, &floats[i], sizeof(float)});
            if (kinds[i] == 't') {
                args.push_back({ScanKind::Text, texts[text].data(), TEXT_SIZE});
                ++text;
            }
        }
    }

    // The values, "|" between them: ints and floats as printf's %d and %g, texts up to
    // their first NUL or the end of their buffer.
    std::string shown() const {
        std::string out;
        for (const ScanArg& a : args) {
            if (&a != &args[0]) out += '|';
            char num[32];
            if (a.kind == ScanKind::Int) {
                snprintf(num, sizeof num, "%d", *static_cast<const int*>(a.ptr));
                out += num;
            } else if (a.kind == ScanKind::Float) {
                snprintf(num, sizeof num, "%g", *static_cast<const float*>(a.ptr));
                out += num;
            } else {
                const char* t = static_cast<const char*>(a.ptr);
                out.append(t, strnlen(t, a.size));
            }
        }
        return out;
    }
};

struct Case {
    std::string pat, text, kinds;
    int result, len, assigned, done;
    std::string stored;
    // false where the first directive's destination does not fit it: the language leaves that
    // open and the reference reads on, while the library scanner stops at once, unmatched.
    bool fits = true;
};

using Scanner = int (*)(parse_param*, const char*, const ScanArg*, int);

// Runs one case with one scanner over a text and pattern of their exact sizes.
void check(const Case& c, Scanner scanner) {
    std::vector<char> text(c.text.begin(), c.text.end());
    text.push_back('\0');
    std::vector<char> pat(c.pat.begin(), c.pat.end());
    pat.push_back('\0');
    parse_param p{};
    scanp_set(&p, text.data());
    Dests d(c.kinds);
    int got = scanner(&p, pat.data(), d.args.data(), static_cast<int>(d.args.size()));
    EXPECT_EQ(got, c.result);
    EXPECT_EQ(p.matched, c.result < 0 ? 0 : c.result);
    EXPECT_EQ(p.len, c.len);
    EXPECT_EQ(p.assigned, c.assigned);
    EXPECT_EQ(p.done, c.done);
    EXPECT_EQ(d.shown(), c.stored);
    EXPECT_EQ(p.off, 0);
}

const std::string WIND = "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ";
const std::string WIND_NO_GUST = "%3d%2d%!!(KTS|KT|MPS|KMH) ";
const std::string TEMP = "T%!!(M)%<3!XX!d/%!!(M)%<3!XX!d%*!!(Z) ";

// pattern, text, destination kinds, result, len, assigned, done, values after the scan
const Case CASES[] = {
    // The decoders' own groups.
    {WIND, "27015G25KT 9999", "iiit", 5, 11, 4, 1, "270|15|25|KT"},
    {WIND, "27015KT ", "iiit", 2, 5, 2, 0, "270|15|11|keepkeep"},
    {WIND_NO_GUST, "27015KT ", "iit", 3, 8, 3, 1, "270|15|KT"},
    {WIND_NO_GUST, "27015 ", "iit", 3, 6, 3, 1, "270|15|"},
    {"VV%3!///!d ", "VV///", "i", 1, 5, 1, 0, "-9999"},
    {"VV%3!///!d ", "VV005", "i", 1, 5, 1, 0, "5"},
    {"VV%3!///!d ", "VV5", "i", 0, 2, 0, 0, "11"},
    {"VV%3!///!d ", "VV ABC", "i", 0, 3, 0, 1, "11"},  // passed over
    {"%*(M|)%1d %1d/%<2d%(SM|NM) ", "1 1/2SM ", "iiit", 5, 8, 4, 1, "1|1|2|SM"},
    {TEMP, "TM05/12Z ", "titi", 5, 9, 4, 1, "M|5||12"},
    {TEMP, "TXX/12Z ", "titi", 5, 8, 4, 1, "|-9999||12"},
    {"%1d%2[/A]%3d ", "8SC025 ", "iti", 3, 7, 3, 1, "8|SC|25"},
    {"%[/A-+] ", "-SHRA BR", "t", 1, 6, 1, 1, "-SHRA"},
    {"%*(SKC|CLR|FEW|SCT|-SCT|BKN|-BKN|OVC|-OVC|VV)", "BKN030", "", 1, 3, 0, 1, ""},
    {"%4d ", "9999", "i", 1, 4, 1, 0, "9999"},
    {"%4d ", "9999 CLR", "i", 1, 5, 1, 1, "9999"},
    // Numbers.
    {"%d", "-", "i", 0, 0, 0, 0, "11"},
    {"%d", "-12", "i", 1, 3, 1, 1, "-12"},
    {"%d", "+12", "i", 0, 0, 0, 0, "11"},
    // Beyond int the language says nothing; both scanners hold the value at the bound.
    {"%d", "99999999999999", "i", 1, 14, 1, 1, "2147483647"},
    {"%2!///!d", "///", "i", 0, 0, 0, 1, "11"},  // the miss text is wider than the field
    {"%!!d", "AB", "i", 1, 0, 1, 1, "-9999"},
    {"%f", "1.5e", "f", 1, 3, 1, 1, "1.5"},
    {"%F", " 1.5e", "f", 1, 4, 1, 1, "1.5"},
    {"%f", "-2.5E-1x", "f", 1, 7, 1, 1, "-0.25"},
    {"%f", "1.2.3", "f", 1, 3, 1, 1, "1.2"},
    {"%4D x", " 12 x", "i", 1, 4, 1, 0, "12"},  // the field took the blank before x
    {"%3D x", " 12 x", "i", 1, 5, 1, 1, "12"},
    {"%D", "   ", "i", 0, 0, 0, 0, "11"},
    {"%!Y!dX %d", "X 7", "ii", 1, 3, 1, 1, "11|7"},  // the passed-over one used its argument
    // Runs, sets, lists.
    {"%[/N]", "N12X", "t", 1, 3, 1, 1, "N12"},
    {"%[/A]", "A/1", "t", 1, 1, 1, 1, "A"},
    {"%[//A]", "/aA1", "t", 1, 3, 1, 1, "/aA"},
    {"%[^AB]", "CDA", "t", 1, 2, 1, 1, "CD"},
    {"%[]]", "]", "t", 0, 0, 0, 0, "keepkeep"},  // an empty set, then a "]" never reached
    {"%W%w", " \r\n\t", "tt", 2, 4, 2, 1, " \r|\n\t"},
    {"%5c", "ABCDEF", "t", 1, 5, 1, 1, "ABCDEeep"},
    {"%3S", "AB", "t", 0, 0, 0, 0, "keepkeep"},
    {"%<3S", "AB", "t", 1, 2, 1, 1, "AB"},
    {"%2A", "A1", "t", 0, 0, 0, 0, "keepkeep"},
    {"%<(A|B)XY", "XY", "t", 1, 2, 1, 1, "keepkeep"},  // optional: buffer as it was
    {"%<2(A|B)XY", "XY", "t", 0, 0, 0, 0, "keepkeep"},
    {"%<(A|B)XY", "XY", "i", 1, 2, 0, 1, "11", false},  // a wrong kind is not counted
    {"%3!XX!(A|B)Z", "XXXZ", "t", 1, 2, 1, 0, ""},
    {"%1(AB)", "AB", "t", 1, 2, 1, 1, "AB"},  // the width does not limit the comparison
    {"AB %n%d%*n", "AB 12", "ii", 3, 5, 2, 1, "3|12"},
    // Elements that are not directives, and malformed ones.
    {"A  B", "A  B", "", 0, 3, 0, 0, ""},
    {"%*<3qX", "qX", "", 0, 2, 0, 1, ""},
    {"%%1", "%1", "", 0, 0, 0, 1, ""},
    {"%!abc", "abc", "i", 0, 0, 0, 1, "11"},
    {"%(AB", "AB", "t", 0, 0, 0, 0, "keepkeep"},
    {"%<(AB", "XY", "t", 0, 0, 0, 0, "keepkeep"},
    {"%[AB", "AB", "t", 0, 0, 0, 0, "keepkeep"},
    {"", "AB", "i", -1, 0, 0, 0, "11"},
    {"%d", "", "i", -1, 0, 0, 0, "11"},
    // Destinations: the reference neither writes nor counts wrong kinds and missing ones.
    {"%d %d", "12 34", "f", 2, 5, 0, 1, "11", false},
    {"%s %d", "12 34", "it", 2, 5, 0, 1, "11|keepkeep", false},
    // The limits: s takes at most 80, a miss text counts its first 19, no width is 999.
    {"%s ", std::string(100, 'A'), "t", 1, 80, 1, 0, "AAAAAAA"},
    {"%81s", std::string(100, 'A'), "t", 0, 0, 0, 0, "keepkeep"},  // 81 exactly: never
    {"%!" + std::string(21, 'X') + "!dY", std::string(19, 'X') + "Y", "i", 1, 20, 1, 1,
     "-9999"},
    {"%S%S", std::string(1000, 'S'), "tt", 2, 1000, 2, 1, "SSSSSSS|S"},
};

class ScanpReferenceTest : public ::testing::Test {
   protected:
    void SetUp() override { MESS_reset(); }
    void TearDown() override { MESS_reset(); }
};

TEST_F(ScanpReferenceTest, ReferenceReadsTheLanguageAsWorkedOut) {
    for (const Case& c : CASES) {
        SCOPED_TRACE("\"" + c.pat.substr(0, 40) + "\" on \"" + c.text.substr(0, 40) + "\"");
        check(c, scanp_reference::scan);
    }
}

TEST_F(ScanpReferenceTest, LibraryScannerAgreesOnTheSameCases) {
    for (const Case& c : CASES) {
        SCOPED_TRACE("\"" + c.pat.substr(0, 40) + "\" on \"" + c.text.substr(0, 40) + "\"");
        if (c.fits) {
            check(c, scanp_args);
        } else {
            Case stopped = c;
            stopped.result = stopped.len = stopped.assigned = stopped.done = 0;
            check(stopped, scanp_args);
        }
    }
}

}  // namespace
