// Station store and search; see cty_tool.h.
#include "cty_tool.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "calc.h"
#include "mess.h"
#include "resrc.h"
#include "string.h"
#include "table.h"
#include "tools.h"

namespace {

constexpr int DEFAULT_PRIOR = 10;   // every station, when stat_prior is not set
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

enum StoreType {
    STORE_NONE = 0,
    STORE_FULL = CTY_STORE_DATA,
    STORE_XY = CTY_STORE_LOCATE,
    STORE_XY_LOC = CTY_STORE_LOCATE_KEY
};

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
TAB_table city_tbl = {};  // the station table of store types 2 and 3; empty until CTY_store

// Store type 1 keeps the database text and an index of its stations instead of a table of
// records: a converter loads every station and looks up only those of its reports. Loading
// reads a line as far as its priority; the rest of a station's fields are decoded when it is
// first looked up, from the same line by the same decoding as a record read, so the answers
// are the same. The identifier index holds every station of the priority asked for, in file
// order; a look-up takes the first whose line turns out a whole record. The WMO index is made
// at the first look-up by WMO key, which decodes every station.
struct IndexedStation {
    uint32_t start;   // its line in city_text
    uint32_t record;  // its fields in city_records, counted from 1; 0 until decoded
    uint8_t length;   // characters of the line (at most CTY_LINE_MAX)
    uint8_t id_at;    // its identifier in the line (a plain line's), and its length
    uint8_t id_length;
    uint8_t flags;
};
static_assert(CTY_LINE_MAX <= UINT8_MAX, "a line's length and places fit a byte");
constexpr uint8_t WHOLE = 1;         // decoded, and the record has the fields of a station
constexpr uint8_t DECODED = 2;       // its fields are in city_records
constexpr uint8_t ID_IN_RECORD = 4;  // decoded at loading: the identifier is the record's
constexpr size_t TYPICAL_LINE = 56;  // bytes of a database line, to size the index at first
constexpr uint32_t EMPTY_SLOT = 0;   // index slots hold a station's number, counted from 1
constexpr uint64_t B_KEY = uint64_t{1} << 32;  // the "b" of a "b%05d" WMO key

std::vector<char> city_text;          // the database file as it was loaded
std::vector<IndexedStation> indexed;  // its stations in file order
std::vector<CTY_data> city_records;   // the stations decoded so far
// Open addressing, each a power of two in size and at most half full; stations sharing a
// key lie along its probe sequence in file order.
std::vector<uint32_t> id_slots;
std::vector<uint32_t> wmo_slots;  // empty until the first look-up by WMO key
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

// ---- Station index of store type 1 ----

// A WMO key as a number: "%05d" of the station number, with B_KEY for "b%05d". Two keys are
// equal exactly when their texts are ("%05d" gives every int a text of its own).
uint64_t wmo_number_key(int wmo, bool b) {
    return (b ? B_KEY : 0) | static_cast<uint32_t>(wmo);
}

uint64_t mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

uint64_t id_hash(std::string_view id) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (char c : id) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

void clear_index() {
    city_text = {};
    indexed = {};
    city_records = {};
    id_slots = {};
    wmo_slots = {};
}

size_t slot_count(size_t stations) {
    size_t n = 16;
    while (n < 2 * stations) n *= 2;
    return n;
}

std::string_view id_of(const IndexedStation& st) {
    if (st.flags & ID_IN_RECORD) return city_records[st.record - 1].id;
    return std::string_view(city_text.data() + st.start + st.id_at, st.id_length);
}

// The station's fields, decoded on first use.
const CTY_data& record_of(IndexedStation& st) {
    if (!(st.flags & DECODED)) {
        CTY_data city;
        int fields = CTY_decode(city_text.data() + st.start, st.length, &city);
        city_records.push_back(city);
        st.record = static_cast<uint32_t>(city_records.size());
        st.flags |= DECODED | (fields >= MIN_FIELDS ? WHOLE : 0);
    }
    return city_records[st.record - 1];
}

bool is_whole(IndexedStation& st) {
    record_of(st);
    return (st.flags & WHOLE) != 0;
}

bool has_wmo_key(IndexedStation& st) {
    return is_whole(st) && record_of(st).wmo != WMO_MISSING;
}

uint64_t wmo_key_of(IndexedStation& st) {
    const CTY_data& city = record_of(st);
    return wmo_number_key(city.wmo, B_REGION == city.region);
}

// Puts station number at the end of the probe sequence of hash.
void enter_slot(std::vector<uint32_t>& slots, uint64_t hash, uint32_t number) {
    const size_t mask = slots.size() - 1;
    size_t i = hash & mask;
    while (slots[i] != EMPTY_SLOT) i = (i + 1) & mask;
    slots[i] = number;
}

// The first station along the probe sequence of hash that is the one sought, or 0.
template <typename Sought>
uint32_t first_slot(const std::vector<uint32_t>& slots, uint64_t hash, Sought sought) {
    if (slots.empty()) return 0;
    const size_t mask = slots.size() - 1;
    for (size_t i = hash & mask; slots[i] != EMPTY_SLOT; i = (i + 1) & mask)
        if (sought(indexed[slots[i] - 1])) return slots[i];
    return 0;
}

void rebuild_id_slots() {
    id_slots.assign(slot_count(indexed.size()), EMPTY_SLOT);
    for (uint32_t number = 1; number <= indexed.size(); ++number)
        enter_slot(id_slots, id_hash(id_of(indexed[number - 1])), number);
}

void add_station(const IndexedStation& st) {
    indexed.push_back(st);
    const auto number = static_cast<uint32_t>(indexed.size());
    if (2 * indexed.size() > id_slots.size())
        rebuild_id_slots();  // every station again in file order
    else
        enter_slot(id_slots, id_hash(id_of(st)), number);
}

// A station of a plain line: its identifier is a view into the line.
void index_line(size_t start, size_t length, const CTY_keys& keys) {
    IndexedStation st = {};
    st.start = static_cast<uint32_t>(start);
    st.length = static_cast<uint8_t>(length);
    st.id_at = static_cast<uint8_t>(keys.id.data() - (city_text.data() + start));
    st.id_length = static_cast<uint8_t>(keys.id.size());
    add_station(st);
}

// A station decoded at loading, which passed every test there.
void index_record(size_t start, size_t length, const CTY_data& city) {
    city_records.push_back(city);
    IndexedStation st = {};
    st.start = static_cast<uint32_t>(start);
    st.length = static_cast<uint8_t>(length);
    st.record = static_cast<uint32_t>(city_records.size());
    st.flags = WHOLE | DECODED | ID_IN_RECORD;
    add_station(st);
}

// Loads store type 1 from the open database: every station of priority at most prior that
// passes the selection list and lies in the domain. Lines of the plain form are only
// indexed when nothing but the priority has to be tested; all others are decoded at once.
void load_index(int prior, int numid, char** ids, bool all_places) {
    if (CTY_read_text(&city_text) < 0) return;
    // Every line then ends in a newline, where the reading of a plain line stops.
    if (city_text.empty() || city_text.back() != '\n') city_text.push_back('\n');
    const size_t size = city_text.size();
    const char* text = city_text.data();
    const bool filtered = numid > 0 || !all_places;
    const size_t estimate = size / TYPICAL_LINE + 1;
    indexed.reserve(estimate);
    id_slots.assign(slot_count(estimate), EMPTY_SLOT);
    int lines = 0;
    for (size_t at = 0; at < size;) {
        const auto* nl = static_cast<const char*>(memchr(text + at, '\n', size - at));
        const size_t end = static_cast<size_t>(nl - text);
        const size_t length = end - at < CTY_LINE_MAX ? end - at : CTY_LINE_MAX;
        const size_t start = at;
        at = end + 1;
        CTY_keys keys;
        if (!filtered && CTY_line_keys(text + start, end - start, &keys) == 1) {
            if (++lines > MAX_LINES) break;
            if (keys.prior <= prior) index_line(start, length, keys);
            continue;
        }
        CTY_data city;
        int n = CTY_decode(text + start, length, &city);
        if (n <= 0) continue;  // a blank line
        if (++lines > MAX_LINES) break;
        if (n < MIN_FIELDS || city.prior > prior) continue;
        if (CTY_data_cmp(numid, ids, &city) == -1) continue;
        float x, y;
        MAP_tran(&x, &y, city.lat, city.lon);
        if (!MAP_in_grid_domain(x, y)) continue;
        index_record(start, length, city);
    }
    if (lines > MAX_LINES) MESS_print(MESS_WARN, "Caught in city database loop\n");
}

// The WMO index, made once: every whole station with a WMO number, in file order.
void build_wmo_slots() {
    wmo_slots.assign(slot_count(indexed.size()), EMPTY_SLOT);
    for (uint32_t number = 1; number <= indexed.size(); ++number) {
        IndexedStation& st = indexed[number - 1];
        if (has_wmo_key(st)) enter_slot(wmo_slots, mix(wmo_key_of(st)), number);
    }
}

uint32_t find_by_id(std::string_view id) {
    return first_slot(id_slots, id_hash(id),
                      [id](IndexedStation& st) { return id_of(st) == id && is_whole(st); });
}

uint32_t find_by_wmo(uint64_t key) {
    if (wmo_slots.empty() && !indexed.empty()) build_wmo_slots();
    return first_slot(wmo_slots, mix(key), [key](IndexedStation& st) {
        return has_wmo_key(st) && wmo_key_of(st) == key;
    });
}

// The WMO key a search text names ("%05d" or "b%05d" of a number), or false when the text
// is no such key.
bool search_key(std::string_view s, uint64_t* key) {
    bool b = s.size() == WMO_DIGITS + 1;
    std::string_view digits = b ? s.substr(1) : s;
    bool negative = digits[0] == '-';
    if (!all_digits(negative ? digits.substr(1) : digits)) return false;
    int value = 0;
    for (char c : negative ? digits.substr(1) : digits) value = value * 10 + (c - '0');
    if (negative && value == 0) return false;  // "-0000" is no "%05d" text
    *key = wmo_number_key(negative ? -value : value, b);
    return true;
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

const TestWord* find_test(std::string_view t) {
    for (const TestWord& w : TEST_WORDS)
        if (w.whole ? equal_nocase(t, w.word) : begins_nocase(t, w.word)) return &w;
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
    if (value.size() == 2) return equal_nocase(value, city->state);
    return value.size() == 5 && equal_nocase(value, both);
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
            return equal_nocase(v, city->region);
        case Kind::Id:
            return equal_nocase(v, city->id);
        case Kind::Wmo: {
            char wmo[WMO_TEXT_SIZE];
            return equal_nocase(v, wmo_text(city, wmo));
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
    return (item.size() == WMO_DIGITS && equal_nocase(item, wmo_text(city, wmo))) ||
           equal_nocase(item, city->id) || (item.size() > 4 && begins_nocase(city->name, item));
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
    clear_index();
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
    if (prior == CTY_PRIOR_RESOURCE) prior = CTY_get_prior();
    CTY_rewind(cty_fd);
    if (type == STORE_FULL) {
        load_index(prior, numid, ids, domain == nullptr || domain->proj == MAP_NO_PROJ);
        free_parsed_array(numid, ids);
        return cty_fd;
    }
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

namespace {

bool is_wmo_text(std::string_view s) {
    return (s.size() == WMO_DIGITS && all_digits(s)) || (s.size() == WMO_DIGITS + 1 && s[0] == 'b');
}

bool is_prefixed_id(std::string_view s) {
    return s.size() == WMO_DIGITS && is_upper(s[0]) && all_digits(s.substr(2));
}

// The station number (from 1) in the index of store type 1, or 0.
uint32_t search_index(std::string_view s) {
    if (indexed.empty()) return 0;
    uint64_t key = 0;
    if (is_wmo_text(s)) return search_key(s, &key) ? find_by_wmo(key) : 0;
    if (is_prefixed_id(s)) {
        int wmo = WMO_MISSING;
        id_to_wmo(s.data(), &wmo);
        // The key "%5.5d" prints: the same text as "%05d" for every number but a negative.
        return wmo >= 0 ? find_by_wmo(wmo_number_key(wmo, false)) : 0;
    }
    return s.size() < CTY_ID_SIZE ? find_by_id(s) : 0;
}

// The record block of the table of store types 2 and 3, or null.
const char* search_table(const char* id) {
    std::string_view s(id);
    if (is_wmo_text(s)) return TAB_search(&city_tbl, KEY_WMO, id);
    if (is_prefixed_id(s)) {
        int wmo = WMO_MISSING;
        id_to_wmo(id, &wmo);
        char key[WMO_TEXT_SIZE];
        snprintf(key, sizeof key, "%5.5d", wmo);
        return TAB_search(&city_tbl, KEY_WMO, key);
    }
    return TAB_search(&city_tbl, KEY_ID, id);
}

}  // namespace

int CTY_search(const char* id, CTY_data* data) {
    if (id == nullptr || store != STORE_FULL) return 0;
    uint32_t number = search_index(id);
    if (number == 0) return 0;
    if (data != nullptr) *data = record_of(indexed[number - 1]);
    return 1;
}

int CTY_search(const char* id, CTY_locate* data) {
    if (id == nullptr || (store != STORE_XY && store != STORE_XY_LOC)) return 0;
    const char* found = search_table(id);
    if (found == nullptr) return 0;
    if (data != nullptr) memcpy(data, found, sizeof(CTY_locate));
    return 1;
}

int CTY_search(const char* id, std::nullptr_t) {
    if (id == nullptr) return 0;
    return store == STORE_FULL ? CTY_search(id, static_cast<CTY_data*>(nullptr))
                               : CTY_search(id, static_cast<CTY_locate*>(nullptr));
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
    clear_index();
    for (Answer& a : answers) a.used = false;
    next_answer = 0;
    CTY_close(cty_fd);
    store = STORE_NONE;
    cty_fd = -1;
    return 0;
}
