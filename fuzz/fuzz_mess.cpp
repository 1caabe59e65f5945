// The message setting string (MESS_set_str): level words with signs and sub-level letters,
// log files (fi, +fi, -fi, @fi, dfi), page, nopage, line=N; then messages at every level,
// paging pauses included (standard input is empty, so a pause ends at once).
//
// The process works inside its sandbox folder and log names stay there: inputs naming a
// pipe, another folder or a home folder ("|", "/", "\", "~") are refused; the files made are
// removed after each input. Standard output and error go to /dev/null.
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "harness.h"
#include "mess.h"

namespace {

constexpr M_type LEVELS[] = {MESS_PRINT, MESS_ERROR, MESS_WARN, MESS_MESS, MESS_OUT1,
                             MESS_OUT2,  MESS_OUT3,  MESS_OUT4, MESS_DEBUG, 0x00000001u,
                             0x80000000u};
constexpr int ROUNDS = 3;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (chdir(harness::sandbox().c_str()) != 0) return 1;
    harness::detach_stdin();
    harness::discard_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    if (harness::leaves_sandbox(input)) return -1;
    MESS_reset();
    std::vector<char> setting = harness::exact_copy(input);
    MESS_set_str(setting.data());
    MESS_set(MESS_DEFAULT_SET, MESS_WARN);  // a program's default: none once the user chose
    for (int round = 0; round < ROUNDS; ++round) {
        for (M_type level : LEVELS) {
            if (MESS_check(level))
                MESS_print(level, "%s %d:%s\n", "level", round, "a line\nand another");
        }
        MESS_print_prog("FUZZ");
        MESS_hold(MESS_PRINT, "Press return to continue\n");
    }
    MESS_flush();
    (void)MESS_check_set();
    MESS_reset();
    harness::clear_sandbox();
    return 0;
}
