// Bulletin reader: line readers, heading comparison, end rules, product search, report
// selection and reading, listing, the last and continuous modes, index files, bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
using testutil::write_file;
using Lines = std::vector<std::string>;
using Reports = std::vector<Lines>;

const std::string SOH = "\x01";
const std::string ETX = "\x03";

std::string feed(const Lines& lines, const std::string& eol = "\n") {
    std::string text;
    for (const auto& l : lines) text += l + eol;
    return text;
}

// A product as a feed frames it: SOH, sequence number, heading, lines, ETX.
Lines framed(const std::string& heading, const Lines& body) {
    Lines l = {SOH, "301 ", heading};
    l.insert(l.end(), body.begin(), body.end());
    l.push_back(ETX);
    return l;
}

// Every non-empty report of every product whose heading matches pat, gathered as the
// converter gathers them (the final line added when the status says "="); bounded.
Reports collect(const char* pat = "F(T|CCN)") {
    Reports out;
    for (int s = 0; s < 100; ++s) {
        char pattern[50];
        snprintf(pattern, sizeof pattern, "%s", pat);
        if (PAR_search(0, pattern) != 1) break;
        for (int r = 0; r < 100 && PAR_identifier(0) == 1; ++r) {
            Lines report;
            char line[PAR_LINE_SIZE];
            for (int i = 0; i < PAR_MAX_TRIES && PAR_read(0, 0, i, line) > 0; ++i)
                report.push_back(line);
            if (PAR_get_status(0) == 2048) report.push_back(line);
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
        MESS_set(MESS_SET, MESS_PRINT | MESS_ERROR | MESS_WARN);
        write_file(dir.file("name_conv"), "");  // no file type has a template
        RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
    }
    void TearDown() override {
        PAR_reset();
        FILE_reset();
        RES_reset();
        MESS_reset();
    }
    // Writes text into a file and opens it as a file the user named.
    int open_text(const std::string& text) {
        path = dir.file("bulletin");
        write_file(path, text);
        char out[FILE_NAME_MAX];
        FILE_set_file(path.c_str(), out);
        return PAR_open(nullptr);
    }
    // Settings from the resource parameter, then the end rule and output mask.
    void rules(const char* parameter, int end, int output, const char* ids = nullptr) {
        PAR_reset();
        RES_new(RES_UNLISTED, "parameter", parameter, CV_none);
        PAR_in_file("");
        PAR_set_end(end);
        PAR_set_output(output);
        PAR_set_identifier(ids);
    }

    testutil::TempDir dir;
    std::string path;
};

const Lines KOKX = framed(
    "FTUS43 KOKX 121130",
    {"TAFJFK", "KJFK 121130Z 1212/1318 18010KT P6SM SCT250", "     FM121500 20012G20KT P6SM BKN050",
     "     FM130000 30010KT P6SM SKC=", "KLGA 121130Z 1212/1318 19008KT P6SM FEW250=",
     "KEWR 121132Z 1212/1318 20010KT P6SM", "     FM130000 31008KT P6SM SKC="});
const Lines JFK(KOKX.begin() + 4, KOKX.begin() + 7);
const Lines LGA = {KOKX[7]};
const Lines EWR(KOKX.begin() + 8, KOKX.begin() + 10);

// ---- Line readers ----

TEST(LineReaders, PiecesEmptyLinesAndEnd) {
    struct Case {
        const char* name;
        std::string text;
        int len;
        std::vector<std::pair<int, std::string>> reads;  // fgetnline result and text per call
    };
    const std::vector<Case> cases = {
        {"empty line between", "ABC\n\nDEF", 10, {{3, "ABC"}, {0, ""}, {3, "DEF"}, {-1, ""}}},
        {"leading empty line passed over", "\nABC\n", 10, {{3, "ABC"}, {-1, ""}}},
        {"long line in pieces",
         "ABCDEFGHIJ\nK",
         4,
         {{4, "ABCD"}, {4, "EFGH"}, {2, "IJ"}, {1, "K"}, {-1, ""}}},
        {"exact length, then newline", "ABCD\nEF\n", 4, {{4, "ABCD"}, {2, "EF"}, {-1, ""}}},
        {"no final newline", "ABC", 10, {{3, "ABC"}, {-1, ""}}},
        {"empty file", "", 10, {{-1, ""}}},
        {"carriage return kept", "AB\r\n", 10, {{3, "AB\r"}, {-1, ""}}},
    };
    for (const auto& c : cases) {
        for (bool counts : {true, false}) {  // fgetnline counts characters, fgetstring lines
            SCOPED_TRACE(std::string(c.name) + (counts ? " fgetnline" : " fgetstring"));
            std::string copy = c.text;
            FILE* f =
                copy.empty() ? fopen("/dev/null", "r") : fmemopen(copy.data(), copy.size(), "r");
            ASSERT_NE(f, nullptr);
            for (const auto& [result, text] : c.reads) {
                char buf[16] = "xxxxxxxxxxxxxxx";
                int got = counts ? fgetnline(f, buf, c.len) : fgetstring(f, buf, c.len);
                EXPECT_EQ(got, counts || result <= 0 ? result : 1);
                if (result >= 0) {
                    EXPECT_EQ(std::string(buf), text);
                }
            }
            fclose(f);
        }
    }
}

// ---- Heading comparison ----

TEST(HeadingCompare, Patterns) {
    struct Case {
        const char *hdr, *second, *pat;
        bool match;
    };
    // clang-format off
    const Case cases[] = {
        {"FTUS43 KOKX 121130", "", "F(T|CCN)", true}, {"** FCCN31 CWAO 121200", "", "F(T|CCN)", true},
        {"**   FTUS43 KOKX", "", "F(T|CCN)", true},   {"   FTUS43", "", "F(T|CCN)", true},
        {"FXUS61 KOKX 121130", "", "F(T|CCN)", false},
        {"F", "", "F(T|CCN)", true},  // the heading ended within the alternatives
        {"FC", "", "F(T|CCN)", true},  {"FCX", "", "F(T|CCN)", false},
        {"FCCNU", "", "F(T|CCN)U", true}, {"FCCNX", "", "F(T|CCN)U", false},
        {"FTUS43 KOKX 121130", "", "FT????_K", true}, {"FTUS43 KOKX 121130", "", "FT*_KOKX", true},
        {"FTUS43 KOKX 121130", "", "FT-_KOKX", true}, {"FTUS43 KOKX 121130", "", "FT*_KLGA", false},
        {"FTUS43", "", "FT*_K", false},  // the heading runs out while skipping
        {"FT_US", "", "FT_US", true},     {"FTUS", "", "FT[UC]S", true},     {"FTXS", "", "FT[UC]S", false},
        {"FTXS", "", "FT[^UC]S", true},   {"FT", "", "FT[UC]", false},       {"FT", "", "FT.", false},
        {"ANYTHING", "", "all", true},    {"ANYTHING", "", "ALL", true},      {"", "", "all", false},
        {"", "", "F", false},             {"FT", "", "", true},               {"**", "", "F", false},
        {"FT", "  KOKX", "FT/KOKX", true}, {"FT", "KLGA", "FT/KOKX", false},
        {"FT", "GRIB", "FT/M0G0L0", true},  // the grid description is never filled
        {"FT", "GRIB", "FT/M7", false},   {"FT", "GRIB", "FT/Q0", false},
        {"FX", "", "F(T|CC", false},      {"FT", "", "F[T", true},            // unclosed
        {"FCC", "", "F([CD]C|X)", true},  {"FAC", "", "F(.C|X)", true},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.hdr) + " / " + c.second + " ~ " + c.pat);
        EXPECT_EQ(PAR_cmp(c.hdr, c.second, c.pat) == 0, c.match);
    }
}

// ---- End rules ----

TEST_F(ParTool, EndCodes) {
    struct Case {
        const char* parameter;
        int end;     // PAR_set_end after the parameter (-1: not called)
        int before;  // lines like this one tested first
        const char* line;
        unsigned long code;
        int status;
        const char* cleaned;
    };
    const Case cases[] = {
        {"", 2048, 0, "     FM130000 30010KT P6SM SKC=", 0x800, 0x800,
         "     FM130000 30010KT P6SM SKC="},
        {"", 2048, 0, "   ", 0, 0, "   "},
        {"", 2048, 0, "", 0, 0, ""},  // an empty line has no last character
        {"", 2048, 0, "KJFK SKC= ", 0, 0, "KJFK SKC= "},
        {"", 2048, 0, "KJFK SKC=\x1f", 0x800, 0x800, "KJFK SKC="},
        {"", 2048, 0, "A\x01\xb0=", 0x800, 0x800, "A  ="},
        {"", 0, 0, "\x03", 4, 4, "\x03"},
        {"", 2048, 0, "\001ABC=", 4, 4, "\001ABC="},
        {"", 0, 0, "** FTUS43 KOKX", 5, 5, "** FTUS43 KOKX"},
        {"", 0, 0, "**FTUS43", 0, 0, "**FTUS43"},
        {"", 0x100, 0, " \t", 0x100, 0x100, " "},
        {"", 0x400, 0, "$$", 0x400, 0x400, "$$"},
        {"", 0x400, 0, " $$", 0, 0, " $$"},
        {"", 0x400, 0, "$ X", 0, 0, "$ X"},  // one dollar sign is no end
        {"EQUAL", -1, 0, "ABC=", 0x800, 0x800, "ABC="},
        {"dollar", -1, 0, "$$", 0x400, 0x400, "$$"},
        {"blank", -1, 0, "", 0x100, 0x100, ""},
        {"3blank", -1, 1, "", 0, 0, ""},
        {"3blank", -1, 2, "", 0x200, 0x200, ""},
        {"line", -1, 0, "A", 0, 0, "A"},  // the bare word allows one line
        {"line", -1, 1, "A", 0x10, 0x10, "A"},
        {"LINE_3", -1, 3, "A", 0x10, 0x10, "A"},
        {"line_3", -1, 2, "A", 0, 0, "A"},
        {"skip_blank", -1, 0, "", 0x100, 0, ""},  // skip codes are not kept
        {"skip", -1, 1, "A", 0x10, 0, "A"},
        {"skip_2", -1, 1, "A", 0, 0, "A"},
        {"blank,skip_blank", 2048, 0, "", 0x100, 0, ""},  // the end rule went, the skip rule stays
        {"nonsense", -1, 0, "ABC=", 0, 0, "ABC="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.parameter) + ":" + std::to_string(c.end) + ":" + c.line);
        PAR_reset();
        RES_new(RES_UNLISTED, "parameter", c.parameter, CV_none);
        PAR_in_file("");
        if (c.end >= 0) PAR_set_end(c.end);
        char line[PAR_LINE_SIZE];
        for (int i = 0; i < c.before; ++i) {
            snprintf(line, sizeof line, "%s", c.line);
            PAR_end(0, line);
        }
        snprintf(line, sizeof line, "%s", c.line);
        EXPECT_EQ(PAR_end(0, line), c.code);
        EXPECT_EQ(PAR_get_status(0), c.status);
        EXPECT_STREQ(line, c.cleaned);
    }
}

// ---- Product lookup table ----

TEST_F(ParTool, LookupTable) {
    write_file(dir.file("parse.lup"),
               "FT term_dat\nFCCN   canada_dat\nFXUSABCDEFGHIJKLMNOPQRSTUVWXYZ long_type\n"
               "lonely\nfz lower_dat\n");
    struct Case {
        const char *product, *upper;
        int result;
        const char* type;
    };
    const Case cases[] = {
        {"ftus43", "FTUS43", 1, "term_dat"},
        {"FCCN31", "FCCN31", 1, "canada_dat"},
        {"FXUSABCDEFGHIJKLMNO", "FXUSABCDEFGHIJKLMNO", 1, "long_type"},  // a prefix keeps 19
        {"FXUS61", "FXUS61", 0, ""},
        {"FZUS", "FZUS", 0, ""},  // the prefix is compared as written
        {"", "", 0, ""},
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
}

// ---- Opening, the closed slot and the empty file ----

TEST_F(ParTool, ClosedSlotAndEmptyFile) {
    MESS_set(MESS_SET, MESS_PRINT | MESS_ERROR | MESS_WARN | MESS_MESS);
    Capture out(1);
    char out_name[FILE_NAME_MAX];
    FILE_set_file(dir.file("missing").c_str(), out_name);
    EXPECT_EQ(PAR_open(nullptr), -1);
    EXPECT_EQ(out.stop(), "Parsing: " + dir.file("missing") + "\n");
    MESS_set(MESS_SET, MESS_PRINT | MESS_ERROR | MESS_WARN);
    char pat[] = "FT";
    char line[PAR_LINE_SIZE] = "x";
    EXPECT_EQ(PAR_search(-1, pat), -1);
    EXPECT_EQ(PAR_search(0, pat), -1);
    EXPECT_EQ(PAR_identifier(0), -1);
    EXPECT_EQ(PAR_read(-1, 0, 0, line), -1);
    EXPECT_EQ(PAR_print(0, 1), -1);
    EXPECT_EQ(PAR_close(-1), 0);

    ASSERT_EQ(open_text(""), 0);
    EXPECT_EQ(PAR_search(0, pat), -1);
    EXPECT_EQ(PAR_get_status(0), 4);
    EXPECT_EQ(PAR_identifier(0), 0);  // every report: the product has ended
    PAR_set_identifier("KJFK");
    EXPECT_EQ(PAR_identifier(0), -1);
    EXPECT_EQ(PAR_close(0), 1);
    EXPECT_EQ(PAR_close(0), 0);
}

// ---- Product search ----

TEST_F(ParTool, SearchFindsEachMatchingProduct) {
    Lines text = KOKX;
    Lines other =
        framed("FXUS61 KOKX 121130", {"AREA FORECAST DISCUSSION", "FTUS99 NOT A HEADING"});
    text.insert(text.end(), other.begin(), other.end());
    text.push_back("** FCCN31 CWAO 121200");
    rules("", 2048, 1);
    ASSERT_EQ(open_text(feed(text, "\r\r\n")), 0);
    Lines found;
    char pat[] = "f(t|ccn)";
    for (int i = 0; i < 10 && PAR_search(0, pat) == 1; ++i) {
        EXPECT_EQ(PAR_get_status(0), 1);
        char line[PAR_LINE_SIZE];
        ASSERT_EQ(PAR_read(0, 0, 0, line), 1);  // the heading as held
        found.push_back(line);
    }
    EXPECT_STREQ(pat, "F(T|CCN)");  // upper-cased in place
    // Headings are recognised by the pattern alone, wherever they stand.
    EXPECT_EQ(found,
              (Lines{"FTUS43 KOKX 121130", "FTUS99 NOT A HEADING", "** FCCN31 CWAO 121200"}));
    EXPECT_EQ(PAR_get_status(0), 4);
}

TEST_F(ParTool, SearchTraces) {
    ASSERT_EQ(open_text("FTUS43 KOKX\n"), 0);
    MESS_set(MESS_SET, 0x40000000u);  // the reader's debug level and all below it
    char pat[] = "FT";
    Capture out(1);
    ASSERT_EQ(PAR_search(0, pat), 1);
    EXPECT_EQ(out.stop(),
              "SE--:  0:     0:----                :          :          :\n"
              "SE-2:  0:     0:FTUS43 KOKX         :          :          :\n"
              "CMP:FTUS43 KOKX::FT:\n"
              "SE-$:  1:     0:FTUS43 KOKX         :FTUS43 KOK:          :\n");
}

// ---- Reports as the converter reads them ----

TEST_F(ParTool, Reports) {
    // clang-format off
    const Lines uk_lines = {SOH, "301 ", "FTUK31 EGGY 151700", "EGLL 151658Z 1518/1624 24012KT", "  BECMG 1600/1603=",
                            "EGKK 151655Z 1518/1618 CAVOK", "  TEMPO 1600/1606 8000 -SHRA", "** FXUS61 KOKX 151700",
                            "EGXX 151700Z NOT A FORECAST=", "** FCCN31 CWAO 151700", "TAF CYYZ 151640Z 1518/1624",
                            "EGZZ 151700Z 1518/1624", "  TEMPO 1518/1522 5SM -SHRA", ETX, "TAF CYUL 151650Z",
                            "     RMK NXT FCST BY 152100Z="};
    std::string uk = feed(uk_lines, "\r\r\n");
    uk.resize(uk.size() - 3);  // no final newline
    const Lines egll(uk_lines.begin() + 3, uk_lines.begin() + 5), egkk(uk_lines.begin() + 5, uk_lines.begin() + 7);
    const Lines egzz(uk_lines.begin() + 11, uk_lines.begin() + 13);
    const std::string zones = feed({"FPUS51 KOKX 121130", "NYZ072>075-078-080-121530-", "NEW YORK CITY", "$$",
                                    "NYZ081-082-121530-", "LONG ISLAND", "$$"});
    // clang-format on
    std::string binary;
    for (int i = 0; i < 5000; ++i) {
        char c = static_cast<char>((i * 37) % 256);
        binary += c == '\n' || c == 'F' ? '\0' : c;
        if (i % 700 == 0) binary += '\n';
    }
    struct Case {
        const char* name;
        std::string text;
        const char* ids;
        int end;
        Reports reports;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"all", feed(KOKX, "\r\r\n"), nullptr, 2048, {{"TAFJFK", JFK[0], JFK[1], JFK[2]}, LGA, EWR}},
        {"prefix", feed(KOKX), "KJFK", 2048, {JFK}},
        {"prefix, any case", feed(KOKX), "kjf", 2048, {JFK}},
        {"one-line report once", feed(KOKX), "KLGA", 2048, {LGA}},
        {"list", feed(KOKX), "KEWR,KJFK", 2048, {JFK, EWR}},
        {"anywhere", feed(KOKX), "+JFK", 2048, {{"TAFJFK", JFK[0], JFK[1], JFK[2]}}},
        {"anywhere, case matters", feed(KOKX), "+jfk", 2048, {}},
        {"none", feed(KOKX), "KBOS", 2048, {}},
        {"upper-air form, whole line", feed(KOKX), "ua:KLGA", 2048, {LGA}},
        {"upper-air form", feed({"FTUS43 KOKX", "TTAA 62001 72201 99012=", "72201 TTBB 6200/ 72202=",
                                 "KILM TTAA 62001 72201=", "72201 NO TYPE="}),
         "ua:72201", 2048, {{"TTAA 62001 72201 99012="}, {"KILM TTAA 62001 72201="}, {"72201 NO TYPE="}}},
        // With a station list the "=" line that ended a report is examined again: +SKC
        // selects it as a one-line report of its own, which is then passed over.
        {"= line examined again", feed(KOKX), "KJFK,+SKC", 2048, {JFK, {JFK[2]}, {EWR[1]}}},
        {"ends at headings and ETX", uk, nullptr, 2048, {egll, egkk, {"TAF CYYZ 151640Z 1518/1624", egzz[0], egzz[1]}}},
        {"ended at a heading", uk, "EGKK", 2048, {egkk}},
        {"next product not read on", uk, "EGKK,EGXX", 2048, {egkk}},
        {"ends at ETX", uk, "EGZZ", 2048, {egzz}},
        {"last line without newline", "FTUS43 KOKX\nKJFK 121130Z SKC=", "KJFK", 2048, {{"KJFK 121130Z SKC="}}},
        {"binary and NUL bytes", binary + "\n" + feed({"FTUS43 KOKX", "KJFK 121130Z" + std::string(1, '\0') + "SKC=", ETX}) + binary,
         "KJFK", 2048, {{"KJFK 121130Z SKC="}}},
        {"zone range", zones, "zn:NYZ074", 0x400, {{"NYZ072>075-078-080-121530-", "NEW YORK CITY"}}},
        {"zone list", zones, "%NYZ082", 0x400, {{"NYZ081-082-121530-", "LONG ISLAND"}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rules("", c.end, 2, c.ids);
        ASSERT_EQ(open_text(c.text), 0);
        EXPECT_EQ(collect(c.end == 2048 ? "F(T|CCN)" : "FP"), c.reports);
    }
    RES_new(RES_UNLISTED, "identifier", "KEWR", CV_none);  // a list never set: the resource
    PAR_reset();
    PAR_set_end(PAR_END_EQUAL);
    PAR_set_output(PAR_OUT_LINES);
    ASSERT_EQ(open_text(feed(KOKX)), 0);
    EXPECT_EQ(collect(), Reports{EWR});
}

// ---- Bare reports, long lines, and the line that ended a report ----

const std::string BARE_JFK = "TAF KJFK 081130Z 0812/0918 18010KT P6SM SCT250";
const std::string BARE_LGA = "TAF KLGA 081130Z 0812/0918 19008KT P6SM FEW250";

TEST_F(ParTool, BareReports) {
    // A 300-character report line: the reader hands it out in pieces of 128.
    const std::string long_line = BARE_JFK + " " + std::string(253, 'X');
    const Lines long_pieces = {long_line.substr(0, 128), long_line.substr(128, 128),
                               long_line.substr(256)};
    // A line whose second piece begins with the word: it neither starts nor ends a report.
    const std::string word_inside = BARE_JFK + std::string(128 - BARE_JFK.size(), ' ') + BARE_LGA;
    struct Case {
        const char* name;
        std::string text;
        const char* word;
        const char* ids;
        Reports reports;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"one line with =", feed({BARE_JFK + "="}), "TAF", nullptr, {{BARE_JFK + "="}}},
        {"one line without =, final newline", feed({BARE_JFK}), "TAF", nullptr, {{BARE_JFK}}},
        {"one line without = or final newline", BARE_JFK, "TAF", nullptr, {{BARE_JFK}}},
        {"one line a report", feed({BARE_JFK, BARE_LGA + "=", BARE_JFK}), "TAF", nullptr,
         {{BARE_JFK}, {BARE_LGA + "="}, {BARE_JFK}}},
        {"CR LF line ends", feed({BARE_JFK, BARE_LGA}, "\r\n"), "TAF", nullptr, {{BARE_JFK}, {BARE_LGA}}},
        {"several lines, lone TAF", feed({"TAF", "KJFK 081130Z 0812/0918 18010KT", "  FM081500 20012KT=", "TAF",
                                          "KLGA 081130Z 0812/0918 19008KT", "  FM081500 21010KT"}), "TAF", nullptr,
         {{"TAF", "KJFK 081130Z 0812/0918 18010KT", "  FM081500 20012KT="},
          {"TAF", "KLGA 081130Z 0812/0918 19008KT", "  FM081500 21010KT"}}},
        {"several lines, a station", feed({"TAF", "KJFK 081130Z 0812/0918 18010KT", "  FM081500 20012KT", "TAF",
                                           "KLGA 081130Z 0812/0918 19008KT", "  FM081500 21010KT"}), "TAF", "KLGA",
         {{"KLGA 081130Z 0812/0918 19008KT", "  FM081500 21010KT"}}},
        // The end rules turn the tab into a blank, as every control character inside a line.
        {"tab after the word", feed({"TAF\tKJFK 081130Z"}), "TAF", nullptr, {{"TAF KJFK 081130Z"}}},
        {"not the word", feed({"TAFJFK 081130Z", " TAF KJFK 081130Z", "taf KJFK 081130Z", "TAF-KJFK"}), "TAF",
         nullptr, {}},
        {"no report word", feed({BARE_JFK}), "", nullptr, {}},
        {"bare, then a framed bulletin", feed({BARE_JFK, SOH, "301 ", "FTUS43 KOKX 081130",
                                              "KLGA 081130Z 0812/0918 19008KT", "TAF AMD",
                                              "KEWR 081130Z 0812/0918 20010KT=", ETX}), "TAF", nullptr,
         // Inside a forecast bulletin a TAF line ends nothing.
         {{BARE_JFK}, {"KLGA 081130Z 0812/0918 19008KT", "TAF AMD", "KEWR 081130Z 0812/0918 20010KT="}}},
        {"ended before a heading", feed({BARE_JFK, "FTUS43 KOKX 081130", "TAF", "KLGA 081130Z 0812/0918="}), "TAF",
         nullptr, {{BARE_JFK}, {"TAF", "KLGA 081130Z 0812/0918="}}},
        {"ended at a ** line", feed({BARE_JFK, "** FXUS61 KOKX", BARE_LGA}), "TAF", nullptr, {{BARE_JFK}, {BARE_LGA}}},
        {"heading, station list", feed({BARE_JFK, "FTUS43 KOKX 081130", "KLGA 081130Z 0812/0918="}), "TAF", "KLGA",
         {{"KLGA 081130Z 0812/0918="}}},
        {"a long line", feed({long_line, BARE_LGA}), "TAF", nullptr, {long_pieces, {BARE_LGA}}},
        {"a long line, a station", feed({BARE_LGA, long_line + "="}), "TAF", "KJFK",
         {{long_pieces[0], long_pieces[1], long_pieces[2] + "="}}},
        {"the word in a continuing piece", feed({word_inside}), "TAF", nullptr,
         {{word_inside.substr(0, 128), BARE_LGA}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rules("", 2048, 2, c.ids);
        PAR_set_report_word(c.word);
        ASSERT_EQ(open_text(c.text), 0);
        EXPECT_EQ(collect(), c.reports);
    }
}

TEST_F(ParTool, EachBareReportInOneRound) {
    // With every report taken, the line that begins the next report of a bare product is
    // read as that report's first line: it does not end the report there and then.
    rules("", 2048, 2);
    PAR_set_report_word("TAF");
    const Lines first = {"TAF", "KJFK 081130Z 0812/0918 18010KT="};
    const Lines second = {"TAF", "KLGA 081130Z 0812/0918 19008KT="};
    Lines text = first;
    text.insert(text.end(), second.begin(), second.end());
    ASSERT_EQ(open_text(feed(text)), 0);
    char pat[] = "F(T|CCN)";
    ASSERT_EQ(PAR_search(0, pat), 1);
    Reports rounds;  // what each identification round hands out, empty ones too
    for (int r = 0; r < 2 && PAR_identifier(0) == 1; ++r) {
        Lines report;
        char line[PAR_LINE_SIZE];
        for (int i = 0; i < 10 && PAR_read(0, 0, i, line) > 0; ++i) report.push_back(line);
        if (PAR_get_status(0) == 2048) report.push_back(line);
        rounds.push_back(report);
    }
    EXPECT_EQ(rounds, (Reports{first, second}));
}

TEST_F(ParTool, StationBehindTheReportWords) {
    const Lines product = {"FCCN31 CWAO 121200",
                           "TAF CYYZ 121140Z 1212/1318 18010KT=",
                           "TAF AMD CYUL 121140Z 1212/1318 18010KT=",
                           "TAF AMD COR CYOW 121140Z 1212/1318 18010KT=",
                           "TAF COR CYVR 121140Z 1212/1318 18010KT=",
                           "TAF  AMD\tCYQB 121140Z 1212/1318 18010KT=",
                           "TAF COR AMD CYXE 121140Z 1212/1318 18010KT=",  // out of order
                           "TAF AMD AMD CYXU 121140Z 1212/1318 18010KT=",  // AMD once
                           "TAFAMD CYQR 121140Z 1212/1318 18010KT=",
                           "TAF"};
    struct Case {
        const char* ids;
        const char* word;
        Lines selected;
    };
    const Case cases[] = {
        {"cyy", "TAF", {product[1]}},
        {"CYUL,CYOW,CYVR,cyqb", "TAF", {product[2], product[3], product[4], "TAF  AMD CYQB 121140Z 1212/1318 18010KT="}},
        {"CYXE,CYXU,CYQR", "TAF", {}},
        {"CY", "", {}},          // without the report word only the line's start counts
        {"TAF AMD", "TAF", {product[2], product[3], product[7]}},  // the line's start still counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ids);
        rules("", 2048, 2, c.ids);
        PAR_set_report_word(c.word);
        ASSERT_EQ(open_text(feed(product)), 0);
        Lines selected;
        for (const Lines& r : collect()) selected.insert(selected.end(), r.begin(), r.end());
        EXPECT_EQ(selected, c.selected);
    }
}

TEST_F(ParTool, ReportAfterALineEndingInEqual) {
    const Lines product = {"FTUS43 KOKX 121130", "KAAA 121130Z 1212/1318 18010KT",
                           "KBBB 121130Z 1212/1318 20010KT=", "KCCC 121130Z 1212/1318 21010KT",
                           "   FM121500 22010KT="};
    struct Case {
        const char* ids;
        Reports reports;
    };
    const Case cases[] = {
        // KAAA lacks its "=": its report runs on into KBBB's line, which still begins KBBB's.
        {"KAAA,KBBB", {{product[1], product[2]}, {product[2]}}},
        {"KBBB,KAAA", {{product[1], product[2]}, {product[2]}}},
        {"KBBB", {{product[2]}}},
        {"KBBB,KCCC", {{product[2]}, {product[3], product[4]}}},  // a one-line report once
        {nullptr, {{product[1], product[2]}, {product[3], product[4]}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ids != nullptr ? c.ids : "every report");
        rules("", 2048, 2, c.ids);
        ASSERT_EQ(open_text(feed(product)), 0);
        EXPECT_EQ(collect(), c.reports);
    }
}

TEST_F(ParTool, PiecesOfALongLineSayTheyContinueIt) {
    const std::string jfk = "KJFK 121130Z 1212/1318 " + std::string(277, 'X');  // 300 characters
    const std::string exact = "KJFK 121130Z " + std::string(115, 'Y');          // 128 characters
    const std::string cr = "KJFK 121130Z " + std::string(114, 'Z');             // 127 and CR CR LF
    using Piece = std::pair<std::string, int>;
    struct Case {
        const char* name;
        std::string text;
        const char* ids;
        std::vector<Piece> reads;  // each line handed out and PAR_continues after it
        int status;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"300 characters", feed({"FTUS43 KOKX", jfk, "  FM121500 BKN050="}), "KJFK",
         {{jfk.substr(0, 128), 0}, {jfk.substr(128, 128), 1}, {jfk.substr(256), 1}, {"  FM121500 BKN050=", 0}}, 2048},
        {"every report", feed({"FTUS43 KOKX", jfk + "="}), nullptr,
         {{jfk.substr(0, 128), 0}, {jfk.substr(128, 128), 1}, {jfk.substr(256) + "=", 1}}, 2048},
        {"one line with =", feed({"FTUS43 KOKX", jfk + "="}), "KJFK",
         {{jfk.substr(0, 128), 0}, {jfk.substr(128, 128), 1}, {jfk.substr(256) + "=", 1}}, 2048},
        {"exactly one piece", feed({"FTUS43 KOKX", exact, "  FM121500 BKN050="}), "KJFK",
         {{exact, 0}, {"  FM121500 BKN050=", 0}}, 2048},
        {"a piece of carriage returns", feed({"FTUS43 KOKX", cr, "  FM121500 BKN050="}, "\r\r\n"), "KJFK",
         {{cr, 0}, {"", 1}, {"  FM121500 BKN050=", 0}}, 2048},
        {"exactly one piece at the end", feed({"FTUS43 KOKX", exact}), "KJFK", {{exact, 0}}, 4},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rules("", 2048, 2, c.ids);
        ASSERT_EQ(open_text(c.text), 0);
        char pat[] = "FT";
        ASSERT_EQ(PAR_search(0, pat), 1);
        ASSERT_EQ(PAR_identifier(0), 1);
        std::vector<Piece> reads;
        char line[PAR_LINE_SIZE];
        int got = 1;
        for (int i = 0; i < 10 && got > 0; ++i) {
            got = PAR_read(0, 0, i, line);
            if (got > 0 || PAR_get_status(0) == 2048) reads.emplace_back(line, PAR_continues(0));
        }
        EXPECT_EQ(reads, c.reads);
        EXPECT_EQ(PAR_get_status(0), c.status);
    }
}

TEST_F(ParTool, ReportEndStatuses) {
    rules("", 2048, 2);
    ASSERT_EQ(open_text(feed({"FTUS43 KOKX", "KJFK 1211", "  FM1215", "** FTUS44 KBOX", "KBOS 1211",
                              ETX, "FTUS45 KALY", "KALB 1211"})),
              0);
    char pat[] = "FT";
    char line[PAR_LINE_SIZE];
    struct Step {
        int search, ident;
        Lines lines;
        int last, status;
    };
    const Step steps[] = {
        {1, 1, {"KJFK 1211", "  FM1215"}, 0, 5},  // ended at the next heading
        {1, 1, {"KBOS 1211"}, 0, 4},              // the held heading found; ended at ETX
        {1, 1, {"KALB 1211"}, -1, 4},             // the file ends inside the product
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.lines[0]);
        ASSERT_EQ(PAR_search(0, pat), s.search);
        ASSERT_EQ(PAR_identifier(0), s.ident);
        for (size_t i = 0; i < s.lines.size(); ++i) {
            EXPECT_EQ(PAR_read(0, 0, static_cast<int>(i), line), 1);
            EXPECT_EQ(line, s.lines[i]);
        }
        EXPECT_EQ(PAR_read(0, 0, static_cast<int>(s.lines.size()), line), s.last);
        EXPECT_STREQ(line, "");
        EXPECT_EQ(PAR_get_status(0), s.status);
        EXPECT_EQ(PAR_identifier(0), 0);  // at once: the product has ended
    }
    EXPECT_EQ(PAR_search(0, pat), -1);
}

TEST_F(ParTool, HeadingOnTheLastLineFoundOnce) {
    for (const char* eol : {"\n", ""}) {
        SCOPED_TRACE(*eol != '\0' ? "with newline" : "without newline");
        rules("", 2048, 2);
        ASSERT_EQ(open_text(feed({"FTUS43 KOKX", "KJFK 121130Z SKC="}) + "** FTUS44 KOKX" + eol),
                  0);
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

TEST_F(ParTool, HeadingOutputLongLinesAndClosing) {
    const std::string first = "KJFK 121130Z 1212/1318 " + std::string(177, 'X');  // 200 characters
    const std::string heading = "FTUS43 KOKX 121130 " + std::string(81, 'H');     // 100 characters
    rules("", 2048, 3, "KJFK");
    ASSERT_EQ(open_text(feed({heading, "TAF", first, "  FM121500 20012KT=", "KLGA"})), 0);
    char pat[] = "FT";
    char line[PAR_LINE_SIZE];
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 1, 0, line), 1);
    EXPECT_EQ(line, heading.substr(0, 80));  // the held heading keeps 80 characters
    EXPECT_EQ(PAR_read(0, 1, 1, line), 1);
    EXPECT_EQ(line, first.substr(0, 128));  // the held first line is whole
    EXPECT_EQ(PAR_read(0, 1, 2, line), 1);
    EXPECT_EQ(line, first.substr(128));
    EXPECT_EQ(PAR_read(0, 1, 3, line), 0);  // the report ends, and the file closes
    EXPECT_STREQ(line, "  FM121500 20012KT=");
    EXPECT_EQ(PAR_close(0), 0);
}

TEST_F(ParTool, ZoneLists) {
    struct Step {
        const char *line, *id;
        int result;
    };
    // clang-format off
    const Step steps[] = {  // in order: the prefix of a zone line carries over
        {"NYZ072>075-078-080-121530-", "NYZ074", 1}, {"NYZ072>075-078-080-121530-", "NYZ078", 1},
        {"NYZ072>075-078-080-121530-", "nyz072", 1}, {"NYZ072>075-078-080-121530-", "NYZ079", 0},
        {"NYZ072>075-078-080-121530-", "NJZ074", 0}, {"081-082-", "NYZ081", 1},
        {"NYZ072>075-078-080-121530-", "NYZ075", 1},  // a range holds its last zone
        {"NYZALL-", "NYZ123", 1},                    {"NJZALL-", "NYZ123", 0},
        {"NYZ072-NJZ001>003-", "NJZ002", 1},         {"NYC005-121530-", "NYC005", 1},
        {"NYZ072-", "", 1},                          {"THIS IS TEXT", "NYZ072", 0},
        {"081-082-", "NYZ081", 0},  // the text line emptied the prefix
        {"NY", "NYZ072", 0},                         {"NYZ072>0", "NYZ072", 0},  // cut short
        {"12-", "NYZ012", 0},
    };
    // clang-format on
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.line) + " " + s.id);
        EXPECT_EQ(PAR_zone_cmp(s.line, s.id), s.result);
    }
}

// ---- Listing ----

TEST_F(ParTool, ListingRules) {
    const Lines product = {"FXUS61 KOKX 121130", "HEAD LINE", "",     "BODY ONE",
                           "BODY TWO=",          ETX,         "AFTER"};
    struct Case {
        const char* parameter;
        int end, output, result;
        const char* listed;
    };
    const Case cases[] = {
        {"", 2048, 3, 1, "FXUS61 KOKX 121130\nHEAD LINE\n\nBODY ONE\nBODY TWO=\n"},
        {"", 0x100, 3, 1, "FXUS61 KOKX 121130\nHEAD LINE\n"},  // the blank line is not written
        {"skip_blank", 0, 2, 1, "\nBODY ONE\nBODY TWO=\n"},    // from the blank line on
        {"skip_2", 0, 2, 1, "BODY ONE\nBODY TWO=\n"},
        {"", 0, 1, 1, "FXUS61 KOKX 121130\n"},
        {"", 0x400, 2, 1, "HEAD LINE\n\nBODY ONE\nBODY TWO=\n"},  // ETX ends it whatever the rules
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.parameter) + " " + std::to_string(c.end));
        rules(c.parameter, c.end, c.output);
        ASSERT_EQ(open_text(feed(product)), 0);
        char pat[] = "FX";
        ASSERT_EQ(PAR_search(0, pat), 1);
        Capture out(1);
        EXPECT_EQ(PAR_print(0, 0), c.result);
        EXPECT_EQ(out.stop(), c.listed);
    }
    rules("", 2048, 3);
    ASSERT_EQ(open_text(feed({"FTUS43 KOKX", "KJFK 121130Z"})), 0);
    char pat[] = "FT";
    ASSERT_EQ(PAR_search(0, pat), 1);
    Capture out(1);
    EXPECT_EQ(PAR_print(0, 0), -1);  // the end of the file: what was listed stays listed
    EXPECT_EQ(out.stop(), "FTUS43 KOKX\nKJFK 121130Z\n");
    EXPECT_EQ(PAR_get_status(0), 4);
    EXPECT_EQ(PAR_close(0), 1);  // and the file stays open
}

TEST_F(ParTool, ListingAReportAndClosing) {
    rules("", 2048, 3, "KEWR");
    ASSERT_EQ(open_text(feed(KOKX)), 0);
    char pat[] = "FT";
    ASSERT_EQ(PAR_search(0, pat), 1);
    Capture quiet(1);
    EXPECT_EQ(PAR_print(0, 0), 1);  // the heading and the first report; its "=" line stays held
    quiet.stop();
    EXPECT_EQ(PAR_get_status(0), 2048);
    EXPECT_EQ(PAR_identifier(0), 1);
    Capture out(1);
    EXPECT_EQ(PAR_print(0, 1), 1);
    EXPECT_EQ(out.stop(), feed(EWR));
    EXPECT_EQ(PAR_close(0), 0);
}

// ---- Last mode ----

TEST_F(ParTool, LastModeListsTheLastProduct) {
    rules("last", 2048, 3);
    Lines text = framed("FTUS43 KOKX 121130", {"KJFK 121130Z 1212/1318 SKC="});
    Lines second =
        framed("FTUS44 KBOX 121130", {"KBOS 121130Z 1212/1318", "  FM121500 BKN050=", "KPVD 1211"});
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

    rules("last", 2048, 2);
    ASSERT_EQ(open_text(feed(framed("FTUS43 KOKX 121130", {"KJFK 121130Z", "  FM121500 SKC="}))),
              0);
    char line[PAR_LINE_SIZE] = "x";
    ASSERT_EQ(PAR_search(0, pat), 1);
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);  // reading saves and hands out nothing:
    EXPECT_STREQ(line, "x");                // the caller can tell, its line is untouched
    EXPECT_EQ(PAR_search(0, pat), -1);
    PAR_close(0);
    EXPECT_EQ(PAR_read(-1, 1, 0, line), 1);  // reopened at the saved product
    EXPECT_STREQ(line, "KJFK 121130Z");
}

TEST_F(ParTool, LastModeKeepsWhetherTheHeldLineContinuesItsLine) {
    // The second piece of a long line begins with the station: the identification holds it
    // as the report's first line, a piece that continues its file line, and the product
    // saved by the last mode hands it out as such.
    const std::string line_of_two = "KAAA 121130Z " + std::string(115, 'A') + "KJFK 121130Z=";
    rules("last", 2048, 2, "KJFK");
    ASSERT_EQ(open_text(feed({"FTUS43 KOKX 121130", line_of_two})), 0);
    char pat[] = "FT";
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    char line[PAR_LINE_SIZE] = "x";
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);  // saved
    PAR_close(0);
    EXPECT_EQ(PAR_read(-1, 1, 0, line), 0);  // a one-line report: handed with its end
    EXPECT_EQ(PAR_get_status(0), 2048);
    EXPECT_STREQ(line, "KJFK 121130Z=");
    EXPECT_EQ(PAR_continues(0), 1);
}

// ---- Input blocks ----

// The pieces the reader hands out for a text, with PAR_continues after each: every line in
// pieces of PAR_LINE_MAX bytes, carriage returns removed from each and NUL bytes read as
// blanks; an empty line at the very start of the text is passed over, and nothing follows a
// final newline.
std::vector<std::pair<std::string, int>> pieces_of(const std::string& text) {
    std::vector<std::pair<std::string, int>> out;
    size_t at = text.rfind('\n', 0) == 0 ? 1 : 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        size_t k = 0;
        do {
            std::string piece = line.substr(k, PAR_LINE_MAX);
            std::erase(piece, '\r');
            std::replace(piece.begin(), piece.end(), '\0', ' ');
            out.emplace_back(piece, k > 0 ? 1 : 0);
            k += PAR_LINE_MAX;
        } while (k < line.size());
        at = end + 1;
    }
    return out;
}

TEST_F(ParTool, LinesAcrossInputBlocks) {
    // A heading, then lines of 99 characters and a shorter one up to the offset to.
    auto filled_to = [](size_t to) {
        std::string text = "FTUS43 KOKX 121130\n";
        while (text.size() + 100 <= to) text += std::string(99, 'F') + "\n";
        if (text.size() < to) text += std::string(to - text.size() - 1, 'G') + "\n";
        return text;
    };
    const size_t block = PAR_BLOCK_SIZE;
    const std::string more = "KJFK 121130Z 1212/1318 18010KT\n  FM121500 BKN050=\n";
    struct Case {
        const char* name;
        std::string text;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"a newline ends the block", filled_to(block) + more},
        {"a newline begins the next block", filled_to(block - 5) + "ABCDE\n" + more},
        {"CR ends the block, LF begins the next", filled_to(block - 5) + "ABCD\r\n" + more},
        {"CR CR LF across", filled_to(block - 5) + "ABCD\r\r\n" + more},
        {"an empty line begins the next block", filled_to(block - 5) + "ABCD\n\n" + more},
        {"a full piece ends the block, its newline begins the next",
         filled_to(block - PAR_LINE_MAX) + std::string(PAR_LINE_MAX, 'L') + "\n" + more},
        {"a piece across", filled_to(block - 200) + std::string(300, 'L') + "\n" + more},
        {"the file ends with the block without a newline", filled_to(block - 5) + "ABCDE"},
        {"the file ends with the block and a newline", filled_to(block)},
        {"the second block", filled_to(2 * block - 5) + "ABCD\r\r\n" + more},
        {"NUL bytes across", filled_to(block - 3) + std::string("AB\0CD\0\n", 7) + more},
        {"a NUL byte at the end of the file", filled_to(0) + more + std::string("AB\0", 3)},
    };
    // clang-format on
    for (const auto& c : cases) {
        // A regular file is read in blocks, a pipe through its stream.
        for (bool pipe : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (pipe ? ", pipe" : ", file"));
            rules("", 0, 2);
            path = dir.file("bulletin");
            write_file(path, c.text);
            char name[FILE_NAME_MAX];
            FILE_set_file(((pipe ? "|cat " : "") + path).c_str(), name);
            ASSERT_EQ(PAR_open(nullptr), 0);
            char pat[] = "FT";
            ASSERT_EQ(PAR_search(0, pat), 1);
            ASSERT_EQ(PAR_identifier(0), 1);
            std::vector<std::pair<std::string, int>> reads;
            char line[PAR_LINE_SIZE];
            for (int i = 0; i < PAR_MAX_TRIES && PAR_read(0, 0, i, line) > 0; ++i)
                reads.emplace_back(line, PAR_continues(0));
            auto expected = pieces_of(c.text);
            expected.erase(expected.begin());  // the heading
            EXPECT_EQ(reads, expected);
            EXPECT_EQ(PAR_get_status(0), 4);
            PAR_close(0);
        }
    }
}

// ---- Bad input and the bounds ----

TEST_F(ParTool, MillionCharacterLines) {
    const std::string huge(1000000, 'A');
    rules("", 2048, 2, "KJFK");
    ASSERT_EQ(
        open_text(huge + "\n" + feed({"FTUS43 KOKX 121130", "KJFK 121130Z " + huge, "  SKC="})), 0);
    Reports reports = collect();
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
    rules("", 2048, 2, "KJFK");
    ASSERT_EQ(open_text(filler + "FTUS43 KOKX\n" + filler + "KJFK 121130Z\n  SKC=\n"), 0);
    char pat[] = "FT";
    char line[PAR_LINE_SIZE];
    Capture err(2);
    EXPECT_EQ(PAR_search(0, pat), 0);
    EXPECT_EQ(PAR_search(0, pat), 1);  // goes on behind
    EXPECT_EQ(PAR_identifier(0), 0);
    EXPECT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(PAR_read(0, 0, PAR_MAX_TRIES, line), 0);  // gives up without reading
    EXPECT_EQ(err.stop(),
              "Caught in search loop\nCaught in identifier loop\nID-$:  0:400009:X                 "
              "  :FTUS43 KOK:          :\n"
              "Caught in search loop\n");
    EXPECT_EQ(PAR_read(0, 0, 0, line), 1);  // nothing was lost
    EXPECT_STREQ(line, "KJFK 121130Z");
    EXPECT_EQ(PAR_read(0, 0, 1, line), 0);
    EXPECT_STREQ(line, "  SKC=");
}

// ---- Continuous mode ----

TEST_F(ParTool, ContinuousModeWaitsForMoreData) {
    rules("cont", 2048, 2);
    ASSERT_EQ(open_text(feed({"FXUS61 KOKX 121130", "TEXT"})), 0);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        alarm(10);  // a reader that never sees the new data must not hang the test
        char pat[] = "FT";
        char line[PAR_LINE_SIZE];
        if (PAR_search(0, pat) != 1 || PAR_identifier(0) != 1 || PAR_read(0, 0, 0, line) != 0)
            _exit(1);
        _exit(strcmp(line, "KJFK 121130Z SKC=") == 0 ? 0 : 2);
    }
    usleep(300000);  // the reader has met the end of the file by now and waits
    FILE* f = fopen(path.c_str(), "a");
    fputs("FTUS43 KOKX 121130\nKJFK 121130Z SKC=\n", f);
    fclose(f);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace

// ---- File naming, header index files and the listing file ----

namespace {

const Date FILE_DAY = {2024, 3, 15, 75, 5, 18, 0, 0};
const Lines R_KJFK = {"KJFK 151730Z 1518/1624 18010KT P6SM SKC="};
const Lines R_KDEC = {"KDEC 151730Z 1518/1624 00000KT="};
const Lines R_KBOS = {"KBOS 151730Z 1518/1624 20010KT", "  FM160000 BKN050="};

class ParToolNaming : public ParTool {
   protected:
    void SetUp() override {
        ParTool::SetUp();
        write_file(dir.file("name_conv"), "term_dat %D/%y%m%d%h_taf %D/%y%m%d%h_taf.hdr 0\n");
        RES_new(RES_UNLISTED, "data_path", dir.file("data").c_str(), CV_none);
        PAR_in_file("term_dat");
        // Four products; the third is left out of the index files, so that a search through
        // the index passes it over and a search through the file itself finds it.
        Lines all = framed("FXUS61 KOKX 151700", {"AREA FORECAST", "KJFK NOT A FORECAST="});
        for (const Lines& p :
             {framed("FTUS43 KOKX 151730", R_KJFK), framed("FTXX99 DECOY 151730", R_KDEC),
              framed("FTUS44 KBOX 151730", R_KBOS)})
            all.insert(all.end(), p.begin(), p.end());
        bulletins = feed(all, "\r\r\n");
    }
    // The offset of the heading line that begins with text.
    std::string at(const std::string& text) const {
        return std::to_string(bulletins.find("\n" + text) + 1);
    }
    std::string good_index() const {
        return at("FXUS61") + " FXUS61 KOKX 151700\n" + at("FTUS43") +
               " FTUS43 KOKX 151730/AMD\n\n" + at("FTUS44") + " FTUS44 KBOX 151730 " +
               std::string(300, 'Z') + "\n";
    }
    // Opens the file of the day as the file sequence chooses it.
    int open_dated() {
        char name[FILE_NAME_MAX];
        FILE_set_date(&FILE_DAY, name);
        return PAR_open(&FILE_DAY);
    }

    std::string bulletins;
};

}  // namespace

TEST_F(ParToolNaming, HeaderIndexUsedWhileItFitsTheFile) {
    struct Case {
        const char* name;
        std::string index;
        Reports reports;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"good", good_index(), {R_KJFK, R_KBOS}},
        {"stops early", at("FTUS43") + " FTUS43 KOKX\n", {R_KJFK}},
        {"none", "", {R_KJFK, R_KDEC, R_KBOS}},
        {"garbage", "this is not an index\n" + at("FTUS44") + " FTUS44 KBOX\n", {R_KJFK, R_KDEC, R_KBOS}},
        {"binary", std::string("\x01\x02\x00\xff\n", 5), {R_KJFK, R_KDEC, R_KBOS}},
        {"past the end", at("FXUS61") + " FXUS61\n" + std::to_string(bulletins.size() + 100) + " FTUS43\n",
         {R_KJFK, R_KDEC, R_KBOS}},
        {"backwards", at("FTUS43") + " FTUS43 KOKX\n" + at("FXUS61") + " FTUS44 KBOX\n", {R_KJFK, R_KDEC, R_KBOS}},
        {"the same offset again", at("FTUS43") + " FTUS43 KOKX\n" + at("FTUS43") + " FTUS43 KOKX\n",
         {R_KJFK, R_KDEC, R_KBOS}},
        {"negative", "-5 FTUS43 KOKX\n", {R_KJFK, R_KDEC, R_KBOS}},
        {"inside a line", std::to_string(std::stol(at("FTUS43")) + 3) + " FTUS43 KOKX\n", {R_KJFK, R_KDEC, R_KBOS}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rules("", 2048, 2);
        PAR_in_file("term_dat");
        write_file(dir.file("data/24031518_taf"), bulletins);
        std::remove(dir.file("data/24031518_taf.hdr").c_str());
        if (!c.index.empty()) write_file(dir.file("data/24031518_taf.hdr"), c.index);
        ASSERT_EQ(open_dated(), 0);
        EXPECT_EQ(collect(), c.reports);
    }
}

TEST_F(ParToolNaming, NamedFilesOpenAsNamed) {
    // A file of the same date in the data folder must not be taken instead.
    write_file(dir.file("data/24031518_taf"),
               feed(framed("FTUS45 KALY 151730", {"KALB 151730Z="})));
    write_file(dir.file("other/24031518_taf"), bulletins);
    write_file(dir.file("other/24031518_taf.hdr"), good_index());
    write_file(dir.file("other/bulletins.txt"), bulletins);
    struct Case {
        const char* name;
        Reports reports;
    };
    const Case cases[] = {
        {"other/24031518_taf", {R_KJFK, R_KBOS}},           // dated: the index beside it
        {"other/bulletins.txt", {R_KJFK, R_KDEC, R_KBOS}},  // not dated: no index
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rules("", 2048, 2);
        PAR_in_file("term_dat");
        char name[FILE_NAME_MAX];
        FILE_set_file(dir.file(c.name).c_str(), name);
        Date date;
        FILE_get_date(&date);
        ASSERT_EQ(PAR_open(&date), 0);
        EXPECT_STREQ(FILE_get_filename(nullptr), dir.file(c.name).c_str());
        EXPECT_EQ(collect(), c.reports);
    }
}

TEST_F(ParToolNaming, ListingFileNamedByDate) {
    write_file(dir.file("data/24031518_taf"), bulletins);
    RES_new(RES_UNLISTED, "out_file", (dir.path() + "/list/out_%y%m%d%h.txt").c_str(), CV_none);
    PAR_set_end(PAR_END_EQUAL);
    ASSERT_EQ(open_dated(), 0);
    const std::string before = FILE_get_filename(nullptr);
    char pat[] = "FTUS44";
    ASSERT_EQ(PAR_search(0, pat), 1);
    MESS_set(MESS_SET, MESS_PRINT | MESS_ERROR | MESS_WARN | MESS_MESS);
    Capture out(1);
    EXPECT_EQ(PAR_print(0, 0), 1);
    const std::string listed = "FTUS44 KBOX 151730\n" + feed(R_KBOS);
    EXPECT_EQ(out.stop(), "Writing to: " + dir.path() + "/list/out_24031518.txt\n" + listed);
    EXPECT_EQ(testutil::read_file(dir.path() + "/list/out_24031518.txt"), listed);
    EXPECT_EQ(FILE_get_filename(nullptr), before);  // the naming of the input files is untouched
}

TEST_F(ParToolNaming, IndexSeeksAcrossInputBlocks) {
    // Products in three blocks of the file: each one the index names is sought after the
    // reading filled the block with what came before it.
    const Lines filler(700, std::string(99, 'A'));  // more than a block
    Lines all = framed("FTUS43 KOKX 151730", R_KJFK);
    for (const Lines& p :
         {framed("FXUS61 KOKX 151700", filler), framed("FTXX99 DECOY 151730", R_KDEC),
          framed("FXUS61 KOKX 151700", filler), framed("FTUS44 KBOX 151730", R_KBOS)})
        all.insert(all.end(), p.begin(), p.end());
    const std::string big = feed(all, "\r\r\n");
    auto at = [&](const std::string& text, long plus = 0) {
        return std::to_string(static_cast<long>(big.find("\n" + text)) + 1 + plus);
    };
    ASSERT_GT(std::stol(at("FTXX99")), PAR_BLOCK_SIZE);
    ASSERT_GT(std::stol(at("FTUS44")), 2 * PAR_BLOCK_SIZE);
    struct Case {
        const char* name;
        std::string index;
        Reports reports;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"every product", at("FTUS43") + " FTUS43\n" + at("FTXX99") + " FTXX99\n" + at("FTUS44") + " FTUS44\n",
         {R_KJFK, R_KDEC, R_KBOS}},
        {"one passed over", at("FTUS43") + " FTUS43\n" + at("FTUS44") + " FTUS44\n", {R_KJFK, R_KBOS}},
        // The search goes back from the last block to where the reading stood in the first.
        {"inside a line of the last block", at("FTUS43") + " FTUS43\n" + at("FTUS44", 3) + " FTUS44\n",
         {R_KJFK, R_KDEC, R_KBOS}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rules("", 2048, 2);
        PAR_in_file("term_dat");
        write_file(dir.file("data/24031518_taf"), big);
        write_file(dir.file("data/24031518_taf.hdr"), c.index);
        ASSERT_EQ(open_dated(), 0);
        EXPECT_EQ(collect(), c.reports);
    }
}
