// The converter's decoding of one TAF report: the report header (TAF, AMD, COR, RTD, station,
// issue time, validity, NIL, CNL), the station heading from the city database, the change
// periods (TEMPO, PROB with or without TEMPO or INTER, FM, BECMG, INTER) and the condition
// groups of each period, written either as wrapped English sentences or as a decoded listing
// of labelled lines.
//
// Program-wide settings of the converter are set by the driver before the first report.
// State of the decoder: the English text of the current report (at most TAF_OUTPUT_MAX
// characters; what goes beyond is cut), the decoder's own copy of the report, in which a
// "=" glued to the group before it gets a blank in front, so that the group reads as it
// would anywhere else, and the report's issue date, which names the months of its dated
// groups. Reports are decoded up to TAF_REPORT_MAX characters (the driver never gathers
// more). Every function returns 0 unless stated.
#ifndef TAFCVT_TAF_H
#define TAFCVT_TAF_H

#include "cty_read.h"
#include "date.h"
#include "mess.h"
#include "string.h"
#include "taf_items.h"

inline constexpr int TAF_OUTPUT_MAX = 4999;  // characters of English text kept per report
inline constexpr int TAF_REPORT_MAX = 5000;  // characters of a report that are decoded
inline constexpr int TAF_WRAP_COLUMN = 75;
inline constexpr int TAF_MAX_PERIODS = 20;

extern int english;          // the output form (TafForm): 1 English sentences, 0 decoded
                             // listing, TAF_FORM_JSON JSON lines, TAF_FORM_TABLE the table
extern M_type raw_mes;       // level of the raw report echo
extern M_type dec_mes;       // level of all decoded output
extern const char* id;       // station selection; null: all stations
extern Date file_date;       // date of the input file (names the month of a report)

// Decodes one report (lines each ended by a newline) in the form english names. Returns 0.
int TAF_decode(const char* line);
// What the driver knows of the reports it hands over next (file, bulletin); null: nothing.
// The record must stay while those reports are decoded.
int TAF_set_source(const TafSource* source);
// Writes the station heading; trims the name (and mixes its case in English form). Returns 0.
int TAF_print_city(CTY_data* city);
int TAF_output_reset();
// The free end of the English text, and its room there (the terminator's place included).
char* TAF_output_free(size_t* room);
// Counts n more characters written at the free end (cut to the room).
int TAF_output_grown(int n);
// Appends formatted English text (bounded at TAF_OUTPUT_MAX characters). The format is a
// literal read when the program is compiled (see format_checked). Returns 0.
template <typename... A>
[[gnu::always_inline]] inline int TAF_format(const checked_format<std::type_identity_t<A>...>& mess,
                                             const A&... args) {
    size_t room = 0;
    char* at = TAF_output_free(&room);
    return TAF_output_grown(format_checked<A...>(at, room, mess, args...));
}
// Wraps the English text at TAF_WRAP_COLUMN and prints it at dec_mes. Returns 0.
int TAF_print();
// Decodes the groups of one period from text (the rest of the report), appending English
// clauses or printing decoded lines; the number of characters consumed.
int TAF_decode_wx(const char* text);
// The same for the length characters of text (its length as strlen gives it).
int TAF_decode_wx(const char* text, int length);

// Lists the word at text, whatever it is, and the words after it up to the next change word
// as words no step read (decoded form: a COMMENTS line; English form: nothing). The number of
// characters consumed.
int TAF_decode_unread(const char* text, int length);

// The month of a day in a group of the current forms (DDHH/DDHH, FMDDHHMM, TX/TN) of the
// report being decoded: after an issue time, the issue month when the day is not before the
// issue day, else the month after it; without one, the file's month, or the next when the
// file's day is later.
int TAF_day_month(int day);
// The same month with its year (the file's year, moved past December or January).
TafMonth TAF_day_month_of_year(int day);

// Characters of the word at text: up to a blank (space, newline, carriage return, tab) or
// the end.
int TAF_word_length(const char* text);

// Characters of English text held so far.
int TAF_output_length();
// Turns the last ", " of the English text at or after position from into ".\n", so that a
// period's clauses end in a full stop. 1 when a comma was found there, else 0 (no change).
int TAF_close_clauses(int from);

#endif
