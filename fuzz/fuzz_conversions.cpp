// The resource value conversions, above all the hour resource's (CV_hour): any text read as
// fixed or stepping date fields ("#YYYYMMDDHHMM", MMDDHH, DDHH, DHH, "Nd[H[:M]]", ":M", "-:M",
// "H[:M]", "-0:30"), then used the ways the file naming uses them: names built for dates from
// templates with every date field, their time step, and the choice of a time that fits the
// fixed fields. The same text also goes through every other conversion into a destination
// of its kind (numbers, texts, paths, domains, switches, plot settings, device).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files.h"
#include "flag.h"
#include "harness.h"
#include "maptran.h"
#include "resrc.h"

namespace {

constexpr const char* TEMPLATES[] = {"@%Y%m%d%h%n_%j", "@%y%3m%2d%6h%15n", "@%b%d%j"};
const Date FILE_DAY = {2024, 3, 15, 75, 5, 18, 0, 0};
constexpr int STEP_OFFSETS[] = {0, 3600, -86400, 2000000000};

void hour_conversion(const char* text) {
    FILE_reset();
    RES_conv_data(text, nullptr, CV_hour);
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
}

// Every other conversion, each into a destination of exactly its size.
void other_conversions(const char* text) {
    int number = 0;
    for (DEF_convert cvt : {CV_int, CV_bool}) RES_conv_data(text, &number, cvt);
    int16_t small = 0;
    RES_conv_data(text, &small, CV_short);
    int64_t large = 0;
    for (DEF_convert cvt : {CV_long, CV_color}) RES_conv_data(text, &large, cvt);
    float real = 0;
    RES_conv_data(text, &real, CV_float);
    const char* pointer = nullptr;
    for (DEF_convert cvt : {CV_string, CV_device}) RES_conv_data(text, &pointer, cvt);
    std::vector<char> copy(RES_STRCPY_MAX);
    RES_conv_data(text, copy.data(), copy.size(), CV_strcpy);
    char tight[4];
    RES_conv_data(text, tight, CV_strcpy);
    char* path = nullptr;
    if (RES_conv_data(text, &path, CV_path) == 1) free(path);
    Domain dom;
    for (DEF_convert cvt : {CV_domain, CV_region}) RES_conv_data(text, &dom, cvt);
    for (DEF_convert cvt : {CV_draw, CV_file_param, CV_plot_type, CV_device, CV_batch, CV_help,
                            CV_bool, CV_none, CV_name, CV_current, CV_ingestor})
        RES_conv_data(text, nullptr, cvt);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness::pin_clock();
    harness::quiet_messages(MESS_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    harness::quiet_messages(0x0FFFFFFFu);
    RES_reset();
    FLAG_reset(-9999);
    std::vector<char> text = harness::exact_copy(input);
    hour_conversion(text.data());
    other_conversions(text.data());
    FLAG_reset(0);
    FLAG_resetplot(1);
    MESS_reset();
    return 0;
}
