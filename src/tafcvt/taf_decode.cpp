// TAF report decoder: the report header, the station and the change periods, each read once
// into an item for the writer of the chosen form (taf_items.h); see taf.h. The groups inside
// a period are read in taf_wx.cpp.
#include "taf.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "cty_tool.h"
#include "scanp.h"
#include "string.h"
#include "taf_items.h"
#include "taf_read.h"

int english = TAF_FORM_ENGLISH;
M_type raw_mes = MESS_OUT2;
M_type dec_mes = MESS_PRINT;
const char* id = nullptr;
Date file_date = {};

namespace {

// A blank may go in front of every "=", so the copy can be twice as long as the report.
constexpr int TAF_COPY_SIZE = 2 * TAF_REPORT_MAX + 1;
constexpr int TAF_STAT_SIZE = 5;  // a station identifier: 4 characters
constexpr int TAF_WORD_SIZE = 5;  // the word after the issue time: 4 characters
constexpr int TAF_MONTH_MARGIN = 5;  // days by which an issue day may stray from the file's
constexpr int TAF_END_OF_DAY = 24;
constexpr int TAF_LONGEST_MONTH = 31;

char report[TAF_COPY_SIZE];    // the decoder's copy of the report being decoded
const TafWriter* out = &TAF_ENGLISH_WRITER;  // the writer of the report being decoded
const TafSource* source = nullptr;           // what the driver said of the next report
// The issue time of the report being decoded, which names the months of its dated groups.
bool issue_known = false;
int issue_day = 0;
TafMonth issue_month_of_report;

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

// The text of the group the last scan took: its characters without the blanks behind it.
std::string_view group_text(const parse_param* param) {
    const char* text = scanp_str(param);
    int n = param->len;
    while (n > 0 && is_blank_or_eol(text[n - 1])) --n;
    return {text, static_cast<size_t>(n > 0 ? n : 0)};
}

TafMonth next_month(TafMonth m) {
    return m.month == 12 ? TafMonth{m.year + 1, 1} : TafMonth{m.year, m.month + 1};
}
TafMonth previous_month(TafMonth m) {
    return m.month == 1 ? TafMonth{m.year - 1, 12} : TafMonth{m.year, m.month - 1};
}

TafMonth file_month() { return {file_date.year, file_date.month}; }

// A month guessed from the file's date gives way to the month before it until one has the
// day: a report of the 31st read in a file of 30 November was written in October.
TafMonth month_with_day(TafMonth m, int day) {
    if (m.month < 1 || m.month > 12 || day < 1 || day > TAF_LONGEST_MONTH) return m;
    while (day > DATE_month_days(m.year, m.month)) m = previous_month(m);
    return m;
}

// The month of an issue day: the file's, or its neighbour when the days are far apart.
TafMonth issue_month(int day) {
    TafMonth m = file_month();
    if (file_date.day - TAF_MONTH_MARGIN > day) m = next_month(m);
    if (file_date.day + TAF_MONTH_MARGIN < day) m = previous_month(m);
    return month_with_day(m, day);
}

// The month of a group's day in a report without an issue time: the file's, or the next
// when the file's day is later.
TafMonth group_month(int day) {
    return month_with_day(file_date.day > day ? next_month(file_month()) : file_month(), day);
}

// Months of the dated groups follow the issue date when there is one, so that the months of
// one report agree; a day its month lacks is then the report's own.
TafMonth day_month(int day) {
    if (!issue_known) return group_month(day);
    return day >= issue_day ? issue_month_of_report : next_month(issue_month_of_report);
}

// Reads a DDHH/DDHH group at the position (not moving past it) into times. An end day
// before the start day lies in the month after the start's; an end hour of 24 stays 24.
bool read_dated_period(parse_param* param, TafTimes* times) {
    TafTimes& t = *times;
    // Day and hour take exactly two characters each: the "/" stands fifth.
    if (scanp_char(param, 4) != '/' ||
        TAF_read_dated_period(param, &t.from_day, &t.from_hour, &t.to_day, &t.to_hour) != 4)
        return false;
    t.form = TafTimesForm::dated;
    t.text = group_text(param);
    t.from_month = day_month(t.from_day);
    t.to_month = t.to_day < t.from_day ? next_month(t.from_month) : t.from_month;
    return true;
}

// Whether the word pattern (one storing directive) matches at the position; its word begins
// with lead, so that other words are passed over without a scan.
bool word_matches(parse_param* param, char lead, scanp_pattern<scan_buf> pattern) {
    char word[TAF_WORD_SIZE];
    return scanp_char(param, 0) == lead && scanp(param, pattern, word) == 1;
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
        else if (c == 'A' && !amd && word_matches(param, 'A', "%(AMD) "))
            amd = true;
        else if (c == 'C' && !cor && word_matches(param, 'C', "%(COR) "))
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
    CTY_data city = {};
    int known = id != nullptr ? CTY_get(CTY_DEFAULT_FILE, stat, &city) : CTY_search(stat, &city);
    scanp_inc(param);
    // Some offices write the words after the station (PAED AMD 010021Z, EGXE TAF 011221).
    skip_header_words(param, &words);
    out->station({stat, known ? &city : nullptr, words.amd, words.cor});
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
    return TAF_read_day_hours(param, day, hour, min) == 3 && param->len > 6 &&
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
    out->issue({group_text(param), day, hour, min, issue_month_of_report});
    scanp_inc(param);
}

// NIL (no forecast) and CNL (a forecast cancelled): the rest of the report says nothing.
bool decode_final_word(parse_param* param, char lead, scanp_pattern<> pattern, TafWord word) {
    if (scanp_char(param, 0) != lead || scanp(param, pattern) != 1) return false;
    out->word(word);
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

// An older validity: a day and hours, without the end's day.
void say_hours_validity(parse_param* param, TafValidityForm form, int day, int start, int end) {
    const TafMonth month = day_month(day);
    out->validity({group_text(param), form, day, start, month, day, end, month});
}

void decode_validity(parse_param* param) {
    int day = 0, start = 0, end = 0;
    TafTimes t;
    if (read_dated_period(param, &t)) {
        out->validity({t.text, TafValidityForm::dated, t.from_day, t.from_hour, t.from_month,
                       t.to_day, t.to_hour, t.to_month});
        scanp_inc(param);
    } else if (TAF_read_day_hours(param, &day, &start, &end) == 3) {
        if (end == TAF_END_OF_DAY) end = 0;
        say_hours_validity(param, TafValidityForm::hours, day, start, end);
        scanp_inc(param);
    } else if (TAF_read_hours(param, &day, &start) == 2) {
        // The group names no end hour: it covers 24 hours, to the start hour the next day.
        say_hours_validity(param, TafValidityForm::day_hour, day, start, start);
        scanp_inc(param);
    }
}

// RTD, AMD (with the repeated station, issue time and validity behind it) and COR.
void decode_remarks(parse_param* param, const char* stat) {
    int day = 0, hour = 0, min = 0;
    if (word_matches(param, 'R', "%(RTD) ")) {
        out->word(TafWord::retransmitted);
        scanp_inc(param);
    }
    if (word_matches(param, 'A', "%(AMD) ")) {
        out->word(TafWord::amendment);
        scanp_inc(param);
        skip_repeated_station(param, stat);
        if (TAF_read_issue_time(param, &day, &hour, &min) == 4) scanp_inc(param);
        if (TAF_read_day_hours(param, &day, &hour, &min) == 3 && param->len > 6)
            scanp_inc(param);
    }
    if (word_matches(param, 'C', "%(COR) ")) {
        out->word(TafWord::correction);
        scanp_inc(param);
    }
}

int length_left(const parse_param* param) {
    return static_cast<int>(param->ptr + param->length - scanp_str(param));
}

// Hands the period to the writer and decodes its groups, moving past them.
void decode_period(parse_param* param, const TafPeriod& period) {
    out->period(period);
    scanp_inc_off(param, TAF_decode_wx(scanp_str(param), length_left(param)));
}

void decode_unread_words(parse_param* param) {
    scanp_inc_off(param, TAF_decode_unread(scanp_str(param), length_left(param)));
}

// The text from where a change period's words began to where its groups begin.
std::string_view words_since(const parse_param* param, int start) {
    std::string_view words(param->ptr + start, static_cast<size_t>(scanp_get_off(param) - start));
    while (!words.empty() && is_blank_or_eol(words.back())) words.remove_suffix(1);
    return words;
}

// The times after TEMPO, PROB, BECMG or INTER.
void decode_change_times(parse_param* param, TafTimes* times) {
    if (read_dated_period(param, times)) {
        scanp_inc(param);
    } else if (TAF_read_hours(param, &times->from_hour, &times->to_hour) == 2) {
        times->form = TafTimesForm::hours;
        times->text = group_text(param);
        scanp_inc(param);
    } else {
        times->form = TafTimesForm::none;
    }
}

// TEMPO, BECMG and INTER.
struct ChangeWord {
    char lead;              // the word's first letter
    std::string_view word;  // read as "%*(WORD) "
    TafPeriodKind kind;
};
constexpr ChangeWord TEMPO_WORD = {'T', "TEMPO", TafPeriodKind::tempo};
constexpr ChangeWord BECMG_WORD = {'B', "BECMG", TafPeriodKind::becmg};
constexpr ChangeWord INTER_WORD = {'I', "INTER", TafPeriodKind::inter};

void decode_change_word(parse_param* param, const ChangeWord& word) {
    if (scanp_char(param, 0) != word.lead || TAF_read_word(param, word.word) != 1) return;
    const int start = scanp_get_off(param);
    scanp_inc(param);
    TafPeriod period{.kind = word.kind};
    decode_change_times(param, &period.times);
    period.text = words_since(param, start);
    decode_period(param, period);
}

// The word after a PROB percentage that makes it the chance of an occasional (TEMPO) or an
// intermittent (INTER) period.
struct ProbWord {
    char lead;
    std::string_view word;  // read as "%*(WORD) "
    TafProbWord kind;
};
constexpr ProbWord PROB_WORDS[] = {
    {'T', "TEMPO", TafProbWord::tempo},
    {'I', "INTER", TafProbWord::inter},
};

// TEMPO or INTER after the percentage, passed over; none when neither stands there.
TafProbWord read_prob_word(parse_param* param) {
    const int c = scanp_char(param, 0);
    for (const ProbWord& word : PROB_WORDS) {
        if (c != word.lead || TAF_read_word(param, word.word) != 1) continue;
        scanp_inc(param);
        return word.kind;
    }
    return TafProbWord::none;
}

void decode_prob(parse_param* param) {
    int percent = 0;
    // Some offices write a blank after PROB (PROB 30 TEMPO).
    if (scanp_char(param, 0) != 'P' ||
        (TAF_read_prob(param, &percent) != 2 && scanp(param, "%*(PROB) %2d ", &percent) != 2))
        return;
    const int start = scanp_get_off(param);
    scanp_inc(param);
    TafPeriod period{.kind = TafPeriodKind::prob};
    period.probability = percent;
    period.prob_word = read_prob_word(param);
    decode_change_times(param, &period.times);
    period.text = words_since(param, start);
    decode_period(param, period);
}

void decode_from(parse_param* param) {
    TafPeriod period{.kind = TafPeriodKind::from};
    int& day = period.day;
    int& hour = period.hour;
    int& min = period.min;
    if (scanp_char(param, 0) != 'F') return;
    if (TAF_read_from(param, &day, &hour, &min) == 4)
        period.from_form = TafFromForm::day_time;
    else if (TAF_read_from_time(param, &hour, &min) == 3)
        period.from_form = TafFromForm::time;
    else if (scanp(param, "%*(FM)%2d ", &hour) == 2)
        period.from_form = TafFromForm::hour;
    else if (scanp(param, "%*(FM) %2d%2d%2d ", &day, &hour, &min) == 4)  // FM 130800
        period.from_form = TafFromForm::day_time;
    else if (scanp(param, "%*(FM) %2d%2d ", &hour, &min) == 3)
        period.from_form = TafFromForm::time;
    else
        return;
    if (period.from_form == TafFromForm::day_time) period.month = day_month(day);
    period.text = group_text(param);
    scanp_inc(param);
    decode_period(param, period);
}

// The header after the issue time, and the periods.
void decode_body(parse_param* param, const char* stat) {
    decode_validity(param);
    decode_remarks(param, stat);
    if (decode_final_word(param, 'C', "%*(CNL) ", TafWord::cancelled)) return;
    decode_period(param, {.kind = TafPeriodKind::base});
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
        // periods behind it: its words up to the next change word are listed as unread.
        if (scanp_get_off(param) == before) decode_unread_words(param);
    }
}

const TafSource NO_SOURCE;

}  // namespace

const TafWriter& TAF_writer(int form) {
    switch (form) {
        case TAF_FORM_ENGLISH: return TAF_ENGLISH_WRITER;
        case TAF_FORM_JSON: return TAF_JSON_WRITER;
        case TAF_FORM_TABLE: return TAF_TABLE_WRITER;
        default: return TAF_DECODED_WRITER;
    }
}

int TAF_set_source(const TafSource* next) {
    source = next;
    return 0;
}

int TAF_decode(const char* line) {
    out = &TAF_writer(english);
    TAF_output_reset();  // the English text holds this report's only, whatever the form
    copy_report(line != nullptr ? line : "");
    out->report_begin({line != nullptr ? std::string_view(line, strnlen(line, TAF_REPORT_MAX))
                                       : std::string_view(),
                       source != nullptr ? source : &NO_SOURCE});
    parse_param param = {};
    scanp_set(&param, report);
    issue_known = false;
    char stat[TAF_STAT_SIZE];
    decode_station(&param, stat);
    decode_issue_time(&param);
    skip_repeated_station(&param, stat);
    if (!decode_final_word(&param, 'N', "%*(NIL) ", TafWord::nil)) decode_body(&param, stat);
    MESS_print(MESS_OUT4, "LEFT: %s\n", scanp_str(&param));
    out->report_end();
    return 0;
}

int TAF_day_month(int day) { return day_month(day).month; }

template <size_t N>
void terminate(char (&field)[N]) {
    field[N - 1] = '\0';
}

const char* TAF_trim_city(CTY_data* city) {
    terminate(city->name);
    terminate(city->state);
    terminate(city->region);
    terminate(city->id);
    size_t n = strlen(city->name);
    while (n > 0 && is_blank_or_eol(city->name[n - 1])) city->name[--n] = '\0';
    return city->state[0] == '-' ? city->region : city->state;
}

int TAF_print_city(CTY_data* city) {
    const char* state = TAF_trim_city(city);
    TAF_writer(english).city(city, state);
    return 0;
}

TafMonth TAF_day_month_of_year(int day) { return day_month(day); }

int TAF_word_length(const char* text) {
    int n = 0;
    while (text[n] != '\0' && !is_blank_or_eol(text[n])) ++n;
    return n;
}
