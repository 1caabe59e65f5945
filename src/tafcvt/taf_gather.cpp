// Report gathering; see taf_gather.h.
#include "taf_gather.h"

#include <cstring>
#include <string_view>

#include "par_tool.h"
#include "string.h"
#include "taf.h"

namespace {

constexpr size_t TAF_WORD_MAX = 10;  // characters of a word of the start test ("%10s")
constexpr std::string_view TAF_WORD = "TAF";
// Second words that, behind a 4-character station, open the report: an amendment, a
// correction, or the word TAF written after the station.
constexpr std::string_view TAF_STATION_MARKS[] = {"AMD", "COR", "TAF"};
constexpr size_t TAF_VALIDITY_LENGTH = 9;  // DDHH/DDHH
constexpr size_t TAF_VALIDITY_SLASH = 4;

char report[TAF_REPORT_MAX + 1];  // the report being gathered
int report_length = 0;            // its characters
bool started = false;             // a line passed the start test
bool last_added = false;          // the line handed out before was added
bool newline_last = false;        // the report ends with the newline added after a line
bool cut = false;                 // text was left out: the report reached its bound

// The word at p, at most TAF_WORD_MAX characters: what "%10s" takes (it ends at white space,
// is_space).
std::string_view word_at(const char* p) {
    size_t n = 0;
    while (n < TAF_WORD_MAX && p[n] != '\0' && !is_space(p[n])) ++n;
    return {p, n};
}

bool is_validity(std::string_view word) {
    return word.size() == TAF_VALIDITY_LENGTH && word[TAF_VALIDITY_SLASH] == '/' &&
           all_digits(word.substr(0, TAF_VALIDITY_SLASH)) &&
           all_digits(word.substr(TAF_VALIDITY_SLASH + 1));
}

bool is_station_mark(std::string_view word) {
    for (std::string_view mark : TAF_STATION_MARKS)
        if (word == mark) return true;
    return false;
}

// Appends text and a newline; with join, the text goes on the last line (in place of the
// newline that ended it).
void append(const char* text, bool join) {
    if (join && newline_last) --report_length;
    newline_last = false;
    if (report_length >= TAF_REPORT_MAX) cut = cut || text[0] != '\0';
    if (report_length < TAF_REPORT_MAX) {
        size_t n = strnlen(text, static_cast<size_t>(TAF_REPORT_MAX - report_length));
        cut = cut || text[n] != '\0';
        memcpy(report + report_length, text, n);
        report_length += static_cast<int>(n);
        if (report_length < TAF_REPORT_MAX) {
            report[report_length++] = '\n';
            newline_last = true;
        }
    }
    report[report_length] = '\0';
}

}  // namespace

int TAF_starts_report(const char* line) {
    if (line == nullptr) return 0;
    std::string_view first = word_at(skip_spaces(line));
    if (first.empty()) return 0;
    std::string_view second = word_at(skip_spaces(first.data() + first.size()));
    if (second.empty()) return 0;
    if (first == TAF_WORD) return 1;
    if (first.size() != 4) return 0;
    if (second.size() == 6 || second.size() == 7) return 1;
    return is_station_mark(second) || is_validity(second) ? 1 : 0;
}

int TAF_gather_reset() {
    report[0] = '\0';
    report_length = 0;
    started = false;
    last_added = false;
    newline_last = false;
    cut = false;
    return 0;
}

int TAF_gather_line(const char* line, int continues) {
    if (line == nullptr) return 0;
    if (continues != 0) {
        if (last_added) append(line, true);
        return last_added ? 1 : 0;
    }
    if (!started) started = TAF_starts_report(line) != 0;
    last_added = started;
    if (started) append(line, false);
    return started ? 1 : 0;
}

int TAF_gather_final(const char* line, int continues) {
    if (line == nullptr) return 0;
    append(line, continues != 0 && last_added);
    last_added = true;
    return 0;
}

const char* TAF_gather_text() { return report; }

int TAF_gather_length() { return report_length; }

int TAF_gather_cut() { return cut ? 1 : 0; }

int TAF_gather_report(int ind) {
    TAF_gather_reset();
    char line[PAR_LINE_SIZE] = "";  // a reading that fails early may leave it untouched
    for (int i = 0;; ++i) {
        if (PAR_read(ind, PAR_KEEP_OPEN, i, line) <= 0) break;
        // The last mode answers without handing out a line.
        if (PAR_last_mode()) return 0;
        TAF_gather_line(line, PAR_continues(ind));
    }
    if (PAR_get_status(ind) == static_cast<int>(PAR_END_EQUAL))
        TAF_gather_final(line, PAR_continues(ind));
    return 1;
}
