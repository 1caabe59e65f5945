// The pattern scanner on any text with every pattern the decoders and the bulletin reader
// use, at every position a decoder could reach (each position of a short text, the start of
// each group of a long one), the way the decoders call it: a candidate, then scanp_inc on a
// full match. Every scan is checked against the reference scanner. Keep the list in step
// with the patterns in src/tafcvt and lib/par_tool.cpp.
#include <cstdint>
#include <cstring>
#include <vector>

#include "harness.h"
#include "scanp.h"
#include "string.h"

namespace {

constexpr const char* PATTERNS[] = {
    // Report header and periods.
    "%2d%2d/%2d%2d ", "%*(TAF) ", "%(AMD) ", "%(COR) ", "%4s ", "%2d%2d%2d%*(Z|UTC) ",
    "%2d%2d%2d ", "%2d%2d ", "%*(TEMPO) ", "%*(BECMG) ", "%*(PROB)%2d ",
    "%*(FM)%2d%2d%2d ", "%*(FM)%2d%2d ", "%*(FM)%2d ",
    // Condition groups.
    "00000%!!(KTS|KT|MPS|KMH) ", "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ",
    "%*(VRB)%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", "%*(VRB)%2d%!!(KTS|KT|MPS|KMH) ",
    "%3d%2d%!!(KTS|KT|MPS|KMH) ", "%*(M|)%<3d%(SM|NM) ", "%*(M|)%1d/%<2d%(SM|NM) ",
    "%*(M|)%1d%1d/%1d%(SM|NM) ", "%*(M|)%1d %1d/%<2d%(SM|NM) ", "%*(M|)%1d/%<2d ",
    "%*(M|)%1d%1d/%1d ", "%*(M|)%1d %1d/%<2d ", "%*(P)%<3d%(SM|NM) ", "%4d%*[/A] ", "%4d ",
    "%<3d ", "%*(M)%d ", "%*(R)%d ", "%*(SKC|CLR|FEW|SCT|-SCT|BKN|-BKN|OVC|-OVC|VV)",
    "%*(FM|TEMPO|BECMG|QNH)", "%*(PROB)", "%[/A-+] ", "%1d%2[/A]%3d ", "%1d%2[/A]%*(///) ",
    "%1d%4[/A]%3d ", "VV%3!///!d ", "%(FEW|SCT|BKN|OVC)%3!///!d%[/A] ",
    "%(FEW|SCT|BKN|OVC)%3!///!d ", "%*(SKC|CLR) ",
    "T%!!(M)%<3!XX!d/%!!(M)%<3!XX!d%*!!(Z) ", "6%1d%3d%1d ", "5%1d%3d%1d ",
    "QNH%4d%(INS) ", "VC%[/A-+] ", "%s ",
    // The reader's upper-air station test.
    "%*(TT|PP)%*s %*s ", "%*s %*(TT|PP)%*s %*s ",
};

constexpr size_t SHORT_TEXT = 256;  // texts up to this length are tried at every position
constexpr size_t DEST_TEXT_SIZE = 6;
constexpr int RUN_MAX = 50;         // full matches followed from one position

struct Pattern {
    std::vector<char> text;  // exactly the pattern and its terminator
    harness::ScanDests dests;
    harness::ScanDests ref;  // the reference scanner's, equal to dests between scans
    int directives;          // matches that make a full match
};

std::vector<Pattern> patterns;

int directive_count(const char* pat) {
    int n = 0;
    for (const char* p = pat; *p != '\0'; ++p)
        if (*p == '%') ++n;
    return n;
}

// One pattern from off, following full matches as a decoder follows a run of groups.
void scan_from(parse_param* param, Pattern& pat, int off) {
    param->off = off;
    for (int i = 0; i < RUN_MAX; ++i) {
        int got = harness::scan_checked(param, pat.text.data(), &pat.dests, &pat.ref,
                                        static_cast<int>(pat.dests.args.size()));
        if (got != pat.directives || param->len <= 0) return;
        scanp_inc(param);
        (void)scanp_char(param, 0);
        (void)scanp_str(param);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const char* p : PATTERNS) {
        Pattern pat;
        pat.text = harness::exact_copy(p);
        harness::scan_dests(p, DEST_TEXT_SIZE, false, &pat.dests);
        harness::scan_dests(p, DEST_TEXT_SIZE, false, &pat.ref);
        pat.directives = directive_count(p);
        patterns.push_back(std::move(pat));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    // The scanner's trace lines are formatted for some inputs only: they cost.
    harness::quiet_messages(input.size() % 7 == 0 ? MESS_DEBUG : MESS_NONE);
    std::vector<char> text = harness::exact_copy(input);
    parse_param param = {};
    scanp_set(&param, text.data());
    for (int off = 0; off < param.length; ++off) {
        bool group_start =
            off == 0 || (is_blank_or_eol(text[off - 1]) && !is_blank_or_eol(text[off]));
        if (static_cast<size_t>(param.length) > SHORT_TEXT && !group_start) continue;
        for (auto& pat : patterns) scan_from(&param, pat, off);
    }
    MESS_reset();
    return 0;
}
