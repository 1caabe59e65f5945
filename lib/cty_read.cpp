// City database file; see cty_read.h.
#include "cty_read.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files.h"
#include "mess.h"
#include "resrc.h"
#include "string.h"

namespace {

constexpr const char* DEFAULT_FILE = "sao.cty";
constexpr int BYTES_PER_LINE = 59;     // average line length, for the station-count estimate
constexpr int MAX_ESTIMATE = 4000;     // largest station-count estimate
constexpr int MIN_ESTIMATE = 1;        // the estimate becomes a bucket count
constexpr int LINE_SIZE = 256;         // bytes of the line buffer; a longer line is cut
constexpr int PRIOR_SIZE = 5;          // bytes of the priority field ("*3*" and one more)
constexpr int NAME_WIDTH = CTY_NAME_SIZE - 1;
constexpr int STATE_WIDTH = CTY_STATE_SIZE - 1;
constexpr int REGION_WIDTH = CTY_REGION_SIZE - 1;
constexpr int ID_WIDTH = CTY_ID_SIZE - 1;
constexpr float EL_HIGHEST = 9000.0f;  // elevations above are missing
constexpr float MISSING = -9999.0f;
constexpr int WMO_NONE = 99999;
constexpr char FLAG_MARK = '*';

FILE* city_stream = nullptr;  // the one open database file, or null
int city_type = 0;            // file type given when it was opened

// A record before reading: nothing known.
void clear_record(CTY_data* city) {
    city->name[0] = city->state[0] = city->region[0] = city->id[0] = '\0';
    city->prior = -9999;
    city->mos = city->ua = ' ';
    city->lat = city->lon = city->el = MISSING;
    city->wmo = WMO_NONE;
    city->num = 0;
}

// Reads the next line that is not blank into line (LINE_SIZE bytes), cutting what does not
// fit and turning NUL bytes into blanks. false at the end of the file.
bool read_line(FILE* f, char* line) {
    for (;;) {
        int c = getc_unlocked(f);
        if (c == EOF) return false;
        int len = 0;
        bool blank = true;
        for (; c != EOF && c != '\n'; c = getc_unlocked(f)) {
            if (c == '\0') c = ' ';
            if (len < LINE_SIZE - 1) {
                line[len++] = static_cast<char>(c);
                if (!isspace(c)) blank = false;
            }
        }
        line[len] = '\0';
        if (!blank) return true;
    }
}

void skip_blanks(const char*& p) {
    while (*p != '\0' && isspace(static_cast<unsigned char>(*p))) ++p;
}

// One text field of at most width characters into out, the rest of a longer word staying
// for the next field, as a width-limited text conversion does.
bool scan_text(const char*& p, char* out, int width) {
    skip_blanks(p);
    if (*p == '\0') return false;
    int n = 0;
    while (n < width && *p != '\0' && !isspace(static_cast<unsigned char>(*p))) out[n++] = *p++;
    out[n] = '\0';
    return true;
}

// One whole word into out (size bytes), cut to fit.
bool scan_word(const char*& p, char* out, int size) {
    skip_blanks(p);
    if (*p == '\0') return false;
    int n = 0;
    for (; *p != '\0' && !isspace(static_cast<unsigned char>(*p)); ++p)
        if (n < size - 1) out[n++] = *p;
    out[n] = '\0';
    return true;
}

bool scan_float(const char*& p, float* out) {
    char* end = nullptr;
    float v = strtof(p, &end);
    if (end == p) return false;
    *out = v;
    p = end;
    return true;
}

bool scan_int(const char*& p, int* out) {
    char* end = nullptr;
    long v = strtol(p, &end, 10);
    if (end == p) return false;
    *out = v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
    p = end;
    return true;
}

// The priority field: an optional '*', a digit, an optional '*'. false without the digit.
bool decode_prior(const char* field, CTY_data* city) {
    int d = field[0] == FLAG_MARK ? 1 : 0;
    if (!isdigit(static_cast<unsigned char>(field[d]))) return false;
    city->mos = d == 1 ? FLAG_MARK : ' ';
    city->prior = field[d] - '0';
    city->ua = field[d + 1] == FLAG_MARK ? FLAG_MARK : ' ';
    return true;
}

// The fields of one line in order, stopping at the first that does not convert; the count.
int decode_line(const char* line, CTY_data* city) {
    const char* p = line;
    char prior[PRIOR_SIZE];
    int n = 0;
    if (!scan_text(p, city->name, NAME_WIDTH)) return n;
    ++n;
    if (!scan_text(p, city->state, STATE_WIDTH)) return n;
    ++n;
    if (!scan_text(p, city->region, REGION_WIDTH)) return n;
    ++n;
    if (!scan_text(p, city->id, ID_WIDTH)) return n;
    ++n;
    if (!scan_word(p, prior, PRIOR_SIZE) || !decode_prior(prior, city)) return n;
    ++n;
    float* floats[] = {&city->lat, &city->lon, &city->el};
    for (float* f : floats) {
        if (!scan_float(p, f)) return n;
        ++n;
    }
    if (city->el > EL_HIGHEST) city->el = MISSING;
    int* ints[] = {&city->wmo, &city->num};
    for (int* i : ints) {
        if (!scan_int(p, i)) return n;
        ++n;
    }
    return n;
}

}  // namespace

int CTY_open(const char* filename, int f_access, int f_type) {
    const char* mode = f_access == 0 ? "r" : (f_access == 1 ? "w" : nullptr);
    if (mode == nullptr || filename == nullptr) return -1;
    if (city_stream != nullptr) CTY_close(0);  // one database file at a time
    FILE* f = FILE_open(filename, mode);
    if (f == nullptr) return -1;
    city_stream = f;
    city_type = f_type;
    return fileno(f);
}

int CTY_read(int, CTY_data* city) {
    if (city_stream == nullptr || city == nullptr) return -1;
    clear_record(city);
    char line[LINE_SIZE];
    if (!read_line(city_stream, line)) return -1;
    return decode_line(line, city);
}

int CTY_rewind(int) {
    if (city_stream == nullptr) return -1;
    rewind(city_stream);
    return 0;
}

int CTY_close(int) {
    if (city_stream == nullptr) return -1;
    FILE_close(city_stream);
    city_stream = nullptr;
    city_type = 0;
    return 0;
}

int CTY_open_file(const char* city_file, int* num_stats) {
    const char* file = city_file != nullptr ? city_file : DEFAULT_FILE;
    const char* res = RES_get("city_file");
    if (res != nullptr && res[0] != '\0') {
        if (stricmp(res, "none") == 0) return -1;
        file = res;
    }
    char name[FILE_NAME_MAX];
    FILE_add_path(RES_get("file_path"), file, name);
    int64_t size = name[0] != '\0' ? FILE_size(name) : -1;
    int64_t estimate = size / BYTES_PER_LINE;
    if (estimate > MAX_ESTIMATE) estimate = MAX_ESTIMATE;
    if (estimate < MIN_ESTIMATE) estimate = MIN_ESTIMATE;
    if (num_stats != nullptr) *num_stats = static_cast<int>(estimate);
    // An empty name is a refused join; it must not fall back to the standard input.
    int fd = name[0] != '\0' ? CTY_open(name, 0, 0) : -1;
    if (fd < 0)
        MESS_print(MESS_WARN, "CTY_open_file: Database file not found: %s\n",
                   name[0] != '\0' ? name : file);
    return fd;
}
