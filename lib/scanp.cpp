// Pattern scanner; see scanp.h. (The scanning itself arrives with the decoder work.)
#include "scanp.h"

#include <cstring>

int scanp_args(parse_param* param, const char*, const ScanArg*, int) {
    param->len = param->assigned = param->matched = param->done = 0;
    return -1;
}

int scanp_set(parse_param* param, const char* str) {
    param->ptr = str;
    param->length = static_cast<int>(strlen(str));
    param->off = 0;
    return 1;
}

int scanp_get_off(const parse_param* param) { return param->off; }
int scanp_inc(parse_param* param) {
    param->off += param->len;
    return 1;
}
int scanp_inc_off(parse_param* param, int off) {
    param->off += off;
    return 1;
}
const char* scanp_str(const parse_param* param) { return param->ptr + param->off; }
int scanp_char(const parse_param* param, int off) {
    int at = param->off + off;
    if (at < 0 || at >= param->length) return '\0';
    return static_cast<unsigned char>(param->ptr[at]);
}
