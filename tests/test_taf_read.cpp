// The fast group readers against the pattern scanner with the patterns they stand for: the
// same result, state and stored values on texts of every shape; and the tests that pass a
// group kind over true wherever one of its patterns matches in full.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mess.h"
#include "scanp.h"
#include "taf_read.h"

namespace {

constexpr int SENTINEL = 777;
constexpr size_t TEXT_DEST = 8;  // the decoder's unit and cover buffers
constexpr int ROUNDS = 20000;

// Texts made of the pieces groups are made of, glued at random, cut at random.
class Texts {
   public:
    explicit Texts(unsigned seed) : random_(seed) {}
    std::string next() {
        static const char* const pieces[] = {
            "FEW", "SCT", "BKN", "OVC", "FE",   "030", "///", "//",  "0",    "1",  "12",
            "123", "-",   "-1",  "/",   "G",    "KT",  "KTS", "MPS", "KMH",  "K",  "M",
            "SM",  "NM",  "N",   "S",   "T",    "TX",  "TN",  "XX",  "X",    "R",  "P",
            " ",   "  ",  "\t",  "\n",  "\r",   "\v",  "=",   "CB",  "SKC",  "VV", "FM",
            "PROB", "TEMPO", "BECMG", "QNH", "+",   "SHRA", "999", "9999", "27015", "1/2",
            "Z",    "UTC",   "U",     "CLR", "NSC", "INTER", "P6",  "KJFK", "081130", "FM0812",
            "1",    "M1/4",  "P6SM",  "20",  "TEMP", "VRB", "V"};
        std::string t;
        for (int n = static_cast<int>(random_() % 7); n >= 0; --n)
            t += pieces[random_() % (sizeof pieces / sizeof pieces[0])];
        if (random_() % 4 == 0) t.resize(random_() % (t.size() + 1));
        return t;
    }
    int offset(const std::string& t) {
        return random_() % 3 == 0 ? static_cast<int>(random_() % (t.size() + 2)) : 0;
    }

   private:
    std::mt19937 random_;
};

// Destinations of one reading: four ints and one text, all set apart before it.
struct Dests {
    int i[4] = {SENTINEL, SENTINEL, SENTINEL, SENTINEL};
    char text[TEXT_DEST] = "zzzzzzz";
    scan_buf buf() { return scan_buf{text, sizeof text}; }
};

void expect_same(const parse_param& a, const parse_param& b, int ra, int rb, const Dests& da,
                 const Dests& db) {
    EXPECT_EQ(ra, rb);
    EXPECT_EQ(a.len, b.len);
    EXPECT_EQ(a.matched, b.matched);
    EXPECT_EQ(a.assigned, b.assigned);
    EXPECT_EQ(a.done, b.done);
    EXPECT_EQ(a.off, b.off);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(da.i[k], db.i[k]) << k;
    EXPECT_EQ(std::string(da.text, sizeof da.text), std::string(db.text, sizeof db.text));
}

// Runs reader and scan on the same text at the same position and compares all they leave.
template <class Reader, class Scan>
void compare(const std::string& t, int off, Reader reader, Scan scan) {
    SCOPED_TRACE("\"" + t + "\" at " + std::to_string(off));
    parse_param a{}, b{};
    scanp_set(&a, t.c_str());
    scanp_set(&b, t.c_str());
    a.off = b.off = off;
    Dests da, db;
    int ra = reader(&a, da);
    int rb = scan(&b, db);
    expect_same(a, b, ra, rb, da, db);
}

class TafRead : public ::testing::Test {
   protected:
    void SetUp() override { MESS_reset(); }
    // The texts every reader is compared on: the pieces at random, and groups as written.
    template <class Reader, class Scan>
    void compare_all(const std::vector<std::string>& written, Reader reader, Scan scan) {
        for (const std::string& t : written) compare(t, 0, reader, scan);
        Texts texts(20241209u);
        for (int round = 0; round < ROUNDS; ++round) {
            std::string t = texts.next();
            compare(t, texts.offset(t), reader, scan);
        }
    }
};

TEST_F(TafRead, CloudLayer) {
    compare_all(
        {"BKN030 ", "BKN030", "OVC///", "SCT-12 X", "FEW03", "FEW0300", "BKN//", "FEW 030",
         "BKN030CB ", "SCT0030", ""},
        [](parse_param* p, Dests& d) { return TAF_read_layer(p, d.buf(), &d.i[0]); },
        [](parse_param* p, Dests& d) {
            return scanp_runtime(p, "%(FEW|SCT|BKN|OVC)%3!///!d ", d.buf(), &d.i[0]);
        });
}

TEST_F(TafRead, DatedPeriod) {
    compare_all({"0912/1012 ", "0912/1012", "0912/101", "-112/1012 ", "09-1/1012", "0912 1012",
                 "09121012", "0912/10120"},
                [](parse_param* p, Dests& d) {
                    return TAF_read_dated_period(p, &d.i[0], &d.i[1], &d.i[2], &d.i[3]);
                },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%2d%2d/%2d%2d ", &d.i[0], &d.i[1], &d.i[2], &d.i[3]);
                });
}

TEST_F(TafRead, Wind) {
    compare_all({"18010KT ", "18010KTS", "18010MPS ", "18010", "18010 ", "1801KT", "-1010KT",
                 "18010G20KT", "18010KMHX"},
                [](parse_param* p, Dests& d) {
                    return TAF_read_wind(p, &d.i[0], &d.i[1], d.buf());
                },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%3d%2d%!!(KTS|KT|MPS|KMH) ", &d.i[0], &d.i[1],
                                         d.buf());
                });
}

TEST_F(TafRead, GustingWind) {
    compare_all({"18010G20KT ", "18010/20", "18010G2KT", "18010G200KT", "18010X20KT",
                 "18010G20KTS ", "18010G-1MPS"},
                [](parse_param* p, Dests& d) {
                    return TAF_read_gusting_wind(p, &d.i[0], &d.i[1], &d.i[2], d.buf());
                },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", &d.i[0],
                                         &d.i[1], &d.i[2], d.buf());
                });
}

TEST_F(TafRead, OlderTimesAndVariableWind) {
    const std::vector<std::string> written = {"1218 ", "121212 ", "1218", "12181", "-118 ",
                                              "FM1800 ", "FM180 ", "FM18000", "VRB05KT ",
                                              "VRB05", "VRB5KT", "VRB05KTS ", "VRB-5MPS "};
    compare_all(written,
                [](parse_param* p, Dests& d) { return TAF_read_hours(p, &d.i[0], &d.i[1]); },
                [](parse_param* p, Dests& d) { return scanp_runtime(p, "%2d%2d ", &d.i[0], &d.i[1]); });
    compare_all(written,
                [](parse_param* p, Dests& d) {
                    return TAF_read_day_hours(p, &d.i[0], &d.i[1], &d.i[2]);
                },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%2d%2d%2d ", &d.i[0], &d.i[1], &d.i[2]);
                });
    compare_all(written,
                [](parse_param* p, Dests& d) { return TAF_read_from_time(p, &d.i[0], &d.i[1]); },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%*(FM)%2d%2d ", &d.i[0], &d.i[1]);
                });
    compare_all(written,
                [](parse_param* p, Dests& d) {
                    return TAF_read_variable_wind(p, &d.i[0], d.buf());
                },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%*(VRB)%2d%!!(KTS|KT|MPS|KMH) ", &d.i[0], d.buf());
                });
}

TEST_F(TafRead, Metres) {
    compare_all({"9999 ", "9999", "0800 X", "080", "08000", "-800 "},
                [](parse_param* p, Dests& d) { return TAF_read_metres(p, &d.i[0]); },
                [](parse_param* p, Dests& d) { return scanp_runtime(p, "%4d ", &d.i[0]); });
}

TEST_F(TafRead, FixedWords) {
    struct Word {
        const char* word;
        const char* other;
        const char* pattern;
    } words[] = {{"TEMPO", "", "%*(TEMPO) "}, {"SKC", "CLR", "%*(SKC|CLR) "},
                 {"NSC", "", "%*(NSC) "},     {"INTER", "", "%*(INTER) "}};
    for (const Word& w : words) {
        SCOPED_TRACE(w.pattern);
        compare_all({"TEMPO ", "TEMPO", "TEMPOS ", "TEMP", "CLR\n", "SKC", "SKCLR ", " TEMPO",
                     "NSC=", "INTER  X"},
                    [&](parse_param* p, Dests&) { return TAF_read_word(p, w.word, w.other); },
                    [&](parse_param* p, Dests&) { return scanp_runtime(p, w.pattern); });
    }
}

TEST_F(TafRead, StationAndTimes) {
    compare_all({"KJFK ", "KJFK", "KJF ", "KJFKX ", "K\tJFK", "TAF\n"},
                [](parse_param* p, Dests& d) { return TAF_read_station(p, d.buf()); },
                [](parse_param* p, Dests& d) { return scanp_runtime(p, "%4s ", d.buf()); });
    compare_all({"081130Z ", "081130UTC", "081130", "081130 ", "0811-1Z ", "081130ZZ", "08113Z"},
                [](parse_param* p, Dests& d) {
                    return TAF_read_issue_time(p, &d.i[0], &d.i[1], &d.i[2]);
                },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%2d%2d%2d%*(Z|UTC) ", &d.i[0], &d.i[1], &d.i[2]);
                });
    compare_all({"FM081200 ", "FM081200", "FM0812 ", "FM08120", "FM-81200 ", "FM0812000"},
                [](parse_param* p, Dests& d) { return TAF_read_from(p, &d.i[0], &d.i[1], &d.i[2]); },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%*(FM)%2d%2d%2d ", &d.i[0], &d.i[1], &d.i[2]);
                });
    compare_all({"PROB30 ", "PROB30", "PROB3 ", "PROB300 ", "PROB-3 "},
                [](parse_param* p, Dests& d) { return TAF_read_prob(p, &d.i[0]); },
                [](parse_param* p, Dests& d) { return scanp_runtime(p, "%*(PROB)%2d ", &d.i[0]); });
}

TEST_F(TafRead, Miles) {
    const std::vector<std::string> written = {"6SM ",   "M6SM",  "P6SM ", "10SM",  "100NM ",
                                              "1000SM", "-1SM",  "-SM",   "M-12SM", "1/2SM ",
                                              "M1/4SM", "1/16SM", "1/SM", "11/2SM", "P-1SM"};
    compare_all(written,
                [](parse_param* p, Dests& d) { return TAF_read_whole_miles(p, &d.i[0], d.buf()); },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%*(M|)%<3d%(SM|NM) ", &d.i[0], d.buf());
                });
    compare_all(written,
                [](parse_param* p, Dests& d) {
                    return TAF_read_fraction_miles(p, &d.i[0], &d.i[1], d.buf());
                },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%*(M|)%1d/%<2d%(SM|NM) ", &d.i[0], &d.i[1], d.buf());
                });
    compare_all(written,
                [](parse_param* p, Dests& d) { return TAF_read_more_miles(p, &d.i[0], d.buf()); },
                [](parse_param* p, Dests& d) {
                    return scanp_runtime(p, "%*(P)%<3d%(SM|NM) ", &d.i[0], d.buf());
                });
}

// The word readers give what their patterns give, at any position.
TEST_F(TafRead, WeatherRunAndWord) {
    Texts texts(7u);
    for (int round = 0; round < ROUNDS; ++round) {
        std::string t = texts.next();
        SCOPED_TRACE("\"" + t + "\"");
        char group[200], scanned[200] = "";
        parse_param p{};
        scanp_set(&p, t.c_str());
        int n = TAF_weather_run(t.c_str(), scan_buf{group, sizeof group});
        int r = scanp_runtime(&p, "%[/A-+] ", scan_buf{scanned, sizeof scanned});
        EXPECT_EQ(n > 0, r == 1);
        if (r == 1) {
            EXPECT_EQ(n, p.len);
            EXPECT_STREQ(group, scanned);
        }
        char word[200], scanned_word[200] = "";
        n = TAF_next_word(t.c_str(), scan_buf{word, sizeof word});
        r = scanp_runtime(&p, "%s ", scan_buf{scanned_word, sizeof scanned_word});
        EXPECT_EQ(n > 0, r == 1);
        if (r == 1) {
            EXPECT_EQ(n, p.len);
            EXPECT_STREQ(word, scanned_word);
        }
    }
    // A word is read up to 80 characters, a run to 999, and the blanks behind are taken.
    std::string longword(100, 'A');
    char word[200];
    EXPECT_EQ(TAF_next_word(longword.c_str(), scan_buf{word, sizeof word}), 80);
    EXPECT_EQ(TAF_next_word("RMK \t\nX", scan_buf{word, sizeof word}), 6);
    EXPECT_EQ(TAF_next_word("RMK\vX", scan_buf{word, sizeof word}), 3);
    std::string longrun(1200, 'R');
    EXPECT_EQ(TAF_weather_run(longrun.c_str(), scan_buf{word, sizeof word}), 999);
    EXPECT_EQ(strlen(word), 199u);
}

// The end of the weather section is exactly what its five patterns find.
TEST_F(TafRead, WeatherEnds) {
    Texts texts(11u);
    for (int round = 0; round < ROUNDS; ++round) {
        std::string t = texts.next();
        SCOPED_TRACE("\"" + t + "\"");
        parse_param p{};
        scanp_set(&p, t.c_str());
        int number = 0;
        bool scanned = scanp(&p, "%*(M)%d ", &number) == 2 || scanp(&p, "%*(R)%d ", &number) == 2 ||
                       scanp(&p, "%*(SKC|CLR|FEW|SCT|-SCT|BKN|-BKN|OVC|-OVC|VV)") == 1 ||
                       scanp(&p, "%*(FM|TEMPO|BECMG|QNH)") == 1 || scanp(&p, "%*(PROB)") == 1;
        EXPECT_EQ(TAF_weather_ends(t.c_str()), scanned);
    }
}

// Wherever a pattern of the kind matches in full, the kind is not passed over.
TEST_F(TafRead, PassingOverNeverLosesAGroup) {
    const char* const miles[] = {"%*(M|)%<3d%(SM|NM) ", "%*(M|)%1d/%<2d%(SM|NM) ",
                                 "%*(M|)%1d%1d/%1d%(SM|NM) ", "%*(M|)%1d %1d/%<2d%(SM|NM) "};
    const char* const bare_miles[] = {"%*(M|)%1d/%<2d ", "%*(M|)%1d%1d/%1d ",
                                      "%*(M|)%1d %1d/%<2d "};
    Texts texts(13u);
    for (int round = 0; round < 5 * ROUNDS; ++round) {
        std::string t = texts.next();
        SCOPED_TRACE("\"" + t + "\"");
        parse_param p{};
        scanp_set(&p, t.c_str());
        int a = 0, b = 0, c = 0;
        char unit[TEXT_DEST], sign_t[4], sign_h[4];
        bool any = scanp_runtime(&p, miles[0], &a, scan_buf{unit, sizeof unit}) == 3 ||
                   scanp_runtime(&p, miles[1], &a, &b, scan_buf{unit, sizeof unit}) == 4 ||
                   scanp_runtime(&p, miles[2], &a, &b, &c, scan_buf{unit, sizeof unit}) == 5 ||
                   scanp_runtime(&p, miles[3], &a, &b, &c, scan_buf{unit, sizeof unit}) == 5 ||
                   scanp_runtime(&p, bare_miles[0], &a, &b) == 3 ||
                   scanp_runtime(&p, bare_miles[1], &a, &b, &c) == 4 ||
                   scanp_runtime(&p, bare_miles[2], &a, &b, &c) == 4;
        if (any) {
            EXPECT_TRUE(TAF_may_be_miles(t.c_str()));
        }
        std::string tt = "T" + t;
        scanp_set(&p, tt.c_str());
        if (scanp(&p, "T%!!(M)%<3!XX!d/%!!(M)%<3!XX!d%*!!(Z) ", sign_t, &a, sign_h, &b) == 5) {
            EXPECT_TRUE(TAF_may_be_hour_temperature(tt.c_str()));
        }
    }
    for (const char* t : {"1/2SM", "M1/4SM", "6SM", "3NM", "1 1/2SM", "1 1/2", "11/2 "})
        EXPECT_TRUE(TAF_may_be_miles(t)) << t;
    for (const char* t : {"9999", "P6SM", "6S M", "1 1 /2"})
        EXPECT_EQ(TAF_may_be_miles(t), t[0] == 'P') << t;
    for (const char* t : {"T15/12Z", "TM05/12Z", "TXX/12Z", "T-5/12Z"})
        EXPECT_TRUE(TAF_may_be_hour_temperature(t)) << t;
    for (const char* t : {"TX15/1111Z", "TN13/1204Z", "TXM02/0709Z", "T", ""})
        EXPECT_FALSE(TAF_may_be_hour_temperature(t)) << t;
}

}  // namespace
