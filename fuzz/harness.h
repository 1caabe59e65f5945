// Shared helpers of the fuzz targets: a private sandbox folder per fuzzing process, files
// written into it, message output that is formatted but goes nowhere, and small ways of
// cutting an input into the pieces a target needs.
//
// Every target resets the module state it uses at the start of each input, so that an input
// behaves the same whatever ran before it (a crash found once can be replayed alone).
//
// The harness also stands in for system(): the file listing's shell command is checked for
// characters the shell would read as syntax (a finding aborts) and never run.
#ifndef TAFCVT_FUZZ_HARNESS_H
#define TAFCVT_FUZZ_HARNESS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mess.h"
#include "scanp.h"

namespace harness {

// The sandbox folder of this process (created on first use under /dev/shm, else the
// temporary folder; removed at exit). No trailing slash.
const std::string& sandbox();
// sandbox()/name
std::string sandbox_file(std::string_view name);
// Removes everything in the sandbox except the names listed (top-level entries).
void clear_sandbox(const std::vector<std::string>& keep = {});
void write_file(const std::string& path, std::string_view text);
// The project's data folder (with a trailing slash).
std::string data_dir();

// The shipped city database stored for station look-ups, as the converter loads it for all
// stations (priorities 0 to STATION_PRIOR_ALL), with messages off.
inline constexpr int STATION_PRIOR_ALL = 7;
void load_stations();

// Pins the current time that file naming reads (joxcurtime) to 15 March 2024 18:00, the time
// the targets' dated sandbox files and seeds are made for.
void pin_clock();

// Message output for fuzzing: state reset, the given levels enabled, and every enabled
// message formatted into a log file on /dev/null and nowhere else.
void quiet_messages(M_type levels);
// Standard input from /dev/null, so that a pause or a prompt ends at once.
void detach_stdin();
// Standard output (fd 1) to /dev/null.
void discard_stdout();

// The input as text.
std::string_view as_text(const uint8_t* data, size_t size);
// A NUL-terminated copy in a buffer of exactly the text's length plus one, so that the
// sanitizer sees any read past the terminator.
std::vector<char> exact_copy(std::string_view text);
// Splits at the first newline: the first line (without it) and the rest; no newline gives
// the whole text and an empty rest.
std::pair<std::string_view, std::string_view> first_line(std::string_view text);
// The lines of a text, without their newlines.
std::vector<std::string> lines_of(std::string_view text);
// Whether text holds any of the characters of set.
bool has_any_of(std::string_view text, std::string_view set);
// Whether text holds word, ignoring ASCII case.
bool contains_nocase(std::string_view text, std::string_view word);
// An input that may begin with a settings line ("#!" and words): the line, whether it is
// there, and the rest of the input (all of it when there is no settings line).
struct SettingsSplit {
    bool given;
    std::string_view line;
    std::string_view rest;
};
SettingsSplit split_settings(std::string_view input);
// Whether a text could name something outside the sandbox: a pipe, another folder or a
// home folder ("|", "/", "\", "~").
bool leaves_sandbox(std::string_view text);
// The value of "key=value" among the blank-separated words of a settings line; empty when
// the key is not there.
std::string setting(std::string_view line, std::string_view key);
// A small deterministic number derived from the input (for choosing among variants).
unsigned input_hash(std::string_view text);
// The largest step count a latest-file search ("l#N", "la#N") in text asks for, counted up
// to limit + 1.
int64_t search_steps(std::string_view text, int64_t limit);

// Destinations for one scan: one per storing directive of a pattern, of the kind its letter
// asks for (int, float or text), each text buffer a separate allocation of text_size bytes so
// that the sanitizer sees a write past its end. args point into the storage of this record
// (bind() points them again after a copy).
struct ScanDests {
    std::vector<int> ints;
    std::vector<float> floats;
    std::vector<std::vector<char>> texts;
    std::vector<ScanKind> kinds;   // of each destination, in order
    std::vector<ScanKind> wanted;  // what each storing directive's letter asks for
    std::vector<size_t> starts;    // where each storing directive's "%" stands in the pattern
    std::vector<ScanArg> args;
    void bind();
};
// Fills dests for pat. With wrong_kinds, each destination takes the kind after the one its
// letter asks for (int -> float -> text -> int), as a careless caller would.
void scan_dests(const char* pat, size_t text_size, bool wrong_kinds, ScanDests* dests);
// Runs the library's scanner on param with dests, and the reference scanner on a copy of
// param with ref, which must hold the same values as dests; aborts (a finding) when the two
// differ in result, counts or values stored (so that afterwards they hold the same values
// again). Where a storing directive has no destination of its kind among the first nargs,
// the library's scan must stop there unmatched: the reference is then given the pattern up
// to that directive, and the library's scan must match it but for done, which is 0 where
// the reference reached the end of its part. Returns the library's result.
int scan_checked(parse_param* param, const char* pat, ScanDests* dests, ScanDests* ref,
                 int nargs);

}  // namespace harness

#endif
