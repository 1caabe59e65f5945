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

// Values of FLAG_FILE_PARAM (resource file_param).
inline constexpr int FLAG_FILE_CALC = 1;    // "over", "calc", "recalc"
inline constexpr int FLAG_FILE_APPEND = 2;  // "app"
inline constexpr int FLAG_FILE_USE = 3;     // "use", "reuse"

// Plot components with a meaning of their own: 0 counts the six text corners (1 to 6) and
// switches them all, 12 counts components 0 to 11 and switches them all.
inline constexpr int FLAG_PLOT_TEXT = 0;
inline constexpr int FLAG_PLOT_BORDER = 11;
inline constexpr int FLAG_PLOT_ALL = 12;
static_assert(FLAG_PLOT_ALL == FLAG_PLOT_COUNT - 1);

// Stores value at flag; -1 (nothing stored) when flag is outside 0..29.
int FLAG_set(int flag, int64_t value);
// The value at flag, or -9999 for an index outside 0..29.
int64_t FLAG_get(int flag);
int FLAG_reset(int64_t value);
// 1 when batch mode (flag 19) / help mode (flag 20) is on.
int FLAG_batch();
int FLAG_help();
// Sets plot component type; FLAG_PLOT_ALL sets all, FLAG_PLOT_TEXT all text corners; then
// recounts those two.
int FLAG_setplot(int type, int val);
int FLAG_resetplot(int val);
// The plot component at type, or 0 for an index outside 0..12.
int FLAG_getplot(int type);

#endif
