// The table writer: each period kind and each column of a line, values too long for their
// column, the heading of reports that lack a part or say NIL or CNL, texts that could break a
// line, colors of the category and of the groups that set it, and when colors are wanted.
// (The shipped samples and the program's own choice of colors are checked end to end in
// test_tafcvt.)
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mess.h"
#include "taf.h"
#include "taf_table.h"
#include "testutil.h"

namespace {

class TafTableTest : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        english = TAF_FORM_TABLE;
        dec_mes = MESS_PRINT;
        file_date = Date{2024, 6, 12, 164, 3, 0, 0, 0};
        TAF_table_set_color(false);
    }
    void TearDown() override {
        english = TAF_FORM_ENGLISH;
        file_date = Date{};
        TAF_table_set_color(false);
        MESS_reset();
    }

    // The lines the writer prints for a report (the empty line after them left out).
    std::vector<std::string> lines(const std::string& report) {
        testutil::Capture out(1);
        TAF_decode(report.c_str());
        const std::string printed = out.stop();
        const std::string text(TAF_table_last_text());
        EXPECT_EQ(printed, text + "\n");
        std::vector<std::string> result;
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find('\n', at);
            result.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return result;
    }
};

constexpr const char* HEAD = "TAF KQQQ 121130Z 1212/1312 ";
constexpr const char* HEADING = "KQQQ  issued 12 Jun 11:30Z  valid 12/12Z-13/12Z";

// Each kind with its times, and every column: a period after a BASE whose conditions carry
// over (P6SM BKN030: MVFR). The expected line is the report's last.
TEST_F(TafTableTest, EachPeriodKindAndColumn) {
    struct Case {
        const char* periods;
        const char* line;
    };
    // clang-format off
    const Case cases[] = {
        {"",
         "  BASE          12/12-13/12    MVFR  18010KT      P6SM                BKN030"},
        {"FM121530 20015G25KT 3SM -SHRA BR SCT020",
         "  FM            12/1530-13/12  MVFR  20015G25KT   3SM     -SHRA BR    SCT020"},
        {"BECMG 1218/1220 VRB03KT 1 1/2SM",
         "  BECMG         12/18-12/20    IFR   VRB03KT      1 1/2SM"},
        {"TEMPO 1218/1222 CAVOK",
         "  TEMPO         12/18-12/22    VFR                CAVOK"},
        {"INTER 1302/1304 -RA",
         "  INTER         13/02-13/04    MVFR                       -RA"},
        {"PROB30 1304/1306 VV002",
         "  PROB30        13/04-13/06    LIFR                                   VV002"},
        {"PROB30 TEMPO 1306/1308 1/4SM FG",
         "  PROB30 TEMPO  13/06-13/08    LIFR               1/4SM   FG"},
        {"PROB40 INTER 1308/1310 9999 NSC",
         "  PROB40 INTER  13/08-13/10    VFR                9999                NSC"},
        // The older forms' times, and a change period without times: no from-to.
        {"TEMPO 1418 2SM", "  TEMPO         12/14-12/18    IFR                2SM"},
        {"TEMPO OVC004", "  TEMPO                        LIFR                                   OVC004"},
        // The other groups in their order, as written, then the unread words.
        {"FM130000 27010KT 9999 SCT040 WS020/18040KT TX25/1220Z TN15/1310Z 620304 530805 "
         "QNH2992INS AO2 XYZ RMK NXT FCST",
         "  FM            13/0000-13/12  VFR   27010KT      9999                SCT040               "
         "WS020/18040KT TX25/1220Z TN15/1310Z 620304 530805 QNH2992INS [AO2 XYZ]"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.periods);
        const auto got = lines(std::string(HEAD) + "18010KT P6SM BKN030 " + c.periods + "=");
        ASSERT_GE(got.size(), 2U);
        EXPECT_EQ(got[0], HEADING);
        EXPECT_EQ(got.back(), c.line);
    }
}

// A BASE period ends where the next FM period begins, minutes and all; a time that cannot
// exist reads "?".
TEST_F(TafTableTest, TimesOfTheLine) {
    const auto got = lines(std::string(HEAD) + "18010KT FM121530 20010KT TEMPO 1225/1302 3SM");
    ASSERT_EQ(got.size(), 4U);
    EXPECT_EQ(got[1].substr(0, 31), "  BASE          12/12-12/1530  ");
    EXPECT_EQ(got[3].substr(0, 31), "  TEMPO         ?-13/02        ");
}

// Values longer than their column keep every character and are followed by one blank.
TEST_F(TafTableTest, ValueTooLongForItsColumnPushesTheRestRight) {
    struct Case {
        const char* groups;
        const char* line;
    };
    const Case cases[] = {
        {"18010KT 150V210 P6SM SKC",  // wind and its varying sector: 15 of 12
         "  BASE          12/12-13/12    VFR   18010KT 150V210 P6SM                SKC"},
        {"18010KT 3SM -SHRA BR VCTS BKN040",  // weather: 13 of 11
         "  BASE          12/12-13/12    MVFR  18010KT      3SM     -SHRA BR VCTS BKN040"},
        {"18010KT P6SM FEW010 SCT020 BKN030 OVC040 QNH2992INS",  // clouds: 27 of 20
         "  BASE          12/12-13/12    MVFR  18010KT      P6SM                "
         "FEW010 SCT020 BKN030 OVC040 QNH2992INS"},
        {"18010KT 3000NE 1500SW BR",  // visibility: 13 of 7
         "  BASE          12/12-13/12    IFR   18010KT      3000NE 1500SW BR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.groups);
        const auto got = lines(std::string(HEAD) + c.groups + "=");
        ASSERT_EQ(got.size(), 2U);
        EXPECT_EQ(got[1], c.line);
    }
    // Unread words as long as a report allows: the line holds them whole.
    std::string words = "W0001";
    for (int i = 2; i <= 800; ++i) {
        char word[8];
        snprintf(word, sizeof word, " W%04d", i);
        words += word;
    }
    const auto got = lines(std::string(HEAD) + "18010KT " + words + "=");
    ASSERT_EQ(got.size(), 2U);
    EXPECT_EQ(got[1], "  BASE          12/12-13/12          18010KT" + std::string(47, ' ') + "[" +
                          words + "]");
}

TEST_F(TafTableTest, HeadingOfEachKindOfReport) {
    struct Case {
        const char* report;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"TAF KQQQ 121130Z NIL=", {"KQQQ  issued 12 Jun 11:30Z  NIL"}},
        {"TAF AMD KQQQ 121130Z 1212/1312 CNL=",
         {"KQQQ  issued 12 Jun 11:30Z  valid 12/12Z-13/12Z  AMD CNL"}},
        {"TAF COR KQQQ 121130Z 1212/1312 18010KT=",
         {std::string(HEADING) + "  COR", "  BASE          12/12-13/12          18010KT"}},
        // No issue time: that part is left out; an end that cannot exist (31 June) reads "?".
        {"TAF KQQQ 3012/3112 18010KT=",
         {"KQQQ  valid 30/12Z-?", "  BASE          30/12-?              18010KT"}},
        {"TAF KQQQ 122530Z 1212/1312 18010KT=",
         {"KQQQ  issued ?  valid 12/12Z-13/12Z", "  BASE          12/12-13/12          18010KT"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        EXPECT_EQ(lines(c.report), c.lines);
    }
}

// Text from the input cannot break a line or reach the terminal as a code: a group written
// over two lines keeps one blank, a control byte reads "?".
TEST_F(TafTableTest, InputTextStaysInItsLine) {
    const auto got = lines(std::string(HEAD) + "18010KT 1\r\n     1/2SM OVC010 A\x1b[31mB\x01=");
    ASSERT_EQ(got.size(), 2U);
    EXPECT_EQ(got[1], "  BASE          12/12-13/12    IFR   18010KT      1 1/2SM             OVC010"
                      "               [A?[31mB?]");
}

const std::string G = "\x1b[32m", B = "\x1b[34m", R = "\x1b[31m", M = "\x1b[35m", X = "\x1b[0m";

// Colored: the category, and the period's own visibility and ceiling group when they give
// it; a part carried over from the prevailing period colors nothing but the category.
TEST_F(TafTableTest, ColorsOfTheCategoryAndTheGroupsThatSetIt) {
    struct Case {
        const char* name;
        const char* groups;
        std::string line;  // the last line
    };
    const std::string base = "  BASE          12/12-13/12    ";
    const Case cases[] = {
        {"visibility", "18010KT 1SM OVC010",
         base + R + "IFR" + X + "   18010KT      " + R + "1SM" + X + "                 OVC010"},
        {"ceiling", "18010KT 3SM FEW003 OVC005",
         base + R + "IFR" + X + "   18010KT      3SM                 FEW003 " + R + "OVC005" + X},
        {"both", "2SM OVC008",
         base + R + "IFR" + X + "                " + R + "2SM" + X + "                 " + R +
             "OVC008" + X},
        {"CAVOK", "CAVOK", base + G + "VFR" + X + "                " + G + "CAVOK" + X},
        {"ceiling with a VFR category", "P6SM BKN250",
         base + G + "VFR" + X + "                " + G + "P6SM" + X + "                " + G +
             "BKN250" + X},
        {"carried over", "P6SM OVC004 TEMPO 1214/1216 -RA",
         "  TEMPO         12/14-12/16    " + M + "LIFR" + X + "                       -RA"},
        {"carried clouds, own visibility of a better category", "P6SM OVC004 TEMPO 1214/1216 4SM",
         "  TEMPO         12/14-12/16    " + M + "LIFR" + X + "               4SM"},
        {"no category", "18010KT", base + "      18010KT"},
    };
    TAF_table_set_color(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = lines(std::string(HEAD) + c.groups + "=");
        ASSERT_GE(got.size(), 2U);
        EXPECT_EQ(got[0], HEADING);
        EXPECT_EQ(got.back(), c.line);
    }
    TAF_table_set_color(false);
    const auto plain = lines(std::string(HEAD) + "1SM OVC004=");
    EXPECT_EQ(plain.back(), "  BASE          12/12-13/12    LIFR               1SM                 OVC004");
}

TEST(TafTableColor, WantedBySettingTerminalAndNoColor) {
    struct Case {
        const char* setting;  // null: not given
        const char* no_color;  // null: not set
        bool terminal;
        bool wanted;
        bool unknown;
    };
    const Case cases[] = {
        {nullptr, nullptr, true, true, false},   {nullptr, nullptr, false, false, false},
        {nullptr, "1", true, false, false},      {nullptr, "", true, true, false},  // empty: unset
        {"Auto", "1", true, false, false},       {"ON", "1", false, true, false},
        {"oFF", nullptr, true, false, false},    {"bogus", nullptr, true, true, true},
        {"bogus", "1", true, false, true},       {"", nullptr, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.setting ? c.setting : "(none)") + " NO_COLOR=" +
                     (c.no_color ? c.no_color : "(unset)") + (c.terminal ? " terminal" : " pipe"));
        bool unknown = !c.unknown;
        EXPECT_EQ(TAF_table_wants_color(c.setting, c.no_color, c.terminal, &unknown), c.wanted);
        EXPECT_EQ(unknown, c.unknown);
    }
}

}  // namespace
