// Fast readers of the commonest groups of a report. Each reads the text at the scanner's
// position exactly as the pattern scanner reads it with the pattern written beside it: the
// same result, the same values stored (on a partial match too), and the same len, matched,
// assigned and done in the scanner state; the position is not moved (scanp_inc moves it). A
// report holds a few dozen of these groups, and a general scan of each costs several times
// more than these readings. Text destinations are cut to fit, as the scanner cuts them.
//
// Beside them, the tests by which the decoder passes over a group kind without scanning
// for it: each is true wherever a full match of the kind's patterns is possible (and may be
// true elsewhere).
#ifndef TAFCVT_TAF_READ_H
#define TAFCVT_TAF_READ_H

#include <string_view>

#include "scanp.h"

// "%(FEW|SCT|BKN|OVC)%3!///!d ": cover and height of a cloud layer.
int TAF_read_layer(parse_param* param, scan_buf cover, int* height);
// "%2d%2d/%2d%2d ": a period DDHH/DDHH.
int TAF_read_dated_period(parse_param* param, int* from_day, int* from_hour, int* to_day,
                          int* to_hour);
// "%3d%2d%!!(KTS|KT|MPS|KMH) ": direction, speed and unit of a wind.
int TAF_read_wind(parse_param* param, int* dir, int* speed, scan_buf unit);
// "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ": direction, speed, gust and unit of a wind.
int TAF_read_gusting_wind(parse_param* param, int* dir, int* speed, int* gust, scan_buf unit);
// "%2d%2d ": the hours of an older change period (TEMPO 1218).
int TAF_read_hours(parse_param* param, int* from, int* to);
// "%2d%2d%2d ": day and hours of an older validity (121212).
int TAF_read_day_hours(parse_param* param, int* day, int* from, int* to);
// "%*(FM)%2d%2d ": hour and minute of an older from-group (FM1800).
int TAF_read_from_time(parse_param* param, int* hour, int* min);
// "%*(VRB)%2d%!!(KTS|KT|MPS|KMH) ": speed and unit of a variable wind.
int TAF_read_variable_wind(parse_param* param, int* speed, scan_buf unit);
// "%4d ": a visibility in metres.
int TAF_read_metres(parse_param* param, int* metres);

// "%*(WORD) " for the word, or "%*(WORD|OTHER) " with a second word (none when empty).
int TAF_read_word(parse_param* param, std::string_view word, std::string_view other = {});
// "%4s ": a station identifier.
int TAF_read_station(parse_param* param, scan_buf station);
// "%2d%2d%2d%*(Z|UTC) ": day, hour and minute of the issue time.
int TAF_read_issue_time(parse_param* param, int* day, int* hour, int* min);
// "%*(FM)%2d%2d%2d ": day, hour and minute of a from-group.
int TAF_read_from(parse_param* param, int* day, int* hour, int* min);
// "%*(PROB)%2d ": the percentage of a probability group.
int TAF_read_prob(parse_param* param, int* percent);
// "%*(M|)%<3d%(SM|NM) ": whole miles and their unit.
int TAF_read_whole_miles(parse_param* param, int* miles, scan_buf unit);
// "%*(M|)%1d/%<2d%(SM|NM) ": a fraction of a mile and its unit.
int TAF_read_fraction_miles(parse_param* param, int* numerator, int* denominator, scan_buf unit);
// "%*(P)%<3d%(SM|NM) ": more than the miles, and their unit.
int TAF_read_more_miles(parse_param* param, int* miles, scan_buf unit);

// Whether text can begin a visibility in miles of the forms with a fraction or a unit
// ("%*(M|)%<3d%(SM|NM) ", "%*(M|)%1d/%<2d%(SM|NM) ", "%*(M|)%1d%1d/%1d%(SM|NM) ",
// "%*(M|)%1d %1d/%<2d%(SM|NM) ", "%*(M|)%1d/%<2d ", "%*(M|)%1d%1d/%1d ",
// "%*(M|)%1d %1d/%<2d "): a "/" or SM or NM in its first word, or a "/" in the word after.
bool TAF_may_be_miles(const char* text);
// Whether text, a group beginning with T, can be a temperature at an hour
// ("T%!!(M)%<3!XX!d/%!!(M)%<3!XX!d%*!!(Z) "): a number or XX behind the T and an optional M.
bool TAF_may_be_hour_temperature(const char* text);

// Whether the group at text ends the weather section, as "%*(M)%d " (2), "%*(R)%d " (2),
// "%*(SKC|CLR|FEW|SCT|-SCT|BKN|-BKN|OVC|-OVC|VV)" (1), "%*(FM|TEMPO|BECMG|QNH)" (1) and
// "%*(PROB)" (1) find it.
bool TAF_weather_ends(const char* text);
// "%[/A-+] ": the run of letters, "+" and "-" at text into group (cut to fit); the characters
// the scan takes with the blanks behind the run, or 0 when the run is empty.
int TAF_weather_run(const char* text, scan_buf group);
// "%s ": the word at text (up to white space, at most 80 characters) into word (cut to fit);
// the characters the scan takes with the blanks behind the word, or 0 when there is none.
int TAF_next_word(const char* text, scan_buf word);

#endif
