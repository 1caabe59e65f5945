// tafcvt: converts the terminal aerodrome forecasts (TAF) of raw weather bulletin files
// into English sentences or a decoded listing of labelled lines.
//
// The driver declares the program's resources, settles the output form and the message
// level, chooses the input files and the station selection, walks every forecast bulletin of
// every input file, gathers the lines of each report of a selected station into one text,
// echoes it and hands it to the report decoder.
//
// Exit status: 0 normally and after help; 1 when an input file the user named could not be
// opened (the other files are still read); 7 when the loop window stops answering.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "cty_tool.h"
#include "files.h"
#include "flag.h"
#include "mess.h"
#include "par_tool.h"
#include "resrc.h"
#include "string.h"
#include "system.h"
#include "taf.h"
#include "tafcvt_res.h"

namespace {

constexpr int REPORT_MAX = 5000;        // characters of one gathered report, newlines included
constexpr int IDENT_SIZE = 40;          // the identifier typed at the prompt
constexpr int IDENT_PROMPT_LENGTH = 20; // the prompt keeps at most 19 characters of it
constexpr int HEADER_PATTERN_SIZE = 50;
constexpr size_t WORD_MAX = 10;         // characters of a word of the report-start test
constexpr int END_EQUAL = 2048;         // the report ended at its line ending in "="

// Items of the resource output, applied in order (a later item overrides an earlier one).
struct OutputItem {
    const char* word;
    int english;
    bool echo_at_print;  // the raw report is echoed at level print
};
constexpr OutputItem OUTPUT_ITEMS[] = {
    {"eng", 1, false},
    {"code+eng", 1, true},
    {"dec", 0, false},
    {"dec+eng", 0, true},
};

char report[REPORT_MAX + 1];     // the gathered report
int report_length = 0;           // its characters
char line[PAR_LINE_SIZE + 1];    // one report line
bool named_file_failed = false;  // an input file the user named could not be opened

void print_help() {
    char prog[RES_PROGNAME_MAX];
    RES_get_progname(prog);
    MESS_print(MESS_PRINT, "%s: This program converts raw surface observations\n", prog);
    MESS_print(MESS_PRINT, "   into a useable format\n");
    RES_help_print(prog, TAFCVT_RES_KEY, TAFCVT_RES_POS);
    JOX_exit(JOX_EXIT_OK);
}

void apply_output_items() {
    int paramc = 0;
    char** paramv = nullptr;
    RES_getvals("output", &paramc, &paramv);
    for (int i = 0; i < paramc; ++i) {
        for (const auto& item : OUTPUT_ITEMS) {
            if (stricmp(paramv[i], item.word) != 0) continue;
            english = item.english;
            if (item.echo_at_print) raw_mes = MESS_PRINT;
        }
    }
    free_parsed_array(paramc, paramv);
}

// The station selection: the resource, a prompt answer, or null for all stations.
const char* choose_stations() {
    static char typed[IDENT_SIZE];
    const char* selection = RES_get("identifier");
    if (selection == nullptr && !FLAG_batch())
        selection = JOX_prompts("Enter the desired identifier (as in KIND): ", typed,
                                IDENT_PROMPT_LENGTH);
    if (selection != nullptr && stricmp(selection, "all") == 0) selection = nullptr;
    return selection;
}

// sscanf's whitespace in the C locale.
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

const char* skip_spaces(const char* p) {
    while (is_space(*p)) ++p;
    return p;
}

// Characters of the word at p, at most WORD_MAX: what "%10s" takes.
size_t word_length(const char* p) {
    size_t n = 0;
    while (n < WORD_MAX && p[n] != '\0' && !is_space(p[n])) ++n;
    return n;
}

// True when the line opens the report proper: "TAF" and a second word, or a 4-character
// station identifier followed by a day-and-time group (DDHHMMZ or DDHHMM). The two words are
// taken as sscanf takes them with "%10s %10s": a first word longer than 10 characters goes
// on as the second.
bool starts_report(const char* text) {
    const char* first = skip_spaces(text);
    if (*first == '\0') return false;
    size_t first_len = word_length(first);
    const char* second = skip_spaces(first + first_len);
    if (*second == '\0') return false;
    if (first_len == 3 && memcmp(first, "TAF", 3) == 0) return true;
    size_t second_len = word_length(second);
    return first_len == 4 && (second_len == 6 || second_len == 7);
}

// Once the report text is full, nothing more is added (not even a line end).
void gather(const char* text) {
    if (report_length >= REPORT_MAX) return;
    size_t n = strnlen(text, static_cast<size_t>(REPORT_MAX - report_length));
    memcpy(report + report_length, text, n);
    report_length += static_cast<int>(n);
    if (report_length < REPORT_MAX) report[report_length++] = '\n';
    report[report_length] = '\0';
}

// Reads the lines of one report. False when the reader's last mode answered without
// handing out a line: it keeps products for the final listing instead of reading them.
bool read_report(int ind) {
    report[0] = '\0';
    report_length = 0;
    bool found = false;
    for (int i = 0;; ++i) {
        if (PAR_read(ind, 0, i, line) <= 0) break;
        if (PAR_last_mode()) return false;
        if (!found) found = starts_report(line);
        if (found) gather(line);
    }
    if (PAR_get_status(ind) == END_EQUAL) gather(line);
    return true;
}

void convert_file(int ind) {
    char header[HEADER_PATTERN_SIZE];
    snprintf(header, sizeof header, "%s", "F(T|CCN)");
    while (PAR_search(ind, header) == 1) {
        while (PAR_identifier(ind) == 1) {
            bool delivered = read_report(ind);
            if (report[0] != '\0') {
                MESS_print(raw_mes, "%s\n", report);
                TAF_decode(report);
            }
            if (!delivered) break;
        }
    }
}

int convert_files() {
    char filename[FILE_NAME_MAX];
    int ind = -1;
    FILE_first(&file_date);
    while (FILE_get_next(filename)) {
        FILE_get_date(&file_date);
        ind = PAR_open(&file_date);
        if (ind < 0) {
            if (FILE_get_filename_type() == 1) {
                MESS_print(MESS_WARN, "Cannot open the input file: %s\n", filename);
                named_file_failed = true;
            }
            continue;
        }
        convert_file(ind);
        PAR_close(ind);
    }
    return ind;
}

}  // namespace

int main(int argc, char** argv) {
    RES_init(argc, argv, TAFCVT_RES_KEY, TAFCVT_RES_POS);
    if (FLAG_help()) print_help();
    apply_output_items();
    if (RES_get("identifier") != nullptr) MESS_set(20, 0x000000FF);
    MESS_print_prog("TERMINAL FORECAST PARSER");

    PAR_in_file("term_dat");
    PAR_set_end(END_EQUAL);
    PAR_set_output(2);

    char filename[FILE_NAME_MAX];
    FILE_get_file_only("Enter the filename: ", filename);
    FILE_get_date(&file_date);

    id = choose_stations();
    PAR_set_identifier(id);
    if (id == nullptr) CTY_store("sao.cty", 1, nullptr, 7);

    int ind = convert_files();
    PAR_print(ind, 1);
    MESS_flush();
    return named_file_failed ? JOX_EXIT_FAILURE : JOX_EXIT_OK;
}
