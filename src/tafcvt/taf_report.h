// A whole report gathered from its items, for the forms that write a report only once all of
// it is read (JSON lines, the briefing table): its header, its periods with their groups, the
// times of the report made whole (dates with their years, in UTC) and each period's
// conditions after carry-over with the flight category they give.
//
// Use: a form's writer takes TAF_collecting_writer(its report_end) as its table; its
// report_end reads TAF_report() and calls TAF_report_resolve() once.
//
// State: the one report being gathered (TAF_REPORT_PERIODS_MAX periods at most; its texts
// point into the decoder's copy of the report), kept from report to report so that a run
// allocates only while its reports grow.
#ifndef TAFCVT_TAF_REPORT_H
#define TAFCVT_TAF_REPORT_H

#include <string_view>
#include <vector>

#include "taf_items.h"

inline constexpr int TAF_REPORT_WEATHER_MAX = TAF_WEATHER_GROUPS_MAX + 1;  // the step's, VC
inline constexpr int TAF_REPORT_CLOUDS_MAX = 5;
inline constexpr int TAF_REPORT_TEMPERATURES_MAX = 10;  // five at each temperature step
inline constexpr int TAF_REPORT_TYPE_SIZE = 8;          // cloud type letters kept (TCU, CB)
inline constexpr int TAF_FEET_PER_HUNDRED = 100;        // heights in groups are hundreds of feet
inline constexpr int TAF_METRES_UNLIMITED = 9999;       // ten kilometres or more
inline constexpr int TAF_METRES_TEN_KM = 10000;
inline constexpr double TAF_METRES_PER_MILE = 1609.344;

// A time made whole: a date and a time of day, or not known.
struct TafTime {
    bool known = false;
    int year = 0, month = 0, day = 0, hour = 0, min = 0;
};

struct TafCloudRecord {
    std::string_view text;  // as written
    TafCloudKind kind{};
    int amount = 0;
    int height = 0;  // hundreds of feet, or TAF_ITEM_MISSING
    char cover[4] = "";
    char type[TAF_REPORT_TYPE_SIZE] = "";  // empty when none, or only "/"
    bool ceiling = false;  // a layer that makes a ceiling (BKN, OVC, VV, 5 oktas or more)
};

// A period and the groups read in it.
struct TafPeriodRecord {
    TafPeriod change;  // kind, probability, times and FM time as read
    bool has_wind = false, has_variation = false, has_visibility = false, cavok = false;
    bool has_sky = false, has_shear = false, has_icing = false, has_turbulence = false;
    bool has_altimeter = false;
    TafWind wind;
    TafWindVariation variation;
    TafVisibility visibility;
    std::string_view weather[TAF_REPORT_WEATHER_MAX];
    int weather_count = 0;
    std::string_view sky_text;  // SKC, CLR, NSC or NCD as written
    TafCloudRecord clouds[TAF_REPORT_CLOUDS_MAX];
    int cloud_count = 0;
    TafWindShear shear;
    TafLayer icing, turbulence;
    float inches = 0;
    std::string_view altimeter_text;  // as written
    TafTemperature temperatures[TAF_REPORT_TEMPERATURES_MAX];
    int temperature_count = 0;
    int unread_begin = 0, unread_end = 0;  // its words in the report's unread_words
};

// Conditions that carry over from period to period: the visibility, and the clouds (cloud
// groups, a sky word or CAVOK, as one element), each known or not.
struct TafConditions {
    bool visibility_known = false;
    double miles = 0;  // statute miles; a "more than" a little more, a "less than" less
    bool clouds_known = false;
    bool has_ceiling = false;
    int ceiling_ft = 0;
    // The period's own cloud group that gives the ceiling (its index); -1 when the ceiling is
    // carried over or there is none.
    int ceiling_cloud = -1;
};

// Flight categories by the FAA thresholds, worst last.
enum TafCategory : int { TAF_CATEGORY_NONE, TAF_VFR, TAF_MVFR, TAF_IFR, TAF_LIFR };
inline constexpr const char* TAF_CATEGORY_NAMES[] = {nullptr, "VFR", "MVFR", "IFR", "LIFR"};

// A warning of the report: a time that cannot exist (group: its text), the unread words of
// a period (period: its index; problem "not decoded"), a report cut at its bound.
struct TafWarning {
    std::string_view group;
    const char* problem = "";
    int period = -1;
};

// The report gathered so far.
struct TafReportRecord {
    const TafSource* source = nullptr;
    std::string_view text;  // as the driver gathered it
    char station_id[8] = "";
    bool station_known = false;
    CTY_data city{};  // its name trimmed; valid when city_known
    bool city_known = false;
    bool amendment = false, correction = false, nil = false, cancelled = false;
    bool issue_known = false;
    TafIssue issue;
    bool validity_known = false;
    TafValidity validity;
    std::vector<TafPeriodRecord> periods;  // those of this report: the first period_count
    int period_count = 0;
    std::vector<std::string_view> unread_words;  // without "=" and what follows RMK
};

// What resolving gives for each period: its times and its conditions after carry-over.
struct TafPeriodResolved {
    TafTime from, to;
    TafConditions conditions;
    TafCategory category = TAF_CATEGORY_NONE;
    // What the visibility alone and the clouds alone give (the category is the worse), for
    // forms that show which groups set it.
    TafCategory visibility_category = TAF_CATEGORY_NONE, ceiling_category = TAF_CATEGORY_NONE;
    TafTime temperature_at[TAF_REPORT_TEMPERATURES_MAX];  // of TX/TN
};

// The times of the report's header, and its periods resolved; warnings in the order met.
struct TafResolved {
    TafTime issued, valid_from, valid_to;
    // The first TAF_report().period_count are this report's.
    std::vector<TafPeriodResolved> periods;
    std::vector<TafWarning> warnings;
};

// The table of a writer that gathers the report and hands it whole to report_end.
TafWriter TAF_collecting_writer(void (*report_end)());

// The report gathered (valid in report_end and until the next report begins).
const TafReportRecord& TAF_report();

// Makes the report's times whole and works out each period's conditions: the times of the
// header, of each period (BASE and FM periods run to the next FM period or to the validity's
// end; FMHHMM and HHHH times take the first such hour at or after the validity's start, an
// end the first at or after its start) and of TX/TN groups; warnings of times that cannot
// exist, of periods with unread words and of a report cut at its bound. The result stays
// valid until the next call (resolved is reused, so a run allocates little).
void TAF_report_resolve(TafResolved* resolved);

// value rounded to the nearest whole number, halves away from zero (as lround rounds), for
// the finite values of a report; written out because a report rounds a dozen of them.
inline long TAF_round(double value) {
    constexpr double LIMIT = 1e15;  // well inside long and exact in double
    if (!(value > -LIMIT && value < LIMIT)) return 0;
    const auto whole = static_cast<long>(value);
    const double part = value - static_cast<double>(whole);  // exact at these magnitudes
    return part >= 0.5 ? whole + 1 : part <= -0.5 ? whole - 1 : whole;
}

// The unit of a wind as forms name it: "KT" (KT and KTS), "MPS", "KMH"; empty when none.
std::string_view TAF_unit_name(std::string_view unit);
// A speed in knots rounded to the nearest (m/s and km/h converted; no unit taken as km/h,
// as the text forms take it); TAF_ITEM_MISSING stays missing.
int TAF_knots_rounded(int speed, std::string_view unit);
// Metres and statute miles of a visibility (9999 is 10000 m).
int TAF_visibility_metres(const TafVisibility& v);
double TAF_visibility_miles(const TafVisibility& v);

#endif
