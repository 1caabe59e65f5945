// TAF report decoder: the report header, the station heading, the change periods and the
// English output buffer; see taf.h. The groups inside a period are read in taf_wx.cpp.
#include "taf.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "cty_tool.h"
#include "scanp.h"
#include "string.h"
#include "taf_read.h"

int english = 1;
M_type raw_mes = MESS_OUT2;
M_type dec_mes = MESS_PRINT;
const char* id = nullptr;
Date file_date = {};

namespace {

constexpr int TAF_OUTPUT_SIZE = TAF_OUTPUT_MAX + 1;
// A blank may go in front of every "=", so the copy can be twice as long as the report.
constexpr int TAF_COPY_SIZE = 2 * TAF_REPORT_MAX + 1;
constexpr int TAF_STAT_SIZE = 5;  // a station identifier: 4 characters
constexpr int TAF_WORD_SIZE = 5;  // the word after the issue time: 4 characters
constexpr int TAF_MONTH_MARGIN = 5;  // days by which an issue day may stray from the file's
constexpr int TAF_END_OF_DAY = 24;
constexpr int TAF_LONGEST_MONTH = 31;

char output[TAF_OUTPUT_SIZE];  // English text of the current report, NUL-terminated
char* out_ptr = output;        // the terminator of the text in output; appends start there
char report[TAF_COPY_SIZE];    // the decoder's copy of the report being decoded
// The issue time of the report being decoded, which names the months of its dated groups.
bool issue_known = false;
int issue_day = 0;
int issue_month_of_report = 0;

// Copies up to TAF_REPORT_MAX characters of line into report, with a blank put in front
// of every "=" that directly follows a non-blank character.
void copy_report(const char* line) {
    const size_t length = strnlen(line, TAF_REPORT_MAX);
    size_t n = 0;
    for (size_t i = 0; i < length;) {
        const auto* equal = static_cast<const char*>(memchr(line + i, '=', length - i));
        size_t end = equal != nullptr ? static_cast<size_t>(equal - line) : length;
        memcpy(report + n, line + i, end - i);
        n += end - i;
        if (equal == nullptr) break;
        if (end > 0 && !is_blank_or_eol(line[end - 1])) report[n++] = ' ';
        report[n++] = '=';
        i = end + 1;
    }
    report[n] = '\0';
}

int next_month(int month) { return month == 12 ? 1 : month + 1; }
int previous_month(int month) { return month == 1 ? 12 : month - 1; }

// A month guessed from the file's date gives way to the month before it until one has the
// day: a report of the 31st read in a file of 30 November was written in October. February
// counts its days in the file's year.
int month_with_day(int month, int day) {
    if (month < 1 || month > 12 || day < 1 || day > TAF_LONGEST_MONTH) return month;
    while (day > DATE_month_days(file_date.year, month)) month = previous_month(month);
    return month;
}

// The month of an issue day: the file's, or its neighbour when the days are far apart.
int issue_month(int day) {
    int month = file_date.month;
    if (file_date.day - TAF_MONTH_MARGIN > day) month = next_month(file_date.month);
    if (file_date.day + TAF_MONTH_MARGIN < day) month = previous_month(file_date.month);
    return month_with_day(month, day);
}

// The month of a group's day in a report without an issue time: the file's, or the next
// when the file's day is later.
int group_month(int day) {
    return month_with_day(file_date.day > day ? next_month(file_date.month) : file_date.month,
                          day);
}

// Months of the dated groups follow the issue date when there is one, so that the months of
// one report agree; a day its month lacks is then the report's own.
int day_month(int day) {
    if (!issue_known) return group_month(day);
    return day >= issue_day ? issue_month_of_report : next_month(issue_month_of_report);
}

// A period written DDHH/DDHH, each end with its month.
struct DatedPeriod {
    int from_day, from_hour, from_month;
    int to_day, to_hour, to_month;
};

// Reads a DDHH/DDHH group at the position (not moving past it). An end day before the start
// day lies in the month after the start's; an end hour of 24 stays 24.
bool read_dated_period(parse_param* param, DatedPeriod* period) {
    DatedPeriod& t = *period;
    // Day and hour take exactly two characters each: the "/" stands fifth.
    if (scanp_char(param, 4) != '/' ||
        TAF_read_dated_period(param, &t.from_day, &t.from_hour, &t.to_day, &t.to_hour) != 4)
        return false;
    t.from_month = day_month(t.from_day);
    t.to_month = t.to_day < t.from_day ? next_month(t.from_month) : t.from_month;
    return true;
}

// Writes one fixed item in the chosen form: English text to the buffer, or decoded text.
void say(const char* english_text, const char* decoded_text) {
    if (english)
        TAF_format("%s", english_text);
    else
        MESS_print_checked(dec_mes, "%s", decoded_text);
}

// Whether the word pattern (one storing directive) matches at the position.
bool word_matches(parse_param* param, scanp_pattern<scan_buf> pattern) {
    char word[TAF_WORD_SIZE];
    return scanp(param, pattern, word) == 1;
}

// The words TAF, AMD and COR that stand before or after the station.
struct HeaderWords {
    bool amd = false;  // an amendment
    bool cor = false;  // a correction
};

// Passes over TAF, AMD and COR, each at most once and in any order, noting AMD and COR.
void skip_header_words(parse_param* param, HeaderWords* words) {
    bool taf = false, amd = false, cor = false;
    for (;;) {
        const int c = scanp_char(param, 0);
        if (c == 'T' && !taf && scanp(param, "%*(TAF) ") == 1)
            taf = true;
        else if (c == 'A' && !amd && word_matches(param, "%(AMD) "))
            amd = true;
        else if (c == 'C' && !cor && word_matches(param, "%(COR) "))
            cor = true;
        else
            break;
        scanp_inc(param);
    }
    words->amd = words->amd || amd;
    words->cor = words->cor || cor;
}

// The header words, the station and its heading. stat receives the identifier ("" when
// none).
void decode_station(parse_param* param, char* stat) {
    stat[0] = '\0';
    HeaderWords words;
    skip_header_words(param, &words);
    if (TAF_read_station(param, scan_buf{stat, TAF_STAT_SIZE}) != 1) return;  // "%4s "
    if (!english) MESS_print_checked(dec_mes, "ID: %s", stat);
    CTY_data city = {};
    int known = id != nullptr ? CTY_get(CTY_DEFAULT_FILE, stat, &city) : CTY_search(stat, &city);
    if (known)
        TAF_print_city(&city);
    else if (english)
        TAF_format("%s terminal forecast ", stat);
    scanp_inc(param);
    // Some offices write the words after the station (PAED AMD 010021Z, EGXE TAF 011221).
    skip_header_words(param, &words);
    if (words.amd) say("(amendment) ", "AMENDMENT\n");
    if (words.cor) say("(correction) ", "CORRECTION\n");
    if (!english) MESS_print_checked(dec_mes, "\n");
}

// Whether text begins with a validity group: six digits (DDHHHH) or DDHH/DDHH, a whole word.
bool is_validity_group(const char* text) {
    const int n = TAF_word_length(text);
    const std::string_view word(text, static_cast<size_t>(n));
    if (n == 6) return all_digits(word);
    return n == 9 && all_digits(word.substr(0, 4)) && word[4] == '/' && all_digits(word.substr(5));
}

// An issue time written without its Z (KMKE 011530 0116/0218): six digits, a word of their
// own, followed by the validity. Otherwise six digits there are the older validity itself.
bool read_issue_without_zone(parse_param* param, int* day, int* hour, int* min) {
    return scanp(param, "%2d%2d%2d ", day, hour, min) == 3 && param->len > 6 &&
           is_validity_group(scanp_str(param) + param->len);
}

void decode_issue_time(parse_param* param) {
    int day = 0, hour = 0, min = 0;
    if (TAF_read_issue_time(param, &day, &hour, &min) != 4 &&
        !read_issue_without_zone(param, &day, &hour, &min))
        return;
    issue_known = true;
    issue_day = day;
    issue_month_of_report = issue_month(day);
    if (english)
        TAF_format("issued on %d %s at %2.2d:%2.2dZ ", day,
                   DATE_month_long(issue_month_of_report), hour, min);
    else
        MESS_print_checked(dec_mes, "REPORT TIME: %2d %2d:%2d\n", day, hour, min);
    scanp_inc(param);
}

// NIL (no forecast) and CNL (a forecast cancelled): the rest of the report says nothing.
bool decode_final_word(parse_param* param, char lead, scanp_pattern<> pattern,
                       const char* english_text, const char* decoded_text) {
    if (scanp_char(param, 0) != lead || scanp(param, pattern) != 1) return false;
    say(english_text, decoded_text);
    scanp_inc(param);
    return true;
}

// A repeated station identifier after the issue time is passed over.
// The word "%4s " takes is its first four characters, which must not be white space.
void skip_repeated_station(parse_param* param, const char* stat) {
    const char* text = scanp_str(param);
    if (strlen(stat) != TAF_STAT_SIZE - 1) return;
    for (int i = 0; i < TAF_STAT_SIZE - 1; ++i)
        if (text[i] == '\0' || is_space(text[i]) || text[i] != stat[i]) return;
    int consumed = TAF_STAT_SIZE - 1;
    while (is_blank_or_eol(text[consumed])) ++consumed;
    scanp_inc_off(param, consumed);
}

void say_validity(int day, int start, int end) {
    int month = day_month(day);
    if (end > start) {
        if (english)
            TAF_format("valid from %d %s at %2.2dZ to %2.2dZ.\n", day, DATE_month_long(month),
                       start, end);
        else
            MESS_print_checked(dec_mes, "VALID TIME: %d %s AT %2.2dZ TO %2.2dZ\n", day,
                       DATE_month(month), start, end);
    } else if (english) {
        TAF_format("valid from %d %s at %2.2dZ to %2.2dZ the next day.\n", day,
                   DATE_month_long(month), start, end);
    } else {
        MESS_print_checked(dec_mes, "VALID TIME: %d %s AT %2.2dZ TO %2.2dZ NEXT DAY\n", day,
                   DATE_month(month), start, end);
    }
}

void decode_validity(parse_param* param) {
    int day = 0, start = 0, end = 0;
    DatedPeriod t;
    if (read_dated_period(param, &t)) {
        if (english)
            TAF_format("valid from %d %s at %2.2dZ to %d %s at %2.2dZ.\n", t.from_day,
                       DATE_month_long(t.from_month), t.from_hour, t.to_day,
                       DATE_month_long(t.to_month), t.to_hour);
        else
            MESS_print_checked(dec_mes, "VALID TIME: %d %s AT %2.2dZ TO %d %s AT %2.2dZ\n", t.from_day,
                       DATE_month(t.from_month), t.from_hour, t.to_day, DATE_month(t.to_month),
                       t.to_hour);
        scanp_inc(param);
    } else if (scanp(param, "%2d%2d%2d ", &day, &start, &end) == 3) {
        if (end == TAF_END_OF_DAY) end = 0;
        say_validity(day, start, end);
        scanp_inc(param);
    } else if (scanp(param, "%2d%2d ", &day, &start) == 2) {
        // The group names no end hour: it covers 24 hours, to the start hour the next day.
        say_validity(day, start, start);
        scanp_inc(param);
    }
}

// RTD, AMD (with the repeated station, issue time and validity behind it) and COR.
void decode_remarks(parse_param* param, const char* stat) {
    int day = 0, hour = 0, min = 0;
    if (word_matches(param, "%(RTD) ")) {
        say("(retransmitted) ", "RETRANSMITTED\n");
        scanp_inc(param);
    }
    if (word_matches(param, "%(AMD) ")) {
        say("(amendment) ", "AMENDMENT\n");
        scanp_inc(param);
        skip_repeated_station(param, stat);
        if (TAF_read_issue_time(param, &day, &hour, &min) == 4) scanp_inc(param);
        if (scanp(param, "%2d%2d%2d ", &day, &hour, &min) == 3 && param->len > 6)
            scanp_inc(param);
    }
    if (word_matches(param, "%(COR) ")) {
        say("(correction) ", "CORRECTION\n");
        scanp_inc(param);
    }
}

int length_left(const parse_param* param) {
    return static_cast<int>(param->ptr + param->length - scanp_str(param));
}

// Decodes the groups of the period that begins at the position and moves past them.
void decode_period(parse_param* param) {
    scanp_inc_off(param, TAF_decode_wx(scanp_str(param), length_left(param)));
}

void decode_unread_words(parse_param* param) {
    scanp_inc_off(param, TAF_decode_unread(scanp_str(param), length_left(param)));
}

// The English around the times of a change period: lead before them, tail after them, and
// alone in their place when the period has none.
struct TimesText {
    const char* lead;
    const char* tail;
    const char* alone;
};

// The times after TEMPO, PROB, BECMG or INTER, in the chosen form.
void decode_change_times(parse_param* param, const TimesText& text) {
    int from = 0, to = 0;
    DatedPeriod t;
    if (read_dated_period(param, &t)) {
        if (english) {
            TAF_format("%s", text.lead);
            TAF_format("from %d %s at %2.2dZ to %d %s at %2.2dZ", t.from_day,
                       DATE_month_long(t.from_month), t.from_hour, t.to_day,
                       DATE_month_long(t.to_month), t.to_hour);
            TAF_format("%s", text.tail);
        } else {
            MESS_print_checked(dec_mes, "FROM %d %s %2.2dZ TO %d %s %2.2dZ\n", t.from_day,
                       DATE_month(t.from_month), t.from_hour, t.to_day, DATE_month(t.to_month),
                       t.to_hour);
        }
        scanp_inc(param);
    } else if (scanp(param, "%2d%2d ", &from, &to) == 2) {
        if (english) {
            TAF_format("%s", text.lead);
            TAF_format("from %2.2dZ to %2.2dZ", from, to);
            TAF_format("%s", text.tail);
        } else {
            MESS_print_checked(dec_mes, "FROM %2.2dZ TO %2.2dZ\n", from, to);
        }
        scanp_inc(param);
    } else {
        say(text.alone, "\n");
    }
}

// TEMPO, BECMG and INTER: the word, its decoded label, and the English of its times.
struct ChangeWord {
    char lead;              // the word's first letter
    std::string_view word;  // read as "%*(WORD) "
    const char* decoded_label;
    TimesText times;
};
constexpr ChangeWord TEMPO_WORD = {
    'T', "TEMPO", "TEMPORARY WX ", {"", " will occasionally be:\n", "will occasionally be "}};
constexpr ChangeWord BECMG_WORD = {
    'B', "BECMG", "WX BECOMING ", {"", " will change to:\n", "will change to:\n"}};
constexpr ChangeWord INTER_WORD = {'I', "INTER", "INTERMITTENT WX ",
                                   {"", " will intermittently be:\n", "will intermittently be:\n"}};

void decode_change_word(parse_param* param, const ChangeWord& word) {
    if (scanp_char(param, 0) != word.lead || TAF_read_word(param, word.word) != 1) return;
    say("\nThe weather ", word.decoded_label);
    scanp_inc(param);
    decode_change_times(param, word.times);
    decode_period(param);
}

// The word after a PROB percentage that makes it the chance of an occasional (TEMPO) or an
// intermittent (INTER) period.
struct ProbWord {
    char lead;
    std::string_view word;  // read as "%*(WORD) "
    const char* english;  // after "\nA %d%% probability "
    const char* decoded;  // after "%d%% PROBABILITY OF "
};
constexpr ProbWord PROB_WORDS[] = {
    {'T', "TEMPO", "of occasional weather", "TEMPORARY WX "},
    {'I', "INTER", "of intermittent weather", "INTERMITTENT WX "},
};
constexpr TimesText PLAIN_PROB_TIMES = {"", " of ", ""};
constexpr TimesText PROB_WORD_TIMES = {" ", ":\n", ":\n"};

// TEMPO or INTER after the percentage, passed over; null when neither stands there.
const ProbWord* read_prob_word(parse_param* param) {
    const int c = scanp_char(param, 0);
    for (const ProbWord& word : PROB_WORDS) {
        if (c != word.lead || TAF_read_word(param, word.word) != 1) continue;
        scanp_inc(param);
        return &word;
    }
    return nullptr;
}

void decode_prob(parse_param* param) {
    int percent = 0;
    // Some offices write a blank after PROB (PROB 30 TEMPO).
    if (scanp_char(param, 0) != 'P' ||
        (TAF_read_prob(param, &percent) != 2 && scanp(param, "%*(PROB) %2d ", &percent) != 2))
        return;
    scanp_inc(param);
    const ProbWord* word = read_prob_word(param);
    if (word == nullptr) {
        if (english)
            TAF_format("\nA %d%% probability ", percent);
        else
            MESS_print_checked(dec_mes, "%d%% PROBABILITY OF WX ", percent);
    } else if (english) {
        TAF_format("\nA %d%% probability %s", percent, word->english);
    } else {
        MESS_print_checked(dec_mes, "%d%% PROBABILITY OF %s", percent, word->decoded);
    }
    decode_change_times(param, word == nullptr ? PLAIN_PROB_TIMES : PROB_WORD_TIMES);
    decode_period(param);
}

void say_from_day(int day, int hour, int min) {
    int month = day_month(day);
    if (english)
        TAF_format("\nThe weather starting on %d %s at %2.2d:%2.2dZ will be:\n", day,
                   DATE_month_long(month), hour, min);
    else
        MESS_print_checked(dec_mes, "NEW WX STARTING: %d %s %2.2d:%2.2dZ\n", day, DATE_month(month),
                           hour, min);
}

void say_from_time(int hour, int min) {
    if (english)
        TAF_format("\nThe weather starting at %2.2d:%2.2dZ will be:\n", hour, min);
    else
        MESS_print_checked(dec_mes, "NEW WX STARTING: %2.2d:%2.2dZ\n", hour, min);
}

void decode_from(parse_param* param) {
    int day = 0, hour = 0, min = 0;
    if (scanp_char(param, 0) != 'F') return;
    if (TAF_read_from(param, &day, &hour, &min) == 4) {
        say_from_day(day, hour, min);
    } else if (scanp(param, "%*(FM)%2d%2d ", &hour, &min) == 3) {
        say_from_time(hour, min);
    } else if (scanp(param, "%*(FM)%2d ", &hour) == 2) {
        if (english)
            TAF_format("\nThe weather starting at %2.2dZ will be: ", hour);
        else
            MESS_print_checked(dec_mes, "NEW WX STARTING: %2.2dZ\n", hour);
    } else if (scanp(param, "%*(FM) %2d%2d%2d ", &day, &hour, &min) == 4) {
        say_from_day(day, hour, min);  // a blank after FM (FM 130800)
    } else if (scanp(param, "%*(FM) %2d%2d ", &hour, &min) == 3) {
        say_from_time(hour, min);
    } else {
        return;
    }
    scanp_inc(param);
    decode_period(param);
}

// Turns the first character of every word of name (after a blank, "/" or "-") into the only
// capital of the word.
void mix_case(char* name) {
    bool word_start = true;
    for (char* p = name; *p != '\0'; ++p) {
        if (is_blank_or_eol(*p) || *p == '/' || *p == '-') {
            word_start = true;
            continue;
        }
        if (!word_start) *p = ascii_lower(*p);
        word_start = false;
    }
}

template <size_t N>
void terminate(char (&field)[N]) {
    field[N - 1] = '\0';
}

// The header after the issue time, and the periods.
void decode_body(parse_param* param, const char* stat) {
    decode_validity(param);
    decode_remarks(param, stat);
    if (decode_final_word(param, 'C', "%*(CNL) ", "\nThe forecast is cancelled (CNL).\n",
                          "CANCELLED (CNL)\n"))
        return;
    say("\nThe initial weather is:\n", "INITIAL WX\n");
    decode_period(param);
    for (int i = 0; i < TAF_MAX_PERIODS; ++i) {
        int c = scanp_char(param, 0);
        if (c == '\0' || c == '=') break;
        int before = scanp_get_off(param);
        decode_change_word(param, TEMPO_WORD);
        decode_prob(param);
        decode_from(param);
        decode_change_word(param, BECMG_WORD);
        decode_change_word(param, INTER_WORD);
        // A change word that no kind reads (PROB3, FMX) would stop all progress and lose the
        // periods behind it: its words up to the next change word are listed as comments.
        if (scanp_get_off(param) == before) decode_unread_words(param);
    }
}

}  // namespace

int TAF_decode(const char* line) {
    copy_report(line != nullptr ? line : "");
    parse_param param = {};
    scanp_set(&param, report);
    TAF_output_reset();
    issue_known = false;
    char stat[TAF_STAT_SIZE];
    decode_station(&param, stat);
    decode_issue_time(&param);
    skip_repeated_station(&param, stat);
    if (!decode_final_word(&param, 'N', "%*(NIL) ", "is not available (NIL).\n",
                           "NOT AVAILABLE (NIL)\n"))
        decode_body(&param, stat);
    MESS_print(MESS_OUT4, "LEFT: %s\n", scanp_str(&param));
    TAF_print();
    return 0;
}

int TAF_day_month(int day) { return day_month(day); }

int TAF_word_length(const char* text) {
    int n = 0;
    while (text[n] != '\0' && !is_blank_or_eol(text[n])) ++n;
    return n;
}

int TAF_print_city(CTY_data* city) {
    terminate(city->name);
    terminate(city->state);
    terminate(city->region);
    terminate(city->id);
    size_t n = strlen(city->name);
    while (n > 0 && is_blank_or_eol(city->name[n - 1])) city->name[--n] = '\0';
    const char* state = city->state[0] == '-' ? city->region : city->state;
    if (english) {
        mix_case(city->name);
        TAF_format("%s", city->name);
        TAF_format(", %s", state);
        TAF_format(" (%s) terminal forecast ", city->id);
    } else {
        MESS_print_checked(dec_mes, "   %s", city->name);
        MESS_print_checked(dec_mes, ", %s", state);
    }
    return 0;
}

int TAF_output_reset() {
    output[0] = '\0';
    out_ptr = output;
    return 0;
}

char* TAF_output_free(size_t* room) {
    *room = static_cast<size_t>(output + TAF_OUTPUT_SIZE - out_ptr);
    return out_ptr;
}

int TAF_output_grown(int n) {
    const auto room = static_cast<size_t>(output + TAF_OUTPUT_SIZE - out_ptr);
    if (n > 0) out_ptr += static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room - 1;
    return 0;
}

int TAF_output_length() { return static_cast<int>(out_ptr - output); }

int TAF_close_clauses(int from) {
    for (char* c = out_ptr - 1; c >= output + from; --c) {
        if (*c != ',') continue;
        *c = '.';
        if (c + 1 < out_ptr) c[1] = '\n';
        return 1;
    }
    return 0;
}

int TAF_print() {
    const int length = TAF_output_length();
    int off = 0;         // where the count of the current line starts
    int line_start = 0;  // the first character of the current line
    // Only a newline or the count reaching the wrap column changes anything, so the text is
    // read from one of those places to the next.
    for (int i = 0; i < length;) {
        int column_end = off + TAF_WRAP_COLUMN;  // where the current line has to be cut
        int last = column_end < length ? column_end : length - 1;
        const void* newline = memchr(output + i, '\n', static_cast<size_t>(last - i + 1));
        if (newline != nullptr) {
            off = static_cast<int>(static_cast<const char*>(newline) - output);
            line_start = off + 1;
            i = off + 1;
            continue;
        }
        if (column_end >= length) break;
        int low = line_start > 1 ? line_start : 1;
        int j = column_end;
        while (j > low && output[j] != ' ') --j;
        if (output[j] == ' ') {
            output[j] = '\n';
            off = j;
            line_start = j + 1;
        } else {
            off = column_end;  // no blank in this line yet: it stays whole, the count starts again
        }
        i = column_end + 1;
    }
    MESS_print_checked(dec_mes, "%s\n", output);
    return 0;
}
