// The JSON writer: flight categories at their edges and after carry-over, the times the
// reports' older forms and impossible groups give, knots rounded from other units, remarks
// and the warning of a report cut at its bound. (Whole reports of every kind are checked
// against lines worked out by hand in test_tafcvt_json.)
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "mess.h"
#include "taf.h"
#include "testutil.h"

namespace {

using nlohmann::json;

class TafJsonTest : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        english = TAF_FORM_JSON;
        dec_mes = MESS_PRINT;
        file_date = Date{2024, 6, 12, 164, 3, 0, 0, 0};
    }
    void TearDown() override {
        english = TAF_FORM_ENGLISH;
        file_date = Date{};
        TAF_set_source(nullptr);
        MESS_reset();
    }

    // The object the writer makes of a report (one line of JSON).
    json report(const std::string& text) {
        testutil::Capture out(1);
        TAF_decode(text.c_str());
        const std::string line = out.stop();
        EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
        return json::parse(line);
    }
    json period(const std::string& text, size_t index) { return report(text)["periods"][index]; }
};

constexpr const char* HEAD = "TAF KQQQ 121130Z 1212/1312 ";

TEST_F(TafJsonTest, FlightCategoryAtEachThreshold) {
    struct Case {
        const char* groups;
        const char* category;  // null: none
    };
    const Case cases[] = {
        {"BKN004", "LIFR"}, {"OVC005", "IFR"},  {"VV009", "IFR"},    {"BKN010", "MVFR"},
        {"OVC030", "MVFR"}, {"BKN031", "VFR"},  {"FEW005", "VFR"},   {"SCT003 BKN200", "VFR"},
        {"M1SM", "LIFR"},   {"1SM", "IFR"},     {"2 7/8SM", "IFR"},  {"3SM", "MVFR"},
        {"5SM", "MVFR"},    {"P5SM", "VFR"},    {"6SM", "VFR"},      {"1500", "LIFR"},
        {"8000", "MVFR"},   {"9000", "VFR"},    {"9999", "VFR"},     {"CAVOK", "VFR"},
        {"6SM OVC004", "LIFR"}, {"1SM SKC", "IFR"}, {"18010KT", nullptr}, {"BKN///", "VFR"},
        {"8ST004", "LIFR"}, {"4ST004", "VFR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.groups);
        const json p = period(std::string(HEAD) + c.groups + "=", 0);
        if (c.category == nullptr)
            EXPECT_TRUE(p["flight_category"].is_null());
        else
            EXPECT_EQ(p["flight_category"], c.category);
    }
}

TEST_F(TafJsonTest, CarryOverFromThePrevailingPeriod) {
    const json r = report(std::string(HEAD) +
                          "9999 BKN040 TEMPO 1214/1218 3000 BECMG 1218/1220 OVC008 "
                          "PROB30 1220/1222 CAVOK FM130000 BKN050 INTER 1302/1304 -RA");
    struct Row {
        const char* type;
        const char* category;
        int ceiling;  // 0: none
    };
    const Row rows[] = {
        {"BASE", "VFR", 4000},
        {"TEMPO", "IFR", 4000},   // its visibility, the clouds it overlays
        {"BECMG", "IFR", 800},    // its clouds, the visibility it leaves as it was
        {"PROB", "VFR", 0},       // CAVOK overlays both
        {"FM", "VFR", 5000},      // stands alone: no visibility, clouds only
        {"INTER", "VFR", 5000},   // nothing of its own that counts: the FM period's
    };
    ASSERT_EQ(r["periods"].size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].type);
        const json& p = r["periods"][i];
        EXPECT_EQ(p["type"], rows[i].type);
        EXPECT_EQ(p["flight_category"], rows[i].category);
        if (rows[i].ceiling == 0)
            EXPECT_TRUE(p["ceiling_ft"].is_null());
        else
            EXPECT_EQ(p["ceiling_ft"], rows[i].ceiling);
    }
}

TEST_F(TafJsonTest, TimesOfTheOlderFormsAndImpossibleGroups) {
    struct Case {
        const char* report;
        const char* from;  // of the last period; null: none
        const char* to;
        const char* warning;  // the group warned of; null: none
    };
    const Case cases[] = {
        // FMHHMM before the validity's start hour is the next day; it runs to the end.
        {"TAF KQQQ 121130Z 121818 18010KT FM0230 20010KT", "2024-06-13T02:30Z",
         "2024-06-13T18:00Z", nullptr},
        // TEMPO HHHH: its end the first such hour after its start.
        {"TAF KQQQ 121130Z 121212 18010KT TEMPO 2203 3SM", "2024-06-12T22:00Z",
         "2024-06-13T03:00Z", nullptr},
        {"TAF KQQQ 121130Z 121212 18010KT TEMPO 1824 3SM", "2024-06-12T18:00Z",
         "2024-06-13T00:00Z", nullptr},
        // A day past the month's end, an hour past 24, a minute past 59.
        {"TAF KQQQ 121130Z 3012/3112 18010KT", "2024-06-30T12:00Z", nullptr, "3012/3112"},
        {"TAF KQQQ 121130Z 1212/1312 18010KT TEMPO 1225/1302 3SM", nullptr,
         "2024-06-13T02:00Z", "1225/1302"},
        {"TAF KQQQ 121130Z 1212/1312 18010KT FM122460 3SM", nullptr, "2024-06-13T12:00Z",
         "FM122460"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        const json r = report(c.report);
        const json& p = r["periods"].back();
        EXPECT_EQ(p["from"], c.from == nullptr ? json() : json(c.from));
        EXPECT_EQ(p["to"], c.to == nullptr ? json() : json(c.to));
        if (c.warning == nullptr) {
            EXPECT_TRUE(r["warnings"].empty());
        } else {
            ASSERT_EQ(r["warnings"].size(), 1U);
            EXPECT_EQ(r["warnings"][0]["group"], c.warning);
            EXPECT_EQ(r["warnings"][0]["problem"], "time does not exist");
        }
    }
}

TEST_F(TafJsonTest, WindsInKnotsRoundedFromTheirUnit) {
    struct Case {
        const char* group;
        json unit;
        int speed_kt;
        json gust_kt;
    };
    const Case cases[] = {
        {"24012G18MPS", "MPS", 23, 35},  // 23.33 and 34.99
        {"24013MPS", "MPS", 25, nullptr},   // 25.27
        {"24020KMH", "KMH", 11, nullptr},   // 10.80
        {"24020", nullptr, 11, nullptr},    // no unit: as km/h
        {"24020KTS", "KT", 20, nullptr},
        {"VRB03KT", "KT", 3, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        const json w = period(std::string(HEAD) + c.group, 0)["wind"];
        EXPECT_EQ(w["unit"], c.unit);
        EXPECT_EQ(w["speed_kt"], c.speed_kt);
        EXPECT_EQ(w["gust_kt"], c.gust_kt);
    }
}

TEST_F(TafJsonTest, RawIsTheWordsBetweenSingleBlanks) {
    struct Case {
        const char* report;
        const char* raw;
    };
    const Case cases[] = {
        {"TAF KQQQ 121130Z\n     FM121800 BKN030=\n", "TAF KQQQ 121130Z FM121800 BKN030"},
        {"  KQQQ\t 121130Z  1212/1312 =", "KQQQ 121130Z 1212/1312"},
        // Lines copied whole and lines written word by word meet with one blank between
        // them, also after a quote or before a double blank where a block of sixteen ends.
        {"KQQQ \"X\"\n  FM121800", "KQQQ \"X\" FM121800"},
        {"KQQQ 121130Z 1212/1312 18010KTX  BKN030 T///RA=)",  // blanks at 31 and 32 of 48
         "KQQQ 121130Z 1212/1312 18010KTX BKN030 T///RA=)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        EXPECT_EQ(report(c.report)["raw"], c.raw);
    }
}

TEST_F(TafJsonTest, GroupWrittenOverTwoLinesKeepsOneBlank) {
    const json v = period(std::string(HEAD) + "18010KT 1\n   1/2SM BR", 0)["visibility"];
    EXPECT_EQ(v["text"], "1 1/2SM");
    EXPECT_EQ(v["metres"], 2414);
}

TEST_F(TafJsonTest, RemarksAreNotUnreadAndACutReportIsWarnedOf) {
    const json r = report(std::string(HEAD) + "18010KT AO2 RMK NXT FCST BY 18Z=");
    EXPECT_EQ(r["remarks"], "RMK NXT FCST BY 18Z");
    EXPECT_EQ(r["periods"][0]["unread"], json({"AO2"}));
    EXPECT_EQ(r["warnings"], json::parse(R"([{"group":"AO2","problem":"not decoded"}])"));

    TafSource cut;
    cut.file = "bulletins.txt";
    cut.bulletin = "FT\r\t\x01\"\\\xe9 KXXX";  // any bytes, as a file or heading may hold
    EXPECT_EQ(report(std::string(HEAD))["bulletin"], nullptr);
    TAF_set_source(&cut);
    EXPECT_EQ(report(std::string(HEAD))["bulletin"], "FT\r\t\x01\"\\\u00e9 KXXX");
    cut.bulletin = "";
    cut.cut = true;
    TAF_set_source(&cut);
    const json long_report = report(std::string(HEAD) + "18010KT");
    EXPECT_EQ(long_report["file"], "bulletins.txt");
    EXPECT_EQ(long_report["warnings"],
              json::parse(R"([{"group":"KQQQ","problem":"report cut at 5000 characters"}])"));
}

TEST_F(TafJsonTest, RawHoldsTheCharactersThatAreDecoded) {
    // A text given straight to the decoder is read up to its bound, as the driver gathers it:
    // here the bound falls two characters into the word ABCD.
    std::string text = std::string(HEAD) + "RMK";
    while (text.size() < TAF_REPORT_MAX - 3) text += " ABC";
    text.resize(TAF_REPORT_MAX - 3);
    text += " ABCD EFG=";
    const std::string raw = report(text)["raw"];
    EXPECT_EQ(raw.size(), TAF_REPORT_MAX);
    EXPECT_EQ(raw.substr(raw.size() - 3), " AB");
}

}  // namespace
