// File-name conventions: any name-convention file, any file type text (with ":k=value" key
// settings and "@template" forms), any typed file name read against the template (with
// "#date" suffixes and the choices by time), names built for dates from the template, and
// the file listing's shell command (checked, never run).
//
// Input lines: the file type, the typed name, a date (digits YYYYMMDDHHMM, optional), then
// the name-convention file. Typed names that end the program ("exit") are refused, and so
// are latest-file searches asking for more than a thousand steps (slow, not different).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "files.h"
#include "harness.h"
#include "resrc.h"
#include "string.h"

namespace {

constexpr int64_t SEARCH_STEPS_MAX = 1000;
constexpr int DATE_FIELDS = 5;
constexpr int STEP_OFFSETS[] = {0, 3600, -86400, 1000000};

// "YYYYMMDDHHMM", as many fields as the digits give; the rest missing.
Date read_date(std::string_view text) {
    Date d = {2024, 3, 15, DATE_MISSING, DATE_MISSING, 18, 0, 0};
    if (text.empty()) return d;
    int32_t* fields[DATE_FIELDS] = {&d.year, &d.month, &d.day, &d.hour, &d.min};
    const size_t widths[DATE_FIELDS] = {4, 2, 2, 2, 2};
    size_t at = 0;
    for (int i = 0; i < DATE_FIELDS; ++i) {
        if (at + widths[i] > text.size()) {
            *fields[i] = DATE_MISSING;
            continue;
        }
        *fields[i] = clamped_int(std::string(text.substr(at, widths[i])).c_str());
        at += widths[i];
    }
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness::pin_clock();
    harness::quiet_messages(MESS_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    auto [type_text, rest1] = harness::first_line(input);
    auto [typed, rest2] = harness::first_line(rest1);
    auto [date_text, conv_file] = harness::first_line(rest2);
    if (harness::contains_nocase(typed, "exit") ||
        harness::search_steps(typed, SEARCH_STEPS_MAX) > SEARCH_STEPS_MAX)
        return -1;

    harness::quiet_messages(harness::input_hash(input) % 5 == 0 ? 0xFFFFFFFFu : 0x0FFFFFFFu);
    FILE_reset();
    RES_reset();
    harness::write_file(harness::sandbox_file("name_conv"), conv_file);
    RES_put("file_path", harness::sandbox().c_str());
    RES_put("data_path", "/data/raw");
    RES_put("grid_path", "");
    RES_put("model", "eta");

    std::vector<char> type = harness::exact_copy(type_text);
    FILE_set_name(type.data());
    FILE_list_file();  // the command is checked, not run
    Date date = read_date(date_text);
    char out[FILE_NAME_MAX];
    FILE_set_date(&date, out);
    FILE_hdr_set_date(&date, out);
    FILE_save_name_conv();

    std::vector<char> name = harness::exact_copy(typed);
    FILE_set_file(name.data(), out);
    FILE_get_filename(out);
    (void)FILE_get_filename_type();
    Date got;
    FILE_get_date(&got);
    FILE_hdr_set_date(nullptr, out);
    FILE_set_date(nullptr, out);
    for (int off : STEP_OFFSETS) {
        Date from = got;
        FILE_set_date_off(&from, off, out);
    }
    FILE_restore_name_conv();
    FILE_set_date(&date, out);
    FILE_reset();
    RES_reset();
    MESS_reset();
    return 0;
}
