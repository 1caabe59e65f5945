// The bulletin reader on any bulletin file, driven the way the converter drives it: find
// each product by its heading, each report of the selected stations, read its lines, gather
// them and decode the report; at the end list the remembered product. Without settings the
// converter's own rules apply (reports end at a line ending in "=", only product lines are
// handed out, every station); a first line "#!" followed by settings changes them:
//   end=N      end rule bits (PAR_set_end)        out=N    output bits (PAR_set_output)
//   id=LIST    station identifiers                hdr=PAT  heading pattern
//   par=LIST   the resource parameter (end and skip rules, first/last, hdr/prod)
//   rid=LIST   station identifiers through the resource identifier, as other programs give them
//   prod=TEXT  no file type: the product's type from the lookup table "parse.lup"
//   print=1    list each product instead of reading reports
//   list=1     also write the listing to a file   dec=0    do not decode the reports
//   final=read after the files, read the remembered product instead of listing it
//   word=W     the word of bare reports (default TAF; none: no bare reports)
// A line "#!index" ends the bulletin file: what follows is its header index file.
// Continuous mode waits for more data, so inputs that ask for it are refused.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files.h"
#include "harness.h"
#include "mess.h"
#include "par_tool.h"
#include "resrc.h"
#include "string.h"
#include "taf.h"
#include "taf_gather.h"

namespace {

constexpr int END_EQUAL = 2048;
constexpr int OUT_LINES = 2;
constexpr int PRODUCTS_MAX = 1000;
constexpr int REPORTS_MAX = 1000;
constexpr int HEADER_PATTERN_SIZE = 50;
constexpr int FINAL_LINES_MAX = 100;
constexpr const char* DEFAULT_HEADER = "F(T|CCN)";
constexpr std::string_view INDEX_MARK = "\n#!index\n";
const Date FILE_DAY = {2024, 3, 15, 75, 5, 18, 0, 0};
const char* const BULLETIN = "24031518_taf";
const char* const INDEX = "24031518_taf.hdr";

char line[PAR_LINE_SIZE + 1];

struct Settings {
    int end = END_EQUAL;
    int out = OUT_LINES;
    std::string ids;
    bool ids_given = false;
    std::string header = DEFAULT_HEADER;
    std::string parameter;
    std::string resource_ids;
    std::string product;
    bool print = false;
    bool final_read = false;
    bool list = false;
    bool decode = true;
    std::string word = "TAF";
};

Settings read_settings(std::string_view first) {
    Settings s;
    if (first.empty()) return s;
    std::string v;
    if (!(v = harness::setting(first, "end")).empty()) s.end = clamped_int(v.c_str());
    if (!(v = harness::setting(first, "out")).empty()) s.out = clamped_int(v.c_str());
    if (!(v = harness::setting(first, "id")).empty()) {
        s.ids = v;
        s.ids_given = true;
    }
    if (!(v = harness::setting(first, "hdr")).empty()) s.header = v;
    s.parameter = harness::setting(first, "par");
    s.resource_ids = harness::setting(first, "rid");
    s.product = harness::setting(first, "prod");
    s.final_read = harness::setting(first, "final") == "read";
    s.print = harness::setting(first, "print") == "1";
    s.list = harness::setting(first, "list") == "1";
    s.decode = harness::setting(first, "dec") != "0";
    if (!(v = harness::setting(first, "word")).empty()) s.word = v == "none" ? "" : v;
    return s;
}

void read_products(int ind, const Settings& s) {
    char header[HEADER_PATTERN_SIZE];
    snprintf(header, sizeof header, "%s", s.header.c_str());
    for (int p = 0; p < PRODUCTS_MAX && PAR_search(ind, header) == 1; ++p) {
        if (s.print) {
            PAR_print(ind, PAR_KEEP_OPEN);
            continue;
        }
        for (int r = 0; r < REPORTS_MAX && PAR_identifier(ind) == 1; ++r) {
            bool delivered = TAF_gather_report(ind) == 1;
            if (s.decode && TAF_gather_length() > 0) TAF_decode(TAF_gather_text());
            if (!delivered) break;
        }
    }
}

// After the files: the remembered product (last mode), listed as the converter does, or read.
void final_product(int ind, const Settings& s) {
    if (!s.final_read) {
        PAR_print(ind, PAR_CLOSE_AFTER);
        return;
    }
    // Each call reopens the product and reads up to line i: the count stays small.
    for (int i = 0; i < FINAL_LINES_MAX && PAR_read(ind, PAR_CLOSE_AFTER, i, line) > 0; ++i) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    harness::write_file(harness::sandbox_file("name_conv"),
                        "term_dat %D/%y%m%d%h_taf %D/%y%m%d%h_taf.hdr 0\n");
    harness::write_file(harness::sandbox_file("parse.lup"), "FT          term_dat\nFCCN        term_dat\n"
                        "  SX\tbad_type_name_longer_than_anything_kept\n\nXX\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    const auto [has_settings, first, rest] = harness::split_settings(input);
    Settings s = read_settings(first);
    if (harness::contains_nocase(s.parameter, "cont")) return -1;
    std::string_view bulletins = rest;
    std::string_view index;
    bool has_index = false;
    if (size_t at = bulletins.find(INDEX_MARK); at != std::string_view::npos) {
        index = bulletins.substr(at + INDEX_MARK.size());
        bulletins = bulletins.substr(0, at + 1);
        has_index = true;
    }

    harness::quiet_messages(harness::input_hash(input) % 11 == 0 ? 0xFFFFFFFFu : 0x0FFFFFFFu);
    PAR_reset();
    FILE_reset();
    RES_reset();
    harness::clear_sandbox({"name_conv", "parse.lup"});
    harness::write_file(harness::sandbox_file(BULLETIN), bulletins);
    if (has_index) harness::write_file(harness::sandbox_file(INDEX), index);
    RES_put("file_path", harness::sandbox().c_str());
    RES_put("data_path", harness::sandbox().c_str());
    if (!s.parameter.empty()) RES_put("parameter", s.parameter.c_str());
    if (s.list) RES_put("out_file", harness::sandbox_file("out_%y%m%d%h.txt").c_str());
    if (!s.resource_ids.empty()) RES_put("identifier", s.resource_ids.c_str());
    if (!s.product.empty()) RES_put("product", s.product.c_str());
    file_date = FILE_DAY;
    english = 1;
    id = s.ids_given ? s.ids.c_str() : nullptr;

    PAR_in_file(s.product.empty() ? "term_dat" : "");
    PAR_set_end(s.end);
    PAR_set_output(s.out);
    PAR_set_report_word(s.word.c_str());
    if (s.resource_ids.empty()) PAR_set_identifier(id);
    char name[FILE_NAME_MAX];
    FILE_set_date(&FILE_DAY, name);
    int ind = PAR_open(&FILE_DAY);
    if (ind >= 0) {
        read_products(ind, s);
        PAR_close(ind);
    }
    final_product(ind, s);
    PAR_reset();
    id = nullptr;
    MESS_reset();
    return 0;
}
