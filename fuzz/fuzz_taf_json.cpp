// TAF_decode in the JSON form on any report text: each report gives exactly one line, ended
// by its only newline, that a JSON parser accepts as one object, whatever the bytes, the
// file's date (months and years at their ends) and the bulletin and file names around it;
// and its "raw" is the report's words joined by single blanks without the final "=", read
// back from UTF-8 to the report's Latin-1 bytes.
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "harness.h"
#include "taf.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The report's words joined by single blanks, without the final "=" and the blanks around
// it, each byte as UTF-8 takes it from Latin-1: of the TAF_REPORT_MAX characters that are
// decoded (the driver never gathers more).
std::string expected_raw(std::string_view report) {
    report = report.substr(0, report.find('\0')).substr(0, TAF_REPORT_MAX);
    while (!report.empty() && is_blank(report.back())) report.remove_suffix(1);
    if (!report.empty() && report.back() == '=') report.remove_suffix(1);
    std::string raw;
    bool blank = false;
    for (char c : report) {
        if (is_blank(c)) {
            blank = !raw.empty();
            continue;
        }
        if (blank) raw += ' ';
        blank = false;
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            raw += c;
        } else {
            raw += static_cast<char>(0xC0 | (b >> 6));
            raw += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return raw;
}

constexpr int MONTHS = 12;
constexpr int DAYS = 31;
constexpr int FIRST_YEAR = 2023;  // with a leap year after it

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness::load_stations();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    const unsigned h = harness::input_hash(input);
    harness::quiet_messages(MESS_PRINT);
    // The first line, when the input has several, names the file and the bulletin.
    auto [first, rest] = harness::first_line(input);
    const std::string names(rest.empty() ? std::string_view() : first);
    std::vector<char> report = harness::exact_copy(rest.empty() ? input : rest);
    TafSource source;
    source.file = names.c_str();
    source.bulletin = h % 2 == 0 ? names.c_str() : "";
    source.cut = h % 7 == 0;
    TAF_set_source(&source);
    file_date = Date{FIRST_YEAR + static_cast<int>(h % 2), 1 + static_cast<int>(h / 2 % MONTHS),
                     1 + static_cast<int>(h / 2 / MONTHS % DAYS), 1, 1, 12, 0, 0};
    dec_mes = MESS_PRINT;
    id = nullptr;
    english = TAF_FORM_JSON;
    TAF_decode(report.data());
    const std::string_view line = TAF_json_last_line();
    if (line.empty() || line.find('\n') != line.size() - 1) abort();
    const auto object = nlohmann::json::parse(line, nullptr, false);
    if (object.is_discarded() || !object.is_object()) abort();
    if (object["raw"] != expected_raw(rest.empty() ? input : rest)) abort();
    TAF_set_source(nullptr);
    english = TAF_FORM_ENGLISH;
    MESS_reset();
    return 0;
}
