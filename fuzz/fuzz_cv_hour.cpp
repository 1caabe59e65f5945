// The hour resource's conversion (CV_hour): any text read as fixed or stepping date fields
// ("#YYYYMMDDHHMM", MMDDHH, DDHH, DHH, "Nd[H[:M]]", ":M", "-:M", "H[:M]", "-0:30"), then used
// the ways the file naming uses them: names built for dates from templates with every date
// field, their time step, and the choice of a time that fits the fixed fields.
#include <cstdint>
#include <vector>

#include "files.h"
#include "harness.h"
#include "resrc.h"

namespace {

constexpr const char* TEMPLATES[] = {"@%Y%m%d%h%n_%j", "@%y%3m%2d%6h%15n", "@%b%d%j"};
const Date FILE_DAY = {2024, 3, 15, 75, 5, 18, 0, 0};
constexpr int STEP_OFFSETS[] = {0, 3600, -86400, 2000000000};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("joxcurtime", "202403151800", 1);
    harness::quiet_messages(MESS_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    harness::quiet_messages(0x0FFFFFFFu);
    FILE_reset();
    RES_reset();
    std::vector<char> text = harness::exact_copy(input);
    RES_conv_data(text.data(), nullptr, CV_hour);
    Date fixed;
    FILE_get_time(&fixed);
    char out[FILE_NAME_MAX];
    for (const char* tmpl : TEMPLATES) {
        std::vector<char> type = harness::exact_copy(tmpl);
        FILE_set_name(type.data());
        FILE_set_date(&FILE_DAY, out);
        (void)FILE_get_offset();
        for (int off : STEP_OFFSETS) {
            Date from = FILE_DAY;
            FILE_set_date_off(&from, off, out);
        }
        FILE_set_current("#202403151800", out);
    }
    FILE_reset();
    MESS_reset();
    return 0;
}
