// Station store and search; see cty_tool.h.
#include "cty_tool.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <sys/stat.h>

#include "calc.h"
#include "mess.h"
#include "resrc.h"
#include "string.h"
#include "table.h"
#include "tools.h"

namespace {

constexpr int DEFAULT_PRIOR = 10;   // every station, when stat_prior is not set
constexpr int ASK_PRIOR = -9999;    // CTY_store's request to read stat_prior
constexpr int MIN_FIELDS = 9;       // fields up to the WMO number make a station
constexpr int MAX_LINES = 100000;   // lines read before a file loop gives up
constexpr int WMO_KEY_SIZE = 16;    // "b%05d" of any int
constexpr int LOC_KEY_SIZE = 100;   // "%5.0f%6.0f" of any pair of floats
constexpr int WMO_TEXT_SIZE = 12;   // "%5.5d" of any int
constexpr int STATE_TEXT_SIZE = 8;  // "%2s_%2s" of state and region
constexpr int WMO_DIGITS = 5;
constexpr int KEY_ID = 1;
constexpr int KEY_WMO = 2;
constexpr float LOC_SCALE = 10.0f;           // the location key is in tenths of a degree
constexpr std::string_view B_REGION = "B_";  // stations whose WMO key carries a 'b'

constexpr int ANSWERS_KEPT = 16;   // CTY_get answers remembered
constexpr int ANSWER_ID_MAX = 31;  // characters of an identifier whose answer is remembered

enum StoreType { STORE_NONE = 0, STORE_FULL = 1, STORE_XY = 2, STORE_XY_LOC = 3 };

// One answer of CTY_get: the identifier asked for, the database file as it was then (device,
// inode, size and modification time), and what the reading left in the record.
struct Answer {
    bool used;
    char id[ANSWER_ID_MAX + 1];
    dev_t dev;
    ino_t ino;
    off_t size;
    timespec mtime;
    int found;
    CTY_data data;
};

int store = STORE_NONE;   // record shape the table holds (the last CTY_store's type)
int cty_fd = -1;          // descriptor of the database CTY_store left open
TAB_table city_tbl = {};  // the station table; empty until CTY_store
// CTY_get's recent answers: a converter with a station list asks for the same few stations
// report after report, and reading the whole file for each costs far more than the report.
Answer answers[ANSWERS_KEPT] = {};
int next_answer = 0;  // the slot the next new answer takes (the oldest)

// The WMO key of a station: "%05d", or "b%05d" for region "B_"; null for a station without
// a number, which is found by its identifier only.
const char* wmo_key(const CTY_data* city, char* key) {
    if (city->wmo == WMO_MISSING) return nullptr;
    snprintf(key, WMO_KEY_SIZE, B_REGION == city->region ? "b%05d" : "%05d", city->wmo);
    return key;
}

bool is_all_digits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}
bool is_upper(char c) {
    return c >= 'A' && c <= 'Z';
}

// Enters one station that passed the filters; false when the table refused it.
bool enter_station(int type, const CTY_data* city, float x, float y) {
    char wmo[WMO_KEY_SIZE];
    const char* wkey = wmo_key(city, wmo);
    if (type == STORE_FULL) return TAB_enter(&city_tbl, city, city->id, wkey) == 0;
    CTY_locate loc = {};
    snprintf(loc.id, sizeof loc.id, "%s", city->id);
    loc.wmo = city->wmo;
    loc.x = x;
    loc.y = y;
    loc.el = city->el;
    loc.pr = city->prior;
    if (type == STORE_XY) return TAB_enter(&city_tbl, &loc, loc.id, wkey) == 0;
    char where[LOC_KEY_SIZE];
    snprintf(where, sizeof where, "%5.0f%6.0f", LOC_SCALE * city->lat, LOC_SCALE * city->lon);
    return TAB_enter(&city_tbl, &loc, loc.id, wkey, where) == 0;
}

// The selection list of the identifier resource; "all" alone is no selection.
void selection_list(int* numid, char*** ids) {
    RES_getvals("identifier", numid, ids);
    if (*numid == 1 && stricmp((*ids)[0], "all") == 0) {
        free_parsed_array(*numid, *ids);
        *numid = 0;
        *ids = nullptr;
    }
}

// ---- Selection tests ----

// What a test compares, and how: equal, at most, at least.
enum class Kind { Name, State, Region, Id, Wmo, Range, Int, Float };
enum class Field { None, Prior, Lat, Lon, Elev, Wmo };
enum class Cmp { Is, Max, Min };

struct TestWord {
    std::string_view word;
    bool whole;  // the test is the word alone and takes the next test as its value
    Kind kind;
    Field field = Field::None;
    Cmp how = Cmp::Is;
};

// Recognised by their beginning, ignoring case; "ST=" must come before "ST" alone.
constexpr TestWord TEST_WORDS[] = {
    {"Name=", false, Kind::Name},
    {"ST=", false, Kind::State},
    {"ST", true, Kind::State},
    {"CN=", false, Kind::Region},
    {"CN", true, Kind::Region},
    {"ID=", false, Kind::Id},
    {"RA<", false, Kind::Range},
    {"P=", false, Kind::Int, Field::Prior, Cmp::Is},
    {"P<", false, Kind::Int, Field::Prior, Cmp::Max},
    {"P>", false, Kind::Int, Field::Prior, Cmp::Min},
    {"Lat=", false, Kind::Float, Field::Lat, Cmp::Is},
    {"Lat<", false, Kind::Float, Field::Lat, Cmp::Max},
    {"Lat>", false, Kind::Float, Field::Lat, Cmp::Min},
    {"Lon=", false, Kind::Float, Field::Lon, Cmp::Is},
    {"Lon<", false, Kind::Float, Field::Lon, Cmp::Max},
    {"Lon>", false, Kind::Float, Field::Lon, Cmp::Min},
    {"Elev=", false, Kind::Float, Field::Elev, Cmp::Is},
    {"Elev<", false, Kind::Float, Field::Elev, Cmp::Max},
    {"Elev>", false, Kind::Float, Field::Elev, Cmp::Min},
    {"WMO=", false, Kind::Wmo},
    {"WMO<", false, Kind::Int, Field::Wmo, Cmp::Max},
    {"WMO>", false, Kind::Int, Field::Wmo, Cmp::Min},
};

bool same_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool begins_nocase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && same_nocase(text.substr(0, start.size()), start);
}

const TestWord* find_test(std::string_view t) {
    for (const TestWord& w : TEST_WORDS)
        if (w.whole ? same_nocase(t, w.word) : begins_nocase(t, w.word)) return &w;
    return nullptr;
}

bool read_float(const char* s, float* v) {
    char* end = nullptr;
    *v = strtof(s, &end);
    return end != s;
}

bool read_int(const char* s, int* v) {
    char* end = nullptr;
    long n = strtol(s, &end, 10);
    if (end == s || n < INT_MIN || n > INT_MAX) return false;
    *v = static_cast<int>(n);
    return true;
}

template <typename T>
bool compare(T field, T value, Cmp how) {
    return how == Cmp::Is ? field == value : (how == Cmp::Max ? field <= value : field >= value);
}

float float_field(const CTY_data* city, Field f) {
    return f == Field::Lat ? city->lat : (f == Field::Lon ? city->lon : city->el);
}

int int_field(const CTY_data* city, Field f) {
    return f == Field::Prior ? city->prior : city->wmo;
}

// The WMO number as a selection compares it ("%5.5d") in text (WMO_TEXT_SIZE bytes).
const char* wmo_text(const CTY_data* city, char* text) {
    snprintf(text, WMO_TEXT_SIZE, "%5.5d", city->wmo);
    return text;
}

bool state_test(std::string_view value, const CTY_data* city) {
    char both[STATE_TEXT_SIZE];
    snprintf(both, sizeof both, "%2s_%2s", city->state, city->region);
    if (value.size() == 2) return same_nocase(value, city->state);
    return value.size() == 5 && same_nocase(value, both);
}

// "RA<" lat, then lon and range (km) as the next two tests: the station lies within range.
bool range_test(const char* lat_text, int argc, char** argv, int& i, const CTY_data* city) {
    float lat, lon, range;
    bool holds = i + 2 < argc && read_float(lat_text, &lat) && read_float(argv[i + 1], &lon) &&
                 read_float(argv[i + 2], &range) &&
                 calc_earth_dist(lat, lon, city->lat, city->lon) <= range;
    i += 2;
    return holds;
}

// Whether test i of an item holds; i moves past the further tests it takes as values.
bool test_holds(const TestWord& w, int argc, char** argv, int& i, const CTY_data* city) {
    const char* v = argv[i] + w.word.size();
    if (w.whole) {
        if (++i >= argc) return false;
        v = argv[i];
    }
    switch (w.kind) {
        case Kind::Name:
            return begins_nocase(city->name, v);
        case Kind::State:
            return state_test(v, city);
        case Kind::Region:
            return same_nocase(v, city->region);
        case Kind::Id:
            return same_nocase(v, city->id);
        case Kind::Wmo: {
            char wmo[WMO_TEXT_SIZE];
            return same_nocase(v, wmo_text(city, wmo));
        }
        case Kind::Range:
            return range_test(v, argc, argv, i, city);
        case Kind::Int: {
            int n;
            return read_int(v, &n) && compare(int_field(city, w.field), n, w.how);
        }
        case Kind::Float: {
            float x;
            return read_float(v, &x) && compare(float_field(city, w.field), x, w.how);
        }
    }
    return false;
}

// Whether the tests of one item all hold. An empty item holds; an unknown test does not.
bool tests_hold(int argc, char** argv, const CTY_data* city) {
    for (int i = 0; i < argc; ++i) {
        const TestWord* w = find_test(argv[i]);
        if (w == nullptr || !test_holds(*w, argc, argv, i, city)) return false;
    }
    return true;
}

// The whole item as a WMO number, an identifier or the beginning of a name.
bool whole_item_matches(std::string_view item, const CTY_data* city) {
    char wmo[WMO_TEXT_SIZE];
    return (item.size() == WMO_DIGITS && same_nocase(item, wmo_text(city, wmo))) ||
           same_nocase(item, city->id) || (item.size() > 4 && begins_nocase(city->name, item));
}

bool item_matches(const char* item, const CTY_data* city) {
    int argc = 0;
    char** argv = nullptr;
    parse_string(item, ':', &argc, &argv);
    bool holds = tests_hold(argc, argv, city);
    free_parsed_array(argc, argv);
    return holds || whole_item_matches(item, city);
}

// Whether a record read by CTY_get is the station asked for: its identifier, its name or
// its WMO number (a station without a number is not found by the missing number).
bool get_matches(const char* id, const CTY_data* city) {
    if (stricmp(id, city->id) == 0 || stricmp(id, city->name) == 0) return true;
    if (city->wmo == WMO_MISSING) return false;
    char wmo[WMO_TEXT_SIZE];
    snprintf(wmo, sizeof wmo, "%05d", city->wmo);
    return stricmp(id, wmo) == 0;
}

bool same_file(const Answer& a, const struct stat& file) {
    return a.dev == file.st_dev && a.ino == file.st_ino && a.size == file.st_size &&
           a.mtime.tv_sec == file.st_mtim.tv_sec && a.mtime.tv_nsec == file.st_mtim.tv_nsec;
}

// The remembered answer for id from the database file as it is now, or null.
const Answer* recall(const char* id, const struct stat& file) {
    for (const Answer& a : answers)
        if (a.used && strcmp(a.id, id) == 0 && same_file(a, file)) return &a;
    return nullptr;
}

// Keeps an answer in place of the oldest; an identifier too long to keep is not kept.
void remember(const char* id, const struct stat& file, int found, const CTY_data& data) {
    if (strlen(id) > ANSWER_ID_MAX) return;
    Answer& a = answers[next_answer];
    next_answer = (next_answer + 1) % ANSWERS_KEPT;
    a.used = true;
    snprintf(a.id, sizeof a.id, "%s", id);
    a.dev = file.st_dev;
    a.ino = file.st_ino;
    a.size = file.st_size;
    a.mtime = file.st_mtim;
    a.found = found;
    a.data = data;
}

}  // namespace

int CTY_store(const char* city_file, int type, const Domain* domain, int prior) {
    TAB_free(&city_tbl);
    store = type;
    cty_fd = -1;
    if (type < STORE_FULL || type > STORE_XY_LOC) return 0;
    int num_stats = 0;
    cty_fd = CTY_open_file(city_file, &num_stats);
    if (cty_fd < 0) return 0;
    MAP_domain(domain);
    MESS_print(MESS_MESS, "Reading the city database file...\n");
    int numid = 0;
    char** ids = nullptr;
    selection_list(&numid, &ids);
    if (prior == ASK_PRIOR) prior = CTY_get_prior();
    CTY_rewind(cty_fd);
    int size = type == STORE_FULL ? static_cast<int>(sizeof(CTY_data))
                                  : static_cast<int>(sizeof(CTY_locate));
    if (TAB_create(&city_tbl, num_stats, size, type == STORE_XY_LOC ? 3 : 2) != 0) {
        free_parsed_array(numid, ids);
        return cty_fd;
    }
    CTY_data city;
    int lines = 0, n;
    while ((n = CTY_read(cty_fd, &city)) > 0) {
        if (++lines > MAX_LINES) {
            MESS_print(MESS_WARN, "Caught in city database loop\n");
            break;
        }
        if (n < MIN_FIELDS || city.prior > prior) continue;
        if (CTY_data_cmp(numid, ids, &city) == -1) continue;
        float x, y;
        MAP_tran(&x, &y, city.lat, city.lon);
        if (!MAP_in_grid_domain(x, y)) continue;
        enter_station(type, &city, x, y);
    }
    free_parsed_array(numid, ids);
    return cty_fd;
}

int CTY_search(const char* id, void* data) {
    if (id == nullptr) return 0;
    std::string_view s(id);
    const char* found = nullptr;
    if ((s.size() == WMO_DIGITS && is_all_digits(s)) ||
        (s.size() == WMO_DIGITS + 1 && s[0] == 'b')) {
        found = TAB_search(&city_tbl, KEY_WMO, id);
    } else if (s.size() == WMO_DIGITS && is_upper(s[0]) && is_all_digits(s.substr(2))) {
        int wmo = WMO_MISSING;
        id_to_wmo(id, &wmo);
        char key[WMO_TEXT_SIZE];
        snprintf(key, sizeof key, "%5.5d", wmo);
        found = TAB_search(&city_tbl, KEY_WMO, key);
    } else {
        found = TAB_search(&city_tbl, KEY_ID, id);
    }
    if (found == nullptr) return 0;
    if (data != nullptr)
        memcpy(data, found, store == STORE_FULL ? sizeof(CTY_data) : sizeof(CTY_locate));
    return 1;
}

int CTY_get(const char* city_file, const char* id, CTY_data* data) {
    if (id == nullptr || data == nullptr) return 0;
    int n = 0;
    int fd = CTY_open_file(city_file, &n);
    if (fd < 0) return 0;
    MESS_print(MESS_MESS, "Searching the city database file for: %s ...\n", id);
    struct stat file = {};
    const bool known_file = fstat(fd, &file) == 0;
    if (const Answer* a = known_file ? recall(id, file) : nullptr; a != nullptr) {
        *data = a->data;
        CTY_close(fd);
        return a->found;
    }
    CTY_rewind(fd);
    int found = 0, lines = 0, fields;
    bool caught = false;
    while ((fields = CTY_read(fd, data)) > 0) {
        if (++lines > MAX_LINES) {
            MESS_print(MESS_WARN, "Caught in city database loop\n");
            caught = true;
            break;
        }
        if (fields >= MIN_FIELDS && get_matches(id, data)) {
            found = 1;
            break;
        }
    }
    CTY_close(fd);
    if (known_file && !caught) remember(id, file, found, *data);
    return found;
}

int CTY_get_loc(const char* city_file, const char* id, float* lat, float* lon) {
    CTY_data city;
    if (CTY_get(city_file, id, &city) == 0) return 0;
    if (lat != nullptr) *lat = city.lat;
    if (lon != nullptr) *lon = city.lon;
    return 1;
}

int CTY_get_prior() {
    int prior = DEFAULT_PRIOR;
    RES_getval("stat_prior", &prior, CV_int);
    return prior;
}

int CTY_data_cmp(int numid, char** ids, const CTY_data* data) {
    if (numid <= 0 || ids == nullptr) return 1;
    if (data == nullptr) return -1;
    for (int i = 0; i < numid; ++i)
        if (ids[i] != nullptr && item_matches(ids[i], data)) return i;
    return -1;
}

int CTY_reset() {
    TAB_free(&city_tbl);
    for (Answer& a : answers) a.used = false;
    next_answer = 0;
    CTY_close(cty_fd);
    store = STORE_NONE;
    cty_fd = -1;
    return 0;
}
