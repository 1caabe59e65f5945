// The decoded form: each item of a report is printed at once as a labelled line at dec_mes
// (heights in hundreds of feet, speeds in knots as the English form gives them), and an
// empty line ends the report. The labels are the ones users know, blanks and all ("LIGHT IN
// CLOUD  " has two): keep them.
#include "taf.h"
#include "taf_items.h"

namespace {

constexpr int TAF_SKY_OBSCURED = 9;  // cloud amount for a sky that cannot be seen

void city(CTY_data* record, const char* state) {
    MESS_print_checked(dec_mes, "   %s", record->name);
    MESS_print_checked(dec_mes, ", %s", state);
}

void report_begin(const TafReport&) {}

// The heading line: the identifier, the station's name and state, the header words.
void station(const TafStation& s) {
    MESS_print_checked(dec_mes, "ID: %s", s.id);
    if (s.city != nullptr) city(s.city, TAF_trim_city(s.city));
    if (s.amd) MESS_print_checked(dec_mes, "AMENDMENT\n");
    if (s.cor) MESS_print_checked(dec_mes, "CORRECTION\n");
    MESS_print_checked(dec_mes, "\n");
}

void issue(const TafIssue& t) {
    MESS_print_checked(dec_mes, "REPORT TIME: %2d %2d:%2d\n", t.day, t.hour, t.min);
}

void validity(const TafValidity& v) {
    if (v.form == TafValidityForm::dated)
        MESS_print_checked(dec_mes, "VALID TIME: %d %s AT %2.2dZ TO %d %s AT %2.2dZ\n", v.from_day,
                           DATE_month(v.from_month.month), v.from_hour, v.to_day,
                           DATE_month(v.to_month.month), v.to_hour);
    else if (v.to_hour > v.from_hour)
        MESS_print_checked(dec_mes, "VALID TIME: %d %s AT %2.2dZ TO %2.2dZ\n", v.from_day,
                           DATE_month(v.from_month.month), v.from_hour, v.to_hour);
    else
        MESS_print_checked(dec_mes, "VALID TIME: %d %s AT %2.2dZ TO %2.2dZ NEXT DAY\n",
                           v.from_day, DATE_month(v.from_month.month), v.from_hour, v.to_hour);
}

void word(TafWord w) {
    switch (w) {
        case TafWord::retransmitted: MESS_print_checked(dec_mes, "RETRANSMITTED\n"); break;
        case TafWord::amendment: MESS_print_checked(dec_mes, "AMENDMENT\n"); break;
        case TafWord::correction: MESS_print_checked(dec_mes, "CORRECTION\n"); break;
        case TafWord::nil: MESS_print_checked(dec_mes, "NOT AVAILABLE (NIL)\n"); break;
        case TafWord::cancelled: MESS_print_checked(dec_mes, "CANCELLED (CNL)\n"); break;
    }
}

// The times of a change period, ending its line.
void times(const TafTimes& t) {
    if (t.form == TafTimesForm::dated)
        MESS_print_checked(dec_mes, "FROM %d %s %2.2dZ TO %d %s %2.2dZ\n", t.from_day,
                           DATE_month(t.from_month.month), t.from_hour, t.to_day,
                           DATE_month(t.to_month.month), t.to_hour);
    else if (t.form == TafTimesForm::hours)
        MESS_print_checked(dec_mes, "FROM %2.2dZ TO %2.2dZ\n", t.from_hour, t.to_hour);
    else
        MESS_print_checked(dec_mes, "\n");
}

void from_period(const TafPeriod& p) {
    switch (p.from_form) {
        case TafFromForm::day_time:
            MESS_print_checked(dec_mes, "NEW WX STARTING: %d %s %2.2d:%2.2dZ\n", p.day,
                               DATE_month(p.month.month), p.hour, p.min);
            break;
        case TafFromForm::time:
            MESS_print_checked(dec_mes, "NEW WX STARTING: %2.2d:%2.2dZ\n", p.hour, p.min);
            break;
        case TafFromForm::hour:
            MESS_print_checked(dec_mes, "NEW WX STARTING: %2.2dZ\n", p.hour);
            break;
    }
}

void prob_period(const TafPeriod& p) {
    switch (p.prob_word) {
        case TafProbWord::none:
            MESS_print_checked(dec_mes, "%d%% PROBABILITY OF WX ", p.probability);
            break;
        case TafProbWord::tempo:
            MESS_print_checked(dec_mes, "%d%% PROBABILITY OF %s", p.probability, "TEMPORARY WX ");
            break;
        case TafProbWord::inter:
            MESS_print_checked(dec_mes, "%d%% PROBABILITY OF %s", p.probability,
                               "INTERMITTENT WX ");
            break;
    }
    times(p.times);
}

void period(const TafPeriod& p) {
    switch (p.kind) {
        case TafPeriodKind::base: MESS_print_checked(dec_mes, "INITIAL WX\n"); return;
        case TafPeriodKind::tempo: MESS_print_checked(dec_mes, "TEMPORARY WX "); break;
        case TafPeriodKind::becmg: MESS_print_checked(dec_mes, "WX BECOMING "); break;
        case TafPeriodKind::inter: MESS_print_checked(dec_mes, "INTERMITTENT WX "); break;
        case TafPeriodKind::prob: prob_period(p); return;
        case TafPeriodKind::from: from_period(p); return;
    }
    times(p.times);
}

void groups_begin() {}

void wind(const TafWind& w) {
    const int speed = TAF_knots_truncated(w.speed, w.unit);
    const int gust = TAF_knots_truncated(w.gust, w.unit);
    switch (w.kind) {
        case TafWindKind::calm: MESS_print_checked(dec_mes, "   WINDS: CALM\n"); break;
        case TafWindKind::gusting:
            MESS_print_checked(dec_mes, "   WINDS: %d AT %d GUST %d\n", w.dir, speed, gust);
            break;
        case TafWindKind::variable_gusting:
            MESS_print_checked(dec_mes, "   WIND: VARIABLE AT %d GUST %d\n", speed, gust);
            break;
        case TafWindKind::variable:
            MESS_print_checked(dec_mes, "   WIND: VARIABLE AT %d\n", speed);
            break;
        case TafWindKind::steady:
            MESS_print_checked(dec_mes, "   WINDS: %d AT %d\n", w.dir, speed);
            break;
    }
}

void wind_variation(const TafWindVariation& v) {
    MESS_print_checked(dec_mes, "   WIND VARYING FROM %d TO %d\n", v.from, v.to);
}

void visibility(const TafVisibility& v) {
    constexpr int METRES_UNLIMITED = 9999;  // ten kilometres or more: nothing to say
    switch (v.kind) {
        case TafVisibilityKind::cavok:
            MESS_print_checked(dec_mes, "   CEILING AND VISIBILITY OK\n");
            return;
        case TafVisibilityKind::more_miles:
            MESS_print_checked(dec_mes, "   VISIBILITY: >%3.1f MILES\n", v.miles);
            return;
        case TafVisibilityKind::metres:
        case TafVisibilityKind::metres_direction:
            if (v.metres == METRES_UNLIMITED) return;
            break;
        default: break;
    }
    MESS_print_checked(dec_mes, "   VISIBILITY: %3.1f MILES\n", v.miles);
}

void weather(const TafWeather& w) { MESS_print_checked(dec_mes, "   WEATHER: %s\n", w.list); }

void sky(const TafSky& s) {
    switch (s.word) {
        case TafSkyWord::clear: MESS_print_checked(dec_mes, "   CLOUDS: CLEAR\n"); break;
        case TafSkyWord::nsc: MESS_print_checked(dec_mes, "   CLOUDS: NONE SIGNIFICANT\n"); break;
        case TafSkyWord::ncd: MESS_print_checked(dec_mes, "   CLOUDS: NONE DETECTED\n"); break;
    }
}

void cloud(const TafCloud& c) {
    switch (c.kind) {
        case TafCloudKind::octets: TAF_print_octets(c); break;
        case TafCloudKind::vertical:
            MESS_print_checked(dec_mes, "   VERTICAL VISIBILITY: %d\n", c.height);
            break;
        case TafCloudKind::typed:
            MESS_print_checked(dec_mes, "   CLOUDS: %d %s WITH %s\n", c.height, c.cover, c.type);
            break;
        case TafCloudKind::layer:
            MESS_print_checked(dec_mes, "   CLOUDS: %d %s\n", c.height, c.cover);
            break;
    }
}

void wind_shear(const TafWindShear& s) {
    MESS_print_checked(dec_mes, "   WIND SHEAR AT %d: %d AT %d\n", s.height, s.dir, s.speed);
}

void temperature(const TafTemperature& t) {
    switch (t.kind) {
        case TafTemperatureKind::at_hour:
            MESS_print_checked(dec_mes, "   TEMP: %d C AT %2.2dZ\n", t.celsius, t.hour);
            break;
        case TafTemperatureKind::max:
        case TafTemperatureKind::min:
            MESS_print_checked(dec_mes, "   %s TEMP: %d C ON %d %s AT %2.2dZ\n",
                               t.kind == TafTemperatureKind::max ? "MAX" : "MIN", t.celsius, t.day,
                               DATE_month(t.month.month), t.hour);
            break;
    }
}

constexpr const char* ICING_TYPES[] = {
    "NONE ", "LIGHT ", "LIGHT IN CLOUD  ", "LIGHT IN PREC ", "MOD ",
    "MOD IN CLOUD ", "MOD IN PREC ", "SEV ", "SEV IN CLOUD ", "SEV IN PREC ",
};

constexpr const char* TURBULENCE_TYPES[] = {
    "NONE ",
    "LIGHT ",
    "OCC MOD CLEAR AIR ",
    "FREQ MOD CLEAR AIR ",
    "OCC MOD IN CLOUD ",
    "FREQ MOD IN CLOUD ",
    "OCC SEV CLEAR AIR ",
    "FREQ SEV CLEAR AIR ",
    "OCC SEV IN CLOUD ",
    "FREQ SEV IN CLOUD ",
};

void layer(const TafLayer& l) {
    const bool icing = l.kind == TafLayerKind::icing;
    MESS_print_checked(dec_mes, "%s%s", icing ? "   ICING: " : "   TURBULENCE: ",
                       (icing ? ICING_TYPES : TURBULENCE_TYPES)[l.type]);
    if (l.type != 0)
        MESS_print_checked(dec_mes, "FROM %d TO %d\n", l.base, l.top);
    else
        MESS_print_checked(dec_mes, "\n");
}

void altimeter(const TafAltimeter& a) {
    MESS_print_checked(dec_mes, "   ALTIMETER SETTING: %.2f IN HG\n", a.inches);
}

void vicinity(const TafVicinity& v) {
    MESS_print_checked(dec_mes, "   WEATHER IN VICINITY: %s\n", v.code);
}

void unread(const char* word, std::string_view, bool first) {
    if (first) MESS_print_checked(dec_mes, "   COMMENTS: ");
    MESS_print_checked(dec_mes, "%s ", word);
}

void unread_end() { MESS_print_checked(dec_mes, "\n"); }

void groups_end() {}

void report_end() { MESS_print_checked(dec_mes, "\n"); }

}  // namespace

const TafWriter TAF_DECODED_WRITER = {
    report_begin, station,     issue,    validity,    word,       period,
    groups_begin, wind,        wind_variation, visibility, weather, sky,
    cloud,        wind_shear,  temperature, layer,    altimeter,  vicinity,
    unread,       unread_end,  groups_end, report_end, city,
};

void TAF_print_octets(const TafCloud& c) {
    const char amount = c.amount == TAF_SKY_OBSCURED ? 'X' : static_cast<char>('0' + c.amount);
    MESS_print_checked(dec_mes, "   CLOUDS: %d %c OCTETS\n", c.height, amount);
}
