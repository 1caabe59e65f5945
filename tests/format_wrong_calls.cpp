// Calls of the checked formatting that must not compile, one for each FORMAT_WRONG_<case>
// macro (tests/CMakeLists.txt compiles the file once per case and looks for the fault's name
// in the compiler's message). Without a macro the file compiles: the calls around the wrong
// one are right, so each case fails for its own fault alone.
#include "string.h"

int format_groups(char* out, size_t size, const char* name, float miles) {
    int n = format_checked(out, size, "winds from %d deg at %d kts, ", 270, 15);
    n += format_checked(out, size, "%s terminal forecast ", name);
    n += format_checked(out, size, "visibility of %3.1f miles, %c", miles, 'x');
    n += format_checked(out, size, "A %d%% probability ", 30);
    n += format_checked(out, size, "no conversion at all");
#if defined(FORMAT_WRONG_kind)
    n += format_checked(out, size, "%d ft", name);
#elif defined(FORMAT_WRONG_text_for_number)
    n += format_checked(out, size, "%s ft", 100);
#elif defined(FORMAT_WRONG_missing)
    n += format_checked(out, size, "from %2.2dZ to %2.2dZ", 6);
#elif defined(FORMAT_WRONG_left_over)
    n += format_checked(out, size, "from %2.2dZ", 6, 12);
#elif defined(FORMAT_WRONG_flag)
    n += format_checked(out, size, "%-10s", name);
#elif defined(FORMAT_WRONG_long)
    n += format_checked(out, size, "%ld", 6L);
#elif defined(FORMAT_WRONG_wide_integer)
    n += format_checked(out, size, "%d", 6L);
#elif defined(FORMAT_WRONG_runtime_format)
    n += format_checked(out, size, name);
#endif
    return n;
}
