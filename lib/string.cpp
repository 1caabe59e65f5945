// String utilities; see string.h.
#include "string.h"

#include <cstdlib>
#include <cstring>

namespace {

// Lower-cases ASCII letters only, as the C locale does; other bytes (including those that
// are negative as signed chars) stay as they are.
int lower_signed(char c) {
    int v = static_cast<signed char>(c);
    return (v >= 'A' && v <= 'Z') ? v + ('a' - 'A') : v;
}

}  // namespace

int stricmp(const char* s1, const char* s2) {
    if (s1 == nullptr || s2 == nullptr) return 1;
    while (*s1 != '\0' && *s2 != '\0' && lower_signed(*s1) == lower_signed(*s2)) {
        ++s1;
        ++s2;
    }
    return lower_signed(*s1) - lower_signed(*s2);
}

int strnicmp(const char* s1, const char* s2, int n) {
    if (s1 == nullptr || s2 == nullptr) return 1;
    int i = 0;
    while (i < n - 1 && s1[i] != '\0' && s2[i] != '\0' &&
           lower_signed(s1[i]) == lower_signed(s2[i]))
        ++i;
    return lower_signed(s1[i]) - lower_signed(s2[i]);
}

int strmcat(char* s1, const char* s2, int m) {
    if (s1 == nullptr || s2 == nullptr) return 0;
    size_t l1 = strlen(s1);
    if (m < 0 || l1 >= static_cast<size_t>(m)) return 0;
    size_t room = static_cast<size_t>(m) - l1;
    size_t l2 = strnlen(s2, room);
    memcpy(s1 + l1, s2, l2);
    s1[l1 + l2] = '\0';
    return 1;
}

int parse_string(const char* string, char delim, int* argc, char*** argv) {
    *argc = 0;
    *argv = nullptr;
    if (string == nullptr || *string == '\0') return -1;
    size_t len = strlen(string);
    char* copy = static_cast<char*>(malloc(len + 1));
    if (copy == nullptr) return -1;
    memcpy(copy, string, len + 1);
    while (len > 0 && copy[len - 1] == delim) copy[--len] = '\0';
    int count = 1;
    for (size_t i = 0; i < len; ++i)
        if (copy[i] == delim) ++count;
    char** items = static_cast<char**>(malloc(sizeof(char*) * static_cast<size_t>(count)));
    if (items == nullptr) {
        free(copy);
        return -1;
    }
    int n = 0;
    items[n++] = copy;
    for (size_t i = 0; i < len; ++i) {
        if (copy[i] == delim) {
            copy[i] = '\0';
            items[n++] = copy + i + 1;
        }
    }
    *argc = count;
    *argv = items;
    return 0;
}

int free_parsed_array(int argc, char** argv) {
    if (argc != 0 && argv != nullptr) {
        free(argv[0]);
        free(argv);
    }
    return 0;
}

int wsstrip_string(char* string) {
    if (string == nullptr) return 1;
    char* out = string;
    for (const char* in = string; *in != '\0'; ++in)
        if (*in != '\r' && *in != '\n') *out++ = *in;
    *out = '\0';
    return 1;
}

int wstrim_string(char* string) {
    if (string == nullptr) return 1;
    wsstrip_string(string);
    size_t len = strlen(string);
    while (len > 0 && string[len - 1] == ' ') string[--len] = '\0';
    return 1;
}

int clean_line(char* line) {
    if (line == nullptr || *line == '\0') return 0;
    auto* s = reinterpret_cast<unsigned char*>(line);
    size_t i = strlen(line);
    while (i > 0 && s[i - 1] < 32) s[--i] = '\0';
    if (i == 0) return 1;
    if (s[i - 1] >= 128) s[i - 1] = ' ';
    for (size_t k = 0; k + 1 < i; ++k)
        if (s[k] < 32 || s[k] >= 128) s[k] = ' ';
    return 1;
}

int up_string(char* string) {
    if (string == nullptr || *string == '\0') return 0;
    for (char* p = string; *p != '\0'; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - ('a' - 'A'));
    return 1;
}

int low_string(char* string) {
    if (string == nullptr || *string == '\0') return 0;
    for (char* p = string; *p != '\0'; ++p)
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + ('a' - 'A'));
    return 1;
}

int fill_string(char* string, char tar, char fill) {
    if (string == nullptr) return 0;
    for (char* p = string; *p != '\0'; ++p)
        if (*p == tar) *p = fill;
    return 0;
}

int string_is_blank(const char* string) {
    if (string == nullptr) return 1;
    for (const auto* p = reinterpret_cast<const unsigned char*>(string); *p != '\0'; ++p)
        if (*p > 32) return 0;
    return 1;
}
