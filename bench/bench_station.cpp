// Loading the shipped station database into the station table, next to the two readings it
// is measured against: the file read line by line (fgets), and every record read and
// decoded without being stored (CTY_read).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "cty_read.h"
#include "cty_tool.h"
#include "mess.h"
#include "resrc.h"

namespace {

constexpr const char* CITY_FILE = TAFCVT_SOURCE_DIR "/data/sao.cty";
constexpr int LINE_SIZE = 256;     // the database reader's line buffer
constexpr int ALL_PRIORITIES = 7;  // the converter's station load

void BM_StationFileLines(benchmark::State& state) {
    char line[LINE_SIZE];
    for (auto _ : state) {
        FILE* f = fopen(CITY_FILE, "r");
        if (f == nullptr) {
            state.SkipWithError("no station database");
            return;
        }
        int lines = 0;
        while (fgets(line, sizeof line, f) != nullptr) ++lines;
        fclose(f);
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_StationFileLines);

void BM_StationRecords(benchmark::State& state) {
    CTY_data city;
    for (auto _ : state) {
        if (CTY_open(CITY_FILE, 0, 0) < 0) {
            state.SkipWithError("no station database");
            return;
        }
        int records = 0;
        while (CTY_read(0, &city) > 0) ++records;
        CTY_close(0);
        benchmark::DoNotOptimize(records);
    }
}
BENCHMARK(BM_StationRecords);

// The converter's load: every station of priority 7 or less, keyed by identifier and WMO
// number.
void BM_StationLoad(benchmark::State& state) {
    MESS_reset();
    MESS_set(MESS_REMOVE, MESS_MESS);
    RES_reset();
    RES_new(RES_UNLISTED, "file_path", TAFCVT_SOURCE_DIR "/data", CV_none);
    for (auto _ : state) {
        if (CTY_store(CTY_DEFAULT_FILE, CTY_STORE_DATA, nullptr, ALL_PRIORITIES) < 0) {
            state.SkipWithError("no station database");
            return;
        }
        CTY_reset();
    }
    RES_reset();
}
BENCHMARK(BM_StationLoad);

}  // namespace
