// TAF_decode on any report text, in both forms: English sentences and the decoded listing,
// with every output level on (formatted into /dev/null), stations looked up in the shipped
// city database. Some inputs also go through the station-list form, which reads the
// database file for each report, and through the debug traces.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "taf.h"

namespace {

constexpr M_type ALL_BUT_DEBUG = 0x0FFFFFFFu;
constexpr unsigned STATION_LIST_ONE_IN = 64;
constexpr unsigned TRACE_ONE_IN = 13;
constexpr int MONTHS = 12;
constexpr int DAYS = 31;
constexpr int FILE_YEAR = 2024;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness::load_stations();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    unsigned h = harness::input_hash(input);
    harness::quiet_messages(h % TRACE_ONE_IN == 0 ? 0xFFFFFFFFu : ALL_BUT_DEBUG);
    std::vector<char> report = harness::exact_copy(input);
    // The file's date names the month of the report's days; the day decides between months.
    file_date = Date{FILE_YEAR, 1 + static_cast<int>(h % MONTHS),
                     1 + static_cast<int>((h / MONTHS) % DAYS), 1, 1, 12, 0, 0};
    raw_mes = MESS_OUT2;
    dec_mes = MESS_PRINT;
    id = nullptr;
    for (int form : {1, 0}) {
        english = form;
        TAF_decode(report.data());
        // The English text is bounded whatever the report.
        if (TAF_output_length() > TAF_OUTPUT_MAX) abort();
    }
    if (h % STATION_LIST_ONE_IN == 1) {
        id = "KDSM";
        english = (h >> 8) & 1;
        TAF_decode(report.data());
        id = nullptr;
    }
    MESS_reset();
    return 0;
}
