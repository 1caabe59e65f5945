// tafcvt: converts the terminal aerodrome forecasts (TAF) of raw weather bulletin files
// into English sentences, a decoded listing of labelled lines, JSON lines or a briefing
// table.
//
// The driver declares the program's resources, settles the output form and the message
// level, chooses the input files and the station selection, walks every forecast bulletin of
// every input file (and every bare report, one without a bulletin heading), gathers the
// lines of each report of a selected station into one text (taf_gather), echoes it and hands
// it to the report decoder.
//
// Exit status: 0 normally and after help; 1 when an input file the user named could not be
// opened (the other files are still read); 3 when output could not be written (the run stops
// at the first report after the failure); 7 when the loop window stops answering.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cty_tool.h"
#include "files.h"
#include "flag.h"
#include "mess.h"
#include "par_tool.h"
#include "resrc.h"
#include "string.h"
#include "system.h"
#include "taf.h"
#include "taf_gather.h"
#include "taf_table.h"
#include "tafcvt_res.h"

namespace {

constexpr int IDENT_SIZE = 40;           // the identifier typed at the prompt
constexpr int IDENT_PROMPT_LENGTH = 20;  // the prompt keeps at most 19 characters of it
static_assert(IDENT_PROMPT_LENGTH <= IDENT_SIZE, "the prompt writes that many bytes");
constexpr int HEADER_PATTERN_SIZE = 50;
// Stations of priority 0 to 7 are loaded for the headings of all stations' reports.
constexpr int STATION_PRIOR_MAX = 7;
// Messages shown when a station list is given: the decoded output, warnings and errors.
constexpr M_type LIST_LEVELS = MESS_PRINT | MESS_ERROR | MESS_WARN;

// Items of the resource output, applied in order (a later item overrides an earlier one).
struct OutputItem {
    const char* word;
    int form;            // TafForm
    bool echo_at_print;  // the raw report is echoed at level print
};
constexpr OutputItem OUTPUT_ITEMS[] = {
    {"eng", TAF_FORM_ENGLISH, false},
    {"code+eng", TAF_FORM_ENGLISH, true},
    {"dec", TAF_FORM_DECODED, false},
    {"dec+eng", TAF_FORM_DECODED, true},
    {"json", TAF_FORM_JSON, false},
    {"table", TAF_FORM_TABLE, false},
};

bool named_file_failed = false;  // an input file the user named could not be opened
// The JSON form keeps standard output for its lines: no heading, no raw echo.
bool data_form() { return english == TAF_FORM_JSON; }
TafSource source;               // the file and bulletin of the reports being decoded
char bulletin[PAR_HEADER_MAX + 1];

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
            english = item.form;
            if (item.echo_at_print) raw_mes = MESS_PRINT;
        }
    }
    free_parsed_array(paramc, paramv);
}

// The table's colors: the resource color, else colors on a terminal unless NO_COLOR says no.
void choose_table_color() {
    const char* setting = RES_get("color");
    bool unknown = false;
    TAF_table_set_color(
        TAF_table_wants_color(setting, getenv("NO_COLOR"), isatty(STDOUT_FILENO) != 0, &unknown));
    if (unknown)
        MESS_print(MESS_WARN, "Unknown color setting: %s (on, off or auto); auto is used\n",
                   setting);
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

// Converts every report of the selected stations in the open file ind. The count of
// products found: forecast bulletins and bare products.
int convert_file(int ind) {
    char header[HEADER_PATTERN_SIZE];
    copy_cut(header, "F(T|CCN)");
    int products = 0;
    while (PAR_search(ind, header) == 1) {
        ++products;
        // The heading without the "** " a feed may put in front of it.
        copy_cut(bulletin, skip_spaces(PAR_get_header(ind) + strspn(PAR_get_header(ind), "*")));
        wstrim_string(bulletin);
        while (PAR_identifier(ind) == 1) {
            bool delivered = TAF_gather_report(ind) == 1;
            if (TAF_gather_length() > 0) {
                if (!data_form()) MESS_print(raw_mes, "%s\n", TAF_gather_text());
                source.cut = TAF_gather_cut() != 0;
                TAF_decode(TAF_gather_text());
            }
            if (MESS_output_error() != 0) return products;  // nothing more can be written
            if (!delivered) break;
        }
    }
    return products;
}

// A file whose name gives no date (no month: a name the template does not date, "@name",
// standard input) takes the date of its modification time, standard input the current
// time, so that the days of its reports get their months as in a dated file. Only the
// decoder's date changes: the file was opened, and its index looked for, by its name.
void date_undated_file(const char* name) {
    if (file_date.month != DATE_MISSING) return;
    Date stamp;
    if (FILE_time_date(name, &stamp) == 0) file_date = stamp;
}

int convert_files() {
    char filename[FILE_NAME_MAX];
    int ind = -1;
    FILE_first(&file_date);
    while (MESS_output_error() == 0 && FILE_get_next(filename)) {
        const bool named = FILE_get_filename_type() == FILE_NAME_FIXED;
        FILE_get_date(&file_date);
        ind = PAR_open(&file_date);
        if (ind < 0) {
            if (named) {
                MESS_print(MESS_WARN, "Cannot open the input file: %s\n", filename);
                named_file_failed = true;
            }
            continue;
        }
        date_undated_file(filename);
        source.file = filename;
        if (convert_file(ind) == 0 && named)
            MESS_print(MESS_WARN, "No TAF found in %s\n", filename);
        PAR_close(ind);
    }
    return ind;
}

}  // namespace

int main(int argc, char** argv) {
    MESS_buffer_output();
    RES_init(argc, argv, TAFCVT_RES_KEY, TAFCVT_RES_POS);
    if (FLAG_help()) print_help();
    apply_output_items();
    if (RES_get("identifier") != nullptr) MESS_set(MESS_DEFAULT_SET, LIST_LEVELS);
    if (data_form())
        MESS_data_only(1);
    else
        MESS_print_prog("TERMINAL FORECAST PARSER");
    if (english == TAF_FORM_TABLE) choose_table_color();
    source.bulletin = bulletin;
    TAF_set_source(&source);

    PAR_in_file("term_dat");
    PAR_set_end(PAR_END_EQUAL);     // a report ends at its line ending in "="
    PAR_set_output(PAR_OUT_LINES);  // the report lines, without the bulletin heading
    PAR_set_report_word("TAF");  // reports as people copy them, without a bulletin heading

    char filename[FILE_NAME_MAX];
    FILE_get_file_only("Enter the filename: ", filename);
    FILE_get_date(&file_date);

    id = choose_stations();
    PAR_set_identifier(id);
    if (id == nullptr) CTY_store(CTY_DEFAULT_FILE, CTY_STORE_DATA, nullptr, STATION_PRIOR_MAX);

    int ind = convert_files();
    PAR_print(ind, PAR_CLOSE_AFTER);  // the last mode lists its product
    JOX_exit(named_file_failed ? JOX_EXIT_FAILURE : JOX_EXIT_OK);
}
