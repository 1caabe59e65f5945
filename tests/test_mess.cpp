// Message output: levels, setting strings, destinations, log files and paging.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "flag.h"
#include "mess.h"
#include "testutil.h"

using testutil::Capture;
using testutil::TempDir;

namespace {

// The enabled levels, read back one bit at a time.
M_type enabled_mask() {
    M_type mask = 0;
    for (int bit = 0; bit < 32; ++bit)
        if (MESS_check(M_type{1} << bit)) mask |= M_type{1} << bit;
    return mask;
}

class MessTest : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        FLAG_reset(0);
    }
    void TearDown() override { MESS_reset(); }
};

}  // namespace

TEST_F(MessTest, InitialLevelIsOut2AndBelow) {
    EXPECT_EQ(enabled_mask(), 0x000FFFFFu);
    Capture out(1);
    EXPECT_EQ(MESS_print(MESS_OUT3, "hidden %d\n", 3), 0);
    EXPECT_EQ(MESS_print(MESS_DEBUG, "hidden\n"), 0);
    EXPECT_EQ(MESS_print(MESS_OUT2, "shown %s\n", "two"), 1);
    EXPECT_EQ(out.stop(), "shown two\n");
}

TEST_F(MessTest, ErrorsAndWarningsGoToStandardError) {
    Capture err(2);
    Capture out(1);
    MESS_print(MESS_WARN, "w\n");
    MESS_print(MESS_ERROR, "e\n");
    MESS_print(MESS_PRINT, "p\n");
    MESS_print(MESS_MESS, "m\n");
    EXPECT_EQ(out.stop(), "p\nm\n");
    EXPECT_EQ(err.stop(), "w\ne\n");
}

TEST_F(MessTest, LevelWordsOfTheSettingString) {
    struct Case {
        const char* setting;
        M_type expected;
    };
    const Case cases[] = {
        {"out1", 0x0000FFFFu},  {"error", 0x0000003Fu},     {"warn", 0x000000FFu},
        {"none", 0x00000000u},  {"debug", 0xFFFFFFFFu},     {"print", 0x0000000Fu},
        {"out1b", 0x00003FFFu}, {"errorc", 0x00000000u},    {"warnc", 0x0000007Fu},
        {"printa", 0x00000001u}, {"messages", 0x00000FFFu}, {"printout", 0x0000000Fu},
        {"bogus", 0x00000000u}, {"OUT4", 0x0FFFFFFFu},      {"out1B", 0x0000FFFFu},
        {"-mess", 0x000FF0FFu}, {"+debug", 0xF00FFFFFu},    {"+bogus", 0x000FFFFFu},
        {"warn,+out3", 0x00F000FFu}, {"out2,-print", 0x000FFFF0u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        MESS_reset();
        MESS_set_str(c.setting);
        EXPECT_EQ(enabled_mask(), c.expected);
        EXPECT_EQ(MESS_check_set(), 1);
    }
}

TEST_F(MessTest, NoneSilencesEvenPrint) {
    MESS_set_str("none");
    Capture out(1);
    EXPECT_EQ(MESS_print(MESS_PRINT, "x\n"), 0);
    EXPECT_EQ(out.stop(), "");
}

TEST_F(MessTest, OperationCodesAndTheDefaultRule) {
    MESS_set(MESS_DEFAULT_SET, 0xFF);  // a program default while nobody chose: applies
    EXPECT_EQ(enabled_mask(), 0xFFu);
    EXPECT_EQ(MESS_check_set(), 0);
    MESS_set(MESS_FORCE_ADD, 0xF000);  // add without choosing
    EXPECT_EQ(enabled_mask(), 0xF0FFu);
    MESS_set(MESS_FORCE_REMOVE, 0xF);  // remove without choosing
    EXPECT_EQ(enabled_mask(), 0xF0F0u);
    EXPECT_EQ(MESS_check_set(), 0);
    MESS_set(MESS_ADD, 0xF);  // an explicit add
    EXPECT_EQ(MESS_check_set(), 1);
    MESS_set(MESS_DEFAULT_SET, 0xF0000);  // defaults no longer apply
    MESS_set(MESS_DEFAULT_ADD, 0xF0000);
    MESS_set(MESS_DEFAULT_REMOVE, 0xF);
    EXPECT_EQ(enabled_mask(), 0xF0FFu);
    MESS_set(MESS_FORCE_SET, 0x1000);  // still changes the level, still not a choice
    EXPECT_EQ(enabled_mask(), 0x1FFFu);
    EXPECT_EQ(MESS_check_set(), 1);
    MESS_set(MESS_REMOVE, 0x1000);
    EXPECT_EQ(enabled_mask(), 0x0FFFu);
    EXPECT_EQ(MESS_check_set(), 2);
    // An unlisted code up to 4 changes nothing but counts; one above 4 does not even count.
    MESS_set(static_cast<MESS_oper>(3), 0xFFFFFFFFu);
    MESS_set(static_cast<MESS_oper>(7), 0xFFFFFFFFu);
    EXPECT_EQ(enabled_mask(), 0x0FFFu);
    EXPECT_EQ(MESS_check_set(), 3);
}

TEST_F(MessTest, UserChoiceWinsOverLaterProgramDefault) {
    MESS_set_str("out1");
    MESS_set(MESS_DEFAULT_SET, 0xFF);
    EXPECT_EQ(enabled_mask(), 0xFFFFu);
    MESS_set(MESS_FORCE_SET, 0x80);
    EXPECT_EQ(enabled_mask(), 0xFFu);
}

TEST_F(MessTest, LogFileOnlyMode) {
    TempDir dir;
    std::string log = dir.file("out.log");
    MESS_set_str(("print,fi=" + log).c_str());
    Capture out(1);
    EXPECT_EQ(MESS_print(MESS_PRINT, "to %s\n", "file"), 0);
    EXPECT_EQ(out.stop(), "");
    MESS_flush();
    EXPECT_EQ(testutil::read_file(log), "to file\n");
}

TEST_F(MessTest, AppendTruncateAndStampedLogs) {
    TempDir dir;
    std::string log = dir.file("sub/msg.log");  // the folder is made on opening
    testutil::write_file(dir.file("sub/old"), "");
    testutil::write_file(log, "old\n");
    MESS_set_str(("+fi=" + log).c_str());
    {
        Capture out(1);
        EXPECT_EQ(MESS_print(MESS_PRINT, "a\n"), 1);
        EXPECT_EQ(out.stop(), "a\n");
    }
    MESS_flush();
    EXPECT_EQ(testutil::read_file(log), "old\na\n");

    MESS_set_str(("-fi=" + log).c_str());
    {
        Capture out(1);
        MESS_print(MESS_PRINT, "b\n");
        out.stop();
    }
    MESS_flush();
    EXPECT_EQ(testutil::read_file(log), "b\n");

    MESS_set_str(("warn,@fi=" + log).c_str());
    EXPECT_EQ(enabled_mask(), 0xFFu);
    {
        Capture err(2);
        MESS_print(MESS_WARN, "c\n");
        EXPECT_EQ(err.stop(), "c\n");
    }
    MESS_flush();
    std::string text = testutil::read_file(log);
    // "b\n" then "YY MON DD  HH:MM:SSZ -- c\n"
    ASSERT_EQ(text.size(), 2 + 20 + 4 + 2);
    EXPECT_EQ(text.substr(0, 2), "b\n");
    EXPECT_EQ(text.substr(2 + 20), " -- c\n");
    EXPECT_EQ(text[2 + 19], 'Z');
}

TEST_F(MessTest, ReopenPerMessageMode) {
    TempDir dir;
    std::string log = dir.file("d.log");
    MESS_set_str(("dfi=" + log).c_str());
    Capture out(1);
    MESS_print(MESS_PRINT, "one\n");
    EXPECT_EQ(testutil::read_file(log), "one\n");  // closed after each message
    MESS_print(MESS_PRINT, "two\n");
    EXPECT_EQ(out.stop(), "one\ntwo\n");
    EXPECT_EQ(testutil::read_file(log), "one\ntwo\n");
}

TEST_F(MessTest, PipeLogTarget) {
    TempDir dir;
    std::string log = dir.file("piped.log");
    MESS_set_str(("fi=|cat > " + log).c_str());
    MESS_print(MESS_PRINT, "through %s\n", "a pipe");
    MESS_reset();  // closing the pipe waits for the command
    EXPECT_EQ(testutil::read_file(log), "through a pipe\n");
}

TEST_F(MessTest, LogItemWithoutNameStillSetsTheMode) {
    MESS_set_str("@fi");  // no name: no file (not the standard output)
    Capture out(1);
    EXPECT_EQ(MESS_print(MESS_PRINT, "x\n"), 1);
    EXPECT_EQ(out.stop(), "x\n");
    MESS_reset();
    MESS_set_str("fi=");
    Capture out2(1);
    EXPECT_EQ(MESS_print(MESS_PRINT, "y\n"), 0);
    EXPECT_EQ(out2.stop(), "");
}

namespace {

// Runs body with standard input read from text; returns what went to standard output.
template <class F>
std::string with_input(const std::string& text, F body) {
    TempDir dir;
    testutil::write_file(dir.file("in"), text);
    fflush(stdin);
    int saved = dup(0);
    FILE* in = fopen(dir.file("in").c_str(), "r");
    dup2(fileno(in), 0);
    fclose(in);
    clearerr(stdin);
    Capture out(1);
    body();
    std::string printed = out.stop();
    dup2(saved, 0);
    close(saved);
    clearerr(stdin);
    return printed;
}

}  // namespace

TEST_F(MessTest, PagingHoldsAfterMaxLines) {
    MESS_set_str("page,line=2");
    std::string printed = with_input("\n\n", [] {
        MESS_print(MESS_PRINT, "1\n");
        MESS_print(MESS_PRINT, "2\n");
        MESS_print(MESS_PRINT, "3\n");  // the third counted newline holds
        MESS_print(MESS_PRINT, "4\n");
    });
    EXPECT_EQ(printed, "1\n2\n3\nPress return to continue\n4\n");
}

TEST_F(MessTest, PagingCountsNewlinesOfTheFormatOnly) {
    MESS_set_str("page,line=1");
    std::string printed = with_input("\n", [] {
        MESS_print(MESS_PRINT, "%s", "a\nb\nc\n");  // no newline in the format itself
        MESS_print(MESS_PRINT, "x\n");
        MESS_print(MESS_PRINT, "y\n");
    });
    EXPECT_EQ(printed, "a\nb\nc\nx\ny\nPress return to continue\n");
}

TEST_F(MessTest, NoHoldInBatchModeOrWithoutPaging) {
    FLAG_set(FLAG_BATCH, 1);
    MESS_set_str("page,line=1");
    std::string printed = with_input("", [] {
        for (int i = 0; i < 4; ++i) MESS_print(MESS_PRINT, "l\n");
    });
    EXPECT_EQ(printed, "l\nl\nl\nl\n");
    FLAG_set(FLAG_BATCH, 0);
    MESS_reset();
    MESS_set_str("nopage,line=1");
    printed = with_input("", [] {
        for (int i = 0; i < 4; ++i) MESS_print(MESS_PRINT, "l\n");
    });
    EXPECT_EQ(printed, "l\nl\nl\nl\n");
}

TEST_F(MessTest, UnreadableLineCountMeans22) {
    for (const char* setting :
         {"page,line=0", "page,line=abc", "page,line", "page,line=-99999999999999999999"}) {
        SCOPED_TRACE(setting);
        MESS_reset();
        MESS_set_str(setting);
        std::string printed = with_input("\n", [] {
            for (int i = 0; i < 23; ++i) MESS_print(MESS_PRINT, "l\n");
        });
        std::string expected;
        for (int i = 0; i < 23; ++i) expected += "l\n";
        expected += "Press return to continue\n";
        EXPECT_EQ(printed, expected);
    }
}

TEST_F(MessTest, HugeLineCountNeverHolds) {
    MESS_set_str("page,line=99999999999999999999");  // held at the largest int
    std::string printed = with_input("", [] {
        for (int i = 0; i < 30; ++i) MESS_print(MESS_PRINT, "l\n");
    });
    EXPECT_EQ(printed.find("Press return"), std::string::npos);
}

TEST_F(MessTest, ProgramHeading) {
    Capture out(1);
    MESS_print_prog("TERMINAL FORECAST PARSER");
    EXPECT_EQ(out.stop(), "      TERMINAL FORECAST PARSER (Ver 5.60.2-LINUX-X11)\n\n");
    MESS_set_str("print");
    Capture quiet(1);
    MESS_print_prog("X");
    EXPECT_EQ(quiet.stop(), "");
}
