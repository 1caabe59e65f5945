// Time selection and sequencing of input files: the time texts ("#date", signed hour and
// day offsets, "la"/"l#N" latest-file searches, "cu" offsets), the span and spacing of
// num_hour, the fixed date fields of the hour resource, and the named-file list, with the
// current time pinned by joxcurtime. Two dated files exist for the latest-file searches.
//
// Input lines: the name template (empty: the converter's), the time text, num_hour, hour,
// the filename list (comma-separated). The file listing's shell command is built for the
// template and checked (never run). Names that end the program ("exit") or list files
// through the shell ("list") are refused, and so are latest-file searches of more than a
// thousand steps (slow, not different). The run of names is followed for at most
// NAMES_MAX names.
#include <cstdint>
#include <string>
#include <vector>

#include "files.h"
#include "flag.h"
#include "harness.h"
#include "resrc.h"

namespace {

constexpr int NAMES_MAX = 200;
constexpr int64_t SEARCH_STEPS_MAX = 1000;
constexpr const char* DEFAULT_TEMPLATE = "%D/%y%m%d%h_taf";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness::pin_clock();
    harness::write_file(harness::sandbox_file("24031512_taf"), "FTUS43 KOKX 151130\n");
    harness::write_file(harness::sandbox_file("24031518_taf"), "FTUS43 KOKX 151730\n");
    harness::quiet_messages(MESS_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    std::vector<std::string> lines = harness::lines_of(input);
    lines.resize(5);
    const std::string& tmpl = lines[0].empty() ? DEFAULT_TEMPLATE : lines[0];
    const std::string& time_text = lines[1];
    const std::string& num_hour = lines[2];
    const std::string& hour = lines[3];
    const std::string& names = lines[4];
    if (harness::contains_nocase(names, "exit") || harness::contains_nocase(names, "list") ||
        harness::search_steps(input, SEARCH_STEPS_MAX) > SEARCH_STEPS_MAX)
        return -1;

    const unsigned h = harness::input_hash(input);
    harness::quiet_messages(h % 5 == 0 ? 0xFFFFFFFFu : 0x0FFFFFFFu);
    FILE_reset();
    RES_reset();
    FLAG_reset(-9999);
    FLAG_set(FLAG_BATCH, 1);  // never prompt
    RES_put("data_path", harness::sandbox().c_str());
    if (!num_hour.empty()) RES_put("num_hour", num_hour.c_str());
    if (!names.empty()) RES_put("filename", names.c_str());
    if (!hour.empty()) RES_conv_data(hour.c_str(), nullptr, CV_hour);
    std::vector<char> type = harness::exact_copy("@" + tmpl);
    FILE_set_name(type.data());
    FILE_list_file();  // the command is checked, not run

    char out[FILE_NAME_MAX];
    if ((h >> 4) % 2 == 0) {
        FILE_set_current(time_text.empty() ? nullptr : time_text.c_str(), out);
    } else {
        if (!time_text.empty()) RES_put("current", time_text.c_str());
        FILE_get_file_only("", out);
    }
    Date date;
    FILE_get_date(&date);
    FILE_first(&date);
    for (int i = 0; i < NAMES_MAX && FILE_get_next(out) == 1; ++i) FILE_get_date(&date);
    (void)FILE_num_hour();
    (void)FILE_get_skip();
    (void)FILE_get_offset();
    FILE_reset();
    RES_reset();
    FLAG_reset(0);
    MESS_reset();
    return 0;
}
