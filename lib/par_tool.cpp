// Bulletin reader; see par_tool.h.
#include "par_tool.h"

#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "files.h"
#include "mess.h"
#include "resrc.h"
#include "scanp.h"
#include "string.h"
#include "system.h"

PDB_record pdb = {};

namespace {

constexpr M_type PAR_TRACE = 0x40000000u;  // the reader's sub-level of debug
constexpr M_type PAR_LIST = 0x00000001u;   // listed lines: the first sub-level of print
constexpr float PAR_WAIT_SECS = 1.0f;      // continuous mode: pause before reading again
constexpr int PAR_INDEX_TEXT_MAX = 128;    // characters of an index entry's heading text
constexpr int PAR_INDEX_LINE_SIZE = 160;   // bytes of one index line as read (rest dropped)
constexpr int PAR_LOOKUP_WORD_MAX = 19;    // characters of a word of the lookup table
constexpr int PAR_LOOKUP_LINE_SIZE = 128;  // bytes of one lookup-table line as read
constexpr int PAR_RULE_NUMBER_AT = 5;      // "line_N", "skip_N": where the count begins
constexpr int PAR_ZONE_PREFIX = 3;         // state and type letters of a zone code
constexpr int PAR_PATTERN_SIZE = 129;      // bytes of the heading pattern kept (cut to fit)
constexpr int PAR_WORD_SIZE = 10;          // bytes of the word of bare reports (cut to fit)
constexpr char PAR_SOH = 1;                // start of a transmitted product
constexpr char PAR_ETX = 3;                // end of a transmitted product
constexpr auto PAR_PIECE_MAX = static_cast<size_t>(PAR_LINE_MAX);  // bytes of a piece read
constexpr char PAR_FILL = 1;               // fills the working line before a read from a pipe
constexpr uint8_t PAR_PLAIN_FIRST = 32;    // plain characters, which clean_line keeps as they
constexpr uint8_t PAR_PLAIN_COUNT = 96;    // are: 32 to 127
constexpr const char* PAR_LOOKUP_FILE = "parse.lup";
constexpr const char* PAR_NONE = "----";  // a trace field that holds no text

constexpr unsigned long PAR_END_BIT = 4;      // product ended (with 5: at the next heading)
constexpr unsigned long PAR_HEADING_BIT = 1;  // the ending line is the next heading
constexpr int PAR_SKIP_LINES = 0x10;          // skip rule: a number of lines
constexpr int PAR_SKIP_BLANK = 0x100;         // skip rule: up to a blank line
constexpr int PAR_WHICH_LAST = 1;             // selection mode: keep the last product
constexpr int PAR_WHICH_CONT = 2;             // selection mode: wait for more data

// The one file slot.
struct Slot {
    FILE* ifile;                      // the bulletin file; null while closed
    FILE* hfile;                      // its header index, or null
    Date date;                        // the date the file was opened for
    long pos;                         // offset of the line last read
    long offset;                      // offset of the next read: the bytes taken so far
    bool newline_taken;               // the reading stands one byte beyond offset: the newline
                                      // ending the last line read was taken with it
    bool bulk;                        // a regular file, read through the input block
    size_t block_at;                  // the next byte of the input block to read: the reading
                                      // stands there, the file block_end - block_at bytes on
    size_t block_end;                 // bytes of the input block filled
    bool cut;                         // the last piece read filled the working line without
                                      // reaching its line's end: the next one may continue it
    bool bare;                        // the current product is a bare one (no heading)
    bool in_forecast;                 // within a product the search found by its heading:
                                      // lines there never start a bare product
    char header[PAR_HEADER_MAX + 1];  // current heading, or a next heading held over
    char line[PAR_LINE_SIZE];         // held line: a report's first line or an ending line
    bool line_continues;              // the held line is a piece continuing a file line
    bool handed_continues;            // so is the line reading handed out last
    unsigned long cur;                // status: last end code, or 1 after a product was found
    long index_off;                   // offset of the last index entry taken; -1 none yet
    char name[FILE_NAME_MAX];         // the bulletin file opened (reopened in the last mode)
};

// The product remembered by the last mode.
struct SavedProduct {
    long pos;  // offset where reading resumes; -1 while nothing is saved
    Date date;
    char header[PAR_HEADER_MAX + 1];
    char line[PAR_LINE_SIZE];
    bool line_continues;
    bool bare;
    char name[FILE_NAME_MAX];
};

Slot slot = {};
// The slot's input block: the bytes of a regular file read ahead of the reading, in reads of
// the block's size; [block_at, block_end) of it are still to read. A pipe or terminal is read
// a piece at a time through its stream instead (Slot::bulk false), so that a line is handed
// out as soon as it came and nothing behind it is taken from the stream.
// Lines are found and copied sixteen bytes at a time: the block has room for a last read of
// sixteen behind its data.
constexpr size_t SCAN_WIDTH = 16;
static_assert(PAR_LINE_MAX % SCAN_WIDTH == 0, "a piece copied in whole blocks stays in the line");
char block[PAR_BLOCK_SIZE + SCAN_WIDTH];
char work[PAR_LINE_SIZE];    // the working line: the latest line read from the file
// The working line's length while it holds the characters the reader stored there and they
// are all plain (32 to 127), which clean_line keeps as they are; -1 otherwise.
long work_plain = -1;
bool work_continues = false;      // the working line is a piece continuing the file line before
const char* piece_source = work;  // where the working line's last piece was copied from
char pattern[PAR_PATTERN_SIZE];   // heading pattern of the last search (ends bare products)
char report_word[PAR_WORD_SIZE];  // the word that begins a bare report; empty: none
size_t report_word_length = 0;    // its characters (every identification line tests it)
char infile[PAR_TYPE_SIZE];  // the bulletin file type (name-convention key)
unsigned long end_rules = 0;  // end rule bits (PAR_END_*)
int skip_rules = 0;          // skip rule bits (PAR_SKIP_*)
int cur_lines = 0;           // lines tested since the last read or listing began
int max_lines = 0;           // line limit of the end rule 0x10
int skip_lines = 0;          // line count of the skip rule 0x10
int blank_lines = 0;         // consecutive blank lines seen
int which = 0;               // selection mode: 0 or -1 first, 1 last, 2 continuous
int output = PAR_OUT_HEADER | PAR_OUT_LINES;  // what reading and listing hand out
int numid = -1;                               // identifiers listed; -1 not set yet, 0 every report
char** ids = nullptr;                         // the identifier list (parse_string)
char zone_prefix[PAR_ZONE_PREFIX + 1];        // zone test: state and type of the current zone line
FILE* ofile = nullptr;                        // listing copy file, or null
int out_file_tried = 0;                       // 1 once the listing tried to open ofile
SavedProduct product = {-1, {}, "", "", false, false, ""};

// Where the listing and reading stand within a report.
enum class Printing { off, on, ended };

constexpr Date PAR_NO_DATE = {DATE_MISSING, DATE_MISSING, DATE_MISSING, DATE_MISSING,
                              DATE_MISSING, DATE_MISSING, DATE_MISSING, 0};

bool slot_open(int ind) {
    return ind == 0 && slot.ifile != nullptr;
}

// The working line's text.
std::string_view work_text() {
    return work_plain >= 0 ? std::string_view(work, static_cast<size_t>(work_plain))
                           : std::string_view(work);
}

// Holds the working line in the slot (with whether it continues a file line).
void hold_work_line() {
    copy_cut(slot.line, work_text());
    slot.line_continues = work_continues;
}

// Makes the held line the working line again.
void work_on_held_line() {
    copy_cut(work, slot.line);
    work_plain = -1;
    work_continues = slot.line_continues;
}

const char* or_none(const char* text) {
    return text != nullptr && *text != '\0' ? text : PAR_NONE;
}

// One trace line of the search, identification and listing.
void trace(const char* tag, const char* text) {
    if (!MESS_check(PAR_TRACE)) return;
    MESS_print(PAR_TRACE, "%s:%3lX:%6ld:%-20.20s:%-10.10s:%-10.10s:\n", tag, slot.cur, slot.pos,
               or_none(text), slot.header, slot.line);
}

// The trace line of reading, with the number of the line wanted.
void trace_read(const char* tag, const char* text, int num) {
    if (!MESS_check(PAR_TRACE)) return;
    MESS_print(PAR_TRACE, "%s:%3lX:%6ld:%-20.20s:%-10.10s:%-10.10s:%d:\n", tag, slot.cur, slot.pos,
               or_none(text), slot.header, slot.line, num);
}

// Makes at least want bytes stand in the input block of a regular file from block_at
// (reading the rest of the block behind the unread ones, which move to its start). The
// file's end stays seen (feof) until clearerr, as in the stream's own reads. A read that
// brought bytes met the end too (it stops there) but that does not count yet: the end is
// seen when the reading needs a byte beyond them, as with the stream's own small reads (a
// file that grows while it is read is read on). The bytes standing there: fewer than want
// only at the end of the file.
size_t fill_block(size_t want) {
    const size_t have = slot.block_end - slot.block_at;
    FILE* f = slot.ifile;
    if (have >= want || feof(f)) return have;
    memmove(block, block + slot.block_at, have);
    slot.block_at = 0;
    const size_t got = fread(block + have, 1, PAR_BLOCK_SIZE - have, f);
    if (got > 0 && !ferror(f)) clearerr(f);
    slot.block_end = have + got;
    return slot.block_end;
}

// Takes the newline that comes next, if one does: true when it did.
bool take_newline() {
    if (slot.bulk) {
        if (fill_block(1) == 0 || block[slot.block_at] != '\n') return false;
        ++slot.block_at;
        return true;
    }
    const int c = getc_unlocked(slot.ifile);
    if (c == '\n') return true;
    if (c != EOF) ungetc(c, slot.ifile);
    return false;
}

// The first newline among the look bytes of the block at from, or null. (A call of the
// library for each line of a few dozen bytes would cost more than the search.)
const char* find_newline(const char* from, size_t look) {
#if defined(__SSE2__)
    const __m128i newline = _mm_set1_epi8('\n');
    for (size_t at = 0; at < look; at += SCAN_WIDTH) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
        auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, newline)));
        if (look - at < SCAN_WIDTH) found &= (1U << (look - at)) - 1;
        if (found != 0) return from + at + __builtin_ctz(found);
    }
    return nullptr;
#else
    return static_cast<const char*>(memchr(from, '\n', look));
#endif
}

// Copies the next piece of a line from the input block into the working line: up to
// PAR_LINE_MAX bytes, through the first newline among them (fewer at the end of the file).
// The bytes taken (the newline among them when it ended the piece); 0 at the end of the file.
size_t piece_from_block() {
    size_t have = slot.block_end - slot.block_at;
    size_t n = 0;
    for (;;) {
        const size_t look = have < PAR_PIECE_MAX ? have : PAR_PIECE_MAX;
        const char* from = block + slot.block_at;
        if (const char* nl = find_newline(from, look)) {
            n = static_cast<size_t>(nl - from) + 1;
            break;
        }
        n = look;
        if (look == PAR_PIECE_MAX) break;
        const size_t more = fill_block(PAR_PIECE_MAX);
        if (more == have) break;
        have = more;
    }
    // Whole blocks of sixteen: the piece is at most PAR_LINE_MAX bytes, a multiple of them,
    // and the block has room behind its data.
    const char* from = block + slot.block_at;
    for (size_t at = 0; at < n; at += SCAN_WIDTH) memcpy(work + at, from + at, SCAN_WIDTH);
    piece_source = from;
    slot.block_at += n;
    return n;
}

// Reads the next piece of a line from a pipe or terminal into the working line, as the block
// does it, with one fgets (which stops after a newline), so that a line is handed out as soon
// as it came and nothing behind it is taken from the stream. Its terminator is the last NUL
// byte of the working line, filled with PAR_FILL first (a NUL byte of the line's own is
// text): strlen finds it unless the text holds one or ends without a newline before the
// room does.
size_t piece_from_stream() {
    memset(work, PAR_FILL, sizeof work);
    piece_source = work;
    if (fgets(work, sizeof work, slot.ifile) == nullptr) return 0;
    size_t n = strlen(work);
    if (n < PAR_PIECE_MAX && (n == 0 || work[n - 1] != '\n')) {
        n = PAR_PIECE_MAX;
        while (n > 0 && work[n] != '\0') --n;
    }
    return n;
}

// Whether the n bytes at text are all plain characters (32 to 127), tested eight at a time: a
// byte below 32 sets the top bit of its difference to 32 (and may borrow from the next byte,
// which does not matter, since the word holds an outside byte then), a byte from 128 up has
// the top bit set itself.
bool all_plain(const char* text, size_t n) {
    constexpr uint64_t ONES = 0x0101010101010101u;
    constexpr uint64_t TOPS = 0x8080808080808080u;
    constexpr size_t WORD = sizeof(uint64_t);
    auto outside = [&](size_t at) {
        uint64_t w;
        memcpy(&w, text + at, WORD);
        return ((w - ONES * PAR_PLAIN_FIRST) | w) & TOPS;
    };
    if (n < WORD) {
        for (size_t i = 0; i < n; ++i)
            if (static_cast<unsigned char>(text[i] - PAR_PLAIN_FIRST) >= PAR_PLAIN_COUNT)
                return false;
        return true;
    }
    uint64_t found = outside(n - WORD);  // the last word, which may overlap the one before
    for (size_t i = 0; i + WORD < n; i += WORD) found |= outside(i);
    return found == 0;
}

// Reads the next piece of a bulletin line into the working line, counting the bytes taken
// (asking the stream for its offset costs a system call). A NUL byte reads as a blank (so
// that the text behind it is not lost); carriage returns and newlines are removed. The
// pieces are those of fgetnline, at most PAR_LINE_MAX characters: the newline ending a line
// counts as taken at the start of the next read, where a newline that follows a piece not
// ended by one is passed over (a line of exactly PAR_LINE_MAX characters, the start of the
// file or a place sought). The piece takes its own newline with it; the slot notes that. A
// piece that follows a full piece without a newline between them continues the same file
// line (work_continues). The count read, or -1 at the end of the file.
int read_work_line() {
    int newline = 0;  // the newline ending the previous line
    if (slot.newline_taken) {
        newline = 1;
        slot.newline_taken = false;
    } else if (take_newline()) {
        newline = 1;
    }
    work_continues = slot.cut && newline == 0;
    slot.cut = false;
    size_t n = slot.bulk ? piece_from_block() : piece_from_stream();
    if (n == 0) {
        work[0] = '\0';
        work_plain = 0;
        work_continues = false;
        return -1;
    }
    // The tests read the piece where it came from: read back from the working line just
    // written, its words would wait for the copy's stores.
    const char* const source = piece_source;
    if (source[n - 1] == '\n') {
        slot.newline_taken = true;
        --n;
    } else {
        slot.cut = n == PAR_LINE_MAX;
    }
    slot.offset += static_cast<long>(n) + newline;
    // Carriage returns at the end (a feed's CR CR LF) are cut off first; the characters of
    // most lines are plain then, and the rest is done only for the others.
    size_t kept = n;
    while (kept > 0 && source[kept - 1] == '\r') --kept;
    work[kept] = '\0';
    if (all_plain(source, kept)) {
        work_plain = static_cast<long>(kept);
        return static_cast<int>(n);
    }
    work_plain = -1;
    if (memchr(work, '\0', kept) != nullptr)
        for (size_t i = 0; i < kept; ++i)
            if (work[i] == '\0') work[i] = ' ';
    if (auto* cr = static_cast<char*>(memchr(work, '\r', kept))) {
        char* out = cr;
        for (const char* in = cr; in < work + kept; ++in)
            if (*in != '\r') *out++ = *in;
        *out = '\0';
    }
    return static_cast<int>(n);
}

// Reads one whole line of a small table file into buf (size bytes), dropping what does not
// fit and consuming the newline. The count stored, or -1 at the end of the file.
int read_table_line(FILE* f, char* buf, int size) {
    int n = 0;
    int c = getc_unlocked(f);
    if (c == EOF) {
        buf[0] = '\0';
        return -1;
    }
    for (; c != EOF && c != '\n'; c = getc_unlocked(f))
        if (n < size - 1) buf[n++] = c == '\0' ? ' ' : static_cast<char>(c);
    buf[n] = '\0';
    return n;
}

// Continuous mode: the file may grow; wait, then let the next read see the new data.
void wait_for_more(FILE* f) {
    JOX_sleep(PAR_WAIT_SECS);
    clearerr(f);
}

// Whether a line ends any product whatever the end rules: SOH, ETX, or a "** " line (which
// is the next product's heading at the same time).
bool ends_product(const char* line) {
    return line[0] == PAR_ETX || line[0] == PAR_SOH || strncmp(line, "** ", 3) == 0;
}

// Notes the offset and reads the next bulletin line into the working line. 1 for a line.
// At the end of the file cur becomes 4; in continuous mode the working line is emptied
// after a pause and the result is 0; otherwise nothing stays held and the result is -1.
int next_line() {
    slot.pos = slot.offset;
    if (read_work_line() >= 0) return 1;
    slot.cur = PAR_END_PRODUCT;
    slot.in_forecast = false;
    if (which == PAR_WHICH_CONT) {
        wait_for_more(slot.ifile);
        return 0;
    }
    slot.line[0] = '\0';
    slot.header[0] = '\0';
    return -1;
}

// ---- Heading comparison ----

// Whether c is a member of the set text [first, last) (after "[" and "^"); members are
// literal characters.
bool set_has(const char* first, const char* last, char c) {
    for (const char* m = first; m < last; ++m)
        if (*m == c) return true;
    return false;
}

// A "[" set "]" at p (pointing at "["), within the pattern up to limit. Tells whether c is
// selected and returns the position behind the set.
const char* match_set(const char* p, const char* limit, char c, bool* selected) {
    const char* first = p + 1;
    bool invert = first < limit && *first == '^';
    if (invert) ++first;
    const char* last = first;
    while (last < limit && *last != ']') ++last;
    *selected = set_has(first, last, c) != invert;
    return last < limit ? last + 1 : last;
}

// The end of the alternative that begins at p: the next "|" or ")" outside a set, or the end
// of the pattern.
const char* alternative_end(const char* p) {
    while (*p != '\0' && *p != '|' && *p != ')') {
        if (*p == '[') {
            ++p;
            while (*p != '\0' && *p != ']') ++p;
            if (*p == '\0') break;
        }
        ++p;
    }
    return p;
}

// Tries the alternative [a, a_end) at heading position *h. 1 when it matched (*h moves behind
// it), 0 when it differed, -1 when the heading ended within it.
int match_alternative(const char* a, const char* a_end, const char** h) {
    const char* t = *h;
    while (a < a_end) {
        if (*t == '\0') return -1;
        if (*a == '.' || *a == '?') {
            ++a;
        } else if (*a == '[') {
            bool selected = false;
            a = match_set(a, a_end, *t, &selected);
            if (!selected) return 0;
        } else if (*a++ != *t) {
            return 0;
        }
        ++t;
    }
    *h = t;
    return 1;
}

// "(" alternatives "|" ... ")" at *p against the heading at *h: 1 when one matched (both
// move behind), 0 when none did, -1 when none did and the heading ended within the last.
int match_alternatives(const char** p, const char** h) {
    const char* a = *p + 1;
    for (;;) {
        const char* a_end = alternative_end(a);
        int got = match_alternative(a, a_end, h);
        if (got == 1) {
            while (*a_end == '|') a_end = alternative_end(a_end + 1);
            *p = *a_end == ')' ? a_end + 1 : a_end;
            return 1;
        }
        if (*a_end != '|') return got;
        a = a_end + 1;
    }
}

// The grid product description field a "/GRIB" pattern letter names, or null.
const int* grib_field(char letter) {
    switch (letter) {
        case 'M':
            return &pdb.model;
        case 'G':
            return &pdb.type;
        case 'L':
            return &pdb.ltype;
        case 'H':
            return &pdb.level;
        case 'T':
            return &pdb.time;
        case 'V':
            return &pdb.var;
        default:
            return nullptr;
    }
}

// The rest of a pattern after "/" against a GRIB second text: pairs of a letter and a number.
int compare_grib(const char* p) {
    while (*p != '\0') {
        if (*p == ' ') {
            ++p;
            continue;
        }
        const int* field = grib_field(*p++);
        char* end = nullptr;
        long value = strtol(p, &end, 10);
        p = end;
        if (field == nullptr || *field != value) return 1;
    }
    return 0;
}

// Past the space characters at s: in headings and index entries a tab is text.
const char* skip_space_chars(const char* s) { return s + strspn(s, " "); }

// ---- Report selection ----

// "ua:" form: the text behind the report type and time groups begins with the station.
bool upper_air_selects(const char* line, const char* station) {
    parse_param param;
    scanp_set(&param, line);
    const char* text = line;
    if (scanp(&param, "%*(TT|PP)%*s %*s ") == 3)
        text = line + param.len;
    else if (scanp(&param, "%*s %*(TT|PP)%*s %*s ") == 4)
        text = line + param.len;
    return begins_nocase(text, station);
}

// Whether one identifier selects the line; the forms are tried in their given order.
bool identifier_selects(const char* line, const char* id) {
    if (begins_nocase(id, "ua:")) return upper_air_selects(line, id + 3);
    if (begins_nocase(id, "zn:")) {
        if (PAR_zone_cmp(line, id + 3) == 1) return true;
    } else if (id[0] == '%') {
        if (PAR_zone_cmp(line, id + 1) == 1) return true;
    } else if (id[0] == '+') {
        if (strstr(line, id + 1) != nullptr) return true;
    }
    return begins_nocase(line, id);
}

// ---- Bare reports ----

// The words that may stand between the report word and the station, in this order.
constexpr std::string_view PAR_REPORT_MARKS[] = {"AMD", "COR"};

// Whether text begins with the (non-empty) word: in its first column, then a blank, a tab
// or the end.
bool begins_with_word(const char* text, std::string_view word) {
    return text[0] == word[0] && strncmp(text, word.data(), word.size()) == 0 &&
           (is_blank(text[word.size()]) || text[word.size()] == '\0');
}

// Whether the line begins with the report word. A piece that continues a file line is no
// line of its own.
bool is_report_line(const char* line, bool continues) {
    return report_word_length > 0 && !continues &&
           begins_with_word(line, std::string_view(report_word, report_word_length));
}

// The text behind the report word and the optional marks of a line that begins with the
// word ("TAF AMD CYYZ ..." gives "CYYZ ..."); null for any other line.
const char* past_report_words(const char* line, bool continues) {
    if (!is_report_line(line, continues)) return nullptr;
    const char* p = skip_blanks(line + report_word_length);
    for (std::string_view mark : PAR_REPORT_MARKS)
        if (begins_with_word(p, mark)) p = skip_blanks(p + mark.size());
    return p;
}

// In a bare product, a working line the heading pattern matches ends the product and is
// held as the next heading, as a "** " line is: the code becomes 5. Other codes pass.
unsigned long bare_product_end(unsigned long code) {
    if (!slot.bare || (code & PAR_END_BIT) != 0 || work_continues || pattern[0] == '\0')
        return code;
    if (PAR_cmp(work, "", pattern) != 0) return code;
    return slot.cur = PAR_END_HEADING;
}

// In a bare product, a report also ends before a working line that begins with the report
// word, unless that line is the report's first: it is held and begins the next report.
unsigned long bare_report_end(unsigned long code, bool first) {
    if (!slot.bare || first || (code & PAR_END_BIT) != 0) return code;
    if (!is_report_line(work, work_continues)) return code;
    return slot.cur = PAR_END_NEXT;
}

// Both end tests of a bare product after the end rules of a working line.
unsigned long bare_ends(unsigned long code, bool first) {
    return bare_report_end(bare_product_end(code), first);
}

// Whether the line begins a report of a listed station. A line that begins with the report
// word is also tested with the text behind its words, as a plain identifier.
bool selects(const char* line, bool continues) {
    const char* station = past_report_words(line, continues);
    for (int i = 0; i < numid; ++i) {
        if (identifier_selects(line, ids[i])) return true;
        if (station != nullptr && begins_nocase(station, ids[i])) return true;
    }
    return false;
}

// The identifier list, read from the resource when it was never set.
void load_identifiers() {
    if (numid >= 0) return;
    numid = 0;
    RES_getvals("identifier", &numid, &ids);
    if (numid < 0) numid = 0;
}

void free_identifiers() {
    if (numid > 0) free_parsed_array(numid, ids);
    ids = nullptr;
    numid = -1;
}

// Reads up to three digits at s (stopping at anything else); the number.
int zone_number(const char* s) {
    int value = 0;
    for (int i = 0; i < 3 && is_digit(s[i]); ++i) value = value * 10 + (s[i] - '0');
    return value;
}

bool zone_separator(char c) {
    return c == '-' || c == '>';
}

bool is_zone_line(const char* line, size_t len) {
    if (len >= 7 && is_letter(line[0]) && is_letter(line[1]) && zone_separator(line[6]))
        return true;
    return len >= 4 && is_digit(line[0]) && is_digit(line[1]) && zone_separator(line[3]);
}

// ---- End rules and the printing state ----

// Printing state after a line's end code: a code of a skip rule starts printing, any other
// non-zero code ends it.
Printing next_printing(Printing state, unsigned long code) {
    if ((code & static_cast<unsigned long>(skip_rules)) != 0) return Printing::on;
    if (code != 0) return Printing::ended;
    return state;
}

Printing first_printing() {
    return skip_rules == 0 ? Printing::on : Printing::off;
}

// A number behind the rule word ("line_5"), or 1 for the bare word.
int rule_count(const char* value) {
    size_t len = strlen(value);
    if (len == 4) return 1;
    if (len < PAR_RULE_NUMBER_AT) return 0;
    return clamped_int(value + PAR_RULE_NUMBER_AT);
}

// Applies one value of the resource parameter; unknown values are ignored.
void apply_parameter(const char* value) {
    if (stricmp(value, "dollar") == 0) {
        end_rules |= PAR_END_DOLLAR;
    } else if (stricmp(value, "blank") == 0) {
        end_rules |= PAR_END_BLANK;
    } else if (stricmp(value, "3blank") == 0) {
        end_rules |= PAR_END_3BLANK;
    } else if (stricmp(value, "equal") == 0) {
        end_rules |= PAR_END_EQUAL;
    } else if (strnicmp(value, "line", 4) == 0) {
        end_rules |= PAR_END_LINES;
        max_lines = rule_count(value);
    } else if (stricmp(value, "skip_blank") == 0) {  // before the general "skip" form
        skip_rules |= PAR_SKIP_BLANK;
    } else if (strnicmp(value, "skip", 4) == 0) {
        skip_rules |= PAR_SKIP_LINES;
        skip_lines = rule_count(value);
    } else if (stricmp(value, "first") == 0) {
        which = -1;
    } else if (stricmp(value, "last") == 0) {
        which = PAR_WHICH_LAST;
    } else if (stricmp(value, "cont") == 0) {
        which = PAR_WHICH_CONT;
    } else if (stricmp(value, "hdr") == 0) {
        output = PAR_OUT_HEADER;
    } else if (stricmp(value, "prod") == 0) {
        output = PAR_OUT_LINES;
    } else if (stricmp(value, "hdr+prod") == 0) {
        output = PAR_OUT_HEADER | PAR_OUT_LINES;
    }
}

// Loads the naming convention of a type through a copy (key suffixes are cut from the text).
void set_name_of(const char* type) {
    char copy[PAR_TYPE_SIZE];
    copy_cut(copy, type);
    FILE_set_name(copy);
}

// ---- Opening ----

// Opens the named bulletin file (and the index file, when named) into the slot. 0, or -1.
int open_slot(const char* name, const char* hname, const Date* date) {
    PAR_close(0);
    MESS_print(MESS_MESS, "Parsing: %s\n", name);
    FILE* f = FILE_open(name, "r");
    if (f == nullptr) return -1;
    slot.ifile = f;
    slot.hfile = hname[0] != '\0' && !FILE_is_stdio(hname) ? FILE_open(hname, "r") : nullptr;
    slot.date = date != nullptr ? *date : PAR_NO_DATE;
    slot.header[0] = '\0';
    slot.line[0] = '\0';
    slot.cur = 0;
    slot.pos = 0;
    slot.offset = 0;
    slot.newline_taken = false;
    struct stat st;
    slot.bulk = fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
    slot.block_at = 0;
    slot.block_end = 0;
    slot.cut = false;
    slot.bare = false;
    slot.in_forecast = false;
    slot.line_continues = false;
    slot.handed_continues = false;
    work_continues = false;
    slot.index_off = -1;
    copy_cut(slot.name, name);
    return 0;
}

// ---- Index search ----

// Moves the bulletin file to offset, dropping the bytes read ahead; false when it cannot (the
// reading stays where it stood).
bool seek_to(long offset) {
    clearerr(slot.ifile);
    if (offset < 0 || fseek(slot.ifile, offset, SEEK_SET) != 0) return false;
    slot.block_at = 0;
    slot.block_end = 0;
    slot.offset = offset;
    slot.newline_taken = false;
    slot.cut = false;
    return true;
}

// The index no longer fits the bulletin file: search the file itself from where it stands.
void drop_index(long resume) {
    trace("SE-X", PAR_NONE);
    FILE_close(slot.hfile);
    slot.hfile = nullptr;
    seek_to(resume);
}

// Goes to the product at offset and takes its heading line. false when the line there cannot
// be read or is no heading of the pattern.
bool take_indexed(long offset, const char* second, const char* rhdr) {
    if (!seek_to(offset) || read_work_line() < 0) return false;
    if (PAR_cmp(work, second, rhdr) != 0) return false;
    slot.pos = offset;
    copy_cut(slot.header, work);
    slot.line[0] = '\0';
    slot.cur = PAR_FOUND;
    slot.bare = false;
    slot.in_forecast = true;
    slot.index_off = offset;
    trace("SE-1", work);
    return true;
}

// One index entry. 1 a product found, 0 go on, -1 end of the index (outside continuous mode).
// An entry that does not fit the bulletin file (no offset, an offset not past the previous
// one, or no matching heading at it) ends the use of the index.
int index_step(const char* rhdr) {
    char entry[PAR_INDEX_LINE_SIZE];
    if (read_table_line(slot.hfile, entry, sizeof entry) < 0) {
        slot.line[0] = '\0';
        if (which != PAR_WHICH_CONT) {
            slot.header[0] = '\0';
            return -1;
        }
        wait_for_more(slot.hfile);
        return 0;
    }
    const long resume = slot.offset;
    if (string_is_blank(entry)) return 0;
    char* end = nullptr;
    long offset = strtol(entry, &end, 10);
    if (end == entry || offset < 0 || offset <= slot.index_off) {
        drop_index(resume);
        return 0;
    }
    char text[PAR_INDEX_TEXT_MAX + 1];
    copy_cut(text, skip_space_chars(end));
    char* slash = strchr(text, '/');
    const char* second = "";
    if (slash != nullptr) {
        *slash = '\0';
        second = slash + 1;
    }
    if (PAR_cmp(text, second, rhdr) != 0) {
        slot.index_off = offset;
        return 0;
    }
    if (take_indexed(offset, second, rhdr)) return 1;
    drop_index(resume);
    return 0;
}

// One line of the search in the bulletin file itself. 1 found, 0 go on, -1 end of file.
// Besides a heading, a line that begins with the report word starts a bare product: there
// is no heading, and the line is held as the first line of its first report.
int line_step(const char* rhdr) {
    // A held heading is taken over unless it is the one of the product just found.
    if (slot.header[0] == '\0' || slot.cur == PAR_FOUND) {
        int got = next_line();
        if (got < 0) return -1;
        if (got == 0) return 0;
        // The search goes on within a product when its reports were not all read.
        if (ends_product(work)) slot.in_forecast = false;
    } else {
        copy_cut(work, slot.header);
        work_plain = -1;
        work_continues = false;
    }
    trace("SE-2", work);
    if (PAR_cmp(work, "", rhdr) == 0) {
        copy_cut(slot.header, work);
        slot.line[0] = '\0';
        slot.cur = PAR_FOUND;
        slot.bare = false;
        slot.in_forecast = true;
        trace("SE-$", work);
        return 1;
    }
    slot.header[0] = '\0';
    if (slot.in_forecast || !is_report_line(work, work_continues)) return 0;
    hold_work_line();
    slot.cur = PAR_FOUND;
    slot.bare = true;
    trace("SE-$", work);
    return 1;
}

// ---- Last mode ----

constexpr int PAR_GO_ON = 2;  // last mode: the saved product is back, go on

// The last mode's part of listing and reading. With a flag other than PAR_CLOSE_AFTER the
// current product is saved and cur becomes saved_cur (result 1, or -1 without a file); with
// PAR_CLOSE_AFTER the saved product is reopened (PAR_GO_ON, or -1).
int last_mode(int ind, int flag, unsigned long saved_cur) {
    if (flag != PAR_CLOSE_AFTER) {
        if (!slot_open(ind)) return -1;
        product.pos = slot.offset;
        product.date = slot.date;
        copy_cut(product.header, slot.header);
        copy_cut(product.line, slot.line);
        product.line_continues = slot.line_continues;
        product.bare = slot.bare;
        copy_cut(product.name, slot.name);
        slot.line[0] = '\0';
        slot.header[0] = '\0';
        slot.cur = saved_cur;
        return 1;
    }
    if (product.pos < 0) return -1;
    if (open_slot(product.name, "", &product.date) < 0) return -1;
    if (!seek_to(product.pos)) return -1;
    copy_cut(slot.header, product.header);
    copy_cut(slot.line, product.line);
    slot.line_continues = product.line_continues;
    slot.bare = product.bare;
    return PAR_GO_ON;
}

// ---- Listing ----

void list_line(const char* text) {
    MESS_print(PAR_LIST, "%s\n", text);
    if (ofile != nullptr) fprintf(ofile, "%s\n", text);
}

// After a product or report ended at the working line: hold it as the next heading or as a
// line that may begin the next report.
void hold_ending_line() {
    if ((slot.cur & PAR_HEADING_BIT) != 0) {
        copy_cut(slot.header, work);
        slot.line[0] = '\0';
    } else {
        hold_work_line();
        slot.header[0] = '\0';
    }
}

}  // namespace

// ---- Settings ----

int PAR_in_file(const char* in) {
    copy_cut(infile, in != nullptr ? in : "");
    set_name_of(infile);
    int count = 0;
    char** values = nullptr;
    RES_getvals("in_file", &count, &values);
    for (int i = 0; i < count; ++i) {
        copy_cut(infile, values[i]);
        set_name_of(infile);
    }
    if (count > 0) free_parsed_array(count, values);
    if (count <= 0) {
        const char* prod = RES_get("product");
        char copy[FILE_NAME_MAX];
        copy_cut(copy, prod != nullptr ? prod : "");
        if (PAR_lookup(copy, infile) == 1) set_name_of(infile);
    }
    count = 0;
    values = nullptr;
    RES_getvals("parameter", &count, &values);
    for (int i = 0; i < count; ++i) apply_parameter(values[i]);
    if (count > 0) free_parsed_array(count, values);
    return 0;
}

int PAR_lookup(char* product_name, char* type_out) {
    if (product_name == nullptr || product_name[0] == '\0') return 0;
    up_string(product_name);
    const char* dir = RES_get("file_path");
    char path[FILE_NAME_MAX];
    FILE_add_path(dir != nullptr ? dir : "", PAR_LOOKUP_FILE, path);
    FILE* table = path[0] != '\0' ? FILE_open(path, "r") : nullptr;
    if (table == nullptr) return -1;
    int found = 0;
    char entry[PAR_LOOKUP_LINE_SIZE];
    while (found == 0 && read_table_line(table, entry, sizeof entry) >= 0) {
        char prefix[PAR_LOOKUP_WORD_MAX + 1];
        char type[PAR_LOOKUP_WORD_MAX + 1];
        const char* p = entry + strspn(entry, " \t");
        size_t n = strcspn(p, " \t");
        if (n == 0) continue;
        copy_cut(prefix, std::string_view(p, n));
        p += n;
        p += strspn(p, " \t");
        n = strcspn(p, " \t");
        if (n == 0) continue;
        copy_cut(type, std::string_view(p, n));
        if (strncmp(product_name, prefix, strlen(prefix)) == 0) {
            copy_cut(type_out, PAR_TYPE_SIZE, type);
            found = 1;
        }
    }
    FILE_close(table);
    return found;
}

int PAR_set_end(unsigned long flags) {
    end_rules = flags;
    return 0;
}

int PAR_set_output(int flags) {
    output = flags;
    return 0;
}

int PAR_get_status(int ind) {
    return ind == 0 ? static_cast<int>(slot.cur) : 0;
}

const char* PAR_get_header(int ind) { return ind == 0 && !slot.bare ? slot.header : ""; }

int PAR_last_mode() { return which == PAR_WHICH_LAST ? 1 : 0; }

int PAR_set_report_word(const char* word) {
    copy_cut(report_word, word != nullptr ? word : "");
    report_word_length = strlen(report_word);
    return 0;
}

int PAR_continues(int ind) {
    return ind == 0 && slot.handed_continues ? 1 : 0;
}

// ---- Opening and closing ----

int PAR_open(const Date* date) {
    FILE_save_name_conv();
    char name[FILE_NAME_MAX];
    FILE_get_filename(name);
    char type[PAR_TYPE_SIZE];
    copy_cut(type, FILE_is_stdio(name) ? "" : infile);
    char hname[FILE_NAME_MAX] = "";
    if (type[0] != '\0') {
        // A name the user gave is opened as given; only a name chosen by date is rebuilt
        // from the date (reloading the template clears the current name).
        if (FILE_get_filename_type() != FILE_NAME_FIXED) {
            set_name_of(type);
            if (FILE_set_date(date, name) < 0) name[0] = '\0';
        }
        if (FILE_hdr_set_date(date, hname) != 1) hname[0] = '\0';
    }
    // An empty name would stand for the standard input; here it is a name that did not fit.
    int result = name[0] != '\0' || type[0] == '\0' ? open_slot(name, hname, date) : -1;
    FILE_restore_name_conv();
    return result;
}

int PAR_close(int ind) {
    if (!slot_open(ind)) return 0;
    // The standard input stays open: the bytes read ahead go back to it (a file that cannot
    // seek has none), so that it stands where the reading stopped.
    if (slot.block_end > slot.block_at)
        fseek(slot.ifile, -static_cast<long>(slot.block_end - slot.block_at), SEEK_CUR);
    slot.block_at = 0;
    slot.block_end = 0;
    FILE_close(slot.ifile);
    if (slot.hfile != nullptr) FILE_close(slot.hfile);
    slot.ifile = nullptr;
    slot.hfile = nullptr;
    return 1;
}

// ---- Product search ----

int PAR_search(int ind, char* rhdr) {
    if (!slot_open(ind) || rhdr == nullptr) return -1;
    up_string(rhdr);
    copy_cut(pattern, rhdr);
    trace("SE--", work);
    for (int tries = 0; tries < PAR_MAX_TRIES; ++tries) {
        int step = slot.hfile != nullptr ? index_step(rhdr) : line_step(rhdr);
        if (step != 0) return step;
    }
    MESS_print(MESS_WARN, "Caught in search loop\n");
    trace("SE-!", work);
    return 0;
}

int PAR_cmp(const char* hdr, const char* line, const char* pat) {
    if (hdr == nullptr) hdr = "";
    if (line == nullptr) line = "";
    if (pat == nullptr) pat = "";
    if (MESS_check(PAR_TRACE)) MESS_print(PAR_TRACE, "CMP:%s:%s:%s:\n", hdr, line, pat);
    if (hdr[0] == '\0' && pat[0] != '\0') return 1;
    if (stricmp(pat, "all") == 0) return 0;
    const char* h = hdr;
    if (h[0] == '*' && h[1] == '*') h += h[2] != '\0' ? 3 : 2;
    h = skip_space_chars(h);
    const char* p = pat;
    while (*p != '\0') {
        switch (*p) {
            case '.':
            case '?':
                if (*h == '\0') return 1;
                ++h;
                ++p;
                break;
            case '_':
                if (*h != ' ' && *h != '_') return 1;
                ++h;
                ++p;
                break;
            case '*':
            case '-': {
                char target = p[1] == '_' ? ' ' : p[1];
                ++p;
                if (target == '\0') break;
                h = strchr(h, target);
                if (h == nullptr) return 1;
                break;
            }
            case '[': {
                if (*h == '\0') return 1;
                bool selected = false;
                p = match_set(p, p + strlen(p), *h, &selected);
                if (!selected) return 1;
                ++h;
                break;
            }
            case '(': {
                int got = match_alternatives(&p, &h);
                if (got == -1) return 0;  // the heading ended within the last alternative
                if (got == 0) return 1;
                break;
            }
            case '/':
                h = skip_space_chars(line);
                ++p;
                if (strncmp(h, "GRIB", 4) == 0) return compare_grib(p);
                break;
            default:
                if (*h != *p) return 1;
                ++h;
                ++p;
                break;
        }
    }
    return 0;
}

unsigned long PAR_end(int, char* line) {
    ++cur_lines;
    slot.cur = PAR_NO_END;
    if (line == nullptr) return PAR_NO_END;
    if (ends_product(line)) {
        slot.in_forecast = false;
        return slot.cur = line[0] == '*' ? PAR_END_HEADING : PAR_END_PRODUCT;
    }
    // A line of plain characters is clean already; the working line as the reader stored it
    // is known to be one or not.
    size_t len = 0;
    if (line == work && work_plain >= 0) {
        len = static_cast<size_t>(work_plain);
    } else {
        len = strlen(line);
        if (!all_plain(line, len)) {
            clean_line(line);
            len = strlen(line);
        }
    }
    // Clean, the line is blank when it holds spaces only (most lines end in another
    // character, and are not looked at further).
    size_t spaces = 0;
    if (len > 0 && line[len - 1] != ' ') spaces = len + 1;
    while (spaces < len && line[spaces] == ' ') ++spaces;
    if (spaces == len)
        ++blank_lines;
    else
        blank_lines = 0;
    const unsigned long ends = end_rules;
    if ((ends & PAR_END_LINES) != 0 && cur_lines > max_lines) return slot.cur = PAR_END_LINES;
    if ((skip_rules & PAR_SKIP_LINES) != 0 && cur_lines > skip_lines) return PAR_END_LINES;
    if ((ends & PAR_END_BLANK) != 0 && blank_lines >= 1) return slot.cur = PAR_END_BLANK;
    if ((skip_rules & PAR_SKIP_BLANK) != 0 && blank_lines >= 1) return PAR_END_BLANK;
    if ((ends & PAR_END_3BLANK) != 0 && blank_lines >= 3) return slot.cur = PAR_END_3BLANK;
    if ((ends & PAR_END_DOLLAR) != 0 && strncmp(line, "$$", 2) == 0)
        return slot.cur = PAR_END_DOLLAR;
    if ((ends & PAR_END_EQUAL) != 0 && len > 0 && line[len - 1] == '=')
        return slot.cur = PAR_END_EQUAL;
    return PAR_NO_END;
}

// ---- Line readers ----

namespace {

// Reads up to len characters that are not a newline into string (terminated). The count
// read, 0 when the next character is a newline (nothing consumed), -1 at the end of the file.
int read_line_part(FILE* ifile, char* string, int len) {
    int n = 0;
    int c = EOF;
    while (n < len && (c = getc_unlocked(ifile)) != EOF && c != '\n')
        string[n++] = static_cast<char>(c);
    if (c == '\n') ungetc(c, ifile);
    string[n] = '\0';
    if (n == 0 && c == EOF) return -1;
    return n;
}

}  // namespace

int fgetnline(FILE* ifile, char* string, int len) {
    if (ifile == nullptr || string == nullptr || len < 1) return -1;
    int n = read_line_part(ifile, string, len);
    if (n == 0) {
        (void)getc_unlocked(ifile);  // the newline that ended the previous line
        n = read_line_part(ifile, string, len);
    }
    return n;
}

int fgetstring(FILE* ifile, char* string, int len) {
    int n = fgetnline(ifile, string, len);
    return n > 0 ? 1 : n;
}

// ---- Report identification ----

int PAR_set_identifier(const char* str) {
    free_identifiers();
    numid = 0;
    if (str == nullptr || str[0] == '\0') return 0;
    if (parse_string(str, ',', &numid, &ids) != 0 || numid < 0) {
        numid = 0;
        ids = nullptr;
    }
    return 0;
}

int PAR_identifier(int ind) {
    if (!slot_open(ind)) return -1;
    load_identifiers();
    trace("ID--", work);
    if (numid == 0) return (slot.cur & PAR_END_BIT) != 0 ? 0 : 1;
    // A report that ended at the next product's heading ended the product too; the search
    // takes that held heading.
    if (slot.cur == PAR_END_HEADING) return 0;
    for (int tries = 0; tries < PAR_MAX_TRIES; ++tries) {
        if (slot.line[0] == '\0') {
            int got = next_line();
            if (got < 0) return -1;
            if (got == 0) continue;
        }
        trace("ID-1", work);
        unsigned long code = bare_product_end(PAR_end(ind, work));
        trace("ID-A", work);
        if (code == PAR_END_HEADING) {
            copy_cut(slot.header, work);
            return 0;
        }
        if ((code & PAR_END_BIT) != 0) {
            slot.header[0] = '\0';
            return 0;
        }
        if (selects(work, work_continues)) {
            hold_work_line();
            trace("ID-$", work);
            return 1;
        }
        slot.line[0] = '\0';
    }
    MESS_print(MESS_WARN, "Caught in identifier loop\n");
    MESS_print(MESS_WARN, "ID-$:%3lX:%6ld:%-20.20s:%-10.10s:%-10.10s:\n", slot.cur, slot.pos,
               or_none(work), slot.header, slot.line);
    return 0;
}

int PAR_zone_cmp(const char* line, const char* id) {
    if (id == nullptr || id[0] == '\0') return 1;
    if (line == nullptr) line = "";
    char wanted[PAR_ZONE_PREFIX + 1];
    copy_cut(wanted, id);
    up_string(wanted);
    int wanted_zone = strlen(id) > PAR_ZONE_PREFIX ? clamped_int(id + PAR_ZONE_PREFIX) : 0;
    const auto len = static_cast<long>(strlen(line));
    if (!is_zone_line(line, static_cast<size_t>(len))) {
        zone_prefix[0] = '\0';
        return 0;
    }
    auto same_prefix = [&] { return strnicmp(zone_prefix, wanted, PAR_ZONE_PREFIX) == 0; };
    const bool tracing = MESS_check(PAR_TRACE) != 0;
    long i = 0;
    while (len - i > PAR_ZONE_PREFIX) {
        const char* s = line + i;
        if (is_letter(s[0]) && (s[2] == 'Z' || s[2] == 'C')) {
            copy_cut(zone_prefix, std::string_view(s, PAR_ZONE_PREFIX));
            if (tracing) MESS_print(PAR_TRACE, "ZN-ST: %s\n", zone_prefix);
            i += 3;
        } else if (strncmp(s, "ALL", 3) == 0 && zone_separator(s[3])) {
            if (tracing) MESS_print(PAR_TRACE, "ZN-ALL\n");
            if (same_prefix()) {
                if (tracing) MESS_print(PAR_TRACE, "FOUND-ALL\n");
                return 1;
            }
            i += 4;
        } else if (is_digit(s[0]) && zone_separator(s[3])) {
            int zone = zone_number(s);
            if (tracing) MESS_print(PAR_TRACE, "ZN %d\n", zone);
            if (s[3] == '>') {
                int last = zone_number(s + 4);
                if (same_prefix() && wanted_zone >= zone && wanted_zone <= last) {
                    if (tracing) MESS_print(PAR_TRACE, "FOUND>\n");
                    return 1;
                }
                i += 8;
            } else {
                if (same_prefix() && wanted_zone == zone) {
                    if (tracing) MESS_print(PAR_TRACE, "FOUND\n");
                    return 1;
                }
                i += 4;
            }
        } else {
            break;
        }
    }
    return 0;
}

// ---- Reading ----

namespace {

constexpr int PAR_REPORT_ENDS = 2;  // reading: no line to hand out, the report ends here

// Where a reading of the report stands: the line wanted, the lines passed on the way to it,
// the printing state and how the report ended.
struct ReadStep {
    int num;                      // the line wanted, from 0
    int count;                    // lines of the report before the next one examined
    Printing printing;            // after the lines examined so far
    bool ended_at_equal = false;  // the report ended at its "=" line (in the working line)
    bool one_line = false;        // ... which was its first line, held since identification
};

// The held heading is the report's line 0 when headings are handed out. True when it is
// the line wanted (then in line).
bool hand_out_heading(ReadStep& r, char* line) {
    if ((output & PAR_OUT_HEADER) == 0 || slot.header[0] == '\0') return false;
    if (r.num == 0) {
        copy_cut(line, PAR_LINE_SIZE, slot.header);
        return true;
    }
    ++r.count;
    return false;
}

// The held line (the report's first, kept since identification) comes next. True when it
// is the line wanted (then in line); a one-line report ends at it.
bool hand_out_held_line(int ind, ReadStep& r, char* line) {
    if (slot.line[0] == '\0') return false;
    r.printing = next_printing(r.printing, PAR_end(ind, slot.line));
    if (r.printing == Printing::on && (output & PAR_OUT_LINES) != 0) {
        if (r.count == r.num) {
            copy_cut(line, PAR_LINE_SIZE, slot.line);
            slot.handed_continues = slot.line_continues;
            return true;
        }
        ++r.count;
        ++cur_lines;
    } else if (r.printing == Printing::ended && slot.cur == PAR_END_EQUAL && r.count <= r.num) {
        // A one-line report: its first line is also its last.
        work_on_held_line();
        r.ended_at_equal = true;
        r.one_line = true;
    }
    return false;
}

// Reads the next line of the file for the report: 1 with it handed out in line, 0 or -1 as
// PAR_read returns them at once (a runaway count, continuous mode without new data, the
// end of the file), PAR_REPORT_ENDS when the report ended at it.
int hand_out_next_line(int ind, ReadStep& r, char* line) {
    if (r.num >= PAR_MAX_TRIES) {
        trace_read("RD-*", work, r.num);
        MESS_print(MESS_WARN, "Caught in search loop\n");
        return 0;
    }
    int got = next_line();
    if (got <= 0) return got;
    trace_read("RD-1", work, r.num);
    unsigned long code = bare_ends(PAR_end(ind, work), r.num == 0);
    slot.header[0] = '\0';
    r.printing = next_printing(r.printing, code);
    if (r.printing == Printing::on && (output & PAR_OUT_LINES) != 0) {
        copy_cut(line, PAR_LINE_SIZE, work_text());
        slot.handed_continues = work_continues;
        return 1;
    }
    r.ended_at_equal = r.printing != Printing::off && slot.cur == PAR_END_EQUAL;
    return PAR_REPORT_ENDS;
}

// The report ended at the working line: the "=" line is handed out with the end; any other
// ending line is held as the next heading or the line that may begin the next report.
void end_report(const ReadStep& r, char* line) {
    if (r.ended_at_equal) {
        // With a station list the next identification examines the "=" line, since it may
        // begin a report of a listed station (a report that lacked its "=" ran on into it);
        // a one-line report's own line was examined already and is passed over. With every
        // report taken it is not read again.
        copy_cut(line, PAR_LINE_SIZE, work_text());
        slot.handed_continues = work_continues;
        if (r.one_line || numid <= 0)
            slot.line[0] = '\0';
        else
            hold_work_line();
    } else {
        hold_ending_line();
    }
    trace_read("RD-$", work, r.num);
}

}  // namespace

int PAR_read(int ind, int flag, int num, char* line) {
    if (which == PAR_WHICH_LAST) {
        // Remembering the product hands out nothing: the caller's line is left as it was,
        // so that a caller can tell this answer from a line it was handed.
        int got = last_mode(ind, flag, PAR_NO_END);
        if (got != PAR_GO_ON) return got;
        ind = 0;
    }
    if (line != nullptr) line[0] = '\0';
    if (!slot_open(ind) || line == nullptr) return -1;
    cur_lines = 0;
    blank_lines = 0;
    slot.handed_continues = false;
    trace_read("RD--", work, num);
    ReadStep r{num, 0, first_printing()};
    if (hand_out_heading(r, line) || hand_out_held_line(ind, r, line)) return 1;
    if (!r.ended_at_equal && r.count <= num) {
        int got = hand_out_next_line(ind, r, line);
        if (got != PAR_REPORT_ENDS) return got;
    }
    end_report(r, line);
    if (flag == PAR_CLOSE_AFTER) PAR_close(ind);
    return 0;
}

// ---- Listing ----

int PAR_out_file(const Date* date) {
    const char* value = RES_get("out_file");
    if (value == nullptr) return -1;
    // Naming the listing file must not disturb the naming of the input files.
    FILE_save_name_conv();
    char type[FILE_NAME_MAX];
    copy_cut(type, value);
    FILE_set_name(type);
    char name[FILE_NAME_MAX];
    FILE_set_date(date, name);
    FILE_restore_name_conv();
    MESS_print(MESS_MESS, "Writing to: %s\n", name);
    if (ofile != nullptr) FILE_close(ofile);
    ofile = FILE_open(name, "w");
    return 0;
}

int PAR_print(int ind, int flag) {
    if (which == PAR_WHICH_LAST) {
        int got = last_mode(ind, flag, PAR_END_PRODUCT);
        if (got != PAR_GO_ON) return got;
        ind = 0;
    }
    if (!slot_open(ind)) return -1;
    cur_lines = 0;
    blank_lines = 0;
    if (out_file_tried == 0) {
        out_file_tried = 1;
        PAR_out_file(&slot.date);
    }
    load_identifiers();
    trace("PR--", work);
    if ((output & PAR_OUT_HEADER) != 0 && slot.header[0] != '\0') list_line(slot.header);
    Printing printing = first_printing();
    bool first = true;  // no product line listed yet
    if (slot.line[0] != '\0') {
        unsigned long code = PAR_end(ind, slot.line);
        work_on_held_line();
        printing = next_printing(printing, code);
        if (printing == Printing::ended && numid == 0) slot.cur = PAR_END_PRODUCT;
        if (printing == Printing::on && (output & PAR_OUT_LINES) != 0) {
            list_line(slot.line);
            ++cur_lines;
            first = false;
        }
    }
    int tries = 0;
    for (; printing != Printing::ended && tries < PAR_MAX_TRIES; ++tries) {
        int got = next_line();
        if (got < 0) return -1;
        if (got == 0) continue;
        trace("PR-1", work);
        unsigned long code = bare_ends(PAR_end(ind, work), first);
        slot.header[0] = '\0';
        printing = next_printing(printing, code);
        if (printing == Printing::on && (output & PAR_OUT_LINES) != 0) {
            list_line(work);
            first = false;
        }
    }
    if (tries >= PAR_MAX_TRIES) MESS_print(MESS_WARN, "Caught in search loop\n");
    if (printing != Printing::off && slot.cur == PAR_END_EQUAL) list_line(work);
    hold_ending_line();
    trace("PR-$", work);
    if (ofile != nullptr) fflush(ofile);  // each listing complete in the file at once
    if (flag == PAR_CLOSE_AFTER) PAR_close(ind);
    return 1;
}

int PAR_reset() {
    PAR_close(0);
    slot = Slot{};
    work[0] = '\0';
    work_plain = -1;
    infile[0] = '\0';
    end_rules = skip_rules = 0;
    cur_lines = max_lines = skip_lines = blank_lines = 0;
    which = 0;
    output = PAR_OUT_HEADER | PAR_OUT_LINES;
    free_identifiers();
    zone_prefix[0] = '\0';
    if (ofile != nullptr) FILE_close(ofile);
    ofile = nullptr;
    out_file_tried = 0;
    product = SavedProduct{-1, {}, "", "", false, false, ""};
    work_continues = false;
    pattern[0] = '\0';
    report_word[0] = '\0';
    report_word_length = 0;
    return 0;
}
