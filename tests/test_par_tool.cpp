// Bulletin reader: line readers, heading comparison, end rules, product search, report
// selection and reading, listing, the last and continuous modes, and bad input.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files.h"
#include "mess.h"
#include "par_tool.h"
#include "resrc.h"
#include "testutil.h"

namespace {

using testutil::Capture;
using testutil::TempDir;
using testutil::write_file;

using Lines = std::vector<std::string>;

const std::string SOH = "\x01";
const std::string ETX = "\x03";

// The lines of a bulletin file, each ended by eol.
std::string feed(const Lines& lines, const std::string& eol = "\n") {
    std::string text;
    for (const auto& l : lines) text += l + eol;
    return text;
}

// One report as the converter gathers it: the lines read, the final "=" line when the status
// says the report ended with it, and the status.
struct Report {
    Lines lines;
    int status;
};

// Every non-empty report of every product whose heading matches pat, read as the converter
// reads them (bounded, so that a fault cannot hang the test).
std::vector<Lines> collect(int ind, const char* pat = "F(T|CCN)") {
    std::vector<Lines> out;
    for (int s = 0; s < 100; ++s) {
        char pattern[50];
        snprintf(pattern, sizeof pattern, "%s", pat);
        if (PAR_search(ind, pattern) != 1) break;
        for (int r = 0; r < 100 && PAR_identifier(ind) == 1; ++r) {
            Lines report;
            char line[PAR_LINE_SIZE];
            for (int i = 0; i < PAR_MAX_TRIES && PAR_read(ind, 0, i, line) > 0; ++i)
                report.push_back(line);
            if (PAR_get_status(ind) == 2048) report.push_back(line);
            if (!report.empty()) out.push_back(report);
        }
    }
    return out;
}

class ParTool : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        RES_reset();
        FILE_reset();
        PAR_reset();
        MESS_set(0, MESS_PRINT | MESS_ERROR | MESS_WARN);
    }
    void TearDown() override {
        PAR_reset();
        FILE_reset();
        RES_reset();
        MESS_reset();
    }

    // Writes text into a file and opens it as a file the user named: the slot index.
    int open_text(const std::string& text, const std::string& name = "bulletin") {
        path = dir.file(name);
        write_file(path, text);
        return open_path(path);
    }
    int open_path(const std::string& file) {
        char out[FILE_NAME_MAX];
        FILE_set_file(file.c_str(), out);
        return PAR_open(nullptr);
    }
    // The converter's rules: a report ends at a line ending in "=", report lines only.
    void converter_rules(const char* ids) {
        PAR_set_end(2048);
        PAR_set_output(2);
        PAR_set_identifier(ids);
    }

    TempDir dir;
    std::string path;
};

// A product of a feed: SOH, sequence number, heading, lines, ETX.
Lines framed(const std::string& heading, const Lines& body) {
    Lines l = {SOH, "301 ", heading};
    l.insert(l.end(), body.begin(), body.end());
    l.push_back(ETX);
    return l;
}

const Lines KOKX = framed("FTUS43 KOKX 121130", {
    "TAFJFK",
    "KJFK 121130Z 1212/1318 18010KT P6SM SCT250",
    "     FM121500 20012G20KT P6SM BKN050",
    "     FM130000 30010KT P6SM SKC=",
    "KLGA 121130Z 1212/1318 19008KT P6SM FEW250=",
    "KEWR 121132Z 1212/1318 20010KT P6SM",
    "     FM130000 31008KT P6SM SKC=",
});

// ---- Line readers ----

struct LineCase {
    const char* name;
    std::string text;
    int len;
    std::vector<std::pair<int, std::string>> reads;  // result and text of each call
};

TEST(LineReaders, PiecesEmptyLinesAndEnd) {
    const std::vector<LineCase> cases = {
        {"empty line between", std::string("ABC\n\nDEF"), 10, {{3, "ABC"}, {0, ""}, {3, "DEF"}, {-1, ""}}},
        {"leading empty line passed over", "\nABC\n", 10, {{3, "ABC"}, {-1, ""}}},
        {"long line in pieces", "ABCDEFGHIJ\nK", 4, {{4, "ABCD"}, {4, "EFGH"}, {2, "IJ"}, {1, "K"}, {-1, ""}}},
        {"exact length then newline", "ABCD\nEF\n", 4, {{4, "ABCD"}, {2, "EF"}, {-1, ""}}},
        {"no final newline", "ABC", 10, {{3, "ABC"}, {-1, ""}}},
        {"empty file", "", 10, {{-1, ""}}},
        {"carriage returns kept", "AB\r\n", 10, {{3, "AB\r"}, {-1, ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string copy = c.text;
        FILE* f = copy.empty() ? fopen("/dev/null", "r") : fmemopen(copy.data(), copy.size(), "r");
        ASSERT_NE(f, nullptr);
        for (const auto& [result, text] : c.reads) {
            char buf[16];
            memset(buf, 'x', sizeof buf);
            EXPECT_EQ(fgetnline(f, buf, c.len), result);
            if (result >= 0) {
                EXPECT_EQ(std::string(buf), text);
            }
        }
        fclose(f);
    }
}

TEST(LineReaders, FgetstringCountsConversions) {
    std::string text = "ABC\n\nDEF";
    FILE* f = fmemopen(text.data(), text.size(), "r");
    char buf[8];
    EXPECT_EQ(fgetstring(f, buf, 7), 1);
    EXPECT_STREQ(buf, "ABC");
    EXPECT_EQ(fgetstring(f, buf, 7), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(fgetstring(f, buf, 7), 1);
    EXPECT_STREQ(buf, "DEF");
    EXPECT_EQ(fgetstring(f, buf, 7), -1);
    fclose(f);
}

// ---- Heading comparison ----

TEST(HeadingCompare, Patterns) {
    struct Case {
        const char* hdr;
        const char* second;
        const char* pat;
        bool match;
    };
    const Case cases[] = {
        {"FTUS43 KOKX 121130", "", "F(T|CCN)", true},
        {"** FCCN31 CWAO 121200", "", "F(T|CCN)", true},
        {"**   FTUS43 KOKX", "", "F(T|CCN)", true},
        {"   FTUS43 KOKX", "", "F(T|CCN)", true},
        {"FXUS61 KOKX 121130", "", "F(T|CCN)", false},
        {"F", "", "F(T|CCN)", true},    // ended within the alternatives
        {"FC", "", "F(T|CCN)", true},   // ended within the last alternative
        {"FCX", "", "F(T|CCN)", false},
        {"FTU", "", "F(T|CCN)U", true},  // goes on behind the alternative
        {"FCCNU", "", "F(T|CCN)U", true},
        {"FCCNX", "", "F(T|CCN)U", false},
        {"FTUS43 KOKX 121130", "", "FT????_K", true},
        {"FTUS43 KOKX 121130", "", "FT*_KOKX", true},
        {"FTUS43 KOKX 121130", "", "FT-_KOKX", true},
        {"FTUS43 KOKX 121130", "", "FT*_KLGA", false},
        {"FTUS43", "", "FT*_K", false},  // the heading runs out while skipping
        {"FT_US", "", "FT_US", true},
        {"FTUS", "", "FT[UC]S", true},
        {"FTXS", "", "FT[UC]S", false},
        {"FTXS", "", "FT[^UC]S", true},
        {"FT", "", "FT[UC]", false},     // no set matches at the end of the heading
        {"FT", "", "FT.", false},
        {"ANYTHING", "", "all", true},
        {"ANYTHING", "", "ALL", true},
        {"", "", "all", false},           // an empty heading matches no pattern
        {"", "", "F", false},
        {"FT", "", "", true},
        {"**", "", "F", false},
        {"FT", "  KOKX", "FT/KOKX", true},
        {"FT", "KLGA", "FT/KOKX", false},
        {"FT", "GRIB", "FT/M0G0L0", true},  // the grid description is never filled
        {"FT", "GRIB", "FT/M7", false},
        {"FT", "GRIB", "FT/Q0", false},
        {"FX", "", "F(T|CC", false},        // unclosed alternatives
        {"FT", "", "F[T", true},            // unclosed set
        {"FCC", "", "F([CD]C|X)", true},
        {"FAC", "", "F(.C|X)", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.hdr) + " / " + c.second + " ~ " + c.pat);
        EXPECT_EQ(PAR_cmp(c.hdr, c.second, c.pat) == 0, c.match);
    }
}

// ---- End rules ----

class EndRules : public ParTool {};

TEST_F(EndRules, CodesOfOneLine) {
    struct Case {
        int end;
        const char* line;
        unsigned long code;
        const char* cleaned;
    };
    const Case cases[] = {
        {2048, "     FM130000 30010KT P6SM SKC=", 0x800, "     FM130000 30010KT P6SM SKC="},
        {2048, "   ", 0, "   "},
        {2048, "", 0, ""},                      // an empty line has no last character
        {2048, "KJFK SKC= ", 0, "KJFK SKC= "},  // the last character decides
        {2048, "KJFK SKC=\x1f", 0x800, "KJFK SKC="},
        {2048, "A\x01\xb0=", 0x800, "A  ="},
        {2048, "\x03", 4, "\x03"},
        {0, "\x01" "ABC=", 4, "\x01" "ABC="},
        {0, "** FTUS43 KOKX", 5, "** FTUS43 KOKX"},
        {0, "**FTUS43 KOKX", 0, "**FTUS43 KOKX"},
        {0x100, "", 0x100, ""},
        {0x100, " \t", 0x100, " "},
        {0x400, "$$", 0x400, "$$"},
        {0x400, " $$", 0, " $$"},
        {0, "ANY=", 0, "ANY="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        PAR_set_end(c.end);
        char line[PAR_LINE_SIZE];
        snprintf(line, sizeof line, "%s", c.line);
        EXPECT_EQ(PAR_end(0, line), c.code);
        EXPECT_EQ(PAR_get_status(0), static_cast<int>(c.code));
        EXPECT_STREQ(line, c.cleaned);
    }
}

TEST_F(EndRules, ThreeBlankLinesAndLineCount) {
    PAR_set_end(0x200);
    char blank[] = " ";
    EXPECT_EQ(PAR_end(0, blank), 0u);
    EXPECT_EQ(PAR_end(0, blank), 0u);
    EXPECT_EQ(PAR_end(0, blank), 0x200u);
    char text[] = "X";
    EXPECT_EQ(PAR_end(0, text), 0u);  // the run is broken
    EXPECT_EQ(PAR_end(0, blank), 0u);

    PAR_reset();
    RES_new(RES_UNLISTED, "parameter", "LINE_3", CV_none);
    PAR_in_file("");
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(PAR_end(0, text), 0u) << i;
    EXPECT_EQ(PAR_end(0, text), 0x10u);
}

TEST_F(EndRules, ParameterValues) {
    struct Case {
        const char* value;
        const char* line;
        int lines_before;  // lines tested first
        unsigned long code;
        int status;
    };
    const Case cases[] = {
        {"equal", "ABC=", 0, 0x800, 0x800},
        {"EQUAL", "ABC=", 0, 0x800, 0x800},
        {"dollar", "$$", 0, 0x400, 0x400},
        {"blank", "", 0, 0x100, 0x100},
        {"3blank", "", 2, 0x200, 0x200},
        {"line", "A", 1, 0x10, 0x10},     // the bare word allows one line
        {"line", "A", 0, 0, 0},
        {"skip_blank", "", 0, 0x100, 0},  // skip codes are not kept
        {"skip", "A", 1, 0x10, 0},
        {"skip_2", "A", 1, 0, 0},
        {"skip_2", "A", 2, 0x10, 0},
        {"nonsense", "ABC=", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " " + std::to_string(c.lines_before));
        PAR_reset();
        RES_new(RES_UNLISTED, "parameter", c.value, CV_none);
        PAR_in_file("");
        char line[PAR_LINE_SIZE];
        for (int i = 0; i < c.lines_before; ++i) {
            snprintf(line, sizeof line, "%s", c.line);
            PAR_end(0, line);
        }
        snprintf(line, sizeof line, "%s", c.line);
        EXPECT_EQ(PAR_end(0, line), c.code);
        EXPECT_EQ(PAR_get_status(0), c.status);
    }
}

TEST_F(EndRules, SetEndKeepsSkipRules) {
    RES_new(RES_UNLISTED, "parameter", "blank,skip_blank", CV_none);
    PAR_in_file("term_dat");
    PAR_set_end(2048);
    char blank[] = "";
    EXPECT_EQ(PAR_end(0, blank), 0x100u);  // the skip rule's code
    EXPECT_EQ(PAR_get_status(0), 0);       // not the end rule's
}

// ---- Product lookup table ----

TEST_F(ParTool, LookupTable) {
    write_file(dir.file("parse.lup"), "FT term_dat\nFCCN   canada_dat\n"
                                      "FXUSABCDEFGHIJKLMNOPQRSTUVWXYZ long_type\nlonely\n"
                                      "fz lower_dat\n");
    RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
    struct Case {
        const char* product;
        int result;
        const char* type;
        const char* upper;
    };
    const Case cases[] = {
        {"ftus43", 1, "term_dat", "FTUS43"},
        {"FCCN31", 1, "canada_dat", "FCCN31"},
        {"FXUSABCDEFGHIJKLMNO", 1, "long_type", "FXUSABCDEFGHIJKLMNO"},  // prefix cut at 19
        {"FXUS61", 0, "", "FXUS61"},
        {"FZUS", 0, "", "FZUS"},  // the prefix is compared as written
        {"", 0, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.product);
        char product[40];
        snprintf(product, sizeof product, "%s", c.product);
        char type[PAR_TYPE_SIZE] = "";
        EXPECT_EQ(PAR_lookup(product, type), c.result);
        EXPECT_STREQ(type, c.type);
        EXPECT_STREQ(product, c.upper);
    }
    RES_new(RES_UNLISTED, "file_path", dir.file("missing").c_str(), CV_none);
    char product[] = "FT";
    char type[PAR_TYPE_SIZE] = "";
    EXPECT_EQ(PAR_lookup(product, type), -1);
    EXPECT_EQ(PAR_lookup(nullptr, type), 0);
}

// ---- Opening and the closed slot ----

TEST_F(ParTool, ClosedSlotDoesNothing) {
    MESS_set(0, MESS_PRINT | MESS_ERROR | MESS_WARN | MESS_MESS);
    Capture out(1);
    EXPECT_EQ(open_path(dir.file("missing")), -1);
    EXPECT_EQ(out.stop(), "Parsing: " + dir.file("missing") + "\n");
    char pat[] = "FT";
    char line[PAR_LINE_SIZE] = "x";
    EXPECT_EQ(PAR_search(-1, pat), -1);
    EXPECT_EQ(PAR_search(0, pat), -1);
    EXPECT_EQ(PAR_identifier(-1), -1);
    EXPECT_EQ(PAR_read(-1, 0, 0, line), -1);
    EXPECT_EQ(PAR_print(-1, 1), -1);
    EXPECT_EQ(PAR_print(0, 1), -1);
    EXPECT_EQ(PAR_close(-1), 0);
    EXPECT_EQ(PAR_close(0), 0);
}

TEST_F(ParTool, CloseOnceAndEmptyFile) {
    int ind = open_text("");
    ASSERT_EQ(ind, 0);
    char pat[] = "FT";
    EXPECT_EQ(PAR_search(ind, pat), -1);
    EXPECT_EQ(PAR_get_status(ind), 4);
    EXPECT_EQ(PAR_identifier(ind), 0);  // every report: the product has ended
    PAR_set_identifier("KJFK");
    EXPECT_EQ(PAR_identifier(ind), -1);
    EXPECT_EQ(PAR_close(ind), 1);
    EXPECT_EQ(PAR_close(ind), 0);
}

// ---- Product search ----

TEST_F(ParTool, SearchFindsEachMatchingProduct) {
    Lines text = KOKX;
    Lines other = framed("FXUS61 KOKX 121130", {"AREA FORECAST DISCUSSION", "FTUS99 NOT A HEADING"});
    text.insert(text.end(), other.begin(), other.end());
    text.push_back("** FCCN31 CWAO 121200");
    text.push_back("TAF CYYZ 121140Z 1212/1318 25012KT P6SM SCT030=");
    int ind = open_text(feed(text, "\r\r\n"));
    ASSERT_EQ(ind, 0);
    converter_rules(nullptr);
    char line[PAR_LINE_SIZE];
    std::vector<std::string> found;
    char pat[] = "f(t|ccn)";
    for (int i = 0; i < 10 && PAR_search(ind, pat) == 1; ++i) {
        EXPECT_EQ(PAR_get_status(ind), 1);
        PAR_set_output(1);
        ASSERT_EQ(PAR_read(ind, 0, 0, line), 1);  // the heading as held
        found.push_back(line);
        PAR_set_output(2);
    }
    EXPECT_STREQ(pat, "F(T|CCN)");  // upper-cased in place
    // A heading inside a product is an ordinary line: the search goes from line to line, so
    // "FTUS99 ..." is found too; "** " headings keep their marks in the held heading.
    EXPECT_EQ(found, (Lines{"FTUS43 KOKX 121130", "FTUS99 NOT A HEADING", "** FCCN31 CWAO 121200"}));
    EXPECT_EQ(PAR_get_status(ind), 4);
}

// ---- Reading reports as the converter does ----

TEST_F(ParTool, AllStationsReports) {
    ASSERT_EQ(open_text(feed(KOKX, "\r\r\n")), 0);
    converter_rules(nullptr);
    EXPECT_EQ(collect(0), (std::vector<Lines>{
                              {"TAFJFK", "KJFK 121130Z 1212/1318 18010KT P6SM SCT250",
                               "     FM121500 20012G20KT P6SM BKN050", "     FM130000 30010KT P6SM SKC="},
                              {"KLGA 121130Z 1212/1318 19008KT P6SM FEW250="},
                              {"KEWR 121132Z 1212/1318 20010KT P6SM", "     FM130000 31008KT P6SM SKC="},
                          }));
}

TEST_F(ParTool, SelectedStationReports) {
    const Lines jfk = {"KJFK 121130Z 1212/1318 18010KT P6SM SCT250", "     FM121500 20012G20KT P6SM BKN050",
                       "     FM130000 30010KT P6SM SKC="};
    const Lines lga = {"KLGA 121130Z 1212/1318 19008KT P6SM FEW250="};
    const Lines ewr = {"KEWR 121132Z 1212/1318 20010KT P6SM", "     FM130000 31008KT P6SM SKC="};
    Lines plus_jfk = {"TAFJFK"};
    plus_jfk.insert(plus_jfk.end(), jfk.begin(), jfk.end());
    struct Case {
        const char* ids;
        std::vector<Lines> reports;
    };
    const Case cases[] = {
        {"KJFK", {jfk}},
        {"kjf", {jfk}},  // a prefix, any case
        {"KLGA", {lga}},  // a one-line report, once
        {"KEWR,KJFK", {jfk, ewr}},
        {"+JFK", {plus_jfk}},  // anywhere in the line, so TAFJFK begins the report
        {"+jfk", {}},          // case matters there
        {"KBOS", {}},
        {"ua:KLGA", {lga}},  // a line without report type and time groups is taken whole
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ids);
        PAR_reset();
        ASSERT_EQ(open_text(feed(KOKX)), 0);
        converter_rules(c.ids);
        EXPECT_EQ(collect(0), c.reports);
    }
}

TEST_F(ParTool, ReadStepByStep) {
    ASSERT_EQ(open_text(feed(KOKX)), 0);
    converter_rules("KJFK");
    char pat[] = "F(T|CCN)";
    char line[PAR_LINE_SIZE];
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);
    EXPECT_STREQ(line, "KJFK 121130Z 1212/1318 18010KT P6SM SCT250");
    EXPECT_EQ(PAR_read(0, 0, 1, line), 1);
    EXPECT_STREQ(line, "     FM121500 20012G20KT P6SM BKN050");
    EXPECT_EQ(PAR_read(0, 0, 2, line), 0);
    EXPECT_STREQ(line, "     FM130000 30010KT P6SM SKC=");
    EXPECT_EQ(PAR_get_status(0), 2048);
    EXPECT_EQ(PAR_identifier(0), 0);  // passes over KLGA and KEWR to the product's end
    EXPECT_EQ(PAR_get_status(0), 4);
    EXPECT_EQ(PAR_search(0, pat), -1);
}

TEST_F(ParTool, IdentifiersFromTheResource) {
    RES_new(RES_UNLISTED, "identifier", "KEWR", CV_none);
    ASSERT_EQ(open_text(feed(KOKX)), 0);
    PAR_set_end(2048);
    PAR_set_output(2);
    EXPECT_EQ(collect(0), (std::vector<Lines>{{"KEWR 121132Z 1212/1318 20010KT P6SM", "     FM130000 31008KT P6SM SKC="}}));
}

TEST_F(ParTool, HeadingOutputAndFlagClose) {
    ASSERT_EQ(open_text(feed(KOKX)), 0);
    PAR_set_end(2048);
    PAR_set_output(3);
    PAR_set_identifier("KLGA");
    char pat[] = "FT";
    char line[PAR_LINE_SIZE];
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 1, 0, line), 1);
    EXPECT_STREQ(line, "FTUS43 KOKX 121130");
    EXPECT_EQ(PAR_read(0, 1, 1, line), 0);  // the one-line report, and the file closes
    EXPECT_STREQ(line, "KLGA 121130Z 1212/1318 19008KT P6SM FEW250=");
    EXPECT_EQ(PAR_get_status(0), 2048);
    EXPECT_EQ(PAR_close(0), 0);
}

TEST_F(ParTool, ProductEndsAndHeldHeadings) {
    // Reports ending at ETX and at a "** " heading; a non-forecast product between; the last
    // line has no newline.
    const std::string text = feed({SOH, "301 ", "FTUK31 EGGY 151700",
                                   "EGLL 151658Z 1518/1624 24012KT 9999 SCT035", "  BECMG 1600/1603 20008KT",
                                   "  PROB30 TEMPO 1606/1610 4000 RA BKN012=", "EGKK 151655Z 1518/1618 23010KT CAVOK",
                                   "  TEMPO 1600/1606 8000 -SHRA", "** FXUS61 KOKX 151700", "AREA FORECAST DISCUSSION",
                                   "EGXX 151700Z NOT A FORECAST=", "** FCCN31 CWAO 151700",
                                   "TAF CYYZ 151640Z 1518/1624 25012KT P6SM SCT030 BKN080", "EGZZ 151700Z 1518/1624",
                                   "  TEMPO 1518/1522 5SM -SHRA", ETX, "TAF CYUL 151650Z",
                                   "     RMK NXT FCST BY 152100Z="},
                                  "\r\r\n");
    const std::string no_final_newline = text.substr(0, text.size() - 3);
    const Lines egll = {"EGLL 151658Z 1518/1624 24012KT 9999 SCT035", "  BECMG 1600/1603 20008KT",
                        "  PROB30 TEMPO 1606/1610 4000 RA BKN012="};
    const Lines egkk = {"EGKK 151655Z 1518/1618 23010KT CAVOK", "  TEMPO 1600/1606 8000 -SHRA"};
    const Lines egzz = {"EGZZ 151700Z 1518/1624", "  TEMPO 1518/1522 5SM -SHRA"};
    struct Case {
        const char* ids;
        std::vector<Lines> reports;
    };
    const Case cases[] = {
        {nullptr,
         {egll, egkk, {"TAF CYYZ 151640Z 1518/1624 25012KT P6SM SCT030 BKN080", "EGZZ 151700Z 1518/1624",
                       "  TEMPO 1518/1522 5SM -SHRA"}}},
        {"EGKK", {egkk}},
        {"EGKK,EGXX", {egkk}},  // the line of the other product is never examined
        {"EGZZ", {egzz}},       // ends at ETX
        {"EGLL,EGZZ", {egll, egzz}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ids != nullptr ? c.ids : "all");
        PAR_reset();
        ASSERT_EQ(open_text(no_final_newline), 0);
        converter_rules(c.ids);
        EXPECT_EQ(collect(0), c.reports);
    }
}

TEST_F(ParTool, ReportEndStatuses) {
    const std::string text = feed({"FTUS43 KOKX 121130", "KJFK 121130Z 1212/1318", "  FM121500 20012KT",
                                   "** FTUS44 KOKX 121130", "KBOS 121130Z 1212/1318", ETX,
                                   "FTUS45 KOKX 121130", "KALB 121130Z 1212/1318"});
    ASSERT_EQ(open_text(text), 0);
    converter_rules(nullptr);
    char pat[] = "FT";
    char line[PAR_LINE_SIZE];
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);
    EXPECT_EQ(PAR_read(0, 0, 1, line), 1);
    EXPECT_EQ(PAR_read(0, 0, 2, line), 0);
    EXPECT_EQ(PAR_get_status(0), 5);
    EXPECT_EQ(PAR_identifier(0), 0);
    ASSERT_EQ(PAR_search(0, pat), 1);  // the held heading
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);
    EXPECT_STREQ(line, "KBOS 121130Z 1212/1318");
    EXPECT_EQ(PAR_read(0, 0, 1, line), 0);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(PAR_get_status(0), 4);
    EXPECT_EQ(PAR_identifier(0), 0);
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);  // the file ends inside the product
    EXPECT_STREQ(line, "KALB 121130Z 1212/1318");
    EXPECT_EQ(PAR_read(0, 0, 1, line), -1);
    EXPECT_EQ(PAR_get_status(0), 4);
    EXPECT_EQ(PAR_identifier(0), 0);
    EXPECT_EQ(PAR_search(0, pat), -1);
}

TEST_F(ParTool, HeadingOnTheLastLineFoundOnce) {
    for (const char* eol : {"\n", ""}) {
        SCOPED_TRACE(*eol != '\0' ? "with newline" : "without newline");
        PAR_reset();
        ASSERT_EQ(open_text(feed({"FTUS43 KOKX 121130", "KJFK 121130Z 1212/1318 SKC="}) +
                            "** FTUS44 KOKX 121130" + eol),
                  0);
        converter_rules(nullptr);
        char pat[] = "FT";
        int found = 0;
        for (int i = 0; i < 10 && PAR_search(0, pat) == 1; ++i) {
            ++found;
            char line[PAR_LINE_SIZE];
            for (int r = 0; r < 10 && PAR_identifier(0) == 1; ++r)
                for (int n = 0; n < 10 && PAR_read(0, 0, n, line) > 0; ++n) {
                }
        }
        EXPECT_EQ(found, 2);
    }
}

TEST_F(ParTool, OneLineReportWithoutFinalNewline) {
    ASSERT_EQ(open_text("FTUS43 KOKX 121130\nKJFK 121130Z 1212/1318 18010KT P6SM SKC="), 0);
    converter_rules("KJFK");
    char pat[] = "FT";
    char line[PAR_LINE_SIZE];
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 0);
    EXPECT_STREQ(line, "KJFK 121130Z 1212/1318 18010KT P6SM SKC=");
    EXPECT_EQ(PAR_get_status(0), 2048);
    EXPECT_EQ(PAR_identifier(0), -1);
}

TEST_F(ParTool, LongLines) {
    const std::string first = "KJFK 121130Z 1212/1318 " + std::string(177, 'X');  // 200 characters
    const std::string heading = "FTUS43 KOKX 121130 " + std::string(81, 'H');     // 100 characters
    ASSERT_EQ(open_text(feed({heading, "TAF", first, "  FM121500 20012KT=", "KLGA"})), 0);
    PAR_set_end(2048);
    PAR_set_output(3);
    PAR_set_identifier("KJFK");
    char pat[] = "FT";
    char line[PAR_LINE_SIZE];
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);
    EXPECT_EQ(line, heading.substr(0, 80));  // the held heading keeps 80 characters
    EXPECT_EQ(PAR_read(0, 0, 1, line), 1);
    EXPECT_EQ(line, first.substr(0, 128));  // the held first line is whole
    EXPECT_EQ(PAR_read(0, 0, 2, line), 1);
    EXPECT_EQ(line, first.substr(128));
    EXPECT_EQ(PAR_read(0, 0, 3, line), 0);
    EXPECT_STREQ(line, "  FM121500 20012KT=");
}

// ---- Zones and upper-air stations ----

TEST_F(ParTool, ZoneLists) {
    struct Step {
        const char* line;
        const char* id;
        int result;
    };
    const Step steps[] = {
        {"NYZ072>075-078-080-121530-", "NYZ074", 1},
        {"NYZ072>075-078-080-121530-", "NYZ078", 1},
        {"NYZ072>075-078-080-121530-", "nyz072", 1},
        {"NYZ072>075-078-080-121530-", "NYZ079", 0},
        {"NYZ072>075-078-080-121530-", "NJZ074", 0},
        {"081-082-", "NYZ081", 1},  // a continuation keeps the prefix NYZ
        {"NYZALL-", "NYZ123", 1},
        {"NJZALL-", "NYZ123", 0},
        {"NYZ072-NJZ001>003-", "NJZ002", 1},
        {"NYC005-121530-", "NYC005", 1},
        {"NYZ072-", "", 1},
        {"THIS IS TEXT", "NYZ072", 0},
        {"081-082-", "NYZ081", 0},  // the text line emptied the prefix
        {"NY", "NYZ072", 0},
        {"NYZ072>0", "NYZ072", 0},  // a range cut short: nothing read past the end
        {"12-", "NYZ012", 0},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.line) + " " + s.id);
        EXPECT_EQ(PAR_zone_cmp(s.line, s.id), s.result);
    }
}

TEST_F(ParTool, ZoneIdentifiers) {
    const std::string text = feed({"FPUS51 KOKX 121130", "NYZ072>075-078-080-121530-", "NEW YORK CITY",
                                   "RAIN TODAY.", "$$", "NYZ081-082-121530-", "LONG ISLAND", "$$"});
    struct Case {
        const char* id;
        const char* first;
        size_t lines;
    };
    const Case cases[] = {
        {"zn:NYZ074", "NYZ072>075-078-080-121530-", 3},
        {"%NYZ082", "NYZ081-082-121530-", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        PAR_reset();
        ASSERT_EQ(open_text(text), 0);
        PAR_set_end(0x400);
        PAR_set_output(2);
        PAR_set_identifier(c.id);
        char pat[] = "FP";
        char line[PAR_LINE_SIZE];
        ASSERT_EQ(PAR_search(0, pat), 1);
        ASSERT_EQ(PAR_identifier(0), 1);
        Lines report;
        for (int n = 0; n < 10 && PAR_read(0, 0, n, line) > 0; ++n) report.push_back(line);
        EXPECT_EQ(PAR_get_status(0), 0x400);
        ASSERT_EQ(report.size(), c.lines);
        EXPECT_EQ(report[0], c.first);
    }
}

// ---- Listing ----

TEST_F(ParTool, ListingAfterSearch) {
    ASSERT_EQ(open_text(feed(KOKX)), 0);
    PAR_set_end(2048);
    char pat[] = "FT";
    ASSERT_EQ(PAR_search(0, pat), 1);
    Capture out(1);
    EXPECT_EQ(PAR_print(0, 0), 1);
    EXPECT_EQ(out.stop(), "FTUS43 KOKX 121130\nTAFJFK\nKJFK 121130Z 1212/1318 18010KT P6SM SCT250\n"
                          "     FM121500 20012G20KT P6SM BKN050\n     FM130000 30010KT P6SM SKC=\n");
    EXPECT_EQ(PAR_get_status(0), 2048);
    PAR_set_identifier("KEWR");
    EXPECT_EQ(PAR_identifier(0), 1);
    Capture report(1);
    EXPECT_EQ(PAR_print(0, 1), 1);  // the current report, then the file closes
    EXPECT_EQ(report.stop(), "KEWR 121132Z 1212/1318 20010KT P6SM\n     FM130000 31008KT P6SM SKC=\n");
    EXPECT_EQ(PAR_close(0), 0);
}

TEST_F(ParTool, ListingRules) {
    const Lines product = {"FXUS61 KOKX 121130", "HEAD LINE", "", "BODY ONE", "BODY TWO=", ETX, "AFTER"};
    struct Case {
        const char* parameter;
        int end;
        int output;
        const char* listed;
    };
    const Case cases[] = {
        {"", 0x100, 3, "FXUS61 KOKX 121130\nHEAD LINE\n"},
        {"skip_blank", 0, 2, "\nBODY ONE\nBODY TWO=\n"},
        {"", 0, 1, "FXUS61 KOKX 121130\n"},
        {"", 0, 2, "HEAD LINE\n\nBODY ONE\nBODY TWO=\n"},
        {"skip_2", 0, 2, "BODY ONE\nBODY TWO=\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.parameter) + " " + std::to_string(c.end));
        PAR_reset();
        RES_new(RES_UNLISTED, "parameter", c.parameter, CV_none);
        PAR_in_file("");
        PAR_set_end(c.end);
        PAR_set_output(c.output);
        ASSERT_EQ(open_text(feed(product)), 0);
        char pat[] = "FX";
        ASSERT_EQ(PAR_search(0, pat), 1);
        Capture out(1);
        EXPECT_EQ(PAR_print(0, 0), 1);
        EXPECT_EQ(out.stop(), c.listed);
    }
}

TEST_F(ParTool, ListingEndsAtEndOfFile) {
    ASSERT_EQ(open_text(feed({"FTUS43 KOKX 121130", "KJFK 121130Z"})), 0);
    PAR_set_end(2048);
    char pat[] = "FT";
    ASSERT_EQ(PAR_search(0, pat), 1);
    Capture out(1);
    EXPECT_EQ(PAR_print(0, 0), -1);
    EXPECT_EQ(out.stop(), "FTUS43 KOKX 121130\nKJFK 121130Z\n");
    EXPECT_EQ(PAR_get_status(0), 4);
    EXPECT_EQ(PAR_close(0), 1);  // the listing leaves the file open
}

// ---- Last mode ----

TEST_F(ParTool, LastModeListsTheLastProduct) {
    RES_new(RES_UNLISTED, "parameter", "last", CV_none);
    PAR_in_file("");
    PAR_set_end(2048);
    Lines text = framed("FTUS43 KOKX 121130", {"KJFK 121130Z 1212/1318 SKC="});
    Lines second = framed("FTUS44 KBOX 121130", {"KBOS 121130Z 1212/1318", "  FM121500 BKN050=", "KPVD 1211"});
    text.insert(text.end(), second.begin(), second.end());
    ASSERT_EQ(open_text(feed(text)), 0);
    EXPECT_EQ(PAR_print(0, 1), -1);  // nothing saved yet
    char pat[] = "FT";
    Capture quiet(1);
    for (int i = 0; i < 10 && PAR_search(0, pat) == 1; ++i) {
        EXPECT_EQ(PAR_print(0, 0), 1);
        EXPECT_EQ(PAR_get_status(0), 4);
    }
    EXPECT_EQ(quiet.stop(), "");
    PAR_close(0);
    Capture out(1);
    EXPECT_EQ(PAR_print(0, 1), 1);
    EXPECT_EQ(out.stop(), "FTUS44 KBOX 121130\nKBOS 121130Z 1212/1318\n  FM121500 BKN050=\n");
    EXPECT_EQ(PAR_close(0), 0);  // closed after listing
}

TEST_F(ParTool, LastModeReading) {
    RES_new(RES_UNLISTED, "parameter", "last", CV_none);
    PAR_in_file("");
    converter_rules(nullptr);
    ASSERT_EQ(open_text(feed(framed("FTUS43 KOKX 121130", {"KJFK 121130Z", "  FM121500 SKC="}))), 0);
    char pat[] = "FT";
    char line[PAR_LINE_SIZE] = "x";
    ASSERT_EQ(PAR_search(0, pat), 1);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);  // saves, hands out nothing
    EXPECT_STREQ(line, "");
    EXPECT_EQ(PAR_search(0, pat), -1);
    PAR_close(0);
    EXPECT_EQ(PAR_read(-1, 1, 0, line), 1);  // reopened at the saved product
    EXPECT_STREQ(line, "KJFK 121130Z");
    EXPECT_EQ(PAR_close(0), 1);
}

// ---- Bad input ----

TEST_F(ParTool, BinaryBytesAndNulInsideLines) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) {
        unsigned char c = static_cast<unsigned char>((i * 37) % 256);
        if (c == '\n' || c == 'F') c = 0;
        junk += static_cast<char>(c);
        if (i % 700 == 0) junk += '\n';
    }
    std::string report = std::string("KJFK 121130Z") + '\0' + "1212/1318 SKC=";
    ASSERT_EQ(open_text(junk + "\n" + feed({"FTUS43 KOKX 121130", report, ETX}) + junk), 0);
    converter_rules("KJFK");
    EXPECT_EQ(collect(0), (std::vector<Lines>{{"KJFK 121130Z 1212/1318 SKC="}}));
}

TEST_F(ParTool, MillionCharacterLine) {
    const std::string huge(1000000, 'A');
    ASSERT_EQ(open_text(huge + "\n" + feed({"FTUS43 KOKX 121130", "KJFK 121130Z " + huge, "  SKC="})), 0);
    converter_rules("KJFK");
    auto reports = collect(0);
    ASSERT_EQ(reports.size(), 1u);
    const Lines& r = reports[0];
    ASSERT_EQ(r.size(), 7814u);  // 1000013 characters in 128-character pieces, then the "=" line
    std::string joined;
    for (size_t i = 0; i + 1 < r.size(); ++i) joined += r[i];
    EXPECT_EQ(joined, "KJFK 121130Z " + huge);
    EXPECT_EQ(r.back(), "  SKC=");
}

TEST_F(ParTool, TryBoundsHold) {
    const std::string filler = feed(Lines(PAR_MAX_TRIES, "X"));
    ASSERT_EQ(open_text(filler + feed({"FTUS43 KOKX 121130"}) + filler + feed({"KJFK 121130Z", "  SKC="})), 0);
    converter_rules("KJFK");
    char pat[] = "FT";
    char line[PAR_LINE_SIZE];
    Capture err(2);
    EXPECT_EQ(PAR_search(0, pat), 0);
    EXPECT_EQ(PAR_search(0, pat), 1);  // goes on behind
    EXPECT_EQ(PAR_identifier(0), 0);
    EXPECT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 0, PAR_MAX_TRIES, line), 0);
    std::string text = err.stop();
    EXPECT_NE(text.find("Caught in search loop\n"), std::string::npos);
    EXPECT_NE(text.find("Caught in identifier loop\n"), std::string::npos);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);  // nothing was lost
    EXPECT_STREQ(line, "KJFK 121130Z");
    EXPECT_EQ(PAR_read(0, 0, 1, line), 0);
    EXPECT_STREQ(line, "  SKC=");
}

// ---- Continuous mode ----

// Runs body in a child process under an alarm, so that a reader waiting for data that never
// comes cannot hang the test; the child's exit status is the result.
template <class Body>
int in_child(int seconds, Body body, const std::string& grow_path, const std::string& more) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        alarm(static_cast<unsigned>(seconds));
        _exit(body());
    }
    usleep(300000);
    FILE* f = fopen(grow_path.c_str(), "a");
    fputs(more.c_str(), f);
    fclose(f);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(ParTool, ContinuousModeWaitsForMoreData) {
    RES_new(RES_UNLISTED, "parameter", "cont", CV_none);
    PAR_in_file("");
    converter_rules(nullptr);
    ASSERT_EQ(open_text(feed({"FXUS61 KOKX 121130", "TEXT"})), 0);
    int result = in_child(
        10,
        [] {
            char pat[] = "FT";
            char line[PAR_LINE_SIZE];
            if (PAR_search(0, pat) != 1) return 1;
            if (PAR_identifier(0) != 1 || PAR_read(0, 0, 0, line) != 0) return 2;
            return strcmp(line, "KJFK 121130Z SKC=") == 0 ? 0 : 3;
        },
        path, feed({"FTUS43 KOKX 121130", "KJFK 121130Z SKC="}));
    EXPECT_EQ(result, 0);
}

}  // namespace
