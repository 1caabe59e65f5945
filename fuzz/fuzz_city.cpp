// The city database: any database file read record by record (CTY_open, CTY_read,
// CTY_rewind), loaded into the station store in each store type with and without a
// selection list (CTY_store), and searched again by identifier, WMO number and name
// (CTY_search, CTY_get, CTY_get_loc).
//
// Input: an optional first line "#!" followed by settings (sel=LIST the resource
// identifier, prior=N, dom=LAT1,LON1,LAT2,LON2 a map domain), then the database file. Every
// word of the file is also looked up.
#include <cstdint>
#include <string>
#include <vector>

#include "cty_read.h"
#include "cty_tool.h"
#include "harness.h"
#include "maptran.h"
#include "resrc.h"

namespace {

constexpr int RECORDS_MAX = 100000;
constexpr size_t LOOKUPS_MAX = 200;
constexpr int DEFAULT_PRIOR = 7;

// The first blank-separated words of the text, at most LOOKUPS_MAX.
std::vector<std::string> words_of(std::string_view text) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < text.size() && words.size() < LOOKUPS_MAX) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\n')) ++at;
        size_t end = at;
        while (end < text.size() && text[end] != ' ' && text[end] != '\n') ++end;
        if (end > at) words.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    const auto [has_settings, first, rest] = harness::split_settings(input);
    std::string_view file_text = rest;
    const unsigned h = harness::input_hash(input);
    harness::quiet_messages(h % 5 == 0 ? 0xFFFFFFFFu : 0x0FFFFFFFu);
    CTY_reset();
    RES_reset();
    const std::string file = harness::sandbox_file("sao.cty");
    harness::write_file(file, file_text);
    RES_put("file_path", harness::sandbox().c_str());
    int prior = DEFAULT_PRIOR;
    Domain dom = MAP_unset_domain();
    bool has_domain = false;
    if (has_settings) {
        std::string d = harness::setting(first, "dom");
        has_domain = !d.empty() && DOM_decode(d.c_str(), &dom) == 1;
        std::string sel = harness::setting(first, "sel");
        if (!sel.empty()) RES_put("identifier", sel.c_str());
        std::string p = harness::setting(first, "prior");
        if (!p.empty()) {
            RES_put("stat_prior", p.c_str());
            prior = -9999;  // read from the resource
        }
    }

    CTY_data city;
    int fd = CTY_open(file.c_str(), 0, 0);
    for (int i = 0; i < RECORDS_MAX && CTY_read(fd, &city) >= 0; ++i) {
    }
    CTY_rewind(fd);
    (void)CTY_read(fd, &city);
    CTY_close(fd);

    const int type = 1 + static_cast<int>(h % 3);
    CTY_store("sao.cty", type, has_domain ? &dom : nullptr, prior);
    CTY_data full;
    CTY_locate located;
    std::vector<std::string> words = words_of(file_text);
    for (const auto& w : words) {
        CTY_search(w.c_str(), &full);
        CTY_search(w.c_str(), &located);
        CTY_search(w.c_str(), nullptr);
    }
    for (size_t i = 0; i < words.size(); i += 17) {
        CTY_get("sao.cty", words[i].c_str(), &full);
        float lat = 0, lon = 0;
        CTY_get_loc("sao.cty", words[i].c_str(), &lat, &lon);
    }
    CTY_reset();
    MAP_domain(nullptr);
    RES_reset();
    MESS_reset();
    return 0;
}
