// Message output; see mess.h.
#include "mess.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "date.h"
#include "files.h"
#include "flag.h"
#include "string.h"
#include "system.h"

namespace {

constexpr M_type INITIAL_LEVEL = 0x000FFFFFu;  // out2 and everything below it
constexpr int DEFAULT_PAGE_LINES = 22;
constexpr int STAMP_SIZE = 32;

// Output modes: where an enabled message goes.
constexpr int OUT_LOG_ONLY = 0;        // "fi": the log file only
constexpr int OUT_BOTH = 1;            // terminal, and the log file when one is open
constexpr int OUT_STAMPED = -1;        // "@fi": both, log lines preceded by a time stamp
constexpr int OUT_REOPEN = 2;          // "dfi": the log is reopened for every message

// MESS_set codes up to this one count as a choice; from this one on they are defaults.
constexpr int CHOICE_OPER_MAX = 4;
constexpr int DEFAULT_OPER_MIN = 16;
static_assert(MESS_REMOVE <= CHOICE_OPER_MAX && MESS_ADD <= CHOICE_OPER_MAX);
static_assert(MESS_FORCE_REMOVE > CHOICE_OPER_MAX && MESS_FORCE_ADD < DEFAULT_OPER_MIN);
static_assert(MESS_DEFAULT_REMOVE >= DEFAULT_OPER_MIN);

constexpr int PAGE_NEVER = 0;
constexpr int PAGE_COUNT = 2;

M_type mess_level = INITIAL_LEVEL;  // enabled levels
int mess_set = 0;                   // explicit settings so far; non-zero: somebody chose
int mess_out = OUT_BOTH;            // output mode
int page = 1;                       // 0 never hold, 1 no counting, 2 count lines and hold
int lines = 0;                      // newlines written since the last hold
int max_lines = DEFAULT_PAGE_LINES;
FILE* pfile = nullptr;              // the log file, if any
char filename[MESS_FILENAME_MAX];   // log name of the reopen-per-message mode
int output_errno = 0;               // why output first failed to be written; 0: it never did
bool output_closed = false;         // standard output was closed by MESS_close_output
bool failure_told = false;          // the write error was reported on standard error
bool data_only = false;             // standard output holds data only (MESS_write_data)
// Standard output's buffer when it is no terminal: a batch run writes megabytes, and each
// write of the stream's own small buffer is a system call.
constexpr size_t OUTPUT_BUFFER_SIZE = 64 * 1024;
char output_buffer[OUTPUT_BUFFER_SIZE];

// Output that cannot be written is lost: the first failure's reason is kept for the end.
// Standard error does not count (there is nowhere to tell of it).
void note_failure(FILE* stream, int reason) {
    if (stream != stderr && output_errno == 0) output_errno = reason != 0 ? reason : EIO;
}

// Every bit below the highest set bit of mask, and that bit.
M_type fill_lower(M_type mask) {
    if (mask == 0) return 0;
    M_type top = 0x80000000u;
    while ((mask & top) == 0) top >>= 1;
    return top | (top - 1);
}

void flush_stream(FILE* stream) {
    if (fflush(stream) != 0 || ferror(stream)) note_failure(stream, errno);
}

void close_log() {
    if (pfile != nullptr) {
        flush_stream(pfile);
        FILE_close(pfile);
    }
    pfile = nullptr;
}

// An item without a name opens nothing: an empty name would otherwise stand for the
// standard output and double every message.
void open_log(const char* name, const char* access) {
    close_log();
    if (*name != '\0') pfile = FILE_open(name, access);
}

// Name of a log-file item: the text from position skip on, empty when the item is shorter.
const char* item_name(const char* item, size_t skip) {
    return strlen(item) >= skip ? item + skip : "";
}

struct LevelName {
    const char* name;
    M_type mask;
};
// Only each name's own length is compared, so "messages" selects mess.
constexpr LevelName LEVEL_NAMES[] = {
    {"none", MESS_NONE}, {"print", MESS_PRINT}, {"error", MESS_ERROR}, {"warn", MESS_WARN},
    {"mess", MESS_MESS}, {"out1", MESS_OUT1},   {"out2", MESS_OUT2},   {"out3", MESS_OUT3},
    {"out4", MESS_OUT4}, {"debug", MESS_DEBUG},
};

M_type level_word_mask(const char* word) {
    M_type mask = 0;
    for (const auto& level : LEVEL_NAMES) {
        if (strnicmp(word, level.name, static_cast<int>(strlen(level.name))) == 0) {
            mask = level.mask;
            break;
        }
    }
    size_t len = strlen(word);
    if (len > 0) {
        switch (word[len - 1]) {
            case 'a': mask &= 0x11111111u; break;
            case 'b': mask &= 0x22222222u; break;
            case 'c': mask &= 0x44444444u; break;
            case 'd': mask &= 0x88888888u; break;
            default: break;
        }
    }
    return mask;
}

void apply_level_item(const char* item) {
    int sign = 0;
    if (*item == '+' || *item == '-') sign = (*item++ == '+') ? 1 : -1;
    M_type mask = level_word_mask(item);
    if (sign > 0)
        mess_level |= mask;
    else if (sign < 0)
        mess_level &= ~mask;
    else
        mess_level = fill_lower(mask);
}

void apply_item(const char* item) {
    if (strnicmp(item, "@fi", 3) == 0) {
        open_log(item_name(item, 4), "a");
        mess_out = OUT_STAMPED;
    } else if (strnicmp(item, "+fi", 3) == 0) {
        open_log(item_name(item, 4), "a");
        mess_out = OUT_BOTH;
    } else if (strnicmp(item, "-fi", 3) == 0) {
        open_log(item_name(item, 4), "w");
        mess_out = OUT_BOTH;
    } else if (strnicmp(item, "dfi", 3) == 0) {
        close_log();
        copy_cut(filename, item_name(item, 4));
        mess_out = OUT_REOPEN;
    } else if (strnicmp(item, "fi", 2) == 0) {
        open_log(item_name(item, 3), "a");
        mess_out = OUT_LOG_ONLY;
    } else if (stricmp(item, "nopage") == 0) {
        page = PAGE_NEVER;
    } else if (stricmp(item, "page") == 0) {
        page = PAGE_COUNT;
    } else if (strnicmp(item, "line", 4) == 0) {
        max_lines = strlen(item) > 5 ? clamped_int(item + 5) : 0;
        if (max_lines <= 0) max_lines = DEFAULT_PAGE_LINES;
    } else {
        apply_level_item(item);
    }
}

int count_newlines(const char* text) {
    int n = 0;
    for (; *text != '\0'; ++text)
        if (*text == '\n') ++n;
    return n;
}

}  // namespace

int MESS_set(MESS_oper oper, M_type level) {
    if (oper <= CHOICE_OPER_MAX) ++mess_set;
    if (oper >= DEFAULT_OPER_MIN && mess_set != 0) return 0;
    switch (oper) {
        case MESS_SET:
        case MESS_FORCE_SET:
        case MESS_DEFAULT_SET: mess_level = fill_lower(level); break;
        case MESS_ADD:
        case MESS_FORCE_ADD:
        case MESS_DEFAULT_ADD: mess_level |= level; break;
        case MESS_REMOVE:
        case MESS_FORCE_REMOVE:
        case MESS_DEFAULT_REMOVE: mess_level &= ~level; break;
        default: break;
    }
    return 0;
}

int MESS_set_str(const char* str) {
    ++mess_set;
    int argc = 0;
    char** argv = nullptr;
    if (parse_string(str, ',', &argc, &argv) != 0) return 0;
    for (int i = 0; i < argc; ++i) apply_item(argv[i]);
    free_parsed_array(argc, argv);
    return 0;
}

int MESS_check(M_type level) { return (level & mess_level) != 0 ? 1 : 0; }

int MESS_check_set() { return mess_set; }

namespace {

// The program writes its streams from one thread: the locking of each write is not needed.
// A stream drops the text of a failed write and keeps only its error flag, so the reason is
// taken when the write fails.
void write_text(FILE* stream, const char* text, size_t n) {
#if defined(__GLIBC__)
    if (fwrite_unlocked(text, 1, n, stream) < n) note_failure(stream, errno);
#else
    if (fwrite(text, 1, n, stream) < n) note_failure(stream, errno);
#endif
}

// Writes a message to the log file and the terminal as the output choice says; put(stream)
// writes its text to one stream. Paging counts the lines of the format mess.
template <typename Put>
int write_message(M_type type, const char* mess, const Put& put, bool data = false) {
    if (mess_out == OUT_REOPEN && filename[0] != '\0') pfile = FILE_open(filename, "a");
    if (pfile != nullptr) {
        if (mess_out == OUT_STAMPED) {
            char stamp[STAMP_SIZE];
            DATE_get_current_str(stamp);
            if (fprintf(pfile, "%s -- ", stamp) < 0) note_failure(pfile, errno);
        }
        put(pfile);
        if (mess_out == OUT_REOPEN) close_log();
    }
    if (mess_out == OUT_LOG_ONLY) return 0;
    const bool to_stderr = (type & 0x000000F0u) != 0 || (data_only && !data);
    put(to_stderr ? stderr : stdout);
    if (page == PAGE_COUNT) {
        lines += count_newlines(mess);
        if (lines > max_lines) MESS_hold(type, "Press return to continue\n");
    }
    return 1;
}

}  // namespace

int MESS_print(M_type type, const char* mess, ...) {
    if ((type & mess_level) == 0) return 0;
    // Formatted once into text, then written to each stream; a message too long for text is
    // formatted by each stream itself.
    char text[MESS_TEXT_SIZE];
    va_list args;
    va_start(args, mess);
    va_list once;
    va_copy(once, args);
    int n = vformat_string(text, sizeof text, mess, once);
    va_end(once);
    const bool whole = n >= 0 && n < MESS_TEXT_SIZE;
    int written = write_message(type, mess, [&](FILE* stream) {
        if (whole) {
            write_text(stream, text, static_cast<size_t>(n));
            return;
        }
        va_list again;
        va_copy(again, args);
        if (vfprintf(stream, mess, again) < 0) note_failure(stream, errno);
        va_end(again);
    });
    va_end(args);
    return written;
}

int MESS_write(M_type type, const char* text, size_t n, const char* mess) {
    if ((type & mess_level) == 0) return 0;
    return write_message(type, mess, [&](FILE* stream) { write_text(stream, text, n); });
}

int MESS_write_data(M_type type, const char* text, size_t n) {
    if ((type & mess_level) == 0) return 0;
    return write_message(type, "\n", [&](FILE* stream) { write_text(stream, text, n); }, true);
}

int MESS_buffer_output() {
    if (isatty(fileno(stdout)) == 0) setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);
    return 0;
}

int MESS_data_only(int on) {
    data_only = on != 0;
    return 0;
}

int MESS_hold(M_type type, const char* mess) {
    if ((type & mess_level) == 0 || mess_out == OUT_LOG_ONLY || FLAG_batch() ||
        page == PAGE_NEVER)
        return 0;
    FILE* term = ((type & 0x30u) != 0 && (type & 0xC0u) != 0) || data_only ? stderr : stdout;
    fputs(mess, term);
    fflush(stdout);
    fflush(stderr);
    (void)getchar();
    lines = 0;
    return 0;
}

int MESS_print_prog(const char* string) {
    MESS_print(MESS_MESS, "      %s (Ver %s)\n\n", string, JOX_version());
    return 0;
}

int MESS_flush() {
    if (!output_closed) flush_stream(stdout);
    fflush(stderr);
    if (pfile != nullptr) flush_stream(pfile);
    return output_errno == 0 ? 0 : -1;
}

int MESS_output_error() { return output_errno; }

int MESS_close_output(const char* prog) {
    MESS_flush();
    close_log();
    if (!output_closed) {
        output_closed = true;
        if (fclose(stdout) != 0) note_failure(stdout, errno);
    }
    if (output_errno == 0) return 0;
    if (!failure_told) fprintf(stderr, "%s: write error: %s\n", prog, strerror(output_errno));
    failure_told = true;
    return -1;
}

int MESS_reset() {
    close_log();
    mess_level = INITIAL_LEVEL;
    mess_set = 0;
    mess_out = OUT_BOTH;
    page = 1;
    lines = 0;
    max_lines = DEFAULT_PAGE_LINES;
    filename[0] = '\0';
    output_errno = 0;
    data_only = false;
    return 0;
}
