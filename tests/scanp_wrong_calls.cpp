// Calls of the pattern scanner that must not compile, one for each SCANP_WRONG_<case> macro
// (tests/CMakeLists.txt compiles the file once per case and looks for the fault's name in
// the compiler's message). Without a macro the file compiles: the calls around the wrong one
// are right, so each case fails for its own fault alone.
#include "scanp.h"

namespace {

constexpr scanp_pattern<int*, int*, scan_buf> WIND_STEADY = "%3d%2d%!!(KT|MPS) ";
#if defined(SCANP_WRONG_table_entry)
constexpr scanp_pattern<int*, int*> WIND_WRONG = "%3d%!!(KT|MPS) ";
#endif

}  // namespace

int scan_groups(parse_param* p, const char* runtime_pattern) {
    int dir = 0;
    float miles = 0.0f;
    char unit[8];
    int n = scanp(p, "%3d%(KT|MPS) ", &dir, unit);
    n += scanp(p, "%f%*(SM) ", &miles);
    n += scanp(p, "%4s ", scan_buf{unit, sizeof unit});
    n += scanp(p, WIND_STEADY, &dir, &dir, unit);
    n += scanp_runtime(p, runtime_pattern, &dir, unit);
#if defined(SCANP_WRONG_kind)
    n += scanp(p, "%3d%2d", &dir, unit);
#elif defined(SCANP_WRONG_too_few)
    n += scanp(p, "%3d%2d", &dir);
#elif defined(SCANP_WRONG_too_many)
    n += scanp(p, "%3d", &dir, &dir);
#elif defined(SCANP_WRONG_unclosed_list)
    n += scanp(p, "%(KT|MPS", unit);
#elif defined(SCANP_WRONG_unclosed_set)
    n += scanp(p, "%[/A", unit);
#elif defined(SCANP_WRONG_unclosed_miss)
    n += scanp(p, "%3!///d", &dir);
#elif defined(SCANP_WRONG_long_miss)
    n += scanp(p, "%!12345678901234567890!d", &dir);
#elif defined(SCANP_WRONG_char_pointer)
    char* bare = unit;
    n += scanp(p, "%s", bare);
#elif defined(SCANP_WRONG_runtime_pattern)
    n += scanp(p, runtime_pattern, &dir);
#elif defined(SCANP_WRONG_table_entry)
    n += scanp(p, WIND_WRONG, &dir, &dir);
#elif defined(SCANP_WRONG_other_destinations)
    n += WIND_STEADY.scan(p, &dir, &miles, unit);
#elif defined(SCANP_WRONG_forged_proof)
    n += scanp_detail::scan_proven(p, "%d", nullptr, 0, {});
#endif
    return n;
}
