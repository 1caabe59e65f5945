// Present-weather codes and their words: the phrase for a report-code group (-SHRA, VCFG),
// the compact code of a report-code group or of a WMO present-weather number, the phrase
// for a compact code, and the word for a cloud-cover code. No state; every result is
// written into the caller's buffer of the stated size and never past it (the phrase buffer
// is checked at build time to hold the longest phrase there is).
#ifndef JOX_WX_TOOL_H
#define JOX_WX_TOOL_H

inline constexpr int WX_PHRASE_SIZE = 448;  // bytes of a phrase buffer
inline constexpr int WX_CODE_SIZE = 16;     // bytes of a compact-code buffer

// Phrase of the report-code group at wx (in a "_"-joined list) into wx_str
// (WX_PHRASE_SIZE bytes); the position after the codes used, or null when none was known.
const char* WX_metar_weather_text(const char* wx, char* wx_str);
// 1 when the report-code group, its "+" and "-" signs aside, is not empty and is made of
// weather codes end to end (in capitals: -SHRA, +TSRAGR, VCSH, NSW); else 0 (RMK, CAVOK, KT).
int WX_weather_group(const char* group);
// Compact code of a report-code group into wx_str (WX_CODE_SIZE bytes). 0.
int WX_metar_weather(const char* wx, char* wx_str);
// Compact code of a WMO present-weather number into wx_str (WX_CODE_SIZE bytes). 0.
int WX_wmo_weather(int wx, char* wx_str);
// Phrase for a compact code, a WMO number or a "!"-marked report code into out_str
// (WX_PHRASE_SIZE bytes); how many characters of the code the phrase covers (0 and an
// empty phrase for an unknown code). A code given as text counts up to 14 characters.
int WX_weather_text(const char* str, char* out_str);
// "clear", "few", "scattered", "broken", "overcast", "obscured" or "".
const char* print_cloud(const char* str);

#endif
