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

    // Decodes text in both forms and checks what holds whatever the text: nothing on
    // standard error; the English text within its buffer; and a decoded listing of whole
    // lines, closed by the blank line that ends every report, that leaves the English buffer
    // empty (the decoded form writes only lines).
    ::testing::AssertionResult decodes_quietly(const std::string& text) {
        testutil::Capture err(2);
        decode(text, 1);
        const int english_length = TAF_output_length();
        const std::string listing = decode(text, 0);
        const int left_in_buffer = TAF_output_length();
        const std::string errors = err.stop();
        if (english_length > TAF_OUTPUT_MAX)
            return ::testing::AssertionFailure() << "English text of " << english_length;
        if (!errors.empty()) return ::testing::AssertionFailure() << "errors: " << errors;
        if (left_in_buffer != 0)
            return ::testing::AssertionFailure() << "the listing left English text";
        if (listing.size() < 2 || listing.compare(listing.size() - 2, 2, "\n\n") != 0)
            return ::testing::AssertionFailure() << "listing not closed: " << listing;
        return ::testing::AssertionSuccess();
    }
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
        MESS_set(MESS_REMOVE, MESS_MESS);  // as with a station list: no progress messages
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

TEST_F(TafHeadingTest, HeaderWordsAroundTheStation) {
    struct Case {
        const char* words;    // the report up to its issue time
        const char* marks;    // the decoded texts after the state
        const char* english;  // the heading sentence as printed
    };
    const char* both =
        "Sometown, ST (KXYZ) terminal forecast (amendment) (correction) issued on 12\n"
        "June at 11:30Z ";
    const char* amended =
        "Sometown, ST (KXYZ) terminal forecast (amendment) issued on 12 June at\n11:30Z ";
    const Case cases[] = {
        {"TAF AMD COR KXYZ", "AMENDMENT\nCORRECTION\n", both},
        {"COR TAF AMD KXYZ", "AMENDMENT\nCORRECTION\n", both},
        {"TAF KXYZ COR AMD", "AMENDMENT\nCORRECTION\n", both},
        {"COR KXYZ AMD TAF", "AMENDMENT\nCORRECTION\n", both},
        {"KXYZ AMD", "AMENDMENT\n", amended},
        {"TAF AMD KXYZ AMD", "AMENDMENT\n", amended},
        {"KXYZ TAF", "", "Sometown, ST (KXYZ) terminal forecast issued on 12 June at 11:30Z "},
        {"TAF KXYZ COR", "CORRECTION\n",
         "Sometown, ST (KXYZ) terminal forecast (correction) issued on 12 June at\n11:30Z "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        std::string report = std::string(c.words) + " 121130Z";
        EXPECT_EQ(decoded(report), std::string("ID: KXYZ   SOMETOWN, ST") + c.marks +
                                       "\nREPORT TIME: 12 11:30\nINITIAL WX\n\n");
        EXPECT_EQ(in_english(report), std::string(c.english) + "\nThe initial weather is:\n\n");
    }
    // The older UK form names the station first and keeps its validity.
    EXPECT_EQ(decoded("KXYZ TAF 121212 18010KT"),
              "ID: KXYZ   SOMETOWN, ST\nVALID TIME: 12 JUN AT 12Z TO 12Z NEXT DAY\n"
              "INITIAL WX\n   WINDS: 180 AT 10\n\n");
    // Each word at most once: a second TAF is no station, and nothing of the header is read.
    EXPECT_EQ(decoded("TAF TAF KXYZ 121130Z"),
              "INITIAL WX\n   COMMENTS: TAF KXYZ 121130Z \n\n");
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
        // An older validity follows the issue time's month.
        {2024, 6, 2, "KQQQ 281130Z 281212",
         "KQQQ terminal forecast issued on 28 May at 11:30Z valid from 28 May at 12Z\n"
         "to 12Z the next day.\n"},
        // A guessed month without the day gives way to the month before it.
        {2024, 12, 1, "KQQQ 311130Z", "KQQQ terminal forecast issued on 31 October at 11:30Z "},
        {2023, 3, 2, "KQQQ 291130Z", "KQQQ terminal forecast issued on 29 January at 11:30Z "},
        {2024, 3, 2, "KQQQ 291130Z", "KQQQ terminal forecast issued on 29 February at 11:30Z "},
        {2024, 5, 31, "KQQQ 311130Z", "KQQQ terminal forecast issued on 31 May at 11:30Z "},
        {2024, 1, 2, "KQQQ 281130Z", "KQQQ terminal forecast issued on 28 December at 11:30Z "},
        {2024, 12, 30, "KQQQ 021130Z", "KQQQ terminal forecast issued on 2 January at 11:30Z "},
        // An issue day up to five days from the file's is in the file's month, either way.
        {2024, 6, 17, "KQQQ 121130UTC", "KQQQ terminal forecast issued on 12 June at 11:30Z "},
        {2024, 6, 18, "KQQQ 121130Z", "KQQQ terminal forecast issued on 12 July at 11:30Z "},
        {2024, 6, 12, "KQQQ 171130Z", "KQQQ terminal forecast issued on 17 June at 11:30Z "},
        {2024, 6, 12, "KQQQ 181130Z", "KQQQ terminal forecast issued on 18 May at 11:30Z "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        set_file_day(c.year, c.month, c.file_day);
        EXPECT_EQ(in_english(c.report), std::string(c.heading) + "\nThe initial weather is:\n\n");
    }
}

TEST_F(TafDecodeTest, NotAvailableAndCancelled) {
    struct Case {
        const char* report;
        const char* english;
        const char* decoded;
    } cases[] = {
        {"KQQQ 121130Z NIL=",
         "KQQQ terminal forecast issued on 12 June at 11:30Z is not available (NIL).\n\n",
         "ID: KQQQ\nREPORT TIME: 12 11:30\nNOT AVAILABLE (NIL)\nLEFT: =\n\n"},
        {"TAF KQQQ NIL", "KQQQ terminal forecast is not available (NIL).\n\n",
         "ID: KQQQ\nNOT AVAILABLE (NIL)\nLEFT: \n\n"},
        {"KQQQ 121130Z KQQQ NIL 18010KT",
         "KQQQ terminal forecast issued on 12 June at 11:30Z is not available (NIL).\n\n",
         "ID: KQQQ\nREPORT TIME: 12 11:30\nNOT AVAILABLE (NIL)\nLEFT: 18010KT\n\n"},
        {"TAF AMD KQQQ 121130Z 1212/1312 CNL=",
         "KQQQ terminal forecast (amendment) issued on 12 June at 11:30Z valid from\n"
         "12 June at 12Z to 13 June at 12Z.\n\nThe forecast is cancelled (CNL).\n\n",
         "ID: KQQQAMENDMENT\n\nREPORT TIME: 12 11:30\n"
         "VALID TIME: 12 JUN AT 12Z TO 13 JUN AT 12Z\nCANCELLED (CNL)\nLEFT: =\n\n"},
        {"KQQQ 121130Z 1212/1312 COR CNL TEMPO 1214/1216 -RA", nullptr,
         "ID: KQQQ\nREPORT TIME: 12 11:30\nVALID TIME: 12 JUN AT 12Z TO 13 JUN AT 12Z\n"
         "CORRECTION\nCANCELLED (CNL)\nLEFT: TEMPO 1214/1216 -RA\n\n"},
        // NIL only in its place before the validity; elsewhere it is a comment.
        {"KQQQ 121130Z 1212/1312 NIL", nullptr,
         "ID: KQQQ\nREPORT TIME: 12 11:30\nVALID TIME: 12 JUN AT 12Z TO 13 JUN AT 12Z\n"
         "INITIAL WX\n   COMMENTS: NIL \nLEFT: \n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        if (c.english != nullptr) {
            EXPECT_EQ(in_english(c.report), c.english);
        }
        // The rest that decoding leaves shows where it stopped.
        MESS_set(MESS_ADD, MESS_OUT4);
        EXPECT_EQ(decoded(c.report), c.decoded);
        MESS_set(MESS_REMOVE, MESS_OUT4);
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
    // Another word there is left for the validity step, which does not take it; made of
    // no weather codes, it is a comment.
    EXPECT_EQ(decoded("KQQQ 121130Z KABC 121212 18010KT="),
              "ID: KQQQ\nREPORT TIME: 12 11:30\nINITIAL WX\n"
              "   COMMENTS: KABC 121212 18010KT = \n\n");
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
              "12Z to 12Z the next day.\n(retransmitted) \nThe initial weather is:\n\n");
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
    // Four digits after the change word are its times, whatever follows them; a number
    // without a blank behind it is no visibility.
    EXPECT_EQ(decoded("KQQQ BECMG 20015KT"),
              "ID: KQQQ\nINITIAL WX\nWX BECOMING FROM 20Z TO 01Z\n   COMMENTS: 5KT \n\n");
}

// The header of most reports below, and its lines in both forms.
constexpr const char* HEAD = "KQQQ 121130Z 121212 ";
constexpr const char* HEAD_DECODED =
    "ID: KQQQ\nREPORT TIME: 12 11:30\nVALID TIME: 12 JUN AT 12Z TO 12Z NEXT DAY\nINITIAL WX\n";
constexpr const char* HEAD_ENGLISH =
    "KQQQ terminal forecast issued on 12 June at 11:30Z valid from 12 June at\n"
    "12Z to 12Z the next day.\n\nThe initial weather is:\n";

TEST_F(TafDecodeTest, TwentyPeriodsAtMost) {
    // A report is read for twenty passes over its change words, each taking TEMPO, PROB, FM,
    // BECMG and INTER once in that order, so that every one of a row of FM groups takes a
    // pass: twenty of them are read, and the rest is left.
    MESS_set(MESS_ADD, MESS_OUT4);
    std::string report = HEAD, expected = HEAD_DECODED;
    char group[8];
    for (int hour = 0; hour <= 20; ++hour) {
        snprintf(group, sizeof group, "FM%02d00", hour);
        report += std::string(hour == 0 ? "" : " ") + group;
    }
    for (int hour = 0; hour < 20; ++hour) {
        snprintf(group, sizeof group, "%02d", hour);
        expected += std::string("NEW WX STARTING: ") + group + ":00Z\n";
    }
    EXPECT_EQ(decoded(report), expected + "LEFT: FM2000\n\n");
}

TEST_F(TafDecodeTest, UnreadableChangeWordIsListedAndTheLoopGoesOn) {
    // Its words up to the next change word are comments (nothing in English), and the
    // change word behind them is read.
    MESS_set(MESS_ADD, MESS_OUT4);
    struct Case {
        const char* body;
        const char* decoded;  // after the wind line
        const char* english;  // after the wind clause; null: not checked
    };
    const Case cases[] = {
        {"18010KT FMX 9999", "   COMMENTS: FMX 9999 \nLEFT: \n\n", ".\n\n"},
        {"18010KT PROB TEMPO 0812", "   COMMENTS: PROB \nTEMPORARY WX FROM 08Z TO 12Z\nLEFT: \n\n",
         ".\n\nThe weather from 08Z to 12Z will occasionally be:\n\n"},
        {"18010KT PROB3 TEMPO 0812 3SM", "   COMMENTS: PROB3 \nTEMPORARY WX FROM 08Z TO 12Z\n"
         "   VISIBILITY: 3.0 MILES\nLEFT: \n\n", nullptr},
        {"18010KT FMX =", "   COMMENTS: FMX = \nLEFT: \n\n", nullptr},
        {"18010KT=", "   COMMENTS: = \nLEFT: \n\n", nullptr},
    };
    std::string head = HEAD;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(decoded(head + c.body), std::string(HEAD_DECODED) + "   WINDS: 180 AT 10\n" + c.decoded);
        if (c.english != nullptr) {
            EXPECT_EQ(in_english(head + c.body), "LEFT: \n" + std::string(HEAD_ENGLISH) +
                                                     "winds from 180 deg at 10 kts" + c.english);
        }
    }
}

TEST_F(TafDecodeTest, SpacedChangeWordsReadAsTheirUnspacedForms) {
    struct Case {
        const char* spaced;
        const char* unspaced;
    };
    const Case cases[] = {
        {"PROB 30 TEMPO 1218/1224 8000 TSRA", "PROB30 TEMPO 1218/1224 8000 TSRA"},
        {"PROB 40 INTER 1218/1224 -RA", "PROB40 INTER 1218/1224 -RA"},
        {"PROB 30 1218/1224 BR", "PROB30 1218/1224 BR"},
        {"FM 130800 20012KT", "FM130800 20012KT"},
        {"FM 1300 20012KT", "FM1300 20012KT"},
    };
    const std::string head = "TAF KQQQ 121130Z 1212/1312 18010KT ";
    const std::string tail = " BECMG 1302/1304 13006KT";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spaced);
        const std::string listing = decoded(head + c.unspaced + tail);
        EXPECT_NE(listing.find("WX BECOMING"), std::string::npos);
        EXPECT_EQ(listing.find("COMMENTS"), std::string::npos);
        EXPECT_EQ(decoded(head + c.spaced + tail), listing);
        EXPECT_EQ(in_english(head + c.spaced + tail), in_english(head + c.unspaced + tail));
    }
}

TEST_F(TafDecodeTest, EqualsSignGluedToTheLastGroup) {
    std::string head = HEAD, lines = HEAD_DECODED;
    EXPECT_EQ(in_english(head + "18010KT 9999 FG="),
              std::string(HEAD_ENGLISH) + "winds from 180 deg at 10 kts, weather is fog.\n\n");
    MESS_set(MESS_ADD, MESS_OUT4);
    EXPECT_EQ(decoded(head + "18010KT 9999="),
              lines + "   WINDS: 180 AT 10\n   COMMENTS: = \nLEFT: \n\n");
    EXPECT_EQ(decoded(head + "18010KT 0800="),
              lines + "   WINDS: 180 AT 10\n   VISIBILITY: 0.5 MILES\n   COMMENTS: = \nLEFT: \n\n");
    // The words show the decoder's copy.
    EXPECT_EQ(decoded(head + "18010KT FMX 9999=="),
              lines + "   WINDS: 180 AT 10\n   COMMENTS: FMX 9999 = = \nLEFT: \n\n");
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

TEST_F(TafDecodeTest, MonthsFollowTheIssueDate) {
    struct Case {
        int year, month, day;  // the file's date
        const char* report;
        const char* decoded;
    } cases[] = {
        // Issued on the 30th of June in a file of the 2nd of July: the days from the issue
        // day on are June's, the smaller ones July's.
        {2024, 7, 2,
         "KQQQ 301720Z 3018/0124 18010KT TEMPO 3022/0102 -RA FM010600 00000KT TX25/3015Z "
         "TN15/0104Z",
         "ID: KQQQ\nREPORT TIME: 30 17:20\nVALID TIME: 30 JUN AT 18Z TO 1 JUL AT 24Z\n"
         "INITIAL WX\n   WINDS: 180 AT 10\nTEMPORARY WX FROM 30 JUN 22Z TO 1 JUL 02Z\n"
         "   WEATHER: -RA\nNEW WX STARTING: 1 JUL 06:00Z\n   WINDS: CALM\n"
         "   MAX TEMP: 25 C ON 30 JUN AT 15Z\n   MIN TEMP: 15 C ON 1 JUL AT 04Z\n\n"},
        // Without an issue time the file's month, or the next when the file's day is later.
        {2024, 7, 2, "KQQQ 3018/0124 FM010600 00000KT",
         "ID: KQQQ\nVALID TIME: 30 JUL AT 18Z TO 1 AUG AT 24Z\nINITIAL WX\n"
         "NEW WX STARTING: 1 AUG 06:00Z\n   WINDS: CALM\n\n"},
        // The older forms follow the issue time too.
        {2024, 7, 2, "KQQQ 301720Z 301812 FM1200 00000KT",
         "ID: KQQQ\nREPORT TIME: 30 17:20\nVALID TIME: 30 JUN AT 18Z TO 12Z NEXT DAY\n"
         "INITIAL WX\nNEW WX STARTING: 12:00Z\n   WINDS: CALM\n\n"},
        // Without an issue time the older form keeps the file's rule; a guessed month
        // without the day gives way to the one before it (the issue month, once known, stands).
        {2024, 7, 2, "KQQQ 301812", "ID: KQQQ\nVALID TIME: 30 JUL AT 18Z TO 12Z NEXT DAY\nINITIAL WX\n\n"},
        {2023, 2, 1, "KQQQ 3018/0124", "ID: KQQQ\nVALID TIME: 30 JAN AT 18Z TO 1 FEB AT 24Z\nINITIAL WX\n\n"},
        {2023, 2, 1, "KQQQ 011720Z 3018/0124",
         "ID: KQQQ\nREPORT TIME:  1 17:20\nVALID TIME: 30 FEB AT 18Z TO 1 MAR AT 24Z\nINITIAL WX\n\n"},
        // Issued on the 31st of December, read in a file of the new year.
        {2025, 1, 1, "KQQQ 311720Z 3118/0124 FM010600 00000KT",
         "ID: KQQQ\nREPORT TIME: 31 17:20\nVALID TIME: 31 DEC AT 18Z TO 1 JAN AT 24Z\n"
         "INITIAL WX\nNEW WX STARTING: 1 JAN 06:00Z\n   WINDS: CALM\n\n"},
        // On the last day of the month, in a file of that day.
        {2024, 1, 31, "KQQQ 311720Z 3118/0124 FM010600 00000KT",
         "ID: KQQQ\nREPORT TIME: 31 17:20\nVALID TIME: 31 JAN AT 18Z TO 1 FEB AT 24Z\n"
         "INITIAL WX\nNEW WX STARTING: 1 FEB 06:00Z\n   WINDS: CALM\n\n"},
        // An issue time without its Z counts as one.
        {2024, 12, 1, "KMKE 011530 0116/0218 TEMPO 0120/0202 -SN",
         "ID: KMKE\nREPORT TIME:  1 15:30\nVALID TIME: 1 DEC AT 16Z TO 2 DEC AT 18Z\n"
         "INITIAL WX\nTEMPORARY WX FROM 1 DEC 20Z TO 2 DEC 02Z\n   WEATHER: -SN\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        set_file_day(c.year, c.month, c.day);
        EXPECT_EQ(decoded(c.report), c.decoded);
    }
    set_file_day(2024, 7, 2);
    EXPECT_EQ(in_english(cases[0].report),
              "KQQQ terminal forecast issued on 30 June at 17:20Z valid from 30 June at\n"
              "18Z to 1 July at 24Z.\n\nThe initial weather is:\nwinds from 180 deg at 10 kts.\n"
              "\nThe weather from 30 June at 22Z to 1 July at 02Z will occasionally be:\n"
              "weather is light rain.\n\nThe weather starting on 1 July at 06:00Z will be:\n"
              "winds calm, maximum temperature of 25 C on 30 June at 15Z, minimum\n"
              "temperature of 15 C on 1 July at 04Z.\n\n");
}

TEST_F(TafDecodeTest, IssueTimeWithoutZone) {
    set_file_day(2024, 12, 1);
    const ValidityCase cases[] = {
        // Six digits are an issue time only when a validity group follows them.
        {"011530 0116/0218", "issued on 1 December at 15:30Z valid from 1 December\nat 16Z "
                             "to 2 December at 18Z.",
         "REPORT TIME:  1 15:30\nVALID TIME: 1 DEC AT 16Z TO 2 DEC AT 18Z"},
        {"011530 011624", "issued on 1 December at 15:30Z valid from 1 December\nat 16Z to "
                          "00Z the next day.",
         "REPORT TIME:  1 15:30\nVALID TIME: 1 DEC AT 16Z TO 00Z NEXT DAY"},
        // Otherwise they are the older validity (the UK form without an issue time).
        {"011206", "valid from 1 December at 12Z to 06Z the next day.",
         "VALID TIME: 1 DEC AT 12Z TO 06Z NEXT DAY"},
        {"011530", "valid from 1 December at 15Z to 30Z.", "VALID TIME: 1 DEC AT 15Z TO 30Z"},
    };
    for (const ValidityCase& c : cases) expect_validity(c);
    EXPECT_EQ(decoded("EGDG 011206 04012KT"),
              "ID: EGDG\nVALID TIME: 1 DEC AT 12Z TO 06Z NEXT DAY\nINITIAL WX\n"
              "   WINDS: 40 AT 12\n\n");
    // Not a whole word: the first six digits stay the validity.
    EXPECT_EQ(decoded("EGDG 0115301 0116/0218"),
              "ID: EGDG\nVALID TIME: 1 DEC AT 15Z TO 30Z\nINITIAL WX\n"
              "   VISIBILITY: 1.0 MILES\n   COMMENTS: 0116/0218 \n\n");
}

TEST_F(TafDecodeTest, ProbabilityOfOccasionalOrIntermittentWeather) {
    std::string report = std::string(HEAD) +
                         "18010KT PROB30 TEMPO 1218/1221 4000 RA PROB40 INTER 1820 TS "
                         "PROB30 TEMPO -RA PROB40 INTER -DZ";
    EXPECT_EQ(decoded(report),
              std::string(HEAD_DECODED) + "   WINDS: 180 AT 10\n"
              "30% PROBABILITY OF TEMPORARY WX FROM 12 JUN 18Z TO 12 JUN 21Z\n"
              "   VISIBILITY: 2.5 MILES\n   WEATHER: RA\n"
              "40% PROBABILITY OF INTERMITTENT WX FROM 18Z TO 20Z\n   WEATHER: TS\n"
              "30% PROBABILITY OF TEMPORARY WX \n   WEATHER: -RA\n"
              "40% PROBABILITY OF INTERMITTENT WX \n   WEATHER: -DZ\n\n");
    EXPECT_EQ(in_english(report),
              std::string(HEAD_ENGLISH) + "winds from 180 deg at 10 kts.\n\n"
              "A 30% probability of occasional weather from 12 June at 18Z to 12 June at\n21Z:\n"
              "visibility of 2.5 miles, weather is moderate rain.\n\n"
              "A 40% probability of intermittent weather from 18Z to 20Z:\n"
              "weather is thunder.\n\n"
              "A 30% probability of occasional weather:\nweather is light rain.\n\n"
              "A 40% probability of intermittent weather:\nweather is light drizzle.\n\n");
}

TEST_F(TafDecodeTest, IntermittentPeriods) {
    // INTER is tried after BECMG in the same pass, and the words of a period stop at it.
    std::string report = std::string(HEAD) +
                         "18010KT INTER 1218/1220 TSRA INTER 1820 -SHRA INTER FG "
                         "BECMG 1820 NOSIG INTER +TS";
    EXPECT_EQ(decoded(report),
              std::string(HEAD_DECODED) + "   WINDS: 180 AT 10\n"
              "INTERMITTENT WX FROM 12 JUN 18Z TO 12 JUN 20Z\n   WEATHER: TSRA\n"
              "INTERMITTENT WX FROM 18Z TO 20Z\n   WEATHER: -SHRA\n"
              "INTERMITTENT WX \n   WEATHER: FG\n"
              "WX BECOMING FROM 18Z TO 20Z\n   COMMENTS: NOSIG \n"
              "INTERMITTENT WX \n   WEATHER: +TS\n\n");
    EXPECT_EQ(in_english(report),
              std::string(HEAD_ENGLISH) + "winds from 180 deg at 10 kts.\n\n"
              "The weather from 12 June at 18Z to 12 June at 20Z will intermittently be:\n"
              "weather is moderate thunderstorms.\n\n"
              "The weather from 18Z to 20Z will intermittently be:\n"
              "weather is light rain showers.\n\n"
              "The weather will intermittently be:\nweather is fog.\n\n"
              "The weather from 18Z to 20Z will change to:\n\n"
              "The weather will intermittently be:\nweather is heavy thunder.\n\n");
}

// A current international report with today's groups (a real one of February 2015).
constexpr const char* TODAYS_REPORT =
    "TAF LLBG 110501Z 1106/1206 24020G30KT 2500 DU NSC TEMPO 1106/1109 25025G40KT 0900 DS "
    "FEW030 BECMG 1112/1114 5000 SHRA SCT025TCU BKN030 TEMPO 1114/1206 25025G40KT 3000 TSRA "
    "FEW015 SCT025CB BKN030 TX15/1111Z TN13/1204Z";

TEST_F(TafDecodeTest, TodaysReportDecoded) {
    set_file_day(2015, 2, 11);
    EXPECT_EQ(decoded(TODAYS_REPORT),
              "ID: LLBG\n"
              "REPORT TIME: 11  5: 1\n"
              "VALID TIME: 11 FEB AT 06Z TO 12 FEB AT 06Z\n"
              "INITIAL WX\n"
              "   WINDS: 240 AT 20 GUST 30\n"
              "   VISIBILITY: 1.6 MILES\n"
              "   WEATHER: DU\n"
              "   CLOUDS: NONE SIGNIFICANT\n"
              "TEMPORARY WX FROM 11 FEB 06Z TO 11 FEB 09Z\n"
              "   WINDS: 250 AT 25 GUST 40\n"
              "   VISIBILITY: 0.6 MILES\n"
              "   WEATHER: DS\n"
              "   CLOUDS: 30 FEW\n"
              "WX BECOMING FROM 11 FEB 12Z TO 11 FEB 14Z\n"
              "   VISIBILITY: 3.1 MILES\n"
              "   WEATHER: SHRA\n"
              "   CLOUDS: 25 SCT WITH TCU\n"
              "   CLOUDS: 30 BKN\n"
              "TEMPORARY WX FROM 11 FEB 14Z TO 12 FEB 06Z\n"
              "   WINDS: 250 AT 25 GUST 40\n"
              "   VISIBILITY: 1.9 MILES\n"
              "   WEATHER: TSRA\n"
              "   CLOUDS: 15 FEW\n"
              "   CLOUDS: 25 SCT WITH CB\n"
              "   CLOUDS: 30 BKN\n"
              "   MAX TEMP: 15 C ON 11 FEB AT 11Z\n"
              "   MIN TEMP: 13 C ON 12 FEB AT 04Z\n"
              "\n");
}

TEST_F(TafDecodeTest, TodaysReportInEnglish) {
    set_file_day(2015, 2, 11);
    EXPECT_EQ(in_english(TODAYS_REPORT),
              "LLBG terminal forecast issued on 11 February at 05:01Z valid from 11\n"
              "February at 06Z to 12 February at 06Z.\n"
              "\n"
              "The initial weather is:\n"
              "winds from 240 deg at 20 kts with gusts to 30, visibility of 1.6 miles,\n"
              "weather is dust, no significant clouds.\n"
              "\n"
              "The weather from 11 February at 06Z to 11 February at 09Z will\n"
              "occasionally be:\n"
              "winds from 250 deg at 25 kts with gusts to 40, visibility of 0.6 miles,\n"
              "weather is duststorm, clouds 3000 ft few.\n"
              "\n"
              "The weather from 11 February at 12Z to 11 February at 14Z will change to:\n"
              "visibility of 3.1 miles, weather is moderate rain showers, clouds 2500 ft\n"
              "scattered with TCU, 3000 ft broken.\n"
              "\n"
              "The weather from 11 February at 14Z to 12 February at 06Z will\n"
              "occasionally be:\n"
              "winds from 250 deg at 25 kts with gusts to 40, visibility of 1.9 miles,\n"
              "weather is moderate thunderstorms, clouds 1500 ft few, clouds 2500 ft\n"
              "scattered with cumulonimbus, 3000 ft broken, maximum temperature of 15 C\n"
              "on 11 February at 11Z, minimum temperature of 13 C on 12 February at 04Z.\n"
              "\n");
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
        // The blank behind a first word of one character is the last place to break.
        {"x " + std::string(90, 'y'), "x\n" + std::string(90, 'y')},
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
    "BECMG 1214 18005KMH FM1500 VV005 FM18 SKC PROB30 TEMPO 1218/1221 27080G100KT 240V300 "
    "CAVOK -TSRAGR NSC WS020/27045KT TX15/1211Z TNM02/1304Z INTER 1820 VRB100KT NCD "
    "PROB40 INTER 1214 RMK CNL NIL FMX=";

TEST_F(TafDecodeTest, EveryPrefixDecodesQuietly) {
    std::string all = EVERY_GROUP;
    for (size_t n = 0; n <= all.size(); ++n) ASSERT_TRUE(decodes_quietly(all.substr(0, n))) << n;
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
        EXPECT_TRUE(decodes_quietly(text));
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
        "\xff", "CAVOK", "NSC", "NCD", "NIL", "CNL", "INTER", "TX15/1211Z", "TNM02/1304Z", "TX",
        "WS020/27045KT", "WS", "27080G100KT", "250120KT", "VRB100KT", "210V270", "011530",
        "DS", "+TSRAGR", "RMK"};
    const char* const glue[] = {" ", " ", " ", "\n     ", "", "="};
    std::mt19937 random(20240612u);
    for (int r = 0; r < 3000; ++r) {
        std::string report;
        int n = static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i) {
            report += words[random() % (sizeof words / sizeof words[0])];
            report += glue[random() % (sizeof glue / sizeof glue[0])];
        }
        ASSERT_TRUE(decodes_quietly(report)) << report;
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
            EXPECT_TRUE(decodes_quietly(line)) << line;
            ++count;
        }
    }
    EXPECT_GT(count, 0);
}

}  // namespace
