// Shared helpers of the fuzz targets; see harness.h.
#include "harness.h"

#include "cty_tool.h"
#include "resrc.h"
#include "scanp_reference.h"
#include "string.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>

namespace harness {

namespace {

std::string sandbox_path;

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
    remove(path);
    return 0;
}

void remove_tree(const std::string& path) {
    nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

void remove_sandbox() {
    if (!sandbox_path.empty()) remove_tree(sandbox_path);
}

}  // namespace

const std::string& sandbox() {
    if (!sandbox_path.empty()) return sandbox_path;
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : getenv("TMPDIR");
    if (base == nullptr || *base == '\0') base = "/tmp";
    std::string tmpl = std::string(base) + "/tafcvt-fuzz-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        perror("mkdtemp");
        abort();
    }
    sandbox_path = name.data();
    atexit(remove_sandbox);
    return sandbox_path;
}

std::string sandbox_file(std::string_view name) {
    return sandbox() + "/" + std::string(name);
}

void clear_sandbox(const std::vector<std::string>& keep) {
    DIR* dir = opendir(sandbox().c_str());
    if (dir == nullptr) return;
    std::vector<std::string> doomed;
    while (struct dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        bool kept = false;
        for (const auto& k : keep) kept = kept || k == name;
        if (!kept) doomed.push_back(sandbox_file(name));
    }
    closedir(dir);
    for (const auto& path : doomed) remove_tree(path);
}

void write_file(const std::string& path, std::string_view text) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        perror(path.c_str());
        abort();
    }
    if (!text.empty()) fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

std::string data_dir() { return std::string(TAFCVT_SOURCE_DIR) + "/data/"; }

void pin_clock() { setenv("joxcurtime", "202403151800", 1); }

void load_stations() {
    quiet_messages(MESS_NONE);
    RES_put("file_path", data_dir().c_str());
    CTY_store(CTY_DEFAULT_FILE, CTY_STORE_DATA, nullptr, STATION_PRIOR_ALL);
}

void quiet_messages(M_type levels) {
    MESS_reset();
    MESS_set_str("fi=/dev/null");
    MESS_set(MESS_SET, 0);
    MESS_set(MESS_ADD, levels);
}

namespace {

void null_fd(int fd, int access) {
    int null = open("/dev/null", access);
    if (null >= 0) {
        dup2(null, fd);
        close(null);
    }
}

}  // namespace

void detach_stdin() { null_fd(0, O_RDONLY); }

void discard_stdout() { null_fd(1, O_WRONLY); }

std::string_view as_text(const uint8_t* data, size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

std::vector<char> exact_copy(std::string_view text) {
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    copy.shrink_to_fit();
    return copy;
}

std::pair<std::string_view, std::string_view> first_line(std::string_view text) {
    size_t nl = text.find('\n');
    if (nl == std::string_view::npos) return {text, {}};
    return {text.substr(0, nl), text.substr(nl + 1)};
}

std::vector<std::string> lines_of(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        auto [line, rest] = first_line(text);
        lines.emplace_back(line);
        text = rest;
    }
    return lines;
}

bool has_any_of(std::string_view text, std::string_view set) {
    return text.find_first_of(set) != std::string_view::npos;
}

bool contains_nocase(std::string_view text, std::string_view word) {
    if (word.empty()) return true;
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < word.size() && ascii_lower(text[i + k]) == ascii_lower(word[k])) ++k;
        if (k == word.size()) return true;
    }
    return false;
}

SettingsSplit split_settings(std::string_view input) {
    auto [first, rest] = first_line(input);
    if (first.substr(0, 2) == "#!") return {true, first, rest};
    return {false, {}, input};
}

bool leaves_sandbox(std::string_view text) { return has_any_of(text, "|/\\~"); }

std::string setting(std::string_view line, std::string_view key) {
    size_t at = 0;
    while (at < line.size()) {
        size_t end = line.find(' ', at);
        if (end == std::string_view::npos) end = line.size();
        std::string_view word = line.substr(at, end - at);
        if (word.size() > key.size() && word.substr(0, key.size()) == key &&
            word[key.size()] == '=')
            return std::string(word.substr(key.size() + 1));
        at = end + 1;
    }
    return {};
}

int64_t search_steps(std::string_view text, int64_t limit) {
    int64_t most = 0;
    for (size_t at = text.find('#'); at != std::string_view::npos; at = text.find('#', at + 1)) {
        bool after_l = (at >= 1 && text[at - 1] == 'l') ||
                       (at >= 2 && text[at - 1] == 'a' && text[at - 2] == 'l');
        if (!after_l) continue;
        int64_t n = 0;
        for (size_t i = at + 1; i < text.size() && is_digit(text[i]); ++i)
            n = std::min<int64_t>(n * 10 + (text[i] - '0'), limit + 1);
        most = std::max(most, n);
    }
    return most;
}

unsigned input_hash(std::string_view text) {
    unsigned h = 2166136261u;
    for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

namespace {

// The kind a directive letter stores; false for a letter that stores nothing.
bool letter_kind(char letter, ScanKind* kind) {
    switch (letter) {
        case 'd': case 'D': case 'n': *kind = ScanKind::Int; return true;
        case 'f': case 'F': *kind = ScanKind::Float; return true;
        case '(': case '[': case 'A': case 'N': case 's': case 'S': case 'c': case 'w': case 'W':
            *kind = ScanKind::Text;
            return true;
        default: return false;
    }
}

ScanKind next_kind(ScanKind k) {
    return k == ScanKind::Int ? ScanKind::Float
                              : k == ScanKind::Float ? ScanKind::Text : ScanKind::Int;
}

// The kinds of the storing directives of pat and where each begins, read the way the
// scanner reads a pattern.
void storing_directives(const char* pat, std::vector<ScanKind>* kinds,
                        std::vector<size_t>* starts) {
    kinds->clear();
    starts->clear();
    const char* p = pat;
    while (*p != '\0') {
        const size_t start = static_cast<size_t>(p - pat);
        if (*p++ != '%') continue;
        bool store = *p != '*';
        if (!store) ++p;
        if (*p == '<') ++p;
        while (is_digit(*p)) ++p;
        if (*p == '!') {
            ++p;
            while (*p != '\0' && *p != '!') ++p;
            if (*p == '!') ++p;
        }
        ScanKind kind;
        if (!letter_kind(*p, &kind)) continue;  // the letter is read as the next element
        if (store) {
            kinds->push_back(kind);
            starts->push_back(start);
        }
        char close = *p == '(' ? ')' : *p == '[' ? ']' : '\0';
        ++p;
        if (close != '\0') {
            while (*p != '\0' && *p != close) ++p;
            if (*p == close) ++p;
        }
    }
}

}  // namespace

void ScanDests::bind() {
    args.clear();
    size_t text = 0;
    for (size_t i = 0; i < kinds.size(); ++i) {
        switch (kinds[i]) {
            case ScanKind::Int: args.push_back({ScanKind::Int, &ints[i], sizeof(int)}); break;
            case ScanKind::Float:
                args.push_back({ScanKind::Float, &floats[i], sizeof(float)});
                break;
            case ScanKind::Text:
                args.push_back({ScanKind::Text, texts[text].data(), texts[text].size()});
                ++text;
                break;
        }
    }
}

void scan_dests(const char* pat, size_t text_size, bool wrong_kinds, ScanDests* dests) {
    storing_directives(pat, &dests->wanted, &dests->starts);
    dests->kinds = dests->wanted;
    if (wrong_kinds)
        for (auto& k : dests->kinds) k = next_kind(k);
    dests->ints.assign(dests->kinds.size(), 0);
    dests->floats.assign(dests->kinds.size(), 0.0f);
    dests->texts.clear();
    for (ScanKind k : dests->kinds)
        if (k == ScanKind::Text) dests->texts.emplace_back(text_size, 'x');
    dests->bind();
}

namespace {

bool same_floats(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() &&
           (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

[[noreturn]] void scan_mismatch(const char* what, const parse_param& got,
                                const parse_param& want, const char* pat) {
    fprintf(stderr,
            "scanner differs from the reference (%s): pattern \"%s\" off %d: "
            "got %d/%d/%d/%d, reference %d/%d/%d/%d (len/matched/assigned/done)\n",
            what, pat, got.off, got.len, got.matched, got.assigned, got.done, want.len,
            want.matched, want.assigned, want.done);
    abort();
}

// The first storing directive without a destination of its kind among the first nargs, or
// the directive count when each has one.
size_t first_unfit(const ScanDests& dests, int nargs) {
    size_t i = 0;
    while (i < dests.wanted.size() && i < static_cast<size_t>(nargs) &&
           dests.kinds[i] == dests.wanted[i])
        ++i;
    return i;
}

}  // namespace

int scan_checked(parse_param* param, const char* pat, ScanDests* dests, ScanDests* ref,
                 int nargs) {
    parse_param ref_param = *param;
    int got = scanp_args(param, pat, dests->args.data(), nargs);
    const size_t unfit = first_unfit(*dests, nargs);
    int want;
    if (unfit == dests->wanted.size()) {
        want = scanp_reference::scan(&ref_param, pat, ref->args.data(), nargs);
    } else {
        const std::string head(pat, dests->starts[unfit]);
        want = scanp_reference::scan(&ref_param, head.c_str(), ref->args.data(), nargs);
        const bool tried = ref_param.ptr != nullptr && ref_param.off >= 0 &&
                           ref_param.off < ref_param.length;
        if (head.empty() && tried) want = 0;  // nothing before the directive: nothing matched
        if (ref_param.done == 1) ref_param.done = 0;  // the library stops at the directive
    }
    if (got != want || param->len != ref_param.len || param->matched != ref_param.matched ||
        param->assigned != ref_param.assigned || param->done != ref_param.done)
        scan_mismatch("counts", *param, ref_param, pat);
    if (dests->ints != ref->ints || !same_floats(dests->floats, ref->floats) ||
        dests->texts != ref->texts)
        scan_mismatch("values", *param, ref_param, pat);
    return got;
}

}  // namespace harness

namespace {

// Whether a character reaches the shell as plain text: what the listing's escaping leaves
// alone, and the glob characters of a template.
bool shell_plain(char c) {
    return is_letter(c) || is_digit(c) || strchr("_-./+,:=@%~*?[]^", c) != nullptr;
}

// Aborts (a finding) when the listing command holds a character the shell would read as
// syntax without a backslash in front.
void check_listing_command(const char* command) {
    for (const char* p = command; *p != '\0'; ++p) {
        if (*p == '\\') {
            if (p[1] == '\0') break;
            ++p;
            continue;
        }
        if (!shell_plain(*p)) {
            fprintf(stderr, "listing command not escaped at %ld: %s\n", static_cast<long>(p - command),
                    command);
            abort();
        }
    }
}

}  // namespace

// The file listing runs a shell command built from the name template and the user's texts:
// under fuzzing it is checked and never run. Other commands (the fuzzer's own, in its fork
// and merge modes) run as usual.
extern "C" int system(const char* command) {
    static constexpr char LISTING[] = "ls -x ";
    if (command != nullptr && strncmp(command, LISTING, sizeof LISTING - 1) == 0) {
        check_listing_command(command + sizeof LISTING - 1);
        return 0;
    }
    using SystemFn = int (*)(const char*);
    static auto real = reinterpret_cast<SystemFn>(dlsym(RTLD_NEXT, "system"));
    return real != nullptr ? real(command) : -1;
}
