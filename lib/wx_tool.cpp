// Present-weather codes and text; see wx_tool.h.
#include "wx_tool.h"

#include <iterator>
#include <cstring>
#include <string_view>

#include "mess.h"
#include "string.h"

namespace {

constexpr int WX_EXTRA_SIZE = 60;     // the trailing words of a phrase (NSW, VC, SH)
constexpr int WX_TEXT_CODE_MAX = 14;  // characters of a code given as text that count

// What a report code does to the phrase.
enum class Act : unsigned char {
    light,      // "light", intensity "-"
    heavy,      // "heavy", intensity "+"
    trailing,   // sets the trailing words
    showers,    // "showers", or "showers in vicinity" after VC
    word,       // appends its word
    moderated,  // appends "moderate" first while no intensity was given
};

struct PhraseCode {
    std::string_view code;
    Act act;
    std::string_view word;
};

// Each code is tried once, in this order, so a group stops at the first code that stands
// earlier in the list than the one before it; the rest is read by the next call.
// "vicinty" is the text as users know it; keep the spelling.
constexpr PhraseCode PHRASE_CODES[] = {
    {"-", Act::light, "light"},
    {"+", Act::heavy, "heavy"},
    {"NSW", Act::trailing, "none significant"},
    {"VC", Act::trailing, "in vicinty"},
    {"MI", Act::word, "shallow"},
    {"BC", Act::word, "patches"},
    {"PR", Act::word, "partial"},
    {"DR", Act::word, "low drifting"},
    {"BL", Act::word, "blowing"},
    {"TSRA", Act::moderated, "thunderstorms"},
    {"TS", Act::word, "thunder"},
    {"SH", Act::showers, "showers"},
    {"FZ", Act::word, "freezing"},
    {"DZ", Act::moderated, "drizzle"},
    {"RA", Act::moderated, "rain"},
    {"SN", Act::moderated, "snow"},
    {"SG", Act::moderated, "snow grains"},
    {"GS", Act::moderated, "small hail/pellets"},
    {"PE", Act::moderated, "ice pellets"},
    {"PL", Act::moderated, "ice pellets"},
    {"GR", Act::moderated, "hail"},
    {"UP", Act::moderated, "unknown precipitation"},
    {"IC", Act::moderated, "ice crystals"},
    {"BR", Act::word, "mist"},
    {"FG", Act::word, "fog"},
    {"HZ", Act::word, "haze"},
    {"SA", Act::word, "sand"},
    {"DU", Act::word, "dust"},
    {"FU", Act::word, "smoke"},
    {"VA", Act::word, "volcanic ash"},
    {"PY", Act::word, "spray"},
    {"PO", Act::word, "dust whirls"},
    {"SQ", Act::word, "squalls"},
    {"FC", Act::word, "funnel cloud"},
    {"DS", Act::word, "duststorm"},
    {"SS", Act::word, "sandstorm"},
};
constexpr std::string_view SHOWERS_IN_VICINITY = "showers in vicinity";
constexpr std::string_view MODERATE = "moderate";

// The longest phrase: every code at once, each word with its blank, "moderate " before each
// moderated word, and the longest trailing words.
constexpr int longest_phrase() {
    int n = 0;
    int trailing = std::string_view(SHOWERS_IN_VICINITY).size();
    for (const PhraseCode& c : PHRASE_CODES) {
        int w = static_cast<int>(c.word.size());
        if (c.act == Act::trailing || c.act == Act::showers) {
            if (w > trailing) trailing = w;
            continue;
        }
        n += 1 + w;
        if (c.act == Act::moderated) n += 1 + std::string_view(MODERATE).size();
    }
    return n + 1 + trailing;
}
static_assert(longest_phrase() < WX_PHRASE_SIZE, "a phrase buffer holds the longest phrase");
static_assert(SHOWERS_IN_VICINITY.size() < WX_EXTRA_SIZE);

// The parts of a compact code that a report code sets.
enum class Part : unsigned char {
    intensity,
    vicinity,
    skip,
    descriptor,
    precipitation,
    obscuration
};

struct CompactCode {
    std::string_view code;
    Part part;
    const char* value;
};

constexpr CompactCode COMPACT_CODES[] = {
    {"-", Part::intensity, "-"},     {"+", Part::intensity, "+"},
    {"VC", Part::vicinity, ""},      {"MI", Part::skip, ""},
    {"BC", Part::skip, ""},          {"DR", Part::descriptor, "B"},
    {"BL", Part::descriptor, "B"},   {"TS", Part::descriptor, "T"},
    {"SH", Part::descriptor, "W"},   {"FZ", Part::descriptor, "Z"},
    {"DZ", Part::precipitation, "L"}, {"RA", Part::precipitation, "R"},
    {"SN", Part::precipitation, "S"}, {"SG", Part::precipitation, "SG"},
    {"GS", Part::precipitation, "IP"}, {"PE", Part::precipitation, "IP"},
    {"PL", Part::precipitation, "IP"}, {"IC", Part::precipitation, "IC"},
    {"FG", Part::obscuration, "F"},  {"BR", Part::obscuration, "H"},
    {"HZ", Part::obscuration, "H"},  {"SA", Part::obscuration, "D"},
    {"DU", Part::obscuration, "D"},  {"FU", Part::obscuration, "K"},
};

// The codes of which a weather group is made, its signs aside. NSW is the only code of three
// letters; no code of two begins with its first two, so trying it first where it stands
// splits every group in one way only.
constexpr std::string_view THREE_LETTER_CODE = "NSW";
constexpr std::string_view TWO_LETTER_CODES[] = {
    "VC", "MI", "BC", "PR", "DR", "BL", "SH", "TS", "FZ", "DZ", "RA", "SN", "SG", "GS", "PE", "PL",
    "GR", "IC", "UP", "BR", "FG", "HZ", "SA", "DU", "FU", "VA", "PY", "PO", "SQ", "FC", "DS", "SS",
};
constexpr int LETTERS = 26;

// For each first letter, one bit per second letter that makes a code with it.
struct CodePairs {
    unsigned second[LETTERS];
};

constexpr CodePairs code_pairs() {
    CodePairs pairs{};
    for (std::string_view c : TWO_LETTER_CODES) pairs.second[c[0] - 'A'] |= 1u << (c[1] - 'A');
    return pairs;
}
constexpr CodePairs CODE_PAIRS = code_pairs();
static_assert((CODE_PAIRS.second[THREE_LETTER_CODE[0] - 'A'] &
               (1u << (THREE_LETTER_CODE[1] - 'A'))) == 0,
              "no two-letter code is the start of the three-letter one");

bool is_code_pair(char first, char second) {
    return is_upper(first) && is_upper(second) &&
           (CODE_PAIRS.second[first - 'A'] & (1u << (second - 'A'))) != 0;
}

// The next character of a group that is not a sign, moving p past it; '\0' at the end.
char next_letter(const char*& p) {
    while (*p == '+' || *p == '-') ++p;
    return *p == '\0' ? '\0' : *p++;
}

// Compact code of WMO present-weather numbers low..high.
struct WmoRange {
    int low, high;
    const char* code;
};

constexpr WmoRange WMO_CODES[] = {
    {0, 3, " "},       {4, 4, "K"},       {5, 5, "H"},     {6, 9, "D"},     {10, 12, "F"},
    {13, 16, " "},     {17, 17, "T"},     {18, 27, " "},   {28, 28, "F"},   {29, 29, "T"},
    {30, 35, "D"},     {36, 39, "BS"},    {40, 49, "F"},   {50, 51, "L-"},  {52, 53, "L"},
    {54, 55, "L+"},    {56, 56, "ZL-"},   {57, 57, "ZL"},  {58, 58, "L-R"}, {59, 59, "LR"},
    {60, 61, "R-"},    {62, 63, "R"},     {64, 65, "R+"},  {66, 66, "ZR-"}, {67, 67, "ZR"},
    {68, 68, "R-L"},   {69, 69, "RL"},    {70, 71, "S-"},  {72, 73, "S"},   {74, 75, "S+"},
    {76, 76, "IC"},    {77, 77, "SG"},    {78, 78, "IC"},  {79, 79, "IP"},  {80, 80, "RW-"},
    {81, 81, "RW"},    {82, 82, "RW+"},   {83, 83, "RW-SW-"}, {84, 84, "RWSW"},
    {85, 85, "SW-"},   {86, 86, "SW"},    {87, 88, "IPW"}, {89, 90, "A"},   {91, 91, "R-"},
    {92, 92, "R"},     {93, 93, "S-"},    {94, 94, "S"},   {95, 95, "TRW-"}, {96, 96, "TRW"},
    {97, 97, "TRW+"},  {98, 98, "TRWD"},  {99, 99, "TRW+A"},
};

constexpr bool wmo_ranges_cover_0_to_99() {
    int next = 0;
    for (const WmoRange& r : WMO_CODES) {
        if (r.low != next || r.high < r.low) return false;
        next = r.high + 1;
    }
    return next == 100;
}
static_assert(wmo_ranges_cover_0_to_99(), "WMO ranges run from 0 to 99 without gap or overlap");
constexpr const char* WMO_NO_WEATHER = " ";  // below 0 and above 99 as below 4

// The phrase of a compact code by its first characters.
struct CodePhrase {
    std::string_view prefix;
    const char* phrase;
    int count;
};

// The first row whose prefix begins the code applies: longer prefixes stand before the
// shorter ones they extend (TRW+ before TRW before TR+ ... before T).
constexpr CodePhrase CODE_PHRASES[] = {
    {"A", "hail", 1},
    {"K", "smoke", 1},
    {"H", "haze", 1},
    {"F", "fog", 1},
    {"GF", "ground fog", 1},
    {"TRW+", "heavy thunderstorm", 4},
    {"TRW-", "light thunderstorm", 4},
    {"TRW", "moderate thunderstorm", 3},
    {"TR+", "heavy thunderstorm", 3},
    {"TR-", "light thunderstorm", 3},
    {"TR", "moderate thunderstorm", 2},
    {"T+", "heavy thunder", 2},
    {"T-", "light thunder", 2},
    {"T", "thunder", 1},
    {"RW+", "heavy rain showers", 3},
    {"RW-", "light rain showers", 3},
    {"RW", "moderate rain showers", 2},
    {"R+", "heavy rain", 2},
    {"R-", "light rain", 2},
    {"R", "moderate rain", 1},
    {"SW+", "heavy snow showers", 3},
    {"SW-", "light snow showers", 3},
    {"SW", "moderate snow showers", 2},
    {"S+", "heavy snow", 2},
    {"S-", "light snow", 2},
    {"SG", "snow grains", 2},
    {"SP", "snow pellets", 2},
    {"S", "moderate snow", 1},
    {"L+", "heavy drizzle", 2},
    {"L-", "light drizzle", 2},
    {"L", "moderate drizzle", 1},
    {"ZR+", "heavy freezing rain", 3},
    {"ZR-", "light freezing rain", 3},
    {"ZR", "moderate freezing rain", 2},
    {"ZL+", "heavy freezing drizzle", 3},
    {"ZL-", "light freezing drizzle", 3},
    {"ZL", "moderate freezing drizzle", 2},
    {"BD", "blowing dust", 2},
    {"BS", "blowing snow", 2},
    {"IP", "ice pellets", 2},
    {"IC", "ice crystals", 2},
    {"IF", "ice fog", 2},
    {"D", "dust", 1},
};

// For each place of PHRASE_CODES and each character, the first place from there whose code
// begins with that character (the table's size when none does): the walk through the table
// goes straight to the codes that can be at the text, in the table's order.
constexpr size_t PHRASE_COUNT = std::size(PHRASE_CODES);
constexpr int CHARACTERS = 128;
struct PhraseJumps {
    unsigned char next[PHRASE_COUNT + 1][CHARACTERS] = {};
};
constexpr PhraseJumps make_phrase_jumps() {
    PhraseJumps j;
    for (int ch = 0; ch < CHARACTERS; ++ch) j.next[PHRASE_COUNT][ch] = PHRASE_COUNT;
    for (size_t i = PHRASE_COUNT; i-- > 0;)
        for (int ch = 0; ch < CHARACTERS; ++ch)
            j.next[i][ch] = static_cast<unsigned char>(PHRASE_CODES[i].code[0] == ch ? i : j.next[i + 1][ch]);
    return j;
}
constexpr PhraseJumps PHRASE_JUMPS = make_phrase_jumps();
static_assert(PHRASE_COUNT < 255, "a place of the phrase table fits a byte");

// The first place from i whose code begins with the character c.
size_t next_phrase(size_t i, char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < CHARACTERS ? PHRASE_JUMPS.next[i][u] : PHRASE_COUNT;
}

// A phrase as it grows, never beyond WX_PHRASE_SIZE - 1 characters (the rest is cut), its
// length kept so that an append does not read the phrase again.
struct Phrase {
    char* text;
    size_t length = 0;

    void append(std::string_view word) {
        constexpr size_t MAX = WX_PHRASE_SIZE - 1;
        if (length >= MAX) return;
        const size_t n = word.size() < MAX - length ? word.size() : MAX - length;
        memcpy(text + length, word.data(), n);
        length += n;
        text[length] = '\0';
    }
    // The word, with a blank before it when the phrase is not empty.
    void append_word(std::string_view word) {
        if (length != 0) append(" ");
        append(word);
    }
};

}  // namespace

const char* WX_metar_weather_text(const char* wx, char* wx_str) {
    const char* p = wx;
    if (*p == '!') ++p;
    if (*p == '_') ++p;
    wx_str[0] = '\0';
    Phrase phrase{wx_str};
    char extra[WX_EXTRA_SIZE] = "";
    char intensity = ' ';
    bool found = false;
    for (size_t i = next_phrase(0, *p); i < PHRASE_COUNT; i = next_phrase(i + 1, *p)) {
        const PhraseCode& c = PHRASE_CODES[i];
        if (!begins_with(p, c.code)) continue;
        found = true;
        p += c.code.size();
        switch (c.act) {
            case Act::light:
            case Act::heavy:
                phrase.append(c.word);
                intensity = c.act == Act::light ? '-' : '+';
                break;
            case Act::trailing:
                copy_cut(extra, c.word);
                break;
            case Act::showers:
                copy_cut(extra, extra[0] != '\0' ? SHOWERS_IN_VICINITY : c.word);
                break;
            case Act::moderated:
                if (intensity == ' ') phrase.append_word(MODERATE);
                phrase.append_word(c.word);
                break;
            case Act::word:
                phrase.append_word(c.word);
                break;
        }
    }
    if (extra[0] != '\0') phrase.append_word(extra);
    MESS_print(MESS_DEBUG, "WX: %s = %s\n", wx, wx_str);
    return found ? p : nullptr;
}

int WX_metar_weather(const char* wx, char* wx_str) {
    const char* p = wx;
    if (*p == '!') ++p;
    const char* intensity = "";
    const char* descriptor = "";
    const char* precipitation = "";
    const char* obscuration = "";
    wx_str[0] = '\0';
    for (;;) {
        const CompactCode* hit = nullptr;
        for (const CompactCode& c : COMPACT_CODES) {
            if (begins_with(p, c.code)) {
                hit = &c;
                break;
            }
        }
        if (hit == nullptr) break;
        if (hit->part == Part::vicinity) return 0;  // weather nearby has no compact code
        if (hit->part == Part::precipitation && precipitation[0] != '\0') break;
        p += hit->code.size();
        switch (hit->part) {
            case Part::intensity: intensity = hit->value; break;
            case Part::descriptor: descriptor = hit->value; break;
            case Part::precipitation: precipitation = hit->value; break;
            case Part::obscuration: obscuration = hit->value; break;
            default: break;
        }
    }
    if (precipitation[0] == '\0' && obscuration[0] != '\0') {
        strmcat(wx_str, obscuration, WX_CODE_SIZE - 1);
    } else if (precipitation[0] == '\0' && strcmp(descriptor, "T") == 0) {
        strmcat(wx_str, "T", WX_CODE_SIZE - 1);
    } else if (strcmp(descriptor, "W") == 0) {
        strmcat(wx_str, precipitation, WX_CODE_SIZE - 1);
        strmcat(wx_str, "W", WX_CODE_SIZE - 1);
        strmcat(wx_str, intensity, WX_CODE_SIZE - 1);
    } else {
        strmcat(wx_str, descriptor, WX_CODE_SIZE - 1);
        strmcat(wx_str, precipitation, WX_CODE_SIZE - 1);
        strmcat(wx_str, intensity, WX_CODE_SIZE - 1);
    }
    return 0;
}

int WX_weather_group(const char* group) {
    const char* p = group;
    char first = next_letter(p);
    if (first == '\0') return 0;
    while (first != '\0') {
        char second = next_letter(p);
        const char* after = p;
        if (first == THREE_LETTER_CODE[0] && second == THREE_LETTER_CODE[1] &&
            next_letter(after) == THREE_LETTER_CODE[2])
            p = after;
        else if (!is_code_pair(first, second))
            return 0;
        first = next_letter(p);
    }
    return 1;
}

int WX_wmo_weather(int wx, char* wx_str) {
    const char* code = WMO_NO_WEATHER;
    for (const WmoRange& r : WMO_CODES) {
        if (wx >= r.low && wx <= r.high) {
            code = r.code;
            break;
        }
    }
    copy_cut(wx_str, WX_CODE_SIZE, code);
    return 0;
}

int WX_weather_text(const char* str, char* out_str) {
    char code[WX_CODE_SIZE];
    static_assert(WX_TEXT_CODE_MAX < WX_CODE_SIZE);
    if (is_digit(*str)) {
        int number = 0;
        for (const char* p = str; is_digit(*p) && number < 1000; ++p)
            number = number * 10 + (*p - '0');
        WX_wmo_weather(number, code);
    } else if (*str == '!') {
        WX_metar_weather(str, code);
    } else {
        copy_cut(code, WX_TEXT_CODE_MAX + 1, str);
    }
    out_str[0] = '\0';
    for (const CodePhrase& row : CODE_PHRASES) {
        if (begins_with(code, row.prefix)) {
            copy_cut(out_str, WX_PHRASE_SIZE, row.phrase);
            return row.count;
        }
    }
    return 0;
}

const char* print_cloud(const char* str) {
    switch (str[0]) {
        case 'C': return "clear";
        case 'F': return "few";
        case 'S': return "scattered";
        case 'B': return "broken";
        case 'O': return "overcast";
        case 'X': return "obscured";
        default: return "";
    }
}
