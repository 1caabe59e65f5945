// The command line: any argument vector through RES_init with the converter's resource
// lists (options, abbreviations, "=" values, switches, positional names, "-df" search paths
// with "+tag" items, "-na" titles), the defaults file read on the way, the environment, and
// the conversions at start-up (message level and log files, batch and help mode, the file
// hour); then the converter's reading of its resources and the bulletin reader's settings.
//
// Input: one argument a line; a line "#!env NAME=VALUE" instead sets an environment variable
// whose name begins with "jox" (joxdefault excepted: the search path is the sandbox) for this
// input; a line "#!cfg" ends the arguments, and what follows becomes the defaults file
// jox.cfg of the working folder. The process works in its sandbox folder
// with the search path "." (joxdefault): inputs naming a pipe, another folder or a home
// folder ("|", "/", "\", "~") are refused, and so are loop-window items ("#" first in an
// item of a search path), which would wait for a window. Files made are removed after each
// input.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cty_tool.h"
#include "def_read.h"
#include "files.h"
#include "flag.h"
#include "harness.h"
#include "par_tool.h"
#include "resrc.h"
#include "string.h"
#include "tafcvt_res.h"

namespace {

constexpr std::string_view CFG_MARK = "#!cfg";
constexpr std::string_view ENV_MARK = "#!env ";
constexpr std::string_view ENV_PREFIX = "jox";
constexpr const char* SEARCH_PATH_ENV = "joxdefault";
constexpr int ARGS_MAX = 200;

// Whether an argument could put a loop-window item on the defaults search path.
bool names_window(const std::string& arg) {
    return arg[0] == '#' || arg.find(":#") != std::string::npos ||
           arg.find("=#") != std::string::npos;
}

// What the converter and its modules read of the resources after start-up.
void read_back() {
    if (FLAG_help()) RES_help_print("tafcvt", TAFCVT_RES_KEY, TAFCVT_RES_POS);
    for (const char* name : {"output", "filename", "identifier", "parameter", "in_file"}) {
        int count = 0;
        char** items = nullptr;
        RES_getvals(name, &count, &items);
        if (count > 0) free_parsed_array(count, items);
        (void)RES_get(name);
    }
    int prior = 0;
    RES_getval("stat_prior", &prior, CV_int);
    char* path = nullptr;
    if (RES_getval("file_path", &path, CV_path) == 1) free(path);
    (void)FILE_num_hour();
    (void)FILE_get_skip();
    (void)CTY_get_prior();
    PAR_in_file("term_dat");
    RES_list();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (chdir(harness::sandbox().c_str()) != 0) return 1;
    setenv("joxdefault", ".:+fuzz", 1);
    harness::detach_stdin();
    harness::discard_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = harness::as_text(data, size);
    if (harness::leaves_sandbox(input)) return -1;
    std::string_view cfg;
    bool has_cfg = false;
    std::vector<std::string> args = {"tafcvt"};
    std::vector<std::pair<std::string, std::string>> env;
    for (std::string_view rest = input; !rest.empty();) {
        auto [line, after] = harness::first_line(rest);
        rest = after;
        if (line == CFG_MARK) {
            cfg = after;
            has_cfg = true;
            break;
        }
        if (line.substr(0, ENV_MARK.size()) != ENV_MARK) {
            args.emplace_back(line);
            continue;
        }
        std::string_view setting = line.substr(ENV_MARK.size());
        size_t eq = setting.find('=');
        std::string name(setting.substr(0, eq));
        if (eq == std::string_view::npos || name.substr(0, ENV_PREFIX.size()) != ENV_PREFIX ||
            name == SEARCH_PATH_ENV || name.find('\0') != std::string::npos)
            return -1;
        env.emplace_back(name, std::string(setting.substr(eq + 1)));
    }
    if (args.size() > ARGS_MAX) return -1;
    for (size_t i = 1; i < args.size(); ++i)
        if (!args[i].empty() && names_window(args[i])) return -1;

    harness::quiet_messages(harness::input_hash(input) % 5 == 0 ? 0xFFFFFFFFu : 0x0FFFFFFFu);
    if (has_cfg) harness::write_file("jox.cfg", cfg);
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    std::vector<std::vector<char>> storage;
    std::vector<char*> argv;
    for (const auto& a : args) storage.push_back(harness::exact_copy(a));
    for (auto& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);

    RES_init(static_cast<int>(args.size()), argv.data(), TAFCVT_RES_KEY, TAFCVT_RES_POS);
    read_back();

    PAR_reset();
    CTY_reset();
    FILE_reset();
    DEF_reset();
    RES_reset();
    FLAG_reset(0);
    MESS_reset();
    for (const auto& [name, value] : env) unsetenv(name.c_str());
    harness::clear_sandbox();
    return 0;
}
