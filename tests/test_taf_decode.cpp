// TAF report decoder: header, heading, periods, the English buffer and its wrapping.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "cty_tool.h"
#include "mess.h"
#include "resrc.h"
#include "taf.h"
#include "testutil.h"

namespace {

// A station database holding KXYZ (SOMETOWN, ST) and a station without a state.
constexpr const char* CITY_FILE =
    "SOMETOWN             ST US KXYZ      3  40.00  -75.00   100 72501 0\n"
    "O'HARE-INTL/CHICAGO  -  UK EGXX      5  51.00    0.00    10 03772 0\n";

class TafDecodeTest : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        RES_reset();
        english = 1;
        dec_mes = MESS_PRINT;
        id = nullptr;
        file_date = Date{2024, 6, 12, 164, 3, 0, 0, 0};
        TAF_output_reset();
    }
    void TearDown() override {
        english = 1;
        id = nullptr;
        file_date = Date{};
        TAF_output_reset();
        RES_reset();
        MESS_reset();
    }

    std::string decode(const std::string& report, int form) {
        english = form;
        testutil::Capture out(1);
        TAF_decode(report.c_str());
        return out.stop();
    }
    std::string in_english(const std::string& report) { return decode(report, 1); }
    std::string decoded(const std::string& report) { return decode(report, 0); }

    void set_file_day(int year, int month, int day) {
        file_date = Date{year, month, day, 0, 0, 0, 0, 0};
    }

    struct ValidityCase {
        const char* group;
        const char* english;  // the sentence
        const char* decoded;  // the line
    };
    // A report of the station and the validity group alone, in both forms.
    void expect_validity(const ValidityCase& c) {
        SCOPED_TRACE(c.group);
        std::string report = std::string("KQQQ ") + c.group;
        EXPECT_EQ(in_english(report), std::string("KQQQ terminal forecast ") + c.english +
                                          "\n\nThe initial weather is:\n\n");
        EXPECT_EQ(decoded(report), std::string("ID: KQQQ\n") + c.decoded + "\nINITIAL WX\n\n");
    }
};

// The same with the station database in the file_path folder.
class TafHeadingTest : public TafDecodeTest {
   protected:
    void SetUp() override {
        TafDecodeTest::SetUp();
        CTY_reset();
        MESS_set(-1, MESS_MESS);  // as with a station selection: no progress messages
        testutil::write_file(dir_.file("sao.cty"), CITY_FILE);
        RES_put("file_path", dir_.path().c_str());
        id = "KXYZ";
    }
    void TearDown() override {
        CTY_reset();
        TafDecodeTest::TearDown();
    }
    testutil::TempDir dir_;
};

CTY_data station(const char* name, const char* state, const char* region, const char* ident) {
    CTY_data city = {};
    snprintf(city.name, sizeof city.name, "%s", name);
    snprintf(city.state, sizeof city.state, "%s", state);
    snprintf(city.region, sizeof city.region, "%s", region);
    snprintf(city.id, sizeof city.id, "%s", ident);
    return city;
}

constexpr const char* WORKED_EXAMPLE =
    "TAF KXYZ 121130Z 121212 18010KT P6SM SCT250\n"
    "     FM1500 20015G25KT 3SM -SHRA BKN030=\n";

TEST_F(TafHeadingTest, WorkedExampleDecoded) {
    EXPECT_EQ(decoded(WORKED_EXAMPLE),
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
              "\n");
}

TEST_F(TafHeadingTest, WorkedExampleInEnglish) {
    EXPECT_EQ(in_english(WORKED_EXAMPLE),
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
              "\n");
}

TEST_F(TafHeadingTest, AllStationsAreFoundInTheLoadedTable) {
    id = nullptr;
    CTY_store("sao.cty", 1, nullptr, 7);
    EXPECT_EQ(decoded("KXYZ 121130Z"),
              "ID: KXYZ   SOMETOWN, ST\nREPORT TIME: 12 11:30\nINITIAL WX\n\n");
}

TEST_F(TafHeadingTest, AmendmentBeforeTheStation) {
    EXPECT_EQ(decoded("TAF AMD KXYZ 121130Z"),
              "ID: KXYZ   SOMETOWN, STAMENDMENT\n\nREPORT TIME: 12 11:30\nINITIAL WX\n\n");
    EXPECT_EQ(in_english("TAF AMD KXYZ 121130Z 121212 18010KT"),
              "Sometown, ST (KXYZ) terminal forecast (amendment) issued on 12 June at\n"
              "11:30Z valid from 12 June at 12Z to 12Z the next day.\n\n"
              "The initial weather is:\nwinds from 180 deg at 10 kts.\n\n");
}

TEST_F(TafHeadingTest, CorrectionBeforeTheStation) {
    const char* report = "TAF COR KXYZ 121130Z 1212/1312 18010KT";
    EXPECT_EQ(decoded(report),
              "ID: KXYZ   SOMETOWN, STCORRECTION\n\nREPORT TIME: 12 11:30\n"
              "VALID TIME: 12 JUN AT 12Z TO 13 JUN AT 12Z\nINITIAL WX\n   WINDS: 180 AT 10\n\n");
    EXPECT_EQ(in_english(report),
              "Sometown, ST (KXYZ) terminal forecast (correction) issued on 12 June at\n"
              "11:30Z valid from 12 June at 12Z to 13 June at 12Z.\n\n"
              "The initial weather is:\nwinds from 180 deg at 10 kts.\n\n");
    // Amended reports mark nothing more before the station.
    EXPECT_EQ(decoded("TAF AMD KXYZ 121130Z"),
              "ID: KXYZ   SOMETOWN, STAMENDMENT\n\nREPORT TIME: 12 11:30\nINITIAL WX\n\n");
}

TEST_F(TafHeadingTest, StationNotInTheDatabase) {
    id = "KQQQ";
    EXPECT_EQ(decoded("KQQQ 121130Z"), "ID: KQQQ\nREPORT TIME: 12 11:30\nINITIAL WX\n\n");
    EXPECT_EQ(in_english("KQQQ 121130Z"),
              "KQQQ terminal forecast issued on 12 June at 11:30Z \n"
              "The initial weather is:\n\n");
}

TEST_F(TafDecodeTest, StationHeadingRecord) {
    CTY_data city = station("O'HARE-INTL/CHICAGO ", "-", "UK", "EGXX");
    TAF_print_city(&city);
    EXPECT_STREQ(city.name, "O'hare-Intl/Chicago");
    testutil::Capture out(1);
    TAF_print();
    EXPECT_EQ(out.stop(), "O'hare-Intl/Chicago, UK (EGXX) terminal forecast \n");

    CTY_data upper = station("ST LOUIS  ", "MO", "US", "KSTL");
    english = 0;
    testutil::Capture dec(1);
    TAF_print_city(&upper);
    EXPECT_EQ(dec.stop(), "   ST LOUIS, MO");
    EXPECT_STREQ(upper.name, "ST LOUIS");
}

TEST_F(TafDecodeTest, IssueMonthFollowsTheFileDate) {
    struct Case {
        int year, month, file_day;
        const char* report;
        const char* heading;
    } cases[] = {
        {2024, 6, 30, "KQQQ 021130Z 021212",
         "KQQQ terminal forecast issued on 2 July at 11:30Z valid from 2 July at 12Z\n"
         "to 12Z the next day.\n"},
        {2024, 6, 2, "KQQQ 281130Z 281212",
         "KQQQ terminal forecast issued on 28 May at 11:30Z valid from 28 June at 12Z\n"
         "to 12Z the next day.\n"},
        {2024, 1, 2, "KQQQ 281130Z", "KQQQ terminal forecast issued on 28 December at 11:30Z "},
        {2024, 12, 30, "KQQQ 021130Z", "KQQQ terminal forecast issued on 2 January at 11:30Z "},
        {2024, 6, 17, "KQQQ 121130UTC", "KQQQ terminal forecast issued on 12 June at 11:30Z "},
        {2024, 6, 18, "KQQQ 121130Z", "KQQQ terminal forecast issued on 12 July at 11:30Z "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        set_file_day(c.year, c.month, c.file_day);
        EXPECT_EQ(in_english(c.report), std::string(c.heading) + "\nThe initial weather is:\n\n");
    }
}

TEST_F(TafDecodeTest, ValidityForms) {
    set_file_day(2024, 6, 25);
    const ValidityCase cases[] = {
        {"250024", "valid from 25 June at 00Z to 00Z the next day.",
         "VALID TIME: 25 JUN AT 00Z TO 00Z NEXT DAY"},
        {"250612", "valid from 25 June at 06Z to 12Z.", "VALID TIME: 25 JUN AT 06Z TO 12Z"},
        {"251806", "valid from 25 June at 18Z to 06Z the next day.",
         "VALID TIME: 25 JUN AT 18Z TO 06Z NEXT DAY"},
        // A day and start hour alone: a validity of 24 hours.
        {"2512", "valid from 25 June at 12Z to 12Z the next day.",
         "VALID TIME: 25 JUN AT 12Z TO 12Z NEXT DAY"},
        {"011200", "valid from 1 July at 12Z to 00Z the next day.",
         "VALID TIME: 1 JUL AT 12Z TO 00Z NEXT DAY"},
    };
    for (const ValidityCase& c : cases) expect_validity(c);
}

TEST_F(TafDecodeTest, RepeatedStationIsPassedOver) {
    EXPECT_EQ(decoded("KQQQ 121130Z KQQQ 121212 18010KT"),
              "ID: KQQQ\nREPORT TIME: 12 11:30\nVALID TIME: 12 JUN AT 12Z TO 12Z NEXT DAY\n"
              "INITIAL WX\n   WINDS: 180 AT 10\n\n");
    // Another word there is left for the validity step, which does not take it.
    EXPECT_EQ(decoded("KQQQ 121130Z KABC 121212 18010KT="),
              "ID: KQQQ\nREPORT TIME: 12 11:30\nINITIAL WX\n   WEATHER: KABC\n"
              "   COMMENTS: 121212 18010KT = \n\n");
}

TEST_F(TafDecodeTest, RemarksAfterTheValidity) {
    EXPECT_EQ(in_english("KQQQ 121130Z 121212 AMD KQQQ 121200Z 121212 18010KT"),
              "KQQQ terminal forecast issued on 12 June at 11:30Z valid from 12 June at\n"
              "12Z to 12Z the next day.\n(amendment) \nThe initial weather is:\n"
              "winds from 180 deg at 10 kts.\n\n");
    EXPECT_EQ(decoded("KQQQ 121130Z 121212 AMD KQQQ 121200Z 121212 18010KT"),
              "ID: KQQQ\nREPORT TIME: 12 11:30\nVALID TIME: 12 JUN AT 12Z TO 12Z NEXT DAY\n"
              "AMENDMENT\nINITIAL WX\n   WINDS: 180 AT 10\n\n");
    // Without AMD the station is not passed over a second time.
    EXPECT_EQ(in_english("KQQQ 121130Z 121212 RTD KQQQ 18010KT"),
              "KQQQ terminal forecast issued on 12 June at 11:30Z valid from 12 June at\n"
              "12Z to 12Z the next day.\n(retransmitted) \nThe initial weather is:\n"
              "weather is .\n\n");
    EXPECT_EQ(decoded("KQQQ 121130Z 121212 RTD COR 18010KT"),
              "ID: KQQQ\nREPORT TIME: 12 11:30\nVALID TIME: 12 JUN AT 12Z TO 12Z NEXT DAY\n"
              "RETRANSMITTED\nCORRECTION\nINITIAL WX\n   WINDS: 180 AT 10\n\n");
    EXPECT_EQ(in_english("KQQQ 121130Z 121212 COR 18010KT"),
              "KQQQ terminal forecast issued on 12 June at 11:30Z valid from 12 June at\n"
              "12Z to 12Z the next day.\n(correction) \nThe initial weather is:\n"
              "winds from 180 deg at 10 kts.\n\n");
}

constexpr const char* PERIODS =
    "KQQQ 121130Z 121214 18010KT TEMPO 0812 3SM -SHRA PROB30 1012 TS BECMG 1214 20015KT "
    "FM1500 00000KT FM18 SKC=";

TEST_F(TafDecodeTest, ChangePeriodsInEnglish) {
    EXPECT_EQ(in_english(PERIODS),
              "KQQQ terminal forecast issued on 12 June at 11:30Z valid from 12 June at\n"
              "12Z to 14Z.\n\nThe initial weather is:\nwinds from 180 deg at 10 kts.\n\n"
              "The weather from 08Z to 12Z will occasionally be:\n"
              "visibility of 3.0 miles, weather is light rain showers.\n\n"
              "A 30% probability from 10Z to 12Z of weather is thunder.\n\n"
              "The weather from 12Z to 14Z will change to:\nwinds from 200 deg at 15 kts.\n\n"
              "The weather starting at 15:00Z will be:\nwinds calm.\n\n"
              "The weather starting at 18Z will be: skies are clear.\n\n");
}

TEST_F(TafDecodeTest, ChangePeriodsDecoded) {
    EXPECT_EQ(decoded(PERIODS),
              "ID: KQQQ\nREPORT TIME: 12 11:30\nVALID TIME: 12 JUN AT 12Z TO 14Z\n"
              "INITIAL WX\n   WINDS: 180 AT 10\n"
              "TEMPORARY WX FROM 08Z TO 12Z\n   VISIBILITY: 3.0 MILES\n   WEATHER: -SHRA\n"
              "30% PROBABILITY OF WX FROM 10Z TO 12Z\n   WEATHER: TS\n"
              "WX BECOMING FROM 12Z TO 14Z\n   WINDS: 200 AT 15\n"
              "NEW WX STARTING: 15:00Z\n   WINDS: CALM\n"
              "NEW WX STARTING: 18Z\n   CLOUDS: CLEAR\n   COMMENTS: = \n\n");
}

TEST_F(TafDecodeTest, ChangePeriodsWithoutTimes) {
    const char* report = "KQQQ TEMPO -RA BECMG VRB05KT PROB40 -RA";
    EXPECT_EQ(in_english(report),
              "KQQQ terminal forecast \nThe initial weather is:\n\n"
              "The weather will occasionally be weather is light rain.\n\n"
              "The weather will change to:\nwinds variable at 5 kts.\n\n"
              "A 40% probability weather is light rain.\n\n");
    EXPECT_EQ(decoded(report),
              "ID: KQQQ\nINITIAL WX\nTEMPORARY WX \n   WEATHER: -RA\n"
              "WX BECOMING \n   WIND: VARIABLE AT 5\n40% PROBABILITY OF WX \n   WEATHER: -RA\n\n");
    // Four digits after the change word are its times, whatever follows them.
    EXPECT_EQ(decoded("KQQQ BECMG 20015KT"), "ID: KQQQ\nINITIAL WX\nWX BECOMING FROM 20Z TO 01Z\n"
                                              "   VISIBILITY: 5.0 MILES\n   COMMENTS: KT \n\n");
}

// The header of most reports below, and its lines in both forms.
constexpr const char* HEAD = "KQQQ 121130Z 121212 ";
constexpr const char* HEAD_DECODED =
    "ID: KQQQ\nREPORT TIME: 12 11:30\nVALID TIME: 12 JUN AT 12Z TO 12Z NEXT DAY\nINITIAL WX\n";
constexpr const char* HEAD_ENGLISH =
    "KQQQ terminal forecast issued on 12 June at 11:30Z valid from 12 June at\n"
    "12Z to 12Z the next day.\n\nThe initial weather is:\n";

TEST_F(TafDecodeTest, UnreadableChangeWordStopsTheLoop) {
    MESS_set(1, MESS_OUT4);
    std::string head = HEAD, lines = HEAD_DECODED;
    EXPECT_EQ(decoded(head + "18010KT FMX 9999"),
              lines + "   WINDS: 180 AT 10\nLEFT: FMX 9999\n\n");
    EXPECT_EQ(decoded(head + "18010KT PROB TEMPO 0812"),
              lines + "   WINDS: 180 AT 10\nLEFT: PROB TEMPO 0812\n\n");
    EXPECT_EQ(decoded(head + "18010KT="),
              lines + "   WINDS: 180 AT 10\n   COMMENTS: = \nLEFT: \n\n");
}

TEST_F(TafDecodeTest, EqualsSignGluedToTheLastGroup) {
    std::string head = HEAD, lines = HEAD_DECODED;
    EXPECT_EQ(in_english(head + "18010KT 9999 FG="),
              std::string(HEAD_ENGLISH) + "winds from 180 deg at 10 kts, weather is fog.\n\n");
    MESS_set(1, MESS_OUT4);
    EXPECT_EQ(decoded(head + "18010KT 9999="),
              lines + "   WINDS: 180 AT 10\n   COMMENTS: = \nLEFT: \n\n");
    EXPECT_EQ(decoded(head + "18010KT 0800="),
              lines + "   WINDS: 180 AT 10\n   VISIBILITY: 0.5 MILES\n   COMMENTS: = \nLEFT: \n\n");
    // The unread rest shows the decoder's copy.
    EXPECT_EQ(decoded(head + "18010KT FMX 9999=="),
              lines + "   WINDS: 180 AT 10\nLEFT: FMX 9999 = =\n\n");
}

// A current report: validity, FM and change times carry their days.
constexpr const char* CURRENT_REPORT =
    "TAF KJFK 241738Z 2418/2524 31015G25KT P6SM SCT050\n"
    "     FM242300 32010KT P6SM FEW060\n"
    "     FM251400 28008KT P6SM BKN250 TEMPO 2520/2523 3SM -SHRA=\n";

TEST_F(TafDecodeTest, CurrentReportDecoded) {
    set_file_day(2024, 6, 24);
    EXPECT_EQ(decoded(CURRENT_REPORT),
              "ID: KJFK\n"
              "REPORT TIME: 24 17:38\n"
              "VALID TIME: 24 JUN AT 18Z TO 25 JUN AT 24Z\n"
              "INITIAL WX\n"
              "   WINDS: 310 AT 15 GUST 25\n"
              "   VISIBILITY: >6.0 MILES\n"
              "   CLOUDS: 50 SCT\n"
              "NEW WX STARTING: 24 JUN 23:00Z\n"
              "   WINDS: 320 AT 10\n"
              "   VISIBILITY: >6.0 MILES\n"
              "   CLOUDS: 60 FEW\n"
              "NEW WX STARTING: 25 JUN 14:00Z\n"
              "   WINDS: 280 AT 8\n"
              "   VISIBILITY: >6.0 MILES\n"
              "   CLOUDS: 250 BKN\n"
              "TEMPORARY WX FROM 25 JUN 20Z TO 25 JUN 23Z\n"
              "   VISIBILITY: 3.0 MILES\n"
              "   WEATHER: -SHRA\n"
              "   COMMENTS: = \n"
              "\n");
}

TEST_F(TafDecodeTest, CurrentReportInEnglish) {
    set_file_day(2024, 6, 24);
    EXPECT_EQ(in_english(CURRENT_REPORT),
              "KJFK terminal forecast issued on 24 June at 17:38Z valid from 24 June at\n"
              "18Z to 25 June at 24Z.\n"
              "\n"
              "The initial weather is:\n"
              "winds from 310 deg at 15 kts with gusts to 25, visibility is greater than\n"
              "6.0 miles, clouds 5000 ft scattered.\n"
              "\n"
              "The weather starting on 24 June at 23:00Z will be:\n"
              "winds from 320 deg at 10 kts, visibility is greater than 6.0 miles, clouds\n"
              "6000 ft few.\n"
              "\n"
              "The weather starting on 25 June at 14:00Z will be:\n"
              "winds from 280 deg at 8 kts, visibility is greater than 6.0 miles, clouds\n"
              "25000 ft broken.\n"
              "\n"
              "The weather from 25 June at 20Z to 25 June at 23Z will occasionally be:\n"
              "visibility of 3.0 miles, weather is light rain showers.\n"
              "\n");
}

TEST_F(TafDecodeTest, ValidityOlderAndCurrentForms) {
    const ValidityCase cases[] = {
        {"121812", "valid from 12 June at 18Z to 12Z the next day.",
         "VALID TIME: 12 JUN AT 18Z TO 12Z NEXT DAY"},
        {"1218/1312", "valid from 12 June at 18Z to 13 June at 12Z.",
         "VALID TIME: 12 JUN AT 18Z TO 13 JUN AT 12Z"},
        {"120024", "valid from 12 June at 00Z to 00Z the next day.",
         "VALID TIME: 12 JUN AT 00Z TO 00Z NEXT DAY"},
        {"1200/1224", "valid from 12 June at 00Z to 12 June at 24Z.",  // 24 stays 24
         "VALID TIME: 12 JUN AT 00Z TO 12 JUN AT 24Z"},
        {"0218/0318", "valid from 2 July at 18Z to 3 July at 18Z.",
         "VALID TIME: 2 JUL AT 18Z TO 3 JUL AT 18Z"},
    };
    for (const ValidityCase& c : cases) expect_validity(c);
}

TEST_F(TafDecodeTest, MonthChangesInsideTheValidity) {
    set_file_day(2024, 6, 30);
    const char* report = "KQQQ 301720Z 3018/0124 18010KT FM010600 00000KT";
    EXPECT_EQ(decoded(report),
              "ID: KQQQ\nREPORT TIME: 30 17:20\nVALID TIME: 30 JUN AT 18Z TO 1 JUL AT 24Z\n"
              "INITIAL WX\n   WINDS: 180 AT 10\nNEW WX STARTING: 1 JUL 06:00Z\n   WINDS: CALM\n\n");
    EXPECT_EQ(in_english(report),
              "KQQQ terminal forecast issued on 30 June at 17:20Z valid from 30 June at\n"
              "18Z to 1 July at 24Z.\n\nThe initial weather is:\nwinds from 180 deg at 10 kts.\n\n"
              "The weather starting on 1 July at 06:00Z will be:\nwinds calm.\n\n");
    set_file_day(2024, 12, 31);
    EXPECT_EQ(in_english("KQQQ 311720Z 3118/0124"),
              "KQQQ terminal forecast issued on 31 December at 17:20Z valid from 31\n"
              "December at 18Z to 1 January at 24Z.\n\nThe initial weather is:\n\n");
    EXPECT_EQ(decoded("KQQQ 3118/0124 TEMPO 3122/0102"),
              "ID: KQQQ\nVALID TIME: 31 DEC AT 18Z TO 1 JAN AT 24Z\nINITIAL WX\n"
              "TEMPORARY WX FROM 31 DEC 22Z TO 1 JAN 02Z\n\n");
}

TEST_F(TafDecodeTest, FromGroupsOlderAndCurrent) {
    std::string report = std::string(HEAD) + "18010KT FM1500 00000KT FM121800 VRB05KT FM21 SKC";
    EXPECT_EQ(decoded(report),
              std::string(HEAD_DECODED) + "   WINDS: 180 AT 10\n"
              "NEW WX STARTING: 15:00Z\n   WINDS: CALM\n"
              "NEW WX STARTING: 12 JUN 18:00Z\n   WIND: VARIABLE AT 5\n"
              "NEW WX STARTING: 21Z\n   CLOUDS: CLEAR\n\n");
    EXPECT_EQ(in_english(report),
              std::string(HEAD_ENGLISH) + "winds from 180 deg at 10 kts.\n\n"
              "The weather starting at 15:00Z will be:\nwinds calm.\n\n"
              "The weather starting on 12 June at 18:00Z will be:\nwinds variable at 5 kts.\n\n"
              "The weather starting at 21Z will be: skies are clear.\n\n");
}

TEST_F(TafDecodeTest, ChangeTimesOlderAndCurrent) {
    std::string report = std::string(HEAD) +
                         "18010KT TEMPO 1216 -RA TEMPO 1216/1218 -SN PROB30 1820 TS "
                         "PROB40 1220/1302 FG BECMG 1012 VRB05KT BECMG 1302/1304 00000KT";
    EXPECT_EQ(decoded(report),
              std::string(HEAD_DECODED) + "   WINDS: 180 AT 10\n"
              "TEMPORARY WX FROM 12Z TO 16Z\n   WEATHER: -RA\n"
              "TEMPORARY WX FROM 12 JUN 16Z TO 12 JUN 18Z\n   WEATHER: -SN\n"
              "30% PROBABILITY OF WX FROM 18Z TO 20Z\n   WEATHER: TS\n"
              "40% PROBABILITY OF WX FROM 12 JUN 20Z TO 13 JUN 02Z\n   WEATHER: FG\n"
              "WX BECOMING FROM 10Z TO 12Z\n   WIND: VARIABLE AT 5\n"
              "WX BECOMING FROM 13 JUN 02Z TO 13 JUN 04Z\n   WINDS: CALM\n\n");
    EXPECT_EQ(in_english(report),
              std::string(HEAD_ENGLISH) + "winds from 180 deg at 10 kts.\n\n"
              "The weather from 12Z to 16Z will occasionally be:\nweather is light rain.\n\n"
              "The weather from 12 June at 16Z to 12 June at 18Z will occasionally be:\n"
              "weather is light snow.\n\n"
              "A 30% probability from 18Z to 20Z of weather is thunder.\n\n"
              "A 40% probability from 12 June at 20Z to 13 June at 02Z of weather is fog.\n\n"
              "The weather from 10Z to 12Z will change to:\nwinds variable at 5 kts.\n\n"
              "The weather from 13 June at 02Z to 13 June at 04Z will change to:\n"
              "winds calm.\n\n");
}

TEST_F(TafDecodeTest, EnglishTextIsCutAtItsLimit) {
    std::string chunk(100, 'x');
    for (int i = 0; i < 60; ++i) TAF_format("%s", chunk.c_str());
    EXPECT_EQ(TAF_output_length(), TAF_OUTPUT_MAX);
    TAF_format("%s", "more");
    EXPECT_EQ(TAF_output_length(), TAF_OUTPUT_MAX);
    // A comma in the last place keeps the terminator.
    TAF_output_reset();
    for (int i = 0; i < TAF_OUTPUT_MAX - 1; ++i) TAF_format("y");
    TAF_format(", ");
    EXPECT_EQ(TAF_close_clauses(0), 1);
    testutil::Capture out(1);
    TAF_print();
    std::string printed = out.stop();
    EXPECT_EQ(printed.size(), static_cast<size_t>(TAF_OUTPUT_MAX) + 1);
    EXPECT_EQ(printed.substr(printed.size() - 4), "yy.\n");
}

TEST_F(TafDecodeTest, WrappingStaysInTheCurrentLine) {
    struct Case {
        std::string text, printed;
    } cases[] = {
        // No blank in the current line: it stays whole, and an earlier line is not broken.
        {"short line\n" + std::string(90, 'z'), "short line\n" + std::string(90, 'z')},
        // The count starts again where the search found nothing, so a later blank breaks.
        {std::string(80, 'x') + " " + std::string(80, 'y'),
         std::string(80, 'x') + "\n" + std::string(80, 'y')},
        {std::string(73, 'a') + " b", std::string(73, 'a') + " b"},
        {std::string(74, 'a') + " b", std::string(74, 'a') + "\nb"},
        {" " + std::string(80, 'c'), " " + std::string(80, 'c')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 12));
        TAF_output_reset();
        TAF_format("%s", c.text.c_str());
        testutil::Capture out(1);
        TAF_print();
        EXPECT_EQ(out.stop(), c.printed + "\n");
    }
}

// Every start of a report that uses each kind of group, cut at every length.
constexpr const char* EVERY_GROUP =
    "TAF AMD KQQQ 121130Z KQQQ 121212 RTD AMD KQQQ 121130Z 121212 COR 00000KT 27015G25KT "
    "VRB05G15MPS M1 1/2SM 4000NE 2000SW -SHRA BR VV/// 8SC/// 6CUFR010 BKN030CB SCT/// "
    "TM05/12Z 620304 530804 QNH2992INS TXX/XXZ VCSH NOSIG TEMPO 0812 P6NM PROB30 1012 +TSRA "
    "BECMG 1214 18005KMH FM1500 VV005 FM18 SKC FMX=";

TEST_F(TafDecodeTest, EveryPrefixDecodesQuietly) {
    std::string all = EVERY_GROUP;
    for (size_t n = 0; n <= all.size(); ++n) {
        std::string cut = all.substr(0, n);
        decode(cut, 1);
        decode(cut, 0);
        ASSERT_LE(TAF_output_length(), TAF_OUTPUT_MAX);
    }
}

TEST_F(TafDecodeTest, AnyTextDecodesQuietly) {
    std::string binary;
    for (int i = 1; i < 256; ++i) binary += static_cast<char>(i);
    std::string equals(TAF_REPORT_MAX + 100, '=');
    std::string clauses;
    for (int i = 0; i < 300; ++i) clauses += "-RA ";  // far more text than the buffer holds
    for (const std::string& text :
         {std::string(), std::string("="), std::string(5000, 'K'), binary, equals,
          "KQQQ " + std::string(6000, 'A'), "KQQQ 00000KT " + clauses + "TEMPO " + clauses,
          std::string("KQQQ 121130Z 121212 ") + std::string(30, 'T') + " FM"}) {
        SCOPED_TRACE(text.substr(0, 20));
        decode(text, 1);
        EXPECT_LE(TAF_output_length(), TAF_OUTPUT_MAX);
        decode(text, 0);
    }
}

TEST_F(TafDecodeTest, LongEnglishReportIsCut) {
    std::string periods;
    const std::string groups = " 18010KT P6SM -SHRA BKN030CB 620304 ";
    for (int i = 0; i < 6; ++i)
        periods += "TEMPO 0812" + groups + "PROB30 1012" + groups + "FM1500" + groups +
                   "BECMG 1214" + groups;
    std::string printed = in_english("KQQQ 121130Z 121212 " + periods);
    EXPECT_EQ(TAF_output_length(), TAF_OUTPUT_MAX);
    EXPECT_EQ(printed.size(), static_cast<size_t>(TAF_OUTPUT_MAX) + 1);
}

// Reports made of random groups, cut groups and stray marks, glued in random ways.
TEST_F(TafDecodeTest, RandomGroupsDecodeQuietly) {
    const char* const words[] = {
        "TAF", "AMD", "COR", "RTD", "KQQQ", "121130Z", "1212/1312", "121212", "1212", "FM",
        "FM1500", "FM121500", "FM15", "TEMPO", "BECMG", "PROB30", "PROB", "0812", "1208/1212",
        "18010KT", "27015G25KT", "VRB05KT", "00000KT", "180", "P6SM", "1/2SM", "1", "1/",
        "9999", "0800", "4000NE", "-SHRA", "BR", "VCSH", "VC", "SKC", "CLR", "FEW020", "BKN030CB",
        "OVC///", "VV///", "VV", "8SC025", "9ST///", "TM05/12Z", "T", "620304", "530804",
        "QNH2992INS", "QNH", "NOSIG", "=", "/", "M", "-", "+", "%", "\t", "\v", "\x01",
        "\xff"};
    const char* const glue[] = {" ", " ", " ", "\n     ", "", "="};
    std::mt19937 random(20240612u);
    for (int r = 0; r < 3000; ++r) {
        std::string report;
        int n = static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i) {
            report += words[random() % (sizeof words / sizeof words[0])];
            report += glue[random() % (sizeof glue / sizeof glue[0])];
        }
        decode(report, static_cast<int>(r % 2));
        ASSERT_LE(TAF_output_length(), TAF_OUTPUT_MAX) << report;
    }
}

// The peers' collection of real reports, when it is at hand.
TEST_F(TafDecodeTest, CollectedReportsDecodeQuietly) {
    const std::filesystem::path folder =
        std::filesystem::path(TAFCVT_SOURCE_DIR) / "../shared/corpus/peers";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no collection of reports";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".txt" || entry.path().filename() == "README.md")
            continue;
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            decode(line, 1);
            EXPECT_LE(TAF_output_length(), TAF_OUTPUT_MAX);
            decode(line, 0);
            ++count;
        }
    }
    EXPECT_GT(count, 0);
}

}  // namespace
