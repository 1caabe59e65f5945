// Files: path utilities, name conventions and date selection; see files.h.
#include "files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "flag.h"
#include "mess.h"
#include "resrc.h"
#include "string.h"
#include "system.h"

namespace {

// ---- Limits ----
constexpr int KEY_COUNT = 256;              // key table, indexed by the key character
constexpr int KEY_CHAR_LIMIT = 128;         // key characters from here on are not keys
constexpr int CONV_LINE_SIZE = 160;         // one name-convention line: 159 characters
constexpr int CONV_LINES_MAX = 100000;      // lines read from that file before giving up
constexpr int WIDTH_MAX = 9999;             // largest field width (and day stepping) taken
constexpr int NO_STEP = 100000;             // spacing of a template without a time step
constexpr int FIRST_STEP = 3600;            // time step before any template was expanded
constexpr int LATEST_STEPS = 500;           // default step limit of the latest-file search
constexpr int LATEST_STEPS_MAX = 100000;    // largest step limit a time text may ask for
constexpr int LIST_COMMAND_SIZE = 80;       // the listing command: 79 characters
constexpr int ANSWER_SIZE = 79;             // the prompt answer: one word of 78 characters
constexpr int RESOURCE_NAME_SIZE = 50;      // a resource name in a "%{name}" field
constexpr int64_t NUMBER_MAX = 100000000;   // numbers in time texts are cut to this
constexpr int64_t SPAN_MAX = 1000000000;    // largest span or spacing, in seconds
constexpr int YEAR_DIGITS = 4;              // "#" dates: a 4-digit year, then 2-digit fields
constexpr int FIELD_DIGITS = 2;
constexpr int DATE_TEXT_FIELDS = 5;         // year, month, day, hour, minute
constexpr int64_t SECS_PER_DAY = 86400;
constexpr int64_t SECS_PER_HOUR = 3600;
constexpr int64_t SECS_PER_MIN = 60;
constexpr int DAY_OF_MONTH_MAX = 31;
constexpr int CLOCK_STEP_BASE = 100;        // fixed hour/minute stepping: -(offset*100+step)

// Trace levels: sub-levels of debug.
constexpr M_type TRACE_MATCH = 0x80000000u;  // keys and the reading of typed names
constexpr M_type TRACE_SEQ = 0x40000000u;    // extracted paths and the file sequence
constexpr M_type TRACE_CONV = 0x10000000u;   // the name-convention file

constexpr Date UNSET_DATE = {DATE_MISSING, DATE_MISSING, DATE_MISSING, DATE_MISSING,
                             DATE_MISSING, DATE_MISSING, DATE_MISSING, 0};

// ---- Path utilities ----

// Streams opened on a command, which must be closed with pclose.
constexpr int MAX_PIPES = 16;
FILE* pipes[MAX_PIPES] = {};

// ---- Name conventions ----

char conv[FILE_NAME_MAX];         // the active name template; empty: none
char hconv[FILE_NAME_MAX];        // header-index template of the same type; empty: none
char ext[FILE_EXT_MAX];           // extension from a partial type match, for "%e"
int min_size = 0;                 // a file of the type must be larger than this (bytes)
int rmin_size = 0;                // a second minimum size; stays 0 in this program
int late_off = FIRST_STEP;        // time step of the active template (s); -9999: none
char filename[FILE_NAME_MAX];     // the current file name: the last one built or chosen
int filename_type = FILE_NAME_BY_DATE;  // FILE_NAME_FIXED: fixed by the user, not rebuilt
char keys[KEY_COUNT][FILE_KEY_MAX];  // key values, by key character
bool key_init = false;            // false until the key table was cleared once
Date file_date = UNSET_DATE;      // date of the last name built or read
Date set = UNSET_DATE;            // fixed date fields (-9999 free, >= 0 fixed, else stepping)

// The save area: one level, a second save overwrites the first.
char sconv[FILE_NAME_MAX];
char shconv[FILE_NAME_MAX];
char sext[FILE_EXT_MAX];
int smin_size = 0;
int slate_off = FIRST_STEP;
char sfilename[FILE_NAME_MAX];
int sfilename_type = FILE_NAME_BY_DATE;

// ---- Date selection and sequencing ----

char** files = nullptr;           // the values of resource "filename" (command arguments)
int files_count = 0;              // items held in files (what free_parsed_array releases)
int numfile = 0;                  // names read in list mode; 0 in date-sequence mode
int file_ind = 0;                 // index of the next name in files
Date first_date = UNSET_DATE;     // the date the sequence is counted from
int num_hour = 0;                 // span of the sequence (s); negative: before first_date
int skip = 0;                     // requested spacing (s)
int offset = 0;                   // spacing in use (s)
int64_t secs = 0;                 // first offset of the sequence from first_date (s)
int64_t nsecs = 0;                // offset of the next file of the sequence (s)
constexpr int DEF_HOURS = 0;      // span used when num_hour is unset

// ---- Small text helpers ----

bool copy_name(char* dst, const char* src) { return copy_fits(dst, FILE_NAME_MAX, src); }

// A text being built in a caller's buffer. A piece that does not fit marks the whole text
// as overflowing instead of being cut: a cut file name would name another file.
struct TextBuf {
    char* text;
    size_t size;
    size_t len;
    bool overflow;
};

TextBuf tb_start(char* text, size_t size) {
    text[0] = '\0';
    return TextBuf{text, size, 0, false};
}

void tb_put(TextBuf& tb, std::string_view s) {
    if (tb.overflow) return;
    if (tb.len + s.size() >= tb.size) {
        tb.overflow = true;
        return;
    }
    memcpy(tb.text + tb.len, s.data(), s.size());
    tb.len += s.size();
    tb.text[tb.len] = '\0';
}

void tb_putc(TextBuf& tb, char c) { tb_put(tb, std::string_view(&c, 1)); }

// A number with at least digits digits, zero-filled ("%4.4d" and the like).
void tb_number(TextBuf& tb, int value, int digits) {
    char num[16];
    snprintf(num, sizeof num, "%.*d", digits, value);
    tb_put(tb, num);
}

// Reads at most width digits at p into *value; the count read (0: none).
int read_digits(const char* p, int width, int* value) {
    int count = 0;
    int v = 0;
    while (count < width && is_digit(p[count])) v = v * 10 + (p[count++] - '0');
    *value = v;
    return count;
}

// Reads the digits at p (moving past all of them); the value is cut at NUMBER_MAX.
int64_t read_number(const char*& p) {
    int64_t v = 0;
    for (; is_digit(*p); ++p) v = std::min(v * 10 + (*p - '0'), NUMBER_MAX);
    return v;
}

// A decimal number as a formatted "%d" reads it: blanks, a sign, at least one digit. False
// (p unmoved) when there is none.
bool scan_int(const char*& p, int64_t* value) {
    const char* q = p;
    while (is_space(*q)) ++q;
    int64_t sign = 1;
    if (*q == '-' || *q == '+') sign = (*q++ == '-') ? -1 : 1;
    if (!is_digit(*q)) return false;
    *value = sign * read_number(q);
    p = q;
    return true;
}

int clamp_span(int64_t secs_value) {
    return static_cast<int>(std::clamp(secs_value, -SPAN_MAX, SPAN_MAX));
}

// Reads "YYYY[MM[DD[HH[MM]]]]": each field only while the next character is a digit. Fields
// not read are left as they are; p moves past the digits read. The count of fields read.
int read_date_digits(const char*& p, int fields[DATE_TEXT_FIELDS]) {
    int n = 0;
    for (; n < DATE_TEXT_FIELDS; ++n) {
        int value = 0;
        int count = read_digits(p, n == 0 ? YEAR_DIGITS : FIELD_DIGITS, &value);
        if (count == 0) break;
        fields[n] = value;
        p += count;
    }
    return n;
}

void clear_date_fields(Date& date) {
    date.year = date.month = date.day = date.hour = date.min = DATE_MISSING;
}

void refuse_name(const char* who, char* out_file) {
    MESS_print(MESS_WARN, "%s: File name longer than %d characters refused\n", who,
               FILE_NAME_MAX - 1);
    if (out_file != nullptr) out_file[0] = '\0';
}

}  // namespace

// ---- Path and file utilities ----

namespace {

bool remember_pipe(FILE* stream) {
    for (auto& slot : pipes) {
        if (slot == nullptr) {
            slot = stream;
            return true;
        }
    }
    return false;
}

bool forget_pipe(FILE* stream) {
    for (auto& slot : pipes) {
        if (slot == stream) {
            slot = nullptr;
            return true;
        }
    }
    return false;
}

}  // namespace

int FILE_fullpath(const char* name) {
    if (name == nullptr) return 0;
    return (name[0] == '/' || name[0] == '.' || name[0] == '~') ? 1 : 0;
}

int FILE_add_path_delim(char* path, size_t size) {
    if (path == nullptr) return 0;
    size_t len = strlen(path);
    if (len == 0 || path[len - 1] == '/') return 0;
    if (len + 1 >= size) return 0;  // no room: the name stays as it is
    path[len] = '/';
    path[len + 1] = '\0';
    return 0;
}

char* FILE_add_path(const char* path, const char* file, char* joined_name) {
    if (file == nullptr) file = "";
    if (FILE_is_stdio(file) || FILE_fullpath(file)) {
        copy_name(joined_name, file);
        return joined_name;
    }
    // Built aside: joined_name may be path or file itself.
    char joined[FILE_NAME_MAX];
    TextBuf tb = tb_start(joined, sizeof joined);
    std::string_view dir = path != nullptr ? path : "";
    tb_put(tb, dir);
    if (!dir.empty() && dir.back() != '/') tb_putc(tb, '/');
    tb_put(tb, file);
    copy_name(joined_name, tb.overflow ? "" : joined);
    return joined_name;
}

int FILE_add_user_path(const char* file, char* out) {
    if (file == nullptr) file = "";
    if (file[0] != '~') {
        copy_name(out, file);
        return 0;
    }
    const char* slash = strchr(file, '/');
    size_t name_len = slash != nullptr ? static_cast<size_t>(slash - file - 1) : strlen(file + 1);
    if (name_len >= FILE_USER_MAX) {  // no such user can be named here
        copy_name(out, file);
        return 0;
    }
    char user[FILE_USER_MAX];
    memcpy(user, file + 1, name_len);
    user[name_len] = '\0';
    struct passwd* pw = name_len > 0 ? getpwnam(user) : getpwuid(getuid());
    if (pw == nullptr || pw->pw_dir == nullptr) {
        copy_name(out, file);
        return 0;
    }
    // Built aside: out may be file itself.
    char expanded[FILE_NAME_MAX];
    TextBuf tb = tb_start(expanded, sizeof expanded);
    tb_put(tb, pw->pw_dir);
    tb_put(tb, slash != nullptr ? slash : "");
    copy_name(out, tb.overflow ? "" : expanded);
    return 0;
}

int FILE_is_stdio(const char* file) {
    if (file == nullptr) return 0;
    if (file[0] == '\0' || strcmp(file, "-") == 0) return 1;
    return (stricmp(file, "std") == 0 || stricmp(file, "stdn") == 0) ? 1 : 0;
}

namespace {

// stat of a name after "~" expansion; false when it cannot be examined.
bool stat_expanded(const char* file, struct stat* st) {
    if (file == nullptr || strlen(file) >= FILE_NAME_MAX) return false;
    char name[FILE_NAME_MAX];
    FILE_add_user_path(file, name);
    if (name[0] == '\0') return false;
    return stat(name, st) == 0;
}

}  // namespace

int FILE_exist(const char* file) {
    if (FILE_is_stdio(file)) return 1;
    struct stat st;
    return stat_expanded(file, &st) ? 1 : 0;
}

int FILE_is_dir(const char* file) {
    struct stat st;
    return (stat_expanded(file, &st) && S_ISDIR(st.st_mode)) ? 1 : 0;
}

int64_t FILE_size(const char* file) {
    struct stat st;
    return stat_expanded(file, &st) ? static_cast<int64_t>(st.st_size) : -1;
}

int FILE_make_dir(char* dir, int flag) {
    if (dir == nullptr) return 0;
    fill_string(dir, '\\', '/');
    const char* last = strrchr(dir, '/');
    if (last != nullptr && last > dir) {
        size_t len = static_cast<size_t>(last - dir);
        if (len < FILE_NAME_MAX) {
            char parent[FILE_NAME_MAX];
            memcpy(parent, dir, len);
            parent[len] = '\0';
            if (FILE_exist(parent)) return 1;
        }
    }
    int argc = 0;
    char** argv = nullptr;
    if (parse_string(dir, '/', &argc, &argv) != 0) return 0;
    char path[FILE_MAKE_DIR_MAX] = "";
    for (int i = 0; i < argc - flag; ++i) {
        size_t len = strlen(path);
        if (argv[i][0] != '\0') {
            // A directory path longer than the working buffer is not created; the later
            // open then reports the problem.
            if (len + strlen(argv[i]) + 1 >= sizeof path) break;
            snprintf(path + len, sizeof path - len, "%s/", argv[i]);
            mkdir(path, 0755);
        } else if (len == 0 || path[len - 1] != '/') {
            if (len + 1 >= sizeof path) break;
            path[len] = '/';
            path[len + 1] = '\0';
        }
    }
    free_parsed_array(argc, argv);
    return 0;
}

FILE* FILE_open(const char* file, const char* access) {
    if (file == nullptr || access == nullptr) return nullptr;
    bool reading = access[0] == 'r';
    if (FILE_is_stdio(file)) return reading ? stdin : stdout;
    if (strlen(file) >= FILE_NAME_MAX) return nullptr;
    if (file[0] == '|') {
        FILE* stream = popen(file + 1, reading ? "r" : "w");
        if (stream != nullptr && !remember_pipe(stream)) {
            pclose(stream);
            return nullptr;
        }
        return stream;
    }
    char name[FILE_NAME_MAX];
    FILE_add_user_path(file, name);
    if (name[0] == '\0') return nullptr;
    if (access[0] == 'w' || access[0] == 'a') {
        char dirs[FILE_NAME_MAX];
        memcpy(dirs, name, sizeof name);
        FILE_make_dir(dirs, 1);
    }
    return fopen(name, access);
}

int FILE_close(FILE* stream) {
    if (stream == nullptr) return -1;
    if (stream == stdin || stream == stdout || stream == stderr) return fflush(stream);
    if (forget_pipe(stream)) return pclose(stream);
    return fclose(stream);
}

// ---- Name conventions ----

namespace {

// One field of a template: "%", an optional width, a letter ("%{name}" for a resource).
struct Field {
    char kind;              // the letter; '\0' when the template ends after the "%"
    int width;              // 1 unless one was written
    bool has_width;
    std::string_view name;  // the resource name of "%{name}"
    const char* next;       // the template after the field
};

// p points behind the "%".
Field parse_field(const char* p) {
    Field f{'\0', 1, false, {}, p};
    if (is_digit(*p)) {
        int w = 0;
        for (; is_digit(*p); ++p) w = std::min(w * 10 + (*p - '0'), WIDTH_MAX);
        f.width = w;
        f.has_width = true;
    }
    f.kind = *p;
    if (*p != '\0') ++p;
    if (f.kind == '{') {
        const char* close = strchr(p, '}');
        size_t len = close != nullptr ? static_cast<size_t>(close - p) : strlen(p);
        f.name = std::string_view(p, len);
        p += close != nullptr ? len + 1 : len;
    }
    f.next = p;
    return f;
}

// The data directories a template names by letter.
struct DirField {
    char kind;
    const char* resource;
};
constexpr DirField DIR_FIELDS[] = {
    {'C', "con_path"},  {'D', "data_path"},  {'F', "file_path"},  {'R', "raw_path"},
    {'G', "grid_path"}, {'W', "watch_path"}, {'I', "image_path"}, {'T', "text_path"},
    {'M', "model_path"}, {'S', "sat_path"},
};

const char* dir_field_resource(char kind) {
    for (const auto& d : DIR_FIELDS)
        if (d.kind == kind) return d.resource;
    return nullptr;
}

bool is_path_field(const Field& f) {
    return f.kind == '{' || dir_field_resource(f.kind) != nullptr;
}

// The text a directory or resource field stands for: a directory resource, or "." when it
// is unset or empty; a "%{name}" resource, or nothing.
const char* path_field_value(const Field& f) {
    if (f.kind != '{') {
        const char* value = RES_get(dir_field_resource(f.kind));
        return (value != nullptr && value[0] != '\0') ? value : ".";
    }
    char name[RESOURCE_NAME_SIZE];
    if (f.name.size() >= sizeof name) return "";
    memcpy(name, f.name.data(), f.name.size());
    name[f.name.size()] = '\0';
    const char* value = RES_get(name);
    return value != nullptr ? value : "";
}

const char* key_value(char key) {
    auto k = static_cast<unsigned char>(key);
    return k < KEY_CHAR_LIMIT ? keys[k] : "";
}

bool is_stepping(int fixed) { return fixed < 0 && fixed != DATE_MISSING; }

int bring_down(int value, int step) { return step > 0 ? value - value % step : value; }

// The day stepping of a negative fixed day: -value days.
int day_step(int fixed) {
    return static_cast<int>(std::min(-static_cast<int64_t>(fixed), int64_t{WIDTH_MAX}));
}

// A negative fixed hour or minute -(offset * 100 + step): its step and offset.
void clock_step(int fixed, int* step, int* off) {
    int64_t v = -static_cast<int64_t>(fixed);
    *step = static_cast<int>(v % CLOCK_STEP_BASE);
    *off = static_cast<int>(std::min(v / CLOCK_STEP_BASE, int64_t{WIDTH_MAX}));
}

// The finest time step of a template in seconds, -9999 when it has no day, day-of-year,
// hour or minute field. A field whose step comes out as 0 adds no step.
int template_step(const char* tmpl) {
    int64_t step = DATE_MISSING;
    auto note = [&step](int64_t s) {
        if (s > 0 && (step == DATE_MISSING || step > s)) step = s;
    };
    for (const char* p = tmpl; *p != '\0';) {
        if (*p != '%') {
            ++p;
            continue;
        }
        Field f = parse_field(p + 1);
        int units = f.width;
        int unused = 0;
        switch (f.kind) {
            case 'd':
            case 'j':
                if (is_stepping(set.day)) units = day_step(set.day);
                note(units * SECS_PER_DAY);
                break;
            case 'h':
                if (is_stepping(set.hour)) clock_step(set.hour, &units, &unused);
                note(units * SECS_PER_HOUR);
                break;
            case 'n':
                if (is_stepping(set.min)) clock_step(set.min, &units, &unused);
                note(units * SECS_PER_MIN);
                break;
            default:
                break;
        }
        p = f.next;
    }
    return static_cast<int>(step);
}

// ---- Building a name from a date ----

// The day a "%d" or "%j" field stands for, -1 when the date has none.
int chosen_day(int src_day, int width) {
    if (set.day >= 0) return set.day;
    if (src_day < 0) return -1;
    return bring_down(src_day, is_stepping(set.day) ? day_step(set.day) : width);
}

void expand_year(const Field& f, const Date& src, TextBuf& tb, Date& rec) {
    bool four = f.kind == 'Y';
    int year = 0;
    if (set.year >= 0) {
        year = set.year;
    } else if (src.year < 0) {
        tb_put(tb, four ? "0000" : "00");
        rec.year = DATE_MISSING;
        return;
    } else if (four) {
        year = bring_down(src.year, f.width);
    } else {
        int yy = src.year % 100;
        year = src.year - yy + bring_down(yy, f.width);
    }
    rec.year = year;
    tb_number(tb, four ? year : year % 100, four ? 4 : 2);
}

void expand_month(const Field& f, const Date& src, TextBuf& tb, Date& rec) {
    bool name = f.kind == 'b';
    int month = 0;
    if (set.month >= 0) {
        month = set.month;
    } else if (src.month < 0) {
        tb_put(tb, name ? "xxx" : "00");
        rec.month = DATE_MISSING;
        return;
    } else {
        month = bring_down(src.month, f.width);
    }
    rec.month = month;
    if (!name) {
        tb_number(tb, month, 2);
        return;
    }
    char text[8];
    snprintf(text, sizeof text, "%3.3s", DATE_month_lower(month));
    tb_put(tb, text);
}

void expand_day(const Field& f, const Date& src, TextBuf& tb, Date& rec) {
    int day = chosen_day(src.day, f.width);
    if (f.kind == 'd') {
        if (day < 0) {
            tb_put(tb, "00");
            rec.day = DATE_MISSING;
            return;
        }
        rec.day = day;
        tb_number(tb, day, 2);
        return;
    }
    // "%j": the day of year of that day; without a day or month (or with a day no month
    // has) it cannot be known.
    if (day < 0 || day > DAY_OF_MONTH_MAX || src.month < 0) {
        tb_put(tb, "000");
        rec.jday = DATE_MISSING;
        return;
    }
    int julian = 0;
    DATE_monday_julian(src.year, src.month, day, &julian);
    rec.jday = julian;
    rec.month = src.month;
    rec.day = day;
    tb_number(tb, julian, 3);
}

// "%h" and "%n"; the value printed, or -9999.
int expand_clock(const Field& f, int src, int fixed, TextBuf& tb) {
    int value = 0;
    if (fixed >= 0) {
        value = bring_down(fixed, f.width);
    } else if (src < 0) {
        tb_put(tb, "00");
        return DATE_MISSING;
    } else if (fixed == DATE_MISSING) {
        value = bring_down(src, f.width);
    } else {
        int step = 0;
        int off = 0;
        clock_step(fixed, &step, &off);
        value = bring_down(src, step) + off;
    }
    tb_number(tb, value, 2);
    return value;
}

void expand_key(const Field& f, TextBuf& tb) {
    std::string_view value = key_value(f.kind);
    if (value.empty()) {
        tb_putc(tb, '0');
        return;
    }
    // A width longer than the value gives the value as it is.
    if (f.has_width && value.size() > static_cast<size_t>(f.width)) value = value.substr(0, f.width);
    tb_put(tb, value);
}

void expand_field(const Field& f, const Date& src, const char* xpath, TextBuf& tb, Date& rec) {
    switch (f.kind) {
        case '\0':
            return;
        case '%':
            tb_putc(tb, '%');
            return;
        case 'Y':
        case 'y':
            expand_year(f, src, tb, rec);
            return;
        case 'm':
        case 'b':
            expand_month(f, src, tb, rec);
            return;
        case 'd':
        case 'j':
            expand_day(f, src, tb, rec);
            return;
        case 'h':
            rec.hour = expand_clock(f, src.hour, set.hour, tb);
            return;
        case 'n':
            rec.min = expand_clock(f, src.min, set.min, tb);
            return;
        case 'e':
            tb_put(tb, ext);
            return;
        default:
            break;
    }
    if (is_path_field(f)) {
        tb_put(tb, xpath != nullptr ? xpath : path_field_value(f));
        return;
    }
    expand_key(f, tb);
}

// Expands tmpl for the date src into tb, recording each date value printed in rec.
// Directory and resource fields insert xpath instead, when it is not null.
void expand_template(const char* tmpl, const Date& src, const char* xpath, TextBuf& tb,
                     Date& rec) {
    for (const char* p = tmpl; *p != '\0' && !tb.overflow;) {
        if (*p == '%') {
            Field f = parse_field(p + 1);
            expand_field(f, src, xpath, tb, rec);
            p = f.next;
            continue;
        }
        // Braces only mark a directory group for reading typed names.
        if (*p != '{' && *p != '}') tb_putc(tb, *p == ' ' ? '_' : *p);
        ++p;
    }
}

// The directory of a user-given full-path file, as many levels up as the template has
// "/" and ":" characters, so that related files are looked up beside it. False when there
// is none.
bool extracted_path(char* xpath) {
    if (filename_type != FILE_NAME_FIXED || !FILE_fullpath(filename)) return false;
    int levels = 0;
    for (const char* p = conv; *p != '\0'; ++p)
        if (*p == '/' || *p == ':') ++levels;
    size_t mark = 0;
    bool marked = false;
    for (size_t i = strlen(filename); i-- > 0 && levels > 0;) {
        // A ":" at the second position is a drive letter.
        if (filename[i] == '/' || (filename[i] == ':' && i == 1)) {
            --levels;
            mark = i;
            marked = true;
        }
    }
    if (!marked) return false;
    memcpy(xpath, filename, mark);
    xpath[mark] = '\0';
    MESS_print(TRACE_SEQ, "Extracted path: %s\n", xpath);
    return true;
}

// ---- The name-convention file ----

// Reads one line into line (CONV_LINE_SIZE bytes): 0 for a line, 1 for a line too long
// (its rest is read over), -1 at the end of the file.
int read_conv_line(FILE* in, char* line) {
    size_t len = 0;
    bool too_long = false;
    int c = getc(in);
    if (c == EOF) return -1;
    for (; c != EOF && c != '\n'; c = getc(in)) {
        if (len + 1 < CONV_LINE_SIZE)
            line[len++] = static_cast<char>(c);
        else
            too_long = true;
    }
    line[len] = '\0';
    return too_long ? 1 : 0;
}

// One line of the convention file split at white space; the count of fields found.
struct ConvEntry {
    std::string_view field[4];  // type name, template, header template, minimum size
};

int split_conv_line(const char* line, ConvEntry& e) {
    int n = 0;
    const char* p = line;
    while (n < 4) {
        while (is_space(*p)) ++p;
        if (*p == '\0') break;
        const char* start = p;
        while (*p != '\0' && !is_space(*p)) ++p;
        e.field[n++] = std::string_view(start, static_cast<size_t>(p - start));
    }
    return n;
}

void take_entry(const ConvEntry& e, int fields) {
    if (fields > 1) copy_cut(conv, e.field[1]);
    if (fields > 2 && e.field[2] != "-") copy_cut(hconv, e.field[2]);
    if (fields > 3) {
        char num[CONV_LINE_SIZE];
        copy_cut(num, e.field[3]);  // fields of a line always fit
        const char* p = num;
        int64_t size = 0;
        if (scan_int(p, &size)) min_size = clamp_span(size);
    }
}

// The part of the type after its last "_"; an over-long one is not taken.
void take_extension(const char* type) {
    const char* under = strrchr(type, '_');
    if (under != nullptr) copy_fits(ext, under + 1);
}

// Looks the type up line by line; true when a line names it or a prefix of it.
bool find_type(FILE* in, const char* type, const char* path) {
    char line[CONV_LINE_SIZE];
    char name[CONV_LINE_SIZE];
    for (int count = 0;; ++count) {
        if (count >= CONV_LINES_MAX) {
            MESS_print(MESS_WARN, "FILE_set_name: Too many lines in %s\n", path);
            return false;
        }
        int rc = read_conv_line(in, line);
        if (rc < 0) return false;
        if (rc > 0) {
            MESS_print(MESS_WARN, "FILE_set_name: Line too long in %s\n", path);
            continue;
        }
        if (line[0] == '#') continue;
        conv[0] = '\0';
        hconv[0] = '\0';
        min_size = 0;
        ConvEntry e;
        int fields = split_conv_line(line, e);
        if (fields == 0) continue;  // a blank line names no type
        take_entry(e, fields);
        copy_cut(name, e.field[0]);
        if (stricmp(type, name) == 0) {
            MESS_print(TRACE_CONV, "File name match for: %s\n", type);
            return true;
        }
        if (strnicmp(type, name, static_cast<int>(strlen(name))) == 0 &&
            strlen(type) >= strlen(name)) {
            take_extension(type);
            MESS_print(TRACE_CONV, "File name partial match for: %s-%s ext: %s\n", type, name,
                       ext);
            return true;
        }
    }
}

// A type the convention file does not give: its own text names one fixed file.
void use_type_as_template(const char* type) {
    if (!copy_fits(conv, type))
        MESS_print(MESS_WARN, "FILE_set_name: File type longer than %d characters refused\n",
                   FILE_NAME_MAX - 1);
    hconv[0] = '\0';
    min_size = 0;
}

// Takes the ":k=value" settings out of a type text (cutting it at each).
void take_key_settings(char* type) {
    size_t len = strlen(type);
    for (size_t i = 0; i < len; ++i) {
        if (type[i] != ':' || type[i + 1] == '\0' || type[i + 2] != '=') continue;
        const char* value = type + i + 3;
        size_t value_len = strcspn(value, ":");
        if (value_len == 0) continue;
        char copy[FILE_KEY_MAX];
        copy_cut(copy, std::string_view(value, value_len));
        FILE_set_key(type[i + 1], copy);
        MESS_print(TRACE_MATCH, "KEY: %c = %s\n", type[i + 1], copy);
        type[i] = '\0';
    }
}

void fix_name(const char* name, char* out_file) {
    // name may point into out_file's own text.
    char copy[FILE_NAME_MAX];
    copy_name(copy, name);
    copy_name(filename, copy);
    copy_name(out_file, copy);
    filename_type = FILE_NAME_FIXED;
}

}  // namespace

int FILE_set_name(char* type) {
    if (!key_init) {
        memset(keys, 0, sizeof keys);
        key_init = true;
    }
    filename[0] = '\0';
    filename_type = FILE_NAME_BY_DATE;
    if (type == nullptr || stricmp(type, "none") == 0) {
        conv[0] = '\0';
        hconv[0] = '\0';
        min_size = 0;
        return 0;
    }
    if (type[0] == '@') {
        if (!copy_fits(conv, type + 1)) {
            MESS_print(MESS_WARN, "FILE_set_name: Template longer than %d characters refused\n",
                       FILE_NAME_MAX - 1);
            return 0;
        }
        return 1;
    }
    take_key_settings(type);
    const char* conv_name = RES_get("name_conv");
    if (conv_name == nullptr || conv_name[0] == '\0') conv_name = "name_conv";
    char path[FILE_NAME_MAX];
    FILE_add_path(RES_get("file_path"), conv_name, path);
    // An empty path is a refused (over-long) name, not the standard input.
    FILE* in = path[0] != '\0' ? FILE_open(path, "r") : nullptr;
    if (in == nullptr) {
        MESS_print(MESS_WARN, "FILE_set_name: No file name convention file: %s\n",
                   path[0] != '\0' ? path : conv_name);
        use_type_as_template(type);
        return 0;
    }
    MESS_print(TRACE_CONV, "Opening name convention file: %s\n", path);
    ext[0] = '\0';
    bool found = find_type(in, type, path);
    FILE_close(in);
    if (found) return 1;
    use_type_as_template(type);
    MESS_print(TRACE_CONV, "No file name conversion for: %s\n", type);
    return 0;
}

int FILE_set_key(char key, const char* str) {
    auto k = static_cast<unsigned char>(key);
    if (k == 0 || k >= KEY_CHAR_LIMIT) return 0;  // not a key character
    char* value = keys[k];
    size_t len = 0;
    for (; str != nullptr && str[len] != '\0' && len + 1 < FILE_KEY_MAX; ++len)
        value[len] = str[len] == ' ' ? '_' : str[len];
    value[len] = '\0';
    return 0;
}

int FILE_set_date(const Date* datim, char* out_file) {
    if (out_file == nullptr) return -1;
    if (conv[0] == '\0') {
        copy_name(out_file, filename[0] != '\0' ? filename : "filename");
        filename_type = FILE_NAME_FIXED;
        return 1;
    }
    if (FILE_is_stdio(conv)) {
        copy_name(out_file, "-");
        filename_type = FILE_NAME_BY_DATE;
        return 1;
    }
    char xpath[FILE_NAME_MAX];
    bool have_xpath = extracted_path(xpath);
    late_off = DATE_MISSING;
    Date src = datim != nullptr ? *datim : file_date;
    if (datim != nullptr) clear_date_fields(file_date);
    if (src.year == DATE_MISSING && filename[0] != '\0') {
        copy_name(out_file, filename);
        filename_type = FILE_NAME_FIXED;
        return 1;
    }
    char built[FILE_NAME_MAX];
    TextBuf tb = tb_start(built, sizeof built);
    expand_template(conv, src, have_xpath ? xpath : nullptr, tb, file_date);
    late_off = template_step(conv);
    if (tb.overflow) {
        refuse_name("FILE_set_date", out_file);
        return -1;
    }
    copy_name(out_file, built);
    copy_name(filename, built);
    return 0;
}

int FILE_hdr_set_date(const Date* datim, char* out_file) {
    if (out_file == nullptr) return 0;
    Date src = datim != nullptr ? *datim : file_date;
    out_file[0] = '\0';
    if (src.year == DATE_MISSING) return 0;
    // Without a header template of its own a type has no index file (never the data file
    // or the standard input).
    if (hconv[0] == '\0' || FILE_is_stdio(hconv)) return 0;
    // Built aside: the current name, its date and the time step stay those of the data
    // file.
    char xpath[FILE_NAME_MAX];
    bool have_xpath = extracted_path(xpath);
    char built[FILE_NAME_MAX];
    TextBuf tb = tb_start(built, sizeof built);
    Date rec = file_date;
    expand_template(hconv, src, have_xpath ? xpath : nullptr, tb, rec);
    if (tb.overflow) {
        refuse_name("FILE_hdr_set_date", out_file);
        return 0;
    }
    copy_name(out_file, built);
    return out_file[0] != '\0' ? 1 : 0;
}

// ---- Reading a user-given name against the template ----

namespace {

struct Matcher {
    const char* tmpl;  // the whole template (for traces)
    const char* t;     // template position
    const char* name;  // the whole name
    const char* n;     // name position
    TextBuf out;
    // 0 nothing matched yet, 1 after a directory field or a closed group, 2 after a date
    // field, 3 when a literal match used the name up.
    int where;
    bool no_slash;     // the name holds no "/"
    bool full_path;    // the name is a full path (its own directories are kept)
    bool done;
};

// Copies the rest of the name and ends the matching.
void take_rest(Matcher& m) {
    tb_put(m.out, m.n);
    m.n += strlen(m.n);
    m.done = true;
}

void match_month_name(Matcher& m) {
    char three[4] = {};
    size_t len = 0;
    for (; len < 3 && m.n[len] != '\0'; ++len) three[len] = m.n[len];
    int month = len == 3 ? DATE_decode_month(three) : 0;
    if (month == 0) {
        take_rest(m);
        return;
    }
    tb_put(m.out, std::string_view(m.n, len));
    m.n += len;
    file_date.month = month;
    m.where = 2;
}

void match_date(Matcher& m, char kind) {
    if (kind == 'b') {
        match_month_name(m);
        return;
    }
    int width = kind == 'Y' ? YEAR_DIGITS : kind == 'j' ? 3 : FIELD_DIGITS;
    int value = 0;
    int count = read_digits(m.n, width, &value);
    if (count == 0) {
        take_rest(m);
        return;
    }
    tb_put(m.out, std::string_view(m.n, static_cast<size_t>(count)));
    m.n += count;
    switch (kind) {
        case 'Y': file_date.year = value; break;
        case 'y': file_date.year = value < 50 ? 2000 + value : 1900 + value; break;
        case 'm': file_date.month = value; break;
        case 'd': file_date.day = value; break;
        case 'h': file_date.hour = value; break;
        case 'n': file_date.min = value; break;
        default:  // 'j'
            file_date.jday = value;
            DATE_julian_monday(file_date.year, value, &file_date.month, &file_date.day);
            break;
    }
    m.where = 2;
}

// The literal template text behind a field, up to the next field or group mark.
std::string_view literal_after(const char* t) {
    return std::string_view(t, strcspn(t, "%{}*"));
}

void match_ext(Matcher& m) {
    std::string_view follow = literal_after(m.t);
    std::string_view rest = m.n;
    size_t at = follow.empty() ? rest.size() : rest.find(follow);
    if (ext[0] == '\0') {
        if (at == std::string_view::npos) {
            take_rest(m);
            return;
        }
        std::string_view piece = rest.substr(0, at);
        if (piece.size() < sizeof ext) copy_cut(ext, piece);
        tb_put(m.out, piece);
        m.n += at;
        return;
    }
    tb_put(m.out, ext);
    if (follow.empty()) {
        if (rest.starts_with(ext)) m.n += strlen(ext);
    } else if (at == std::string_view::npos) {
        take_rest(m);
    } else {
        m.n += at;
    }
}

void match_path(Matcher& m, const Field& f) {
    m.where = 1;
    if (!m.full_path) {
        tb_put(m.out, path_field_value(f));
        if (*m.t == '/') tb_putc(m.out, *m.t++);
        return;
    }
    // The name's own directories: up to the "/" that leaves as many levels behind it as the
    // rest of the template has.
    int levels = 0;
    for (const char* p = m.t; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\' || *p == ':') ++levels;
    std::string_view rest = m.n;
    if (levels == 0) {
        take_rest(m);
        return;
    }
    size_t cut = 0;
    for (size_t i = rest.size(); i-- > 0 && levels > 0;) {
        if (rest[i] == '/' && --levels == 0) cut = i;
    }
    if (levels > 0) cut = 0;  // fewer directories than the template: none of them is kept
    tb_put(m.out, rest.substr(0, cut));
    m.n += cut;
}

void match_key(Matcher& m, const Field& f) {
    std::string_view value = key_value(f.kind);
    if (value.empty()) {
        take_rest(m);
        return;
    }
    if (f.has_width && value.size() > static_cast<size_t>(f.width)) value = value.substr(0, f.width);
    tb_put(m.out, value);
    m.n += std::min(value.size(), strlen(m.n));
}

void match_field(Matcher& m, const Field& f) {
    switch (f.kind) {
        case '\0':
            return;
        case '%':
            tb_putc(m.out, '%');
            if (*m.n == '%') ++m.n;
            return;
        case 'Y': case 'y': case 'm': case 'b': case 'd': case 'j': case 'h': case 'n':
            match_date(m, f.kind);
            return;
        case 'e':
            match_ext(m);
            return;
        default:
            break;
    }
    if (is_path_field(f))
        match_path(m, f);
    else
        match_key(m, f);
}

// "{": the group's text is written as it stands, up to "}" or a field.
void match_group(Matcher& m) {
    for (; *m.t != '\0' && *m.t != '}' && *m.t != '%'; ++m.t) tb_putc(m.out, *m.t == ' ' ? '_' : *m.t);
    if (*m.t == '}') {
        ++m.t;
        m.where = 1;
    }
}

void match_literal(Matcher& m, char c) {
    if (m.where >= 1 && *m.n == c) {
        tb_putc(m.out, c);
        if (*++m.n == '\0') m.where = 3;
        return;
    }
    if ((m.where >= 2 && *m.n != '\0') || (m.where == 0 && *m.n != c)) {
        take_rest(m);
        return;
    }
    tb_putc(m.out, c);
    // A name character equal to the literal is always consumed: written once, not twice.
    if ((m.where >= 2 || m.no_slash || *m.n == c) && *m.n != '\0') ++m.n;
}

// Walks template and name together into out; the final state of "where".
int match_template(const char* name, const char* tmpl, TextBuf& out) {
    Matcher m{tmpl, tmpl, name, name, out, 0, strchr(name, '/') == nullptr,
              FILE_fullpath(name) != 0, false};
    while (!m.done && *m.t != '\0' && !m.out.overflow) {
        MESS_print(TRACE_MATCH, "FILES:%s:%s:%s:%s:%s:%d\n", m.tmpl, m.t, m.n, m.out.text, ext,
                   m.where);
        char c = *m.t;
        if (c == '*') {
            take_rest(m);
        } else if (c == '%') {
            Field f = parse_field(m.t + 1);
            m.t = f.next;
            match_field(m, f);
        } else if (c == '{') {
            ++m.t;
            match_group(m);
        } else if (c == '}') {
            ++m.t;
            m.where = 1;
        } else {
            ++m.t;
            // A blank of the template stands for "_" in every name, as in building.
            match_literal(m, c == ' ' ? '_' : c);
        }
    }
    // A typed name is never shortened: what the template did not use stays.
    if (!m.done) tb_put(m.out, m.n);
    out = m.out;
    return m.where;
}

// A "#" after the first character starts a date suffix: it fixes date fields and is cut.
void take_date_suffix(char* name) {
    if (name[0] == '\0') return;
    char* hash = strchr(name + 1, '#');
    if (hash == nullptr) return;
    *hash = '\0';
    const char* p = hash + 1;
    int fields[DATE_TEXT_FIELDS] = {};
    int count = read_date_digits(p, fields);
    int32_t* slots[DATE_TEXT_FIELDS] = {&set.year, &set.month, &set.day, &set.hour, &set.min};
    for (int i = 0; i < count; ++i) *slots[i] = fields[i];
}

// 0, or -1 when no name could be built (refused as too long).
int choose_by_time(const char* text, char* out_file) {
    FILE_set_current(text, out_file);
    MESS_print(MESS_MESS, "Current filename: %s\n", out_file);
    return out_file[0] != '\0' ? 0 : -1;
}

int match_name(const char* name, char* out_file) {
    char built[FILE_NAME_MAX];
    TextBuf tb = tb_start(built, sizeof built);
    int where = match_template(name, conv, tb);
    int step = template_step(conv);
    if (step != DATE_MISSING) late_off = step;
    if (tb.overflow) {
        refuse_name("FILE_set_file", out_file);
        filename[0] = '\0';
        filename_type = FILE_NAME_BY_DATE;
        return -1;
    }
    MESS_print(TRACE_MATCH, "FILES:%s:%s:%d\n", name, built, where);
    DATE_print(MESS_DEBUG, &file_date);
    fix_name(built, out_file);
    return 0;
}

}  // namespace

int FILE_set_file(const char* file, char* out_file) {
    if (out_file == nullptr) return -1;
    char name[FILE_NAME_MAX];
    if (!copy_name(name, file != nullptr ? file : "")) {
        refuse_name("FILE_set_file", out_file);
        filename[0] = '\0';
        filename_type = FILE_NAME_BY_DATE;
        return -1;
    }
    clear_date_fields(file_date);
    take_date_suffix(name);
    file_date = set;
    if (stricmp(name, "exit") == 0) JOX_exit(JOX_EXIT_OK);
    if (name[0] == '@') {
        fix_name(name + 1, out_file);
    } else if (FILE_is_stdio(name) || (conv[0] != '\0' && FILE_is_stdio(conv))) {
        fix_name("-", out_file);
    } else if (conv[0] == '\0') {
        fix_name(name, out_file);
    } else if (name[0] == '#') {
        return choose_by_time(name, out_file);
    } else if (strnicmp(name, "cu", 2) == 0) {
        return choose_by_time(name + 2, out_file);
    } else if (strnicmp(name, "la", 2) == 0) {
        return choose_by_time(name, out_file);
    } else if (stricmp(name, "none") == 0) {
        fix_name("none", out_file);
    } else if (FILE_fullpath(conv) && FILE_fullpath(name)) {
        fix_name(name, out_file);
    } else {
        return match_name(name, out_file);
    }
    return 0;
}

const char* FILE_get_filename(char* str) {
    if (str != nullptr) copy_name(str, filename);
    return filename;
}

int FILE_get_filename_type() { return filename_type; }

int FILE_save_name_conv() {
    slate_off = late_off;
    memcpy(sconv, conv, sizeof conv);
    memcpy(shconv, hconv, sizeof hconv);
    memcpy(sext, ext, sizeof ext);
    smin_size = min_size;
    memcpy(sfilename, filename, sizeof filename);
    sfilename_type = filename_type;
    return 0;
}

int FILE_restore_name_conv() {
    late_off = slate_off;
    memcpy(conv, sconv, sizeof conv);
    memcpy(hconv, shconv, sizeof hconv);
    memcpy(ext, sext, sizeof ext);
    min_size = smin_size;
    memcpy(filename, sfilename, sizeof filename);
    filename_type = sfilename_type;
    return 0;
}

int FILE_set_time(const Date* datim) {
    if (datim != nullptr) set = *datim;
    return 0;
}

int FILE_get_time(Date* datim) {
    if (datim != nullptr) *datim = set;
    return 0;
}

// ---- Date selection and sequencing ----

namespace {

// A "#" date text: missing fields count as 0 and the date is normalised, so #2024 is the
// last day of 2023.
int64_t date_text_time(const char*& p) {
    int fields[DATE_TEXT_FIELDS] = {};
    read_date_digits(p, fields);
    Date d = {fields[0], fields[1], fields[2], DATE_MISSING, DATE_MISSING,
              fields[3], fields[4], 0};
    return DATE_num_sec(&d);
}

// The time a selection starts from: a "#" date in the text, joxcurtime, or now.
int64_t base_time(const char*& p) {
    if (*p == '#') {
        ++p;
        return date_text_time(p);
    }
    const char* pinned = getenv("joxcurtime");
    if (pinned != nullptr) {
        if (*pinned == '#') ++pinned;
        return date_text_time(pinned);
    }
    return DATE_get_time(nullptr);
}

// Sets the hour or minute of t to fixed, a day or an hour earlier when t's is earlier.
int64_t fix_clock_field(int64_t t, int32_t Date::*field, int fixed, int64_t carry) {
    Date d;
    DATE_get_gmdate(&t, &d);
    if (d.*field < fixed) {
        t -= carry;
        DATE_get_gmdate(&t, &d);
    }
    d.*field = fixed;
    return DATE_num_sec(&d);
}

// Moves a time back to the latest one that fits the fixed month, day, hour and minute.
int64_t apply_fixed_fields(int64_t t) {
    Date d;
    DATE_get_gmdate(&t, &d);
    if (set.month >= 0 && d.month < set.month) {
        d.year -= 1;
        d.month = set.month;
        t = DATE_num_sec(&d);
    }
    if (set.day >= 0 && d.day < set.day) {
        if (--d.month < 1) {
            d.month = 12;
            d.year -= 1;
        }
        d.day = set.day;
        t = DATE_num_sec(&d);
    }
    if (set.hour >= 0) t = fix_clock_field(t, &Date::hour, set.hour, SECS_PER_DAY);
    if (set.min >= 0) t = fix_clock_field(t, &Date::min, set.min, SECS_PER_HOUR);
    return t;
}

int read_sign(const char*& p) {
    if (*p == '+') {
        ++p;
        return 1;
    }
    if (*p == '-') ++p;
    return -1;
}

struct TimeOffset {
    int64_t days;
    int64_t hours;
    int64_t minutes;
};

// An offset at a digit: hours[:minutes], or days "d" [hours[:minutes]] when the number is
// followed by "d".
TimeOffset read_offset(const char*& p) {
    TimeOffset o{0, 0, 0};
    int64_t first = read_number(p);
    if (*p == 'd') {
        ++p;
        o.days = first;
        if (!is_digit(*p)) return o;
        first = read_number(p);
    }
    o.hours = first;
    if (*p == ':' && is_digit(p[1])) {
        ++p;
        o.minutes = read_number(p);
    }
    return o;
}

int64_t offset_secs(const TimeOffset& o) {
    return o.days * SECS_PER_DAY + o.hours * SECS_PER_HOUR + o.minutes * SECS_PER_MIN;
}

// Steps from t by the template step in the direction of sign until a file larger than the
// minimum size is named, at most limit names. The name tried last stays in out.
int64_t search_latest(int64_t t, int sign, int limit, char* out) {
    int steps = 0;
    while (steps < limit) {
        Date d;
        DATE_get_gmdate(&t, &d);
        MESS_print(MESS_DEBUG, "LATE:%d %d %d %d %d\n", steps, d.year, d.month, d.day, d.hour);
        int built = FILE_set_date(&d, out);
        MESS_print(MESS_DEBUG, "LATE: %s\n", out);
        if (built < 0) break;
        int64_t size = FILE_size(out);
        if ((rmin_size > 0 && size > rmin_size) || size > min_size) break;
        if (built == 1) break;  // a name that does not follow the date: no other to try
        // The time moves only towards a further try, so the name tried last stays chosen.
        if (++steps < limit) t += static_cast<int64_t>(FILE_get_offset()) * sign;
    }
    MESS_print(MESS_DEBUG, "LATEST: %s %s %d\n", out, filename, steps);
    return t;
}

bool chosen_exists() { return filename[0] != '\0' && FILE_exist(filename); }

void hand_out(char* outfile) {
    if (outfile != nullptr) copy_name(outfile, filename);
}

// The interactive choice: the listing, then one answer.
int ask_for_file(const char* prompt, char* outfile) {
    MESS_print(MESS_PRINT, "List of available files:\n");
    FILE_list_file();
    MESS_print(MESS_PRINT, "\n");
    char answer[ANSWER_SIZE] = "";
    JOX_prompts(prompt != nullptr ? prompt : "", answer, ANSWER_SIZE);
    // Whatever chooses the name sets its type: a typed name is fixed by the user, a time
    // is not, and "list" chooses nothing.
    if (stricmp(answer, "exit") == 0) JOX_exit(JOX_EXIT_OK);
    if (stricmp(answer, "list") == 0)
        FILE_list_file();
    else if (answer[0] == '#')
        choose_by_time(answer, filename);
    else if (strnicmp(answer, "cu", 2) == 0)
        choose_by_time(answer + 2, filename);
    else if (strnicmp(answer, "la", 2) == 0)
        choose_by_time(answer, filename);
    else
        FILE_set_file(answer, filename);
    hand_out(outfile);
    return chosen_exists() ? 1 : 0;
}

// Listing patterns go to the shell: characters of user texts that the shell would read
// as syntax are escaped. Glob characters of the template itself stay globs.
void put_shell_text(TextBuf& tb, std::string_view text, bool globs) {
    for (char c : text) {
        bool plain = is_letter(c) || is_digit(c) || strchr("_-./+,:=@%~", c) != nullptr;
        if (globs && strchr("*?[]^", c) != nullptr) plain = true;
        if (!plain) tb_putc(tb, '\\');
        tb_putc(tb, c);
    }
}

void list_field(TextBuf& tb, const Field& f) {
    switch (f.kind) {
        case '\0': return;
        case '%': tb_putc(tb, '%'); return;
        case 'Y': tb_put(tb, "?[0-9]??"); return;
        case 'y': case 'm': case 'd': case 'h': case 'n': tb_put(tb, "[0-9]?"); return;
        case 'b': tb_put(tb, "?[a-z]?"); return;
        case 'j': tb_put(tb, "?[0-9]?"); return;
        case 'e':
            if (ext[0] != '\0')
                put_shell_text(tb, ext, false);
            else
                tb_putc(tb, '*');
            return;
        default: break;
    }
    if (is_path_field(f)) {
        put_shell_text(tb, path_field_value(f), false);
        return;
    }
    std::string_view value = key_value(f.kind);
    if (!value.empty()) {
        if (f.has_width && value.size() > static_cast<size_t>(f.width)) value = value.substr(0, f.width);
        put_shell_text(tb, value, false);
    } else if (!f.has_width) {
        tb_putc(tb, '*');
    } else {
        for (int i = 0; i < f.width && !tb.overflow; ++i) tb_putc(tb, '?');
    }
}

// "ls -x " and a pattern of the active template; false when it does not fit.
bool list_command(char* command, size_t size) {
    TextBuf tb = tb_start(command, size);
    tb_put(tb, "ls -x ");
    for (const char* p = conv; *p != '\0' && !tb.overflow;) {
        if (*p == '%') {
            Field f = parse_field(p + 1);
            list_field(tb, f);
            p = f.next;
            continue;
        }
        if (*p == ' ')
            tb_putc(tb, '_');  // as in building
        else if (*p != '{' && *p != '}')
            put_shell_text(tb, std::string_view(p, 1), true);
        ++p;
    }
    return !tb.overflow;
}

// "%d:%d" hours and minutes, or ":%d" minutes alone; false when neither reads.
bool read_hours_minutes(const char* p, int64_t* hours, int64_t* minutes) {
    *hours = 0;
    *minutes = 0;
    if (scan_int(p, hours)) {
        if (*p == ':') {
            ++p;
            scan_int(p, minutes);
        }
        return true;
    }
    if (*p != ':') return false;
    ++p;
    return scan_int(p, minutes);
}

void release_files() {
    free_parsed_array(files_count, files);
    files = nullptr;
    files_count = 0;
    numfile = 0;
}

}  // namespace

int FILE_get_file_only(const char* prompt, char* outfile) {
    int count = 0;
    char** values = nullptr;
    RES_getvals("filename", &count, &values);
    if (count > 0) {
        if (stricmp(values[0], "list") == 0) {
            free_parsed_array(count, values);
            FILE_list_file();
            JOX_exit(JOX_EXIT_OK);
        }
        FILE_set_file(values[0], filename);
        free_parsed_array(count, values);
        hand_out(outfile);
        return chosen_exists() ? 1 : 0;
    }
    const char* current = RES_get("current");
    if (current == nullptr && !FLAG_batch()) return ask_for_file(prompt, outfile);
    FILE_set_current(current != nullptr ? current : "la", filename);
    hand_out(outfile);
    if (!chosen_exists()) return 0;
    MESS_print(MESS_MESS, "Current filename: %s\n", filename);
    return 1;
}

int FILE_list_file() {
    char command[LIST_COMMAND_SIZE];
    if (!list_command(command, sizeof command)) {
        MESS_print(MESS_WARN, "FILE_list_file: Listing command longer than %d characters, not run\n",
                   LIST_COMMAND_SIZE - 1);
        return 0;
    }
    MESS_print(MESS_DEBUG, "SEARCH: %s\n", command);
    MESS_flush();
    int status = system(command);  // the listing goes straight to the standard output
    (void)status;
    return 0;
}

int64_t FILE_set_current(const char* cur, char* out_file) {
    char scratch[FILE_NAME_MAX];
    char* out = out_file != nullptr ? out_file : scratch;
    const char* p = cur != nullptr ? cur : "la";
    filename_type = FILE_NAME_BY_DATE;
    int64_t t = apply_fixed_fields(base_time(p));
    int sign = read_sign(p);
    if (is_digit(*p)) {
        TimeOffset o = read_offset(p);
        t += sign * offset_secs(o);
        MESS_print(MESS_DEBUG, "CUR1:%d %lld %lld %lld\n", sign, static_cast<long long>(o.days),
                   static_cast<long long>(o.hours), static_cast<long long>(o.minutes));
        MESS_print(MESS_DEBUG, "CUR1:%s %lld\n", p, static_cast<long long>(t));
        sign = read_sign(p);
    }
    if (*p == 'l') {
        ++p;
        if (*p == 'a') ++p;
        int limit = LATEST_STEPS;
        if (*p == '#') {
            ++p;
            limit = static_cast<int>(std::min(read_number(p), int64_t{LATEST_STEPS_MAX}));
        }
        t = search_latest(t, sign, limit, out);
        sign = read_sign(p);
    }
    if (is_digit(*p)) {
        TimeOffset o = read_offset(p);
        t += sign * offset_secs(o);
        MESS_print(MESS_DEBUG, "CUR2:%d %lld %lld %lld\n", sign, static_cast<long long>(o.days),
                   static_cast<long long>(o.hours), static_cast<long long>(o.minutes));
        MESS_print(MESS_DEBUG, "CUR2:%lld\n", static_cast<long long>(t));
    }
    Date d;
    DATE_get_gmdate(&t, &d);
    MESS_print(MESS_DEBUG, "%d %d %d %d\n", d.year, d.month, d.day, d.hour);
    FILE_set_date(&d, out);
    int64_t step = FILE_get_offset();
    return t / step * step;
}

int FILE_get_date(Date* date) {
    if (date != nullptr) *date = file_date;
    return 0;
}

int FILE_time_date(const char* file, Date* date) {
    if (date == nullptr) return -1;
    int64_t t = 0;
    if (file == nullptr || FILE_is_stdio(file)) {
        const char* no_text = "";
        t = base_time(no_text);
    } else {
        struct stat st;
        if (!stat_expanded(file, &st)) return -1;
        t = static_cast<int64_t>(st.st_mtime);
    }
    DATE_get_gmdate(&t, date);
    return 0;
}

int FILE_first(const Date* datim) {
    release_files();
    RES_getvals("filename", &files_count, &files);
    numfile = files_count;
    if (numfile > 0 && (strnicmp(files[0], "la", 2) == 0 || strnicmp(files[0], "cu", 2) == 0))
        numfile = 0;
    file_ind = 0;
    first_date = datim != nullptr ? *datim : file_date;
    num_hour = FILE_num_hour();
    skip = FILE_get_skip();
    offset = FILE_get_offset();
    if (skip > 0 && skip / offset >= 1) offset *= skip / offset;
    secs = num_hour < 0 ? offset * ((static_cast<int64_t>(num_hour) - offset + 1) / offset) : 0;
    nsecs = secs;
    return 0;
}

int FILE_get_next(char* file) {
    if (file == nullptr) return 0;
    if (numfile > 0 && !(numfile == 1 && num_hour != 0)) {
        while (file_ind < numfile) {
            // A refused (over-long) name is passed over; FILE_set_file reported it.
            if (FILE_set_file(files[file_ind++], file) == 0) return 1;
        }
        return 0;
    }
    if ((num_hour < 0 && nsecs > 0) || (num_hour >= 0 && nsecs > num_hour)) return 0;
    if (num_hour == 0) {
        if (filename[0] == '\0') return 0;  // nothing was chosen
        copy_name(file, filename);
    } else {
        MESS_print(MESS_DEBUG, " in: ");
        DATE_print(MESS_DEBUG, &first_date);
        int steps = FILE_set_date_off(&first_date, static_cast<int>(nsecs), file);
        if (file[0] == '\0') return 0;  // refused: no further name can be built either
        MESS_print(MESS_DEBUG, "out: ");
        DATE_print(MESS_DEBUG, &file_date);
        MESS_print(TRACE_SEQ, "NEXT: %lld %d %d %d %d %s\n", static_cast<long long>(nsecs),
                   offset, skip, num_hour, steps, file);
    }
    nsecs += offset;
    return 1;
}

int FILE_num_hour() {
    const char* text = RES_get("num_hour");
    if (text == nullptr) return DEF_HOURS;
    int64_t hours = 0;
    int64_t minutes = 0;
    read_hours_minutes(text, &hours, &minutes);
    if ((hours == 0 && text[0] == '-') || hours < 0) minutes = -minutes;
    return clamp_span(hours * SECS_PER_HOUR + minutes * SECS_PER_MIN);
}

int FILE_get_skip() {
    const char* text = RES_get("num_hour");
    const char* comma = text != nullptr ? strchr(text, ',') : nullptr;
    if (comma == nullptr) return late_off;
    int64_t hours = 0;
    int64_t minutes = 0;
    read_hours_minutes(comma + 1, &hours, &minutes);
    return clamp_span(hours * SECS_PER_HOUR + minutes * SECS_PER_MIN);
}

int FILE_get_offset() { return late_off > 0 ? late_off : NO_STEP; }

int FILE_set_date_off(Date* datim, int off, char* out_file) {
    Date start = datim != nullptr ? *datim : file_date;
    DATE_print(MESS_DEBUG, &start);
    int64_t t = DATE_num_sec(&start) + off;
    if (datim != nullptr) *datim = start;  // normalised in place
    Date d;
    DATE_get_gmdate(&t, &d);
    MESS_print(MESS_DEBUG, "%lld %d = %d %d %d %d\n", static_cast<long long>(t), off, d.year,
               d.month, d.day, d.hour);
    FILE_set_date(&d, out_file);
    return off / FILE_get_offset();
}

int FILE_reset() {
    conv[0] = hconv[0] = ext[0] = '\0';
    sconv[0] = shconv[0] = sext[0] = '\0';
    filename[0] = sfilename[0] = '\0';
    filename_type = sfilename_type = FILE_NAME_BY_DATE;
    memset(keys, 0, sizeof keys);
    key_init = false;
    late_off = slate_off = FIRST_STEP;
    min_size = smin_size = rmin_size = 0;
    file_date = set = first_date = UNSET_DATE;
    release_files();
    file_ind = 0;
    num_hour = skip = offset = 0;
    secs = nsecs = 0;
    return 0;
}
