// Report gathering: the lines of one report, as the bulletin reader hands them out, joined
// into the one text the decoder reads.
//
// Lines that stand in front of the report proper (a lone "TAF" line, heading remnants) are
// left out until a line passes the start test (TAF_starts_report); from that line on every
// line is added, each ended by a newline. A piece that continues the same file line (a file
// line longer than the reader's piece) is joined to the piece before it without a newline,
// and is never tested as a start on its own: it belongs to its line, added or left out with
// it. The final "=" line that the reader hands out with the end of the report is added
// whether or not the report had started.
//
// State: the one report being gathered, at most TAF_REPORT_MAX characters, newlines
// included; once it is full nothing more is added (not even a newline). Every function
// returns 0 unless stated.
#ifndef TAFCVT_TAF_GATHER_H
#define TAFCVT_TAF_GATHER_H

// 1 when the line opens the report proper, else 0. Its first two words are taken as "%10s
// %10s" takes them (a first word longer than 10 characters goes on as the second); the
// line opens the report when a second word exists and the first is exactly "TAF", or when
// the first has exactly 4 characters (a station) and the second has 6 or 7 (a day-and-time
// group DDHHMMZ or DDHHMM), is AMD, COR or TAF, or is a validity group DDHH/DDHH (4 digits,
// "/", 4 digits). Words are compared as written (upper case).
int TAF_starts_report(const char* line);

// Empties the report.
int TAF_gather_reset();
// Adds one line the reader handed out; continues is 1 for a piece that continues the file
// line of the line before. 1 when the line was added (or joined), 0 when it was left out.
int TAF_gather_line(const char* line, int continues);
// Adds the final "=" line, whether or not the report had started (a piece continuing an
// added line is joined to it).
int TAF_gather_final(const char* line, int continues);
// The report gathered so far (lines each ended by a newline) and its length.
const char* TAF_gather_text();
int TAF_gather_length();
// 1 when text of the report was left out at its bound, else 0.
int TAF_gather_cut();

// Reads the report that begins at the reader's file ind (PAR_read of its lines 0, 1, 2 ...)
// and gathers it: its lines, then the final "=" line when the report ended at one. 1 when the
// reader handed the report out; 0 in the reader's last mode, where reading only remembers the
// product for the final listing (the report is then empty and the caller should stop asking
// for reports of the product).
int TAF_gather_report(int ind);

#endif
