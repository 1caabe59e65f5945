// Station store and search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cty_tool.h"
#include "maptran.h"
#include "mess.h"
#include "resrc.h"
#include "testutil.h"

namespace {

using testutil::Capture;
using testutil::TempDir;
using testutil::write_file;

constexpr const char* DATABASE =
    "NEW_YORK/JFK         NY US KJFK *3*  40.64  -73.78    4 74486 0\n"
    "LA_GUARDIA           NY US KLGA 3    40.78  -73.88    7 72503 0\n"
    "DENVER               CO US KDEN 2    39.85 -104.66 1655 72565 0\n"
    "OBSCURE              CO US KOBS 8    39.00 -105.00 2000 99999 0\n"
    "TINY                 CO US KTNY 9    39.10 -105.10 2100 99999 0\n"
    "LONDON/HEATHROW      -  GB EGLL 1    51.48   -0.45   25 03772 0\n"
    "OSLO/GARDERMOEN      -  NO ENGM 3    60.20   11.08  200 01384 0\n"
    "DUPLICATE_FIRST      TX US KDUP 4    30.00  -97.00  100 72254 0\n"
    "DUPLICATE_SECOND     TX US KDUP 4    31.00  -98.00  200 72255 0\n"
    "SHIP_WITH_B          -  B_ SHPB 5    10.00   20.00 9999 12345 0\n"
    "SHORT_LINE           CO US KSHT 5    39.50 -105.50\n"
    "kcase                CO US kcas 5    39.60 -105.60 1000 72999 0\n";

class CtyToolTest : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        RES_reset();
        CTY_reset();
        write_file(dir.file("sao.cty"), DATABASE);
        RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
    }
    void TearDown() override {
        CTY_reset();
        RES_reset();
        MAP_domain(nullptr);
    }
    // The identifier of the station that CTY_search finds for text, or "" for none.
    static std::string found_id(const char* text) {
        CTY_data d = {};
        return CTY_search(text, &d) == 1 ? d.id : "";
    }
    static std::string found_name(const char* text) {
        CTY_data d = {};
        return CTY_search(text, &d) == 1 ? d.name : "";
    }
    TempDir dir;
};

TEST_F(CtyToolTest, SearchByTheFormOfTheText) {
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    struct Case {
        const char* text;
        const char* name;
    } cases[] = {
        {"KJFK", "NEW_YORK/JFK"},      // identifier key, exact case
        {"kjfk", ""},
        {"kcas", "kcase"},
        {"KCAS", ""},
        {"74486", "NEW_YORK/JFK"},     // five digits: WMO key
        {"03772", "LONDON/HEATHROW"},
        {"3772", ""},
        {"K2503", "LA_GUARDIA"},       // prefixed identifier: through its WMO number
        {"EN384", "OSLO/GARDERMOEN"},
        {"EG772", "LONDON/HEATHROW"},
        {"b12345", "SHIP_WITH_B"},     // 'b' WMO key of region B_
        {"12345", ""},
        {"99999", ""},                 // the missing number finds no station
        {"NEW_YORK/JFK", ""},          // names are not keys
        {"", ""},
        {"KNONE", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(found_name(c.text), c.name);
    }
    EXPECT_EQ(CTY_search(nullptr, nullptr), 0);
    EXPECT_EQ(CTY_search("KJFK", nullptr), 1);
}

TEST_F(CtyToolTest, StoredRecordIsTheWholeLine) {
    ASSERT_GT(CTY_store(nullptr, 1, nullptr, 9), 0);
    CTY_data d = {};
    ASSERT_EQ(CTY_search("KJFK", &d), 1);
    EXPECT_STREQ(d.name, "NEW_YORK/JFK");
    EXPECT_STREQ(d.state, "NY");
    EXPECT_STREQ(d.region, "US");
    EXPECT_EQ(d.prior, 3);
    EXPECT_EQ(d.mos, '*');
    EXPECT_EQ(d.ua, '*');
    EXPECT_FLOAT_EQ(d.lat, 40.64f);
    EXPECT_FLOAT_EQ(d.lon, -73.78f);
    EXPECT_FLOAT_EQ(d.el, 4.0f);
    EXPECT_EQ(d.wmo, 74486);
    ASSERT_EQ(CTY_search("SHPB", &d), 1);
    EXPECT_FLOAT_EQ(d.el, -9999.0f);
}

TEST_F(CtyToolTest, PriorityFilter) {
    struct Case {
        int prior;
        std::vector<const char*> kept, left_out;
    } cases[] = {
        {7, {"KJFK", "KDEN", "EGLL", "KDUP"}, {"KOBS", "KTNY"}},
        {8, {"KOBS"}, {"KTNY"}},
        {9, {"KOBS", "KTNY"}, {}},
        {1, {"EGLL"}, {"KJFK", "KDEN"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prior);
        ASSERT_GT(CTY_store("sao.cty", 1, nullptr, c.prior), 0);
        for (const char* id : c.kept) EXPECT_EQ(found_id(id), id);
        for (const char* id : c.left_out) EXPECT_EQ(found_id(id), "") << id;
    }
}

TEST_F(CtyToolTest, PriorityFromTheResource) {
    EXPECT_EQ(CTY_get_prior(), 10);
    RES_new(RES_UNLISTED, "stat_prior", "not a number", CV_none);
    EXPECT_EQ(CTY_get_prior(), 10);
    RES_new(RES_UNLISTED, "stat_prior", "2", CV_none);
    EXPECT_EQ(CTY_get_prior(), 2);
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, -9999), 0);
    EXPECT_EQ(found_id("KDEN"), "KDEN");
    EXPECT_EQ(found_id("KJFK"), "");
}

TEST_F(CtyToolTest, DuplicateIdentifierGivesTheFirstStation) {
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    EXPECT_EQ(found_name("KDUP"), "DUPLICATE_FIRST");
    EXPECT_EQ(found_name("72255"), "DUPLICATE_SECOND");
    CTY_data d;
    ASSERT_EQ(CTY_get("sao.cty", "kdup", &d), 1);
    EXPECT_STREQ(d.name, "DUPLICATE_FIRST");
}

TEST_F(CtyToolTest, IncompleteLinesAreNotStations) {
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    EXPECT_EQ(found_id("KSHT"), "");
    CTY_data d;
    EXPECT_EQ(CTY_get("sao.cty", "KSHT", &d), 0);
    EXPECT_EQ(found_id("kcas"), "kcas");  // the line after it is read as usual
}

TEST_F(CtyToolTest, SelectionListFromIdentifier) {
    struct Case {
        const char* identifier;
        std::vector<const char*> kept, left_out;
    } cases[] = {
        {"all", {"KJFK", "EGLL", "KTNY"}, {}},
        {"ALL", {"KJFK", "EGLL"}, {}},
        {"KJFK,EGLL", {"KJFK", "EGLL"}, {"KLGA", "KDEN"}},
        {"ST=NY", {"KJFK", "KLGA"}, {"KDEN", "EGLL"}},
        {"CN=GB,72565", {"EGLL", "KDEN"}, {"KJFK"}},
        {"all,KJFK", {"KJFK"}, {"EGLL"}},  // "all" only alone means every station
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifier);
        RES_new(RES_UNLISTED, "identifier", c.identifier, CV_none);
        ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
        for (const char* id : c.kept) EXPECT_EQ(found_id(id), id);
        for (const char* id : c.left_out) EXPECT_EQ(found_id(id), "") << id;
    }
}

TEST_F(CtyToolTest, DomainKeepsTheStationsInside) {
    Domain box;
    ASSERT_EQ(DOM_decode("35,-110,45,-100", &box), 1);
    ASSERT_GT(CTY_store("sao.cty", 1, &box, 9), 0);
    EXPECT_EQ(found_id("KDEN"), "KDEN");
    EXPECT_EQ(found_id("KJFK"), "");
    EXPECT_EQ(found_id("EGLL"), "");
    // without a domain every station is back
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    EXPECT_EQ(found_id("KJFK"), "KJFK");
    EXPECT_EQ(found_id("EGLL"), "EGLL");
}

TEST_F(CtyToolTest, PositionStoreTypes) {
    for (int type : {2, 3}) {
        SCOPED_TRACE(type);
        ASSERT_GT(CTY_store("sao.cty", type, nullptr, 9), 0);
        CTY_locate loc = {};
        ASSERT_EQ(CTY_search("KDEN", &loc), 1);
        EXPECT_STREQ(loc.id, "KDEN");
        EXPECT_EQ(loc.wmo, 72565);
        EXPECT_FLOAT_EQ(loc.x, 39.85f);  // no domain: map position = earth position
        EXPECT_FLOAT_EQ(loc.y, -104.66f);
        EXPECT_FLOAT_EQ(loc.el, 1655.0f);
        EXPECT_EQ(loc.pr, 2);
        ASSERT_EQ(CTY_search("72565", &loc), 1);
        EXPECT_STREQ(loc.id, "KDEN");
    }
}

TEST_F(CtyToolTest, StoreFailures) {
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    ASSERT_EQ(found_id("KJFK"), "KJFK");
    Capture err(2);
    EXPECT_EQ(CTY_store("absent.cty", 1, nullptr, 9), 0);
    EXPECT_NE(err.stop().find("Database file not found"), std::string::npos);
    EXPECT_EQ(found_id("KJFK"), "");  // no table is left from before
    RES_new(RES_UNLISTED, "city_file", "none", CV_none);
    EXPECT_EQ(CTY_store("sao.cty", 1, nullptr, 9), 0);
    EXPECT_EQ(found_id("KJFK"), "");
    RES_reset();
    RES_new(RES_UNLISTED, "file_path", dir.path().c_str(), CV_none);
    EXPECT_EQ(CTY_store("sao.cty", 4, nullptr, 9), 0);
    EXPECT_EQ(CTY_store("sao.cty", 0, nullptr, 9), 0);
    EXPECT_EQ(found_id("KJFK"), "");
}

TEST_F(CtyToolTest, EmptyAndBrokenDatabases) {
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"blank", "\n\n   \n"},
        {"binary", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0", 24)},
        {"one field a line", "A\nB\nC\n"},
        {"overlong names", std::string(500, 'N') + " NY US KLNG 3 1 2 3 4 5\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(dir.file("bad.cty"), c.text);
        EXPECT_GT(CTY_store("bad.cty", 1, nullptr, 9), 0);
        EXPECT_EQ(found_id("KLNG"), "");
        CTY_data d;
        EXPECT_EQ(CTY_get("bad.cty", "KLNG", &d), 0);
        EXPECT_EQ(CTY_get("bad.cty", "A", &d), 0);
    }
}

TEST_F(CtyToolTest, GetByIdentifierNameOrNumber) {
    struct Case {
        const char* text;
        const char* id;  // "" when not found
    } cases[] = {
        {"KJFK", "KJFK"},   {"kjfk", "KJFK"},         {"denver", "KDEN"},
        {"Denver", "KDEN"}, {"72565", "KDEN"},        {"03772", "EGLL"},
        {"KCAS", "kcas"},   {"new_york/jfk", "KJFK"}, {"DENV", ""},
        {"99999", ""},      {"3772", ""},             {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CTY_data d = {};
        int rc = CTY_get("sao.cty", c.text, &d);
        EXPECT_EQ(rc, c.id[0] != '\0' ? 1 : 0);
        if (rc == 1) {
            EXPECT_STREQ(d.id, c.id);
        }
    }
    float lat = 1, lon = 2;
    EXPECT_EQ(CTY_get_loc("sao.cty", "EGLL", &lat, &lon), 1);
    EXPECT_FLOAT_EQ(lat, 51.48f);
    EXPECT_FLOAT_EQ(lon, -0.45f);
    lat = 1;
    lon = 2;
    EXPECT_EQ(CTY_get_loc("sao.cty", "XXXX", &lat, &lon), 0);
    EXPECT_FLOAT_EQ(lat, 1.0f);
    EXPECT_FLOAT_EQ(lon, 2.0f);
    CTY_data d;
    EXPECT_EQ(CTY_get("absent.cty", "KJFK", &d), 0);
}

TEST_F(CtyToolTest, GetClosesTheFileAndLeavesTheTable) {
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    CTY_data d;
    ASSERT_EQ(CTY_get("sao.cty", "EGLL", &d), 1);
    EXPECT_EQ(CTY_read(0, &d), -1);
    EXPECT_EQ(found_id("KJFK"), "KJFK");
}

TEST_F(CtyToolTest, Messages) {
    Capture out(1);
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    CTY_data d;
    CTY_get("sao.cty", "KDEN", &d);
    EXPECT_EQ(out.stop(),
              "Reading the city database file...\n"
              "Searching the city database file for: KDEN ...\n");
    MESS_set(-1, MESS_MESS);
    Capture quiet(1);
    CTY_get("sao.cty", "KDEN", &d);
    EXPECT_EQ(quiet.stop(), "");
}

// ---- Selection list ----

class DataCmpTest : public ::testing::Test {
   protected:
    CTY_data jfk = {"NEW_YORK/JFK", "NY", "US", "KJFK", 3, '*', '*', 40.64f, -73.78f, 4.0f,
                    74486, 0};
    CTY_data heathrow = {"LONDON/HEATHROW", "-", "GB", "EGLL", 1, ' ', ' ', 51.48f, -0.45f,
                         25.0f, 3772, 0};
    int cmp(std::vector<const char*> items, const CTY_data& city) {
        std::vector<char*> list;
        for (const char* i : items) list.push_back(const_cast<char*>(i));
        return CTY_data_cmp(static_cast<int>(list.size()), list.data(), &city);
    }
};

TEST_F(DataCmpTest, SingleItems) {
    struct Case {
        const char* item;
        bool jfk;
    } cases[] = {
        // whole item: identifier, WMO number, beginning of the name (more than 4 characters)
        {"KJFK", true}, {"kjfk", true}, {"74486", true}, {"NEW_Y", true}, {"new_york/jfk", true},
        {"NEW_", false}, {"KLGA", false}, {"7448", false}, {"YORK", false},
        // tests
        {"Name=new", true}, {"name=NEW_YORK/JFK", true}, {"Name=YORK", false},
        {"Name=NEW_YORK/JFK_AND_MORE", false},
        {"ST=NY", true}, {"st=ny", true}, {"ST=NY_US", true}, {"ST=ny_us", true},
        {"ST=NY_GB", false}, {"ST=CO", false}, {"ST=NYU", false},
        {"ST:NY", true}, {"ST:NY_US", true}, {"ST:CO", false}, {"ST", false},
        {"CN=US", true}, {"CN=us", true}, {"CN=GB", false}, {"CN:US", true}, {"CN", false},
        {"ID=KJFK", true}, {"ID=kjfk", true}, {"ID=KLGA", false},
        // 40.7N 73.9W is about 12 km from the station
        {"RA<40.7:-73.9:20", true}, {"RA<40.7:-73.9:5", false}, {"RA<40.7:-73.9", false},
        {"RA<x:-73.9:20", false},
        {"P=3", true}, {"P<3", true}, {"P>3", true}, {"P=2", false}, {"P<2", false},
        {"P>4", false}, {"P<abc", false},
        {"Lat=40.64", true}, {"Lat>40", true}, {"Lat<40", false}, {"LAT<41", true},
        {"Lon<-73", true}, {"Lon>-73", false}, {"Lon=-73.78", true},
        {"Elev>3", true}, {"Elev<3", false}, {"Elev=4", true},
        {"WMO=74486", true}, {"WMO=74487", false}, {"WMO<74486", true}, {"WMO>74487", false},
        {"WMO>70000", true},
        // all tests of an item must hold
        {"ST=NY:P<3", true}, {"ST=NY:P<2", false}, {"CN:US:ST:NY:ID=KJFK", true},
        {"CN=US:XYZ=1", false}, {"XYZ", false},
        // an item without tests holds
        {"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        EXPECT_EQ(cmp({c.item}, jfk), c.jfk ? 0 : -1);
    }
}

TEST_F(DataCmpTest, IndexOfTheFirstMatchingItem) {
    EXPECT_EQ(CTY_data_cmp(0, nullptr, &jfk), 1);
    EXPECT_EQ(cmp({"EGLL", "KJFK"}, jfk), 1);
    EXPECT_EQ(cmp({"EGLL", "KJFK"}, heathrow), 0);
    EXPECT_EQ(cmp({"KLGA", "CN=GB", "ST=NY", "KJFK"}, jfk), 2);
    EXPECT_EQ(cmp({"KLGA", "CN=DE"}, heathrow), -1);
    EXPECT_EQ(cmp({"03772"}, heathrow), 0);  // the number with its leading zero
    EXPECT_EQ(cmp({"ST=-_GB"}, heathrow), -1);
    EXPECT_EQ(cmp({"ST= -_GB"}, heathrow), 0);  // state "-" is written " -" in that form
}

}  // namespace
