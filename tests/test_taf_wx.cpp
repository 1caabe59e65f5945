// TAF condition groups: the groups of one period in both forms.
#include <gtest/gtest.h>

#include <string>

#include "mess.h"
#include "taf.h"
#include "testutil.h"

namespace {

struct Case {
    const char* text;
    const char* english;  // the clauses before closing punctuation; null: not checked
    const char* decoded;
};

// The period's clauses as printed: the last ", " becomes ".\n".
std::string closed(const std::string& clauses) {
    std::string s = clauses;
    size_t comma = s.rfind(", ");
    if (comma != std::string::npos) s.replace(comma, 2, ".\n");
    return s + "\n";
}

class TafWxTest : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        english = 1;
        dec_mes = MESS_PRINT;
        TAF_output_reset();
    }
    void TearDown() override {
        english = 1;
        TAF_output_reset();
        MESS_reset();
    }

    // The English text of one period as printed (closing punctuation and the line end of
    // the printing included).
    std::string english_of(const char* text) {
        english = 1;
        TAF_output_reset();
        testutil::Capture out(1);
        consumed_ = TAF_decode_wx(text);
        TAF_print();
        return out.stop();
    }

    // The decoded lines of one period.
    std::string decoded_of(const char* text) {
        english = 0;
        testutil::Capture out(1);
        consumed_ = TAF_decode_wx(text);
        return out.stop();
    }

    // Each case in both forms.
    template <size_t N>
    void check(const Case (&cases)[N]) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            if (c.english != nullptr) {
                EXPECT_EQ(english_of(c.text), closed(c.english));
            }
            EXPECT_EQ(decoded_of(c.text), c.decoded);
        }
    }

    int consumed_ = 0;
};

TEST_F(TafWxTest, Wind) {
    const Case cases[] = {
        {"18010KT ", "winds from 180 deg at 10 kts, ", "   WINDS: 180 AT 10\n"},
        {"18005MPS ", "winds from 180 deg at 9 kts, ", "   WINDS: 180 AT 9\n"},
        {"18020KMH ", "winds from 180 deg at 10 kts, ", "   WINDS: 180 AT 10\n"},
        {"18020 ", "winds from 180 deg at 10 kts, ", "   WINDS: 180 AT 10\n"},
        // Units are written in capitals: "kt" is no unit (km/h are taken) but a weather word.
        {"18010kt ", "winds from 180 deg at 5 kts, weather is , ",
         "   WINDS: 180 AT 5\n   WEATHER: kt\n"},
        {"VRB05KT ", "winds variable at 5 kts, ", "   WIND: VARIABLE AT 5\n"},
        {"00000KT ", "winds calm, ", "   WINDS: CALM\n"},
        {"27015G25KT ", "winds from 270 deg at 15 kts with gusts to 25, ",
         "   WINDS: 270 AT 15 GUST 25\n"},
        {"27015/25MPS ", "winds from 270 deg at 29 kts with gusts to 48, ",
         "   WINDS: 270 AT 29 GUST 48\n"},
        {"VRB05G15KT ", "winds variable at 5 kts with gusts to 15, ",
         "   WIND: VARIABLE AT 5 GUST 15\n"},
    };
    check(cases);
}

TEST_F(TafWxTest, Visibility) {
    const Case cases[] = {
        {"P6SM ", "visibility is greater than 6.0 miles, ", "   VISIBILITY: >6.0 MILES\n"},
        {"P6NM ", "visibility is greater than 6.9 miles, ", "   VISIBILITY: >6.9 MILES\n"},
        {"P6 ", "visibility is greater than 6.0 miles, ", "   VISIBILITY: >6.0 MILES\n"},
        {"2SM ", "visibility of 2.0 miles, ", "   VISIBILITY: 2.0 MILES\n"},
        {"M1/4SM ", "visibility of 0.2 miles, ", "   VISIBILITY: 0.2 MILES\n"},
        {"1/2SM ", "visibility of 0.5 miles, ", "   VISIBILITY: 0.5 MILES\n"},
        {"3/20SM ", "visibility of 0.2 miles, ", "   VISIBILITY: 0.2 MILES\n"},  // single precision
        {"1/0SM ", "visibility of 1.0 miles, ", "   VISIBILITY: 1.0 MILES\n"},
        {"1 1/2SM ", "visibility of 1.5 miles, ", "   VISIBILITY: 1.5 MILES\n"},
        {"11/2SM ", "visibility of 1.5 miles, ", "   VISIBILITY: 1.5 MILES\n"},
        {"3NM ", "visibility of 3.5 miles, ", "   VISIBILITY: 3.5 MILES\n"},
        {"1/2 ", "visibility of 0.5 miles, ", "   VISIBILITY: 0.5 MILES\n"},
        {"11/2 ", "visibility of 1.5 miles, ", "   VISIBILITY: 1.5 MILES\n"},
        {"1 1/2 ", "visibility of 1.5 miles, ", "   VISIBILITY: 1.5 MILES\n"},
        {"0800 ", "visibility of 0.5 miles, ", "   VISIBILITY: 0.5 MILES\n"},
        {"9999 ", "", ""},
        {"4000NE 2000SW ", "visibility of 2.5 miles, ", "   VISIBILITY: 2.5 MILES\n"},
        {"9999NDV ", "", ""},
        {"6 ", "visibility of 6.0 miles, ", "   VISIBILITY: 6.0 MILES\n"},
    };
    check(cases);
}

TEST_F(TafWxTest, FourDigitsAtTheEndAreNotMetres) {
    // Without a blank behind it the group is no metre group; its first three digits are
    // read as miles.
    EXPECT_EQ(english_of("1234"), closed("visibility of 123.0 miles, "));
    EXPECT_EQ(decoded_of("1234"), "   VISIBILITY: 123.0 MILES\n   COMMENTS: 4 \n");
    EXPECT_EQ(consumed_, 4);
}

TEST_F(TafWxTest, Weather) {
    const Case cases[] = {
        {"-SHRA BR ", "weather is light rain showers and mist, ", "   WEATHER: -SHRA_BR\n"},
        {"CAVOK ", "weather is , ", "   WEATHER: CAVOK\n"},
        // Five groups at most, the list cut at 20 characters.
        {"+TSRAGS -SHRA BR FG HZ BCFG ", nullptr,
         "   WEATHER: +TSRAGS_-SHRA_BR_FG_\n   COMMENTS: BCFG \n"},
        {"FG", "", "   COMMENTS: FG \n"},  // two letters with nothing behind them
        {"-RA M1/4 ", "weather is light rain, ", "   WEATHER: -RA\n   COMMENTS: M1/4 \n"},
        {"-RA -SCT030 ", "weather is light rain, ", "   WEATHER: -RA\n   COMMENTS: -SCT030 \n"},
        {"RA QNH2992INS ", "weather is moderate rain, the altimeter setting is 29.92 in Hg, ",
         "   WEATHER: RA\n   ALTIMETER SETTING: 29.92 IN HG\n"},
    };
    check(cases);
    EXPECT_EQ(english_of("+TSRAGS -SHRA BR FG HZ BCFG "),
              "weather is heavy thunderstorms small hail/pellets and light rain showers\n"
              "and mist and fog.\n\n");
}

TEST_F(TafWxTest, Clouds) {
    const Case cases[] = {
        {"FEW020 SCT250 ", "clouds 2000 ft few, 25000 ft scattered, ",
         "   CLOUDS: 20 FEW\n   CLOUDS: 250 SCT\n"},
        {"BKN030CB ", "clouds 3000 ft broken with cumulonimbus, ", "   CLOUDS: 30 BKN WITH CB\n"},
        {"SCT030CU ", "clouds 3000 ft scattered with cumulus, ", "   CLOUDS: 30 SCT WITH CU\n"},
        {"BKN020TCU OVC100 ", "clouds 2000 ft broken with TCU, 10000 ft overcast, ",
         "   CLOUDS: 20 BKN WITH TCU\n   CLOUDS: 100 OVC\n"},
        {"SKC ", "skies are clear, ", "   CLOUDS: CLEAR\n"},
        {"CLR FEW020 ", "skies are clear, ", "   CLOUDS: CLEAR\n   COMMENTS: FEW020 \n"},
        {"VV005 ", "vertical visibility of 500 ft, ", "   VERTICAL VISIBILITY: 5\n"},
        {"VV/// ", "vertical visibility of unknown height, ", "   VERTICAL VISIBILITY: -9999\n"},
        {"BKN///CB ", "clouds unknown height broken with cumulonimbus, ",
         "   CLOUDS: -9999 BKN WITH CB\n"},
        {"SCT/// ", "clouds unknown height scattered, ", "   CLOUDS: -9999 SCT\n"},
        {"FEW010 FEW020 FEW030 FEW040 FEW050 FEW060 ",
         "clouds 1000 ft few, 2000 ft few, 3000 ft few, 4000 ft few, 5000 ft few, ",
         "   CLOUDS: 10 FEW\n   CLOUDS: 20 FEW\n   CLOUDS: 30 FEW\n   CLOUDS: 40 FEW\n"
         "   CLOUDS: 50 FEW\n   COMMENTS: FEW060 \n"},
    };
    check(cases);
}

TEST_F(TafWxTest, AmountTypeCloudsPrintTheSameLineInBothForms) {
    // Standing first, the amount digit would be read as a visibility in miles; the line
    // goes out at once, ahead of the English text of the period.
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"00000KT 9999 8SC025 ", "   CLOUDS: 25 8 OCTETS\n"},
        {"00000KT 9999 9ST/// ", "   CLOUDS: -9999 X OCTETS\n"},
        {"00000KT 9999 3CUFR040 ", "   CLOUDS: 40 3 OCTETS\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(english_of(c.text), std::string(c.line) + "winds calm.\n\n");
        EXPECT_EQ(decoded_of(c.text), std::string("   WINDS: CALM\n") + c.line);
    }
}

TEST_F(TafWxTest, TemperatureIcingTurbulenceAltimeter) {
    const Case cases[] = {
        {"TM05/12Z ", "the temperature at 12Z is -5 C, ", "   TEMP: -5 C AT 12Z\n"},
        {"T12/M3 ", "the temperature at -3Z is 12 C, ", "   TEMP: 12 C AT -03Z\n"},
        // TMXX alone would be a weather word: the cloud word ends the weather first.
        {"SKC TMXX/06Z ", "skies are clear, the temperature at 6Z is -9999 C, ",
         "   CLOUDS: CLEAR\n   TEMP: -9999 C AT 06Z\n"},
        // Six-digit layer groups only come after wind and visibility: standing first they
        // would be read as those.
        {"00000KT 9999 620304 ", "winds calm, light icing in cloud from 3000 to 4200 ft, ",
         "   WINDS: CALM\n   ICING: LIGHT IN CLOUD  FROM 30 TO 42\n"},
        {"00000KT 9999 600000 ", "winds calm, no icing, ", "   WINDS: CALM\n   ICING: NONE \n"},
        {"00000KT 9999 530804 ",
         "winds calm, frequent moderate clear air turbulence from 8000 to 9200 ft, ",
         "   WINDS: CALM\n   TURBULENCE: FREQ MOD CLEAR AIR FROM 80 TO 92\n"},
        {"00000KT 9999 500000 ", "winds calm, no turbulence, ",
         "   WINDS: CALM\n   TURBULENCE: NONE \n"},
        {"QNH2992INS ", "the altimeter setting is 29.92 in Hg, ",
         "   ALTIMETER SETTING: 29.92 IN HG\n"},
        {"QNH1013 ", "", "   COMMENTS: QNH1013 \n"},
        {"00000KT 9999 620304 T10/12Z ", nullptr,
         "   WINDS: CALM\n   ICING: LIGHT IN CLOUD  FROM 30 TO 42\n   TEMP: 10 C AT 12Z\n"},
    };
    check(cases);
}

TEST_F(TafWxTest, WeatherInTheVicinity) {
    // "vicinty" is the users' spelling.
    const Case cases[] = {
        {"SCT020 VCFG ", "clouds 2000 ft scattered, weather in the vicinty is fog, ",
         "   CLOUDS: 20 SCT\n   WEATHER IN VICINITY: FG\n"},
        {"SCT020 VCSH ", "clouds 2000 ft scattered, weather is in the vicinty SH, ",
         "   CLOUDS: 20 SCT\n   WEATHER IN VICINITY: SH\n"},
        {"VCTS ", "weather is thunder in vicinty, ", "   WEATHER: VCTS\n"},
    };
    check(cases);
}

TEST_F(TafWxTest, VicinityCodeIsCutToTheWeatherBuffer) {
    // The code after VC goes into the weather buffer of 50 characters: a longer run keeps
    // its first 49 letters, and the whole run is still passed over.
    const std::string text = "SCT020 VC" + std::string(60, 'X') + " =";
    const std::string kept(49, 'X');
    EXPECT_EQ(decoded_of(text.c_str()),
              "   CLOUDS: 20 SCT\n   WEATHER IN VICINITY: " + kept + "\n   COMMENTS: = \n");
    EXPECT_EQ(english_of(text.c_str()),
              "clouds 2000 ft scattered, weather is in the vicinty\n" + kept + ".\n\n");
}

TEST_F(TafWxTest, AllKindsInOrder) {
    const char* text =
        "18010KT P6SM -SHRA BKN030CB 620304 530804 QNH2992INS TM05/12Z SCT020 NOSIG TEMPO";
    EXPECT_EQ(english_of(text),
              "winds from 180 deg at 10 kts, visibility is greater than 6.0 miles, weather\n"
              "is light rain showers, clouds 3000 ft broken with cumulonimbus, light\n"
              "icing in cloud from 3000 to 4200 ft, frequent moderate clear air\n"
              "turbulence from 8000 to 9200 ft, the altimeter setting is 29.92 in Hg, the\n"
              "temperature at 12Z is -5 C.\n\n");
    EXPECT_EQ(consumed_, 75);
    EXPECT_EQ(decoded_of(text),
              "   WINDS: 180 AT 10\n"
              "   VISIBILITY: >6.0 MILES\n"
              "   WEATHER: -SHRA\n"
              "   CLOUDS: 30 BKN WITH CB\n"
              "   ICING: LIGHT IN CLOUD  FROM 30 TO 42\n"
              "   TURBULENCE: FREQ MOD CLEAR AIR FROM 80 TO 92\n"
              "   ALTIMETER SETTING: 29.92 IN HG\n"
              "   TEMP: -5 C AT 12Z\n"
              "   COMMENTS: SCT020 NOSIG \n");
}

TEST_F(TafWxTest, RemainingWordsStopAtTheNextPeriod) {
    for (const char* next : {"TEMPO", "BECMG", "PROB30", "PROBX", "FM1200", "FMX"}) {
        SCOPED_TRACE(next);
        std::string text = std::string("AO2 NOSIG ") + next + " 9999";
        EXPECT_EQ(decoded_of(text.c_str()), "   COMMENTS: AO2 NOSIG \n");
        EXPECT_EQ(consumed_, 10);
    }
    EXPECT_EQ(decoded_of("AO2 tempo"), "   COMMENTS: AO2 tempo \n");
    EXPECT_EQ(english_of("AO2 NOSIG RMK"), "\n");
    EXPECT_EQ(decoded_of(""), "");
    EXPECT_EQ(consumed_, 0);
}

TEST_F(TafWxTest, ClosingOnlyTouchesThisPeriodsClauses) {
    TAF_format("Sometown, ST (KXYZ) terminal forecast ");
    testutil::Capture out(1);
    TAF_decode_wx("AO2 ");
    TAF_print();
    EXPECT_EQ(out.stop(), "Sometown, ST (KXYZ) terminal forecast \n");
}

TEST_F(TafWxTest, BadInputEndsQuietly) {
    std::string binary;
    for (int i = 1; i < 256; ++i) binary += static_cast<char>(i);
    std::string long_word(5000, 'A');
    std::string long_number(5000, '9');
    for (const std::string& text :
         {binary, long_word, long_number, std::string("="), std::string("T"), std::string("6"),
          std::string("QNH"), std::string("VRB"), std::string("VC"), std::string("P"),
          std::string("1 1/"), std::string("BKN///"), std::string("5////")}) {
        SCOPED_TRACE(text.substr(0, 20));
        english_of(text.c_str());
        EXPECT_LE(consumed_, static_cast<int>(text.size()));
        EXPECT_LE(TAF_output_length(), TAF_OUTPUT_MAX);
        decoded_of(text.c_str());
        EXPECT_LE(consumed_, static_cast<int>(text.size()));
    }
    // Words run up to a blank; a vertical tab is neither a blank nor a word character, so
    // the words stop there.
    decoded_of(binary.c_str());
    EXPECT_EQ(consumed_, 10);
    decoded_of(long_word.c_str());
    EXPECT_EQ(consumed_, 5000);
}

}  // namespace
