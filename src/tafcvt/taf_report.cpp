// A whole report gathered from its items, its times made whole and its periods' conditions
// after carry-over; see taf_report.h.
#include "taf_report.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "date.h"
#include "string.h"
#include "taf.h"

namespace {

constexpr double KNOTS_PER_MPS = 1.943844;
constexpr double KNOTS_PER_KMH = 0.539957;
constexpr int HOURS_PER_DAY = 24;
constexpr int LAST_MINUTE = 59;
constexpr int OKTAS_CEILING = 5;  // an amount-and-type group of this many eighths is a ceiling

// Flight category thresholds: ceiling in feet, visibility in statute miles.
constexpr int LIFR_CEILING = 500, IFR_CEILING = 1000, MVFR_CEILING = 3000;
constexpr double LIFR_MILES = 1.0, IFR_MILES = 3.0, MVFR_MILES = 5.0;
// How far a "more than" or "less than" visibility lies beyond its number.
constexpr double BEYOND = 1e-6;

constexpr const char* NO_TIME = "time does not exist";

TafReportRecord report;   // the report being gathered
bool in_remarks = false;  // RMK was met: the words behind it are remarks, not unread

// ---- Gathering ----

bool is_ceiling_cover(const char* cover) {
    const std::string_view c(cover);
    return c == "BKN" || c == "OVC" || c == "VV";
}

void period(const TafPeriod& change);

TafPeriodRecord& current() {
    if (report.period_count == 0) period({.kind = TafPeriodKind::base});  // groups outside a report
    return report.periods[static_cast<size_t>(report.period_count - 1)];
}

void report_begin(const TafReport& r) {
    report.source = r.source;
    report.text = r.text;
    report.station_known = report.city_known = false;
    report.amendment = report.correction = report.nil = report.cancelled = false;
    report.issue_known = report.validity_known = false;
    report.period_count = 0;
    report.unread_words.clear();
    in_remarks = false;
}

void city(CTY_data* record, const char*) { report.city = *record; }

void station(const TafStation& s) {
    copy_cut(report.station_id, s.id);
    report.station_known = true;
    if (s.city != nullptr) {
        TAF_trim_city(s.city);
        report.city = *s.city;
        report.city_known = true;
    }
    report.amendment = report.amendment || s.amd;
    report.correction = report.correction || s.cor;
}

void issue(const TafIssue& t) {
    report.issue = t;
    report.issue_known = true;
}

void validity(const TafValidity& v) {
    report.validity = v;
    report.validity_known = true;
}

void word(TafWord w) {
    switch (w) {
        case TafWord::retransmitted: break;
        case TafWord::amendment: report.amendment = true; break;
        case TafWord::correction: report.correction = true; break;
        case TafWord::nil: report.nil = true; break;
        case TafWord::cancelled: report.cancelled = true; break;
    }
}

void period(const TafPeriod& change) {
    auto& periods = report.periods;
    if (static_cast<size_t>(report.period_count) == periods.size()) periods.emplace_back();
    TafPeriodRecord& p = periods[static_cast<size_t>(report.period_count++)];
    // Only what tells which items the period holds is reset; the items are written anew.
    p.has_wind = p.has_variation = p.has_visibility = p.cavok = p.has_sky = p.has_shear = false;
    p.has_icing = p.has_turbulence = p.has_altimeter = false;
    p.weather_count = p.cloud_count = p.temperature_count = 0;
    p.change = change;
    p.unread_begin = p.unread_end = static_cast<int>(report.unread_words.size());
}

void groups_begin() {}

void wind(const TafWind& w) {
    TafPeriodRecord& p = current();
    p.wind = w;
    p.has_wind = true;
}

void wind_variation(const TafWindVariation& v) {
    TafPeriodRecord& p = current();
    p.variation = v;
    p.has_variation = true;
}

void visibility(const TafVisibility& v) {
    TafPeriodRecord& p = current();
    if (v.kind == TafVisibilityKind::cavok) {
        p.cavok = true;
        return;
    }
    p.visibility = v;
    p.has_visibility = true;
}

void weather(const TafWeather& w) {
    TafPeriodRecord& p = current();
    for (int i = 0; i < w.count && p.weather_count < TAF_REPORT_WEATHER_MAX; ++i)
        p.weather[p.weather_count++] = w.groups[i];
}

void sky(const TafSky& s) {
    TafPeriodRecord& p = current();
    p.sky_text = s.text;
    p.has_sky = true;
}

// A short name into its field, cut to fit: a loop over a few characters, where a call
// would cost more than the copy.
template <size_t N>
void copy_name(char (&dst)[N], const char* src) {
    size_t n = 0;
    for (; n + 1 < N && src[n] != '\0'; ++n) dst[n] = src[n];
    dst[n] = '\0';
}

bool only_slashes(const char* text) {
    while (*text == '/') ++text;
    return *text == '\0';
}

void cloud(const TafCloud& c) {
    TafPeriodRecord& p = current();
    if (p.cloud_count >= TAF_REPORT_CLOUDS_MAX) return;
    TafCloudRecord& out = p.clouds[p.cloud_count++];
    out.text = c.text;
    out.kind = c.kind;
    out.amount = c.amount;
    out.height = c.height;
    copy_name(out.cover, c.kind == TafCloudKind::vertical ? "VV"
                         : c.cover != nullptr             ? c.cover
                                                          : "");
    copy_name(out.type, c.type != nullptr && !only_slashes(c.type) ? c.type : "");
    out.ceiling = c.kind == TafCloudKind::octets ? c.amount >= OKTAS_CEILING
                                                : is_ceiling_cover(out.cover);
}

void wind_shear(const TafWindShear& s) {
    TafPeriodRecord& p = current();
    p.shear = s;
    p.has_shear = true;
}

void temperature(const TafTemperature& t) {
    TafPeriodRecord& p = current();
    if (p.temperature_count < TAF_REPORT_TEMPERATURES_MAX)
        p.temperatures[p.temperature_count++] = t;
}

void layer(const TafLayer& l) {
    TafPeriodRecord& p = current();
    if (l.kind == TafLayerKind::icing) {
        p.icing = l;
        p.has_icing = true;
    } else {
        p.turbulence = l;
        p.has_turbulence = true;
    }
}

void altimeter(const TafAltimeter& a) {
    TafPeriodRecord& p = current();
    p.inches = a.inches;
    p.altimeter_text = a.text;
    p.has_altimeter = true;
}

void vicinity(const TafVicinity& v) {
    TafPeriodRecord& p = current();
    if (p.weather_count < TAF_REPORT_WEATHER_MAX) p.weather[p.weather_count++] = v.text;
}

void unread(const char*, std::string_view text, bool) {
    if (text == "RMK") in_remarks = true;
    if (in_remarks || text == "=") return;
    TafPeriodRecord& p = current();
    report.unread_words.push_back(text);
    p.unread_end = static_cast<int>(report.unread_words.size());
}

void unread_end() {}
void groups_end() {}

// The form's own writing of the whole report takes the place of nothing.
void report_end() {}

constexpr TafWriter COLLECTOR = {
    report_begin, station,     issue,    validity,    word,       period,
    groups_begin, wind,        wind_variation, visibility, weather, sky,
    cloud,        wind_shear,  temperature, layer,    altimeter,  vicinity,
    unread,       unread_end,  groups_end, report_end, city,
};

// ---- Times ----

TafResolved* out = nullptr;  // what is being resolved

TafTime add_day(TafTime t) {
    if (++t.day <= DATE_month_days(t.year, t.month)) return t;
    t.day = 1;
    if (++t.month > 12) {
        t.month = 1;
        ++t.year;
    }
    return t;
}

void warn(std::string_view group, const char* problem) {
    out->warnings.push_back({group, problem});
}

// A time of the report, or not known (with a warning naming the group) when it cannot
// exist. Hour 24 is 00 of the next day.
TafTime make_time(TafMonth month, int day, int hour, int min, std::string_view group) {
    // One decision for the whole test, its parts joined without a branch each (they hold for
    // nearly every time, and a branch each would cost more than working them all out).
    const bool exists = (day >= 1) & (day <= DATE_month_days(month.year, month.month)) &
                        (hour >= 0) & (min >= 0) & (min <= LAST_MINUTE) &
                        ((hour < HOURS_PER_DAY) | ((hour == HOURS_PER_DAY) & (min == 0)));
    if (!exists) {
        warn(group, NO_TIME);
        return {};
    }
    TafTime t = {true, month.year, month.month, day, hour, min};
    if (hour == HOURS_PER_DAY) {
        t.hour = 0;
        t = add_day(t);
    }
    return t;
}

// The first time at or after from with the hour and minute (a form without a day).
TafTime next_at(const TafTime& from, int hour, int min, std::string_view group) {
    if (!from.known) return {};
    if (hour < 0 || hour > HOURS_PER_DAY || min < 0 || min > LAST_MINUTE ||
        (hour == HOURS_PER_DAY && min != 0)) {
        warn(group, NO_TIME);
        return {};
    }
    TafTime t = from;
    t.min = min;
    if (hour == HOURS_PER_DAY) {
        t.hour = 0;
        return add_day(t);
    }
    t.hour = hour;
    if (hour * 60 + min < from.hour * 60 + from.min) t = add_day(t);
    return t;
}

TafTime valid_from() {
    if (!report.validity_known) return {};
    const TafValidity& v = report.validity;
    return make_time(v.from_month, v.from_day, v.from_hour, 0, v.text);
}

TafTime valid_to(const TafTime& from) {
    if (!report.validity_known) return {};
    const TafValidity& v = report.validity;
    switch (v.form) {
        case TafValidityForm::dated: return make_time(v.to_month, v.to_day, v.to_hour, 0, v.text);
        case TafValidityForm::hours: {
            if (!from.known) return {};
            if (v.to_hour < 0 || v.to_hour >= HOURS_PER_DAY) {
                warn(v.text, NO_TIME);
                return {};
            }
            TafTime t = from;
            t.hour = v.to_hour;
            return v.to_hour > v.from_hour ? t : add_day(t);
        }
        case TafValidityForm::day_hour: return from.known ? add_day(from) : from;
    }
    return {};
}

// The start of a period (start: the validity's).
TafTime period_from(const TafPeriodRecord& p, const TafTime& start) {
    const TafPeriod& c = p.change;
    if (c.kind == TafPeriodKind::base) return start;
    if (c.kind == TafPeriodKind::from) {
        if (c.from_form == TafFromForm::day_time)
            return make_time(c.month, c.day, c.hour, c.min, c.text);
        return next_at(start, c.hour, c.from_form == TafFromForm::time ? c.min : 0, c.text);
    }
    const TafTimes& t = c.times;
    if (t.form == TafTimesForm::dated)
        return make_time(t.from_month, t.from_day, t.from_hour, 0, t.text);
    if (t.form == TafTimesForm::hours) return next_at(start, t.from_hour, 0, t.text);
    return {};
}

// The end of a change period with times.
TafTime change_to(const TafPeriodRecord& p, const TafTime& from, const TafTime& start) {
    const TafTimes& t = p.change.times;
    if (t.form == TafTimesForm::dated) return make_time(t.to_month, t.to_day, t.to_hour, 0, t.text);
    if (t.form == TafTimesForm::hours)
        return next_at(from.known ? from : start, t.to_hour, 0, t.text);
    return {};
}

bool opens_time_line(TafPeriodKind kind) {
    return kind == TafPeriodKind::base || kind == TafPeriodKind::from;
}

// ---- Flight categories ----

// The period's own conditions, from what it says, written in place (the record is read
// back soon after, and a copy of one built field by field would wait on each field).
void own_conditions(const TafPeriodRecord& p, TafConditions* c) {
    *c = {};
    if (p.cavok) {
        c->visibility_known = true;
        c->miles = TAF_METRES_TEN_KM / TAF_METRES_PER_MILE + BEYOND;
        c->clouds_known = true;
        return;
    }
    if (p.has_visibility) {
        const TafVisibility& v = p.visibility;
        c->visibility_known = true;
        c->miles = TAF_visibility_miles(v);
        if (v.kind == TafVisibilityKind::more_miles ||
            (v.kind != TafVisibilityKind::miles && v.metres == TAF_METRES_UNLIMITED))
            c->miles += BEYOND;
        if (v.minus) c->miles -= BEYOND;
    }
    c->clouds_known = p.has_sky || p.cloud_count > 0;
    for (int i = 0; i < p.cloud_count; ++i) {
        const TafCloudRecord& cloud = p.clouds[i];
        if (!cloud.ceiling || cloud.height == TAF_ITEM_MISSING) continue;
        const int feet = cloud.height * TAF_FEET_PER_HUNDRED;
        if (c->has_ceiling && feet >= c->ceiling_ft) continue;
        c->ceiling_ft = feet;
        c->ceiling_cloud = i;
        c->has_ceiling = true;
    }
}

// What a period leaves out comes from the conditions it changes or overlays.
void carry(const TafConditions& prevailing, TafConditions* c) {
    if (!c->visibility_known) {
        c->visibility_known = prevailing.visibility_known;
        c->miles = prevailing.miles;
    }
    if (!c->clouds_known) {
        c->clouds_known = prevailing.clouds_known;
        c->has_ceiling = prevailing.has_ceiling;
        c->ceiling_ft = prevailing.ceiling_ft;
    }
}

// The categories count up from VFR one threshold passed at a time, so that each is worked
// out with no decision that depends on the weather (one each would be mispredicted often).
TafCategory ceiling_category(const TafConditions& c) {
    const int ft = c.ceiling_ft;
    const int worse = (ft <= MVFR_CEILING) + (ft < IFR_CEILING) + (ft < LIFR_CEILING);
    return static_cast<TafCategory>(TAF_VFR + (c.has_ceiling ? worse : 0));
}

TafCategory visibility_category(double miles) {
    return static_cast<TafCategory>(TAF_VFR + (miles <= MVFR_MILES) + (miles < IFR_MILES) +
                                    (miles < LIFR_MILES));
}

// The category of each part, and the worse of the two.
void categorize(TafPeriodResolved* r) {
    const TafConditions& c = r->conditions;
    const TafCategory ceiling = ceiling_category(c);
    const TafCategory visibility = visibility_category(c.miles);
    r->ceiling_category = c.clouds_known ? ceiling : TAF_CATEGORY_NONE;
    r->visibility_category = c.visibility_known ? visibility : TAF_CATEGORY_NONE;
    r->category = std::max(r->ceiling_category, r->visibility_category);
}

bool overlays(TafPeriodKind kind) {
    return kind == TafPeriodKind::tempo || kind == TafPeriodKind::prob ||
           kind == TafPeriodKind::inter;
}

}  // namespace

TafWriter TAF_collecting_writer(void (*report_end_of_form)()) {
    TafWriter writer = COLLECTOR;
    writer.report_end = report_end_of_form;
    return writer;
}

const TafReportRecord& TAF_report() { return report; }

void TAF_report_resolve(TafResolved* resolved) {
    out = resolved;
    out->warnings.clear();
    if (report.issue_known) {
        const TafIssue& t = report.issue;
        out->issued = make_time(t.month, t.day, t.hour, t.min, t.text);
    } else {
        out->issued = {};
    }
    out->valid_from = valid_from();
    out->valid_to = valid_to(out->valid_from);
    const TafTime& start = out->valid_from;
    // Grown only: periods are written anew, and shrinking then growing again would clear them.
    if (out->periods.size() < static_cast<size_t>(report.period_count))
        out->periods.resize(static_cast<size_t>(report.period_count));
    const TafConditions none;
    const TafConditions* prevailing = &none;
    // A BASE or FM period runs to the start of the next FM period, or to the validity's end.
    TafTime* line_to = nullptr;
    for (int i = 0; i < report.period_count; ++i) {
        const TafPeriodRecord& p = report.periods[static_cast<size_t>(i)];
        TafPeriodResolved& r = out->periods[static_cast<size_t>(i)];
        r.from = period_from(p, start);
        if (opens_time_line(p.change.kind)) {
            if (line_to != nullptr && p.change.kind == TafPeriodKind::from) *line_to = r.from;
            line_to = &r.to;
        } else {
            r.to = change_to(p, r.from, start);
        }
        for (int t = 0; t < p.temperature_count; ++t) {
            const TafTemperature& temp = p.temperatures[t];
            r.temperature_at[t] = temp.kind == TafTemperatureKind::at_hour
                                      ? TafTime{}
                                      : make_time(temp.month, temp.day, temp.hour, 0, temp.text);
        }
        if (p.unread_end > p.unread_begin) out->warnings.push_back({{}, "not decoded", i});
        own_conditions(p, &r.conditions);
        if (!opens_time_line(p.change.kind)) carry(*prevailing, &r.conditions);
        if (!overlays(p.change.kind)) prevailing = &r.conditions;
        categorize(&r);
    }
    if (line_to != nullptr) *line_to = out->valid_to;
    if (report.source != nullptr && report.source->cut)
        out->warnings.push_back(
            {report.station_known ? std::string_view(report.station_id) : std::string_view(),
             "report cut at 5000 characters"});
}

std::string_view TAF_unit_name(std::string_view unit) {
    if (equal_nocase(unit, "MPS")) return "MPS";
    if (equal_nocase(unit, "KMH")) return "KMH";
    return unit.empty() ? unit : "KT";
}

int TAF_knots_rounded(int speed, std::string_view unit) {
    if (speed == TAF_ITEM_MISSING) return speed;
    const std::string_view name = TAF_unit_name(unit);
    if (name == "KT") return speed;
    const double factor = name == "MPS" ? KNOTS_PER_MPS : KNOTS_PER_KMH;
    return static_cast<int>(TAF_round(speed * factor));
}

namespace {
bool in_metres(const TafVisibility& v) {
    return v.kind == TafVisibilityKind::metres || v.kind == TafVisibilityKind::metres_direction;
}
}  // namespace

int TAF_visibility_metres(const TafVisibility& v) {
    if (!in_metres(v)) return static_cast<int>(TAF_round(v.miles * TAF_METRES_PER_MILE));
    return v.metres == TAF_METRES_UNLIMITED ? TAF_METRES_TEN_KM : v.metres;
}

double TAF_visibility_miles(const TafVisibility& v) {
    return in_metres(v) ? TAF_visibility_metres(v) / TAF_METRES_PER_MILE
                        : static_cast<double>(v.miles);
}
