// Present-weather codes and text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mess.h"
#include "testutil.h"
#include "wx_tool.h"

namespace {

// Every phrase of a "_"-joined list, one call after the other.
std::vector<std::string> phrases(const char* list) {
    std::vector<std::string> out;
    char phrase[WX_PHRASE_SIZE];
    const char* p = list;
    while ((p = WX_metar_weather_text(p, phrase)) != nullptr) out.push_back(phrase);
    return out;
}

TEST(WxMetarWeatherText, OneGroup) {
    struct Case {
        const char* code;
        const char* phrase;
    } cases[] = {
        {"-SHRA", "light rain showers"},
        {"TSRA", "moderate thunderstorms"},
        {"+TSRA", "heavy thunderstorms"},
        {"VCSH", "showers in vicinity"},
        {"VCFG", "fog in vicinty"},  // the users' spelling, kept
        {"FZFG", "freezing fog"},
        {"NSW", "none significant"},
        {"_BR", "mist"},
        {"!_-DZ", "light drizzle"},
        {"+SHSN", "heavy snow showers"},
        {"-FZDZ", "light freezing drizzle"},
        {"BCFG", "patches fog"},
        {"MIFG", "shallow fog"},
        {"DRSN", "low drifting moderate snow"},
        {"BLSN", "blowing moderate snow"},
        {"TS", "thunder"},
        {"GS", "moderate small hail/pellets"},
        {"-SG", "light snow grains"},
        {"PE", "moderate ice pellets"},
        {"IC", "moderate ice crystals"},
        {"HZ", "haze"},
        {"SA", "sand"},
        {"DU", "dust"},
        {"FU", "smoke"},
        {"SH", "showers"},
        {"-", "light"},
        {"-+", "lightheavy"},  // each sign appends its word without a blank
        // The codes of today's reports, each in its place of the list.
        {"PRFG", "partial fog"},
        {"BCPRFG", "patches partial fog"},
        {"PL", "moderate ice pellets"},
        {"-PL", "light ice pellets"},
        {"GR", "moderate hail"},
        {"+TSRAGR", "heavy thunderstorms hail"},
        {"SHGR", "moderate hail showers"},
        {"UP", "moderate unknown precipitation"},
        {"-UP", "light unknown precipitation"},
        {"VA", "volcanic ash"},
        {"PY", "spray"},
        {"PO", "dust whirls"},
        {"VCPO", "dust whirls in vicinty"},
        {"SQ", "squalls"},
        {"FC", "funnel cloud"},
        {"+FC", "heavy funnel cloud"},
        {"DS", "duststorm"},
        {"+DS", "heavy duststorm"},
        {"SS", "sandstorm"},
        {"DSSS", "duststorm sandstorm"},
        {"FUVAPYPOSQFCDSSS",
         "smoke volcanic ash spray dust whirls squalls funnel cloud duststorm sandstorm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        char phrase[WX_PHRASE_SIZE];
        const char* rest = WX_metar_weather_text(c.code, phrase);
        ASSERT_NE(rest, nullptr);
        EXPECT_STREQ(phrase, c.phrase);
        EXPECT_EQ(*rest, '\0');
    }
}

TEST(WxMetarWeatherText, CodesOutOfOrderGoToTheNextCall) {
    EXPECT_EQ(phrases("RASN"), std::vector<std::string>{"moderate rain moderate snow"});
    EXPECT_EQ(phrases("SNRA"), (std::vector<std::string>{"moderate snow", "moderate rain"}));
    EXPECT_EQ(phrases("-SHRA_BR"), (std::vector<std::string>{"light rain showers", "mist"}));
    EXPECT_EQ(phrases("RAPL"), std::vector<std::string>{"moderate rain moderate ice pellets"});
    EXPECT_EQ(phrases("GRRA"), (std::vector<std::string>{"moderate hail", "moderate rain"}));
    EXPECT_EQ(phrases("DSTS"), (std::vector<std::string>{"duststorm", "thunder"}));
    EXPECT_EQ(phrases("SSDU"), (std::vector<std::string>{"sandstorm", "dust"}));
    EXPECT_EQ(phrases("CAVOK"), std::vector<std::string>{});
}

TEST(WxMetarWeatherText, NothingKnown) {
    for (const char* code : {"", "_", "__BR", "CAVOK", "KT", "XX", "pl", "ds"}) {
        SCOPED_TRACE(code);
        char phrase[WX_PHRASE_SIZE] = "old";
        EXPECT_EQ(WX_metar_weather_text(code, phrase), nullptr);
        EXPECT_STREQ(phrase, "");
    }
}

TEST(WxMetarWeatherText, EveryCodeAtOnceFits) {
    char phrase[WX_PHRASE_SIZE];
    WX_metar_weather_text("-+NSWVCMIBCDRBLTSRATSSHFZDZRASNSGGSPEICBRFGHZSADUFU", phrase);
    EXPECT_STREQ(phrase,
                 "lightheavy shallow patches low drifting blowing thunderstorms thunder "
                 "freezing drizzle rain snow snow grains small hail/pellets ice pellets ice "
                 "crystals mist fog haze sand dust smoke showers in vicinity");
    // Without a sign every precipitation word gets "moderate" in front.
    WX_metar_weather_text("NSWVCMIBCDRBLTSRATSSHFZDZRASNSGGSPEICBRFGHZSADUFU", phrase);
    EXPECT_STREQ(phrase,
                 "shallow patches low drifting blowing moderate thunderstorms thunder freezing "
                 "moderate drizzle moderate rain moderate snow moderate snow grains moderate "
                 "small hail/pellets moderate ice pellets moderate ice crystals mist fog haze "
                 "sand dust smoke showers in vicinity");
    // With the codes of today's reports the phrase is at its longest.
    WX_metar_weather_text(
        "NSWVCMIBCPRDRBLTSRATSSHFZDZRASNSGGSPEPLGRUPICBRFGHZSADUFUVAPYPOSQFCDSSS", phrase);
    EXPECT_STREQ(phrase,
                 "shallow patches partial low drifting blowing moderate thunderstorms thunder "
                 "freezing moderate drizzle moderate rain moderate snow moderate snow grains "
                 "moderate small hail/pellets moderate ice pellets moderate ice pellets "
                 "moderate hail moderate unknown precipitation moderate ice crystals mist fog "
                 "haze sand dust smoke volcanic ash spray dust whirls squalls funnel cloud "
                 "duststorm sandstorm showers in vicinity");
}

TEST(WxWeatherGroup, MadeOfWeatherCodes) {
    struct Case {
        const char* group;
        int weather;
    } cases[] = {
        {"-SHRA", 1},   {"+TSRAGR", 1}, {"VCSH", 1},    {"NSW", 1},     {"BR", 1},
        {"PRFG", 1},    {"+FC", 1},     {"DSSS", 1},    {"-FZDZ", 1},   {"BLSN", 1},
        {"UP", 1},      {"VA", 1},      {"PY", 1},      {"PO", 1},      {"SQ", 1},
        {"SHGS", 1},    {"PLSG", 1},    {"SSIC", 1},    {"HZFU", 1},    {"SA", 1},
        {"NSWRA", 1},   {"RANSW", 1},   {"-RA+SN", 1},  {"R-A", 1},     {"+-RA", 1},
        {"RA-", 1},     {"VCNSW", 1},
        {"", 0},        {"+", 0},       {"-+-", 0},     {"RMK", 0},     {"CAVOK", 0},
        {"NSC", 0},     {"NIL", 0},     {"KT", 0},      {"FCST", 0},    {"NCD", 0},
        {"CNL", 0},     {"TEMPO", 0},   {"INTER", 0},   {"AMD", 0},     {"NOSIG", 0},
        {"R", 0},       {"RAS", 0},     {"NS", 0},      {"NSWR", 0},    {"ra", 0},
        {"Ra", 0},      {"RAsn", 0},    {"SA/TSRA", 0}, {"RA1", 0},     {"KXYZ", 0},
        {"NW", 0},      {"SN W", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        EXPECT_EQ(WX_weather_group(c.group), c.weather);
    }
}

TEST(WxMetarWeatherText, DebugLine) {
    MESS_reset();
    MESS_set(MESS_ADD, MESS_DEBUG);
    char phrase[WX_PHRASE_SIZE];
    testutil::Capture out(1);
    WX_metar_weather_text("-RA", phrase);
    EXPECT_EQ(out.stop(), "WX: -RA = light rain\n");
    MESS_reset();
}

TEST(WxMetarWeather, CompactCode) {
    struct Case {
        const char* code;
        const char* compact;
    } cases[] = {
        {"VCSH", ""},   {"SH", "W"},     {"-SHRA", "RW-"}, {"FZRA", "ZR"},   {"+TSRA", "TR+"},
        {"BLSN", "BS"}, {"SN", "S"},     {"!FZFG", "F"},   {"TS", "T"},      {"BR", "H"},
        {"RASN", "R"},  {"MIFG", "F"},   {"+SHSN", "SW+"}, {"PL", "IP"},     {"FZDZ", "ZL"},
        {"-DZ", "L-"},  {"TSGS", "TIP"}, {"SHGS", "IPW"},  {"DU", "D"},      {"FU", "K"},
        {"", ""},       {"XX", ""},      {"RABR", "R"},    {"-RA+", "R+"},   {"DRSN", "BS"},
        {"SG", "SG"},   {"IC", "IC"},    {"PE", "IP"},     {"BCFG", "F"},    {"HZ", "H"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        char compact[WX_CODE_SIZE] = "old";
        EXPECT_EQ(WX_metar_weather(c.code, compact), 0);
        EXPECT_STREQ(compact, c.compact);
    }
}

TEST(WxWmoWeather, CompactCode) {
    struct Case {
        int number;
        const char* compact;
    } cases[] = {
        {-1, " "},   {0, " "},    {3, " "},     {4, "K"},         {5, "H"},     {9, "D"},
        {10, "F"},   {16, " "},   {17, "T"},    {27, " "},        {28, "F"},    {29, "T"},
        {35, "D"},   {36, "BS"},  {49, "F"},    {51, "L-"},       {56, "ZL-"},  {57, "ZL"},
        {58, "L-R"}, {68, "R-L"}, {76, "IC"},   {77, "SG"},       {78, "IC"},   {79, "IP"},
        {83, "RW-SW-"},           {84, "RWSW"}, {87, "IPW"},      {90, "A"},    {91, "R-"},
        {94, "S"},   {95, "TRW-"}, {98, "TRWD"}, {99, "TRW+A"},   {100, " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        char compact[WX_CODE_SIZE] = "old";
        EXPECT_EQ(WX_wmo_weather(c.number, compact), 0);
        EXPECT_STREQ(compact, c.compact);
    }
}

TEST(WxWeatherText, Phrases) {
    struct Case {
        const char* code;
        const char* phrase;
        int count;
    } cases[] = {
        {"95", "light thunderstorm", 4},
        {"!FZFG", "fog", 1},
        {"!-SHRA", "light rain showers", 3},
        {"G", "", 0},
        {"BX", "", 0},
        {"IX", "", 0},
        {"ZX", "", 0},
        {"", "", 0},
        {"A", "hail", 1},
        {"K", "smoke", 1},
        {"H", "haze", 1},
        {"GF", "ground fog", 1},
        {"TRW+", "heavy thunderstorm", 4},
        {"TRW", "moderate thunderstorm", 3},
        {"TR-", "light thunderstorm", 3},
        {"TR", "moderate thunderstorm", 2},
        {"T+", "heavy thunder", 2},
        {"TX", "thunder", 1},
        {"RW", "moderate rain showers", 2},
        {"R+", "heavy rain", 2},
        {"RL", "moderate rain", 1},
        {"SW-", "light snow showers", 3},
        {"S+", "heavy snow", 2},
        {"SG", "snow grains", 2},
        {"SP", "snow pellets", 2},
        {"S", "moderate snow", 1},
        {"L-R", "light drizzle", 2},
        {"L", "moderate drizzle", 1},
        {"ZR+", "heavy freezing rain", 3},
        {"ZR", "moderate freezing rain", 2},
        {"ZL+", "heavy freezing drizzle", 3},
        {"ZL-", "light freezing drizzle", 3},
        {"ZL", "moderate freezing drizzle", 2},
        {"56", "light freezing drizzle", 3},
        {"!FZDZ", "moderate freezing drizzle", 2},
        {"BD", "blowing dust", 2},
        {"BS", "blowing snow", 2},
        {"IP", "ice pellets", 2},
        {"IC", "ice crystals", 2},
        {"IF", "ice fog", 2},
        {"D", "dust", 1},
        {"99999999999", "", 0},
        {"R-xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "light rain", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        char phrase[WX_PHRASE_SIZE] = "old";
        EXPECT_EQ(WX_weather_text(c.code, phrase), c.count);
        EXPECT_STREQ(phrase, c.phrase);
    }
}

TEST(PrintCloud, CoverWords) {
    struct Case {
        const char* code;
        const char* word;
    } cases[] = {{"SCT", "scattered"}, {"VV", ""},         {"CLR", "clear"}, {"FEW", "few"},
                 {"BKN", "broken"},    {"OVC", "overcast"}, {"X", "obscured"}, {"", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_STREQ(print_cloud(c.code), c.word);
    }
}

}  // namespace
