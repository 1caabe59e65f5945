// Station identifier conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tools.h"

namespace {

std::string id_of(int wmo) {
    char id[WMO_ID_SIZE];
    wmo_to_id(id, wmo);
    return id;
}

TEST(WmoToId, PrefixesOfTheRangeTable) {
    struct Case {
        int wmo;
        const char* id;
    } cases[] = {
        {72201, "K2201"},
        {74494, "K4494"},
        {1384, "EN384"},
        {3772, "EG772"},
        {70273, "PA273"},
        {47662, "RJ662"},
        {91285, "PH285"},
        // one-character prefixes keep four digits
        {25000, "U5000"},
        {35000, "X5000"},
        {55000, "Z5000"},
        {94767, "Y4767"},
        // range ends
        {63979, "HK979"},
        {63985, "FS985"},
        {40350, "OE350"},
        {41000, "OE000"},
        {41179, "OE179"},
        {91700, "N1700"},
        {98999, "RP999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wmo);
        EXPECT_EQ(id_of(c.wmo), c.id);
    }
}

TEST(WmoToId, NumbersWithoutPrefixKeepFiveDigits) {
    struct Case {
        int wmo;
        const char* id;
    } cases[] = {
        {89001, "89001"}, {99999, "99999"}, {500, "00500"}, {67754, "67754"},
        {0, "00000"},     {73500, "73500"}, {-5, "-00005"}, {123456, "123456"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wmo);
        EXPECT_EQ(id_of(c.wmo), c.id);
    }
}

TEST(WmoToId, ShortBufferIsCutNotOverrun) {
    char id[4] = {'x', 'x', 'x', 'x'};
    wmo_to_id(id, sizeof id, 72201);
    EXPECT_STREQ(id, "K22");
    char wide[WMO_ID_SIZE];
    wmo_to_id(wide, -2147483647 - 1);
    EXPECT_STREQ(wide, "-2147483648");
}

TEST(IdToWmo, PrefixedIdentifiers) {
    struct Case {
        const char* id;
        int wmo;
    } cases[] = {
        {"K2201", 72201},
        {"EN384", 1384},
        {"X5000", 35000},
        {"Z5000", 55000},
        {"DR050", 61050},
        {"OE400", 40400},
        {"OE100", 41100},
        {"OE300", 40300},
        {"ZM123", 44123},
        {"ZK050", 47050},
        {"Y4767", 94767},
        {"U0001", 20001},
        // a pair outside the table gives the three digits alone
        {"QQ123", 123},
        {"ZQ123", 123},
        {"UA123", 123},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        int wmo = -1;
        EXPECT_EQ(id_to_wmo(c.id, &wmo), 0);
        EXPECT_EQ(wmo, c.wmo);
    }
}

TEST(IdToWmo, OtherTextsAreRefused) {
    struct Case {
        const char* id;
        int wmo;
    } cases[] = {
        {"72201", 72201}, {"00500", 500},   {"KJFK", 99999},   {"", 99999},
        {"K22O1", 99999}, {"1K201", 99999}, {"K22011", 99999}, {"K2-01", 99999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        int wmo = -1;
        EXPECT_EQ(id_to_wmo(c.id, &wmo), -1);
        EXPECT_EQ(wmo, c.wmo);
    }
    int wmo = -1;
    EXPECT_EQ(id_to_wmo(nullptr, &wmo), -1);
    EXPECT_EQ(wmo, 99999);
    EXPECT_EQ(id_to_wmo("K2201", nullptr), -1);
}

TEST(IdToWmo, EveryFormedIdentifierGivesItsNumberBack) {
    int prefixed = 0;
    for (int wmo = 0; wmo <= 99999; ++wmo) {
        std::string id = id_of(wmo);
        int back = -1;
        int rc = id_to_wmo(id.c_str(), &back);
        if (id[0] >= 'A' && id[0] <= 'Z') {
            ++prefixed;
            ASSERT_EQ(rc, 0) << id;
            ASSERT_EQ(back, wmo) << id;
        } else {
            ASSERT_EQ(rc, -1) << id;
            ASSERT_EQ(back, wmo) << id;
        }
    }
    EXPECT_GT(prefixed, 60000);  // the one-character ranges alone hold 42000 numbers
}

}  // namespace
