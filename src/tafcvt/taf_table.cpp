// The briefing table: a heading line per report, then one line per period in fixed columns
// (kind, from-to, flight category, wind, visibility, weather, clouds, then the other groups
// and the unread words), then an empty line. The report is gathered whole (taf_report.h) and
// resolved, so the times and categories are those of the JSON form, carry-over included.
//
// Columns are left-aligned, each followed by one blank at least; a longer value keeps all
// its characters and pushes the rest of the line right. No line ends in blanks. Text from the
// report and the database stands as written, but a blank run (a group written over two
// lines) is one blank and a control byte is "?", so no input can break a line or send the
// terminal a code of its own. With colors, the category and the groups that set it (the
// visibility and the ceiling's cloud group, when the period itself says them) are colored
// by the aviation convention.
//
// State: the text of the report being written, kept from report to report so that a run
// allocates only while its reports grow; whether to color.
#include "taf_table.h"

#include <charconv>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "taf.h"
#include "taf_items.h"
#include "taf_report.h"

namespace {

// Widths of the columns' values (the widest common value each), in the order of a line.
constexpr int KIND_WIDTH = 13;        // PROB30 TEMPO
constexpr int TIMES_WIDTH = 14;       // 08/1500-09/18
constexpr int CATEGORY_WIDTH = 5;     // LIFR
constexpr int WIND_WIDTH = 12;        // 25015G25MPS
constexpr int VISIBILITY_WIDTH = 7;   // 1 1/2SM
constexpr int WEATHER_WIDTH = 11;     // -SHRA BR VC
constexpr int CLOUDS_WIDTH = 20;      // FEW020 SCT040 BKN100
constexpr int FREE_WIDTH = 0;         // the other groups: as long as they are
constexpr int INDENT = 2;             // before a period's kind
constexpr int HEADING_GAP = 2;        // between the parts of the heading
constexpr int PROB_SIZE = 16;         // PROB and a percentage (two digits as read)

// SGR codes by category: VFR green, MVFR blue, IFR red, LIFR magenta.
constexpr std::string_view CATEGORY_COLORS[] = {"", "\x1b[32m", "\x1b[34m", "\x1b[31m",
                                                "\x1b[35m"};
constexpr std::string_view COLOR_RESET = "\x1b[0m";
static_assert(std::size(CATEGORY_COLORS) == std::size(TAF_CATEGORY_NAMES));

const char* const KIND_NAMES[] = {"BASE", "TEMPO", "PROB", "FM", "BECMG", "INTER"};  // by kind

const TafReportRecord& report = TAF_report();
TafResolved resolved;  // the report's times and conditions, reused from report to report
bool color = false;
std::string text;      // the report's lines so far
int pending = 0;       // blanks owed before the next text of the line
int cell_length = 0;   // characters of the column value being written

// ---- Writing a line ----

// Bytes a terminal acts on: C0 controls, DEL and the C1 controls of Latin-1.
constexpr bool is_control(unsigned char c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// The bytes that stand in a line as they are: neither blanks nor controls.
constexpr auto PLAIN = [] {
    struct Table {
        bool of[256] = {};
    } t;
    for (int c = 0; c < 256; ++c) t.of[c] = c != ' ' && !is_control(static_cast<unsigned char>(c));
    return t;
}();

// Text of the report or the database (see the module comment). The characters written.
int put_input(std::string_view s) {
    size_t plain = 0;
    while (plain < s.size() && PLAIN.of[static_cast<unsigned char>(s[plain])]) ++plain;
    if (plain == s.size()) {  // a group as the patterns read it: most texts
        text.append(s);
        return static_cast<int>(s.size());
    }
    int n = 0;
    bool blank = false;  // a blank is owed before the next character
    for (char ch : s) {
        if (is_blank_or_eol(ch)) {
            blank = n > 0;
            continue;
        }
        if (blank) {
            text += ' ';
            ++n;
            blank = false;
        }
        text += is_control(static_cast<unsigned char>(ch)) ? '?' : ch;
        ++n;
    }
    return n;
}

void pay_blanks() {
    text.append(static_cast<size_t>(pending), ' ');
    pending = 0;
}

// One item of the column value being written, after a blank when it is not the first;
// colored as category says (none: plain).
void cell_item(std::string_view item, TafCategory category = TAF_CATEGORY_NONE) {
    if (item.empty()) return;
    if (cell_length == 0) {
        pay_blanks();
    } else {
        text += ' ';
        ++cell_length;
    }
    const bool colored = color && category != TAF_CATEGORY_NONE;
    if (colored) text.append(CATEGORY_COLORS[category]);
    cell_length += put_input(item);
    if (colored) text.append(COLOR_RESET);
}

// Ends the column value: blanks up to the column's width and one after it. The free column
// takes no room when it is empty.
void cell_end(int width) {
    if (width != FREE_WIDTH || cell_length > 0)
        pending += (cell_length < width ? width - cell_length : 0) + 1;
    cell_length = 0;
}

void line_end() {
    text += '\n';
    pending = 0;
}

// The two digits of a day, hour or minute of a time made whole, at text.
void two_digits_at(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
}

// DD/HH, or DD/HHMM (minutes wanted or not 00), or "?" when not known.
void put_time(const TafTime& t, bool minutes) {
    if (!t.known) {
        text += '?';
        return;
    }
    char time[] = "DD/HHMM";
    two_digits_at(time, t.day);
    two_digits_at(time + 3, t.hour);
    two_digits_at(time + 5, t.min);
    text.append(time, minutes || t.min != 0 ? 7 : 5);
}

// ---- The heading ----

// The database name in mixed case, blanks for "_", as a person reads it ("Kennedy Intl
// Arpt"); the English heading mixes case the same way. The characters written.
int put_name(const char* name) {
    char mixed[CTY_NAME_SIZE];
    bool word_start = true;
    size_t n = 0;
    for (; n + 1 < sizeof mixed && name[n] != '\0'; ++n) {
        char c = name[n] == '_' ? ' ' : name[n];
        if (is_blank_or_eol(c) || c == '/' || c == '-') {
            word_start = true;
        } else {
            if (!word_start) c = ascii_lower(c);
            word_start = false;
        }
        mixed[n] = c;
    }
    return put_input({mixed, n});
}

// A part of the heading, two blanks after the one before it.
void heading_part() {
    if (text.empty()) return;
    pending = HEADING_GAP;
    pay_blanks();
}

void put_heading() {
    if (report.station_known) put_input(report.station_id);
    if (report.city_known) {
        const CTY_data& city = report.city;
        const std::string_view state = city.state[0] == '-' ? city.region : city.state;
        heading_part();
        if (put_name(city.name) > 0 && !state.empty()) text += ", ";
        put_input(state);
    }
    if (report.issue_known) {
        heading_part();
        text += "issued ";
        const TafTime& t = resolved.issued;
        if (t.known) {
            char issued[] = "DD Mon HH:MMZ";
            two_digits_at(issued, t.day);
            std::string_view(DATE_month_long(t.month)).copy(issued + 3, 3);
            two_digits_at(issued + 7, t.hour);
            two_digits_at(issued + 10, t.min);
            text.append(issued, sizeof issued - 1);
        } else {
            text += '?';
        }
    }
    if (report.validity_known) {
        heading_part();
        text += "valid ";
        put_time(resolved.valid_from, false);
        if (resolved.valid_from.known) text += 'Z';
        text += '-';
        put_time(resolved.valid_to, false);
        if (resolved.valid_to.known) text += 'Z';
    }
    const std::pair<bool, std::string_view> words[] = {{report.amendment, "AMD"},
                                                       {report.correction, "COR"},
                                                       {report.nil, "NIL"},
                                                       {report.cancelled, "CNL"}};
    bool first = true;
    for (const auto& [said, word] : words) {
        if (!said) continue;
        if (first)
            heading_part();
        else
            text += ' ';
        text.append(word);
        first = false;
    }
    line_end();
}

// ---- A period's line ----

void put_kind(const TafPeriod& change) {
    if (change.kind != TafPeriodKind::prob) {
        cell_item(KIND_NAMES[static_cast<int>(change.kind)]);
        return;
    }
    char prob[PROB_SIZE] = "PROB";
    const char* end = std::to_chars(prob + 4, prob + sizeof prob, change.probability).ptr;
    cell_item({prob, static_cast<size_t>(end - prob)});
    if (change.prob_word == TafProbWord::tempo) cell_item("TEMPO");
    if (change.prob_word == TafProbWord::inter) cell_item("INTER");
}

// From-to; nothing when neither end is known (a change period without times).
void put_times(const TafPeriod& change, const TafPeriodResolved& r) {
    if (!r.from.known && !r.to.known) return;
    pay_blanks();
    const size_t start = text.size();
    put_time(r.from, change.kind == TafPeriodKind::from);
    text += '-';
    put_time(r.to, false);
    cell_length = static_cast<int>(text.size() - start);
}

void put_period(const TafPeriodRecord& p, const TafPeriodResolved& r) {
    text.append(INDENT, ' ');
    put_kind(p.change);
    cell_end(KIND_WIDTH);
    put_times(p.change, r);
    cell_end(TIMES_WIDTH);
    if (r.category != TAF_CATEGORY_NONE) cell_item(TAF_CATEGORY_NAMES[r.category], r.category);
    cell_end(CATEGORY_WIDTH);

    if (p.has_wind) cell_item(p.wind.text);
    if (p.has_variation) cell_item(p.variation.text);
    cell_end(WIND_WIDTH);

    // The groups that set the category are the period's own: a carried-over part colors
    // only the category.
    const bool visibility_sets = r.visibility_category == r.category;
    const TafCategory visibility_color = visibility_sets ? r.category : TAF_CATEGORY_NONE;
    if (p.cavok) cell_item("CAVOK", visibility_color);
    if (p.has_visibility) cell_item(p.visibility.text, visibility_color);
    cell_end(VISIBILITY_WIDTH);

    for (int i = 0; i < p.weather_count; ++i) cell_item(p.weather[i]);
    cell_end(WEATHER_WIDTH);

    const int ceiling = r.ceiling_category == r.category ? r.conditions.ceiling_cloud : -1;
    for (int i = 0; i < p.cloud_count; ++i)
        cell_item(p.clouds[i].text, i == ceiling ? r.category : TAF_CATEGORY_NONE);
    if (p.has_sky) cell_item(p.sky_text);
    cell_end(CLOUDS_WIDTH);

    if (p.has_shear) cell_item(p.shear.text);
    for (int i = 0; i < p.temperature_count; ++i) cell_item(p.temperatures[i].text);
    if (p.has_icing) cell_item(p.icing.text);
    if (p.has_turbulence) cell_item(p.turbulence.text);
    if (p.has_altimeter) cell_item(p.altimeter_text);
    cell_end(FREE_WIDTH);

    if (p.unread_end > p.unread_begin) {
        pay_blanks();
        text += '[';
        for (int i = p.unread_begin; i < p.unread_end; ++i) {
            if (i > p.unread_begin) text += ' ';
            put_input(report.unread_words[static_cast<size_t>(i)]);
        }
        text += ']';
    }
    line_end();
}

void report_end() {
    TAF_report_resolve(&resolved);
    text.clear();
    pending = cell_length = 0;
    put_heading();
    for (int i = 0; i < report.period_count; ++i)
        put_period(report.periods[static_cast<size_t>(i)],
                   resolved.periods[static_cast<size_t>(i)]);
    MESS_print_checked(dec_mes, "%s\n", text.c_str());
}

}  // namespace

const TafWriter TAF_TABLE_WRITER = TAF_collecting_writer(report_end);

bool TAF_table_wants_color(const char* setting, const char* no_color, bool terminal,
                           bool* unknown) {
    *unknown = false;
    if (setting != nullptr) {
        if (stricmp(setting, "on") == 0) return true;
        if (stricmp(setting, "off") == 0) return false;
        *unknown = stricmp(setting, "auto") != 0;
    }
    return terminal && (no_color == nullptr || no_color[0] == '\0');
}

int TAF_table_set_color(bool on) {
    color = on;
    return 0;
}

std::string_view TAF_table_last_text() { return text; }
