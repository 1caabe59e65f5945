// Files: path utilities, name conventions, and the choice and sequencing of input files.
#include <gtest/gtest.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "date.h"
#include "files.h"
#include "flag.h"
#include "mess.h"
#include "resrc.h"
#include "system.h"
#include "testutil.h"

using testutil::Capture;
using testutil::TempDir;
using testutil::write_file;

namespace {

Date make_date(int year, int month, int day, int hour, int min) {
    return Date{year, month, day, DATE_MISSING, DATE_MISSING, hour, min, 0};
}

constexpr Date NO_DATE = {DATE_MISSING, DATE_MISSING, DATE_MISSING, DATE_MISSING,
                          DATE_MISSING, DATE_MISSING, DATE_MISSING, 0};

bool is_dir(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

int load_type(std::string type) { return FILE_set_name(type.data()); }

// The name a template gives for a date.
std::string build(const std::string& tmpl, Date date) {
    load_type("@" + tmpl);
    char out[FILE_NAME_MAX];
    FILE_set_date(&date, out);
    return out;
}

std::string set_file(const std::string& name) {
    char out[FILE_NAME_MAX];
    FILE_set_file(name.c_str(), out);
    return out;
}

std::string current(const char* text) {
    char out[FILE_NAME_MAX];
    FILE_set_current(text, out);
    return out;
}

class FilesTest : public ::testing::Test {
   protected:
    void SetUp() override {
        FILE_reset();
        RES_reset();
        MESS_reset();
        FLAG_reset(0);
        umask(022);
        setenv("joxcurtime", "202403051437", 1);  // "now" is 2024-03-05 14:37
    }
    void TearDown() override {
        FILE_reset();
        RES_reset();
        MESS_reset();
        unsetenv("joxcurtime");
    }
    // An hourly data type under dir: names such as dir/24030512.taf.
    void hourly() {
        RES_put("data_path", dir.path().c_str());
        load_type("@%D/%y%m%d%h.taf");
    }
    std::string data(const std::string& stamp) { return dir.file(stamp + ".taf"); }
    void arguments(const char* names) { RES_new(RES_UNLISTED, "filename", names, CV_strings); }

    TempDir dir;
};

// ---- Path and file utilities ----

TEST_F(FilesTest, AddPathJoinsOrKeepsFullNames) {
    struct Case {
        const char* path;
        const char* file;
        const char* want;
    };
    const Case cases[] = {
        {"data/", "x", "data/x"}, {"data", "x", "data/x"}, {nullptr, "x", "x"},
        {"", "x", "x"},           {"data", "/abs/x", "/abs/x"}, {"data", "./x", "./x"},
        {"data", "~/x", "~/x"},   {"data", "-", "-"},           {"data", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path ? c.path : "(null)") + " + " + c.file);
        char out[FILE_NAME_MAX];
        EXPECT_STREQ(FILE_add_path(c.path, c.file, out), c.want);
    }
}

TEST_F(FilesTest, AddPathIsSafeWhenTheOutputIsAnInput) {
    char buf[FILE_NAME_MAX] = "dir";
    EXPECT_STREQ(FILE_add_path(buf, "x", buf), "dir/x");
    char file[FILE_NAME_MAX] = "name";
    EXPECT_STREQ(FILE_add_path("base", file, file), "base/name");
}

TEST_F(FilesTest, OverlongNamesAreRefusedNotCut) {
    std::string dir159(159, 'd');
    char out[FILE_NAME_MAX];
    EXPECT_STREQ(FILE_add_path(dir159.c_str(), "x", out), "");
    EXPECT_STREQ(FILE_add_path(std::string(157, 'd').c_str(), "x", out),
                 (std::string(157, 'd') + "/x").c_str());
    std::string long_name = "/" + std::string(200, 'a');
    EXPECT_EQ(FILE_exist(long_name.c_str()), 0);
    EXPECT_EQ(FILE_size(long_name.c_str()), -1);
    EXPECT_EQ(FILE_open(long_name.c_str(), "w"), nullptr);
}

TEST_F(FilesTest, StandardStreamNames) {
    for (const char* name : {"", "-", "STD", "Stdn", "std"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FILE_is_stdio(name), 1);
        EXPECT_EQ(FILE_exist(name), 1);
    }
    for (const char* name : {"--", "stdout", "x"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FILE_is_stdio(name), 0);
    }
    EXPECT_EQ(FILE_open("-", "r"), stdin);
    EXPECT_EQ(FILE_open("-", "w"), stdout);
    EXPECT_EQ(FILE_open("std", "a"), stdout);
    EXPECT_EQ(FILE_close(stdout), 0);  // flushed, left open
    EXPECT_NE(fileno(stdout), -1);
}

TEST_F(FilesTest, HomeExpansion) {
    struct passwd* pw = getpwuid(getuid());
    ASSERT_NE(pw, nullptr);
    std::string home = pw->pw_dir;
    char out[FILE_NAME_MAX];
    FILE_add_user_path("~", out);
    EXPECT_EQ(std::string(out), home);
    FILE_add_user_path("~/x", out);
    EXPECT_EQ(std::string(out), home + "/x");
    std::string by_name = std::string("~") + pw->pw_name + "/y";
    FILE_add_user_path(by_name.c_str(), out);
    EXPECT_EQ(std::string(out), home + "/y");
    FILE_add_user_path("~nobodyknown/x", out);
    EXPECT_STREQ(out, "~nobodyknown/x");
    std::string long_user = "~" + std::string(25, 'u') + "/x";  // no such user can exist
    FILE_add_user_path(long_user.c_str(), out);
    EXPECT_EQ(std::string(out), long_user);
    std::string long_rest = "~/" + std::string(158, 'r');
    FILE_add_user_path(long_rest.c_str(), out);
    EXPECT_STREQ(out, "");
    char same[FILE_NAME_MAX] = "~/z";
    FILE_add_user_path(same, same);
    EXPECT_EQ(std::string(same), home + "/z");
}

TEST_F(FilesTest, ExistenceKindAndSize) {
    write_file(dir.file("five"), "12345");
    EXPECT_EQ(FILE_exist(dir.file("five").c_str()), 1);
    EXPECT_EQ(FILE_is_dir(dir.file("five").c_str()), 0);
    EXPECT_EQ(FILE_size(dir.file("five").c_str()), 5);
    EXPECT_EQ(FILE_is_dir(dir.path().c_str()), 1);
    EXPECT_EQ(FILE_exist(dir.file("none").c_str()), 0);
    EXPECT_EQ(FILE_size(dir.file("none").c_str()), -1);
    EXPECT_EQ(FILE_is_dir("-"), 0);
}

TEST_F(FilesTest, MakeDirTurnsBackslashesAndCreatesEveryLevel) {
    std::string rel = dir.path() + "\\a\\b\\c";
    std::vector<char> text(rel.begin(), rel.end());
    text.push_back('\0');
    EXPECT_EQ(FILE_make_dir(text.data(), 0), 0);
    EXPECT_EQ(std::string(text.data()), dir.path() + "/a/b/c");
    EXPECT_TRUE(is_dir(dir.file("a/b/c")));
    struct stat st;
    ASSERT_EQ(stat(dir.file("a/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    // The parent exists now: nothing to do.
    std::string again = dir.path() + "/a/b/c/d";
    std::vector<char> t2(again.begin(), again.end());
    t2.push_back('\0');
    EXPECT_EQ(FILE_make_dir(t2.data(), 1), 1);
}

TEST_F(FilesTest, MakeDirStopsAtItsWorkingBuffer) {
    std::string deep = dir.path() + "/" + std::string(60, 'p') + "/" + std::string(60, 'q');
    std::vector<char> text(deep.begin(), deep.end());
    text.push_back('\0');
    FILE_make_dir(text.data(), 0);
    EXPECT_TRUE(is_dir(dir.file(std::string(60, 'p'))));
    EXPECT_FALSE(exists(deep));
}

TEST_F(FilesTest, OpenCreatesDirectoriesOnlyForWriting) {
    std::string name = dir.file("out/day/x.txt");
    EXPECT_EQ(FILE_open(name.c_str(), "r"), nullptr);
    EXPECT_FALSE(exists(dir.file("out")));
    FILE* f = FILE_open(name.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("hello", f);
    EXPECT_EQ(FILE_close(f), 0);
    EXPECT_EQ(testutil::read_file(name), "hello");
}

TEST_F(FilesTest, OpenPipesBothWays) {
    FILE* in = FILE_open("|echo piped", "r");
    ASSERT_NE(in, nullptr);
    char line[32] = "";
    ASSERT_NE(fgets(line, sizeof line, in), nullptr);
    EXPECT_STREQ(line, "piped\n");
    EXPECT_EQ(FILE_close(in), 0);
    std::string cmd = "|cat > " + dir.file("sink");
    FILE* out = FILE_open(cmd.c_str(), "w");
    ASSERT_NE(out, nullptr);
    fputs("through", out);
    EXPECT_EQ(FILE_close(out), 0);  // waits for the command
    EXPECT_EQ(testutil::read_file(dir.file("sink")), "through");
}

// ---- Building names from templates ----

TEST_F(FilesTest, TemplateFields) {
    struct Case {
        const char* tmpl;
        const char* want;
        int step;  // FILE_get_offset after building
    };
    // 2024-03-05 14:37 is day 65 of a leap year.
    const Case cases[] = {
        {"%Y%m%d%h%n", "202403051437", 60},
        {"%y%b%d", "24mar05", 86400},
        {"%Y%j", "2024065", 86400},
        {"%y%m%d%h", "24030514", 3600},
        {"%3h", "12", 10800},
        {"%15n", "30", 900},
        {"%10Y", "2020", 100000},
        {"%2d", "04", 172800},
        {"%% a{b}c", "%_abc", 100000},
        {"%0h", "14", 100000},  // a width of 0: no bringing down, no step
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tmpl);
        EXPECT_EQ(build(c.tmpl, make_date(2024, 3, 5, 14, 37)), c.want);
        EXPECT_EQ(FILE_get_offset(), c.step);
    }
    // The day of year of a month's 31st day, the last of a leap year's among them.
    EXPECT_EQ(build("%Y%j", make_date(2024, 1, 31, 0, 0)), "2024031");
    EXPECT_EQ(build("%Y%j", make_date(2024, 12, 31, 0, 0)), "2024366");
}

TEST_F(FilesTest, MissingDateFieldsBuildZeros) {
    FILE_set_name(nullptr);
    EXPECT_EQ(build("%Y-%y-%m-%b-%d-%j-%h-%n", NO_DATE), "0000-00-00-xxx-00-000-00-00");
    Date recorded;
    FILE_get_date(&recorded);
    EXPECT_EQ(recorded.year, DATE_MISSING);
    EXPECT_EQ(recorded.hour, DATE_MISSING);
}

TEST_F(FilesTest, BuildingRecordsTheDateUsed) {
    build("%y%m%d%3h", make_date(2024, 3, 5, 14, 37));
    Date d;
    FILE_get_date(&d);
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.month, 3);
    EXPECT_EQ(d.day, 5);
    EXPECT_EQ(d.hour, 12);
    EXPECT_EQ(d.min, DATE_MISSING);  // the template has no minute
}

TEST_F(FilesTest, FixedFieldsAndSteppings) {
    Date fixed = NO_DATE;
    fixed.hour = -312;  // every 12 hours at 03 and 15
    FILE_set_time(&fixed);
    EXPECT_EQ(build("%h", make_date(2024, 3, 5, 14, 0)), "15");
    EXPECT_EQ(FILE_get_offset(), 12 * 3600);
    EXPECT_EQ(build("%h", make_date(2024, 3, 5, 2, 0)), "03");
    fixed.hour = 6;
    FILE_set_time(&fixed);
    EXPECT_EQ(build("%h", make_date(2024, 3, 5, 14, 0)), "06");
    fixed = NO_DATE;
    fixed.day = -5;
    FILE_set_time(&fixed);
    EXPECT_EQ(build("%d", make_date(2024, 3, 7, 0, 0)), "05");
    EXPECT_EQ(FILE_get_offset(), 5 * 86400);
    fixed.day = 2147483647;  // no month has it: the day of year is unknown
    FILE_set_time(&fixed);
    EXPECT_EQ(build("%j", make_date(2024, 3, 7, 0, 0)), "000");
    fixed = NO_DATE;
    fixed.year = 2020;
    FILE_set_time(&fixed);
    EXPECT_EQ(build("%y/%Y", make_date(2024, 3, 7, 0, 0)), "20/2020");
    Date back;
    FILE_get_time(&back);
    EXPECT_EQ(back.year, 2020);
    EXPECT_EQ(back.hour, DATE_MISSING);
}

TEST_F(FilesTest, ZeroStepSteppingIsNoTimeStep) {
    Date fixed = NO_DATE;
    fixed.hour = -300;  // step digits 00
    fixed.min = -100;
    FILE_set_time(&fixed);
    build("%y%m-%h%n", make_date(2024, 3, 5, 14, 37));
    EXPECT_EQ(FILE_get_offset(), 100000);
    int64_t chosen = FILE_set_current("-1", nullptr);
    EXPECT_EQ(chosen % 100000, 0);
}

TEST_F(FilesTest, KeysAndResourceFields) {
    FILE_set_name(nullptr);  // the first load clears the key table
    FILE_set_key('s', "KDENVER");
    FILE_set_key('t', "a b");
    FILE_set_key('\xe9', "ignored");
    FILE_set_key('u', std::string(40, 'k').c_str());
    Date d = make_date(2024, 3, 5, 14, 37);
    EXPECT_EQ(build("%s", d), "KDENVER");
    EXPECT_EQ(build("%3s", d), "KDE");
    EXPECT_EQ(build("%9s", d), "KDENVER");  // a shorter value is inserted as it is
    EXPECT_EQ(build("%t", d), "a_b");
    EXPECT_EQ(build("%v", d), "0");
    EXPECT_EQ(build("%\xe9", d), "0");
    EXPECT_EQ(build("%u", d), std::string(29, 'k'));
    EXPECT_EQ(build("%D/x", d), "./x");
    EXPECT_EQ(build("%{myres}/x", d), "/x");
    RES_put("data_path", "/data");
    RES_put("myres", "mine");
    RES_put("sat_path", "");
    EXPECT_EQ(build("%D/x", d), "/data/x");
    EXPECT_EQ(build("%{myres}/x", d), "mine/x");
    EXPECT_EQ(build("%S/x", d), "./x");
}

TEST_F(FilesTest, FixedNamesStandardStreamAndNoTemplate) {
    char out[FILE_NAME_MAX];
    FILE_set_name(nullptr);
    Date d = make_date(2024, 3, 5, 14, 37);
    EXPECT_EQ(FILE_set_date(&d, out), 1);
    EXPECT_STREQ(out, "filename");
    EXPECT_EQ(FILE_get_filename_type(), 1);
    set_file("my.file");
    EXPECT_EQ(FILE_set_date(&d, out), 1);
    EXPECT_STREQ(out, "my.file");
    load_type("@-");
    EXPECT_EQ(FILE_set_date(&d, out), 1);
    EXPECT_STREQ(out, "-");
    load_type("@%y%m%d%h");
    set_file("@fixed");
    Date none = NO_DATE;
    EXPECT_EQ(FILE_set_date(&none, out), 1);  // no year: the fixed name stays
    EXPECT_STREQ(out, "fixed");
    EXPECT_EQ(FILE_set_date(&d, out), 0);
    EXPECT_STREQ(out, "24030514");
}

TEST_F(FilesTest, OverlongBuiltNameIsRefused) {
    RES_put("data_path", std::string(150, 'a').c_str());
    load_type("@%D/%y%m%d%h_taf");
    Date d = make_date(2024, 3, 5, 14, 37);
    char out[FILE_NAME_MAX] = "old";
    Capture err(2);
    EXPECT_EQ(FILE_set_date(&d, out), -1);
    EXPECT_NE(err.stop().find("refused"), std::string::npos);
    EXPECT_STREQ(out, "");
    std::string long_template = "@" + std::string(170, 't');
    Capture err2(2);
    EXPECT_EQ(load_type(long_template), 0);
    EXPECT_NE(err2.stop().find("refused"), std::string::npos);
}

// ---- The name-convention file ----

TEST_F(FilesTest, ConventionFileExactAndPartialMatches) {
    write_file(dir.file("name_conv"),
               "# term_dat would match here if comments were read\n"
               "\n"
               "   \n"
               "term %D/%y%m%d%h_%e -\n"
               "term_dat %D/%y%m%d%h_taf %D/%y%m%d%h.idx 100\n"
               "metar %D/%y%m%d%h_sao\r\n");
    RES_put("file_path", dir.path().c_str());
    RES_put("data_path", "/data");
    Date d = make_date(2024, 3, 5, 14, 37);
    char out[FILE_NAME_MAX];
    // The earlier line wins: term is a prefix of term_dat and gives the extension dat.
    EXPECT_EQ(load_type("term_dat"), 1);
    FILE_set_date(&d, out);
    EXPECT_STREQ(out, "/data/24030514_dat");
    EXPECT_EQ(FILE_hdr_set_date(&d, out), 0);  // header "-": none
    EXPECT_STREQ(out, "");
    EXPECT_EQ(load_type("TERM"), 1);
    FILE_set_date(&d, out);
    EXPECT_STREQ(out, "/data/24030514_");
    EXPECT_EQ(load_type("metar"), 1);
    FILE_set_date(&d, out);
    EXPECT_STREQ(out, "/data/24030514_sao");
    EXPECT_EQ(load_type("unknown"), 0);  // its own text is its template
    EXPECT_EQ(FILE_set_date(&d, out), 0);
    EXPECT_STREQ(out, "unknown");
}

TEST_F(FilesTest, ConventionFileHeaderTemplateAndKeys) {
    write_file(dir.file("conv.txt"),
               "taf_dat %D/%y%m%d%h_taf %D/%y%m%d%h.idx 100\n"
               "stn %s_%t\n");
    RES_put("file_path", dir.path().c_str());
    RES_put("name_conv", "conv.txt");
    RES_put("data_path", "/data");
    Date d = make_date(2024, 3, 5, 14, 37);
    char out[FILE_NAME_MAX];
    EXPECT_EQ(load_type("taf_dat"), 1);
    FILE_set_date(&d, out);
    Date later = make_date(2024, 3, 5, 18, 0);
    EXPECT_EQ(FILE_hdr_set_date(&later, out), 1);
    EXPECT_STREQ(out, "/data/24030518.idx");
    // The header name is built aside.
    EXPECT_STREQ(FILE_get_filename(nullptr), "/data/24030514_taf");
    Date kept;
    FILE_get_date(&kept);
    EXPECT_EQ(kept.hour, 14);
    Date no_year = NO_DATE;
    EXPECT_EQ(FILE_hdr_set_date(&no_year, out), 0);
    char type[] = "stn:s=KDEN:t=a b";
    EXPECT_EQ(FILE_set_name(type), 1);
    EXPECT_STREQ(type, "stn");
    FILE_set_date(&d, out);
    EXPECT_STREQ(out, "KDEN_a_b");
}

TEST_F(FilesTest, MissingConventionFile) {
    write_file(dir.file("name_conv"), "taf %D/%y%m%d%h_taf %D/%y%m%d%h.idx\n");
    RES_put("file_path", dir.path().c_str());
    load_type("taf");
    RES_put("file_path", dir.file("nowhere").c_str());
    Capture err(2);
    EXPECT_EQ(load_type("term_dat"), 0);
    EXPECT_EQ(err.stop(), "FILE_set_name: No file name convention file: " +
                              dir.file("nowhere/name_conv") + "\n");
    Date d = make_date(2024, 3, 5, 14, 37);
    char out[FILE_NAME_MAX];
    FILE_set_date(&d, out);
    EXPECT_STREQ(out, "term_dat");
    EXPECT_EQ(FILE_hdr_set_date(&d, out), 0);  // no header template of another type
}

TEST_F(FilesTest, BadConventionFileLines) {
    std::string text = "term_dat " + std::string(300, 'x') + "\n";
    text += std::string("\xff\x01 bin\0ary", 10) + "\n";
    text += "term_dat %y%m%d%h_good\n";
    write_file(dir.file("name_conv"), text);
    RES_put("file_path", dir.path().c_str());
    Capture err(2);
    EXPECT_EQ(load_type("term_dat"), 1);
    EXPECT_NE(err.stop().find("Line too long"), std::string::npos);
    Date d = make_date(2024, 3, 5, 14, 37);
    char out[FILE_NAME_MAX];
    FILE_set_date(&d, out);
    EXPECT_STREQ(out, "24030514_good");
}

// ---- Reading typed names ----

TEST_F(FilesTest, TypedNameCompletedAndDated) {
    RES_put("data_path", "/data");
    load_type("@%D/%y%m%d%h_taf");
    EXPECT_EQ(set_file("24030512"), "/data/24030512_taf");
    Date d;
    FILE_get_date(&d);
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.month, 3);
    EXPECT_EQ(d.day, 5);
    EXPECT_EQ(d.hour, 12);
    EXPECT_EQ(FILE_get_filename_type(), 1);
    EXPECT_STREQ(FILE_get_filename(nullptr), "/data/24030512_taf");
    // A name that does not fit stays as typed behind the directory; no date.
    EXPECT_EQ(set_file("abc"), "/data/abc");
    FILE_get_date(&d);
    EXPECT_EQ(d.year, DATE_MISSING);
    EXPECT_EQ(d.hour, DATE_MISSING);
}

TEST_F(FilesTest, TypedTwoDigitYears) {
    // Two-digit years below 50 are of this century, from 50 on of the last.
    load_type("@%y%m%d%h");
    const struct {
        const char* name;
        int year;
    } cases[] = {{"00030512", 2000}, {"49030512", 2049}, {"50030512", 1950}, {"99030512", 1999}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(set_file(c.name), c.name);
        Date d;
        FILE_get_date(&d);
        EXPECT_EQ(d.year, c.year);
    }
}

TEST_F(FilesTest, TypedNameForms) {
    RES_put("data_path", "/data");
    load_type("@%D/%y%m%d%h_taf");
    struct Case {
        const char* name;
        const char* want;
        int type;
    };
    const Case cases[] = {
        {"@/some/file", "/some/file", 1},
        {"-", "-", 1},
        {"none", "none", 1},
        {"/x/y/24030512_taf", "/x/y/24030512_taf", 1},
        {"cu-2", "/data/24030512_taf", 0},
        {"#2024030509", "/data/24030509_taf", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(set_file(c.name), c.want);
        EXPECT_EQ(FILE_get_filename_type(), c.type);
    }
    load_type("none");
    EXPECT_EQ(set_file("24030512"), "24030512");
    load_type("@/data/%y%m%d%h");
    EXPECT_EQ(set_file("/else/where"), "/else/where");
}

TEST_F(FilesTest, TypedNameOtherFields) {
    Date d;
    load_type("@%Y%j");
    EXPECT_EQ(set_file("2024060"), "2024060");
    FILE_get_date(&d);
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.day, 29);
    load_type("@%y%b%d");
    EXPECT_EQ(set_file("24mar05"), "24mar05");
    FILE_get_date(&d);
    EXPECT_EQ(d.month, 3);
    EXPECT_EQ(set_file("24xyz05"), "24xyz05");
    FILE_get_date(&d);
    EXPECT_EQ(d.month, DATE_MISSING);
    load_type("@%e.%y%m%d");
    EXPECT_EQ(set_file("abc.240305"), "abc.240305");
    EXPECT_EQ(build("%e", make_date(2024, 3, 5, 0, 0)), "abc");
    FILE_set_name(nullptr);
    FILE_set_key('s', "KDEN");
    load_type("@%s_%y%m%d");
    EXPECT_EQ(set_file("KDEN_240305"), "KDEN_240305");
    FILE_get_date(&d);
    EXPECT_EQ(d.day, 5);
    // The step is the template's: daily, whatever step came before.
    EXPECT_EQ(FILE_get_offset(), 86400);
}

TEST_F(FilesTest, DateSuffixFixesFields) {
    load_type("@%y%m%d%h");
    EXPECT_EQ(set_file("24030512#2023"), "24030512");
    Date fixed;
    FILE_get_time(&fixed);
    EXPECT_EQ(fixed.year, 2023);
    EXPECT_EQ(fixed.month, DATE_MISSING);
    EXPECT_EQ(build("%Y", make_date(2024, 3, 5, 0, 0)), "2023");
}

TEST_F(FilesTest, FullPathNameGivesRelatedFilesBesideIt) {
    write_file(dir.file("name_conv"), "taf %D/%y%m%d%h_taf %D/%y%m%d%h.idx\n");
    RES_put("file_path", dir.path().c_str());
    RES_put("data_path", "/data");
    load_type("taf");
    EXPECT_EQ(set_file("/x/y/24030512_taf"), "/x/y/24030512_taf");
    Date d;
    FILE_get_date(&d);
    EXPECT_EQ(d.hour, 12);
    char out[FILE_NAME_MAX];
    EXPECT_EQ(FILE_hdr_set_date(&d, out), 1);
    EXPECT_STREQ(out, "/x/y/24030512.idx");
    Date next = make_date(2024, 3, 5, 13, 0);
    FILE_set_date(&next, out);
    EXPECT_STREQ(out, "/x/y/24030513_taf");
}

TEST_F(FilesTest, WithoutConventionFileTypedNamesStayAsTyped) {
    RES_put("file_path", dir.file("nowhere").c_str());
    Capture err(2);
    load_type("term_dat");  // the type text becomes the template
    err.stop();
    for (const char* name : {"tafs/today.txt", "term_dat.old", "term", "mine.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(set_file(name), name);
        EXPECT_EQ(FILE_get_filename_type(), 1);
    }
    load_type("@%y%m%d%h");
    EXPECT_EQ(set_file("2403051299"), "2403051299");
}

TEST_F(FilesTest, OverlongTypedNameIsRefused) {
    load_type("@%y%m%d%h");
    char out[FILE_NAME_MAX] = "old";
    std::string name(200, '2');
    Capture err(2);
    EXPECT_EQ(FILE_set_file(name.c_str(), out), -1);
    EXPECT_NE(err.stop().find("refused"), std::string::npos);
    EXPECT_STREQ(out, "");
    EXPECT_STREQ(FILE_get_filename(nullptr), "");
}

TEST_F(FilesTest, SaveAndRestoreBracketAReload) {
    RES_put("data_path", "/data");
    load_type("@%D/%y%m%d%h_taf");
    set_file("24030512");
    FILE_save_name_conv();
    load_type("@other%y");
    EXPECT_STREQ(FILE_get_filename(nullptr), "");
    EXPECT_EQ(FILE_get_filename_type(), 0);
    FILE_restore_name_conv();
    EXPECT_STREQ(FILE_get_filename(nullptr), "/data/24030512_taf");
    EXPECT_EQ(FILE_get_filename_type(), 1);
    Date d = make_date(2024, 3, 5, 13, 0);
    char out[FILE_NAME_MAX];
    FILE_set_date(&d, out);
    EXPECT_STREQ(out, "/data/24030513_taf");
}

TEST_F(FilesTest, ExitEndsTheProgram) {
    EXPECT_EXIT(set_file("EXIT"), ::testing::ExitedWithCode(0), "");
}

// ---- Choosing a file by time ----

class CurrentTest : public FilesTest {
   protected:
    void SetUp() override {
        FilesTest::SetUp();
        hourly();
        write_file(data("24030510"), "10");
        write_file(data("24030512"), "12");
        write_file(data("24030513"), "");  // empty: passed over
    }
};

TEST_F(CurrentTest, TimeTexts) {
    struct Case {
        const char* text;
        const char* stamp;
    };
    const Case cases[] = {
        {"", "24030514"},          {"-6", "24030508"},           {"6", "24030508"},
        {"+1d", "24030614"},       {"2d3:30", "24030311"},       {"+0:30", "24030515"},
        {"#2024030512", "24030512"}, {"#2024", "23123100"},      {"#202403", "24022900"},
        {"la", "24030512"},        {"la+3", "24030515"},         {"#2024030500+la", "24030510"},
        {"la#2", "24030513"},      {"la#1", "24030514"},         {"-6la#1+1d", "24030608"},
        {"cu-6", "24030514"},      {"xyz", "24030514"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(current(c.text), data(c.stamp));
        EXPECT_EQ(FILE_get_filename_type(), 0);
        EXPECT_EQ(std::string(FILE_get_filename(nullptr)), data(c.stamp));
    }
    EXPECT_EQ(current(nullptr), data("24030512"));  // null is "la"
}

TEST_F(CurrentTest, ResultIsTheTimeBroughtDownToTheStep) {
    EXPECT_EQ(FILE_set_current("#2024030512", nullptr), 1709640000);
    EXPECT_EQ(FILE_set_current("", nullptr), 1709647200);  // 14:37 brought down to 14:00
    setenv("joxcurtime", "#202403051437", 1);
    EXPECT_EQ(FILE_set_current("", nullptr), 1709647200);
}

// The date of a file whose name gives none: its modification time, or "now" for the
// standard input. The fixed date fields of the file choice do not apply to it.
TEST_F(FilesTest, DateOfAFileByItsTime) {
    write_file(dir.file("undated.txt"), "TAF\n");
    struct timespec times[2] = {{1719799200, 0}, {1719799200, 0}};  // 2024-07-01 02:00:00
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file("undated.txt").c_str(), times, 0), 0);
    Date fixed = NO_DATE;
    fixed.hour = 12;
    FILE_set_time(&fixed);
    struct Case {
        std::string file;
        const char* curtime;  // joxcurtime, or null for none
        int result;
        Date date;
    };
    const Date july = {2024, 7, 1, 183, 1, 2, 0, 0};  // a Monday
    const Case cases[] = {
        {dir.file("undated.txt"), "202403051437", 0, july},
        {"-", "202403051437", 0, {2024, 3, 5, 65, 2, 14, 37, 0}},
        {"", "#2024123123", 0, {2024, 12, 31, 366, 2, 23, 0, 0}},
        {"std", "202402290000", 0, {2024, 2, 29, 60, 4, 0, 0, 0}},
        {dir.file("missing.txt"), "202403051437", -1, NO_DATE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + " " + (c.curtime != nullptr ? c.curtime : "-"));
        setenv("joxcurtime", c.curtime, 1);
        Date date = NO_DATE;
        EXPECT_EQ(FILE_time_date(c.file.c_str(), &date), c.result);
        EXPECT_EQ(date.year, c.date.year);
        EXPECT_EQ(date.month, c.date.month);
        EXPECT_EQ(date.day, c.date.day);
        EXPECT_EQ(date.jday, c.date.jday);
        EXPECT_EQ(date.wday, c.date.wday);
        EXPECT_EQ(date.hour, c.date.hour);
        EXPECT_EQ(date.min, c.date.min);
    }
    EXPECT_EQ(FILE_time_date("-", nullptr), -1);
    // Without joxcurtime, the standard input is now.
    unsetenv("joxcurtime");
    Date now_date = NO_DATE;
    const int64_t before = DATE_get_time(nullptr);
    ASSERT_EQ(FILE_time_date("-", &now_date), 0);
    const int64_t taken = DATE_num_sec(&now_date);
    EXPECT_GE(taken, before);
    EXPECT_LE(taken, DATE_get_time(nullptr));
}

TEST_F(CurrentTest, LatestSearchKeepsTheLastNameTriedAtItsLimit) {
    std::remove(data("24030510").c_str());
    std::remove(data("24030512").c_str());
    // 500 names tried, from 14:00 back to 499 hours before it.
    EXPECT_EQ(current("la"), data("24021319"));
}

TEST_F(CurrentTest, MinimumSizeFromTheConventionFile) {
    write_file(dir.file("name_conv"), "taf %D/%y%m%d%h.taf - 3\n");
    RES_put("file_path", dir.path().c_str());
    load_type("taf");
    write_file(data("24030511"), "1234");
    EXPECT_EQ(current("la"), data("24030511"));  // 12 holds 2 bytes, not more than 3
}

TEST_F(CurrentTest, FixedFieldsMoveNowBack) {
    Date fixed = NO_DATE;
    fixed.hour = 12;
    FILE_set_time(&fixed);
    EXPECT_EQ(current(""), data("24030512"));
    setenv("joxcurtime", "202403050900", 1);
    EXPECT_EQ(current(""), data("24030412"));
    fixed = NO_DATE;
    fixed.month = 6;
    FILE_set_time(&fixed);
    load_type("@%Y%m");
    EXPECT_EQ(current(""), "202306");
    fixed = NO_DATE;
    fixed.day = 20;
    FILE_set_time(&fixed);
    load_type("@%y%m%d");
    EXPECT_EQ(current(""), "240220");
}

TEST_F(CurrentTest, HugeNumbersDoNotOverflow) {
    for (const char* text : {"99999999999999999999d", "+99999999999999999999:99999999999",
                             "la#99999999999999", "#99999999999999"}) {
        SCOPED_TRACE(text);
        std::string name = current(text);
        EXPECT_FALSE(name.empty());
    }
}

// ---- The first file and the sequence ----

TEST_F(CurrentTest, FirstFileFromArguments) {
    arguments("24030512\n24030510");
    char out[FILE_NAME_MAX];
    EXPECT_EQ(FILE_get_file_only("Enter the filename: ", out), 1);
    EXPECT_EQ(std::string(out), data("24030512"));
    arguments("24030511");
    EXPECT_EQ(FILE_get_file_only("Enter the filename: ", out), 0);
    EXPECT_EQ(std::string(out), data("24030511"));
    arguments(std::string(200, '1').c_str());
    Capture err(2);
    EXPECT_EQ(FILE_get_file_only("Enter the filename: ", out), 0);  // refused, not stdin
    err.stop();
}

TEST_F(CurrentTest, FirstFileFromCurrentOrBatch) {
    char out[FILE_NAME_MAX];
    RES_put("current", "-2");
    Capture cap(1);
    EXPECT_EQ(FILE_get_file_only("Enter the filename: ", out), 1);
    EXPECT_EQ(cap.stop(), "Current filename: " + data("24030512") + "\n");
    RES_put("current", "-3");
    Capture cap2(1);
    EXPECT_EQ(FILE_get_file_only("Enter the filename: ", out), 0);
    EXPECT_EQ(cap2.stop(), "");
    RES_reset();
    RES_put("data_path", dir.path().c_str());
    FLAG_set(FLAG_BATCH, 1);
    Capture cap3(1);
    EXPECT_EQ(FILE_get_file_only("Enter the filename: ", out), 1);
    cap3.stop();
    EXPECT_EQ(std::string(out), data("24030512"));
}

TEST_F(CurrentTest, ListArgumentListsAndEnds) {
    arguments("list");
    EXPECT_EXIT(FILE_get_file_only("Enter the filename: ", nullptr),
                ::testing::ExitedWithCode(0), "");
}

// Runs the driver's loop: the names and their hours.
std::vector<std::string> run_sequence(std::vector<int>* hours = nullptr) {
    char name[FILE_NAME_MAX];
    FILE_get_file_only("Enter the filename: ", name);
    Date d;
    FILE_get_date(&d);
    FILE_first(&d);
    std::vector<std::string> names;
    while (names.size() < 100 && FILE_get_next(name)) {
        names.push_back(name);
        FILE_get_date(&d);
        if (hours != nullptr) hours->push_back(d.hour);
    }
    return names;
}

TEST_F(CurrentTest, ListModeReadsEachArgument) {
    arguments("24030512\n24030510");
    std::vector<int> hours;
    EXPECT_EQ(run_sequence(&hours),
              (std::vector<std::string>{data("24030512"), data("24030510")}));
    EXPECT_EQ(hours, (std::vector<int>{12, 10}));
    EXPECT_EQ(FILE_get_filename_type(), 1);  // named files are opened as named
}

TEST_F(CurrentTest, SpansAroundTheFirstFile) {
    struct Case {
        const char* args;
        const char* span;
        std::vector<int> hours;
    };
    const Case cases[] = {
        {"24030512", "-3", {9, 10, 11, 12}},
        {"#2024030512", "6", {12, 13, 14, 15, 16, 17, 18}},
        {"#2024030512", "12,3", {12, 15, 18, 21, 0}},
        {"#2024030512", "12,2:30", {12, 14, 16, 18, 20, 22, 0}},
        {"la\n24030510", nullptr, {12}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.args) + " " + (c.span ? c.span : "-"));
        RES_reset();
        RES_put("data_path", dir.path().c_str());
        arguments(c.args);
        if (c.span != nullptr) RES_put("num_hour", c.span);
        std::vector<int> hours;
        run_sequence(&hours);
        EXPECT_EQ(hours, c.hours);
    }
}

TEST_F(CurrentTest, DailyTypedNameStepsByDays) {
    load_type("@%D/%y%m%d.taf");
    arguments("240305");
    RES_put("num_hour", "48");
    EXPECT_EQ(run_sequence(), (std::vector<std::string>{data("240305"), data("240306"),
                                                         data("240307")}));
}

TEST_F(FilesTest, SpanTexts) {
    struct Case {
        const char* text;
        int span;
        int skip;
    };
    const Case cases[] = {
        {"-0:30", -1800, 3600}, {":30", 1800, 3600}, {"", 0, 3600},  {"abc", 0, 3600},
        {"-:30", 0, 3600},      {"6,3", 21600, 10800}, {"-2:15", -8100, 3600},
        {"1,:30", 3600, 1800},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        RES_put("num_hour", c.text);
        EXPECT_EQ(FILE_num_hour(), c.span);
        EXPECT_EQ(FILE_get_skip(), c.skip);
    }
    RES_put("num_hour", "99999999999999");
    EXPECT_GT(FILE_num_hour(), 0);
    RES_put("num_hour", "-99999999999999");
    EXPECT_LT(FILE_num_hour(), 0);
}

TEST_F(FilesTest, OffsetNamesAndTheirStepCount) {
    load_type("@%y%m%d%h");
    Date d = make_date(2024, 3, 5, 12, DATE_MISSING);
    char out[FILE_NAME_MAX];
    EXPECT_EQ(FILE_set_date_off(&d, 3 * 3600, out), 3);
    EXPECT_STREQ(out, "24030515");
    EXPECT_EQ(d.min, 0);  // normalised in place
    load_type("@%Y%m");
    EXPECT_EQ(FILE_set_date_off(&d, 250000, out), 2);  // no time step: 100000 s
}

TEST_F(FilesTest, RefusedNamesEndTheSequence) {
    RES_put("data_path", std::string(150, 'a').c_str());
    load_type("@%D/%y%m%d%h_taf");
    arguments("#2024030512");
    RES_put("num_hour", "2");
    Capture err(2);
    EXPECT_TRUE(run_sequence().empty());
    RES_put("num_hour", "0");
    EXPECT_TRUE(run_sequence().empty());
    err.stop();
}

// ---- Listing ----

TEST_F(CurrentTest, ListingShowsTheMatchingFiles) {
    write_file(dir.file("notes.txt"), "x");
    Capture out(1);
    FILE_list_file();
    std::string listing = out.stop();
    EXPECT_NE(listing.find("24030510.taf"), std::string::npos);
    EXPECT_NE(listing.find("24030512.taf"), std::string::npos);
    EXPECT_EQ(listing.find("notes.txt"), std::string::npos);
}

TEST_F(FilesTest, ListingPattern) {
    FILE_set_name(nullptr);
    MESS_set(MESS_ADD, MESS_DEBUG);
    load_type("@{x}%%%Y%y%b%j%e%D%3s%t-a b");
    Capture out(1);
    Capture err(2);
    FILE_list_file();
    err.stop();
    std::string text = out.stop();
    EXPECT_NE(text.find("SEARCH: ls -x x%?[0-9]??[0-9]??[a-z]??[0-9]?*.???*-a_b\n"),
              std::string::npos);
}

TEST_F(FilesTest, ListingIsNeverCutNorInjected) {
    load_type("@" + std::string(80, 'n'));
    Capture out(1);
    Capture err(2);
    FILE_list_file();
    EXPECT_NE(err.stop().find("not run"), std::string::npos);
    EXPECT_EQ(out.stop(), "");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    RES_put("data_path", "x;touch pwned");
    load_type("@%D");
    Capture out2(1);
    Capture err2(2);
    FILE_list_file();
    out2.stop();
    err2.stop();
    EXPECT_FALSE(exists("pwned"));
    ASSERT_EQ(chdir(cwd), 0);
}

// ---- Traces ----

TEST_F(CurrentTest, TracesFormatWithEveryLevelOn) {
    MESS_set(MESS_SET, 0xFFFFFFFFu);
    arguments("24030512");
    RES_put("num_hour", "1");
    Capture out(1);
    Capture err(2);
    run_sequence();
    current("la");
    FILE_list_file();
    err.stop();
    std::string text = out.stop();
    for (const char* trace : {"FILES:", "LATEST:", "NEXT:", "SEARCH:"}) {
        SCOPED_TRACE(trace);
        EXPECT_NE(text.find(trace), std::string::npos);
    }
}

// ---- The interactive choice ----

// Feeds text to the standard input; false when it cannot be reopened on the text.
bool feed_stdin(const TempDir& dir, const std::string& text) {
    write_file(dir.file("stdin"), text);
    return freopen(dir.file("stdin").c_str(), "r", stdin) != nullptr;
}

// Whether a prompt takes its answer, a word, from the standard input.
bool prompts_read_input(const TempDir& dir) {
    if (!feed_stdin(dir, "probe\n")) return false;
    char word[16] = "";
    Capture out(1);
    JOX_prompts("", word, sizeof word);
    out.stop();
    return strcmp(word, "probe") == 0;
}

TEST_F(CurrentTest, InteractiveAnswers) {
    // A prompt that stops reading its answer is the fault to catch here, not a reason to skip.
    ASSERT_TRUE(prompts_read_input(dir)) << "the prompt did not read its answer";
    struct Case {
        const char* answer;
        int result;
        const char* stamp;  // null: nothing chosen
        int type;
    };
    const Case cases[] = {
        {"24030512\n", 1, "24030512", 1},
        {"cu-2\n", 1, "24030512", 0},
        {"la\n", 1, "24030512", 0},
        {"#2024030511\n", 0, "24030511", 0},
        {"list\n", 0, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        hourly();
        ASSERT_TRUE(feed_stdin(dir, c.answer));
        char out[FILE_NAME_MAX];
        Capture cap(1);
        EXPECT_EQ(FILE_get_file_only("Enter the filename: ", out), c.result);
        std::string shown = cap.stop();
        EXPECT_EQ(shown.rfind("List of available files:\n", 0), 0u);
        EXPECT_EQ(std::string(out), c.stamp ? data(c.stamp) : "");
        EXPECT_EQ(FILE_get_filename_type(), c.type);
    }
    ASSERT_TRUE(feed_stdin(dir, "exit\n"));
    EXPECT_EXIT(FILE_get_file_only("Enter the filename: ", nullptr),
                ::testing::ExitedWithCode(0), "");
    freopen("/dev/null", "r", stdin);
}

}  // namespace
