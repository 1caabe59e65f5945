// Files: path utilities, name conventions and date selection; see files.h.
#include "files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "string.h"

namespace {

// Streams opened on a command, which must be closed with pclose.
constexpr int MAX_PIPES = 16;
FILE* pipes[MAX_PIPES] = {};

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

// Copies src into dst of size bytes; false (and dst emptied) when it does not fit.
bool copy_fits(char* dst, size_t size, const char* src) {
    size_t len = strlen(src);
    if (len >= size) {
        if (size > 0) dst[0] = '\0';
        return false;
    }
    memcpy(dst, src, len + 1);
    return true;
}

}  // namespace

// ---- Path and file utilities ----

int FILE_fullpath(const char* filename) {
    if (filename == nullptr) return 0;
    return (filename[0] == '/' || filename[0] == '.' || filename[0] == '~') ? 1 : 0;
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

char* FILE_add_path(const char* path, const char* file, char* filename) {
    if (file == nullptr) file = "";
    if (FILE_is_stdio(file) || FILE_fullpath(file)) {
        copy_fits(filename, FILE_NAME_MAX, file);
        return filename;
    }
    char joined[FILE_NAME_MAX];
    if (!copy_fits(joined, sizeof joined, path != nullptr ? path : "")) {
        filename[0] = '\0';
        return filename;
    }
    size_t len = strlen(joined);
    bool need_delim = len > 0 && joined[len - 1] != '/';
    if (len + (need_delim ? 1 : 0) + strlen(file) >= FILE_NAME_MAX) {
        filename[0] = '\0';
        return filename;
    }
    memcpy(filename, joined, len);
    if (need_delim) filename[len++] = '/';
    memcpy(filename + len, file, strlen(file) + 1);
    return filename;
}

int FILE_add_user_path(const char* file, char* filename) {
    if (file == nullptr) file = "";
    if (file[0] != '~') {
        copy_fits(filename, FILE_NAME_MAX, file);
        return 0;
    }
    const char* slash = strchr(file, '/');
    size_t name_len = slash != nullptr ? static_cast<size_t>(slash - file - 1) : strlen(file + 1);
    if (name_len >= FILE_USER_MAX) {  // no such user can be named here
        copy_fits(filename, FILE_NAME_MAX, file);
        return 0;
    }
    char user[FILE_USER_MAX];
    memcpy(user, file + 1, name_len);
    user[name_len] = '\0';
    struct passwd* pw = name_len > 0 ? getpwnam(user) : getpwuid(getuid());
    if (pw == nullptr || pw->pw_dir == nullptr) {
        copy_fits(filename, FILE_NAME_MAX, file);
        return 0;
    }
    const char* rest = slash != nullptr ? slash : "";
    if (strlen(pw->pw_dir) + strlen(rest) >= FILE_NAME_MAX) {
        filename[0] = '\0';
        return 0;
    }
    size_t dir_len = strlen(pw->pw_dir);
    memcpy(filename, pw->pw_dir, dir_len);
    memcpy(filename + dir_len, rest, strlen(rest) + 1);
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

// ---- Name conventions and date selection: arriving with the file-naming work. ----

namespace {
char filename[FILE_NAME_MAX];  // the current file name
Date file_date = {DATE_MISSING, DATE_MISSING, DATE_MISSING, DATE_MISSING,
                  DATE_MISSING, DATE_MISSING, DATE_MISSING, 0};
}  // namespace

int FILE_set_name(char*) {
    filename[0] = '\0';
    return 0;
}
int FILE_set_key(char, const char*) { return 0; }
int FILE_set_date(const Date*, char* out_file) {
    snprintf(out_file, FILE_NAME_MAX, "%s", filename[0] != '\0' ? filename : "filename");
    return 1;
}
int FILE_hdr_set_date(const Date*, char* out_file) {
    out_file[0] = '\0';
    return 0;
}
int FILE_set_file(const char* file, char* out_file) {
    copy_fits(filename, sizeof filename, file);
    snprintf(out_file, FILE_NAME_MAX, "%s", filename);
    return 0;
}
const char* FILE_get_filename(char* str) {
    if (str != nullptr) snprintf(str, FILE_NAME_MAX, "%s", filename);
    return filename;
}
int FILE_save_name_conv() { return 0; }
int FILE_restore_name_conv() { return 0; }
namespace {
Date set = {DATE_MISSING, DATE_MISSING, DATE_MISSING, DATE_MISSING,
            DATE_MISSING, DATE_MISSING, DATE_MISSING, 0};  // fixed date fields
}  // namespace
int FILE_set_time(const Date* datim) {
    if (datim != nullptr) set = *datim;
    return 0;
}
int FILE_get_time(Date* datim) {
    *datim = set;
    return 0;
}
int FILE_get_file_only(const char*, char* outfile) {
    if (outfile != nullptr) snprintf(outfile, FILE_NAME_MAX, "%s", filename);
    return FILE_exist(filename);
}
int FILE_list_file() { return 0; }
int64_t FILE_set_current(const char*, char* name) {
    if (name != nullptr) name[0] = '\0';
    return 0;
}
int FILE_get_date(Date* date) {
    *date = file_date;
    return 0;
}
int FILE_first(const Date*) { return 0; }
int FILE_get_next(char*) { return 0; }
int FILE_num_hour() { return 0; }
int FILE_get_skip() { return 0; }
int FILE_get_offset() { return 100000; }
int FILE_set_date_off(Date*, int, char*) { return 0; }
int FILE_reset() {
    filename[0] = '\0';
    return 0;
}
