// Run flags and plot components; see flag.h.
#include "flag.h"

namespace {

int64_t flags[FLAG_COUNT] = {};  // 0 until the start-up resets them to -9999

// 0: text corners on (count), 1..6 the corners, 7 data, 8 map, 9 grid, 10 sum, 11 border,
// 12 the sum of 0..11 (anything on).
int plot_it[FLAG_PLOT_COUNT] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

constexpr int PLOT_CORNERS = FLAG_PLOT_TEXT;
constexpr int PLOT_ALL = FLAG_PLOT_ALL;

}  // namespace

int FLAG_set(int flag, int64_t value) {
    if (flag < 0 || flag >= FLAG_COUNT) return -1;
    flags[flag] = value;
    return 0;
}

int64_t FLAG_get(int flag) {
    if (flag < 0 || flag >= FLAG_COUNT) return -9999;
    return flags[flag];
}

int FLAG_reset(int64_t value) {
    for (auto& f : flags) f = value;
    return 0;
}

int FLAG_batch() { return flags[FLAG_BATCH] > 0 ? 1 : 0; }
int FLAG_help() { return flags[FLAG_HELP] > 0 ? 1 : 0; }

int FLAG_setplot(int type, int val) {
    if (type < 0 || type >= FLAG_PLOT_COUNT) return 0;
    plot_it[type] = val;
    if (type == PLOT_ALL)
        for (int i = 0; i < PLOT_ALL; ++i) plot_it[i] = val;
    if (type == PLOT_CORNERS)
        for (int i = 0; i <= 6; ++i) plot_it[i] = val;
    plot_it[PLOT_CORNERS] = 0;
    for (int i = 1; i <= 6; ++i) plot_it[PLOT_CORNERS] += plot_it[i];
    plot_it[PLOT_ALL] = 0;
    for (int i = 0; i < PLOT_ALL; ++i) plot_it[PLOT_ALL] += plot_it[i];
    return 0;
}

int FLAG_resetplot(int val) {
    for (auto& p : plot_it) p = val;
    return 0;
}

int FLAG_getplot(int type) {
    if (type < 0 || type >= FLAG_PLOT_COUNT) return 0;
    return plot_it[type];
}
