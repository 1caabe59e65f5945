// The pattern scanner with any pattern, well-formed or not, against any text. The pattern
// stands in a buffer of exactly its length and terminator, so that a read past its end is
// caught; the text too, or (for some inputs) without any terminator at all, the scanner
// being bound by the length it was given. Every scan is checked against the reference
// scanner, and its counts against what the scanner promises.
//
// Input: one control byte, the pattern up to the first newline, then the text.
// Control bits: 0x01 trace lines on; 0x02 unterminated text (trace off then: the trace
// prints the text as a string); 0x0C destinations: 0 as the letters ask, 1 text buffers of
// one byte, 2 of the wrong kinds, 3 none; 0xF0 the starting offset.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "harness.h"
#include "scanp.h"

namespace {

constexpr size_t DEST_TEXT_SIZE = 8;
constexpr int RUN_MAX = 100;  // matches followed from the starting offset

int percent_count(const char* pat) {
    int n = 0;
    for (const char* p = pat; *p != '\0'; ++p) n += *p == '%';
    return n;
}

// The counts of a scan as the scanner promises them; a broken promise is a finding.
void check_counts(const parse_param& param, int got, int directives, int nargs) {
    bool sound = param.len >= 0 && param.len <= param.length - param.off &&
                 param.matched >= 0 && param.matched <= directives &&
                 param.assigned >= 0 && param.assigned <= param.matched &&
                 param.assigned <= nargs && (param.done == 0 || param.done == 1) &&
                 (got == -1 ? param.len == 0 && param.matched == 0 && param.assigned == 0
                            : got == param.matched);
    if (!sound) {
        fprintf(stderr, "scan counts: got %d len %d matched %d assigned %d done %d off %d\n", got,
                param.len, param.matched, param.assigned, param.done, param.off);
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return -1;
    const unsigned control = data[0];
    auto [pat_text, text_part] = harness::first_line(harness::as_text(data + 1, size - 1));
    pat_text = pat_text.substr(0, strnlen(pat_text.data(), pat_text.size()));
    const bool unterminated = (control & 0x02) != 0;
    const bool trace = (control & 0x01) != 0 && !unterminated;
    harness::quiet_messages(trace ? MESS_DEBUG : MESS_NONE);

    std::vector<char> pat = harness::exact_copy(pat_text);
    harness::ScanDests dests;
    harness::ScanDests ref;  // the reference scanner's
    const unsigned dest_mode = (control >> 2) & 3;
    const size_t text_size = dest_mode == 1 ? 1 : DEST_TEXT_SIZE;
    harness::scan_dests(pat.data(), text_size, dest_mode == 2, &dests);
    harness::scan_dests(pat.data(), text_size, dest_mode == 2, &ref);
    const int nargs = dest_mode == 3 ? 0 : static_cast<int>(dests.args.size());

    parse_param param = {};
    std::vector<char> text;
    if (unterminated) {
        text.assign(text_part.begin(), text_part.end());
        text.shrink_to_fit();
        param.ptr = text.data();
        param.length = static_cast<int>(text.size());
    } else {
        text = harness::exact_copy(text_part);
        scanp_set(&param, text.data());
    }
    param.off = static_cast<int>(control >> 4);
    const int directives = percent_count(pat.data());
    for (int i = 0; i < RUN_MAX; ++i) {
        int got = harness::scan_checked(&param, pat.data(), &dests, &ref, nargs);
        if (param.off < param.length) check_counts(param, got, directives, nargs);
        (void)scanp_char(&param, 0);
        (void)scanp_char(&param, -1);
        if (got <= 0 || param.len <= 0) break;
        scanp_inc(&param);
    }
    MESS_reset();
    return 0;
}
