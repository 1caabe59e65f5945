// The formatting shared by the message output and the English text (vformat_string), which
// promises the C library's vsnprintf output byte for byte: any format of literal text and
// the conversions it formats itself (c, d, s, f, with digits for a width and a precision,
// and %%), with any values (every double bit pattern, null texts), into buffers of any size;
// text and result are compared with vsnprintf's. Formats with other conversions go to
// vsnprintf whole and are not generated.
//
// Input (read through FuzzedDataProvider): the format, the buffer size, then the values.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "string.h"

namespace {

constexpr size_t FORMAT_MAX = 64;
constexpr size_t ARGS_MAX = 4;
constexpr size_t BUFFER_MAX = 600;
constexpr size_t TEXT_MAX = 40;
constexpr int SMALL = 100000;  // numbers near zero, where widths and zeros show
// Digits of a width or precision: fields up to 99999 pass the formatter's own limit, so its
// hand-off to the C library stays covered, while the C library's memory for a field (it
// allocates a %f precision whole: gigabytes for ten digits) stays small.
constexpr size_t FIELD_DIGITS_MAX = 5;

using Arg = std::variant<int, double, const char*>;

int ours(char* str, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = vformat_string(str, size, format, args);
    va_end(args);
    return n;
}

int theirs(char* str, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = vsnprintf(str, size, format, args);
    va_end(args);
    return n;
}

// The position after the digits of a field that starts at i, or 0 when it has too many.
size_t skip_field(const std::string& format, size_t i) {
    size_t j = i;
    while (j < format.size() && is_digit(format[j])) ++j;
    return j - i > FIELD_DIGITS_MAX ? 0 : j;
}

// The letters of the conversions of format, or false when it holds one not generated here.
bool conversion_letters(const std::string& format, std::string* letters) {
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        size_t j = skip_field(format, i + 1);
        if (j == 0) return false;
        if (j < format.size() && format[j] == '.') j = skip_field(format, j + 1);
        if (j == 0 || j >= format.size()) return false;
        char letter = format[j];
        if (letter == '%') {
            if (j != i + 1) return false;  // "%5%" is not a conversion C defines
        } else if (letter == 'c' || letter == 'd' || letter == 's' || letter == 'f') {
            letters->push_back(letter);
        } else {
            return false;
        }
        i = j;
    }
    return true;
}

template <class... T>
void call_with(const char* format, size_t size, const std::vector<Arg>& args, T... done) {
    if constexpr (sizeof...(T) <= ARGS_MAX) {
        if (sizeof...(T) < args.size()) {
            std::visit([&](auto v) { call_with(format, size, args, done..., v); },
                       args[sizeof...(T)]);
            return;
        }
        std::vector<char> a(size + 1, '\x7f');
        std::vector<char> b(size + 1, '\x7f');
        int na = ours(a.data(), size, format, done...);
        int nb = theirs(b.data(), size, format, done...);
        if (na != nb || a != b) {
            fprintf(stderr, "format \"%s\" size %zu: ours %d \"%.*s\", vsnprintf %d \"%.*s\"\n",
                    format, size, na, static_cast<int>(size), a.data(), nb,
                    static_cast<int>(size), b.data());
            abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::string format = in.ConsumeRandomLengthString(FORMAT_MAX);
    std::string letters;
    if (!conversion_letters(format, &letters) || letters.size() > ARGS_MAX) return -1;
    const size_t buffer = in.ConsumeIntegralInRange<size_t>(0, BUFFER_MAX);
    std::vector<std::string> texts;
    texts.reserve(ARGS_MAX);
    std::vector<Arg> args;
    for (char letter : letters) {
        switch (letter) {
            case 'c':
            case 'd':
                args.emplace_back(in.ConsumeBool() ? in.ConsumeIntegralInRange(-SMALL, SMALL)
                                                   : in.ConsumeIntegral<int>());
                break;
            case 'f': {
                double value;
                if (in.ConsumeBool()) {
                    value = in.ConsumeFloatingPointInRange(-static_cast<double>(SMALL),
                                                           static_cast<double>(SMALL));
                } else {
                    uint64_t bits = in.ConsumeIntegral<uint64_t>();  // any double at all
                    memcpy(&value, &bits, sizeof value);
                }
                args.emplace_back(value);
                break;
            }
            default:
                if (in.ConsumeIntegralInRange(0, 15) == 0) {
                    args.emplace_back(static_cast<const char*>(nullptr));
                } else {
                    texts.push_back(in.ConsumeRandomLengthString(TEXT_MAX));
                    args.emplace_back(texts.back().c_str());
                }
                break;
        }
    }
    for (size_t room : {buffer, BUFFER_MAX, size_t{0}, size_t{1}})
        call_with(format.c_str(), room, args);
    return 0;
}
