// Defaults files; see def_read.h.
#include "def_read.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <unistd.h>

#include "files.h"
#include "mess.h"
#include "par_tool.h"
#include "resrc.h"
#include "string.h"

namespace {

constexpr int DEF_NAME_SIZE = DEF_NAME_MAX + 1;
static_assert(RES_PROGNAME_MAX <= DEF_NAME_SIZE, "the program name is kept whole");
constexpr int DEF_FILE_SIZE = DEF_FILE_MAX + 1;
// Room for the longest key name: program or title, title, and a resource name from a key.
constexpr int KEY_NAME_SIZE = 2 * DEF_NAME_SIZE + DEF_KEY_SIZE + 2;
constexpr const char* ENV_PREFIX = "jox";
constexpr const char* DEFAULT_FILE = ".joxdef";
// A folder's defaults file: the first of these that exists, in this order.
constexpr const char* FOLDER_FILES[] = {"jox.cfg", ".joxdef", "Jox.res"};
constexpr const char* FOLDER_FALLBACK = "Jox.res";

// The built-in search path: the fixed head, then up to two folders of a file name each.
constexpr std::string_view PATH_SEPARATOR = ":";
constexpr std::string_view PREFIX_DEFAULTS = "/etc/";  // <prefix>/etc/<program>
constexpr std::string_view SYSTEM_PREFIX = "/usr";     // whose defaults live in /etc/<program>
constexpr const char* SELF_EXE = "/proc/self/exe";
constexpr size_t SEARCH_PATH_SIZE =
    std::string_view(DEF_SEARCH_PATH).size() + 2 * (PATH_SEPARATOR.size() + FILE_NAME_MAX);

// States of an IF level.
constexpr int LEVEL_NOT_YET = 0;  // no branch taken yet
constexpr int LEVEL_TAKEN = 1;    // the current branch is taken
constexpr int LEVEL_DONE = 99;    // an earlier branch was taken

FILE* def_file = nullptr;             // the defaults file being read
bool tail_pending = false;            // the next piece read is the rest of a cut line
char prog_name[DEF_NAME_SIZE] = "";   // program name used in key names
char prog_title[DEF_NAME_SIZE] = "";  // program title ("-na"); empty when not given
char tags[DEF_TAG_MAX][DEF_VALUE_SIZE];
int num_tag = 0;           // tags defined
int match[DEF_LEVEL_MAX];  // state of each open IF level
int num_match = 0;         // IF levels open
int excess_levels = 0;     // IF levels refused beyond the limit; their lines are out
int matches = 1;           // 1 when every open level is taken: lines are in force

char search_path[SEARCH_PATH_SIZE] = "";  // the built-in search path; empty until built

bool tag_defined(std::string_view tag) {
    for (int i = 0; i < num_tag; ++i)
        if (equal_nocase(tags[i], tag)) return true;
    return false;
}

void remove_tag(std::string_view tag) {
    for (int i = 0; i < num_tag; ++i) {
        if (!equal_nocase(tags[i], tag)) continue;
        for (int j = i + 1; j < num_tag; ++j) memcpy(tags[j - 1], tags[j], DEF_VALUE_SIZE);
        --num_tag;
        return;
    }
}

// Writes the key name of resource resrc into out (KEY_NAME_SIZE bytes); false when it would
// not fit (such a resource then matches no key).
bool key_name(const char* resrc, char* out) {
    int n;
    if (prog_title[0] == '+')
        n = snprintf(out, KEY_NAME_SIZE, "%s.%s.%s", prog_name, prog_title + 1, resrc);
    else if (prog_title[0] != '\0')
        n = snprintf(out, KEY_NAME_SIZE, "%s.%s", prog_title, resrc);
    else
        n = snprintf(out, KEY_NAME_SIZE, "%s.%s", prog_name, resrc);
    return n >= 0 && n < KEY_NAME_SIZE;
}

// Matches a key against a key name: "*" skips to the first occurrence of the key text that
// follows it; no backtracking; a key ending in "*" never matches.
bool wildcard_match(std::string_view key, std::string_view name) {
    size_t k = 0;
    size_t n = 0;
    while (k < key.size()) {
        if (key[k] != '*') {
            if (n >= name.size() || key[k] != name[n]) return false;
            ++k;
            ++n;
            continue;
        }
        ++k;
        if (k == key.size()) return false;
        size_t end = key.find('*', k);
        std::string_view piece = key.substr(k, end == std::string_view::npos ? end : end - k);
        size_t at = name.find(piece, n);
        if (at == std::string_view::npos) return false;
        n = at;
    }
    return n == name.size();
}

// Reads the next piece of a line into line (DEF_LINE_MAX + 1 bytes): 1 for a line to look
// at, 0 for the dropped rest of a line longer than DEF_LINE_MAX, -1 at the end of the file.
int read_line(char* line) {
    if (fgetstring(def_file, line, DEF_LINE_MAX) < 0) return -1;
    bool was_tail = tail_pending;
    int next = getc(def_file);
    if (next != EOF) ungetc(next, def_file);
    tail_pending = next != EOF && next != '\n';
    return was_tail ? 0 : 1;
}

struct Words {
    std::string_view key;    // first blank-separated word
    std::string_view value;  // second word, empty when there is none
};

Words split_words(const char* line) {
    Words w;
    std::string_view rest(line);
    for (std::string_view* word : {&w.key, &w.value}) {
        size_t start = 0;
        while (start < rest.size() && is_space(rest[start])) ++start;
        size_t end = start;
        while (end < rest.size() && !is_space(rest[end])) ++end;
        *word = rest.substr(start, end - start);
        rest.remove_prefix(end);
    }
    return w;
}

void recompute_matches() {
    matches = excess_levels == 0 ? 1 : 0;
    for (int i = 0; i < num_match; ++i)
        if (match[i] != LEVEL_TAKEN) matches = 0;
}

void open_level(std::string_view tag) {
    if (num_match >= DEF_LEVEL_MAX || excess_levels > 0) {
        if (excess_levels == 0)
            MESS_print(MESS_WARN, "DEF_get: more than %d if levels, block skipped\n",
                       DEF_LEVEL_MAX);
        ++excess_levels;
        return;
    }
    match[num_match++] = tag_defined(tag) ? LEVEL_TAKEN : LEVEL_NOT_YET;
}

// Carries out a DEF, UNDEF, IF, ELIF, ELSE or END line; false when the line is none of them.
// The keywords are compared exactly (upper case).
bool conditional_line(const Words& w) {
    bool has_tag = !w.value.empty();
    if (w.key == "DEF") {
        if (has_tag) {
            char tag[DEF_LINE_MAX + 1];  // DEF_tag refuses one that is too long
            snprintf(tag, sizeof tag, "%.*s", static_cast<int>(w.value.size()), w.value.data());
            DEF_tag(tag);
        }
        return true;
    }
    if (w.key == "UNDEF") {
        if (has_tag) remove_tag(w.value);
        return true;
    }
    if (w.key == "IF" && has_tag) {
        open_level(w.value);
    } else if (w.key == "ELIF" && has_tag) {
        if (excess_levels > 0) return true;
        if (num_match == 0) {
            MESS_print(MESS_WARN, "DEF_get: elif without an if\n");
            return true;
        }
        int& state = match[num_match - 1];
        state = state != LEVEL_NOT_YET ? LEVEL_DONE
                                       : (tag_defined(w.value) ? LEVEL_TAKEN : LEVEL_NOT_YET);
    } else if (w.key == "ELSE") {
        if (excess_levels > 0) return true;
        if (num_match == 0) {
            MESS_print(MESS_WARN, "DEF_get: else without an if\n");
            return true;
        }
        int& state = match[num_match - 1];
        state = state != LEVEL_NOT_YET ? LEVEL_DONE : LEVEL_TAKEN;
    } else if (w.key == "END") {
        if (excess_levels > 0) {
            --excess_levels;
        } else if (num_match == 0) {
            MESS_print(MESS_WARN, "DEF_get: end without an if\n");
            return true;
        } else {
            --num_match;
        }
    } else {
        return false;
    }
    recompute_matches();
    return true;
}

// The value of an entry: a value starting with a double quote runs from after it to the next
// double quote or the end of the line.
std::string_view entry_value(std::string_view value) {
    if (value.empty() || value[0] != '"') return value;
    std::string_view rest(value.data() + 1);  // the line goes on past the word
    size_t end = rest.find('"');
    return end == std::string_view::npos ? rest : rest.substr(0, end);
}

// Copies an entry into the caller's buffers; false (with a warning) when it does not fit.
bool store_entry(std::string_view key, std::string_view value, char* resrc, char* out) {
    if (key.size() > static_cast<size_t>(DEF_KEY_MAX) ||
        value.size() > static_cast<size_t>(DEF_VALUE_MAX)) {
        MESS_print(MESS_WARN, "DEF_get: key or value too long, line skipped: %.*s\n",
                   static_cast<int>(std::min<size_t>(key.size(), DEF_KEY_MAX)), key.data());
        return false;
    }
    memcpy(resrc, key.data(), key.size());
    resrc[key.size()] = '\0';
    memcpy(out, value.data(), value.size());
    out[value.size()] = '\0';
    low_string(resrc);
    size_t len = key.size();
    if (len > 0 && resrc[len - 1] == ':') resrc[len - 1] = '\0';
    return true;
}

// Writes the name of a folder's defaults file into name (DEF_FILE_SIZE bytes, holding the
// folder); false when it would not fit.
bool folder_file(char* name) {
    FILE_add_path_delim(name, DEF_FILE_SIZE);
    size_t dir_len = strlen(name);
    for (const char* candidate : FOLDER_FILES) {
        if (dir_len + strlen(candidate) > static_cast<size_t>(DEF_FILE_MAX)) continue;
        strcpy(name + dir_len, candidate);
        if (FILE_exist(name)) return true;
    }
    if (dir_len + strlen(FOLDER_FALLBACK) > static_cast<size_t>(DEF_FILE_MAX)) return false;
    strcpy(name + dir_len, FOLDER_FALLBACK);
    return true;
}

// Appends ":<prefix>/etc/<name>" to out (size bytes, of which used are taken) and moves used
// past it; a folder too long for a file name, holding the separator or not fitting in out
// is left out, as a cut one would name another folder.
void append_prefix_folder(char* out, size_t size, size_t& used, std::string_view prefix,
                          std::string_view name) {
    char folder[FILE_NAME_MAX];
    int n = snprintf(folder, sizeof folder, "%.*s%.*s%.*s", static_cast<int>(prefix.size()),
                     prefix.data(), static_cast<int>(PREFIX_DEFAULTS.size()),
                     PREFIX_DEFAULTS.data(), static_cast<int>(name.size()), name.data());
    if (n < 0 || n >= static_cast<int>(sizeof folder)) return;
    std::string_view item(folder, static_cast<size_t>(n));
    if (item.find(PATH_SEPARATOR) != std::string_view::npos) return;
    if (used + PATH_SEPARATOR.size() + item.size() >= size) return;
    memcpy(out + used, PATH_SEPARATOR.data(), PATH_SEPARATOR.size());
    used += PATH_SEPARATOR.size();
    memcpy(out + used, item.data(), item.size());
    used += item.size();
    out[used] = '\0';
}

}  // namespace

int DEF_build_search_path(const char* exe, char* out, size_t size) {
    std::string_view head(DEF_SEARCH_PATH);
    if (out == nullptr || size == 0) return -1;
    out[0] = '\0';
    if (head.size() >= size) return -1;
    memcpy(out, head.data(), head.size() + 1);
    std::string_view file(exe != nullptr ? exe : "");
    if (file.empty() || file[0] != '/') return 0;
    size_t slash = file.rfind('/');
    std::string_view name = file.substr(slash + 1);
    if (name.empty()) return 0;
    // The folder above exe's folder; a program in "/" or "/bin" has the prefix "" (the root).
    std::string_view dir = file.substr(0, slash);
    size_t dir_slash = dir.rfind('/');
    std::string_view prefix = dir_slash == std::string_view::npos ? "" : dir.substr(0, dir_slash);
    size_t used = head.size();
    append_prefix_folder(out, size, used, prefix, name);
    if (prefix == SYSTEM_PREFIX) append_prefix_folder(out, size, used, "", name);
    return 0;
}

const char* DEF_search_path() {
    if (search_path[0] != '\0') return search_path;
    char exe[FILE_NAME_MAX];
    ssize_t n = readlink(SELF_EXE, exe, sizeof exe);
    // A name that fills the buffer may have been cut: such a program keeps the fixed head.
    if (n < 0 || n >= static_cast<ssize_t>(sizeof exe)) n = 0;
    exe[n] = '\0';
    DEF_build_search_path(exe, search_path, sizeof search_path);
    return search_path;
}

int DEF_open(const char* filename) {
    DEF_close();
    if (filename == nullptr || filename[0] == '\0') filename = DEFAULT_FILE;
    // "-", "std" and "stdn" would read the program's standard input, which carries its data.
    if (FILE_is_stdio(filename)) return -1;
    if (strlen(filename) > static_cast<size_t>(DEF_FILE_MAX)) {
        MESS_print(MESS_WARN, "DEF_open: defaults file name too long: %s\n", filename);
        return -1;
    }
    char name[DEF_FILE_SIZE];
    copy_cut(name, filename);
    if (FILE_is_dir(name) && !folder_file(name)) {
        MESS_print(MESS_WARN, "DEF_open: defaults file name too long: %s\n", filename);
        return -1;
    }
    def_file = FILE_open(name, "r");
    tail_pending = false;
    return def_file != nullptr ? 0 : -1;
}

int DEF_close() {
    if (def_file != nullptr) FILE_close(def_file);
    def_file = nullptr;
    tail_pending = false;
    return 0;
}

int DEF_prog() {
    char name[RES_PROGNAME_MAX];
    RES_get_progname(name);
    copy_cut(prog_name, name);
    return 0;
}

int DEF_name(const char* name) {
    copy_cut(prog_title, name != nullptr ? name : "");
    return 0;
}

int DEF_clr_tag() {
    num_tag = 0;
    return 0;
}

int DEF_tag(const char* str) {
    if (str == nullptr || str[0] == '\0' || strlen(str) > static_cast<size_t>(DEF_VALUE_MAX))
        return -1;
    if (tag_defined(str)) return 0;
    if (num_tag >= DEF_TAG_MAX) {
        MESS_print(MESS_WARN, "DEF_tag: more than %d tags, %s ignored\n", DEF_TAG_MAX, str);
        return -1;
    }
    snprintf(tags[num_tag++], DEF_VALUE_SIZE, "%s", str);
    return 0;
}

int DEF_get(char* resrc, char* value) {
    if (def_file == nullptr || resrc == nullptr || value == nullptr) return -1;
    char line[DEF_LINE_MAX + 1];
    for (int tries = 0; tries < DEF_MAX_LINES; ++tries) {
        int got = read_line(line);
        if (got < 0) return -1;
        if (got == 0 || line[0] == '#') continue;
        Words w = split_words(line);
        if (w.key.empty() || conditional_line(w)) continue;
        if (w.value.empty() || matches != 1) continue;
        if (store_entry(w.key, entry_value(w.value), resrc, value)) return 1;
    }
    MESS_print(MESS_WARN, "DEF_get: more than %d lines, rest of defaults file skipped\n",
               DEF_MAX_LINES);
    return -1;
}

int DEF_cmp(const char* resrc, const char* string) {
    if (resrc == nullptr || string == nullptr) return 0;
    char name[KEY_NAME_SIZE];
    if (!key_name(resrc, name)) return 0;
    return wildcard_match(string, name) ? 1 : 0;
}

int DEF_valid(const char* string) {
    if (string == nullptr || strlen(string) > static_cast<size_t>(DEF_KEY_MAX)) return 0;
    char name[DEF_KEY_SIZE];
    DEF_parse_name(string, name);
    if (name[0] == '\0') return 0;
    return DEF_cmp(name, string);
}

int DEF_parse_name(const char* str, char* ostr) {
    std::string_view key(str != nullptr ? str : "");
    size_t last = key.find_last_of(".*");
    std::string_view name = last == std::string_view::npos ? key : key.substr(last + 1);
    snprintf(ostr, DEF_KEY_SIZE, "%.*s", static_cast<int>(name.size()), name.data());
    return 1;
}

int DEF_env(const char* resrc, const char* env, const char** value) {
    *value = nullptr;
    if (resrc == nullptr) return 0;
    char name[KEY_NAME_SIZE];
    char var[KEY_NAME_SIZE + 4];
    if (key_name(resrc, name)) {
        snprintf(var, sizeof var, "%s%s", ENV_PREFIX, name);
        *value = getenv(var);
    }
    if (*value == nullptr && env != nullptr && env[0] != '\0') *value = getenv(env);
    if (*value == nullptr &&
        snprintf(var, sizeof var, "%s%s", ENV_PREFIX, resrc) < static_cast<int>(sizeof var))
        *value = getenv(var);
    return *value != nullptr ? 1 : 0;
}

int DEF_reset() {
    DEF_close();
    prog_name[0] = '\0';
    prog_title[0] = '\0';
    num_tag = 0;
    num_match = 0;
    excess_levels = 0;
    matches = 1;
    return 0;
}
