// TAF_decode in the table form on any report text, with colors and without: whatever the
// bytes, the text written is lines ended by newlines, none ending in a blank, holding no
// byte a terminal acts on but the color codes the table writes itself (and those only when
// colors are on).
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "harness.h"
#include "taf.h"
#include "taf_table.h"

namespace {

constexpr int MONTHS = 12;
constexpr int DAYS = 31;
constexpr int FILE_YEAR = 2024;

// The codes the table writes: a category's color and the reset.
constexpr std::string_view CODES[] = {"\x1b[32m", "\x1b[34m", "\x1b[31m", "\x1b[35m", "\x1b[0m"};

void check(std::string_view text, bool colored) {
    if (text.empty() || text.back() != '\n') abort();
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            if (i > 0 && text[i - 1] == ' ') abort();
            continue;
        }
        if (c == 0x1b) {
            bool known = false;
            for (std::string_view code : CODES) {
                if (text.substr(i, code.size()) != code) continue;
                known = true;
                i += code.size() - 1;
                break;
            }
            if (!known || !colored) abort();
            continue;
        }
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness::load_stations();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    const unsigned h = harness::input_hash(input);
    harness::quiet_messages(MESS_PRINT);
    std::vector<char> report = harness::exact_copy(input);
    file_date = Date{FILE_YEAR, 1 + static_cast<int>(h % MONTHS),
                     1 + static_cast<int>(h / MONTHS % DAYS), 1, 1, 12, 0, 0};
    dec_mes = MESS_PRINT;
    id = nullptr;
    english = TAF_FORM_TABLE;
    for (bool colored : {false, true}) {
        TAF_table_set_color(colored);
        TAF_decode(report.data());
        check(TAF_table_last_text(), colored);
    }
    TAF_table_set_color(false);
    english = TAF_FORM_ENGLISH;
    MESS_reset();
    return 0;
}
