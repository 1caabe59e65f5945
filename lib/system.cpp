// Process services and prompts; see system.h.
#include "system.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "mess.h"
#include "resrc.h"
#include "string.h"

namespace {

// Kept as the suite gives it: peers and stored files compare it.
constexpr const char* VERSION_TEXT = "5.60.2-LINUX-X11";

constexpr int PROMPT_LINE_MAX = 79;        // characters kept of a typed line
constexpr int PROMPT_WORD_MIN = 2;         // smallest answer buffer: one character and the NUL
constexpr int SET_NAME_MAX = 19;           // characters of a name in a "set" command
constexpr M_type SET_LEVEL = 0x00000800u;  // mess sub-level d: the "set" listing frame

// Reads one line from standard input into line (PROMPT_LINE_MAX + 1 bytes), dropping what
// goes beyond PROMPT_LINE_MAX characters. -1 at the end of the input, else 0.
int read_line(char* line) {
    int n = 0;
    int c;
    bool any = false;
    while ((c = getchar()) != EOF) {
        any = true;
        if (c == '\n') break;
        if (n < PROMPT_LINE_MAX) line[n++] = static_cast<char>(c);
    }
    line[n] = '\0';
    return any ? 0 : -1;
}

// Shows the prompt and reads the answer line, trimmed. No answer can come once standard
// input has ended, so the program ends then (status 1) instead of asking forever.
void read_answer(const char* prompt, char* line) {
    MESS_print(MESS_PRINT, "%s", prompt != nullptr ? prompt : "");
    fflush(stdout);
    if (read_line(line) < 0) {
        MESS_print(MESS_ERROR, "\nEnd of input: no answer to the prompt\n");
        JOX_exit(JOX_EXIT_FAILURE);
    }
    wstrim_string(line);
}

// Copies the first blank-separated word of line into word, at most size - 1 characters.
void first_word(const char* line, char* word, int size) {
    line = skip_spaces(line);
    int n = 0;
    while (n < size - 1 && line[n] != '\0' && !is_space(line[n])) {
        word[n] = line[n];
        ++n;
    }
    word[n] = '\0';
}

// "set name value", "set name=value": sets an unlisted resource; "set" alone lists them all.
void set_command(const char* line) {
    const char* p = line;
    while (*p != '\0' && !is_space(*p)) ++p;  // the command word itself
    p = skip_spaces(p);
    size_t len = strcspn(p, "= \t");
    if (len > static_cast<size_t>(SET_NAME_MAX)) {
        MESS_print(MESS_WARN, "set: resource name longer than %d characters\n", SET_NAME_MAX);
        return;
    }
    if (len == 0) {
        MESS_print(SET_LEVEL, "Set resources\n");
        RES_list();
        MESS_print(SET_LEVEL, "\n");
        return;
    }
    char name[SET_NAME_MAX + 1];
    memcpy(name, p, len);
    name[len] = '\0';
    p += len;
    while (*p == '=' || *p == ' ' || *p == '\t') ++p;
    RES_put(name, p);
}

}  // namespace

void JOX_exit(int status) {
    char prog[RES_PROGNAME_MAX];
    RES_get_progname(prog);
    if (MESS_close_output(prog) != 0) status = JOX_EXIT_WRITE;
    exit(status);
}

int JOX_sleep(float secs) {
    if (!(secs > 0.0f)) return -1;
    auto usecs = static_cast<long long>(1000000.0 * static_cast<double>(secs));
    struct timespec ts;
    ts.tv_sec = static_cast<time_t>(usecs / 1000000);
    ts.tv_nsec = static_cast<long>((usecs % 1000000) * 1000);
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
    return 0;
}

const char* JOX_version() { return VERSION_TEXT; }

char* JOX_prompts(const char* prompt, char* str, int length) {
    if (length < PROMPT_WORD_MIN) {
        if (str != nullptr) return nullptr;  // the caller's buffer cannot hold a word
        length = PROMPT_WORD_MIN;
    }
    if (str == nullptr) str = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
    if (str == nullptr) return nullptr;
    char line[PROMPT_LINE_MAX + 1];
    for (;;) {
        read_answer(prompt, line);
        first_word(line, str, length);
        if (JOX_set_command(line) == 0 && str[0] != '\0') return str;
    }
}

float JOX_promptf(const char* prompt) {
    char line[PROMPT_LINE_MAX + 1];
    for (;;) {
        read_answer(prompt, line);
        if (JOX_set_command(line) != 0) continue;
        char* end = nullptr;
        float value = strtof(line, &end);
        if (end != line) return value;
    }
}

int JOX_set_command(const char* string) {
    if (string == nullptr) return 0;
    if (strnicmp(string, "set", 3) == 0) {
        set_command(string);
        return 1;
    }
    if (strnicmp(string, "exit", 4) == 0) JOX_exit(JOX_EXIT_OK);
    return 0;
}
