// The English form: each item of a report becomes a clause appended to the report's English
// text (at most TAF_OUTPUT_MAX characters; what goes beyond is cut), which is wrapped at
// TAF_WRAP_COLUMN and printed at dec_mes when the report ends. The heading, issue time and
// validity make one sentence; each period opens with its own introduction and its clauses,
// each ending in ", ", end in a full stop. The texts are the ones users know, spelling and
// all ("vicinty"): keep them.
#include <cstring>

#include "taf.h"
#include "taf_items.h"
#include "wx_tool.h"

namespace {

constexpr int TAF_OUTPUT_SIZE = TAF_OUTPUT_MAX + 1;
constexpr int TAF_FEET_PER_UNIT = 100;       // heights in groups are hundreds of feet
constexpr int TAF_METRES_UNLIMITED = 9999;   // ten kilometres or more: nothing to say

char output[TAF_OUTPUT_SIZE];  // English text of the current report, NUL-terminated
char* out_ptr = output;        // the terminator of the text in output; appends start there
int clauses_from = 0;          // where the clauses of the period being written begin

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

void city(CTY_data* record, const char* state) {
    mix_case(record->name);
    TAF_format("%s", record->name);
    TAF_format(", %s", state);
    TAF_format(" (%s) terminal forecast ", record->id);
}

void report_begin(const TafReport&) {}

void station(const TafStation& s) {
    if (s.city != nullptr)
        city(s.city, TAF_trim_city(s.city));
    else
        TAF_format("%s terminal forecast ", s.id);
    if (s.amd) TAF_format("(amendment) ");
    if (s.cor) TAF_format("(correction) ");
}

void issue(const TafIssue& t) {
    TAF_format("issued on %d %s at %2.2d:%2.2dZ ", t.day, DATE_month_long(t.month.month),
               t.hour, t.min);
}

void validity(const TafValidity& v) {
    if (v.form == TafValidityForm::dated)
        TAF_format("valid from %d %s at %2.2dZ to %d %s at %2.2dZ.\n", v.from_day,
                   DATE_month_long(v.from_month.month), v.from_hour, v.to_day,
                   DATE_month_long(v.to_month.month), v.to_hour);
    else if (v.to_hour > v.from_hour)
        TAF_format("valid from %d %s at %2.2dZ to %2.2dZ.\n", v.from_day,
                   DATE_month_long(v.from_month.month), v.from_hour, v.to_hour);
    else
        TAF_format("valid from %d %s at %2.2dZ to %2.2dZ the next day.\n", v.from_day,
                   DATE_month_long(v.from_month.month), v.from_hour, v.to_hour);
}

void word(TafWord w) {
    switch (w) {
        case TafWord::retransmitted: TAF_format("(retransmitted) "); break;
        case TafWord::amendment: TAF_format("(amendment) "); break;
        case TafWord::correction: TAF_format("(correction) "); break;
        case TafWord::nil: TAF_format("is not available (NIL).\n"); break;
        case TafWord::cancelled: TAF_format("\nThe forecast is cancelled (CNL).\n"); break;
    }
}

// The times of a change period between the English around them: lead before them, tail
// after them, and alone in their place when the period has none.
struct TimesText {
    const char* lead;
    const char* tail;
    const char* alone;
};
constexpr TimesText TEMPO_TIMES = {"", " will occasionally be:\n", "will occasionally be "};
constexpr TimesText BECMG_TIMES = {"", " will change to:\n", "will change to:\n"};
constexpr TimesText INTER_TIMES = {"", " will intermittently be:\n", "will intermittently be:\n"};
constexpr TimesText PLAIN_PROB_TIMES = {"", " of ", ""};
constexpr TimesText PROB_WORD_TIMES = {" ", ":\n", ":\n"};

void times(const TafTimes& t, const TimesText& text) {
    if (t.form == TafTimesForm::none) {
        TAF_format("%s", text.alone);
        return;
    }
    TAF_format("%s", text.lead);
    if (t.form == TafTimesForm::dated)
        TAF_format("from %d %s at %2.2dZ to %d %s at %2.2dZ", t.from_day,
                   DATE_month_long(t.from_month.month), t.from_hour, t.to_day,
                   DATE_month_long(t.to_month.month), t.to_hour);
    else
        TAF_format("from %2.2dZ to %2.2dZ", t.from_hour, t.to_hour);
    TAF_format("%s", text.tail);
}

void from_period(const TafPeriod& p) {
    switch (p.from_form) {
        case TafFromForm::day_time:
            TAF_format("\nThe weather starting on %d %s at %2.2d:%2.2dZ will be:\n", p.day,
                       DATE_month_long(p.month.month), p.hour, p.min);
            break;
        case TafFromForm::time:
            TAF_format("\nThe weather starting at %2.2d:%2.2dZ will be:\n", p.hour, p.min);
            break;
        case TafFromForm::hour:
            TAF_format("\nThe weather starting at %2.2dZ will be: ", p.hour);
            break;
    }
}

void prob_period(const TafPeriod& p) {
    switch (p.prob_word) {
        case TafProbWord::none: TAF_format("\nA %d%% probability ", p.probability); break;
        case TafProbWord::tempo:
            TAF_format("\nA %d%% probability %s", p.probability, "of occasional weather");
            break;
        case TafProbWord::inter:
            TAF_format("\nA %d%% probability %s", p.probability, "of intermittent weather");
            break;
    }
    times(p.times, p.prob_word == TafProbWord::none ? PLAIN_PROB_TIMES : PROB_WORD_TIMES);
}

void period(const TafPeriod& p) {
    switch (p.kind) {
        case TafPeriodKind::base: TAF_format("\nThe initial weather is:\n"); break;
        case TafPeriodKind::tempo:
            TAF_format("\nThe weather ");
            times(p.times, TEMPO_TIMES);
            break;
        case TafPeriodKind::becmg:
            TAF_format("\nThe weather ");
            times(p.times, BECMG_TIMES);
            break;
        case TafPeriodKind::inter:
            TAF_format("\nThe weather ");
            times(p.times, INTER_TIMES);
            break;
        case TafPeriodKind::prob: prob_period(p); break;
        case TafPeriodKind::from: from_period(p); break;
    }
}

void groups_begin() { clauses_from = TAF_output_length(); }

void wind(const TafWind& w) {
    const int speed = TAF_knots_truncated(w.speed, w.unit);
    const int gust = TAF_knots_truncated(w.gust, w.unit);
    switch (w.kind) {
        case TafWindKind::calm: TAF_format("winds calm, "); break;
        case TafWindKind::gusting:
            TAF_format("winds from %d deg at %d kts with gusts to %d, ", w.dir, speed, gust);
            break;
        case TafWindKind::variable_gusting:
            TAF_format("winds variable at %d kts with gusts to %d, ", speed, gust);
            break;
        case TafWindKind::variable: TAF_format("winds variable at %d kts, ", speed); break;
        case TafWindKind::steady: TAF_format("winds from %d deg at %d kts, ", w.dir, speed); break;
    }
}

void wind_variation(const TafWindVariation& v) {
    TAF_format("varying from %d to %d deg, ", v.from, v.to);
}

void visibility(const TafVisibility& v) {
    switch (v.kind) {
        case TafVisibilityKind::cavok: TAF_format("ceiling and visibility OK, "); return;
        case TafVisibilityKind::more_miles:
            TAF_format("visibility is greater than %3.1f miles, ", v.miles);
            return;
        case TafVisibilityKind::metres:
        case TafVisibilityKind::metres_direction:
            if (v.metres == TAF_METRES_UNLIMITED) return;
            break;
        default: break;
    }
    TAF_format("visibility of %3.1f miles, ", v.miles);
}

void weather(const TafWeather& w) {
    TAF_format("weather is ");
    char phrase[WX_PHRASE_SIZE];
    bool first = true;
    for (const char* next = w.list; (next = WX_metar_weather_text(next, phrase)) != nullptr;) {
        if (!first) TAF_format(" and ");
        TAF_format("%s", phrase);
        first = false;
    }
    TAF_format(", ");
}

void sky(const TafSky& s) {
    switch (s.word) {
        case TafSkyWord::clear: TAF_format("skies are clear, "); break;
        case TafSkyWord::nsc: TAF_format("no significant clouds, "); break;
        case TafSkyWord::ncd: TAF_format("no clouds detected, "); break;
    }
}

// "%d ft" of a height in hundreds of feet, or "unknown height" when it was not observed.
void height(int hundreds) {
    if (hundreds == TAF_ITEM_MISSING)
        TAF_format("unknown height");
    else
        TAF_format("%d ft", hundreds * TAF_FEET_PER_UNIT);
}

void cloud(const TafCloud& c) {
    switch (c.kind) {
        case TafCloudKind::octets: TAF_print_octets(c); break;
        case TafCloudKind::vertical:
            TAF_format("vertical visibility of ");
            height(c.height);
            TAF_format(", ");
            break;
        case TafCloudKind::typed:
            TAF_format("clouds ");
            height(c.height);
            TAF_format(" %s ", print_cloud(c.cover));
            if (strcmp(c.type, "CB") == 0)
                TAF_format("with cumulonimbus, ");
            else if (strcmp(c.type, "CU") == 0)
                TAF_format("with cumulus, ");
            else
                TAF_format("with %s, ", c.type);
            break;
        case TafCloudKind::layer:
            if (c.pass == 0) TAF_format("clouds ");
            height(c.height);
            TAF_format(" %s, ", print_cloud(c.cover));
            break;
    }
}

void wind_shear(const TafWindShear& s) {
    TAF_format("wind shear at %d ft with winds from %d deg at %d kts, ",
               s.height * TAF_FEET_PER_UNIT, s.dir, s.speed);
}

void temperature(const TafTemperature& t) {
    switch (t.kind) {
        case TafTemperatureKind::at_hour:
            TAF_format("the temperature at %dZ is %d C, ", t.hour, t.celsius);
            break;
        case TafTemperatureKind::max:
        case TafTemperatureKind::min:
            TAF_format("%s temperature of %d C on %d %s at %2.2dZ, ",
                       t.kind == TafTemperatureKind::max ? "maximum" : "minimum", t.celsius, t.day,
                       DATE_month_long(t.month.month), t.hour);
            break;
    }
}

constexpr const char* ICING_TYPES[] = {
    "no icing, ",
    "light icing ",
    "light icing in cloud ",
    "light icing in precipitation ",
    "moderate icing ",
    "moderate icing in cloud ",
    "moderate icing in precipitation ",
    "severe icing ",
    "severe icing in cloud ",
    "severe icing in precipitation ",
};

constexpr const char* TURBULENCE_TYPES[] = {
    "no turbulence, ",
    "light turbulence ",
    "occasional moderate clear air turbulence ",
    "frequent moderate clear air turbulence ",
    "occasional moderate in cloud turbulence ",
    "frequent moderate in cloud turbulence ",
    "occasional severe clear air turbulence ",
    "frequent severe clear air turbulence ",
    "occasional severe in cloud turbulence ",
    "frequent severe in cloud turbulence ",
};

void layer(const TafLayer& l) {
    TAF_format("%s", (l.kind == TafLayerKind::icing ? ICING_TYPES : TURBULENCE_TYPES)[l.type]);
    if (l.type != 0)
        TAF_format("from %d to %d ft, ", l.base * TAF_FEET_PER_UNIT, l.top * TAF_FEET_PER_UNIT);
}

void altimeter(const TafAltimeter& a) {
    TAF_format("the altimeter setting is %.2f in Hg, ", a.inches);
}

// "vicinty" is the text as users know it; keep the spelling.
void vicinity(const TafVicinity& v) {
    char compact[WX_CODE_SIZE];
    char phrase[WX_PHRASE_SIZE];
    WX_metar_weather(v.code, compact);
    WX_weather_text(compact, phrase);
    if (phrase[0] != '\0')
        TAF_format("weather in the vicinty is %s, ", phrase);
    else
        TAF_format("weather is in the vicinty %s, ", v.code);
}

// Words no step read are passed over silently in English.
void unread(const char*, std::string_view, bool) {}
void unread_end() {}

// Only a comma of this period's own clauses closes it.
void groups_end() { TAF_close_clauses(clauses_from); }

void report_end() { TAF_print(); }

}  // namespace

const TafWriter TAF_ENGLISH_WRITER = {
    report_begin, station,     issue,    validity,    word,       period,
    groups_begin, wind,        wind_variation, visibility, weather, sky,
    cloud,        wind_shear,  temperature, layer,    altimeter,  vicinity,
    unread,       unread_end,  groups_end, report_end, city,
};

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
