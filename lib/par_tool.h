// Bulletin reader: reads raw bulletin files as a data feed stores them (products one after
// another, each a heading line and report lines), finds the products whose heading matches a
// heading pattern, picks the reports of the selected stations and hands their lines out one
// by one, and lists whole products.
//
// Use: PAR_in_file (file type and reading rules), PAR_set_end / PAR_set_output; per file
// PAR_open, then PAR_search while it finds a product, PAR_identifier while a report of a
// selected station begins, PAR_read for its lines (n = 0, 1, 2 ...), PAR_get_status, and
// PAR_close. PAR_print lists the current product or report.
//
// One file slot (index 0; -1 stands for no file). Lines are read in pieces of at most
// PAR_LINE_MAX characters into one working line kept between calls (a NUL byte reads as a
// blank, carriage returns and newlines are removed); reading tells whether the piece it
// handed out continues the file line of the one before (PAR_continues). A regular file is
// read in blocks of PAR_BLOCK_SIZE bytes, one held at a time; a pipe or terminal a piece at a
// time through its stream, so that each line is handed out as soon as it came. Closing the
// slot gives the bytes read ahead back to the stream (the standard input stays open). The
// held heading keeps at most PAR_HEADER_MAX characters, the held line a whole working line.
// A header index file beside the bulletin file is used while its entries fit the file;
// otherwise the file itself is searched. At the end of the file nothing stays held, except
// in continuous mode, which waits one second and reads again. Status codes of the end rules
// are kept in the slot (PAR_get_status). Loops over file lines give up after PAR_MAX_TRIES
// tries with a warning. Traces go out at the debug sub-level 0x40000000.
//
// Bare reports (PAR_set_report_word): reports as people copy them, without a product heading.
// Outside a product found by its heading, a line that begins with the report word starts a
// bare product, that line its first report line (inside such a product the line keeps its
// meaning). A bare product ends as any product does (SOH, ETX, a "** " line, the end of the
// file) or before a line the heading pattern of the search matches (held as the next
// heading); a report in it also ends before a line that begins with the word, which is held
// and begins the next report (status PAR_END_NEXT). Only the search in the bulletin file
// itself finds bare products; a header index lists headings only.
#ifndef JOX_PAR_TOOL_H
#define JOX_PAR_TOOL_H

#include <cstdio>

#include "date.h"

inline constexpr int PAR_LINE_MAX = 128;  // characters of one line read from a file
inline constexpr int PAR_LINE_SIZE = PAR_LINE_MAX + 1;
inline constexpr int PAR_HEADER_MAX = 80;  // characters of a held heading
inline constexpr int PAR_TYPE_SIZE = 30;   // bytes of the bulletin file type
inline constexpr int PAR_MAX_TRIES = 100000;
inline constexpr int PAR_BLOCK_SIZE = 65536;  // bytes a regular file is read in at a time

// A held heading is handed out as a line of the product.
static_assert(PAR_HEADER_MAX <= PAR_LINE_MAX);
// A block holds a whole piece of a line.
static_assert(PAR_BLOCK_SIZE > PAR_LINE_MAX);

// Status and end codes; the end rules of PAR_set_end are the bits from PAR_END_LINES to
// PAR_END_EQUAL.
inline constexpr unsigned long PAR_NO_END = 0;
inline constexpr unsigned long PAR_FOUND = 1;
inline constexpr unsigned long PAR_END_PRODUCT = 4;
inline constexpr unsigned long PAR_END_HEADING = 5;
inline constexpr unsigned long PAR_END_LINES = 0x10;
inline constexpr unsigned long PAR_END_BLANK = 0x100;
inline constexpr unsigned long PAR_END_3BLANK = 0x200;
inline constexpr unsigned long PAR_END_DOLLAR = 0x400;
inline constexpr unsigned long PAR_END_EQUAL = 0x800;
inline constexpr unsigned long PAR_END_NEXT = 0x1000;  // bare product: the line begins a report

// What reading and listing hand out (PAR_set_output, resource parameter "hdr", "prod",
// "hdr+prod"): bits of the heading line and of the product's own lines.
inline constexpr int PAR_OUT_HEADER = 1;
inline constexpr int PAR_OUT_LINES = 2;

// The grid product description the heading comparison's "/" form reads; never filled here.
typedef struct {
    int version, source, model, type, year, month, day, hour, min, time, ltype, level, var;
    char param[20];
    char units[20];
} PDB_record;
extern PDB_record pdb;

// Sets the bulletin file type and the reading rules (resources in_file, product, parameter).
int PAR_in_file(const char* in);
// Looks a product up in "parse.lup"; 1 with its type in infile (PAR_TYPE_SIZE bytes).
int PAR_lookup(char* product, char* infile);
// Sets the end rules (bits PAR_END_*; replaces those the parameter set). Returns 0.
int PAR_set_end(unsigned long flags);
// Sets what reading and listing hand out (bits PAR_OUT_*). Returns 0.
int PAR_set_output(int flags);
int PAR_get_status(int ind);
// The heading line of the product PAR_search found last (as held, at most PAR_HEADER_MAX
// characters); "" for a bare product or no file. Valid until the next reading.
const char* PAR_get_header(int ind);
// 1 in the last mode (parameter "last"), where reading keeps each product for the final
// listing and hands out no line; else 0.
int PAR_last_mode();
// The word that begins a bare report (the converter's "TAF"; at most 9 characters are kept):
// the line must begin with it in its first column, followed by a blank, a tab or its end; a
// piece that continues a file line never counts. Identification also tests such a line with
// the text behind the word and the optional words AMD and then COR, as a plain identifier
// ("-id CYYZ" selects "TAF AMD CYYZ ..."). Null or empty: no bare reports (the start state).
// Returns 0.
int PAR_set_report_word(const char* word);
// 1 when the line PAR_read handed out last is a piece that continues the file line of the
// line handed out before it (a file line longer than PAR_LINE_MAX comes in pieces), else 0.
int PAR_continues(int ind);
// Opens the bulletin file of the current file name: a name the user gave as it is, a name
// chosen by date rebuilt for date under the file type. Also opens the header index file of
// that date when there is one. A file still open is closed first. The slot index 0, or -1.
int PAR_open(const Date* date);
// 1 when it closed a file, else 0; the held heading, line and status stay.
int PAR_close(int ind);
// Finds the next product whose heading matches rhdr (upper-cased in place): 1 found, 0 gave
// up, -1 no file or end of file. A heading held over from the end of a report is examined
// first; the product just found is not found again.
int PAR_search(int ind, char* rhdr);
// 0 when the heading (and second text) match the pattern.
int PAR_cmp(const char* hdr, const char* line, const char* pat);
// The end code of one line read inside a product (the line is cleaned in place); kept as the
// status except the codes of skip rules. The end of the file shows on the next read.
unsigned long PAR_end(int ind, char* line);
// Line readers: string holds len + 1 bytes; a longer line comes in several pieces, and the
// newline ending a line is consumed by the next call. fgetnline: the count stored, 0 for an
// empty line, -1 at the end of the file. fgetstring: 1 for a line, 0, -1 likewise.
int fgetnline(FILE* ifile, char* string, int len);
int fgetstring(FILE* ifile, char* string, int len);
// Report selection: a comma-separated list of identifiers (null or empty: every report).
int PAR_set_identifier(const char* str);
// 1 when a report of a selected station begins (its first line held), 0 when the product
// ended (at once after a report that ended at the next heading) or after PAR_MAX_TRIES
// lines, -1 for no file or the end of the file. A line that ended the report before is
// examined first: one that ended it otherwise than at "=", or, with a station list, the
// "=" line of a report of more than one line (a one-line report's line is passed over).
int PAR_identifier(int ind);
// 1 when the zone id (state, type letter, number: NYZ072) is listed on a zone line. The state
// and type of the current zone line are kept for its continuation lines.
int PAR_zone_cmp(const char* line, const char* id);
// The flag of PAR_read and PAR_print: the final call, which closes the file when it is done
// (and in the last mode lists the remembered product), or one that keeps the file open.
inline constexpr int PAR_KEEP_OPEN = 0;
inline constexpr int PAR_CLOSE_AFTER = 1;

// The next line of the report into line (PAR_LINE_SIZE bytes): 1 a line, 0 the report
// ended (the final "=" line in line, status PAR_END_EQUAL, when it ended with it; a one-line
// report comes out so at once), -1 no file or end of file. num counts from 0 and grows by one
// a call; flag PAR_CLOSE_AFTER closes the file when the report ends. In the last mode, see
// PAR_print: a call with another flag remembers the product and returns 1 without touching
// line.
int PAR_read(int ind, int flag, int num, char* line);
// Opens the listing copy file named by the resource out_file for date; -1 without it.
int PAR_out_file(const Date* date);
// Lists the current product (or report) to the message output and the out_file copy: 1, or
// -1 for no file or the end of the file. flag PAR_CLOSE_AFTER closes the file afterwards. In
// the last mode a call with another flag only remembers the current product (1), and
// PAR_CLOSE_AFTER reopens the remembered one and lists it (-1 when none).
int PAR_print(int ind, int flag);
// Back to the start state, closing any file (a fresh run inside one process).
int PAR_reset();

#endif
