// Prompt answers: typed lines read from standard input by the prompts (words, "set" and "set
// name=value" commands, over-long lines, blank lines) and the interactive choice of the
// input file (a typed name read against the template, "#date", "cu", "la", "list" with its
// listing command checked, never run), then a station prompt and a number prompt.
//
// Input: the typed lines. Each input ends with answers every prompt takes ("7"), since the
// end of standard input at a prompt ends the program; inputs that type "exit" (which ends it
// too) are refused, and so are latest-file searches of more than a thousand steps.
#include <cstdint>
#include <cstdio>
#include <string>

#include "files.h"
#include "flag.h"
#include "harness.h"
#include "resrc.h"
#include "system.h"

namespace {

constexpr int64_t SEARCH_STEPS_MAX = 1000;
constexpr std::string_view FINAL_ANSWERS = "\n7\n7\n7\n";
constexpr int STATION_SIZE = 20;
constexpr const char* TEMPLATE = "@%D/%y%m%d%h_taf";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness::pin_clock();
    harness::write_file(harness::sandbox_file("24031518_taf"), "FTUS43 KOKX 151730\n");
    harness::quiet_messages(MESS_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    if (harness::contains_nocase(input, "exit") ||
        harness::search_steps(input, SEARCH_STEPS_MAX) > SEARCH_STEPS_MAX)
        return -1;
    const std::string answers = harness::sandbox_file("answers");
    harness::write_file(answers, std::string(input) + std::string(FINAL_ANSWERS));
    if (freopen(answers.c_str(), "r", stdin) == nullptr) return 0;

    harness::quiet_messages(harness::input_hash(input) % 5 == 0 ? 0xFFFFFFFFu : 0x0FFFFFFFu);
    FILE_reset();
    RES_reset();
    FLAG_reset(-9999);  // not batch mode: the prompts are asked
    RES_put("data_path", harness::sandbox().c_str());
    std::vector<char> type = harness::exact_copy(TEMPLATE);
    FILE_set_name(type.data());

    char name[FILE_NAME_MAX];
    FILE_get_file_only("Enter the filename: ", name);
    char station[STATION_SIZE];
    JOX_prompts("Enter the desired identifier (as in KIND): ", station, STATION_SIZE);
    (void)JOX_promptf("Enter a number: ");

    FILE_reset();
    RES_reset();
    FLAG_reset(0);
    MESS_reset();
    return 0;
}
