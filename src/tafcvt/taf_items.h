// The reading of one TAF report as typed items, and the writers that turn them into an
// output form.
//
// The decoder (taf_decode.cpp, taf_wx.cpp) reads each group of a report once into a small
// item: the group's text as it stands in the report and its values, as read (speeds in their
// unit, heights in hundreds of feet, days with the month the report's dates give them). It
// hands each item to the writer of the chosen form, a table of plain functions, one per item
// kind: the English sentences (taf_english.cpp), the decoded listing (taf_decoded.cpp), JSON
// lines (taf_json.cpp) and the briefing table (taf_table.cpp). An item carries values, never
// wording; a writer never scans.
//
// Items live only for the call that hands them out: their texts point into the decoder's copy
// of the report, which stays unchanged until the next report begins.
#ifndef TAFCVT_TAF_ITEMS_H
#define TAFCVT_TAF_ITEMS_H

#include <string_view>

#include "cty_read.h"

// The output forms (the converter's form setting english holds one of them).
enum TafForm : int {
    TAF_FORM_DECODED = 0,
    TAF_FORM_ENGLISH = 1,
    TAF_FORM_JSON = 2,
    TAF_FORM_TABLE = 3,
};

inline constexpr int TAF_ITEM_MISSING = -9999;  // a number the group left out (///, XX)

// A month of a year: the month a day of the report falls in. The text forms name the month;
// the year only moves with it past December or January.
struct TafMonth {
    int year = 0;
    int month = 0;
};

// What the driver knows of a report beyond its text.
struct TafSource {
    const char* file = "";       // the input file's name as opened ("-" standard input)
    const char* bulletin = "";   // the bulletin's heading line; "" for a bare report
    bool cut = false;            // the report reached the gathered text's bound
};

// The report as handed to the decoder, before any group is read.
struct TafReport {
    std::string_view text{};  // the gathered lines, each ended by a newline
    const TafSource* source = nullptr;
};

// The station and the header words around it.
struct TafStation {
    const char* id = nullptr;       // four characters
    CTY_data* city = nullptr;       // the database record, or null when the station is not in it
    bool amd = false;             // AMD before or right after the station
    bool cor = false;             // COR there
};

struct TafIssue {
    std::string_view text{};
    int day = 0, hour = 0, min = 0;
    TafMonth month{};
};

enum class TafValidityForm : unsigned char {
    dated,     // DDHH/DDHH: both ends with their days
    hours,     // DDHHHH: a day, a start and an end hour (24 read as 0)
    day_hour,  // DDHH: a day and a start hour, to the same hour the next day
};

struct TafValidity {
    std::string_view text{};
    TafValidityForm form{};
    int from_day = 0, from_hour = 0;
    TafMonth from_month{};
    int to_day = 0, to_hour = 0;  // dated form: the end; hours form: to_hour the end hour
    TafMonth to_month{};
};

// Header words after the validity, and the words that end a report.
enum class TafWord : unsigned char { retransmitted, amendment, correction, nil, cancelled };

// The times of a change period.
enum class TafTimesForm : unsigned char { none, dated, hours };
struct TafTimes {
    TafTimesForm form = TafTimesForm::none;
    std::string_view text{};
    int from_day = 0, from_hour = 0;  // hours form: from_hour and to_hour only
    TafMonth from_month{};
    int to_day = 0, to_hour = 0;
    TafMonth to_month{};
};

enum class TafPeriodKind : unsigned char { base, tempo, prob, from, becmg, inter };
// The FM forms: FMDDHHMM, FMHHMM, FMHH.
enum class TafFromForm : unsigned char { day_time, time, hour };
// The word after a PROB percentage.
enum class TafProbWord : unsigned char { none, tempo, inter };

struct TafPeriod {
    TafPeriodKind kind{};
    std::string_view text{};  // the change words and times, e.g. "PROB30 TEMPO 2418/2424"
    int probability = 0;    // PROB
    TafProbWord prob_word = TafProbWord::none;
    TafTimes times{};         // TEMPO, PROB, BECMG, INTER
    TafFromForm from_form = TafFromForm::day_time;  // FM
    int day = 0, hour = 0, min = 0;                 // FM
    TafMonth month{};                                 // FM day_time
};

enum class TafWindKind : unsigned char { calm, gusting, variable_gusting, variable, steady };

struct TafWind {
    std::string_view text{};
    TafWindKind kind{};
    int dir = 0, speed = 0, gust = 0;  // as written; dir 0 for VRB
    std::string_view unit{};  // as written: KT, KTS, MPS, KMH; empty when none
};

struct TafWindVariation {
    std::string_view text{};
    int from = 0, to = 0;
};

enum class TafVisibilityKind : unsigned char {
    cavok,
    more_miles,  // P6SM: more than the miles
    miles,       // with a fraction or a unit
    bare_miles,  // a number of at most three digits
    metres,
    metres_direction,  // 3000NE, with a second such group passed over
};

struct TafVisibility {
    std::string_view text{};
    TafVisibilityKind kind{};
    float miles = 0;  // statute miles as the text forms print them (miles kinds)
    int metres = 0;   // metres kinds: the number as written
    bool minus = false;   // M in front: less than
    bool nautical = false;  // the miles were written in NM (miles has them in statute miles)
};

inline constexpr int TAF_WEATHER_GROUPS_MAX = 5;
inline constexpr int TAF_WEATHER_LIST_MAX = 20;  // characters of the "_"-joined list kept

struct TafWeather {
    std::string_view groups[TAF_WEATHER_GROUPS_MAX]{};
    int count = 0;
    const char* list = nullptr;  // the groups joined by "_", cut at TAF_WEATHER_LIST_MAX characters
};

enum class TafSkyWord : unsigned char { clear, nsc, ncd };  // clear: SKC or CLR

struct TafSky {
    std::string_view text{};
    TafSkyWord word{};
};

enum class TafCloudKind : unsigned char {
    octets,    // 8SC025: amount in eighths, type letters, height
    vertical,  // VV005
    typed,     // BKN030CB
    layer,     // BKN030
};

struct TafCloud {
    std::string_view text{};
    TafCloudKind kind{};
    int pass = 0;          // the cloud group's place in the cloud section, from 0
    int amount = 0;        // octets
    int height = 0;        // hundreds of feet; TAF_ITEM_MISSING for ///
    const char* cover = nullptr;  // FEW, SCT, BKN, OVC (typed, layer)
    const char* type = nullptr;   // cloud type letters (octets, typed)
};

struct TafWindShear {
    std::string_view text{};
    int height = 0, dir = 0, speed = 0;
};

enum class TafTemperatureKind : unsigned char { at_hour, max, min };

struct TafTemperature {
    std::string_view text{};
    TafTemperatureKind kind{};
    int celsius = 0;  // TAF_ITEM_MISSING for XX
    int hour = 0;     // TAF_ITEM_MISSING for XX
    int day = 0;      // max, min
    TafMonth month{};
};

enum class TafLayerKind : unsigned char { icing, turbulence };

struct TafLayer {
    std::string_view text{};
    TafLayerKind kind{};
    int type = 0;         // 0..9
    int base = 0, top = 0;    // hundreds of feet
};

struct TafAltimeter {
    std::string_view text{};
    float inches = 0;
};

struct TafVicinity {
    std::string_view text{};
    const char* code = nullptr;  // the letters after VC, cut to the weather buffer
};

// The writer of one form: a function for each item kind, called in the order of the report.
struct TafWriter {
    void (*report_begin)(const TafReport& report);
    void (*station)(const TafStation& station);
    void (*issue)(const TafIssue& issue);
    void (*validity)(const TafValidity& validity);
    void (*word)(TafWord word);
    void (*period)(const TafPeriod& period);
    void (*groups_begin)();
    void (*wind)(const TafWind& wind);
    void (*wind_variation)(const TafWindVariation& variation);
    void (*visibility)(const TafVisibility& visibility);
    void (*weather)(const TafWeather& weather);
    void (*sky)(const TafSky& sky);
    void (*cloud)(const TafCloud& cloud);
    void (*wind_shear)(const TafWindShear& shear);
    void (*temperature)(const TafTemperature& temperature);
    void (*layer)(const TafLayer& layer);
    void (*altimeter)(const TafAltimeter& altimeter);
    void (*vicinity)(const TafVicinity& vicinity);
    // A word no step read (as a text, and where it stands in the report); first for the
    // first of a run.
    void (*unread)(const char* word, std::string_view text, bool first);
    void (*unread_end)();  // after a run of unread words
    void (*groups_end)();
    void (*report_end)();
    // The station heading of a database record whose name was trimmed, with the state to
    // show (see TAF_trim_city).
    void (*city)(CTY_data* city, const char* state);
};

extern const TafWriter TAF_ENGLISH_WRITER;
extern const TafWriter TAF_DECODED_WRITER;
extern const TafWriter TAF_JSON_WRITER;
extern const TafWriter TAF_TABLE_WRITER;

// The line the JSON writer wrote last (its "\n" included), valid until the next report; for
// checks of what was written whatever the message level.
std::string_view TAF_json_last_line();

// The writer of a form (the decoded listing for a value that is no form).
const TafWriter& TAF_writer(int form);

// The line of an amount-and-type cloud group (8SC025), which both text forms print at once.
void TAF_print_octets(const TafCloud& cloud);

// Ends the texts of a database record and cuts the blanks at the end of its name (in
// place); the state to show: the record's state, or its region when the state is "-".
const char* TAF_trim_city(CTY_data* city);

// A speed in knots as the text forms give it: m/s and km/h (and no unit, taken as km/h)
// converted and truncated toward zero; TAF_ITEM_MISSING stays missing.
int TAF_knots_truncated(int speed, std::string_view unit);

#endif
