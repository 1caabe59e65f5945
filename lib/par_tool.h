// Bulletin reader: reads raw bulletin files as a data feed stores them (products one after
// another, each a heading line and report lines), finds the products whose heading matches a
// heading pattern, picks the reports of the selected stations and hands their lines out one
// by one, and lists whole products.
//
// One file slot (index 0; -1 stands for no file). Lines are read in pieces of at most
// PAR_LINE_MAX characters into one working line kept between calls; the held heading keeps
// at most PAR_HEADER_MAX characters and the held line a whole working line. Status codes of
// the end rules are kept in the slot (PAR_get_status). Loops over file lines give up after
// 100000 tries with a warning.
#ifndef JOX_PAR_TOOL_H
#define JOX_PAR_TOOL_H

#include <cstdio>

#include "date.h"

inline constexpr int PAR_LINE_MAX = 128;     // characters of one line read from a file
inline constexpr int PAR_LINE_SIZE = PAR_LINE_MAX + 1;
inline constexpr int PAR_HEADER_MAX = 80;    // characters of a held heading
inline constexpr int PAR_TYPE_SIZE = 30;     // bytes of the bulletin file type
inline constexpr int PAR_MAX_TRIES = 100000;

// Status and end codes.
inline constexpr unsigned long PAR_NO_END = 0;
inline constexpr unsigned long PAR_FOUND = 1;
inline constexpr unsigned long PAR_END_PRODUCT = 4;
inline constexpr unsigned long PAR_END_HEADING = 5;
inline constexpr unsigned long PAR_END_LINES = 0x10;
inline constexpr unsigned long PAR_END_BLANK = 0x100;
inline constexpr unsigned long PAR_END_3BLANK = 0x200;
inline constexpr unsigned long PAR_END_DOLLAR = 0x400;
inline constexpr unsigned long PAR_END_EQUAL = 0x800;

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
int PAR_set_end(int flag);
int PAR_set_output(int flag);
int PAR_get_status(int ind);
// Opens the bulletin file of the current name (for date); the slot index 0, or -1.
int PAR_open(const Date* date);
int PAR_close(int ind);
// Finds the next product whose heading matches rhdr (upper-cased in place): 1 found, 0 gave
// up, -1 no file or end of file.
int PAR_search(int ind, char* rhdr);
// 0 when the heading (and second text) match the pattern.
int PAR_cmp(const char* hdr, const char* line, const char* pat);
// The end code of one line read inside a product (the line is cleaned in place).
unsigned long PAR_end(int ind, char* line);
// Line readers: string holds len + 1 bytes.
int fgetnline(FILE* ifile, char* string, int len);
int fgetstring(FILE* ifile, char* string, int len);
// Report selection: a comma-separated list of identifiers (null or empty: every report).
int PAR_set_identifier(const char* str);
int PAR_identifier(int ind);
int PAR_zone_cmp(const char* line, const char* id);
// The next line of the report into line (PAR_LINE_SIZE bytes): 1 a line, 0 the report
// ended (the final "=" line in line when it ended with it), -1 no file or end of file.
int PAR_read(int ind, int flag, int num, char* line);
// Listing.
int PAR_out_file(const Date* date);
int PAR_print(int ind, int flag);
// Back to the start state, closing any file (a fresh run inside one process).
int PAR_reset();

#endif
