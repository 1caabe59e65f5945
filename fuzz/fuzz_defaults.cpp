// The defaults-file reader on any defaults file: entries, quoted values, IF/ELIF/ELSE/END
// blocks, DEF/UNDEF tags, over-long lines, keys and values; every entry read is matched
// against the converter's resource names as the registry matches it. The file is opened by
// its name or as the defaults file of its folder.
//
// A first line "#!" followed by settings (tags=A,B name=TITLE prog=WORD) defines tags as the
// search path would, sets the program title ("-na") and the program word.
#include <cstdint>
#include <string>
#include <vector>

#include "def_read.h"
#include "harness.h"
#include "resrc.h"
#include "string.h"

namespace {

constexpr const char* RESOURCE_NAMES[] = {
    "help",      "batch",       "message",   "file_path",  "data_path",  "con_path",
    "grid_path", "raw_path",    "image_path", "watch_path", "text_path", "model_path",
    "sat_path",  "city_file",   "stat_prior", "name_conv", "in_file",    "out_file",
    "file_param", "current",    "hour",      "num_hour",   "product",    "output",
    "color",     "identifier", "parameter",  "filename",  "",
};
constexpr int ENTRIES_MAX = 100000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    const auto [has_settings, first, rest] = harness::split_settings(input);
    harness::quiet_messages(0xFFFFFFFFu);
    DEF_reset();
    RES_reset();

    std::string prog = has_settings ? harness::setting(first, "prog") : "";
    if (prog.empty()) prog = "tafcvt";
    std::vector<char> word = harness::exact_copy(prog);
    char* argv[] = {word.data(), nullptr};
    RES_setCL(1, argv);
    DEF_prog();
    if (has_settings) {
        std::string title = harness::setting(first, "name");
        if (!title.empty()) DEF_name(title.c_str());
        int count = 0;
        char** tags = nullptr;
        if (parse_string(harness::setting(first, "tags").c_str(), ',', &count, &tags) == 0) {
            for (int i = 0; i < count; ++i) DEF_tag(tags[i]);
            free_parsed_array(count, tags);
        }
    }

    const std::string file = harness::sandbox_file("jox.cfg");
    harness::write_file(file, rest);
    const bool by_folder = harness::input_hash(input) % 2 == 0;
    if (DEF_open(by_folder ? harness::sandbox().c_str() : file.c_str()) == 0) {
        char key[DEF_KEY_SIZE];
        char value[DEF_VALUE_SIZE];
        for (int i = 0; i < ENTRIES_MAX && DEF_get(key, value) == 1; ++i) {
            for (const char* name : RESOURCE_NAMES) (void)DEF_cmp(name, key);
            (void)DEF_valid(key);
            char name[DEF_KEY_SIZE];
            DEF_parse_name(key, name);
            const char* env_value = nullptr;
            (void)DEF_env(name, value, &env_value);
        }
        DEF_close();
    }
    DEF_reset();
    RES_reset();
    MESS_reset();
    return 0;
}
