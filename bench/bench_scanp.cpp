// The pattern scanner on the decoders' own patterns: groups that match and the candidates
// that fail before the right one is found, each with the destinations the decoder gives.
#include <benchmark/benchmark.h>

#include "scanp.h"

namespace {

int i1, i2, i3, i4;                      // number destinations
char s1[200], s2[200], unit[8], word[5];  // text destinations, sized as the decoder's

struct Probe {
    const char* text;
    int (*scan)(parse_param*);
};

// One period's worth of scans, as the decoder makes them (matches and misses mixed).
const Probe PROBES[] = {
    {"TAF KXYZ 121130Z", [](parse_param* p) { return scanp(p, "%*(TAF) "); }},
    {"KXYZ 121130Z", [](parse_param* p) { return scanp(p, "%(AMD) ", word); }},
    {"KXYZ 121130Z", [](parse_param* p) { return scanp(p, "%4s ", word); }},
    {"121130Z 1212/1312",
     [](parse_param* p) { return scanp(p, "%2d%2d%2d%*(Z|UTC) ", &i1, &i2, &i3); }},
    {"1212/1312 18010KT",
     [](parse_param* p) { return scanp(p, "%2d%2d/%2d%2d ", &i1, &i2, &i3, &i4); }},
    {"18010KT P6SM", [](parse_param* p) { return scanp(p, "00000%!!(KTS|KT|MPS|KMH) ", unit); }},
    {"27015G25KT 9999",
     [](parse_param* p) {
         return scanp(p, "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", &i1, &i2, &i3, unit);
     }},
    {"18010KT P6SM",
     [](parse_param* p) {
         return scanp(p, "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", &i1, &i2, &i3, unit);
     }},
    {"18010KT P6SM",
     [](parse_param* p) {
         return scanp(p, "%*(VRB)%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", &i1, &i2, unit);
     }},
    {"18010KT P6SM",
     [](parse_param* p) { return scanp(p, "%3d%2d%!!(KTS|KT|MPS|KMH) ", &i1, &i2, unit); }},
    {"P6SM -SHRA", [](parse_param* p) { return scanp(p, "%*(P)%<3d%(SM|NM) ", &i1, unit); }},
    {"1 1/2SM BR",
     [](parse_param* p) { return scanp(p, "%*(M|)%1d %1d/%<2d%(SM|NM) ", &i1, &i2, &i3, unit); }},
    {"0800 BR", [](parse_param* p) { return scanp(p, "%4d%*[/A] ", &i1); }},
    {"0800 BR", [](parse_param* p) { return scanp(p, "%4d ", &i1); }},
    {"-SHRA BR", [](parse_param* p) { return scanp(p, "%*(M)%d ", &i1); }},
    {"-SHRA BR",
     [](parse_param* p) { return scanp(p, "%*(SKC|CLR|FEW|SCT|-SCT|BKN|-BKN|OVC|-OVC|VV)"); }},
    {"-SHRA BR", [](parse_param* p) { return scanp(p, "%*(FM|TEMPO|BECMG|QNH)"); }},
    {"-SHRA BR", [](parse_param* p) { return scanp(p, "%[/A-+] ", s1); }},
    {"BKN030CB SCT250", [](parse_param* p) { return scanp(p, "%1d%2[/A]%3d ", &i1, s1, &i2); }},
    {"BKN030CB SCT250", [](parse_param* p) { return scanp(p, "VV%3!///!d ", &i1); }},
    {"BKN030CB SCT250",
     [](parse_param* p) { return scanp(p, "%(FEW|SCT|BKN|OVC)%3!///!d%[/A] ", unit, &i1, s1); }},
    {"SCT250 TEMPO",
     [](parse_param* p) { return scanp(p, "%(FEW|SCT|BKN|OVC)%3!///!d ", unit, &i1); }},
    {"TM05/12Z QNH2992INS",
     [](parse_param* p) {
         return scanp(p, "T%!!(M)%<3!XX!d/%!!(M)%<3!XX!d%*!!(Z) ", unit, &i1, s2, &i2);
     }},
    {"620304 530804", [](parse_param* p) { return scanp(p, "6%1d%3d%1d ", &i1, &i2, &i3); }},
    {"QNH2992INS TEMPO", [](parse_param* p) { return scanp(p, "QNH%4d%(INS) ", &i1, unit); }},
    {"NOSIG TEMPO 1214", [](parse_param* p) { return scanp(p, "%s ", s1); }},
    {"FM121500 20015KT",
     [](parse_param* p) { return scanp(p, "%*(FM)%2d%2d%2d ", &i1, &i2, &i3); }},
};
constexpr int PROBE_COUNT = sizeof PROBES / sizeof PROBES[0];

void BM_ScanpDecoderPatterns(benchmark::State& state) {
    parse_param params[PROBE_COUNT];
    for (int i = 0; i < PROBE_COUNT; ++i) scanp_set(&params[i], PROBES[i].text);
    for (auto _ : state) {
        for (int i = 0; i < PROBE_COUNT; ++i) benchmark::DoNotOptimize(PROBES[i].scan(&params[i]));
    }
    state.SetItemsProcessed(state.iterations() * PROBE_COUNT);
}
BENCHMARK(BM_ScanpDecoderPatterns);

}  // namespace
