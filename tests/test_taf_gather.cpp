// Report gathering: the start test, the joining of lines and pieces, the final "=" line and
// the bound; then whole reports gathered from bulletin files as the converter reads them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files.h"
#include "mess.h"
#include "par_tool.h"
#include "resrc.h"
#include "taf.h"
#include "taf_gather.h"
#include "testutil.h"

namespace {

TEST(TafGather, StartTest) {
    struct Case {
        const char* line;
        bool starts;
    };
    const Case cases[] = {
        {"TAF KJFK 081130Z", true},
        {"TAF AMD", true},
        {"TAF", false},                       // a second word is needed
        {"   TAF   X", true},                 // blanks in front and between are passed over
        {"taf KJFK", false},                  // the word as written
        {"TAFX", false},
        {"KJFK 081130Z 0812/0918", true},     // station, day and time with Z
        {"KJFK 081130 0812/0918", true},      // without Z
        {"KJFK 08113", false},                // 5 characters
        {"KJFK 08113000", false},             // 8 characters
        {"KJFKX 081130Z", false},             // a first word of 5 characters
        {"JFK 081130Z", false},
        {"KJFK", false},
        {"", false},
        {"  \t ", false},
        {"ABCDEFGHIJ121130", false},          // "%10s": the first word goes on as the second
        {"ABCDEFGHIJ TAF", false},
        // A station followed by AMD, COR, TAF or a validity group.
        {"PAED AMD 010021Z 0100/0124", true},
        {"KXYZ COR 010021Z", true},
        {"EGXE TAF 011221 VRB05KT", true},
        {"EGLL 1518/1624 24012KT", true},
        {"EGLL\t1518/1624", true},
        {"PAED amd 010021Z", false},
        {"PAED AMDX", false},
        {"PAED AM", false},
        {"EGLL 1518/162", false},             // 3 digits after the slash
        {"EGLL 1518/1624Z", false},           // 10 characters
        {"EGLL 15181624", false},             // 8 characters, no slash
        {"EGLL 151811624", false},            // 9 characters, no slash
        {"EGLL 151/81624", false},            // the slash out of place
        {"EGLL 15A8/1624", false},
        {"EGLLX AMD", false},
        {"EGL TAF", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(TAF_starts_report(c.line), c.starts ? 1 : 0);
    }
}

struct Handed {
    std::string line;
    int continues;
};

TEST(TafGather, JoiningLinesAndPieces) {
    struct Case {
        const char* name;
        std::vector<Handed> lines;
        bool has_final;
        Handed final_line;
        std::string text;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"lines before the start left out", {{"TAFJFK", 0}, {"TAF", 0}, {"KJFK 121130Z 1212/1318", 0},
                                             {"  FM121500 BKN050", 0}}, true, {"  FM130000 SKC=", 0},
         "KJFK 121130Z 1212/1318\n  FM121500 BKN050\n  FM130000 SKC=\n"},
        {"a start line that is not first", {{"HEADER REMNANT", 0}, {"TAF KJFK 121130Z", 0}, {"HEADER REMNANT", 0}},
         false, {}, "TAF KJFK 121130Z\nHEADER REMNANT\n"},
        {"pieces joined", {{"TAF KJFK 121130Z 1212/1318 18010KT -S", 0}, {"HRA TEMPO 021", 1},
                           {"8/0303 2SM", 1}, {"  FM121500 BKN050", 0}}, false, {},
         "TAF KJFK 121130Z 1212/1318 18010KT -SHRA TEMPO 0218/0303 2SM\n  FM121500 BKN050\n"},
        {"a piece is no start", {{"XXXX", 0}, {"KJFK 121130Z 1212/1318", 1}, {"  FM121500 BKN050", 0}}, false, {},
         ""},
        {"the pieces of a line left out", {{"XXXX", 0}, {"YYYY", 1}, {"KJFK 121130Z", 0}}, false, {},
         "KJFK 121130Z\n"},
        {"the final line without a start", {{"TAF", 0}}, true, {"KJFK 121130Z=", 0}, "KJFK 121130Z=\n"},
        {"the final line alone", {}, true, {"KJFK 121130Z SKC=", 0}, "KJFK 121130Z SKC=\n"},
        {"the final line a piece", {{"KJFK 121130Z 1212/1318", 0}}, true, {" SKC=", 1},
         "KJFK 121130Z 1212/1318 SKC=\n"},
        {"the final piece of a line left out", {{"XXXX", 0}}, true, {" SKC=", 1}, " SKC=\n"},
        {"an empty piece", {{"KJFK 121130Z", 0}, {"", 1}, {"  FM121500", 0}}, false, {},
         "KJFK 121130Z\n  FM121500\n"},
        {"an empty line", {{"KJFK 121130Z", 0}, {"", 0}, {"  FM121500", 0}}, false, {},
         "KJFK 121130Z\n\n  FM121500\n"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TAF_gather_reset();
        for (const auto& l : c.lines) TAF_gather_line(l.line.c_str(), l.continues);
        if (c.has_final) TAF_gather_final(c.final_line.line.c_str(), c.final_line.continues);
        EXPECT_EQ(TAF_gather_text(), c.text);
        EXPECT_EQ(TAF_gather_length(), static_cast<int>(c.text.size()));
    }
}

TEST(TafGather, AddedOrLeftOut) {
    TAF_gather_reset();
    EXPECT_EQ(TAF_gather_line("TAF", 0), 0);
    EXPECT_EQ(TAF_gather_line("X", 1), 0);
    EXPECT_EQ(TAF_gather_line("KJFK 121130Z", 0), 1);
    EXPECT_EQ(TAF_gather_line(" 1212/1318", 1), 1);
    EXPECT_EQ(TAF_gather_line("ANY LINE", 0), 1);
    EXPECT_EQ(TAF_gather_line(nullptr, 0), 0);
    EXPECT_EQ(std::string(TAF_gather_text()), "KJFK 121130Z 1212/1318\nANY LINE\n");
}

TEST(TafGather, TheBoundHolds) {
    const std::string start = "KJFK 121130Z 1212/1318 ";  // 23 characters
    const std::string piece(128, 'P');
    std::string lines = start + "\n";
    for (int i = 0; i < 38; ++i) lines += piece + "\n";
    struct Case {
        const char* name;
        bool lines;  // each piece a line of its own, else all continuing the start line
        std::string text;
    };
    const Case cases[] = {
        // Joined, the pieces fill the report up to 5000 characters: no newline is left.
        {"pieces", false, start + std::string(TAF_REPORT_MAX - 23, 'P')},
        // Lines of 129 with their newlines: 23 + 1 + 38 * 129 = 4926; then 74 of the next.
        {"lines", true, lines + std::string(74, 'P')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TAF_gather_reset();
        TAF_gather_line(start.c_str(), 0);
        for (int i = 0; i < 50; ++i) TAF_gather_line(piece.c_str(), c.lines ? 0 : 1);
        // A piece that continues the line cut at the bound neither replaces its last
        // character nor goes beyond it.
        TAF_gather_line("QQQ", 1);
        TAF_gather_final("  FM121500 SKC=", 0);
        ASSERT_EQ(c.text.size(), static_cast<size_t>(TAF_REPORT_MAX));
        EXPECT_EQ(TAF_gather_text(), c.text);
        EXPECT_EQ(TAF_gather_length(), TAF_REPORT_MAX);
    }
}

// ---- Whole reports from bulletin files ----

const std::string SOH = "\x01";
const std::string ETX = "\x03";

std::string feed(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

class TafGatherFile : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        RES_reset();
        FILE_reset();
        PAR_reset();
        MESS_set(MESS_SET, MESS_PRINT | MESS_ERROR | MESS_WARN);
        testutil::write_file(dir.file("name_conv"), "");
        RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
    }
    void TearDown() override {
        PAR_reset();
        FILE_reset();
        RES_reset();
        MESS_reset();
    }
    // Every report the converter's reading of the file gathers, with the converter's rules.
    std::vector<std::string> reports(const std::string& text, const char* ids) {
        testutil::write_file(dir.file("bulletin"), text);
        char out[FILE_NAME_MAX];
        FILE_set_file(dir.file("bulletin").c_str(), out);
        PAR_set_end(PAR_END_EQUAL);
        PAR_set_output(PAR_OUT_LINES);
        PAR_set_report_word("TAF");
        PAR_set_identifier(ids);
        std::vector<std::string> got;
        if (PAR_open(nullptr) != 0) return got;
        char pat[] = "F(T|CCN)";
        for (int p = 0; p < 20 && PAR_search(0, pat) == 1; ++p)
            for (int r = 0; r < 20 && PAR_identifier(0) == 1; ++r) {
                EXPECT_EQ(TAF_gather_report(0), 1);
                if (TAF_gather_length() > 0) got.push_back(TAF_gather_text());
            }
        PAR_close(0);
        return got;
    }
    testutil::TempDir dir;
};

TEST_F(TafGatherFile, Reports) {
    const std::string jfk = "TAF KJFK 081130Z 0812/0918 18010KT P6SM SCT250";
    const std::string lga = "KLGA 081130Z 0812/0918 19008KT P6SM FEW250";
    // 300 characters on one line; its pieces end in the middle of groups.
    std::string long_line = "TAF KXYZ 081130Z 0812/0918 18010KT P6SM SCT250";
    while (long_line.size() < 290) long_line += " TEMPO 0818/0822 3SM -SHRA";
    long_line = long_line.substr(0, 299) + "=";
    struct Case {
        const char* name;
        std::string text;
        const char* ids;
        std::vector<std::string> reports;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"one line with =", feed({jfk + "="}), nullptr, {jfk + "=\n"}},
        {"one line without =", feed({jfk}), nullptr, {jfk + "\n"}},
        {"one line a report", feed({jfk, "TAF " + lga}), nullptr, {jfk + "\n", "TAF " + lga + "\n"}},
        {"several lines with =", feed({"TAF", lga, "     FM081500 20012KT=", jfk}), nullptr,
         {lga + "\n     FM081500 20012KT=\n", jfk + "\n"}},
        {"several lines without =", feed({"TAF", lga, "     FM081500 20012KT", jfk}), nullptr,
         {lga + "\n     FM081500 20012KT\n", jfk + "\n"}},
        {"several lines, a station", feed({jfk, "TAF", lga, "     FM081500 20012KT"}), "KLGA",
         {lga + "\n     FM081500 20012KT\n"}},
        {"bare, then a framed bulletin", feed({jfk, SOH, "301 ", "FTUS43 KOKX 081130", "TAF", lga + "=", ETX}),
         nullptr, {jfk + "\n", lga + "=\n"}},
        {"a 300-character line", feed({long_line, jfk}), nullptr, {long_line + "\n", jfk + "\n"}},
        {"a 300-character line, a station", feed({jfk, long_line}), "KXY", {long_line + "\n"}},
        {"a 300-character line in a bulletin", feed({"FTUS43 KOKX 081130", long_line.substr(4)}), nullptr,
         {long_line.substr(4) + "\n"}},
        // KJFK's report lacks its "=" and runs on into KLGA's one-line report.
        {"the line that ended a report", feed({"FTUS43 KOKX 081130", jfk.substr(4), lga + "="}), "KJFK,KLGA",
         {jfk.substr(4) + "\n" + lga + "=\n", lga + "=\n"}},
        {"no TAF", feed({"FXUS61 KOKX 081130", "TAFS AT 12Z", " TAF KJFK"}), nullptr, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reports(c.text, c.ids), c.reports);
    }
}

TEST_F(TafGatherFile, LastModeHandsOutNothing) {
    RES_new(RES_UNLISTED, "parameter", "last", CV_none);
    PAR_in_file("");
    testutil::write_file(dir.file("bulletin"), feed({"FTUS43 KOKX", "KJFK 121130Z 1212/1318=" }));
    char out[FILE_NAME_MAX];
    FILE_set_file(dir.file("bulletin").c_str(), out);
    PAR_set_end(PAR_END_EQUAL);
    PAR_set_output(PAR_OUT_LINES);
    ASSERT_EQ(PAR_open(nullptr), 0);
    char pat[] = "FT";
    ASSERT_EQ(PAR_search(0, pat), 1);
    ASSERT_EQ(PAR_identifier(0), 1);
    EXPECT_EQ(TAF_gather_report(0), 0);
    EXPECT_EQ(TAF_gather_length(), 0);
}

}  // namespace
