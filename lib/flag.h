// Run flags: a fixed array of integer switches that the resource conversions set at
// start-up and any module reads afterwards (batch mode, help mode, output device, plot type,
// file handling), and the plot components switched by the draw setting.
//
// The flags are 0 until the resource start-up resets them all to -9999 ("not set"). The
// plot components start at 1. Functions return 0 unless stated.
#ifndef JOX_FLAG_H
#define JOX_FLAG_H

#include <cstdint>

inline constexpr int FLAG_COUNT = 30;
inline constexpr int FLAG_DEVICE = 2;
inline constexpr int FLAG_PLOT_TYPE = 11;
inline constexpr int FLAG_FILE_PARAM = 15;
inline constexpr int FLAG_BATCH = 19;
inline constexpr int FLAG_HELP = 20;
inline constexpr int FLAG_PLOT_COUNT = 13;

// Stores value at flag; -1 (nothing stored) when flag is outside 0..29.
int FLAG_set(int flag, int64_t value);
// The value at flag, or -9999 for an index outside 0..29.
int64_t FLAG_get(int flag);
int FLAG_reset(int64_t value);
// 1 when batch mode (flag 19) / help mode (flag 20) is on.
int FLAG_batch();
int FLAG_help();
// Sets plot component type; 12 sets all, 0 all text corners; then recounts 0 and 12.
int FLAG_setplot(int type, int val);
int FLAG_resetplot(int val);
// The plot component at type, or 0 for an index outside 0..12.
int FLAG_getplot(int type);

#endif
