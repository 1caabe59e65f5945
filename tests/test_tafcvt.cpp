// The converter end to end: the built program run as a user runs it, with an environment of
// its own (defaults file, data folder, fixed "now"), compared byte for byte with outputs
// worked out by hand.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "testutil.h"

using testutil::RunResult;
using testutil::TempDir;

namespace {

const std::string SOH = "\x01";
const std::string ETX = "\x03";

// A product as a feed frames it: SOH, a sequence number, the lines, ETX; CR CR LF line ends.
std::string product(int seq, const std::vector<std::string>& lines) {
    std::string text = SOH + "\r\r\n" + std::to_string(seq) + " \r\r\n";
    for (const auto& l : lines) text += l + "\r\r\n";
    return text + ETX + "\r\r\n";
}

const std::string JUNE_FILE =
    product(123, {"FTUS43 KOKX 121130", "TAF", "KXYZ 121130Z 121212 18010KT P6SM SCT250",
                  "     FM1500 20015G25KT 3SM -SHRA BKN030="}) +
    product(124, {"FXUS61 KOKX 121130", "KXYZ 121130Z NOT A FORECAST PRODUCT="}) +
    product(125, {"FTUS80 KWBC 121140", "TAF", "KABC 121125Z 1212/1312 VRB03KT P6SM SKC",
                  "     FM121800 27012G20KT P6SM FEW080=", "TAF AMD",
                  "LFPG 121100Z 1212/1318 24010KT 9999 BKN030",
                  "     TEMPO 1214/1218 4000 SHRA="});

const std::string STATIONS =
    "SOMETOWN             ST US KXYZ      5 40.00 -90.00 200 99999 0\n"
    "SAN_JUAN_HILL        NM US KABC    *3* 35.50 -106.20 1500 72365 0\n"
    "PARIS_CHARLES        -  FR LFPG      1 49.01 2.55 119 07157 0\n";

const std::string XYZ_ENGLISH =
    "Sometown, ST (KXYZ) terminal forecast issued on 12 June at 11:30Z valid\n"
    "from 12 June at 12Z to 12Z the next day.\n"
    "\n"
    "The initial weather is:\n"
    "winds from 180 deg at 10 kts, visibility is greater than 6.0 miles, clouds\n"
    "25000 ft scattered.\n"
    "\n"
    "The weather starting at 15:00Z will be:\n"
    "winds from 200 deg at 15 kts with gusts to 25, visibility of 3.0 miles,\n"
    "weather is light rain showers, clouds 3000 ft broken.\n"
    "\n";

const std::string ABC_ENGLISH =
    "San_juan_hill, NM (KABC) terminal forecast issued on 12 June at 11:25Z\n"
    "valid from 12 June at 12Z to 13 June at 12Z.\n"
    "\n"
    "The initial weather is:\n"
    "winds variable at 3 kts, visibility is greater than 6.0 miles, skies are\n"
    "clear.\n"
    "\n"
    "The weather starting on 12 June at 18:00Z will be:\n"
    "winds from 270 deg at 12 kts with gusts to 20, visibility is greater than\n"
    "6.0 miles, clouds 8000 ft few.\n"
    "\n";

const std::string LFPG_AMD_ENGLISH =
    "Paris_charles, FR (LFPG) terminal forecast (amendment) issued on 12 June at\n"
    "11:00Z valid from 12 June at 12Z to 13 June at 18Z.\n"
    "\n"
    "The initial weather is:\n"
    "winds from 240 deg at 10 kts, clouds 3000 ft broken.\n"
    "\n"
    "The weather from 12 June at 14Z to 12 June at 18Z will occasionally be:\n"
    "visibility of 2.5 miles, weather is moderate rain showers.\n"
    "\n";

// Selected by its identifier, the LFPG report starts at its station line, after TAF AMD.
const std::string LFPG_ENGLISH =
    "Paris_charles, FR (LFPG) terminal forecast issued on 12 June at 11:00Z\n"
    "valid from 12 June at 12Z to 13 June at 18Z.\n"
    "\n"
    "The initial weather is:\n"
    "winds from 240 deg at 10 kts, clouds 3000 ft broken.\n"
    "\n"
    "The weather from 12 June at 14Z to 12 June at 18Z will occasionally be:\n"
    "visibility of 2.5 miles, weather is moderate rain showers.\n"
    "\n";

const std::string XYZ_DECODED =
    "ID: KXYZ   SOMETOWN, ST\n"
    "REPORT TIME: 12 11:30\n"
    "VALID TIME: 12 JUN AT 12Z TO 12Z NEXT DAY\n"
    "INITIAL WX\n"
    "   WINDS: 180 AT 10\n"
    "   VISIBILITY: >6.0 MILES\n"
    "   CLOUDS: 250 SCT\n"
    "NEW WX STARTING: 15:00Z\n"
    "   WINDS: 200 AT 15 GUST 25\n"
    "   VISIBILITY: 3.0 MILES\n"
    "   WEATHER: -SHRA\n"
    "   CLOUDS: 30 BKN\n"
    "   COMMENTS: = \n"
    "\n";

const std::string ABC_DECODED =
    "ID: KABC   SAN_JUAN_HILL, NM\n"
    "REPORT TIME: 12 11:25\n"
    "VALID TIME: 12 JUN AT 12Z TO 13 JUN AT 12Z\n"
    "INITIAL WX\n"
    "   WIND: VARIABLE AT 3\n"
    "   VISIBILITY: >6.0 MILES\n"
    "   CLOUDS: CLEAR\n"
    "NEW WX STARTING: 12 JUN 18:00Z\n"
    "   WINDS: 270 AT 12 GUST 20\n"
    "   VISIBILITY: >6.0 MILES\n"
    "   CLOUDS: 80 FEW\n"
    "   COMMENTS: = \n"
    "\n";

const std::string LFPG_AMD_DECODED =
    "ID: LFPG   PARIS_CHARLES, FRAMENDMENT\n"
    "\n"
    "REPORT TIME: 12 11: 0\n"
    "VALID TIME: 12 JUN AT 12Z TO 13 JUN AT 18Z\n"
    "INITIAL WX\n"
    "   WINDS: 240 AT 10\n"
    "   CLOUDS: 30 BKN\n"
    "TEMPORARY WX FROM 12 JUN 14Z TO 12 JUN 18Z\n"
    "   VISIBILITY: 2.5 MILES\n"
    "   WEATHER: SHRA\n"
    "   COMMENTS: = \n"
    "\n";

// The table of the KXYZ report: the older forms' times made whole.
const std::string XYZ_TABLE =
    "KXYZ  Sometown, ST  issued 12 Jun 11:30Z  valid 12/12Z-13/12Z\n"
    "  BASE          12/12-12/15    VFR   18010KT      P6SM                SCT250\n"
    "  FM            12/1500-13/12  MVFR  20015G25KT   3SM     -SHRA       BKN030\n"
    "\n";

// XYZ_TABLE in color: each category, and the visibility and clouds that give it.
const std::string XYZ_TABLE_COLORED =
    "KXYZ  Sometown, ST  issued 12 Jun 11:30Z  valid 12/12Z-13/12Z\n"
    "  BASE          12/12-12/15    \x1b[32mVFR\x1b[0m   18010KT      \x1b[32mP6SM\x1b[0m"
    "                SCT250\n"
    "  FM            12/1500-13/12  \x1b[34mMVFR\x1b[0m  20015G25KT   \x1b[34m3SM\x1b[0m"
    "     -SHRA       \x1b[34mBKN030\x1b[0m\n"
    "\n";

const std::string HELP =
    "tafcvt: This program converts raw surface observations\n"
    "   into a useable format\n"
    "tafcvt syntax (version:5.60.2-LINUX-X11)\n"
    "   tafcvt [options...]\n"
    "Keyed options...\n"
    " -df file    Resource/defaults file name\n"
    " -na name    Program name\n"
    " -h          Print this help\n"
    " -ba         Run program in batch mode\n"
    " -me level   Message level to be displayed:\n"
    "               none,print,error,warn,mess,out1,*out2,out3,out4,debug\n"
    " -fp path    File path\n"
    " -dp path    Raw data path\n"
    " -cp path    Converted data path\n"
    " -gp path    Gridded data path\n"
    " -rp path    Raw files path\n"
    " -ip path    Image file path\n"
    " -wp path    Watch file data path\n"
    " -tp path    Text file path\n"
    " -mp path    Model file path\n"
    " -sp path    Satellite file path\n"
    " -cf file    City database file name\n"
    " -pr prior   Priority of stations used in the plot\n"
    " -nc type    Naming convention file name\n"
    " -if type    Input data file type\n"
    " -of type    Output file type\n"
    " -pf param   File parameters: use,calc,over,app\n"
    " -cu [hour]  Use current data file\n"
    " -ho hour    Actual hour of the file\n"
    " -nh hour[,step]  Number of hours to view\n"
    " -ph header  Specific product header\n"
    " -ou type    Type of output\n"
    " -co on|off|auto  Table colors (auto: on a terminal without NO_COLOR)\n"
    " -id ident   Specific station identifier\n"
    " -pa param[,...]  Program parameters\n"
    "Positional options...\n"
    " file [file...]  Input file names\n";

// A data environment of the test's own: defaults file, name conventions, stations, and the
// bulletin file of 2024-06-12 12Z named by the template.
class Tafcvt : public ::testing::Test {
   protected:
    void SetUp() override {
        testutil::write_file(dir_.file("etc/jox.cfg"),
                             "*.file_path " + dir_.file("data/") + "\n" +
                                 "*.data_path " + dir_.file("bull") + "\n");
        testutil::write_file(dir_.file("data/name_conv"),
                             "# type template header\nterm_dat %D/%y%m%d%h_taf - 0\n");
        testutil::write_file(dir_.file("data/sao.cty"), STATIONS);
        testutil::write_file(dir_.file("bull/24061212_taf"), JUNE_FILE);
    }

    RunResult tafcvt(const std::vector<std::string>& args, const std::string& input = "",
                     std::vector<std::string> env = {}) {
        env.push_back("joxdefault=" + dir_.file("etc"));
        bool pinned = false;
        for (const auto& e : env) pinned = pinned || e.rfind("joxcurtime=", 0) == 0;
        if (!pinned) env.push_back("joxcurtime=2024061212");
        return testutil::run(TAFCVT_BIN, args, env, input, dir_.path());
    }

    TempDir dir_;
};

TEST_F(Tafcvt, AllStationsInEnglish) {
    RunResult r = tafcvt({"-ba", "24061212"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, XYZ_ENGLISH + ABC_ENGLISH + LFPG_AMD_ENGLISH);
    EXPECT_EQ(r.err, "");
}

TEST_F(Tafcvt, AllStationsDecoded) {
    RunResult r = tafcvt({"-ba", "-ou", "dec", "24061212"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, XYZ_DECODED + ABC_DECODED + LFPG_AMD_DECODED);
}

TEST_F(Tafcvt, OutputItemsApplyInOrder) {
    struct Case {
        const char* output;
        std::string expected;
    };
    const std::string raw = "KXYZ 121130Z 121212 18010KT P6SM SCT250\n"
                            "     FM1500 20015G25KT 3SM -SHRA BKN030=\n\n";
    const Case cases[] = {
        {"dec,eng", XYZ_ENGLISH},
        {"eng,dec", XYZ_DECODED},
        {"code+eng", raw + XYZ_ENGLISH},
        {"dec+eng", raw + XYZ_DECODED},
        {"DEC,bogus", XYZ_DECODED},  // case ignored, unknown items ignored
        {"bogus", XYZ_ENGLISH},
        {"eng,Table", XYZ_TABLE},
        {"table,dec", XYZ_DECODED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        RunResult r = tafcvt({"-ba", "-id", "KXYZ", "-ou", c.output, "24061212"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected);
    }
}

// Standard output here is no terminal: no colors unless the resource color says on, whatever
// NO_COLOR says then; an unknown setting is told and counts as auto. Other forms have none.
TEST_F(Tafcvt, TableColorsWhenTheResourceSaysSo) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> env;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"auto on a pipe", {}, {}, XYZ_TABLE, ""},
        {"-co on", {"-co", "on"}, {}, XYZ_TABLE_COLORED, ""},
        {"-co ON over NO_COLOR", {"-co", "ON"}, {"NO_COLOR=1"}, XYZ_TABLE_COLORED, ""},
        {"joxcolor", {}, {"joxcolor=on"}, XYZ_TABLE_COLORED, ""},
        {"-color off over joxcolor", {"-color", "off"}, {"joxcolor=on"}, XYZ_TABLE, ""},
        {"-co auto", {"-co", "auto"}, {}, XYZ_TABLE, ""},
        {"unknown", {"-co", "always"}, {}, XYZ_TABLE,
         "Unknown color setting: always (on, off or auto); auto is used\n"},
        {"English", {"-co", "on", "-ou", "eng"}, {}, XYZ_ENGLISH, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"-ba", "-ou", "table", "-id", "KXYZ"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back("24061212");
        RunResult r = tafcvt(args, "", c.env);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(Tafcvt, StationListSelectsReports) {
    RunResult r = tafcvt({"-ba", "-id", "lfpg,KABC", "24061212"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ABC_ENGLISH + LFPG_ENGLISH);
    RunResult none = tafcvt({"-ba", "-id", "KQQQ", "24061212"});
    EXPECT_EQ(none.out, "");
}

// In the reader's last mode with a station list, reading a report only remembers its
// product: the driver stops reading there (it used to read on forever) and the final
// listing shows the last product found from the selected station's report to its line
// ending in "=" (nothing when no station was found).
TEST_F(Tafcvt, LastModeWithStationsListsTheLastReportOnce) {
    struct Case {
        const char* stations;
        std::string listed;
    };
    const Case cases[] = {{"KABC",
                           "KABC 121125Z 1212/1312 VRB03KT P6SM SKC\n"
                           "     FM121800 27012G20KT P6SM FEW080=\n"},
                          {"KQQQ", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stations);
        RunResult r = tafcvt({"-ba", "-pa", "last", "-id", c.stations, "24061212"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.listed);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(Tafcvt, AllLoadsTheDatabaseAndOneStationReadsTheFile) {
    RunResult all = tafcvt({"-ba", "-id", "ALL", "-me", "print,mess", "24061212"});
    EXPECT_NE(all.out.find("Reading the city database file...\n"), std::string::npos);
    EXPECT_EQ(all.out.find("Searching the city database file"), std::string::npos);
    EXPECT_NE(all.out.find(XYZ_ENGLISH), std::string::npos);
    RunResult one = tafcvt({"-ba", "-id", "KXYZ", "-me", "print,mess", "24061212"});
    EXPECT_EQ(one.out.find("Reading the city database file"), std::string::npos);
    EXPECT_NE(one.out.find("Searching the city database file for: KXYZ ...\n"),
              std::string::npos);
    EXPECT_NE(one.out.find(XYZ_ENGLISH), std::string::npos);
}

TEST_F(Tafcvt, BannerAndEchoFollowTheMessageLevel) {
    RunResult r = tafcvt({"-ba", "-me", "out2", "-id", "KXYZ", "24061212"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "      TERMINAL FORECAST PARSER (Ver 5.60.2-LINUX-X11)\n\n"
              "Parsing: " + dir_.file("bull/24061212_taf") + "\n" +
              "KXYZ 121130Z 121212 18010KT P6SM SCT250\n"
              "     FM1500 20015G25KT 3SM -SHRA BKN030=\n\n"
              "Searching the city database file for: KXYZ ...\n" + XYZ_ENGLISH);
    // An identifier makes print, error and warn the level unless the user chose one.
    RunResult quiet = tafcvt({"-id", "KXYZ", "24061212"});
    EXPECT_EQ(quiet.out, XYZ_ENGLISH);
}

TEST_F(Tafcvt, LastModeListsTheLastForecastProduct) {
    // Reading keeps each product instead of handing out lines; the final listing prints the
    // last one kept, up to its first report's end.
    RunResult r = tafcvt({"-ba", "-pa", "last", "24061212"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "TAF\n"
              "KABC 121125Z 1212/1312 VRB03KT P6SM SKC\n"
              "     FM121800 27012G20KT P6SM FEW080=\n");
}

TEST_F(Tafcvt, HelpAndStatusZero) {
    RunResult r = tafcvt({"-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, HELP);
    RunResult quiet = tafcvt({"-h", "-me", "none"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
}

// Output that cannot be written (a full disk) is a failure of its own: status 3 and one
// message, in every form, for standard output and for a log file; the help too.
TEST_F(Tafcvt, OutputThatCannotBeWrittenFailsTheRun) {
    const std::string told = "tafcvt: write error: No space left on device\n";
    struct Case {
        std::vector<std::string> args;
        bool to_full;  // standard output goes to /dev/full
    };
    const Case cases[] = {
        {{"-ba", "24061212"}, true},
        {{"-ba", "-ou", "dec", "24061212"}, true},
        {{"-ba", "-ou", "code+eng", "24061212"}, true},
        {{"-ba", "-ou", "dec+eng", "24061212"}, true},
        {{"-ba", "-ou", "table", "24061212"}, true},
        {{"-h"}, true},
        {{"-ba", "-me", "print,fi=/dev/full", "24061212"}, false},
        {{"-ba", "-me", "print,+fi=/dev/full", "24061212"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[c.args.size() / 2] + " " + c.args.back());
        std::vector<std::string> args = {"-c", c.to_full ? "exec \"$0\" \"$@\" >/dev/full"
                                                         : "exec \"$0\" \"$@\"",
                                         TAFCVT_BIN};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunResult r = testutil::run("/bin/sh", args,
                                    {"joxdefault=" + dir_.file("etc"), "joxcurtime=2024061212"},
                                    "", dir_.path());
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, told);
    }
}

// The standard input has no file date: its reports take their months from the current
// time (joxcurtime here), a day's month as for a file of that date.
TEST_F(Tafcvt, StandardInput) {
    struct Case {
        const char* curtime;
        std::string out;
    };
    std::string july = XYZ_ENGLISH;
    for (size_t at; (at = july.find("June")) != std::string::npos;) july.replace(at, 4, "July");
    const Case cases[] = {
        {"joxcurtime=2024061212", XYZ_ENGLISH},
        {"joxcurtime=#2024071012", july},  // "issued on 12 July ... valid from 12 July"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.curtime);
        RunResult r = tafcvt({"-ba", "-id", "KXYZ", "-"}, JUNE_FILE, {c.curtime});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

// ---- Input as people have it ----

// XYZ_ENGLISH is the report's heading and initial period, then its FM1500 period.
const std::string XYZ_HEAD = XYZ_ENGLISH.substr(0, XYZ_ENGLISH.find("The weather starting"));
const std::string XYZ_FM1500 = XYZ_ENGLISH.substr(XYZ_HEAD.size());
const std::string XYZ_DECODED_HEAD = XYZ_DECODED.substr(0, XYZ_DECODED.find("NEW WX STARTING"));
const std::string XYZ_DECODED_FM1500 =
    XYZ_DECODED.substr(XYZ_DECODED_HEAD.size(), XYZ_DECODED.find("   COMMENTS") - XYZ_DECODED_HEAD.size());

// The reports of JUNE_FILE as people copy them: one line each, "TAF" in front.
const std::string XYZ_LINE =
    "TAF KXYZ 121130Z 121212 18010KT P6SM SCT250 FM1500 20015G25KT 3SM -SHRA BKN030";
const std::string ABC_LINE =
    "TAF KABC 121125Z 1212/1312 VRB03KT P6SM SKC FM121800 27012G20KT P6SM FEW080";

// A report on one line of 325 characters, eight FM1500 periods: the reader's pieces of 128
// end inside the wind group 20015G25KT of the third period and inside FM1500 of the seventh.
std::string long_report_line() {
    std::string text = "TAF KXYZ 121130Z 121212 18010KT P6SM SCT250";
    for (int i = 0; i < 8; ++i) text += " FM1500 20015G25KT 3SM -SHRA BKN030";
    return text + "=";
}

std::string times(const std::string& text, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
}

// Sets a file's modification time (seconds since 1970, UTC).
bool set_file_time(const std::string& path, time_t secs) {
    struct timespec times[2] = {{secs, 0}, {secs, 0}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

constexpr time_t JUNE_12_12Z = 1718193600;  // 2024-06-12 12:00:00, the day of JUNE_FILE
constexpr time_t JULY_1_02Z = 1719799200;   // 2024-07-01 02:00:00

TEST_F(Tafcvt, BareReportsAndLongLines) {
    testutil::write_file(dir_.file("bare_then_framed.txt"), ABC_LINE + "=\n" + JUNE_FILE);
    testutil::write_file(dir_.file("long.txt"), long_report_line() + "\n");
    ASSERT_TRUE(set_file_time(dir_.file("bare_then_framed.txt"), JUNE_12_12Z));
    ASSERT_TRUE(set_file_time(dir_.file("long.txt"), JUNE_12_12Z));
    const std::string long_english = XYZ_HEAD + times(XYZ_FM1500, 8);
    const std::string long_decoded =
        XYZ_DECODED_HEAD + times(XYZ_DECODED_FM1500, 8) + "   COMMENTS: = \n\n";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        std::string out;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"one line with =", {"-ba", "-"}, ABC_LINE + "=\n", ABC_ENGLISH},
        {"one line without =", {"-ba", "-"}, ABC_LINE + "\n", ABC_ENGLISH},
        {"one line without a final newline", {"-ba", "-"}, ABC_LINE, ABC_ENGLISH},
        {"the raw echo: no empty line from the final newline", {"-ba", "-ou", "code+eng", "-"}, ABC_LINE + "=\n",
         ABC_LINE + "=\n\n" + ABC_ENGLISH},
        {"a file of one-line reports", {"-ba", "-"}, XYZ_LINE + "\n" + ABC_LINE + "\n", XYZ_ENGLISH + ABC_ENGLISH},
        {"a station of them", {"-ba", "-id", "kabc", "-"}, XYZ_LINE + "\n" + ABC_LINE + "\n", ABC_ENGLISH},
        {"lines with a lone TAF, without =", {"-ba", "-"},
         "TAF\nKXYZ 121130Z 121212 18010KT P6SM SCT250\n     FM1500 20015G25KT 3SM -SHRA BKN030\n"
         "TAF\nKABC 121125Z 1212/1312 VRB03KT P6SM SKC\n     FM121800 27012G20KT P6SM FEW080\n",
         XYZ_ENGLISH + ABC_ENGLISH},
        {"lines with =, decoded", {"-ba", "-ou", "dec", "-"},
         "TAF KXYZ 121130Z 121212 18010KT P6SM SCT250\n     FM1500 20015G25KT 3SM -SHRA BKN030=\n", XYZ_DECODED},
        {"bare, then framed bulletins", {"-ba", "@" + dir_.file("bare_then_framed.txt")}, "",
         ABC_ENGLISH + XYZ_ENGLISH + ABC_ENGLISH + LFPG_AMD_ENGLISH},
        {"a long line in English", {"-ba", "@" + dir_.file("long.txt")}, "", long_english},
        {"a long line decoded", {"-ba", "-ou", "dec", "-id", "KXYZ", "-"}, long_report_line() + "\n", long_decoded},
        {"a long line in a bulletin", {"-ba", "-ou", "dec", "-"},
         "FTUS43 KOKX 121130\n" + long_report_line().substr(4) + "\n", long_decoded},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult r = tafcvt(c.args, c.input);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(Tafcvt, UndatedFileTakesItsModificationTime) {
    const std::string path = dir_.file("today.txt");
    testutil::write_file(path, "TAF KXYZ 302330Z 0100/0206 18010KT P6SM SCT250\n");
    ASSERT_TRUE(set_file_time(path, JULY_1_02Z));
    // Issued on the 30th: the day lies before the file's day, in the month before July.
    const std::string expected =
        "Sometown, ST (KXYZ) terminal forecast issued on 30 June at 23:30Z valid\n"
        "from 1 July at 00Z to 2 July at 06Z.\n"
        "\n"
        "The initial weather is:\n"
        "winds from 180 deg at 10 kts, visibility is greater than 6.0 miles, clouds\n"
        "25000 ft scattered.\n"
        "\n";
    for (const std::string& name : {"@" + path, path}) {
        SCOPED_TRACE(name);
        RunResult r = tafcvt({"-ba", name});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, "");
    }
    // A name the template dates keeps its own date, whatever the file's time.
    ASSERT_TRUE(set_file_time(dir_.file("bull/24061212_taf"), JULY_1_02Z));
    RunResult dated = tafcvt({"-ba", "-id", "KXYZ", "24061212"});
    EXPECT_EQ(dated.out, XYZ_ENGLISH);
}

TEST_F(Tafcvt, CanadianReportsSelectedByTheirStation) {
    const std::string canada = product(301, {"FCCN31 CWAO 121200",
                                             "TAF CYYZ 121140Z 1212/1318 18010KT P6SM SCT250=",
                                             "TAF AMD CYUL 121140Z 1212/1318 18010KT P6SM SCT250=",
                                             "TAF CYOW 121140Z 1212/1318 18010KT P6SM SCT250="});
    const std::string initial =
        "\n"
        "The initial weather is:\n"
        "winds from 180 deg at 10 kts, visibility is greater than 6.0 miles, clouds\n"
        "25000 ft scattered.\n"
        "\n";
    const std::string yyz =
        "CYYZ terminal forecast issued on 12 June at 11:40Z valid from 12 June at\n"
        "12Z to 13 June at 18Z.\n" + initial;
    const std::string yul =
        "CYUL terminal forecast (amendment) issued on 12 June at 11:40Z valid from\n"
        "12 June at 12Z to 13 June at 18Z.\n" + initial;
    struct Case {
        const char* ids;
        std::string out;
    };
    const Case cases[] = {{"cyy", yyz}, {"CYUL", yul}, {"cyul,cyyz", yyz + yul}, {"CYQB", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ids);
        RunResult r = tafcvt({"-ba", "-id", c.ids, "-"}, canada);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
    }
}

// A report that lacks its "=" runs on into the next report's line; with both stations
// listed the next report is still read from that line.
TEST_F(Tafcvt, ReportAfterOneThatLacksItsEqual) {
    const std::string xyz = "KXYZ 121130Z 121212 18010KT P6SM SCT250";
    const std::string abc = "KABC 121125Z 1212/1312 VRB03KT P6SM SKC=";
    const std::string bulletin = product(401, {"FTUS43 KOKX 121130", xyz, abc});
    const std::string abc_head = ABC_ENGLISH.substr(0, ABC_ENGLISH.find("The weather starting"));
    struct Case {
        const char* ids;
        std::string out;
    };
    const Case cases[] = {
        {"KXYZ,KABC", xyz + "\n" + abc + "\n\n" + XYZ_HEAD + abc + "\n\n" + abc_head},
        {"KABC,KXYZ", xyz + "\n" + abc + "\n\n" + XYZ_HEAD + abc + "\n\n" + abc_head},
        {"KABC", abc + "\n\n" + abc_head},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ids);
        RunResult r = tafcvt({"-ba", "-ou", "code+eng", "-id", c.ids, "-"}, bulletin);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
    }
}

TEST_F(Tafcvt, NamedFileWithoutTafIsReported) {
    testutil::write_file(dir_.file("notes.txt"), "TAFS AT 12Z\n TAF KXYZ\n");
    testutil::write_file(dir_.file("bull/24061211_taf"), "NO FORECAST HERE\n");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"a file named", {"-ba", "@" + dir_.file("notes.txt")}, "",
         "No TAF found in " + dir_.file("notes.txt") + "\n"},
        {"the standard input", {"-ba", "-"}, "NOTHING\n", "No TAF found in -\n"},
        {"an empty standard input", {"-ba", "-"}, "", "No TAF found in -\n"},
        {"each file named", {"-ba", "-id", "KXYZ", "24061212", "24061211"}, "",
         "No TAF found in " + dir_.file("bull/24061211_taf") + "\n"},
        {"a file chosen by date", {"-ba", "-cu", "#2024061211"}, "", ""},
        {"a forecast bulletin without the station", {"-ba", "-id", "KQQQ", "24061212"}, "", ""},
        {"a bare report", {"-ba", "-id", "KQQQ", "-"}, ABC_LINE, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult r = tafcvt(c.args, c.input);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(Tafcvt, MissingNamedFileIsReportedAndTheRunGoesOn) {
    RunResult r = tafcvt({"-ba", "-id", "KXYZ", "24061299", "24061212"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("24061299"), std::string::npos);
    EXPECT_EQ(r.out, XYZ_ENGLISH);
}

TEST_F(Tafcvt, LatestFileAndSpansByDate) {
    testutil::write_file(dir_.file("bull/24061209_taf"), JUNE_FILE);
    // "now" is 2024-06-12 12Z: the latest file is the 12Z one; with a span of -3 hours the
    // 09Z, 10Z, 11Z (missing, silent) and 12Z files are read in date order.
    RunResult latest = tafcvt({"-ba", "-id", "KXYZ", "-cu", "la"});
    EXPECT_EQ(latest.status, 0);
    EXPECT_EQ(latest.out, XYZ_ENGLISH);
    RunResult span = tafcvt({"-ba", "-id", "KXYZ", "-cu", "la", "-nh", "-3"});
    EXPECT_EQ(span.status, 0);
    EXPECT_EQ(span.out, XYZ_ENGLISH + XYZ_ENGLISH);
    EXPECT_EQ(span.err, "");
}

TEST_F(Tafcvt, PromptsForFileAndStation) {
    RunResult r = tafcvt({"-me", "print"}, "24061212\nKABC\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("List of available files:\n"), std::string::npos);
    EXPECT_NE(r.out.find("Enter the filename: "), std::string::npos);
    EXPECT_NE(r.out.find("Enter the desired identifier (as in KIND): " + ABC_ENGLISH),
              std::string::npos);
    EXPECT_EQ(r.out.find("Sometown"), std::string::npos);
}

TEST_F(Tafcvt, PromptExitAndEndOfInput) {
    RunResult bye = tafcvt({"-me", "print"}, "exit\n");
    EXPECT_EQ(bye.status, 0);
    RunResult eof = tafcvt({"-me", "error"}, "24061212\n");
    EXPECT_EQ(eof.status, 1);
    EXPECT_NE(eof.err, "");
    EXPECT_EQ(eof.out.find("Sometown"), std::string::npos);
}

// Reports in a bulletin file: "=" lines of forecast products, and a last report that ends
// with its product instead.
int count_reports(const std::string& text) {
    int count = 0;
    bool in_forecast = false;
    bool pending = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        if (std::regex_search(line, std::regex("^F(T|CCN)[A-Z]{2}[0-9]{2} "))) {
            if (pending) ++count;
            in_forecast = true;
            pending = false;
            continue;
        }
        if (!in_forecast) continue;
        if (!line.empty() && line.back() == '=') {
            ++count;
            pending = false;
        } else if (std::regex_search(line, std::regex("^[A-Z]{4} [0-9]{6}Z? "))) {
            pending = true;
        }
    }
    return count + (pending ? 1 : 0);
}

// How often the texts occur in text, together.
int occurrences(const std::string& text, const std::vector<std::string>& marks) {
    int count = 0;
    for (const std::string& mark : marks)
        for (size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += mark.size())
            ++count;
    return count;
}

TEST_F(Tafcvt, RealBulletinsDecodeOnceEach) {
    const std::filesystem::path corpus = std::filesystem::path(TAFCVT_SOURCE_DIR) /
                                         "../shared/corpus/pyiem";
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.path().extension() != ".txt") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        std::string text = testutil::read_file(entry.path().string());
        int expected = count_reports(text);
        // Each report has its periods, or says that it has none (NIL) or is cancelled (CNL).
        RunResult dec = tafcvt({"-ba", "-ou", "dec", "@" + entry.path().string()});
        EXPECT_EQ(dec.status, 0);
        EXPECT_EQ(occurrences(dec.out, {"INITIAL WX\n", "NOT AVAILABLE (NIL)\n",
                                        "CANCELLED (CNL)\n"}),
                  expected);
        RunResult eng = tafcvt({"-ba", "@" + entry.path().string()});
        EXPECT_EQ(eng.status, 0);
        EXPECT_EQ(occurrences(eng.out, {"The initial weather is:\n", "(NIL).\n", "(CNL).\n"}),
                  expected);
    }
    EXPECT_GT(files, 0);
}

// The shipped samples through the README's own run command, and each sample in both forms
// with a station list, against outputs checked in once and read by hand
// (tests/data/golden). The build folder's defaults file points at the shipped data, as the
// README says.
TEST(TafcvtGolden, ShippedSamplesAsTheReadmeRunsThem) {
    const std::string build = std::filesystem::path(TAFCVT_BIN).parent_path().string();
    const std::string stations = "KDSM,kord,egll,CYY,KOFF";
    struct Case {
        std::vector<std::string> args;
        const char* golden;
    } cases[] = {
        {{"-df", build, "-ba", "24031512", "24031518", "07061806"}, "readme.txt"},
        {{"-df", build, "-ba", "-id", stations, "24031512"}, "24031512_list_eng.txt"},
        {{"-df", build, "-ba", "-ou", "dec", "-id", stations, "24031512"}, "24031512_list_dec.txt"},
        {{"-df", build, "-ba", "-id", stations, "24031518"}, "24031518_list_eng.txt"},
        {{"-df", build, "-ba", "-ou", "dec", "-id", stations, "24031518"}, "24031518_list_dec.txt"},
        {{"-df", build, "-ba", "-id", stations, "07061806"}, "07061806_list_eng.txt"},
        {{"-df", build, "-ba", "-ou", "dec", "-id", stations, "07061806"}, "07061806_list_dec.txt"},
        {{"-df", build, "-ba", "-ou", "table", "24031512"}, "24031512_table.txt"},
        {{"-df", build, "-ba", "-ou", "table", "24031518"}, "24031518_table.txt"},
        {{"-df", build, "-ba", "-ou", "table", "07061806"}, "07061806_table.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        RunResult r = testutil::run(TAFCVT_BIN, c.args, {});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        const std::string golden = testutil::test_data("golden/") + c.golden;
        ASSERT_TRUE(std::filesystem::is_regular_file(golden)) << golden;
        EXPECT_EQ(r.out, testutil::read_file(golden));
    }
}

// A program on the search path, or "" when there is none.
std::string find_program(const std::string& name) {
    const char* path = getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    for (size_t at = 0; at <= dirs.size();) {
        size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(at, end - at) + "/" + name;
        if (end > at && access(candidate.c_str(), X_OK) == 0) return candidate;
        at = end + 1;
    }
    return "";
}

// The table on a real terminal: the program runs in a tmux pane (a server of the test's own),
// whose screen, captured with its attributes, must show the categories in color, unless
// NO_COLOR or -co off say no; -co on wins over NO_COLOR. Skipped where tmux is missing.
TEST(TafcvtTerminal, TableColorsOnATerminal) {
    const std::string tmux = find_program("tmux");
    if (tmux.empty()) GTEST_SKIP() << "no tmux on the search path";
    const std::string build = std::filesystem::path(TAFCVT_BIN).parent_path().string();
    const std::string run = "'" + std::string(TAFCVT_BIN) + "' -df '" + build +
                            "' -ba -ou table -id KJFK 24031512";
    struct Case {
        const char* before;  // in front of the command
        const char* after;   // options after it
        bool colored;
    };
    const Case cases[] = {
        {"", "", true},
        {"NO_COLOR=1 ", "", false},
        {"NO_COLOR=1 ", " -co on", true},
        {"", " -co off", false},
    };
    const std::string end_mark = "__TABLE_END__";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before + run + c.after);
        TempDir dir;
        const std::string socket = dir.file("tmux");
        const std::string command = c.before + run + c.after + "; echo " + end_mark + "; sleep 60";
        RunResult started = testutil::run(
            tmux, {"-S", socket, "new-session", "-d", "-x", "160", "-y", "40", command}, {});
        ASSERT_EQ(started.status, 0) << started.err;
        std::string screen;
        for (int tries = 0; tries < 200 && screen.find(end_mark) == std::string::npos; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            screen = testutil::run(tmux, {"-S", socket, "capture-pane", "-e", "-p"}, {}).out;
        }
        testutil::run(tmux, {"-S", socket, "kill-server"}, {});
        ASSERT_NE(screen.find(end_mark), std::string::npos) << screen;
        EXPECT_NE(screen.find("KJFK  Kennedy Intl Arpt, NY"), std::string::npos) << screen;
        for (const char* colored : {"\x1b[32mVFR", "\x1b[34mMVFR", "\x1b[31mIFR", "\x1b[31m1 1/2SM"})
            EXPECT_EQ(screen.find(colored) != std::string::npos, c.colored) << colored << screen;
        if (!c.colored) {
            EXPECT_EQ(screen.find("\x1b[3"), std::string::npos) << screen;
        }
    }
}

}  // namespace
