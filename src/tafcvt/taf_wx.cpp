// TAF condition groups: the groups of one forecast period (wind, visibility, weather, sky
// cover and cloud layers, temperatures, icing, turbulence, altimeter, weather nearby and the
// words left over), each kind tried in a fixed order; see taf.h.
#include <cstring>
#include <string_view>

#include "scanp.h"
#include "string.h"
#include "taf.h"
#include "taf_read.h"
#include "wx_tool.h"

namespace {

constexpr int TAF_TEXT_SIZE = 200;      // a group's letters (weather, cloud type, a word)
constexpr int TAF_UNIT_SIZE = 8;        // a unit or cover word (KTS, SM, BKN)
constexpr int TAF_SIGN_SIZE = 4;        // the "M" of a temperature
constexpr int TAF_WX_LIST_MAX = 20;     // characters of the weather list kept
constexpr int TAF_WX_LIST_SIZE = 50;    // the weather buffer: the list, or a code after VC
constexpr int TAF_MAX_WX_GROUPS = 5;
constexpr int TAF_MAX_CLOUD_GROUPS = 5;
constexpr int TAF_MAX_TEMP_TRIES = 5;   // at each of the two temperature steps
constexpr int TAF_MISSING = -9999;
constexpr int TAF_SKY_OBSCURED = 9;     // cloud amount for a sky that cannot be seen
constexpr int TAF_FEET_PER_UNIT = 100;  // heights in groups are hundreds of feet
constexpr int TAF_LAYER_PER_THICKNESS = 10;  // hundreds of feet per thickness step
constexpr int TAF_LARGEST_DIRECTION = 360;  // degrees of a wind written without its unit
constexpr int TAF_METRES_UNLIMITED = 9999;  // ten kilometres or more: nothing to say
constexpr double TAF_MPS_TO_KTS = 1.944;
constexpr double TAF_KMH_TO_KTS = 0.53996;
constexpr double TAF_NM_TO_SM = 1.1508;
constexpr double TAF_METRES_TO_SM = 0.00062136;
constexpr double TAF_ALTIMETER_SCALE = 100.0;
constexpr double TAF_ALTIMETER_NUDGE = 0.001;

// Icing and turbulence: the type digit's words in both forms.
struct LayerType {
    const char* english;
    const char* decoded;
};

// "LIGHT IN CLOUD  " has two blanks, as users know it; keep it.
constexpr LayerType ICING_TYPES[] = {
    {"no icing, ", "NONE "},
    {"light icing ", "LIGHT "},
    {"light icing in cloud ", "LIGHT IN CLOUD  "},
    {"light icing in precipitation ", "LIGHT IN PREC "},
    {"moderate icing ", "MOD "},
    {"moderate icing in cloud ", "MOD IN CLOUD "},
    {"moderate icing in precipitation ", "MOD IN PREC "},
    {"severe icing ", "SEV "},
    {"severe icing in cloud ", "SEV IN CLOUD "},
    {"severe icing in precipitation ", "SEV IN PREC "},
};

constexpr LayerType TURBULENCE_TYPES[] = {
    {"no turbulence, ", "NONE "},
    {"light turbulence ", "LIGHT "},
    {"occasional moderate clear air turbulence ", "OCC MOD CLEAR AIR "},
    {"frequent moderate clear air turbulence ", "FREQ MOD CLEAR AIR "},
    {"occasional moderate in cloud turbulence ", "OCC MOD IN CLOUD "},
    {"frequent moderate in cloud turbulence ", "FREQ MOD IN CLOUD "},
    {"occasional severe clear air turbulence ", "OCC SEV CLEAR AIR "},
    {"frequent severe clear air turbulence ", "FREQ SEV CLEAR AIR "},
    {"occasional severe in cloud turbulence ", "OCC SEV IN CLOUD "},
    {"frequent severe in cloud turbulence ", "FREQ SEV IN CLOUD "},
};

// A speed in knots from its unit; truncated toward zero, a missing value stays missing.
int to_knots(int speed, const char* unit) {
    if (speed == TAF_MISSING) return speed;
    if (equal_nocase(unit, "MPS")) return static_cast<int>(speed * TAF_MPS_TO_KTS);
    if (unit[0] == '\0' || equal_nocase(unit, "KMH")) return static_cast<int>(speed * TAF_KMH_TO_KTS);
    return speed;
}

// The wind forms, each with the values its pattern stores.
enum class WindKind : unsigned char {
    calm,              // unit
    gusting,           // direction, speed, gust, unit
    variable_gusting,  // speed, gust, unit
    variable,          // speed, unit
    steady,            // direction, speed, unit
};

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
         return scanp(p, "%*(VRB)%2d%!!(KTS|KT|MPS|KMH) ", &w->speed, w->unit) == 3;
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

void say_wind(const WindForm& form, Wind* w) {
    w->speed = to_knots(w->speed, w->unit);
    w->gust = to_knots(w->gust, w->unit);
    switch (form.kind) {
        case WindKind::calm:
            if (english)
                TAF_format("winds calm, ");
            else
                MESS_print_checked(dec_mes, "   WINDS: CALM\n");
            break;
        case WindKind::gusting:
            if (english)
                TAF_format("winds from %d deg at %d kts with gusts to %d, ", w->dir, w->speed,
                           w->gust);
            else
                MESS_print_checked(dec_mes, "   WINDS: %d AT %d GUST %d\n", w->dir, w->speed, w->gust);
            break;
        case WindKind::variable_gusting:
            if (english)
                TAF_format("winds variable at %d kts with gusts to %d, ", w->speed, w->gust);
            else
                MESS_print_checked(dec_mes, "   WIND: VARIABLE AT %d GUST %d\n", w->speed, w->gust);
            break;
        case WindKind::variable:
            if (english)
                TAF_format("winds variable at %d kts, ", w->speed);
            else
                MESS_print_checked(dec_mes, "   WIND: VARIABLE AT %d\n", w->speed);
            break;
        case WindKind::steady:
            if (english)
                TAF_format("winds from %d deg at %d kts, ", w->dir, w->speed);
            else
                MESS_print_checked(dec_mes, "   WINDS: %d AT %d\n", w->dir, w->speed);
            break;
    }
}

// A variable direction right after the wind (24010KT 210V270).
void decode_wind_variation(parse_param* p) {
    int from = 0, to = 0;
    // Its first number takes exactly three characters, so the V stands fourth.
    if (!begins_number(scanp_char(p, 0)) || scanp_char(p, 3) != 'V' ||
        scanp(p, "%3dV%3d ", &from, &to) != 2)
        return;
    if (english)
        TAF_format("varying from %d to %d deg, ", from, to);
    else
        MESS_print_checked(dec_mes, "   WIND VARYING FROM %d TO %d\n", from, to);
    scanp_inc(p);
}

// A group with no unit is a wind only where its direction can exist: 620304 is an icing
// layer, 520009 turbulence.
bool plausible_wind(const WindForm& form, const Wind& w) {
    const bool has_direction = form.kind == WindKind::gusting || form.kind == WindKind::steady;
    return !has_direction || w.unit[0] != '\0' || w.dir <= TAF_LARGEST_DIRECTION;
}

bool decode_wind(parse_param* p) {
    const int c = scanp_char(p, 0);
    const bool long_enough = TAF_word_length(scanp_str(p)) >= TAF_THREE_DIGIT_WIND_MIN;
    Wind w;
    for (const WindForm& form : WIND_FORMS) {
        if (!can_begin(form.kind, c) || (form.three_digits && !long_enough)) continue;
        if (form.mark_at >= 0 && !is_one_of(scanp_char(p, form.mark_at), form.marks)) continue;
        if (form.unit_at >= 0 && !is_one_of(scanp_char(p, form.unit_at), UNIT_LETTERS)) continue;
        if (!form.scan(p, &w) || !plausible_wind(form, w)) continue;
        say_wind(form, &w);
        scanp_inc(p);
        decode_wind_variation(p);
        return true;
    }
    return false;
}

void say_visibility(float miles) {
    if (english)
        TAF_format("visibility of %3.1f miles, ", miles);
    else
        MESS_print_checked(dec_mes, "   VISIBILITY: %3.1f MILES\n", miles);
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

void say_metres(int metres) {
    if (metres != TAF_METRES_UNLIMITED)
        say_visibility(static_cast<float>(metres * TAF_METRES_TO_SM));
}

bool decode_visibility(parse_param* p) {
    char unit[TAF_UNIT_SIZE] = "";
    int value = 0;
    float miles = 0.0f;
    if (scanp_char(p, 0) == 'C' && scanp(p, "%*(CAVOK) ") == 1) {
        if (english)
            TAF_format("ceiling and visibility OK, ");
        else
            MESS_print_checked(dec_mes, "   CEILING AND VISIBILITY OK\n");
    } else if (TAF_read_more_miles(p, &value, scan_buf{unit, sizeof unit}) >= 2) {
        miles = to_statute(static_cast<float>(value), unit);
        if (english)
            TAF_format("visibility is greater than %3.1f miles, ", miles);
        else
            MESS_print_checked(dec_mes, "   VISIBILITY: >%3.1f MILES\n", miles);
    } else if (read_miles(p, &miles, unit)) {
        say_visibility(to_statute(miles, unit));
    } else if (metres_with_direction(p, &value)) {
        say_metres(value);
        scanp_inc(p);
        // A second directional visibility follows the first without a word of its own.
        if (metres_with_direction(p, &value)) scanp_inc(p);
        return true;
    } else if (TAF_read_metres(p, &value) == 1 && p->len > 4) {
        say_metres(value);
    } else if (scanp(p, "%<3d ", &value) == 1 && blank_behind(p)) {
        say_visibility(static_cast<float>(value));
    } else {
        return false;
    }
    scanp_inc(p);
    return true;
}

void say_weather(const char* list) {
    if (!english) {
        MESS_print_checked(dec_mes, "   WEATHER: %s\n", list);
        return;
    }
    TAF_format("weather is ");
    char phrase[WX_PHRASE_SIZE];
    bool first = true;
    for (const char* next = list; (next = WX_metar_weather_text(next, phrase)) != nullptr;) {
        if (!first) TAF_format(" and ");
        TAF_format("%s", phrase);
        first = false;
    }
    TAF_format(", ");
}

void decode_weather(parse_param* p) {
    char list[TAF_WX_LIST_SIZE] = "";
    static_assert(TAF_WX_LIST_MAX < TAF_WX_LIST_SIZE);
    char group[TAF_TEXT_SIZE];
    for (int i = 0; i < TAF_MAX_WX_GROUPS; ++i) {
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
        if (list[0] != '\0') strmcat(list, "_", TAF_WX_LIST_MAX);
        strmcat(list, group, TAF_WX_LIST_MAX);
        scanp_inc_off(p, consumed);
    }
    if (list[0] != '\0') say_weather(list);
}

char amount_mark(int amount) {
    return amount == TAF_SKY_OBSCURED ? 'X' : static_cast<char>('0' + amount);
}

// A cloud group of amount in eighths, type letters and height: one line in both forms.
bool decode_octets(parse_param* p) {
    int amount = 0, height = 0;
    char type[TAF_TEXT_SIZE];
    if (scanp(p, "%1d%2[/A]%3d ", &amount, type, &height) != 3) {
        if (scanp(p, "%1d%2[/A]%*(///) ", &amount, type) == 3)
            height = TAF_MISSING;
        else if (scanp(p, "%1d%4[/A]%3d ", &amount, type, &height) != 3)
            return false;
    }
    MESS_print_checked(dec_mes, "   CLOUDS: %d %c OCTETS\n", height, amount_mark(amount));
    return true;
}

// "%d ft" of a height in hundreds of feet, or "unknown height" when it was not observed.
void say_height(int height) {
    if (height == TAF_MISSING)
        TAF_format("unknown height");
    else
        TAF_format("%d ft", height * TAF_FEET_PER_UNIT);
}

bool decode_vertical_visibility(parse_param* p) {
    int height = 0;
    if (scanp(p, "VV%3!///!d ", &height) != 1) return false;
    if (english) {
        TAF_format("vertical visibility of ");
        say_height(height);
        TAF_format(", ");
    } else {
        MESS_print_checked(dec_mes, "   VERTICAL VISIBILITY: %d\n", height);
    }
    return true;
}

bool decode_layer(parse_param* p, int pass) {
    char cover[TAF_UNIT_SIZE];
    char type[TAF_TEXT_SIZE];
    int height = 0;
    // The cover and the height take exactly three characters each: the type's letters begin
    // at the seventh.
    if (is_letter(static_cast<char>(scanp_char(p, 6))) &&
        scanp(p, "%(FEW|SCT|BKN|OVC)%3!///!d%[/A] ", cover, &height, type) == 3) {
        if (!english) {
            MESS_print_checked(dec_mes, "   CLOUDS: %d %s WITH %s\n", height, cover, type);
            return true;
        }
        TAF_format("clouds ");
        say_height(height);
        TAF_format(" %s ", print_cloud(cover));
        if (strcmp(type, "CB") == 0)
            TAF_format("with cumulonimbus, ");
        else if (strcmp(type, "CU") == 0)
            TAF_format("with cumulus, ");
        else
            TAF_format("with %s, ", type);
        return true;
    }
    if (TAF_read_layer(p, scan_buf{cover, sizeof cover}, &height) != 2) return false;
    if (!english) {
        MESS_print_checked(dec_mes, "   CLOUDS: %d %s\n", height, cover);
        return true;
    }
    if (pass == 0) TAF_format("clouds ");
    say_height(height);
    TAF_format(" %s, ", print_cloud(cover));
    return true;
}

// Sky words after which no cloud layer is read.
struct SkyWord {
    char lead;               // the word's first letter
    std::string_view word;   // read as "%*(WORD) ", or "%*(WORD|OTHER) "
    std::string_view other;
    const char* english;
    const char* decoded;
};
constexpr SkyWord SKY_WORDS[] = {
    {0, "SKC", "CLR", "skies are clear, ", "   CLOUDS: CLEAR\n"},
    {'N', "NSC", "", "no significant clouds, ", "   CLOUDS: NONE SIGNIFICANT\n"},
    {'N', "NCD", "", "no clouds detected, ", "   CLOUDS: NONE DETECTED\n"},
};

bool decode_sky_word(parse_param* p) {
    const int c = scanp_char(p, 0);
    for (const SkyWord& word : SKY_WORDS) {
        if ((word.lead != 0 && c != word.lead) || TAF_read_word(p, word.word, word.other) != 1)
            continue;
        if (english)
            TAF_format("%s", word.english);
        else
            MESS_print_checked(dec_mes, "%s", word.decoded);
        scanp_inc(p);
        return true;
    }
    return false;
}

void decode_clouds(parse_param* p) {
    if (decode_sky_word(p)) return;
    for (int pass = 0; pass < TAF_MAX_CLOUD_GROUPS; ++pass) {
        if (!decode_octets(p) && !decode_vertical_visibility(p) && !decode_layer(p, pass))
            return;
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
    if (english)
        TAF_format("wind shear at %d ft with winds from %d deg at %d kts, ",
                   height * TAF_FEET_PER_UNIT, dir, speed);
    else
        MESS_print_checked(dec_mes, "   WIND SHEAR AT %d: %d AT %d\n", height, dir, speed);
    scanp_inc(p);
}

// The temperature at an hour, written T[M]tt/[M]hh[Z].
bool decode_hour_temperature(parse_param* p) {
    char sign_t[TAF_SIGN_SIZE], sign_h[TAF_SIGN_SIZE];
    int temp = 0, hour = 0;
    if (!TAF_may_be_hour_temperature(scanp_str(p)) ||
        scanp(p, "T%!!(M)%<3!XX!d/%!!(M)%<3!XX!d%*!!(Z) ", sign_t, &temp, sign_h, &hour) != 5)
        return false;
    temp = signed_value(sign_t, temp);
    hour = signed_value(sign_h, hour);
    if (english)
        TAF_format("the temperature at %dZ is %d C, ", hour, temp);
    else
        MESS_print_checked(dec_mes, "   TEMP: %d C AT %2.2dZ\n", temp, hour);
    return true;
}

// The maximum (TX) or minimum (TN) temperature and its day and hour.
struct TemperatureKind {
    char second;  // the letter after the T
    scanp_pattern<scan_buf, int*, int*, int*> pattern;  // sign, temperature, day, hour
    const char* english;  // "maximum" or "minimum"
    const char* decoded;  // "MAX" or "MIN"
};
constexpr TemperatureKind MAX_TEMPERATURE = {'X', "TX%!!(M)%<3d/%2d%2d%*!!(Z) ", "maximum",
                                             "MAX"};
constexpr TemperatureKind MIN_TEMPERATURE = {'N', "TN%!!(M)%<3d/%2d%2d%*!!(Z) ", "minimum",
                                             "MIN"};

bool decode_extreme_temperature(parse_param* p, const TemperatureKind& kind) {
    char sign[TAF_SIGN_SIZE];
    int temp = 0, day = 0, hour = 0;
    if (scanp_char(p, 1) != kind.second || scanp(p, kind.pattern, sign, &temp, &day, &hour) != 5)
        return false;
    temp = signed_value(sign, temp);
    const int month = TAF_day_month(day);
    if (english)
        TAF_format("%s temperature of %d C on %d %s at %2.2dZ, ", kind.english, temp, day,
                   DATE_month_long(month), hour);
    else
        MESS_print_checked(dec_mes, "   %s TEMP: %d C ON %d %s AT %2.2dZ\n", kind.decoded, temp, day,
                   DATE_month(month), hour);
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

// Icing (6...) and turbulence (5...) layers: type, base and thickness.
void decode_layer_group(parse_param* p, scanp_pattern<int*, int*, int*> pattern,
                        const LayerType (&types)[10], const char* label) {
    int type = 0, base = 0, thickness = 0;
    if (scanp(p, pattern, &type, &base, &thickness) != 3 || type < 0 || type > 9) return;
    int top = base + TAF_LAYER_PER_THICKNESS * thickness;
    if (english) {
        TAF_format("%s", types[type].english);
        if (type != 0)
            TAF_format("from %d to %d ft, ", base * TAF_FEET_PER_UNIT, top * TAF_FEET_PER_UNIT);
    } else {
        MESS_print_checked(dec_mes, "%s%s", label, types[type].decoded);
        if (type != 0)
            MESS_print_checked(dec_mes, "FROM %d TO %d\n", base, top);
        else
            MESS_print_checked(dec_mes, "\n");
    }
    scanp_inc(p);
}

void decode_altimeter(parse_param* p) {
    int value = 0;
    char unit[TAF_UNIT_SIZE];
    if (scanp(p, "QNH%4d%(INS) ", &value, unit) != 2) return;
    float inches = static_cast<float>(value / TAF_ALTIMETER_SCALE + TAF_ALTIMETER_NUDGE);
    if (english)
        TAF_format("the altimeter setting is %.2f in Hg, ", inches);
    else
        MESS_print_checked(dec_mes, "   ALTIMETER SETTING: %.2f IN HG\n", inches);
    scanp_inc(p);
}

// "vicinty" is the text as users know it; keep the spelling.
void decode_vicinity(parse_param* p) {
    // The code goes into the weather buffer: a longer run is cut to fit it.
    char code[TAF_WX_LIST_SIZE];
    if (scanp(p, "VC%[/A-+] ", code) != 1) return;
    if (english) {
        char compact[WX_CODE_SIZE];
        char phrase[WX_PHRASE_SIZE];
        WX_metar_weather(code, compact);
        WX_weather_text(compact, phrase);
        if (phrase[0] != '\0')
            TAF_format("weather in the vicinty is %s, ", phrase);
        else
            TAF_format("weather is in the vicinty %s, ", code);
    } else {
        MESS_print_checked(dec_mes, "   WEATHER IN VICINITY: %s\n", code);
    }
    scanp_inc(p);
}

bool opens_period(const char* word) {
    return strcmp(word, "TEMPO") == 0 || strcmp(word, "BECMG") == 0 || strcmp(word, "INTER") == 0 ||
           strncmp(word, "PROB", 4) == 0 || strncmp(word, "FM", 2) == 0;
}

// Words that no step took, up to the word that opens the next period: listed as comments in
// decoded form, passed over in English form. With take_first the word at the position is
// taken whatever it is (a change word no kind reads).
int decode_remaining(parse_param* p, bool take_first) {
    char word[TAF_TEXT_SIZE];
    bool any = false;
    int consumed = 0;
    while ((consumed = TAF_next_word(scanp_str(p), scan_buf{word, sizeof word})) > 0 &&
           ((take_first && !any) || !opens_period(word))) {
        if (!english) {
            if (!any) MESS_print_checked(dec_mes, "   COMMENTS: ");
            MESS_print_checked(dec_mes, "%s ", word);
        }
        any = true;
        scanp_inc_off(p, consumed);
    }
    if (!english && any) MESS_print_checked(dec_mes, "\n");
    return scanp_get_off(p);
}

}  // namespace

int TAF_decode_wx(const char* line) {
    return TAF_decode_wx(line, line == nullptr ? 0 : static_cast<int>(strlen(line)));
}

int TAF_decode_wx(const char* line, int length) {
    parse_param p = {};
    scanp_set_length(&p, line, length);
    int start = TAF_output_length();
    decode_wind(&p);
    decode_visibility(&p);
    decode_weather(&p);
    decode_clouds(&p);
    decode_wind_shear(&p);
    decode_temperatures(&p);
    decode_layer_group(&p, "6%1d%3d%1d ", ICING_TYPES, "   ICING: ");
    decode_layer_group(&p, "5%1d%3d%1d ", TURBULENCE_TYPES, "   TURBULENCE: ");
    decode_altimeter(&p);
    decode_temperatures(&p);
    decode_vicinity(&p);
    decode_remaining(&p, false);
    // Only a comma of this period's own clauses closes it.
    TAF_close_clauses(start);
    return scanp_get_off(&p);
}

int TAF_decode_unread(const char* text, int length) {
    parse_param p = {};
    scanp_set_length(&p, text, length);
    return decode_remaining(&p, true);
}
