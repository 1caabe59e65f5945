// City database file; see cty_read.h.
#include "cty_read.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "files.h"
#include "mess.h"
#include "resrc.h"
#include "string.h"
#include "tools.h"

namespace {

constexpr int BYTES_PER_LINE = 59;   // average line length, for the station-count estimate
constexpr int MAX_ESTIMATE = 4000;   // largest station-count estimate
constexpr int MIN_ESTIMATE = 1;      // the estimate becomes a bucket count
constexpr int LINE_SIZE = CTY_LINE_MAX + 1;  // bytes of the line buffer; a longer line is cut
constexpr size_t READ_BLOCK = 8192;  // bytes read from the file at a time
constexpr int PRIOR_SIZE = 5;        // bytes of the priority field ("*3*" and one more)
constexpr int NAME_WIDTH = CTY_NAME_SIZE - 1;
constexpr int STATE_WIDTH = CTY_STATE_SIZE - 1;
constexpr int REGION_WIDTH = CTY_REGION_SIZE - 1;
constexpr int ID_WIDTH = CTY_ID_SIZE - 1;
constexpr float EL_HIGHEST = 9000.0f;  // elevations above are missing
constexpr float MISSING = -9999.0f;
constexpr char FLAG_MARK = '*';
constexpr int CHAR_VALUES = 256;
// Plain decimals converted by one float division: up to 7 digits (below 2^24) and 10
// decimals (10^10 is exact in a float).
constexpr int PLAIN_DIGITS_MAX = 7;
constexpr int PLAIN_DECIMALS_MAX = 10;
constexpr float POW10F[PLAIN_DECIMALS_MAX + 1] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                  1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

FILE* city_stream = nullptr;  // the one open database file, or null
int city_type = 0;            // file type given when it was opened
char block[READ_BLOCK];       // bytes read ahead from the open file
size_t block_pos = 0;         // next unread byte of block
size_t block_len = 0;         // bytes held in block

// A record before reading: nothing known.
void clear_record(CTY_data* city) {
    city->name[0] = city->state[0] = city->region[0] = city->id[0] = '\0';
    city->prior = -9999;
    city->mos = city->ua = ' ';
    city->lat = city->lon = city->el = MISSING;
    city->wmo = WMO_MISSING;
    city->num = 0;
}

// Turns the NUL bytes among the len bytes of line into blanks, so that a binary byte never
// hides the fields after it.
void blank_nul_bytes(char* line, size_t len) {
    char* end = line + len;
    for (char* z = static_cast<char*>(memchr(line, '\0', len)); z != nullptr;
         z = static_cast<char*>(memchr(z, '\0', static_cast<size_t>(end - z))))
        *z = ' ';
}

// Reads the next line of the open file into line (LINE_SIZE bytes) and its length into *length,
// cutting what does not fit and turning NUL bytes into blanks. false at the end of the file.
bool read_line(char* line, size_t* length) {
    size_t len = 0;
    bool any = false;
    for (;;) {
        if (block_pos == block_len) {
            block_len = fread(block, 1, sizeof block, city_stream);
            block_pos = 0;
            if (block_len == 0) break;
        }
        any = true;
        const char* start = block + block_pos;
        size_t avail = block_len - block_pos;
        const auto* nl = static_cast<const char*>(memchr(start, '\n', avail));
        size_t take = nl != nullptr ? static_cast<size_t>(nl - start) : avail;
        size_t room = LINE_SIZE - 1 - len;
        memcpy(line + len, start, take < room ? take : room);
        len += take < room ? take : room;
        block_pos += take + (nl != nullptr ? 1 : 0);
        if (nl != nullptr) break;
    }
    line[len] = '\0';
    blank_nul_bytes(line, len);
    *length = len;
    return any;
}

// The characters that end a word: white space (is_space) and the terminator, as a table,
// so that a character costs one look-up.
constexpr std::array<bool, CHAR_VALUES> WORD_ENDS = [] {
    std::array<bool, CHAR_VALUES> ends{};
    for (int c = 0; c < CHAR_VALUES; ++c)
        ends[static_cast<size_t>(c)] = c == '\0' || is_space(static_cast<char>(c));
    return ends;
}();

bool ends_word(char c) { return WORD_ENDS[static_cast<unsigned char>(c)]; }

// One text field of at most width characters into out, the rest of a longer word staying
// for the next field, as a width-limited text conversion does.
bool scan_text(const char*& p, char* out, int width) {
    p = skip_spaces(p);
    if (*p == '\0') return false;
    int n = 0;
    while (n < width && !ends_word(p[n])) ++n;
    memcpy(out, p, static_cast<size_t>(n));
    out[n] = '\0';
    p += n;
    return true;
}

// One whole word into out (size bytes), cut to fit.
bool scan_word(const char*& p, char* out, int size) {
    p = skip_spaces(p);
    if (*p == '\0') return false;
    int n = 0;
    for (; !ends_word(*p); ++p)
        if (n < size - 1) out[n++] = *p;
    out[n] = '\0';
    return true;
}

// Passes over the blanks before a number field and its '+' sign, which the number parser
// does not take.
void number_start(const char*& p) {
    p = skip_spaces(p);
    if (*p == '+' && p[1] != '-' && p[1] != '+') ++p;
}

// A plain decimal of few digits ("-9.42", "160.05", "9999") converted as the correctly
// rounded conversion does it, at a fraction of its cost: its digits make an integer below
// 2^24 and its decimals a power of ten up to 10^10, both exact in a float, so one float
// division rounds correctly. false (nothing taken) for any other form: more digits, an
// exponent, no digit.
bool plain_decimal(const char*& p, const char* end, float* out) {
    const char* q = p;
    bool negative = q < end && *q == '-';
    if (negative) ++q;
    uint32_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    for (; q < end && is_digit(*q) && digits <= PLAIN_DIGITS_MAX; ++q, ++digits)
        mantissa = mantissa * 10 + static_cast<uint32_t>(*q - '0');
    if (q < end && *q == '.') {
        for (++q; q < end && is_digit(*q) && digits <= PLAIN_DIGITS_MAX; ++q, ++digits, ++decimals)
            mantissa = mantissa * 10 + static_cast<uint32_t>(*q - '0');
    }
    if (digits == 0 || digits > PLAIN_DIGITS_MAX || decimals > PLAIN_DECIMALS_MAX) return false;
    if (q < end && (*q == 'e' || *q == 'E')) return false;
    float value = static_cast<float>(mantissa) / POW10F[decimals];
    *out = negative ? -value : value;
    p = q;
    return true;
}

// A decimal number (up to end, the end of the line), correctly rounded and independent of
// the locale; the rest of the word stays for the next field. A number beyond the float
// range does not convert.
bool scan_float(const char*& p, const char* end, float* out) {
    number_start(p);
    if (plain_decimal(p, end, out)) return true;
    auto [rest, ec] = std::from_chars(p, end, *out);
    if (ec != std::errc()) return false;
    p = rest;
    return true;
}

bool scan_int(const char*& p, const char* end, int* out) {
    number_start(p);
    auto [rest, ec] = std::from_chars(p, end, *out);
    if (ec == std::errc::result_out_of_range)
        *out = *p == '-' ? INT_MIN : INT_MAX;
    else if (ec != std::errc())
        return false;
    p = rest;
    return true;
}

// The priority field: an optional '*', a digit, an optional '*'. false without the digit.
bool decode_prior(const char* field, CTY_data* city) {
    int d = field[0] == FLAG_MARK ? 1 : 0;
    if (!is_digit(field[d])) return false;
    city->mos = d == 1 ? FLAG_MARK : ' ';
    city->prior = field[d] - '0';
    city->ua = field[d + 1] == FLAG_MARK ? FLAG_MARK : ' ';
    return true;
}

// Character kinds of a line read for its keys, as a table: a character costs one look-up.
enum CharKind : unsigned char { K_NEWLINE, K_BLANK, K_WORD };
constexpr std::array<unsigned char, CHAR_VALUES> CHAR_KINDS = [] {
    std::array<unsigned char, CHAR_VALUES> kinds{};
    for (int c = 0; c < CHAR_VALUES; ++c) {
        const bool blank = c == '\0' || is_space(static_cast<char>(c));
        kinds[static_cast<size_t>(c)] = c == '\n' ? K_NEWLINE : blank ? K_BLANK : K_WORD;
    }
    return kinds;
}();

unsigned char kind_of(const char* p) { return CHAR_KINDS[static_cast<unsigned char>(*p)]; }

// The next word of a line that ends in a newline: p moves past it; its length (0 at the end
// of the line).
size_t next_word(const char*& p, const char** start) {
    while (kind_of(p) == K_BLANK) ++p;
    *start = p;
    while (kind_of(p) == K_WORD) ++p;
    return static_cast<size_t>(p - *start);
}

// The fields of one line in order, stopping at the first that does not convert; the count.
int decode_line(const char* line, size_t len, CTY_data* city) {
    const char* p = line;
    const char* end = line + len;
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
        if (!scan_float(p, end, f)) return n;
        ++n;
    }
    if (city->el > EL_HIGHEST) city->el = MISSING;
    int* ints[] = {&city->wmo, &city->num};
    for (int* i : ints) {
        if (!scan_int(p, end, i)) return n;
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
    block_pos = block_len = 0;
    return fileno(f);
}

long CTY_read_text(std::vector<char>* text) {
    if (city_stream == nullptr || text == nullptr) return -1;
    text->clear();
    // What is read ahead of a record read stays in front.
    text->insert(text->end(), block + block_pos, block + block_len);
    block_pos = block_len = 0;
    struct stat file = {};
    if (fstat(fileno(city_stream), &file) == 0 && file.st_size > 0)
        text->reserve(text->size() + static_cast<size_t>(file.st_size) + 1);
    for (;;) {
        size_t at = text->size();
        text->resize(at + READ_BLOCK);
        size_t n = fread(text->data() + at, 1, READ_BLOCK, city_stream);
        text->resize(at + n);
        if (n == 0) break;
    }
    blank_nul_bytes(text->data(), text->size());
    return static_cast<long>(text->size());
}

int CTY_decode(const char* line, size_t length, CTY_data* city) {
    if (line == nullptr || city == nullptr) return 0;
    char copy[LINE_SIZE];
    size_t n = length < LINE_SIZE - 1 ? length : LINE_SIZE - 1;
    memcpy(copy, line, n);
    copy[n] = '\0';
    blank_nul_bytes(copy, n);
    clear_record(city);
    return decode_line(copy, n, city);
}

int CTY_line_keys(const char* line, size_t length, CTY_keys* keys) {
    // The scan runs to the newline, which the text must hold where the line ends; a line too
    // long to be read whole is cut, which only the full decoding does.
    if (line == nullptr || keys == nullptr || length > CTY_LINE_MAX || line[length] != '\n')
        return 0;
    const char* p = line;
    const char* word = nullptr;
    size_t n = next_word(p, &word);  // the name
    if (n < 1 || n > NAME_WIDTH) return 0;
    n = next_word(p, &word);  // the state
    if (n < 1 || n > STATE_WIDTH) return 0;
    n = next_word(p, &word);  // the region
    if (n < 1 || n > REGION_WIDTH) return 0;
    n = next_word(p, &word);
    if (n < 1 || n > ID_WIDTH) return 0;
    keys->id = std::string_view(word, n);
    n = next_word(p, &word);  // the priority: an optional '*', then its digit
    const size_t d = n > 0 && word[0] == FLAG_MARK ? 1 : 0;
    if (n <= d || !is_digit(word[d])) return 0;
    keys->prior = word[d] - '0';
    return 1;
}

int CTY_read(int, CTY_data* city) {
    if (city_stream == nullptr || city == nullptr) return -1;
    clear_record(city);
    char line[LINE_SIZE];
    for (;;) {
        size_t len = 0;
        if (!read_line(line, &len)) return -1;
        int fields = decode_line(line, len, city);
        if (fields > 0) return fields;  // 0: a blank line
    }
}

int CTY_rewind(int) {
    if (city_stream == nullptr) return -1;
    rewind(city_stream);
    block_pos = block_len = 0;
    return 0;
}

int CTY_close(int) {
    if (city_stream == nullptr) return -1;
    FILE_close(city_stream);
    city_stream = nullptr;
    city_type = 0;
    block_pos = block_len = 0;
    return 0;
}

int CTY_open_file(const char* city_file, int* num_stats) {
    const char* file = city_file != nullptr ? city_file : CTY_DEFAULT_FILE;
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
