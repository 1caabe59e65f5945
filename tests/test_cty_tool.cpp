// Station store and search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cty_tool.h"
#include "maptran.h"
#include "mess.h"
#include "resrc.h"
#include "testutil.h"
#include "tools.h"

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
        {"KJFK", "NEW_YORK/JFK"},  // identifier key, exact case
        {"kjfk", ""},
        {"kcas", "kcase"},
        {"KCAS", ""},
        {"74486", "NEW_YORK/JFK"},  // five digits: WMO key
        {"03772", "LONDON/HEATHROW"},
        {"3772", ""},
        {"K2503", "LA_GUARDIA"},  // prefixed identifier: through its WMO number
        {"EN384", "OSLO/GARDERMOEN"},
        {"EG772", "LONDON/HEATHROW"},
        {"b12345", "SHIP_WITH_B"},  // 'b' WMO key of region B_
        {"12345", ""},
        {"99999", ""},         // the missing number finds no station
        {"NEW_YORK/JFK", ""},  // names are not keys
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
    EXPECT_STREQ(d.state, "NY");
    EXPECT_EQ(d.mos, '*');
    EXPECT_FLOAT_EQ(d.lon, -73.78f);
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
        ASSERT_EQ(CTY_search("b12345", &loc), 1);  // the 'b' WMO key of region B_
        EXPECT_STREQ(loc.id, "SHPB");
        EXPECT_EQ(CTY_search("12345", &loc), 0);
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
        {"binary", std::string("\x7f"
                               "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0",
                               24)},
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

// The station a fresh reading of the file record by record gives for a search text: the first
// record of a whole station (nine fields or more) of priority at most prior whose key is the
// text. The store must answer the same, whatever the lines look like.
std::string first_station(const std::string& file, const std::string& text, int prior) {
    int wmo_sought = -1;
    bool by_wmo = false;
    std::string key = text;
    if ((text.size() == 5 && std::all_of(text.begin(), text.end(), ::isdigit)) ||
        (text.size() == 6 && text[0] == 'b')) {
        by_wmo = true;
    } else if (text.size() == 5 && isupper(static_cast<unsigned char>(text[0])) &&
               std::all_of(text.begin() + 2, text.end(), ::isdigit)) {
        by_wmo = true;
        id_to_wmo(text.c_str(), &wmo_sought);
        char k[16];
        snprintf(k, sizeof k, "%5.5d", wmo_sought);
        key = k;
    }
    CTY_data d;
    int fd = CTY_open(file.c_str(), 0, 0);
    std::string found;
    for (int n; found.empty() && (n = CTY_read(fd, &d)) > 0;) {
        if (n < 9 || d.prior > prior) continue;
        if (by_wmo) {
            if (d.wmo == 99999) continue;
            char k[16];
            snprintf(k, sizeof k, strcmp(d.region, "B_") == 0 ? "b%05d" : "%05d", d.wmo);
            if (key == k) found = std::string(d.name) + "|" + d.id;
        } else if (key == d.id) {
            found = std::string(d.name) + "|" + d.id;
        }
    }
    CTY_close(fd);
    return found;
}

// Lines of every shape the store has to read right: plain ones, names and identifiers that
// spill into the next field, numbers the plain reading does not take, missing fields, shared
// keys, "b" keys, NUL bytes and lines longer than a line is read.
TEST_F(CtyToolTest, StoreAnswersAsTheRecordsRead) {
    const char* names[] = {"NAME", "A_NAME_OF_TWENTY_CHR", "A_NAME_OF_TWENTY_ONE_", "N\tM"};
    const char* ids[] = {"KAAA", "KBBB", "kaaa", "K2201", "ABCDEFGHI", "ABCDEFGHIJ", "EN384"};
    const char* priors[] = {"3", "*3*", "9", "*", "x", "3*"};
    const char* numbers[] = {"40.5", "-73.25", "1e3", "1.5.5", "+2", "12345678", ".5", "abc",
                             "-"};
    const char* wmos[] = {"72201", "01384", "99999", "-12", "0", "123456789", "1234567890", "7x"};
    const char* regions[] = {"US", "B_", "USA"};
    unsigned seed = 7;
    auto pick = [&seed](auto& list) {
        seed = seed * 1103515245u + 12345u;
        return list[(seed >> 16) % std::size(list)];
    };
    std::vector<std::string> texts = {"KAAA", "KBBB", "kaaa", "ABCDEFGHI", "ABCDEFGHIJ",
                                      "K2201", "EN384", "72201", "01384", "99999", "b72201",
                                      "b01384", "b-0012", "-0012", "12345", "XXXX", "EN38",
                                      "A_NA", "b-0000", "b00000", "US", "Y"};
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        std::string file;
        for (int line = 0; line < 60; ++line) {
            std::string l = std::string(pick(names)) + "  NY " + pick(regions) + " " + pick(ids) +
                            " " + pick(priors) + "  " + pick(numbers) + " " + pick(numbers) + " " +
                            pick(numbers) + " " + pick(wmos) + " 0";
            if (line % 13 == 5) l += std::string(300, ' ') + "TAIL";
            if (line % 17 == 3) l[l.size() / 2] = '\0';
            if (line % 11 == 7) l = l.substr(0, l.size() / 2);
            // A name one character too long: read in full, the fields shift by one and still
            // make a whole station, of identifier US.
            if (line % 19 == 9) l = "A_NAME_OF_TWENTY_ONEX  NY US 5 40.5 -73.25 100 72201 0";
            file += l + "\n";
        }
        if (round % 2 == 1) file.pop_back();  // no newline after the last line
        write_file(dir.file("mix.cty"), file);
        const int prior = round % 3 == 0 ? 9 : 3;
        ASSERT_GT(CTY_store("mix.cty", 1, nullptr, prior), 0);
        // Identifiers first, then WMO keys, then identifiers again: the order in which the
        // store decodes its stations must not change an answer.
        for (int pass = 0; pass < 2; ++pass) {
            for (const std::string& t : texts) {
                SCOPED_TRACE(t);
                CTY_data d = {};
                std::string got =
                    CTY_search(t.c_str(), &d) == 1 ? std::string(d.name) + "|" + d.id : "";
                EXPECT_EQ(got, first_station(dir.file("mix.cty"), t, prior));
                EXPECT_EQ(CTY_search(t.c_str(), nullptr), got.empty() ? 0 : 1);
            }
        }
        CTY_reset();
    }
}

// More stations than the file's size suggests (very short lines): none is lost.
TEST_F(CtyToolTest, ManyShortLines) {
    std::string file;
    for (int i = 0; i < 3000; ++i) file += "N - U " + std::to_string(100000 + i) + " 1 1 1 1 " +
                                           std::to_string(10000 + i) + "\n";
    write_file(dir.file("short.cty"), file);
    ASSERT_GT(CTY_store("short.cty", 1, nullptr, 9), 0);
    for (int i = 0; i < 3000; i += 7) {
        SCOPED_TRACE(i);
        EXPECT_EQ(found_id(std::to_string(100000 + i).c_str()), std::to_string(100000 + i));
        EXPECT_EQ(found_id(std::to_string(10000 + i).c_str()), std::to_string(100000 + i));
    }
}

// Each store type hands out its own record kind; a destination of the other kind is never
// written.
TEST_F(CtyToolTest, RecordKindOfTheStoreType) {
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    CTY_locate loc = {};
    loc.wmo = 42;
    EXPECT_EQ(CTY_search("KDEN", &loc), 0);
    EXPECT_EQ(loc.wmo, 42);
    EXPECT_EQ(CTY_search("KDEN", nullptr), 1);
    ASSERT_GT(CTY_store("sao.cty", 2, nullptr, 9), 0);
    CTY_data d = {};
    d.wmo = 42;
    EXPECT_EQ(CTY_search("KDEN", &d), 0);
    EXPECT_EQ(d.wmo, 42);
    EXPECT_EQ(CTY_search("KDEN", nullptr), 1);
    EXPECT_EQ(CTY_search("KDEN", &loc), 1);
    EXPECT_EQ(loc.wmo, 72565);
}

// Random bytes and random pieces of lines and selection items: whatever comes, the store, the
// searches and the selection give an answer (the sanitizer builds watch every access).
TEST_F(CtyToolTest, RandomInputNeverBreaks) {
    const char* pieces[] = {"KJFK",  "*3*", "9999", "-",    "B_",
                            "b",     "nan", "1e40", "-0",   "ST",
                            "ST=",   "RA<", "P<",   ":",    ",",
                            "\t",    "\n",  "\0",   "\xff", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                            "12345", "+",   " "};
    unsigned seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    CTY_data city = {"NAME", "NY", "US", "KJFK", 3, ' ', ' ', 40, -73, 4, 74486, 0};
    for (int round = 0; round < 200; ++round) {
        std::string text, item;
        for (int i = next() % 400; i > 0; --i) {
            const char* p = pieces[next() % std::size(pieces)];
            text += round % 2 ? std::string(1, static_cast<char>(next()))
                              : std::string(p, p[0] ? strlen(p) : 1);
            if (i % 8 == 0) item += p[0] != '\0' ? p : ":";
        }
        write_file(dir.file("rnd.cty"), text);
        ASSERT_GT(CTY_store("rnd.cty", 1 + round % 3, nullptr, 9), 0);
        CTY_data d;
        for (const char* id : {"KJFK", "12345", "b12345", "K2201", "", "ABCDEFGHIJKLMNOPQRST"}) {
            int found = CTY_search(id, &d);
            EXPECT_TRUE(found == 0 || found == 1);
        }
        int got = CTY_get("rnd.cty", "KJFK", &d);
        EXPECT_TRUE(got == 0 ||
                    (got == 1 && (strcmp(d.id, "KJFK") == 0 || strcmp(d.name, "KJFK") == 0)));
        char* items[] = {item.data(), text.data()};
        int rc = CTY_data_cmp(2, items, &city);
        EXPECT_TRUE(rc >= -1 && rc <= 1) << rc;
    }
}

TEST_F(CtyToolTest, GetByIdentifierNameOrNumber) {
    struct Case {
        const char* text;
        const char* id;  // "" when not found
    } cases[] = {
        {"KJFK", "KJFK"},  {"kjfk", "KJFK"},  {"denver", "KDEN"}, {"Denver", "KDEN"},
        {"72565", "KDEN"}, {"03772", "EGLL"}, {"KCAS", "kcas"},   {"new_york/jfk", "KJFK"},
        {"DENV", ""},      {"99999", ""},     {"3772", ""},       {"", ""},
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
    Capture err(2);
    EXPECT_EQ(CTY_get("absent.cty", "KJFK", &d), 0);
    EXPECT_NE(err.stop().find("absent.cty"), std::string::npos);
}

TEST_F(CtyToolTest, GetClosesTheFileAndLeavesTheTable) {
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    CTY_data d;
    ASSERT_EQ(CTY_get("sao.cty", "EGLL", &d), 1);
    EXPECT_EQ(CTY_read(0, &d), -1);
    EXPECT_EQ(found_id("KJFK"), "KJFK");
}

// Asked again, CTY_get answers as the file reads now: the same while the file stays, the new
// text once it is replaced; every question is announced.
TEST_F(CtyToolTest, GetAnswersFromTheFileAsItIsNow) {
    CTY_data d;
    Capture out(1);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(CTY_get("sao.cty", "KDEN", &d), 1);
        EXPECT_STREQ(d.name, "DENVER");
        EXPECT_EQ(CTY_get("sao.cty", "KXXX", &d), 0);
        EXPECT_STREQ(d.id, "");  // a miss leaves the record cleared
        EXPECT_EQ(d.wmo, 99999);
    }
    EXPECT_EQ(out.stop(),
              "Searching the city database file for: KDEN ...\n"
              "Searching the city database file for: KXXX ...\n"
              "Searching the city database file for: KDEN ...\n"
              "Searching the city database file for: KXXX ...\n");
    write_file(dir.file("sao.cty"),
               "DENVER_NEW           CO US KDEN 2    39.85 -104.66 1655 72565 0\n"
               "NOW_HERE             CO US KXXX 2    39.00 -104.00 1600 72566 0\n");
    ASSERT_EQ(CTY_get("sao.cty", "KDEN", &d), 1);
    EXPECT_STREQ(d.name, "DENVER_NEW");
    ASSERT_EQ(CTY_get("sao.cty", "KXXX", &d), 1);
    EXPECT_STREQ(d.name, "NOW_HERE");
    CTY_reset();
    ASSERT_EQ(CTY_get("sao.cty", "kden", &d), 1);  // any case, as before
    EXPECT_STREQ(d.name, "DENVER_NEW");
    // Rewritten within its time stamp (a coarse clock), the file is known by its new size.
    const auto stamp = std::filesystem::last_write_time(dir.file("sao.cty"));
    write_file(dir.file("sao.cty"), "DENVER_AGAIN         CO US KDEN 2    39.85 -104.66 1655 72565 0\n");
    std::filesystem::last_write_time(dir.file("sao.cty"), stamp);
    ASSERT_EQ(CTY_get("sao.cty", "kden", &d), 1);
    EXPECT_STREQ(d.name, "DENVER_AGAIN");
}

TEST_F(CtyToolTest, Messages) {
    Capture out(1);
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 9), 0);
    CTY_data d;
    CTY_get("sao.cty", "KDEN", &d);
    EXPECT_EQ(out.stop(),
              "Reading the city database file...\n"
              "Searching the city database file for: KDEN ...\n");
    MESS_set(MESS_REMOVE, MESS_MESS);
    Capture quiet(1);
    CTY_get("sao.cty", "KDEN", &d);
    EXPECT_EQ(quiet.stop(), "");
}

// ---- Selection list ----

class DataCmpTest : public ::testing::Test {
   protected:
    CTY_data jfk = {"NEW_YORK/JFK", "NY",    "US", "KJFK", 3, '*', '*',
                    40.64f,         -73.78f, 4.0f, 74486,  0};
    CTY_data heathrow = {
        "LONDON/HEATHROW", "-", "GB", "EGLL", 1, ' ', ' ', 51.48f, -0.45f, 25.0f, 3772, 0};
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
        {"KJFK", true},
        {"kjfk", true},
        {"74486", true},
        {"NEW_Y", true},
        {"new_york/jfk", true},
        {"NEW_", false},
        {"KLGA", false},
        {"7448", false},
        {"YORK", false},
        // tests
        {"Name=new", true},
        {"Name=YORK", false},
        {"Name=NEW_YORK/JFK_AND_MORE", false},
        {"ST=NY", true},
        {"st=ny", true},
        {"ST=NY_US", true},
        {"ST=NY_GB", false},
        {"ST=CO", false},
        {"ST=NYU", false},
        {"ST:NY", true},
        {"ST:NY_US", true},
        {"ST:CO", false},
        {"ST", false},
        {"CN=US", true},
        {"CN=us", true},
        {"CN=GB", false},
        {"CN:US", true},
        {"CN", false},
        {"ID=KJFK", true},
        {"ID=KLGA", false},
        // 40.7N 73.9W is about 12 km from the station
        {"RA<40.7:-73.9:20", true},
        {"RA<40.7:-73.9:5", false},
        {"RA<40.7:-73.9", false},
        {"RA<x:-73.9:20", false},
        {"P=3", true},
        {"P<3", true},
        {"P>3", true},
        {"P<2", false},
        {"P>4", false},
        {"P<abc", false},
        {"Lat=40.64", true},
        {"Lat>40", true},
        {"Lat<40", false},
        {"LAT<41", true},
        {"Lon<-73", true},
        {"Lon=-73.78", true},
        {"Elev>3", true},
        {"Elev<3", false},
        {"Elev=4", true},
        {"WMO=74486", true},
        {"WMO=74487", false},
        {"WMO<74486", true},
        {"WMO>74487", false},
        // all tests of an item must hold
        {"ST=NY:P<3", true},
        {"ST=NY:P<2", false},
        {"CN:US:ST:NY:ID=KJFK", true},
        {"CN=US:XYZ=1", false},
        {"XYZ", false},
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

// ---- The shipped database ----

class ShippedDatabaseTest : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        MESS_set(MESS_REMOVE, MESS_MESS);
        RES_reset();
        CTY_reset();
        RES_new(RES_UNLISTED, "file_path", TAFCVT_SOURCE_DIR "/data", CV_none);
    }
    void TearDown() override {
        CTY_reset();
        RES_reset();
    }
    static constexpr const char* PATH = TAFCVT_SOURCE_DIR "/data/sao.cty";

    // Every record of the file, read line by line.
    static std::vector<CTY_data> read_all() {
        std::vector<CTY_data> all;
        if (CTY_open(PATH, 0, 0) < 0) return all;
        CTY_data d;
        int n;
        while ((n = CTY_read(0, &d)) > 0) {
            EXPECT_EQ(n, 10) << "record " << all.size() + 1;
            all.push_back(d);
        }
        CTY_close(0);
        return all;
    }
};

bool is_code(const char* s) {
    return strlen(s) == 2 && isupper(static_cast<unsigned char>(s[0])) &&
           isupper(static_cast<unsigned char>(s[1]));
}

TEST_F(ShippedDatabaseTest, EveryLineIsACompleteStation) {
    std::vector<CTY_data> all = read_all();
    ASSERT_GT(all.size(), 5000u);
    for (const CTY_data& d : all) {
        SCOPED_TRACE(d.id);
        EXPECT_GT(strlen(d.name), 0u);
        for (const char* p = d.name; *p != '\0'; ++p) EXPECT_FALSE(islower(*p)) << d.name;
        EXPECT_TRUE(strcmp(d.state, "-") == 0 || is_code(d.state)) << d.state;
        EXPECT_TRUE(is_code(d.region)) << d.region;
        EXPECT_LE(d.prior, 7);
        EXPECT_TRUE(d.lat >= -90 && d.lat <= 90 && d.lon >= -180 && d.lon <= 180);
        EXPECT_FLOAT_EQ(d.el, -9999.0f);
        EXPECT_EQ(d.wmo, 99999);
        if (strcmp(d.region, "US") != 0 && strcmp(d.region, "CA") != 0) {
            EXPECT_STREQ(d.state, "-");
        }
    }
}

TEST_F(ShippedDatabaseTest, WellKnownAirports) {
    ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 7), 0);
    struct Case {
        const char* id;
        const char* state;
        const char* region;
        float lat, lon;
    } cases[] = {
        {"KJFK", "NY", "US", 40.64f, -73.78f},  {"KIND", "IN", "US", 39.72f, -86.29f},
        {"PHNL", "HI", "US", 21.32f, -157.92f}, {"CYVR", "BC", "CA", 49.19f, -123.18f},
        {"CYUL", "QC", "CA", 45.47f, -73.74f},  {"EGLL", "-", "GB", 51.47f, -0.46f},
        {"LFPG", "-", "FR", 49.01f, 2.55f},     {"YSSY", "-", "AU", -33.95f, 151.18f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        CTY_data d = {};
        ASSERT_EQ(CTY_search(c.id, &d), 1);
        EXPECT_STREQ(d.state, c.state);
        EXPECT_STREQ(d.region, c.region);
        EXPECT_NEAR(d.lat, c.lat, 0.05f);
        EXPECT_NEAR(d.lon, c.lon, 0.05f);
    }
}

// Loading the whole database into the table and finding every identifier once, against
// reading the same file line by line without storing it. The figures are printed; the test
// itself checks that every station is found as itself.
TEST_F(ShippedDatabaseTest, LoadAndSearchEveryIdentifier) {
    std::vector<CTY_data> all = read_all();
    ASSERT_FALSE(all.empty());
    constexpr int ROUNDS = 15;
    auto best_of = [](auto run) {
        double best = 1e9;
        for (int i = 0; i < ROUNDS; ++i) {
            auto t0 = std::chrono::steady_clock::now();
            run();
            std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - t0;
            best = std::min(best, ms.count());
        }
        return best;
    };
    size_t lines = 0, records = 0, found = 0, same = 0;
    double raw = best_of([&] {
        FILE* f = fopen(PATH, "r");
        ASSERT_NE(f, nullptr);
        char line[256];
        for (lines = 0; fgets(line, sizeof line, f) != nullptr;) ++lines;
        fclose(f);
    });
    double read = best_of([&] {
        ASSERT_GE(CTY_open(PATH, 0, 0), 0);
        CTY_data d;
        for (records = 0; CTY_read(0, &d) > 0;) ++records;
        CTY_close(0);
    });
    double stored = best_of([&] {
        ASSERT_GT(CTY_store("sao.cty", 1, nullptr, 7), 0);
        found = same = 0;
        for (const CTY_data& c : all) {
            CTY_data d;
            found += CTY_search(c.id, &d);
            same += strcmp(d.name, c.name) == 0;
        }
        CTY_reset();
    });
    EXPECT_EQ(lines, all.size());
    EXPECT_EQ(records, all.size());
    EXPECT_EQ(found, all.size());
    EXPECT_EQ(same, all.size());  // identifiers are unique in the shipped file
    printf(
        "%zu stations: plain line read %.3f ms, record read %.3f ms, "
        "store + search all %.3f ms (%.2f x line read, %.2f x record read)\n",
        all.size(), raw, read, stored, stored / raw, stored / read);
}

}  // namespace
