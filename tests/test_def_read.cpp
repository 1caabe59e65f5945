// Defaults files: opening along folders, the line syntax, conditionals, key matching and the
// environment variables of a resource.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "def_read.h"
#include "files.h"
#include "mess.h"
#include "resrc.h"
#include "testutil.h"

using testutil::Capture;
using testutil::TempDir;
using testutil::write_file;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

class DefRead : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        RES_reset();
        DEF_reset();
        RES_setCL(1, argv_);
        DEF_prog();
    }
    void TearDown() override {
        DEF_reset();
        RES_reset();
        MESS_reset();
    }

    // Every entry in force of a file, in order.
    Entries read_all(const std::string& text) {
        std::string path = dir_.file("defaults");
        write_file(path, text);
        EXPECT_EQ(DEF_open(path.c_str()), 0);
        Entries got;
        char key[DEF_KEY_SIZE];
        char value[DEF_VALUE_SIZE];
        while (DEF_get(key, value) == 1) got.emplace_back(key, value);
        DEF_close();
        return got;
    }

    TempDir dir_;
    char prog_[20] = "/opt/bin/tafcvt";
    char* argv_[2] = {prog_, nullptr};
};

TEST_F(DefRead, KeysSelectResourcesOfThisProgram) {
    struct Case {
        const char* resrc;
        const char* key;
        int want;
    } cases[] = {
        {"identifier", "tafcvt.identifier", 1},
        {"identifier", "*identifier", 1},
        {"identifier", "*.identifier", 1},
        {"identifier", "t*.identifier", 1},
        {"file_path", "*path", 1},
        {"data_path", "*path", 1},
        {"identifier", "*path", 0},
        {"identifier", "identifier", 0},  // no "." and no "*": selects nothing
        {"identifier", "tafcvt.*", 0},    // a key ending in "*" selects nothing
        {"identifier", "*", 0},
        {"identifier", "other.identifier", 0},
        {"identifier", "TAFCVT.IDENTIFIER", 0},  // exact comparison
        {"identifier", "tafcvt.ident", 0},
        {"ab_ab", "*ab", 0},  // first occurrence only, no backtracking
        {"ab_ab", "*ab_ab", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.resrc) + " by " + c.key);
        EXPECT_EQ(DEF_cmp(c.resrc, c.key), c.want);
    }
}

TEST_F(DefRead, TitleReplacesOrExtendsTheProgramName) {
    DEF_name("taf");
    EXPECT_EQ(DEF_cmp("identifier", "taf.identifier"), 1);
    EXPECT_EQ(DEF_cmp("identifier", "tafcvt.identifier"), 0);
    DEF_name("+site");
    EXPECT_EQ(DEF_cmp("identifier", "tafcvt.site.identifier"), 1);
    EXPECT_EQ(DEF_cmp("identifier", "tafcvt.identifier"), 0);
    DEF_name("");
    EXPECT_EQ(DEF_cmp("identifier", "tafcvt.identifier"), 1);
}

TEST_F(DefRead, LongTitleIsCutAndLongNamesStillMatchWhole) {
    DEF_name("abcdefghijklmnopqrstuvwxyz0123456789");  // 36 characters, 29 kept
    EXPECT_EQ(DEF_cmp("x", "abcdefghijklmnopqrstuvwxyz012.x"), 1);
    DEF_name("+abcdefghijklmnopqrstuvwxyz0123456789");
    // Program, title and a long resource name together pass 39 characters: still matched.
    EXPECT_EQ(DEF_cmp("a_rather_long_resource_name",
                      "tafcvt.abcdefghijklmnopqrstuvwxyz01.a_rather_long_resource_name"),
              1);
}

TEST_F(DefRead, ValidKeysNameAResourceOfThisProgram) {
    struct Case {
        const char* key;
        int want;
    } cases[] = {
        {"tafcvt.decode_hour", 1}, {"*.decode_hour", 1}, {"*decode_hour", 1},
        {"other.decode_hour", 0},  {"tafcvt.", 0},       {"tafcvt.*", 0},
        {"decode_hour", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(DEF_valid(c.key), c.want);
    }
    char name[DEF_KEY_SIZE];
    DEF_parse_name("tafcvt.decode_hour", name);
    EXPECT_STREQ(name, "decode_hour");
    DEF_parse_name("*path", name);
    EXPECT_STREQ(name, "path");
    DEF_parse_name("plain", name);
    EXPECT_STREQ(name, "plain");
}

TEST_F(DefRead, FolderGivesItsFirstDefaultsFile) {
    struct Case {
        std::vector<std::string> present;
        const char* chosen;  // null: nothing can be opened
    } cases[] = {
        {{"jox.cfg", ".joxdef", "Jox.res"}, "jox.cfg"},
        {{".joxdef", "Jox.res"}, ".joxdef"},
        {{"Jox.res"}, "Jox.res"},
        {{}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen != nullptr ? c.chosen : "none");
        TempDir dir;
        for (const auto& name : c.present)
            write_file(dir.file(name), "tafcvt.output " + name + "\n");
        ASSERT_EQ(DEF_open(dir.path().c_str()), c.chosen != nullptr ? 0 : -1);
        if (c.chosen == nullptr) continue;
        char key[DEF_KEY_SIZE];
        char value[DEF_VALUE_SIZE];
        ASSERT_EQ(DEF_get(key, value), 1);
        EXPECT_STREQ(value, c.chosen);
        DEF_close();
    }
}

TEST_F(DefRead, EmptyNameOpensTheCurrentFoldersFile) {
    write_file(dir_.file(".joxdef"), "tafcvt.output here\n");
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    EXPECT_EQ(DEF_open(""), 0);
    EXPECT_EQ(DEF_open(nullptr), 0);
    char key[DEF_KEY_SIZE];
    char value[DEF_VALUE_SIZE];
    EXPECT_EQ(DEF_get(key, value), 1);
    EXPECT_STREQ(value, "here");
    DEF_close();
    ASSERT_EQ(chdir(old), 0);
}

TEST_F(DefRead, StandardStreamNamesAreNotOpened) {
    for (const char* name : {"-", "std", "STDN"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(DEF_open(name), -1);
    }
}

TEST_F(DefRead, OverlongFileNameIsRefused) {
    std::string name = dir_.path() + "/" + std::string(90, 'n');
    Capture err(2);
    EXPECT_EQ(DEF_open(name.c_str()), -1);
    EXPECT_NE(err.stop().find("too long"), std::string::npos);
    char key[DEF_KEY_SIZE];
    char value[DEF_VALUE_SIZE];
    EXPECT_EQ(DEF_get(key, value), -1);  // no file open
}

TEST_F(DefRead, LineSyntax) {
    Entries got = read_all(
        "# a comment tafcvt.output no\n"
        "\n"
        "   \t \n"
        "tafcvt.identifier   KORD   trailing words\n"
        "tafcvt.lonely\n"
        "tafcvt.product: \"FT KORD\" after\n"
        "TAFCVT.IDENTIFIER KDEN\n"
        "tafcvt.open \"no closing quote\n"
        "tafcvt.empty \"\"\n"
        "tafcvt.crlf value\r\n"
        "  *path  /data\n");
    Entries want = {{"tafcvt.identifier", "KORD"},
                    {"tafcvt.product", "FT KORD"},
                    {"tafcvt.identifier", "KDEN"},
                    {"tafcvt.open", "no closing quote"},
                    {"tafcvt.empty", ""},
                    {"tafcvt.crlf", "value"},
                    {"*path", "/data"}};
    EXPECT_EQ(got, want);
}

TEST_F(DefRead, Conditionals) {
    struct Case {
        const char* name;
        std::vector<const char*> tags;
        const char* text;
        Entries want;
    } cases[] = {
        {"if taken",
         {"site"},
         "IF site\nx.a 1\nELSE\nx.a 2\nEND\nx.b 3\n",
         {{"x.a", "1"}, {"x.b", "3"}}},
        {"else taken", {}, "IF site\nx.a 1\nELSE\nx.a 2\nEND\n", {{"x.a", "2"}}},
        {"tag case ignored", {"SITE"}, "IF site\nx.a 1\nEND\n", {{"x.a", "1"}}},
        {"elif taken, else not",
         {"b"},
         "IF a\nx.a 1\nELIF b\nx.a 2\nELSE\nx.a 3\nEND\n",
         {{"x.a", "2"}}},
        {"if taken, elif not", {"a", "b"}, "IF a\nx.a 1\nELIF b\nx.a 2\nEND\n", {{"x.a", "1"}}},
        {"nested",
         {"a"},
         "IF a\nIF b\nx.a 1\nELSE\nx.a 2\nEND\nx.b 3\nEND\n",
         {{"x.a", "2"}, {"x.b", "3"}}},
        {"def inside skipped block", {}, "IF no\nDEF t\nEND\nIF t\nx.a 1\nEND\n", {{"x.a", "1"}}},
        {"undef", {"t"}, "UNDEF t\nIF t\nx.a 1\nEND\n", {}},
        {"undef of unknown tag", {"t"}, "UNDEF other\nIF t\nx.a 1\nEND\n", {{"x.a", "1"}}},
        {"keywords are upper case", {}, "if a\nx.a 1\n", {{"if", "a"}, {"x.a", "1"}}},
        {"if without a tag is skipped", {}, "IF\nx.a 1\n", {{"x.a", "1"}}},
        {"def without a tag is skipped", {}, "DEF\nx.a 1\n", {{"x.a", "1"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DEF_reset();
        DEF_prog();
        for (const char* t : c.tags) DEF_tag(t);
        EXPECT_EQ(read_all(c.text), c.want);
    }
}

TEST_F(DefRead, UnbalancedConditionalsWarn) {
    Capture err(2);
    Entries got = read_all("ELSE\nELIF a\nEND\nx.a 1\n");
    std::string text = err.stop();
    EXPECT_EQ(got, (Entries{{"x.a", "1"}}));
    EXPECT_EQ(
        text,
        "DEF_get: else without an if\nDEF_get: elif without an if\nDEF_get: end without an if\n");
}

TEST_F(DefRead, OpenLevelsCarryOverToTheNextFile) {
    EXPECT_EQ(read_all("IF missing\nx.a 1\n"), Entries{});
    EXPECT_EQ(read_all("x.a 2\nEND\nx.a 3\n"), (Entries{{"x.a", "3"}}));
}

TEST_F(DefRead, TagLimit) {
    for (int i = 0; i < DEF_TAG_MAX; ++i) EXPECT_EQ(DEF_tag(("t" + std::to_string(i)).c_str()), 0);
    EXPECT_EQ(DEF_tag("t0"), 0);  // already defined: takes no slot
    Capture err(2);
    EXPECT_EQ(DEF_tag("eleventh"), -1);
    Entries got = read_all(
        "DEF twelfth\nIF eleventh\nx.a 1\nEND\nIF twelfth\nx.a 2\nEND\nIF t9\nx.a 3\nEND\n");
    EXPECT_NE(err.stop().find("more than 10 tags"), std::string::npos);
    EXPECT_EQ(got, (Entries{{"x.a", "3"}}));
    EXPECT_EQ(DEF_tag(""), -1);
    EXPECT_EQ(DEF_tag(nullptr), -1);
    DEF_clr_tag();
    EXPECT_EQ(DEF_tag(std::string(DEF_VALUE_MAX + 1, 't').c_str()), -1);
    EXPECT_EQ(DEF_tag(std::string(DEF_VALUE_MAX, 't').c_str()), 0);
}

TEST_F(DefRead, IfLevelLimit) {
    std::string text;
    for (int i = 0; i < DEF_LEVEL_MAX; ++i) text += "IF on\n";
    text += "x.a 10\nIF on\nx.a 11\nELSE\nx.a 12\nEND\nx.a 13\n";
    for (int i = 0; i < DEF_LEVEL_MAX; ++i) text += "END\n";
    text += "x.a 14\n";
    DEF_tag("on");
    Capture err(2);
    Entries got = read_all(text);
    EXPECT_NE(err.stop().find("more than 10 if levels"), std::string::npos);
    // The eleventh level is refused: nothing inside it is in force, whatever its branches.
    EXPECT_EQ(got, (Entries{{"x.a", "10"}, {"x.a", "13"}, {"x.a", "14"}}));
}

TEST_F(DefRead, LongLinesAndFields) {
    std::string key49 = "x." + std::string(DEF_KEY_MAX - 2, 'k');
    std::string value199(DEF_VALUE_MAX, 'v');
    std::string text;
    text += "#" + std::string(300, '-') + " x.tail BAD\n";  // the rest past 249 is dropped
    text += key49 + " " + value199 + "\n";
    text += key49 + "k short\n";
    text += "x.a " + value199 + "v\n";
    text += "x.quoted \"" + std::string(DEF_VALUE_MAX + 10, 'q') + "\"\n";
    text += "x.b " + std::string(DEF_LINE_MAX + 50, 'w') + "\n";
    text += "x.c fine\n";
    Capture err(2);
    Entries got = read_all(text);
    std::string warnings = err.stop();
    EXPECT_EQ(got, (Entries{{key49, value199}, {"x.c", "fine"}}));
    size_t count = 0;
    for (size_t at = 0; (at = warnings.find("too long", at)) != std::string::npos; ++at) ++count;
    EXPECT_EQ(count, 4u);
}

TEST_F(DefRead, BinaryBytesDoNotBreakReading) {
    std::string text = "x.a 1\n";
    text += std::string("x.b \0\0\xff\xfe zz\n", 12);
    text += std::string("\0\0\0\0\n", 5);
    text += "x.\xc3\xa9 \x01\x02\n";
    text += "x.c 3\n";
    Entries got = read_all(text);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], (std::pair<std::string, std::string>{"x.a", "1"}));
    EXPECT_EQ(got[1].first, "x.\xc3\xa9");
    EXPECT_EQ(got[2], (std::pair<std::string, std::string>{"x.c", "3"}));
}

TEST_F(DefRead, EndlessFileGivesUp) {
    std::string text;
    text.reserve(DEF_MAX_LINES * 2 + 16);
    for (int i = 0; i < DEF_MAX_LINES; ++i) text += "#\n";
    text += "x.a 1\n";
    Capture err(2);
    EXPECT_EQ(read_all(text), Entries{});
    EXPECT_NE(err.stop().find("more than 100000 lines"), std::string::npos);
}

TEST_F(DefRead, EnvironmentVariablesInOrder) {
    const char* vars[] = {"joxtafcvt.identifier", "joxident", "joxidentifier"};
    for (const char* v : vars) setenv(v, v, 1);
    const char* value = nullptr;
    for (const char* v : vars) {
        SCOPED_TRACE(v);
        ASSERT_EQ(DEF_env("identifier", "joxident", &value), 1);
        EXPECT_STREQ(value, v);
        unsetenv(v);
    }
    EXPECT_EQ(DEF_env("identifier", "joxident", &value), 0);
    EXPECT_EQ(value, nullptr);

    setenv("joxtafcvt.site.identifier", "titled", 1);
    DEF_name("+site");
    ASSERT_EQ(DEF_env("identifier", nullptr, &value), 1);
    EXPECT_STREQ(value, "titled");
    unsetenv("joxtafcvt.site.identifier");

    std::string huge(100000, 'h');
    setenv("joxidentifier", huge.c_str(), 1);
    ASSERT_EQ(DEF_env("identifier", "", &value), 1);
    EXPECT_EQ(std::string(value), huge);
    unsetenv("joxidentifier");
}

// The built-in search path from the program's location: the fixed head always first, then
// the installation's own folders, whole or not at all.
TEST(DefSearchPath, FoldersOfTheProgramsInstallation) {
    const std::string head = DEF_SEARCH_PATH;
    // Prefixes whose folder "<prefix>/etc/tafcvt" is 159 characters (the longest file name)
    // and one more.
    const std::string longest = "/" + std::string(147, 'p');
    const std::string too_long = "/" + std::string(148, 'p');
    struct Case {
        const char* what;
        std::string exe;
        std::string added;  // what follows the head
    } cases[] = {
        {"system package", "/usr/bin/tafcvt", ":/usr/etc/tafcvt:/etc/tafcvt"},
        {"default prefix", "/usr/local/bin/tafcvt", ":/usr/local/etc/tafcvt"},
        {"any prefix", "/tmp/root/opt/wx/bin/tafcvt", ":/tmp/root/opt/wx/etc/tafcvt"},
        {"named by the program", "/opt/wx/bin/metcvt", ":/opt/wx/etc/metcvt"},
        {"only /usr itself is the system's", "/usrx/bin/tafcvt", ":/usrx/etc/tafcvt"},
        {"/usr deeper down", "/home/u/usr/bin/tafcvt", ":/home/u/usr/etc/tafcvt"},
        {"program in /bin", "/bin/tafcvt", ":/etc/tafcvt"},
        {"program in /", "/tafcvt", ":/etc/tafcvt"},
        {"longest folder", longest + "/bin/tafcvt", ":" + longest + "/etc/tafcvt"},
        {"folder too long", too_long + "/bin/tafcvt", ""},
        {"separator in the prefix", "/opt/a:b/bin/tafcvt", ""},
        {"relative", "bin/tafcvt", ""},
        {"no file name", "/usr/bin/", ""},
        {"unknown", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        char out[512];
        ASSERT_EQ(DEF_build_search_path(c.exe.c_str(), out, sizeof out), 0);
        EXPECT_EQ(out, head + c.added);
    }
    char out[512];
    EXPECT_EQ(DEF_build_search_path(nullptr, out, sizeof out), 0);
    EXPECT_EQ(out, head);
}

TEST(DefSearchPath, SmallBufferLeavesFoldersOutWhole) {
    const std::string head = DEF_SEARCH_PATH;
    const std::string first = ":/usr/etc/tafcvt";
    const std::string both = first + ":/etc/tafcvt";
    struct Case {
        size_t size;
        int status;
        std::string want;
    } cases[] = {
        {both.size() + head.size() + 1, 0, head + both},
        {both.size() + head.size(), 0, head + first},
        {first.size() + head.size() + 1, 0, head + first},
        {first.size() + head.size(), 0, head + ":/etc/tafcvt"},  // the shorter one still fits
        {head.size() + 12, 0, head},
        {head.size() + 1, 0, head},
        {head.size(), -1, ""},
        {1, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<char> out(c.size, 'x');  // exactly size bytes: a write past them is caught
        EXPECT_EQ(DEF_build_search_path("/usr/bin/tafcvt", out.data(), out.size()), c.status);
        ASSERT_NE(memchr(out.data(), '\0', out.size()), nullptr);
        EXPECT_EQ(out.data(), c.want);
    }
    EXPECT_EQ(DEF_build_search_path("/usr/bin/tafcvt", nullptr, 0), -1);
}

TEST(DefSearchPath, RunningProgramsPathIsBuiltOnceFromItsLocation) {
    // This test program stands in <build>/tests: its prefix is the build folder.
    std::string build = std::filesystem::canonical(TAFCVT_BIN).parent_path().string();
    std::string folder = build + "/etc/test_def_read";
    std::string want = DEF_SEARCH_PATH;
    if (folder.size() < static_cast<size_t>(FILE_NAME_MAX)) want += ":" + folder;
    const char* path = DEF_search_path();
    EXPECT_EQ(path, want);
    EXPECT_EQ(DEF_search_path(), path);
    DEF_reset();
    EXPECT_EQ(DEF_search_path(), path);
    EXPECT_EQ(path, want);
}

}  // namespace
