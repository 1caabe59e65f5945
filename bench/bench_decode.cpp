// The report decoder on a varied set of real-looking reports, in the older and the current
// TAF forms and in both output forms, next to a baseline that only copies the report text.
// Decoded text goes to a log file on /dev/null, so that every line is still formatted.
#include <benchmark/benchmark.h>

#include <cstring>

#include "mess.h"
#include "taf.h"

namespace {

// Validity DDHHHH, FM groups HHMM, change times HHHH.
const char* const OLDER_REPORTS[] = {
    "TAF KXYZ 121130Z 121212 18010KT P6SM SCT250\n"
    "     FM1500 20015G25KT 3SM -SHRA BKN030=\n",
    "TAF\nKABC 051720Z 051818 27012G22KT P6SM SCT040 BKN250\n"
    "     TEMPO 1822 5SM -TSRA BKN030CB\n"
    "     FM2200 29008KT P6SM SCT050 BKN120\n"
    "     FM0400 VRB03KT 4SM BR SKC\n"
    "     BECMG 0810 31010KT P6SM NSW=\n",
    "KDEF 281130Z 281212 00000KT 1/2SM FG VV002\n"
    "     TEMPO 1214 1/4SM FG VV001\n"
    "     FM1500 18005KT 3SM BR OVC008\n"
    "     FM1800 20010KT P6SM SCT015 BKN030 PROB30 2024 2SM TSRA BKN020CB=\n",
    "PAGS 010539Z 010606 01008KT P6SM BKN100 OVC150\n"
    "      TEMPO 0812 04010G18KT SCT040 BKN080\n"
    "     FM1200 03012G21KT P6SM SCT010 BKN020 OVC040\n"
    "     FM1800 12018G28KT 3SM -SN BR FEW006 BKN010 OVC020\n"
    "     FM0300 14015G25KT P6SM VCSH SCT020 BKN040 BKN060=\n",
    "KMIL 201400Z 201515 24015G25KT 9999 SCT030 BKN080 620304 530804 QNH2992INS\n"
    "     BECMG 1719 27010KT 8000 -SHRA BKN025 QNH2995INS T15/18Z TM02/09Z=\n",
    "TAF AMD KGHI 151645Z 151818 VRB05KT 1 1/2SM -RASN BR OVC009\n"
    "     TEMPO 1820 3/4SM SN OVC005 FM2100 32012KT 3SM -SN OVC012=\n",
    "EGXX 121100 121812 23010KT 6000 RA BKN012 TEMPO 1418 3000 +RA BKN008 PROB40 1618 0800 FG=\n",
    "KJKL 091130Z 091212 19008KT P6SM FEW250 FM1700 21012KT P6SM SCT060 "
    "FM0000 18006KT P6SM SCT100 FM0600 17005KT 5SM BR SCT008 AMD NOT SKED=\n",
};

// Validity DDHH/DDHH, FM groups DDHHMM, change times DDHH/DDHH.
const char* const CURRENT_REPORTS[] = {
    "TAF\nKDSM 311721Z 3118/0118 16014KT P6SM OVC007\n"
    "     FM010200 14005KT P6SM BKN015\n"
    "     FM010600 13005KT 1SM BR BKN008\n"
    "     FM010900 08005KT 1/2SM FZFG BKN008\n"
    "     FM011500 03007KT P6SM OVC015=\n",
    "KPAM 061900Z 0619/0801 36009KT 9999 SCT030 QNH3007INS\n"
    "     TEMPO 0621/0701 35009KT 9999 VCTS BKN030CB\n"
    "     BECMG 0713/0714 04012KT 9999 SCT030 QNH3004INS TX32/0718Z TN26/0711Z=\n",
    "TAF KJFK 241738Z 2418/2524 31015G25KT P6SM SCT050\n"
    "     FM242300 32010KT P6SM FEW060\n"
    "     FM251400 28008KT P6SM BKN250=\n",
    "EGLL 241058Z 2412/2518 24012KT 9999 BKN035 TEMPO 2412/2418 25015G25KT "
    "PROB30 2414/2418 7000 SHRA BECMG 2500/2503 20005KT=\n",
    "KORD 121130Z 1212/1318 VRB04KT P6SM SKC FM121800 22012G20KT P6SM SCT050 "
    "PROB30 1302/1306 3SM TSRA BKN030CB FM131200 27010KT P6SM BKN040=\n",
    "TAF COR KSEA 030520Z 0306/0412 17008KT 5SM -RA BR OVC015 "
    "TEMPO 0306/0310 3SM -RA BR OVC008 FM031400 19012G22KT P6SM BKN025=\n",
    "TAF AMD KMCO 051845Z 0519/0618 09010KT P6SM VCTS SCT035CB BKN250 "
    "TEMPO 0519/0522 VRB20G35KT 2SM +TSRA BKN025CB FM060000 07005KT P6SM SCT250=\n",
    "PHNL 300530Z 3006/0112 06012KT P6SM FEW025 SCT050 FM301800 05015G22KT P6SM VCSH "
    "FEW025 SCT045 FM010600 06010KT P6SM FEW030=\n",
};

// Report sets by the argument: 0 the older forms, 1 the current ones.
template <size_t N>
int set_size(const char* const (&)[N]) {
    return static_cast<int>(N);
}
const char* const* reports_of(int form, int* count) {
    *count = form == 0 ? set_size(OLDER_REPORTS) : set_size(CURRENT_REPORTS);
    return form == 0 ? OLDER_REPORTS : CURRENT_REPORTS;
}

void quiet_output() {
    MESS_reset();
    MESS_set_str("fi=/dev/null");
    file_date = Date{2024, 6, 24, 0, 0, 0, 0, 0};
    id = nullptr;
}

// Baseline: only copies each report's text into a report buffer, as the driver gathers it.
void BM_CopyReports(benchmark::State& state) {
    int count = 0;
    const char* const* reports = reports_of(static_cast<int>(state.range(0)), &count);
    static char copy[TAF_REPORT_MAX + 1];
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) {
            size_t n = strnlen(reports[i], TAF_REPORT_MAX);
            memcpy(copy, reports[i], n);
            copy[n] = '\0';
            benchmark::DoNotOptimize(copy);
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_CopyReports)->ArgName("current")->Arg(0)->Arg(1);

// TAF_decode over the set; range(0) picks the report forms, range(1) English (1) or the
// decoded listing (0).
void BM_DecodeReports(benchmark::State& state) {
    quiet_output();
    int count = 0;
    const char* const* reports = reports_of(static_cast<int>(state.range(0)), &count);
    english = static_cast<int>(state.range(1));
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) TAF_decode(reports[i]);
    }
    state.SetItemsProcessed(state.iterations() * count);
    english = 1;
    MESS_reset();
}
BENCHMARK(BM_DecodeReports)->ArgNames({"current", "english"})->ArgsProduct({{0, 1}, {1, 0}});

}  // namespace
