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
        // Knots truncated toward zero at the factors' edges: 51 m/s x 1.944 = 99.144 (1.94
        // would give 98.94); 50 km/h x 0.53996 = 26.998 (0.54 would give 27.0).
        {"18051MPS ", "winds from 180 deg at 99 kts, ", "   WINDS: 180 AT 99\n"},
        {"18050KMH ", "winds from 180 deg at 26 kts, ", "   WINDS: 180 AT 26\n"},
        {"18050 ", "winds from 180 deg at 26 kts, ", "   WINDS: 180 AT 26\n"},
        // A direction with a minus sign is read as the number fields read it: the quick test
        // of a group's first character lets through all they can begin with.
        {"-1012KT ", "winds from -10 deg at 12 kts, ", "   WINDS: -10 AT 12\n"},
        // Units are written in capitals: "kt" is no unit (km/h are taken), nor weather.
        {"18010kt ", "winds from 180 deg at 5 kts, ", "   WINDS: 180 AT 5\n   COMMENTS: kt \n"},
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

TEST_F(TafWxTest, WindsOfAHundredKnotsOrMore) {
    const Case cases[] = {
        {"27080G100KT ", "winds from 270 deg at 80 kts with gusts to 100, ",
         "   WINDS: 270 AT 80 GUST 100\n"},
        {"250120KT ", "winds from 250 deg at 120 kts, ", "   WINDS: 250 AT 120\n"},
        {"250120G150KT ", "winds from 250 deg at 120 kts with gusts to 150, ",
         "   WINDS: 250 AT 120 GUST 150\n"},
        {"250100/90KTS ", "winds from 250 deg at 100 kts with gusts to 90, ",
         "   WINDS: 250 AT 100 GUST 90\n"},
        {"VRB100KT ", "winds variable at 100 kts, ", "   WIND: VARIABLE AT 100\n"},
        {"VRB10G100KT ", "winds variable at 10 kts with gusts to 100, ",
         "   WIND: VARIABLE AT 10 GUST 100\n"},
        {"VRB100G120KT ", "winds variable at 100 kts with gusts to 120, ",
         "   WIND: VARIABLE AT 100 GUST 120\n"},
        {"VRB100G20KT ", "winds variable at 100 kts with gusts to 20, ",
         "   WIND: VARIABLE AT 100 GUST 20\n"},
        // Other units convert as before: 50 and 100 m/s, 100 km/h.
        {"27050G100MPS ", "winds from 270 deg at 97 kts with gusts to 194, ",
         "   WINDS: 270 AT 97 GUST 194\n"},
        {"270100KMH ", "winds from 270 deg at 53 kts, ", "   WINDS: 270 AT 53\n"},
        // Without a written unit a speed has two digits: the third is left over (here a
        // visibility in miles, a blank standing behind it).
        {"270100 ", "winds from 270 deg at 5 kts, visibility of 0.0 miles, ",
         "   WINDS: 270 AT 5\n   VISIBILITY: 0.0 MILES\n"},
        // Without a unit a direction over 360 is no wind: the group is an icing layer.
        {"620304 ", "light icing in cloud from 3000 to 7000 ft, ",
         "   ICING: LIGHT IN CLOUD  FROM 30 TO 70\n"},
        {"36020 ", "winds from 360 deg at 10 kts, ", "   WINDS: 360 AT 10\n"},
        {"37020KT ", "winds from 370 deg at 20 kts, ", "   WINDS: 370 AT 20\n"},
        // Four digits are no speed of any form: the two-digit form takes the first two (in
        // km/h, no unit being written there), as before.
        {"2701000KT ", "winds from 270 deg at 5 kts, ",
         "   WINDS: 270 AT 5\n   COMMENTS: 00KT \n"},
        // Calm is tried first and stays as it was.
        {"00000KT ", "winds calm, ", "   WINDS: CALM\n"},
    };
    check(cases);
}

TEST_F(TafWxTest, VariableWindDirection) {
    const Case cases[] = {
        {"24010KT 210V270 ", "winds from 240 deg at 10 kts, varying from 210 to 270 deg, ",
         "   WINDS: 240 AT 10\n   WIND VARYING FROM 210 TO 270\n"},
        {"00000KT 180V240 ", "winds calm, varying from 180 to 240 deg, ",
         "   WINDS: CALM\n   WIND VARYING FROM 180 TO 240\n"},
        {"VRB05KT 350V030 ", "winds variable at 5 kts, varying from 350 to 30 deg, ",
         "   WIND: VARIABLE AT 5\n   WIND VARYING FROM 350 TO 30\n"},
        {"27080G100KT 240V300 ", nullptr,
         "   WINDS: 270 AT 80 GUST 100\n   WIND VARYING FROM 240 TO 300\n"},
        // Only right after a wind, and only once: a second one is left unread.
        {"9999 210V270 ", "", "   COMMENTS: 210V270 \n"},
        {"24010KT 210V270 220V260 ", nullptr,
         "   WINDS: 240 AT 10\n   WIND VARYING FROM 210 TO 270\n   COMMENTS: 220V260 \n"},
        {"24010KT 9999 210V270 ", "winds from 240 deg at 10 kts, ",
         "   WINDS: 240 AT 10\n   COMMENTS: 210V270 \n"},
    };
    check(cases);
    EXPECT_EQ(english_of("27080G100KT 240V300 "),
              "winds from 270 deg at 80 kts with gusts to 100, varying from 240 to 300\n"
              "deg.\n\n");
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
        // 13 x 1.1508 = 14.9604 (1.15 would give 14.95, a float just below it: 14.9).
        {"13NM ", "visibility of 15.0 miles, ", "   VISIBILITY: 15.0 MILES\n"},
        {"1/2 ", "visibility of 0.5 miles, ", "   VISIBILITY: 0.5 MILES\n"},
        {"11/2 ", "visibility of 1.5 miles, ", "   VISIBILITY: 1.5 MILES\n"},
        {"1 1/2 ", "visibility of 1.5 miles, ", "   VISIBILITY: 1.5 MILES\n"},
        {"0800 ", "visibility of 0.5 miles, ", "   VISIBILITY: 0.5 MILES\n"},
        {"9999 ", "", ""},
        {"4000NE 2000SW ", "visibility of 2.5 miles, ", "   VISIBILITY: 2.5 MILES\n"},
        {"9999NDV ", "", ""},
        {"6 ", "visibility of 6.0 miles, ", "   VISIBILITY: 6.0 MILES\n"},
        // A bare number is miles only with a blank behind it: 520009 is turbulence.
        {"31025G35KT 520009 ", nullptr,
         "   WINDS: 310 AT 25 GUST 35\n   TURBULENCE: OCC MOD CLEAR AIR FROM 0 TO 90\n"},
        {"CAVOK ", "ceiling and visibility OK, ", "   CEILING AND VISIBILITY OK\n"},
        {"12012KT CAVOK ", "winds from 120 deg at 12 kts, ceiling and visibility OK, ",
         "   WINDS: 120 AT 12\n   CEILING AND VISIBILITY OK\n"},
        // One visibility group at most: CAVOK after another is no weather but a comment.
        {"9999 CAVOK ", "", "   COMMENTS: CAVOK \n"},
        {"CAVOK 9999 ", "ceiling and visibility OK, ",
         "   CEILING AND VISIBILITY OK\n   COMMENTS: 9999 \n"},
    };
    check(cases);
}

TEST_F(TafWxTest, FourDigitsAtTheEndAreNotMetres) {
    // Without a blank behind it the group is no metre group, nor miles.
    EXPECT_EQ(english_of("1234"), "\n");
    EXPECT_EQ(decoded_of("1234"), "   COMMENTS: 1234 \n");
    EXPECT_EQ(consumed_, 4);
}

TEST_F(TafWxTest, Weather) {
    const Case cases[] = {
        {"-SHRA BR ", "weather is light rain showers and mist, ", "   WEATHER: -SHRA_BR\n"},
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
    // Only groups made of weather codes are weather; any other word ends the section and
    // is left for the later steps.
    const Case codes[] = {
        {"+TSRAGR ", "weather is heavy thunderstorms hail, ", "   WEATHER: +TSRAGR\n"},
        {"VCSH ", "weather is showers in vicinity, ", "   WEATHER: VCSH\n"},
        {"0900 DS ", "visibility of 0.6 miles, weather is duststorm, ",
         "   VISIBILITY: 0.6 MILES\n   WEATHER: DS\n"},
        {"+FC SQ PO ", "weather is heavy funnel cloud and squalls and dust whirls, ",
         "   WEATHER: +FC_SQ_PO\n"},
        {"-PL UP ", "weather is light ice pellets and moderate unknown precipitation, ",
         "   WEATHER: -PL_UP\n"},
        {"VA PY ", "weather is volcanic ash and spray, ", "   WEATHER: VA_PY\n"},
        {"PRFG SS ", "weather is partial fog and sandstorm, ", "   WEATHER: PRFG_SS\n"},
        {"DU NSC ", "weather is dust, no significant clouds, ",
         "   WEATHER: DU\n   CLOUDS: NONE SIGNIFICANT\n"},
        {"-RA RMK NXT FCST BY 071300Z ", "weather is light rain, ",
         "   WEATHER: -RA\n   COMMENTS: RMK NXT FCST BY 071300Z \n"},
        {"RMK -RA ", "", "   COMMENTS: RMK -RA \n"},
        {"KT ", "", "   COMMENTS: KT \n"},
        {"NIL ", "", "   COMMENTS: NIL \n"},
        {"FCST ", "", "   COMMENTS: FCST \n"},
        {"CNL ", "", "   COMMENTS: CNL \n"},
        {"ra ", "", "   COMMENTS: ra \n"},  // codes are capitals
        // The set stops at the slash: two letters and no blank are no group (as before).
        {"SA/TSRA ", "", "   COMMENTS: SA/TSRA \n"},
    };
    check(codes);
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
        {"NSC ", "no significant clouds, ", "   CLOUDS: NONE SIGNIFICANT\n"},
        {"NCD ", "no clouds detected, ", "   CLOUDS: NONE DETECTED\n"},
        {"NSC FEW020 ", "no significant clouds, ",
         "   CLOUDS: NONE SIGNIFICANT\n   COMMENTS: FEW020 \n"},
        {"NCD VV005 ", "no clouds detected, ", "   CLOUDS: NONE DETECTED\n   COMMENTS: VV005 \n"},
        {"FEW020 NSC ", "clouds 2000 ft few, ", "   CLOUDS: 20 FEW\n   COMMENTS: NSC \n"},
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
        {"00000KT 9999 620304 ", "winds calm, light icing in cloud from 3000 to 7000 ft, ",
         "   WINDS: CALM\n   ICING: LIGHT IN CLOUD  FROM 30 TO 70\n"},
        {"00000KT 9999 600000 ", "winds calm, no icing, ", "   WINDS: CALM\n   ICING: NONE \n"},
        {"00000KT 9999 530804 ",
         "winds calm, frequent moderate clear air turbulence from 8000 to 12000 ft, ",
         "   WINDS: CALM\n   TURBULENCE: FREQ MOD CLEAR AIR FROM 80 TO 120\n"},
        {"00000KT 9999 500000 ", "winds calm, no turbulence, ",
         "   WINDS: CALM\n   TURBULENCE: NONE \n"},
        // The last type of each table.
        {"00000KT 9999 690304 ", "winds calm, severe icing in precipitation from 3000 to 7000 ft, ",
         "   WINDS: CALM\n   ICING: SEV IN PREC FROM 30 TO 70\n"},
        {"00000KT 9999 590304 ",
         "winds calm, frequent severe in cloud turbulence from 3000 to 7000 ft, ",
         "   WINDS: CALM\n   TURBULENCE: FREQ SEV IN CLOUD FROM 30 TO 70\n"},
        {"QNH2992INS ", "the altimeter setting is 29.92 in Hg, ",
         "   ALTIMETER SETTING: 29.92 IN HG\n"},
        {"QNH1013 ", "", "   COMMENTS: QNH1013 \n"},
        {"00000KT 9999 620304 T10/12Z ", nullptr,
         "   WINDS: CALM\n   ICING: LIGHT IN CLOUD  FROM 30 TO 70\n   TEMP: 10 C AT 12Z\n"},
    };
    check(cases);
}

TEST_F(TafWxTest, FiveTemperatureGroupsAtATime) {
    // Each of the two temperature steps reads five groups at most: a sixth waits for the
    // second step, after the icing and turbulence groups, which it leaves behind as comments.
    const Case cases[] = {
        {"00000KT 9999 T01/01Z T02/02Z T03/03Z T04/04Z T05/05Z 620304 ", nullptr,
         "   WINDS: CALM\n   TEMP: 1 C AT 01Z\n   TEMP: 2 C AT 02Z\n   TEMP: 3 C AT 03Z\n"
         "   TEMP: 4 C AT 04Z\n   TEMP: 5 C AT 05Z\n   ICING: LIGHT IN CLOUD  FROM 30 TO 70\n"},
        {"00000KT 9999 T01/01Z T02/02Z T03/03Z T04/04Z T05/05Z T06/06Z 620304 ", nullptr,
         "   WINDS: CALM\n   TEMP: 1 C AT 01Z\n   TEMP: 2 C AT 02Z\n   TEMP: 3 C AT 03Z\n"
         "   TEMP: 4 C AT 04Z\n   TEMP: 5 C AT 05Z\n   TEMP: 6 C AT 06Z\n"
         "   COMMENTS: 620304 \n"},
    };
    check(cases);
}

TEST_F(TafWxTest, WindShear) {
    const Case cases[] = {
        {"WS020/27045KT ", "wind shear at 2000 ft with winds from 270 deg at 45 kts, ",
         "   WIND SHEAR AT 20: 270 AT 45\n"},
        {"WS015/250100KT ", "wind shear at 1500 ft with winds from 250 deg at 100 kts, ",
         "   WIND SHEAR AT 15: 250 AT 100\n"},
        {"18010KT BKN030 WS020/27045KT ", nullptr,
         "   WINDS: 180 AT 10\n   CLOUDS: 30 BKN\n   WIND SHEAR AT 20: 270 AT 45\n"},
        // One per period, with its unit, and only before the temperatures.
        {"WS020/27045KT WS010/18030KT ", nullptr,
         "   WIND SHEAR AT 20: 270 AT 45\n   COMMENTS: WS010/18030KT \n"},
        {"WS020/27045 ", "", "   COMMENTS: WS020/27045 \n"},
        {"WS020/2704KT ", "", "   COMMENTS: WS020/2704KT \n"},  // a speed has two digits or three
        {"WS020/27045MPS ", "", "   COMMENTS: WS020/27045MPS \n"},
        {"T10/12Z WS020/27045KT ", "the temperature at 12Z is 10 C, ",
         "   TEMP: 10 C AT 12Z\n   COMMENTS: WS020/27045KT \n"},
    };
    check(cases);
}

TEST_F(TafWxTest, MaximumAndMinimumTemperatures) {
    // Without an issue time a day takes the file's month, or the next one when the file's
    // day is later (the report's issue time is tested with the report decoder).
    file_date = Date{2024, 6, 12, 164, 3, 0, 0, 0};
    const Case cases[] = {
        {"TX15/1211Z ", "maximum temperature of 15 C on 12 June at 11Z, ",
         "   MAX TEMP: 15 C ON 12 JUN AT 11Z\n"},
        {"TNM02/1304Z ", "minimum temperature of -2 C on 13 June at 04Z, ",
         "   MIN TEMP: -2 C ON 13 JUN AT 04Z\n"},
        {"TX03/1220 ", "maximum temperature of 3 C on 12 June at 20Z, ",
         "   MAX TEMP: 3 C ON 12 JUN AT 20Z\n"},
        {"TN-3/3006Z ", "minimum temperature of -3 C on 30 June at 06Z, ",
         "   MIN TEMP: -3 C ON 30 JUN AT 06Z\n"},
        {"TX15/1011Z ", "maximum temperature of 15 C on 10 July at 11Z, ",
         "   MAX TEMP: 15 C ON 10 JUL AT 11Z\n"},
        {"TXM10/0118Z ", "maximum temperature of -10 C on 1 July at 18Z, ",
         "   MAX TEMP: -10 C ON 1 JUL AT 18Z\n"},
        // Each try takes one group of any of the three forms, in any order.
        {"TN13/1304Z TX15/1211Z ", nullptr,
         "   MIN TEMP: 13 C ON 13 JUN AT 04Z\n   MAX TEMP: 15 C ON 12 JUN AT 11Z\n"},
        {"T10/12Z TX15/1211Z TN05/1306Z ", nullptr,
         "   TEMP: 10 C AT 12Z\n   MAX TEMP: 15 C ON 12 JUN AT 11Z\n"
         "   MIN TEMP: 5 C ON 13 JUN AT 06Z\n"},
        {"QNH2992INS TX15/1211Z ", nullptr,
         "   ALTIMETER SETTING: 29.92 IN HG\n   MAX TEMP: 15 C ON 12 JUN AT 11Z\n"},
        // No missing temperature, and the day belongs to the group.
        {"TXM/1211Z ", "", "   COMMENTS: TXM/1211Z \n"},
        {"TX15/12Z ", "", "   COMMENTS: TX15/12Z \n"},
        {"TXX/XXZ ", "the temperature at -9999Z is -9999 C, ", "   TEMP: -9999 C AT -9999Z\n"},
    };
    check(cases);
    EXPECT_EQ(english_of("TX15/1211Z TNM02/1304Z "),
              "maximum temperature of 15 C on 12 June at 11Z, minimum temperature of -2 C\n"
              "on 13 June at 04Z.\n\n");
    file_date = Date{};
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
              "icing in cloud from 3000 to 7000 ft, frequent moderate clear air\n"
              "turbulence from 8000 to 12000 ft, the altimeter setting is 29.92 in Hg,\n"
              "the temperature at 12Z is -5 C.\n\n");
    EXPECT_EQ(consumed_, 75);
    EXPECT_EQ(decoded_of(text),
              "   WINDS: 180 AT 10\n"
              "   VISIBILITY: >6.0 MILES\n"
              "   WEATHER: -SHRA\n"
              "   CLOUDS: 30 BKN WITH CB\n"
              "   ICING: LIGHT IN CLOUD  FROM 30 TO 70\n"
              "   TURBULENCE: FREQ MOD CLEAR AIR FROM 80 TO 120\n"
              "   ALTIMETER SETTING: 29.92 IN HG\n"
              "   TEMP: -5 C AT 12Z\n"
              "   COMMENTS: SCT020 NOSIG \n");
}

TEST_F(TafWxTest, TodaysKindsInOrder) {
    file_date = Date{2024, 6, 12, 164, 3, 0, 0, 0};
    EXPECT_EQ(decoded_of("27080G100KT 240V300 CAVOK -TSRAGR NSC WS020/27045KT TX15/1211Z "
                         "TNM02/1304Z 620304 QNH2992INS RMK NXT FCST"),
              "   WINDS: 270 AT 80 GUST 100\n"
              "   WIND VARYING FROM 240 TO 300\n"
              "   CEILING AND VISIBILITY OK\n"
              "   WEATHER: -TSRAGR\n"
              "   CLOUDS: NONE SIGNIFICANT\n"
              "   WIND SHEAR AT 20: 270 AT 45\n"
              "   MAX TEMP: 15 C ON 12 JUN AT 11Z\n"
              "   MIN TEMP: -2 C ON 13 JUN AT 04Z\n"
              "   ICING: LIGHT IN CLOUD  FROM 30 TO 70\n"
              "   ALTIMETER SETTING: 29.92 IN HG\n"
              "   COMMENTS: RMK NXT FCST \n");
    file_date = Date{};
}

TEST_F(TafWxTest, RemainingWordsStopAtTheNextPeriod) {
    for (const char* next : {"TEMPO", "BECMG", "PROB30", "PROBX", "FM1200", "FMX", "INTER"}) {
        SCOPED_TRACE(next);
        std::string text = std::string("AO2 NOSIG ") + next + " 9999";
        EXPECT_EQ(decoded_of(text.c_str()), "   COMMENTS: AO2 NOSIG \n");
        EXPECT_EQ(consumed_, 10);
    }
    EXPECT_EQ(decoded_of("AO2 tempo"), "   COMMENTS: AO2 tempo \n");
    EXPECT_EQ(decoded_of("AO2 INTERX"), "   COMMENTS: AO2 INTERX \n");
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
