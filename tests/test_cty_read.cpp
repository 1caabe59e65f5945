// City database file.
#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cty_read.h"
#include "mess.h"
#include "resrc.h"
#include "testutil.h"

namespace {

using testutil::Capture;
using testutil::TempDir;
using testutil::write_file;

class CtyReadTest : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        RES_reset();
        CTY_close(0);
    }
    void TearDown() override {
        CTY_close(0);
        RES_reset();
    }
    // Writes text as a database in the temporary folder and opens it; the descriptor.
    int open_text(const std::string& text) {
        write_file(dir.file("db.cty"), text);
        return CTY_open(dir.file("db.cty").c_str(), 0, 0);
    }
    TempDir dir;
};

TEST_F(CtyReadTest, CompleteLine) {
    ASSERT_GE(open_text("NAME ST RG IDNT *1* 10.5 20.25 100 72201 7\n"), 0);
    CTY_data c;
    ASSERT_EQ(CTY_read(0, &c), 10);
    EXPECT_STREQ(c.name, "NAME");
    EXPECT_STREQ(c.state, "ST");
    EXPECT_STREQ(c.region, "RG");
    EXPECT_STREQ(c.id, "IDNT");
    EXPECT_EQ(c.prior, 1);
    EXPECT_EQ(c.mos, '*');
    EXPECT_EQ(c.ua, '*');
    EXPECT_FLOAT_EQ(c.lat, 10.5f);
    EXPECT_FLOAT_EQ(c.lon, 20.25f);
    EXPECT_FLOAT_EQ(c.el, 100.0f);
    EXPECT_EQ(c.wmo, 72201);
    EXPECT_EQ(c.num, 7);
}

TEST_F(CtyReadTest, PriorityFieldForms) {
    struct Case {
        const char* field;
        int prior;
        char mos, ua;
    } cases[] = {
        {"3", 3, ' ', ' '},
        {"*3", 3, '*', ' '},
        {"3*", 3, ' ', '*'},
        {"*3*", 3, '*', '*'},
        {"0", 0, ' ', ' '},
        {"9*", 9, ' ', '*'},
        // longer text is cut to four characters; the fields after it still read
        {"*7*extra-long-priority-text", 7, '*', '*'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ASSERT_GE(open_text(std::string("CITY NY US KXYZ ") + c.field + " 40 -73 10 72201 0\n"), 0);
        CTY_data d;
        ASSERT_EQ(CTY_read(0, &d), 10);
        EXPECT_EQ(d.prior, c.prior);
        EXPECT_EQ(d.mos, c.mos);
        EXPECT_EQ(d.ua, c.ua);
        EXPECT_FLOAT_EQ(d.lat, 40.0f);
    }
}

TEST_F(CtyReadTest, ElevationAbove9000IsMissing) {
    ASSERT_GE(open_text("A - XX AAAA 5 1 2 9999 99999 0\n"
                        "B - XX BBBB 5 1 2 9000 99999 0\n"
                        "C - XX CCCC 5 1 2 -12.5 99999 0\n"),
              0);
    const float expected[] = {-9999.0f, 9000.0f, -12.5f};
    for (float el : expected) {
        CTY_data d;
        ASSERT_EQ(CTY_read(0, &d), 10);
        EXPECT_FLOAT_EQ(d.el, el);
    }
}

// Lines that break the format convert what they can, never write past a field, and leave
// the next line intact.
TEST_F(CtyReadTest, BadLines) {
    struct Case {
        const char* what;
        std::string line;
        int fields;
        const char *name, *state, *region, *id;
        float lat;
    } cases[] = {
        {"missing fields", "NAME ST RG", 3, "NAME", "ST", "RG", "", -9999.0f},
        {"name only", "  LONELY", 1, "LONELY", "", "", "", -9999.0f},
        {"non-numeric position", "NAME ST RG ID 3 north 20 1 1 0", 5, "NAME", "ST", "RG", "ID",
         -9999.0f},
        {"priority without digit", "NAME ST RG ID * 1 2 3 4 5", 4, "NAME", "ST", "RG", "ID",
         -9999.0f},
        {"extra fields", "NAME ST RG ID 3 1.5 2 3 4 5 6 7 8", 10, "NAME", "ST", "RG", "ID", 1.5f},
        // a name over 20 characters spills into the following fields
        {"overlong name", "ABCDEFGHIJKLMNOPQRSTUVWXY NY US KXYZ 3 40 -73 10 72201 0", 4,
         "ABCDEFGHIJKLMNOPQRST", "UV", "WX", "Y", -9999.0f},
        {"overlong state", "NAME NEW US KXYZ 3 40 -73 10 72201 0", 4, "NAME", "NE", "W", "US",
         -9999.0f},
        {"overlong identifier", "NAME NY US ABCDEFGHIJKL 3 1 2 3 4 5", 4, "NAME", "NY", "US",
         "ABCDEFGHI", -9999.0f},
        {"binary bytes", std::string("N\x01\xff") + '\0' + "ST RG ID 3 1 2 3 4 5", 10, "N\x01\xff",
         "ST", "RG", "ID", -9999.0f},
        {"overlong line", std::string(300, 'Z'), 4, "ZZZZZZZZZZZZZZZZZZZZ", "ZZ", "ZZ", "ZZZZZZZZZ",
         -9999.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GE(open_text(c.line + "\nNEXT - XX NEXT 2 1 2 3 4 5\n"), 0);
        CTY_data d;
        ASSERT_EQ(CTY_read(0, &d), c.fields);
        EXPECT_STREQ(d.name, c.name);
        EXPECT_STREQ(d.state, c.state);
        EXPECT_STREQ(d.region, c.region);
        EXPECT_STREQ(d.id, c.id);
        if (c.fields < 6) {
            EXPECT_FLOAT_EQ(d.lat, c.lat);
        }
        if (c.fields < 9) {
            EXPECT_EQ(d.wmo, 99999);
        }
        ASSERT_EQ(CTY_read(0, &d), 10);
        EXPECT_STREQ(d.name, "NEXT");
        EXPECT_EQ(d.prior, 2);
    }
}

// A number's plus sign is passed over once, and two signs make no number; whole numbers
// beyond the int range hold at its ends.
TEST_F(CtyReadTest, NumberSignsAndRange) {
    struct Case {
        const char *lat, *wmo;
        int fields;
        float want_lat;
        int want_wmo;
    } cases[] = {
        {"+5.5", "+72201", 10, 5.5f, 72201},
        {"+-5", "72201", 5, -9999.0f, 99999},
        {"-+5", "72201", 5, -9999.0f, 99999},
        {"5", "++1", 8, 5.0f, 99999},
        {"5", "99999999999", 10, 5.0f, INT_MAX},
        {"5", "-99999999999", 10, 5.0f, INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lat) + " " + c.wmo);
        ASSERT_GE(open_text(std::string("NAME ST RG ID 3 ") + c.lat + " 2 3 " + c.wmo + " 5\n"), 0);
        CTY_data d;
        ASSERT_EQ(CTY_read(0, &d), c.fields);
        EXPECT_FLOAT_EQ(d.lat, c.want_lat);
        EXPECT_EQ(d.wmo, c.want_wmo);
    }
}

// The keys of a line are given exactly when its first five fields are words that CTY_decode
// takes whole, and then as CTY_decode gives them.
TEST_F(CtyReadTest, LineKeysOnlyForWholeFields) {
    const std::string name(20, 'N'), id(9, 'I');
    struct Case {
        std::string line;
        int keys;
    } cases[] = {
        {name + " ST RG " + id + " *3* 1 2 3 4 5", 1},
        {"NAME ST RG IDNT 7", 1},
        {name + "N ST RG IDNT 3 1 2 3 4 5", 0},  // a name of 21 characters
        {"NAME STX RG IDNT 3 1 2 3 4 5", 0},
        {"NAME ST RGX IDNT 3 1 2 3 4 5", 0},
        {"NAME ST RG " + id + "I 3 1 2 3 4 5", 0},  // an identifier of 10
        {"NAME ST RG IDNT * 1 2 3 4 5", 0},        // no priority digit
        {"NAME ST RG IDNT", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string text = c.line + "\n";
        CTY_keys keys;
        ASSERT_EQ(CTY_line_keys(text.data(), c.line.size(), &keys), c.keys);
        if (c.keys == 0) continue;
        CTY_data d;
        CTY_decode(text.data(), c.line.size(), &d);
        EXPECT_EQ(keys.id, d.id);
        EXPECT_EQ(keys.prior, d.prior);
    }
}

// Lines of every length, some longer than a line may be, read in order however the file is
// read ahead.
TEST_F(CtyReadTest, ManyLinesOfEveryLength) {
    constexpr int LINES = 3000;
    constexpr size_t KEPT = 255;  // characters of a line that are read
    std::string text;
    std::vector<int> expected_fields;
    for (int i = 0; i < LINES; ++i) {
        std::string head = "N" + std::to_string(i) + " ST RG I" + std::to_string(i) + " " +
                           std::to_string(i % 10) + " 1.5 " + std::to_string(i) +
                           std::string(static_cast<size_t>(i % 400), i % 7 == 0 ? '\t' : ' ');
        std::string line = head + " 3 4 " + std::to_string(i);
        // seven fields in the head; of the last three, the words that begin before the cut
        int fields = 7;
        for (size_t pos = head.size(); fields < 10; ++fields) {
            pos = line.find_first_not_of(' ', pos);
            if (pos >= KEPT) break;
            pos = line.find(' ', pos);
        }
        expected_fields.push_back(fields);
        text += line + "\n";
    }
    ASSERT_GE(open_text(text), 0);
    int cut = 0;
    for (int i = 0; i < LINES; ++i) {
        SCOPED_TRACE(i);
        CTY_data d;
        ASSERT_EQ(CTY_read(0, &d), expected_fields[i]);
        ASSERT_EQ(d.name, "N" + std::to_string(i));
        ASSERT_EQ(d.prior, i % 10);
        ASSERT_FLOAT_EQ(d.lon, static_cast<float>(i));
        cut += expected_fields[i] < 10;
    }
    CTY_data d;
    EXPECT_EQ(CTY_read(0, &d), -1);
    EXPECT_GT(cut, 500);
}

// The records each file gives, as (fields converted, identifier), up to the end.
TEST_F(CtyReadTest, FileShapes) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::pair<int, const char*>> records;
    } cases[] = {
        {"empty", "", {}},
        {"blank lines passed over",
         "\n   \n\t\nA - XX AAAA 1 1 2 3 4 5\n\n\nB - XX BBBB 1 1 2 3 4 5\n\n  ",
         {{10, "AAAA"}, {10, "BBBB"}}},
        {"last line without newline", "A - XX AAAA 1 1 2 3 4 5", {{10, "AAAA"}}},
        {"carriage returns",
         "A - XX AAAA 1 1 2 3 4 5\r\nB - XX BBBB 1 1 2 3 4 5\r\n",
         {{10, "AAAA"}, {10, "BBBB"}}},
        // a short line after a full one keeps nothing of it
        {"short after full", "A - XX AAAA 1 1 2 3 4 5\nB - XX\n", {{10, "AAAA"}, {3, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GE(open_text(c.text), 0);
        CTY_data d;
        for (const auto& [fields, id] : c.records) {
            ASSERT_EQ(CTY_read(0, &d), fields);
            EXPECT_STREQ(d.id, id);
        }
        if (!c.records.empty() && c.records.back().first < 9) {
            EXPECT_FLOAT_EQ(d.lat, -9999.0f);
            EXPECT_EQ(d.wmo, 99999);
            EXPECT_EQ(d.num, 0);
        }
        EXPECT_EQ(CTY_read(0, &d), -1);
        EXPECT_EQ(CTY_read(0, &d), -1);
    }
}

TEST_F(CtyReadTest, RewindAndClose) {
    ASSERT_GE(open_text("A - XX AAAA 1 1 2 3 4 5\nB - XX BBBB 1 1 2 3 4 5\n"), 0);
    CTY_data d;
    ASSERT_EQ(CTY_read(0, &d), 10);
    ASSERT_EQ(CTY_read(0, &d), 10);
    EXPECT_EQ(CTY_rewind(0), 0);
    ASSERT_EQ(CTY_read(0, &d), 10);
    EXPECT_STREQ(d.id, "AAAA");
    EXPECT_EQ(CTY_close(0), 0);
    // no handle is held after closing
    EXPECT_EQ(CTY_read(0, &d), -1);
    EXPECT_EQ(CTY_rewind(0), -1);
    EXPECT_EQ(CTY_close(0), -1);
}

TEST_F(CtyReadTest, OpenAccessModes) {
    std::string name = dir.file("new.cty");
    EXPECT_EQ(CTY_open(name.c_str(), 2, 0), -1);
    EXPECT_EQ(CTY_open(name.c_str(), -1, 0), -1);
    EXPECT_EQ(CTY_open(name.c_str(), 0, 0), -1);  // missing file
    int fd = CTY_open(name.c_str(), 1, 0);
    EXPECT_GT(fd, 2);
    EXPECT_EQ(CTY_close(fd), 0);
    EXPECT_TRUE(testutil::read_file(name).empty());
    // opening a second file closes the first one
    write_file(dir.file("a.cty"), "A - XX AAAA 1 1 2 3 4 5\n");
    write_file(dir.file("b.cty"), "B - XX BBBB 1 1 2 3 4 5\n");
    ASSERT_GE(CTY_open(dir.file("a.cty").c_str(), 0, 0), 0);
    ASSERT_GE(CTY_open(dir.file("b.cty").c_str(), 0, 0), 0);
    CTY_data d;
    ASSERT_EQ(CTY_read(0, &d), 10);
    EXPECT_STREQ(d.id, "BBBB");
}

TEST_F(CtyReadTest, StationCountEstimate) {
    struct Case {
        size_t bytes;
        int estimate;
    } cases[] = {{5900, 100}, {1 << 20, 4000}, {58, 1}, {0, 1}, {118, 2}, {236000, 4000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        write_file(dir.file("sao.cty"), std::string(c.bytes, 'x'));
        RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
        int n = -1;
        EXPECT_GE(CTY_open_file(nullptr, &n), 0);
        EXPECT_EQ(n, c.estimate);
    }
}

TEST_F(CtyReadTest, FindsTheFileAlongFilePath) {
    write_file(dir.file("sao.cty"), "DEF - XX DDDD 1 1 2 3 4 5\n");
    write_file(dir.file("other.cty"), "OTH - XX OOOO 1 1 2 3 4 5\n");
    write_file(dir.file("res.cty"), "RES - XX RRRR 1 1 2 3 4 5\n");
    RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
    struct Case {
        const char* what;
        const char* argument;
        const char* resource;  // city_file, or null for none
        const char* id;
    } cases[] = {
        {"default name", nullptr, nullptr, "DDDD"},
        {"argument", "other.cty", nullptr, "OOOO"},
        {"resource over argument", "other.cty", "res.cty", "RRRR"},
        {"empty resource is unset", "other.cty", "", "OOOO"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.resource != nullptr) RES_new(RES_UNLISTED, "city_file", c.resource, CV_none);
        int n = 0;
        ASSERT_GE(CTY_open_file(c.argument, &n), 0);
        CTY_data d;
        ASSERT_EQ(CTY_read(0, &d), 10);
        EXPECT_STREQ(d.id, c.id);
        CTY_close(0);
    }
}

TEST_F(CtyReadTest, NoneMeansNoDatabaseWithoutMessage) {
    write_file(dir.file("none"), "A - XX AAAA 1 1 2 3 4 5\n");
    RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
    for (const char* none : {"none", "NONE", "None"}) {
        SCOPED_TRACE(none);
        RES_new(RES_UNLISTED, "city_file", none, CV_none);
        Capture err(2);
        int n = 0;
        EXPECT_EQ(CTY_open_file("sao.cty", &n), -1);
        EXPECT_EQ(err.stop(), "");
        CTY_data d;
        EXPECT_EQ(CTY_read(0, &d), -1);
    }
}

TEST_F(CtyReadTest, MissingFileWarns) {
    RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
    Capture err(2);
    int n = 0;
    EXPECT_EQ(CTY_open_file("absent.cty", &n), -1);
    EXPECT_EQ(err.stop(),
              "CTY_open_file: Database file not found: " + dir.file("absent.cty") + "\n");
    EXPECT_EQ(n, 1);
}

TEST_F(CtyReadTest, OverlongNameIsRefusedNotReadFromStandardInput) {
    std::string path(200, 'd');
    RES_new(RES_UNLISTED, "file_path", path.c_str(), CV_none);
    Capture err(2);
    int n = 0;
    EXPECT_EQ(CTY_open_file("sao.cty", &n), -1);
    EXPECT_EQ(err.stop(), "CTY_open_file: Database file not found: sao.cty\n");
}

// Positions and elevations are the correctly rounded floats of their text, in every written
// form: few or many digits, signs, leading and trailing points, exponents.
TEST_F(CtyReadTest, NumbersAreCorrectlyRounded) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> digits(0, 99999999);
    std::uniform_int_distribution<int> point(0, 9);
    std::vector<std::string> forms = {"0.1", "-0.0", "1.", ".5", "-.25", "16777217", "0.0000000001",
                                      "1e2", "2.5E-3", "123456789.5", "-9.42", "160.05"};
    for (int i = 0; i < 3000; ++i) {
        // Digits with a point at a random place (none when it falls beyond them).
        char d[24];
        int n = snprintf(d, sizeof d, "%s%d", i % 2 != 0 ? "-" : "", digits(rng));
        int at = (i % 2 != 0 ? 1 : 0) + point(rng);
        if (at < n) {
            memmove(d + at + 1, d + at, static_cast<size_t>(n - at + 1));
            d[at] = '.';
        }
        forms.emplace_back(d);
    }
    std::string text;
    char line[128];
    for (const std::string& f : forms) {
        snprintf(line, sizeof line, "N - X ID 1 %s %s %s 1 0\n", f.c_str(), f.c_str(), f.c_str());
        text.append(line);
    }
    ASSERT_GE(open_text(text), 0);
    for (const std::string& f : forms) {
        SCOPED_TRACE(f);
        float want = 0;
        std::from_chars(f.data(), f.data() + f.size(), want);
        CTY_data c;
        ASSERT_EQ(CTY_read(0, &c), 10);
        EXPECT_EQ(c.lat, want);
        EXPECT_EQ(std::signbit(c.lat), std::signbit(want));
        EXPECT_EQ(c.lon, want);
    }
}

}  // namespace
