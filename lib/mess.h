// Message output: every line the program writes, results and diagnostics alike, goes
// through MESS_print with a message level. A level is a 32-bit mask of eight nibbles (print,
// error+warn, mess, out1 .. out4, debug), each with sub-levels a, b, c, d (bits 1, 2, 4, 8
// of the nibble). A message is written only when its mask shares a bit with the enabled
// levels, and it is formatted only then. error and warn go to standard error, everything
// else to standard output; an optional log file receives the same text.
//
// State: the enabled levels (initially out2 and below), whether anyone chose them, the
// output mode, paging, and the log file. MESS_set_str applies the user's setting string
// (resource "message"); MESS_set lets a program supply a default that a user's choice wins
// over. All functions return 0 unless stated.
#ifndef JOX_MESS_H
#define JOX_MESS_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "string.h"

typedef uint32_t M_type;

// A message formatted once for all its streams; a longer one is formatted for each.
inline constexpr int MESS_TEXT_SIZE = 4096;

inline constexpr M_type MESS_NONE = 0x00000000u;
inline constexpr M_type MESS_PRINT = 0x0000000Fu;
inline constexpr M_type MESS_ERROR = 0x00000030u;
inline constexpr M_type MESS_WARN = 0x000000C0u;
inline constexpr M_type MESS_MESS = 0x00000F00u;
inline constexpr M_type MESS_OUT1 = 0x0000F000u;
inline constexpr M_type MESS_OUT2 = 0x000F0000u;
inline constexpr M_type MESS_OUT3 = 0x00F00000u;
inline constexpr M_type MESS_OUT4 = 0x0F000000u;
inline constexpr M_type MESS_DEBUG = 0xF0000000u;

// Longest log file name kept for the reopen-per-message mode (and its buffer size).
inline constexpr int MESS_FILENAME_MAX = 160;

// The operations of MESS_set, in three families that differ in how they weigh against the
// user's choice:
// - MESS_SET, MESS_ADD, MESS_REMOVE: an explicit choice, as the user's setting is (any code
//   up to 4 counts as one);
// - MESS_FORCE_*: change the levels whatever was chosen, without counting as a choice;
// - MESS_DEFAULT_*: a program's default, which does nothing once a choice was made.
// SET enables exactly the level and every bit below its highest one; ADD enables the level's
// bits; REMOVE disables them.
enum MESS_oper : int {
    MESS_REMOVE = -1,
    MESS_SET = 0,
    MESS_ADD = 1,
    MESS_FORCE_REMOVE = 9,
    MESS_FORCE_SET = 10,
    MESS_FORCE_ADD = 11,
    MESS_DEFAULT_REMOVE = 19,
    MESS_DEFAULT_SET = 20,
    MESS_DEFAULT_ADD = 21,
};

// Changes the enabled levels by oper (see MESS_oper); another code changes nothing (but
// counts as a choice when it is at most 4).
int MESS_set(MESS_oper oper, M_type level);
// Applies a comma-separated setting string: level words (with +/- and a/b/c/d suffixes),
// log files (fi, +fi, -fi, @fi, dfi), page, nopage, line=N.
int MESS_set_str(const char* str);
// 1 when level shares a bit with the enabled levels.
int MESS_check(M_type level);
// Non-zero once the level was chosen explicitly.
int MESS_check_set();
// printf-like; returns 1 when the message reached the terminal, 0 when it was suppressed or
// went to the log file only.
int MESS_print(M_type type, const char* mess, ...) __attribute__((format(printf, 2, 3)));
// Writes text, n characters already formatted from the format mess, as MESS_print writes
// the message it formats (the same streams, stamp and paging). Returns 1 when written.
int MESS_write(M_type type, const char* text, size_t n, const char* mess);
// MESS_print for a format written as a literal and read when the program is compiled: a
// wrong argument or a conversion not formatted here does not compile (see format_checked),
// and nothing of the format is read again when it runs. The same text as MESS_print.
template <typename... A>
int MESS_print_checked(M_type type, const checked_format<std::type_identity_t<A>...>& mess,
                       const A&... args) {
    if (MESS_check(type) == 0) return 0;
    char text[MESS_TEXT_SIZE];
    int n = format_checked<A...>(text, sizeof text, mess, args...);
    if (n < MESS_TEXT_SIZE) return MESS_write(type, text, static_cast<size_t>(n), mess.text);
    std::string whole(static_cast<size_t>(n) + 1, '\0');
    format_checked<A...>(whole.data(), whole.size(), mess, args...);
    return MESS_write(type, whole.data(), static_cast<size_t>(n), mess.text);
}
// Data lines (the JSON form): n characters of text written at level type as MESS_write
// writes a message, the only text that goes to standard output while MESS_data_only is on.
// Returns 1 when written.
int MESS_write_data(M_type type, const char* text, size_t n);
// Gives standard output a large buffer when it is not a terminal (a terminal keeps its line
// buffering). Call before anything is written.
int MESS_buffer_output();
// With on non-zero, standard output carries data only: every message of any level goes to
// standard error (prompts and paging pauses too), MESS_write_data to standard output.
int MESS_data_only(int on);
// The paging pause: prints mess and waits for one character, unless paging, batch mode or
// the level rule says not to.
int MESS_hold(M_type type, const char* mess);
// The program heading "      title (Ver x)" and an empty line, at level mess.
int MESS_print_prog(const char* string);
// Flushes the terminal streams and the log file. 0 when every message so far was written to
// standard output and the log file; -1 when one could not be (a full disk, an I/O error).
int MESS_flush();
// The system's error number of the first message that could not be written to standard
// output or the log file; 0 while all were written. Cheap enough to ask after every report.
int MESS_output_error();
// The end of the program's output: flushes everything, closes the log file and standard
// output, and when any output could not be written tells so once on standard error as
// "<prog>: write error: <reason>" and returns -1; else 0. Nothing is written to standard
// output after it.
int MESS_close_output(const char* prog);
// Back to the start state, closing any log file (for a fresh run inside one process).
int MESS_reset();

#endif
