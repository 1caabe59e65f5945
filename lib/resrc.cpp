// Resource registry, command line, catalogue and help; see resrc.h.
#include "resrc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files.h"
#include "flag.h"
#include "mess.h"
#include "string.h"

namespace {

res_obj root_res = {0, nullptr, nullptr, CV_none, nullptr};  // head; its own fields unused
int clargc = 0;                                             // the stored command line
char** clargv = nullptr;
RES_defobj* def_table = nullptr;                            // the program's table
char progname_field[RES_PROGNAME_MAX];

char* copy_text(const char* text) {
    if (text == nullptr) return nullptr;
    size_t len = strlen(text);
    auto* copy = static_cast<char*>(malloc(len + 1));
    if (copy != nullptr) memcpy(copy, text, len + 1);
    return copy;
}

res_obj* find(const char* name) {
    if (name == nullptr) return nullptr;
    for (res_obj* r = root_res.next; r != nullptr; r = r->next)
        if (strcmp(r->name, name) == 0) return r;
    return nullptr;
}

// Appends a new record at the end of the list; null when memory runs out.
res_obj* append_record(int index, const char* name, DEF_convert cvt) {
    auto* r = static_cast<res_obj*>(malloc(sizeof(res_obj)));
    if (r == nullptr) return nullptr;
    r->name = copy_text(name);
    if (r->name == nullptr) {
        free(r);
        return nullptr;
    }
    r->index = index;
    r->data = nullptr;
    r->cvt = cvt;
    r->next = nullptr;
    res_obj* last = &root_res;
    while (last->next != nullptr) last = last->next;
    last->next = r;
    return r;
}

bool starts_number(const char* s) {
    return (*s >= '0' && *s <= '9') || *s == '-' || *s == '+';
}

}  // namespace

int RES_new(int index, const char* name, const char* data, DEF_convert cvt) {
    if (name == nullptr) return -1;
    res_obj* r = find(name);
    if (r == nullptr) r = append_record(index, name, cvt);
    if (r == nullptr) return -1;
    char* copy = copy_text(data);
    if (data != nullptr && copy == nullptr) return -1;
    free(r->data);
    r->data = copy;
    r->cvt = cvt;
    r->index = index;
    return 0;
}

int RES_append(int index, const char* name, const char* data, DEF_convert cvt) {
    res_obj* r = find(name);
    if (r == nullptr) return RES_new(index, name, data, cvt);
    if (data == nullptr) return 0;
    if (r->data == nullptr) {
        r->data = copy_text(data);
        return r->data != nullptr ? 0 : -1;
    }
    size_t l1 = strlen(r->data);
    size_t l2 = strlen(data);
    auto* joined = static_cast<char*>(malloc(l1 + l2 + 2));
    if (joined == nullptr) return -1;
    memcpy(joined, r->data, l1);
    joined[l1] = '\n';
    memcpy(joined + l1 + 1, data, l2 + 1);
    free(r->data);
    r->data = joined;
    return 0;
}

int RES_put(const char* name, const char* value) {
    return RES_new(RES_UNLISTED, name, value, CV_string);
}

const char* RES_get(const char* name) {
    const res_obj* r = find(name);
    if (r == nullptr) return nullptr;
    return r->data != nullptr ? r->data : "";
}

int RES_getval(const char* name, void* data, DEF_convert cvt) {
    const res_obj* r = find(name);
    if (r == nullptr || data == nullptr) return 0;
    return RES_conv_data(r->data, data, cvt);
}

int RES_getvals(const char* name, int* paramc, char*** paramv) {
    *paramc = 0;
    *paramv = nullptr;
    const res_obj* r = find(name);
    if (r == nullptr || r->data == nullptr) return 0;
    parse_string(r->data, r->cvt == CV_strings ? '\n' : ',', paramc, paramv);
    return *paramc;
}

int RES_setCL(int argc, char** argv) {
    clargc = argc;
    clargv = argv;
    return 1;
}

const char* RES_get_prog() {
    return (clargc > 0 && clargv != nullptr) ? clargv[0] : nullptr;
}

char* RES_get_progname(char* prog) {
    if (prog == nullptr) prog = progname_field;
    const char* word = RES_get_prog();
    if (word == nullptr) word = "";
    const char* slash = strrchr(word, '/');
    snprintf(prog, RES_PROGNAME_MAX, "%s", slash != nullptr ? slash + 1 : word);
    return prog;
}

int RES_set_device(const char* str) {
    if (str == nullptr) return 1;
    switch (str[0]) {
        case 'p': case 'P': return 4;
        case 'h': case 'H': case 'q': case 'Q': return 5;
        case 'm': case 'M': return 3;
        case 'w': case 'W': return 6;
        default: return 1;
    }
}

int RES_conv_data(const char* data, void* out, DEF_convert cvt) {
    switch (cvt) {
        case CV_batch:
            FLAG_set(FLAG_BATCH, 1);
            if (MESS_check_set() == 0) MESS_set(0, 0x000000FF);
            return 1;
        case CV_help:
            FLAG_set(FLAG_HELP, 1);
            return 1;
        case CV_bool: {
            if (out == nullptr) return 0;
            auto* v = static_cast<int*>(out);
            if (data == nullptr || stricmp(data, "true") == 0 || stricmp(data, "on") == 0 ||
                stricmp(data, "yes") == 0)
                *v = 1;
            else if (stricmp(data, "false") == 0 || stricmp(data, "off") == 0 ||
                     stricmp(data, "no") == 0)
                *v = 0;
            return 1;
        }
        default: break;
    }
    if (data == nullptr) return 0;
    switch (cvt) {
        case CV_mess:
            MESS_set_str(data);
            return 1;
        case CV_file_param:
            if (stricmp(data, "use") == 0 || stricmp(data, "reuse") == 0)
                FLAG_set(FLAG_FILE_PARAM, 3);
            else if (stricmp(data, "over") == 0 || stricmp(data, "calc") == 0 ||
                     stricmp(data, "recalc") == 0)
                FLAG_set(FLAG_FILE_PARAM, 1);
            else if (stricmp(data, "app") == 0)
                FLAG_set(FLAG_FILE_PARAM, 2);
            return 1;
        default: break;
    }
    if (out == nullptr) return 0;
    switch (cvt) {
        case CV_int:
            if (starts_number(data)) {
                auto* v = static_cast<int*>(out);
                if (data[0] != '\0' && (data[1] == 'x' || data[1] == 'X'))
                    *v = static_cast<int>(strtol(data, nullptr, 16));
                else
                    *v = atoi(data);
            }
            return 1;
        case CV_short:
            if (*data >= '0' && *data <= '9') *static_cast<int16_t*>(out) = static_cast<int16_t>(atoi(data));
            return 1;
        case CV_long:
            if (*data >= '0' && *data <= '9') *static_cast<int64_t*>(out) = atoll(data);
            return 1;
        case CV_float:
            *static_cast<float*>(out) = static_cast<float>(atof(data));
            return 1;
        case CV_string:
            *static_cast<const char**>(out) = data;
            return 1;
        case CV_strcpy:
            snprintf(static_cast<char*>(out), RES_STRCPY_MAX, "%s", data);
            return 1;
        case CV_path: {
            size_t len = strlen(data);
            auto* copy = static_cast<char*>(malloc(len + 2));
            if (copy == nullptr) return 1;
            if (stricmp(data, "none") == 0)
                copy[0] = '\0';
            else
                memcpy(copy, data, len + 1);
            FILE_add_path_delim(copy, len + 2);
            *static_cast<char**>(out) = copy;
            return 1;
        }
        case CV_color:
            *static_cast<int64_t*>(out) = atoi(data);
            return 1;
        default:
            return 1;
    }
}

const RES_defobj* RES_get_table() { return def_table; }

int RES_reset() {
    res_obj* r = root_res.next;
    while (r != nullptr) {
        res_obj* next = r->next;
        free(r->name);
        free(r->data);
        free(r);
        r = next;
    }
    root_res.next = nullptr;
    clargc = 0;
    clargv = nullptr;
    free(def_table);
    def_table = nullptr;
    return 0;
}

// ---- Start-up, catalogue and help: arriving with the command-line work. ----

int RES_init(int argc, char** argv, const res_type*, const res_type*) {
    FLAG_reset(-9999);
    RES_setCL(argc, argv);
    return 1;
}

int RES_decode(const char*, const char*, int, char**, RES_defobj*) { return 0; }

int RES_enter(RES_defobj* obj, res_type) {
    *obj = RES_defobj{"", nullptr, nullptr, 0, CV_none, nullptr, nullptr};
    return 1;
}

int RES_fill_obj(RES_defobj* obj, const char* def, const char* env, const char* cmd,
                 DEF_convert cvt, void* out, int* num) {
    *obj = RES_defobj{def, env, cmd, 0, cvt, out, num};
    return 1;
}

int RES_help_print(const char*, const res_type*, const res_type*) { return 1; }
int RES_help_item(res_type) { return 1; }
int RES_list() { return 0; }
