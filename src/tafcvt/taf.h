// The converter's decoding of one TAF report: the report header (TAF, AMD, COR, RTD, station,
// issue time, validity), the station heading from the city database, the change periods
// (TEMPO, PROB, FM, BECMG) and the condition groups of each period, written either as
// wrapped English sentences or as a decoded listing of labelled lines.
//
// Program-wide settings of the converter are set by the driver before the first report.
#ifndef TAFCVT_TAF_H
#define TAFCVT_TAF_H

#include "cty_read.h"
#include "date.h"
#include "mess.h"

inline constexpr int TAF_OUTPUT_MAX = 4999;  // characters of English text kept per report
inline constexpr int TAF_WRAP_COLUMN = 75;
inline constexpr int TAF_MAX_PERIODS = 20;

extern int english;          // 1: English sentences; 0: decoded listing
extern M_type raw_mes;       // level of the raw report echo
extern M_type dec_mes;       // level of all decoded output
extern const char* id;       // station selection; null: all stations
extern Date file_date;       // date of the input file (names the month of a report)

// Decodes one report (lines each ended by a newline). Returns 0.
int TAF_decode(const char* line);
// Writes the station heading; trims the name (and mixes its case in English form). Returns 0.
int TAF_print_city(CTY_data* city);
int TAF_output_reset();
// Appends formatted English text (bounded at TAF_OUTPUT_MAX characters). Returns 0.
int TAF_format(const char* mess, ...) __attribute__((format(printf, 1, 2)));
// Wraps the English text at TAF_WRAP_COLUMN and prints it at dec_mes. Returns 0.
int TAF_print();
// Decodes the groups of one period from text; the number of characters consumed.
int TAF_decode_wx(const char* text);

#endif
