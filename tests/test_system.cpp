// Process services and prompts: answers typed at a prompt (one bounded word or a number), the
// "set" and "exit" commands, the end of standard input, the sleep and the version text.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mess.h"
#include "resrc.h"
#include "system.h"
#include "testutil.h"

using testutil::Capture;
using testutil::TempDir;
using testutil::write_file;

namespace {

class System : public ::testing::Test {
   protected:
    void SetUp() override {
        MESS_reset();
        RES_reset();
    }
    void TearDown() override {
        MESS_reset();
        RES_reset();
    }
    // Makes text the rest of standard input.
    void feed(const std::string& text) {
        std::string path = dir_.file("stdin");
        write_file(path, text);
        ASSERT_NE(freopen(path.c_str(), "r", stdin), nullptr);
    }
    std::string get(const char* name) {
        const char* v = RES_get(name);
        return v != nullptr ? v : "<null>";
    }

    TempDir dir_;
};

TEST_F(System, PromptTakesTheFirstWord) {
    struct Case {
        const char* input;
        int length;
        const char* word;
        const char* shown;  // everything the prompts printed
    } cases[] = {
        {"  KORD extra words\n", 10, "KORD", "Station: "},
        {"\n   \n\tKDEN\n", 10, "KDEN", "Station: Station: Station: "},
        {"abcdefghijklmnopqrstuvwxyz\n", 20, "abcdefghijklmnopqrs", "Station: "},
        {"KORD", 10, "KORD", "Station: "},  // a last line without its line end
        {"KORD  \r\n", 10, "KORD", "Station: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        feed(c.input);
        char word[32] = "unchanged";
        Capture out(1);
        EXPECT_EQ(JOX_prompts("Station: ", word, c.length), word);
        EXPECT_EQ(out.stop(), c.shown);
        EXPECT_STREQ(word, c.word);
    }
}

TEST_F(System, PromptBufferSizes) {
    feed("xyz\nabc\n");
    Capture out(1);
    char* word = JOX_prompts("? ", nullptr, 1);  // its own buffer: one character and the NUL
    ASSERT_NE(word, nullptr);
    EXPECT_STREQ(word, "x");
    free(word);
    char small[1];
    EXPECT_EQ(JOX_prompts("? ", small, 1), nullptr);  // cannot hold a word: nothing asked
    word = JOX_prompts("? ", nullptr, 0);
    ASSERT_NE(word, nullptr);
    EXPECT_STREQ(word, "a");
    free(word);
    EXPECT_EQ(out.stop(), "? ? ");
}

TEST_F(System, OverlongLineIsCutNotCarriedOver) {
    feed(std::string(100, 'x') + " tail\nsecond\n");
    char word[200];
    Capture out(1);
    JOX_prompts("> ", word, sizeof word);
    EXPECT_EQ(std::string(word), std::string(79, 'x'));
    JOX_prompts("> ", word, sizeof word);
    EXPECT_STREQ(word, "second");
    EXPECT_EQ(out.stop(), "> > ");
}

TEST_F(System, SetCommandsAtAPrompt) {
    feed(
        "set identifier=KORD\nSET product  FT KORD\nset empty\nset a2345678901234567890 x\n"
        "set a234567890123456789==  y\nanswer\n");
    char word[10];
    Capture out(1);
    Capture err(2);
    JOX_prompts("> ", word, sizeof word);
    EXPECT_EQ(err.stop(), "set: resource name longer than 19 characters\n");
    EXPECT_EQ(out.stop(), "> > > > > > ");
    EXPECT_STREQ(word, "answer");
    EXPECT_EQ(get("identifier"), "KORD");
    EXPECT_EQ(get("product"), "FT KORD");
    EXPECT_EQ(get("empty"), "");
    EXPECT_EQ(get("a2345678901234567890"), "<null>");
    EXPECT_EQ(get("a234567890123456789"), "y");
}

TEST_F(System, SetAloneListsTheResources) {
    RES_put("identifier", "KORD");
    RES_put("bare", nullptr);
    feed("set\nok\n");
    char word[10];
    Capture out(1);
    JOX_prompts("> ", word, sizeof word);
    EXPECT_EQ(out.stop(), "> Set resources\nidentifier: KORD\nbare:\n\n> ");
}

TEST_F(System, SetCommandResults) {
    struct Case {
        const char* line;
        int want;
    } cases[] = {{"set x 1", 1}, {"Settle", 1}, {"hello", 0}, {"", 0}, {" set x 1", 0}, {"se", 0}};
    Capture out(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(JOX_set_command(c.line), c.want);
    }
    EXPECT_EQ(JOX_set_command(nullptr), 0);
    out.stop();
    EXPECT_EQ(get("x"), "1");
}

TEST_F(System, ExitCommandEndsTheProgram) {
    for (const char* line : {"exit\n", "EXIT now\n", "exiting\n"}) {
        SCOPED_TRACE(line);
        feed(line);
        char word[10];
        EXPECT_EXIT(JOX_prompts("> ", word, sizeof word), ::testing::ExitedWithCode(0), "");
    }
    EXPECT_EXIT(JOX_set_command("exit"), ::testing::ExitedWithCode(0), "");
}

TEST_F(System, EndOfInputAtAPromptIsAnError) {
    feed("");
    char word[10];
    EXPECT_EXIT(JOX_prompts("> ", word, sizeof word), ::testing::ExitedWithCode(1),
                "End of input: no answer to the prompt");
    feed("\n\n");
    EXPECT_EXIT(JOX_promptf("> "), ::testing::ExitedWithCode(1), "End of input");
}

TEST_F(System, NumberPrompt) {
    struct Case {
        const char* input;
        float want;
        const char* shown;
    } cases[] = {
        {"3.5\n", 3.5f, "n? "},
        {"abc\n\n  -2e1 x\n", -20.0f, "n? n? n? "},
        {"set level 3\n7\n", 7.0f, "n? n? "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        feed(c.input);
        Capture out(1);
        EXPECT_FLOAT_EQ(JOX_promptf("n? "), c.want);
        EXPECT_EQ(out.stop(), c.shown);
    }
    EXPECT_EQ(get("level"), "3");
}

TEST_F(System, PromptsFollowTheMessageLevel) {
    MESS_set_str("none");
    feed("KORD\n");
    char word[10];
    Capture out(1);
    JOX_prompts("> ", word, sizeof word);
    EXPECT_EQ(out.stop(), "");
    EXPECT_STREQ(word, "KORD");
}

TEST_F(System, Sleep) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(JOX_sleep(0.0f), -1);
    EXPECT_EQ(JOX_sleep(-1.0f), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(JOX_sleep(0.05f), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST_F(System, VersionAndExit) {
    EXPECT_STREQ(JOX_version(), "5.60.2-LINUX-X11");
    EXPECT_EXIT(JOX_exit(3), ::testing::ExitedWithCode(3), "");
    EXPECT_EXIT(
        {
            MESS_print(MESS_WARN, "last words");
            JOX_exit(JOX_EXIT_NO_WINDOW);
        },
        ::testing::ExitedWithCode(7), "last words");
}

}  // namespace
