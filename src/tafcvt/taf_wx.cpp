// TAF condition groups: the groups of one forecast period (wind, visibility, weather, sky
// cover and cloud layers, temperatures, icing, turbulence, altimeter, weather nearby and the
// words left over), each kind tried in a fixed order and each group read once into an item
// for the writer of the chosen form; see taf.h and taf_items.h.
#include <cstring>
#include <string_view>

#include "scanp.h"
#include "string.h"
#include "taf.h"
#include "taf_items.h"
#include "taf_read.h"
#include "wx_tool.h"

namespace {

constexpr int TAF_TEXT_SIZE = 200;      // a group's letters (weather, cloud type, a word)
constexpr int TAF_UNIT_SIZE = 8;        // a unit or cover word (KTS, SM, BKN)
constexpr int TAF_SIGN_SIZE = 4;        // the "M" of a temperature
constexpr int TAF_WX_LIST_SIZE = 50;    // the weather buffer: the list, or a code after VC
static_assert(TAF_WEATHER_LIST_MAX < TAF_WX_LIST_SIZE);
constexpr int TAF_MAX_CLOUD_GROUPS = 5;
constexpr int TAF_MAX_TEMP_TRIES = 5;   // at each of the two temperature steps
constexpr int TAF_MISSING = TAF_ITEM_MISSING;
constexpr int TAF_LAYER_PER_THICKNESS = 10;  // hundreds of feet per thickness step
constexpr int TAF_LARGEST_DIRECTION = 360;  // degrees of a wind written without its unit
constexpr double TAF_NM_TO_SM = 1.1508;
constexpr double TAF_METRES_TO_SM = 0.00062136;
constexpr double TAF_ALTIMETER_SCALE = 100.0;
constexpr double TAF_ALTIMETER_NUDGE = 0.001;

const TafWriter* out = &TAF_ENGLISH_WRITER;  // the writer of the period being decoded

// The text of the group the last scan took: its characters without the blanks behind it.
std::string_view group_text(const parse_param* p) {
    const char* text = scanp_str(p);
    int n = p->len;
    while (n > 0 && is_blank_or_eol(text[n - 1])) --n;
    return {text, static_cast<size_t>(n > 0 ? n : 0)};
}

// The text from offset start of the period's text to the position, without the blanks
// behind it (a group read in several scans).
std::string_view text_since(const parse_param* p, int start) {
    std::string_view text(p->ptr + start, static_cast<size_t>(scanp_get_off(p) - start));
    while (!text.empty() && is_blank_or_eol(text.back())) text.remove_suffix(1);
    return text;
}

// The wind forms, each with the values its pattern stores (TafWindKind): calm (unit),
// gusting (direction, speed, gust, unit), variable_gusting (speed, gust, unit), variable
// (speed, unit), steady (direction, speed, unit).
using WindKind = TafWindKind;

struct Wind {
    int dir = 0, speed = 0, gust = 0;
    char unit[TAF_UNIT_SIZE] = "";
};

struct WindForm {
    WindKind kind;
    bool three_digits;  // a speed or gust of 100 kt or more, only with a written unit
    // Where the gust mark ("/" or "G") or the unit (its first letter, K or M) must stand when
    // the pattern takes the group (its fields before have exact widths), and the characters
    // it may be; -1 when the pattern has no such place.
    int mark_at;
    const char* marks;
    // Where a unit that must be written (K or M) stands behind a three-digit field; -1: none.
    int unit_at;
    bool (*scan)(parse_param* p, Wind* w);  // whether the form's pattern takes the group
};
constexpr const char* GUST_MARKS = "/G";
constexpr const char* UNIT_LETTERS = "KM";

// Calm first; within each other form its three-digit variants come before its own pattern,
// which would read 27080G100KT as a gust of 10 with no unit.
constexpr WindForm WIND_FORMS[] = {
    {WindKind::calm, false, -1, nullptr, -1,
     [](parse_param* p, Wind* w) {
         // Its five zeros are written as they stand.
         return strncmp(scanp_str(p), "00000", 5) == 0 &&
                scanp(p, "00000%!!(KTS|KT|MPS|KMH) ", w->unit) == 1;
     }},
    {WindKind::gusting, true, 6, GUST_MARKS, 10,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%3d%3d%*(/|G)%3d%(KTS|KT|MPS|KMH) ", &w->dir, &w->speed, &w->gust,
                      w->unit) == 5;
     }},
    {WindKind::gusting, true, 6, GUST_MARKS, 9,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%3d%3d%*(/|G)%2d%(KTS|KT|MPS|KMH) ", &w->dir, &w->speed, &w->gust,
                      w->unit) == 5;
     }},
    {WindKind::gusting, true, 5, GUST_MARKS, 9,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%3d%2d%*(/|G)%3d%(KTS|KT|MPS|KMH) ", &w->dir, &w->speed, &w->gust,
                      w->unit) == 5;
     }},
    {WindKind::gusting, false, 5, GUST_MARKS, -1,
     [](parse_param* p, Wind* w) {
         // "%3d%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) "
         return TAF_read_gusting_wind(p, &w->dir, &w->speed, &w->gust,
                                      scan_buf{w->unit, sizeof w->unit}) == 5;
     }},
    {WindKind::variable_gusting, true, 6, GUST_MARKS, 10,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%*(VRB)%3d%*(/|G)%3d%(KTS|KT|MPS|KMH) ", &w->speed, &w->gust,
                      w->unit) == 5;
     }},
    {WindKind::variable_gusting, true, 6, GUST_MARKS, 9,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%*(VRB)%3d%*(/|G)%2d%(KTS|KT|MPS|KMH) ", &w->speed, &w->gust,
                      w->unit) == 5;
     }},
    {WindKind::variable_gusting, true, 5, GUST_MARKS, 9,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%*(VRB)%2d%*(/|G)%3d%(KTS|KT|MPS|KMH) ", &w->speed, &w->gust,
                      w->unit) == 5;
     }},
    {WindKind::variable_gusting, false, 5, GUST_MARKS, -1,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%*(VRB)%2d%*(/|G)%2d%!!(KTS|KT|MPS|KMH) ", &w->speed, &w->gust,
                      w->unit) == 5;
     }},
    {WindKind::variable, true, 6, UNIT_LETTERS, 6,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%*(VRB)%3d%(KTS|KT|MPS|KMH) ", &w->speed, w->unit) == 3;
     }},
    {WindKind::variable, false, -1, nullptr, -1,
     [](parse_param* p, Wind* w) {
         // "%*(VRB)%2d%!!(KTS|KT|MPS|KMH) "
         return TAF_read_variable_wind(p, &w->speed, scan_buf{w->unit, sizeof w->unit}) == 3;
     }},
    {WindKind::steady, true, 6, UNIT_LETTERS, 6,
     [](parse_param* p, Wind* w) {
         return scanp(p, "%3d%3d%(KTS|KT|MPS|KMH) ", &w->dir, &w->speed, w->unit) == 3;
     }},
    {WindKind::steady, false, -1, nullptr, -1,
     [](parse_param* p, Wind* w) {
         // "%3d%2d%!!(KTS|KT|MPS|KMH) "
         return TAF_read_wind(p, &w->dir, &w->speed, scan_buf{w->unit, sizeof w->unit}) == 3;
     }},
};
// The shortest group a three-digit variant can take: VRB100KT, 250100KT.
constexpr int TAF_THREE_DIGIT_WIND_MIN = 8;

// Whether c is one of the characters of set (never the terminator).
bool is_one_of(int c, const char* set) { return c != '\0' && strchr(set, c) != nullptr; }

// Whether a number field can begin with c: a digit, or the minus sign it takes.
bool begins_number(int c) { return is_digit(static_cast<char>(c)) || c == '-'; }

// Whether a pattern of the form can match a group that begins with c.
bool can_begin(WindKind kind, int c) {
    if (kind == WindKind::variable || kind == WindKind::variable_gusting) return c == 'V';
    if (kind == WindKind::calm) return c == '0';
    return begins_number(c);
}

// A group with no unit is a wind only where its direction can exist: 620304 is an icing
// layer, 520009 turbulence.
bool plausible_wind(const WindForm& form, const Wind& w) {
    const bool has_direction = form.kind == WindKind::gusting || form.kind == WindKind::steady;
    return !has_direction || w.unit[0] != '\0' || w.dir <= TAF_LARGEST_DIRECTION;
}

// A variable direction right after the wind (24010KT 210V270).
void decode_wind_variation(parse_param* p) {
    int from = 0, to = 0;
    // Its first number takes exactly three characters, so the V stands fourth.
    if (!begins_number(scanp_char(p, 0)) || scanp_char(p, 3) != 'V' ||
        scanp(p, "%3dV%3d ", &from, &to) != 2)
        return;
    out->wind_variation({group_text(p), from, to});
    scanp_inc(p);
}

bool decode_wind(parse_param* p) {
    const int c = scanp_char(p, 0);
    if (c != 'V' && !begins_number(c)) return false;  // no wind form begins otherwise
    const bool long_enough = TAF_word_length(scanp_str(p)) >= TAF_THREE_DIGIT_WIND_MIN;
    Wind w;
    for (const WindForm& form : WIND_FORMS) {
        if (!can_begin(form.kind, c) || (form.three_digits && !long_enough)) continue;
        if (form.mark_at >= 0 && !is_one_of(scanp_char(p, form.mark_at), form.marks)) continue;
        if (form.unit_at >= 0 && !is_one_of(scanp_char(p, form.unit_at), UNIT_LETTERS)) continue;
        if (!form.scan(p, &w) || !plausible_wind(form, w)) continue;
        const std::string_view text = group_text(p);
        const size_t unit_length = strlen(w.unit);
        out->wind({text, form.kind, w.dir, w.speed, w.gust,
                   text.substr(text.size() >= unit_length ? text.size() - unit_length : 0)});
        scanp_inc(p);
        decode_wind_variation(p);
        return true;
    }
    return false;
}

// Statute miles from a value in the unit written after it (nautical when it begins "N").
float to_statute(float miles, const char* unit) {
    if (unit[0] == 'N' && miles != TAF_MISSING) return static_cast<float>(miles * TAF_NM_TO_SM);
    return miles;
}

float fraction(int numerator, int denominator) {
    return static_cast<float>(numerator) / static_cast<float>(denominator == 0 ? 1 : denominator);
}

// Miles written with the unit (SM or NM) or without one; false when none of the forms fits.
bool read_miles(parse_param* p, float* miles, char* unit) {
    if (!TAF_may_be_miles(scanp_str(p))) return false;
    int a = 0, b = 0, c = 0;
    scan_buf u{unit, TAF_UNIT_SIZE};
    if (TAF_read_whole_miles(p, &a, u) == 3)
        *miles = static_cast<float>(a);
    else if (TAF_read_fraction_miles(p, &a, &b, u) == 4)
        *miles = fraction(a, b);
    else if (scanp(p, "%*(M|)%1d%1d/%1d%(SM|NM) ", &a, &b, &c, u) == 5)
        *miles = static_cast<float>(a) + fraction(b, c);
    else if (scanp(p, "%*(M|)%1d %1d/%<2d%(SM|NM) ", &a, &b, &c, u) == 5)
        *miles = static_cast<float>(a) + fraction(b, c);
    else if (scanp(p, "%*(M|)%1d/%<2d ", &a, &b) == 3)
        *miles = fraction(a, b);
    else if (scanp(p, "%*(M|)%1d%1d/%1d ", &a, &b, &c) == 4)
        *miles = static_cast<float>(a) + fraction(b, c);
    else if (scanp(p, "%*(M|)%1d %1d/%<2d ", &a, &b, &c) == 4)
        *miles = static_cast<float>(a) + fraction(b, c);
    else
        return false;
    return true;
}

// Metres followed by the letters of a direction (3000NE); the number takes exactly four
// characters, so a letter stands fifth.
bool metres_with_direction(parse_param* p, int* value) {
    return is_letter(static_cast<char>(scanp_char(p, 4))) && scanp(p, "%4d%*[/A] ", value) == 2;
}

// Whether the group the last scan took has a blank behind it (the pattern's closing blank
// was met, not passed over at a group that goes on, as 520009 does after 520).
bool blank_behind(const parse_param* p) {
    return p->len > 0 && is_blank_or_eol(scanp_str(p)[p->len - 1]);
}

float metres_in_miles(int metres) { return static_cast<float>(metres * TAF_METRES_TO_SM); }

bool decode_visibility(parse_param* p) {
    char unit[TAF_UNIT_SIZE] = "";
    int value = 0;
    float miles = 0.0f;
    const int start = scanp_get_off(p);
    const int c = scanp_char(p, 0);
    const bool minus = c == 'M';
    TafVisibility v{};
    if (c == 'C' && scanp(p, "%*(CAVOK) ") == 1) {
        v = {.text = group_text(p), .kind = TafVisibilityKind::cavok};
    } else if (c == 'P' && TAF_read_more_miles(p, &value, scan_buf{unit, sizeof unit}) >= 2) {
        v = {.text = group_text(p), .kind = TafVisibilityKind::more_miles,
             .miles = to_statute(static_cast<float>(value), unit)};
    } else if (read_miles(p, &miles, unit)) {
        v = {.text = group_text(p), .kind = TafVisibilityKind::miles,
             .miles = to_statute(miles, unit), .minus = minus};
    } else if (metres_with_direction(p, &value)) {
        scanp_inc(p);
        // A second directional visibility follows the first without a word of its own.
        int second = 0;
        if (metres_with_direction(p, &second)) scanp_inc(p);
        out->visibility({.text = text_since(p, start), .kind = TafVisibilityKind::metres_direction,
                         .miles = metres_in_miles(value), .metres = value});
        return true;
    } else if (!begins_number(c)) {
        return false;  // the number forms below begin with a digit or a "-"
    } else if (TAF_read_metres(p, &value) == 1 && p->len > 4) {
        v = {.text = group_text(p), .kind = TafVisibilityKind::metres,
             .miles = metres_in_miles(value), .metres = value};
    } else if (scanp(p, "%<3d ", &value) == 1 && blank_behind(p)) {
        v = {.text = group_text(p), .kind = TafVisibilityKind::bare_miles,
             .miles = static_cast<float>(value)};
    } else {
        return false;
    }
    v.nautical = unit[0] == 'N';
    out->visibility(v);
    scanp_inc(p);
    return true;
}

void decode_weather(parse_param* p) {
    char list[TAF_WX_LIST_SIZE] = "";
    char group[TAF_TEXT_SIZE];
    TafWeather weather{};
    for (int i = 0; i < TAF_WEATHER_GROUPS_MAX; ++i) {
        if (TAF_weather_ends(scanp_str(p))) break;
        // The blanks behind the group count: a group of two letters at the very end of the
        // text is not taken.
        // A word not made of weather codes (RMK, CAVOK, NSC) is left for the later steps.
        const int consumed = TAF_weather_run(scanp_str(p), scan_buf{group, sizeof group});
        if (consumed <= 2 || !WX_weather_group(group)) {
            // A try that takes nothing leaves the position as it was, and so would the
            // tries after it.
            break;
        }
        if (list[0] != '\0') strmcat(list, "_", TAF_WEATHER_LIST_MAX);
        strmcat(list, group, TAF_WEATHER_LIST_MAX);
        const int start = scanp_get_off(p);
        scanp_inc_off(p, consumed);
        weather.groups[weather.count++] = text_since(p, start);
    }
    if (list[0] == '\0') return;
    weather.list = list;
    out->weather(weather);
}

// A cloud group of amount in eighths, type letters and height.
bool read_octets(parse_param* p, TafCloud* cloud, char* type) {
    // The amount's digit, then the type's letters (or "/").
    const int c1 = scanp_char(p, 1);
    if (!is_digit(static_cast<char>(scanp_char(p, 0))) ||
        !(is_letter(static_cast<char>(c1)) || c1 == '/'))
        return false;
    int& amount = cloud->amount;
    int& height = cloud->height;
    const scan_buf letters{type, TAF_TEXT_SIZE};
    if (scanp(p, "%1d%2[/A]%3d ", &amount, letters, &height) != 3) {
        if (scanp(p, "%1d%2[/A]%*(///) ", &amount, letters) == 3)
            height = TAF_MISSING;
        else if (scanp(p, "%1d%4[/A]%3d ", &amount, letters, &height) != 3)
            return false;
    }
    cloud->kind = TafCloudKind::octets;
    cloud->type = type;
    return true;
}

bool read_vertical_visibility(parse_param* p, TafCloud* cloud) {
    if (scanp_char(p, 0) != 'V' || scanp_char(p, 1) != 'V') return false;
    if (scanp(p, "VV%3!///!d ", &cloud->height) != 1) return false;
    cloud->kind = TafCloudKind::vertical;
    return true;
}

// Whether c can begin a cover word (FEW, SCT, BKN, OVC).
bool begins_cover(int c) { return c == 'F' || c == 'S' || c == 'B' || c == 'O'; }

bool read_layer(parse_param* p, TafCloud* cloud, char* cover, char* type) {
    if (!begins_cover(scanp_char(p, 0))) return false;
    cloud->cover = cover;
    // The cover and the height take exactly three characters each: the type's letters begin
    // at the seventh.
    if (is_letter(static_cast<char>(scanp_char(p, 6))) &&
        scanp(p, "%(FEW|SCT|BKN|OVC)%3!///!d%[/A] ", scan_buf{cover, TAF_UNIT_SIZE},
              &cloud->height, scan_buf{type, TAF_TEXT_SIZE}) == 3) {
        cloud->kind = TafCloudKind::typed;
        cloud->type = type;
        return true;
    }
    cloud->kind = TafCloudKind::layer;
    return TAF_read_layer(p, scan_buf{cover, TAF_UNIT_SIZE}, &cloud->height) == 2;
}

// Sky words after which no cloud layer is read.
struct SkyWord {
    char lead;               // the word's first letter
    std::string_view word;   // read as "%*(WORD) ", or "%*(WORD|OTHER) "
    std::string_view other;
    TafSkyWord kind;
};
constexpr SkyWord SKY_WORDS[] = {
    {0, "SKC", "CLR", TafSkyWord::clear},  // read when the group begins with S or C
    {'N', "NSC", "", TafSkyWord::nsc},
    {'N', "NCD", "", TafSkyWord::ncd},
};

bool decode_sky_word(parse_param* p) {
    const int c = scanp_char(p, 0);
    if (c != 'S' && c != 'C' && c != 'N') return false;
    for (const SkyWord& word : SKY_WORDS) {
        if ((word.lead != 0 && c != word.lead) || TAF_read_word(p, word.word, word.other) != 1)
            continue;
        out->sky({group_text(p), word.kind});
        scanp_inc(p);
        return true;
    }
    return false;
}

void decode_clouds(parse_param* p) {
    if (decode_sky_word(p)) return;
    char cover[TAF_UNIT_SIZE];
    char type[TAF_TEXT_SIZE];
    for (int pass = 0; pass < TAF_MAX_CLOUD_GROUPS; ++pass) {
        TafCloud cloud{};
        cloud.pass = pass;
        if (!read_octets(p, &cloud, type) && !read_vertical_visibility(p, &cloud) &&
            !read_layer(p, &cloud, cover, type))
            return;
        cloud.text = group_text(p);
        out->cloud(cloud);
        scanp_inc(p);
    }
}

int signed_value(const char* sign, int value) {
    return sign[0] == 'M' && value != TAF_MISSING ? -value : value;
}

// Wind shear: height in hundreds of feet, direction, speed of two or three digits.
void decode_wind_shear(parse_param* p) {
    int height = 0, dir = 0, speed = 0;
    char unit[TAF_UNIT_SIZE];
    if (scanp_char(p, 0) != 'W') return;
    if (scanp(p, "WS%3d/%3d%3d%(KT) ", &height, &dir, &speed, unit) != 4 &&
        scanp(p, "WS%3d/%3d%2d%(KT) ", &height, &dir, &speed, unit) != 4)
        return;
    out->wind_shear({group_text(p), height, dir, speed});
    scanp_inc(p);
}

// The temperature at an hour, written T[M]tt/[M]hh[Z].
bool decode_hour_temperature(parse_param* p) {
    char sign_t[TAF_SIGN_SIZE], sign_h[TAF_SIGN_SIZE];
    int temp = 0, hour = 0;
    if (!TAF_may_be_hour_temperature(scanp_str(p)) ||
        scanp(p, "T%!!(M)%<3!XX!d/%!!(M)%<3!XX!d%*!!(Z) ", sign_t, &temp, sign_h, &hour) != 5)
        return false;
    out->temperature({.text = group_text(p), .kind = TafTemperatureKind::at_hour,
                      .celsius = signed_value(sign_t, temp), .hour = signed_value(sign_h, hour)});
    return true;
}

// The maximum (TX) or minimum (TN) temperature and its day and hour.
struct TemperatureKind {
    char second;  // the letter after the T
    scanp_pattern<scan_buf, int*, int*, int*> pattern;  // sign, temperature, day, hour
    TafTemperatureKind kind;
};
constexpr TemperatureKind MAX_TEMPERATURE = {'X', "TX%!!(M)%<3d/%2d%2d%*!!(Z) ",
                                             TafTemperatureKind::max};
constexpr TemperatureKind MIN_TEMPERATURE = {'N', "TN%!!(M)%<3d/%2d%2d%*!!(Z) ",
                                             TafTemperatureKind::min};

bool decode_extreme_temperature(parse_param* p, const TemperatureKind& kind) {
    char sign[TAF_SIGN_SIZE];
    int temp = 0, day = 0, hour = 0;
    if (scanp_char(p, 1) != kind.second || scanp(p, kind.pattern, sign, &temp, &day, &hour) != 5)
        return false;
    out->temperature({group_text(p), kind.kind, signed_value(sign, temp), hour, day,
                      TAF_day_month_of_year(day)});
    return true;
}

void decode_temperatures(parse_param* p) {
    for (int i = 0; i < TAF_MAX_TEMP_TRIES; ++i) {
        if (scanp_char(p, 0) != 'T' ||
            !(decode_hour_temperature(p) || decode_extreme_temperature(p, MAX_TEMPERATURE) ||
              decode_extreme_temperature(p, MIN_TEMPERATURE)))
            break;  // the tries left would find the same group again
        scanp_inc(p);
    }
}

// Icing (6...) and turbulence (5...) layers: type, base and thickness; the thickness digit
// counts thousands of feet.
void decode_layer_group(parse_param* p, char lead, scanp_pattern<int*, int*, int*> pattern,
                        TafLayerKind kind) {
    if (scanp_char(p, 0) != lead) return;
    int type = 0, base = 0, thickness = 0;
    if (scanp(p, pattern, &type, &base, &thickness) != 3 || type < 0 || type > 9) return;
    out->layer({group_text(p), kind, type, base, base + TAF_LAYER_PER_THICKNESS * thickness});
    scanp_inc(p);
}

void decode_altimeter(parse_param* p) {
    if (scanp_char(p, 0) != 'Q') return;
    int value = 0;
    char unit[TAF_UNIT_SIZE];
    if (scanp(p, "QNH%4d%(INS) ", &value, unit) != 2) return;
    out->altimeter(
        {group_text(p), static_cast<float>(value / TAF_ALTIMETER_SCALE + TAF_ALTIMETER_NUDGE)});
    scanp_inc(p);
}

void decode_vicinity(parse_param* p) {
    if (scanp_char(p, 0) != 'V' || scanp_char(p, 1) != 'C') return;
    // The code goes into the weather buffer: a longer run is cut to fit it.
    char code[TAF_WX_LIST_SIZE];
    if (scanp(p, "VC%[/A-+] ", code) != 1) return;
    out->vicinity({group_text(p), code});
    scanp_inc(p);
}

bool opens_period(const char* word) {
    switch (word[0]) {
        case 'T': return strcmp(word, "TEMPO") == 0;
        case 'B': return strcmp(word, "BECMG") == 0;
        case 'I': return strcmp(word, "INTER") == 0;
        case 'P': return strncmp(word, "PROB", 4) == 0;
        case 'F': return word[1] == 'M';
        default: return false;
    }
}

// Words that no step took, up to the word that opens the next period. With take_first the
// word at the position is taken whatever it is (a change word no kind reads).
int decode_remaining(parse_param* p, bool take_first) {
    char word[TAF_TEXT_SIZE];
    bool any = false;
    int consumed = 0;
    while ((consumed = TAF_next_word(scanp_str(p), scan_buf{word, sizeof word})) > 0 &&
           ((take_first && !any) || !opens_period(word))) {
        const int start = scanp_get_off(p);
        scanp_inc_off(p, consumed);
        out->unread(word, text_since(p, start), !any);
        any = true;
    }
    if (any) out->unread_end();
    return scanp_get_off(p);
}

}  // namespace

int TAF_decode_wx(const char* line) {
    return TAF_decode_wx(line, line == nullptr ? 0 : static_cast<int>(strlen(line)));
}

int TAF_decode_wx(const char* line, int length) {
    out = &TAF_writer(english);
    parse_param p = {};
    scanp_set_length(&p, line, length);
    out->groups_begin();
    decode_wind(&p);
    decode_visibility(&p);
    decode_weather(&p);
    decode_clouds(&p);
    decode_wind_shear(&p);
    decode_temperatures(&p);
    decode_layer_group(&p, '6', "6%1d%3d%1d ", TafLayerKind::icing);
    decode_layer_group(&p, '5', "5%1d%3d%1d ", TafLayerKind::turbulence);
    decode_altimeter(&p);
    decode_temperatures(&p);
    decode_vicinity(&p);
    decode_remaining(&p, false);
    out->groups_end();
    return scanp_get_off(&p);
}

int TAF_decode_unread(const char* text, int length) {
    out = &TAF_writer(english);
    parse_param p = {};
    scanp_set_length(&p, text, length);
    return decode_remaining(&p, true);
}

int TAF_knots_truncated(int speed, std::string_view unit) {
    constexpr double MPS_TO_KTS = 1.944;
    constexpr double KMH_TO_KTS = 0.53996;
    if (speed == TAF_MISSING) return speed;
    if (equal_nocase(unit, "MPS")) return static_cast<int>(speed * MPS_TO_KTS);
    if (unit.empty() || equal_nocase(unit, "KMH")) return static_cast<int>(speed * KMH_TO_KTS);
    return speed;
}
