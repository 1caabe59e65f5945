// Resource registry: the registry itself, the catalogue, the command line, the precedence of
// all sources, the conversions and the help text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "date.h"
#include "def_read.h"
#include "files.h"
#include "flag.h"
#include "maptran.h"
#include "mess.h"
#include "resrc.h"
#include "string.h"
#include "testutil.h"

extern char** environ;

using testutil::Capture;
using testutil::TempDir;
using testutil::write_file;

namespace {

// The converter's declarations, in its order.
const res_type KEYS[] = {
    RES_help,       RES_batch,     RES_message,    RES_file_path,  RES_data_path, RES_con_path,
    RES_grid_path,  RES_raw_path,  RES_image_path, RES_watch_path, RES_text_path, RES_model_path,
    RES_sat_path,   RES_city_file, RES_stat_prior, RES_name_conv,  RES_in_file,   RES_out_file,
    RES_file_param, RES_current,   RES_hour,       RES_num_hour,   RES_product,   RES_output,
    RES_color,      RES_identifier, RES_parameter, RES_null};
const res_type POS[] = {RES_filenames, RES_null};

void clear_jox_environment() {
    std::vector<std::string> names;
    for (char** e = environ; *e != nullptr; ++e)
        if (strncmp(*e, "jox", 3) == 0) names.emplace_back(*e, strcspn(*e, "="));
    for (const auto& n : names) unsetenv(n.c_str());
}

void reset_all() {
    MESS_reset();
    RES_reset();
    DEF_reset();
    FLAG_reset(0);
    FLAG_resetplot(1);
    FILE_reset();
    clear_jox_environment();
}

class Resrc : public ::testing::Test {
   protected:
    void SetUp() override {
        reset_all();
        setenv("joxdefault", dir_.path().c_str(), 1);  // an empty folder: no defaults files
    }
    void TearDown() override { reset_all(); }

    int init(const std::vector<std::string>& args, const res_type* keys = KEYS,
             const res_type* pos = POS) {
        args_ = {"/usr/local/bin/tafcvt"};
        args_.insert(args_.end(), args.begin(), args.end());
        argv_.clear();
        for (auto& a : args_) argv_.push_back(a.data());
        argv_.push_back(nullptr);
        return RES_init(static_cast<int>(args_.size()), argv_.data(), keys, pos);
    }
    // RES_decode of a table of the test's own over the arguments.
    void decode(RES_defobj* table, const std::vector<std::string>& args) {
        args_ = {"tafcvt"};
        args_.insert(args_.end(), args.begin(), args.end());
        argv_.clear();
        for (auto& a : args_) argv_.push_back(a.data());
        argv_.push_back(nullptr);
        RES_decode(nullptr, nullptr, static_cast<int>(args_.size()), argv_.data(), table);
    }
    std::string get(const char* name) {
        const char* v = RES_get(name);
        return v != nullptr ? v : "<null>";
    }

    TempDir dir_;
    std::vector<std::string> args_;
    std::vector<char*> argv_;
};

// ---- The registry ----

TEST_F(Resrc, RegistryKeepsFirstOrderAndCopies) {
    char value[] = "one";
    EXPECT_EQ(RES_new(3, "b", value, CV_int), 0);
    value[0] = 'X';
    EXPECT_EQ(get("b"), "one");
    EXPECT_EQ(RES_put("a", nullptr), 0);
    EXPECT_EQ(RES_new(4, "b", "two", CV_string), 0);
    EXPECT_EQ(get("b"), "two");
    EXPECT_EQ(get("a"), "");
    EXPECT_EQ(get("c"), "<null>");
    EXPECT_EQ(get("B"), "<null>");  // names are exact
    Capture out(1);
    RES_list();
    EXPECT_EQ(out.stop(), "b: two\na:\n");
}

TEST_F(Resrc, AppendJoinsWithNewlines) {
    RES_append(1, "f", "a", CV_strings);
    RES_append(2, "f", nullptr, CV_string);
    RES_append(2, "f", "b", CV_string);  // index and conversion of an existing one stay
    EXPECT_EQ(get("f"), "a\nb");
    int count;
    char** items;
    ASSERT_EQ(RES_getvals("f", &count, &items), 2);
    EXPECT_STREQ(items[0], "a");
    EXPECT_STREQ(items[1], "b");
    free_parsed_array(count, items);

    RES_put("g", nullptr);
    RES_append(0, "g", "x", CV_string);
    EXPECT_EQ(get("g"), "x");
    RES_put("list", "k1,k2,k3");
    ASSERT_EQ(RES_getvals("list", &count, &items), 3);
    EXPECT_STREQ(items[2], "k3");
    free_parsed_array(count, items);
    EXPECT_EQ(RES_getvals("never", &count, &items), 0);
    EXPECT_EQ(items, nullptr);
}

TEST_F(Resrc, ProgramNameIsTheBaseNameCut) {
    char name[RES_PROGNAME_MAX];
    EXPECT_EQ(RES_get_prog(), nullptr);
    init({});
    EXPECT_STREQ(RES_get_progname(name), "tafcvt");
    char prog[] = "/x/abcdefghijklmnopqrstuvwxyz";
    char* argv[] = {prog, nullptr};
    RES_setCL(1, argv);
    EXPECT_STREQ(RES_get_progname(name), "abcdefghijklmnopqrs");
    EXPECT_STREQ(RES_get_progname(nullptr), "abcdefghijklmnopqrs");
}

// ---- The catalogue ----

struct Row {
    res_type num;
    const char* def;
    const char* cmd;  // null: positional
    const char* env;  // null: not checked
    DEF_convert cvt;
    int pos;
};

TEST_F(Resrc, ConverterRowsAreExact) {
    const Row rows[] = {
        {RES_help, "help", "h", "joxhelp", CV_help, 0},
        {RES_batch, "batch", "ba", "joxbatch", CV_batch, 0},
        {RES_message, "message", "me", "joxmess", CV_mess, 0},
        {RES_file_path, "file_path", "fp", "joxfile", CV_path, 0},
        {RES_data_path, "data_path", "dp", "joxdata", CV_path, 0},
        {RES_con_path, "con_path", "cp", "joxcon", CV_path, 0},
        {RES_grid_path, "grid_path", "gp", "joxgrid", CV_path, 0},
        {RES_raw_path, "raw_path", "rp", "joxraw", CV_path, 0},
        {RES_image_path, "image_path", "ip", "joximage", CV_string, 0},
        {RES_watch_path, "watch_path", "wp", "joxwatch", CV_path, 0},
        {RES_text_path, "text_path", "tp", "joxtext", CV_path, 0},
        {RES_model_path, "model_path", "mp", "joxmpath", CV_path, 0},
        {RES_sat_path, "sat_path", "sp", "joxsat", CV_path, 0},
        {RES_city_file, "city_file", "cf", "joxcity", CV_string, 0},
        {RES_stat_prior, "stat_prior", "pr", "joxprior", CV_int, 0},
        {RES_name_conv, "name_conv", "nc", "joxnameconv", CV_name, 0},
        {RES_in_file, "in_file", "if", "joxinfile", CV_string, 0},
        {RES_out_file, "out_file", "of", "joxoutfile", CV_string, 0},
        {RES_file_param, "file_param", "pf", "joxfileparam", CV_file_param, 0},
        {RES_current, "current", "cu", "joxcurrent", CV_current, 0},
        {RES_hour, "hour", "ho", "joxhour", CV_hour, 0},
        {RES_num_hour, "num_hour", "nh", "joxnumhour", CV_string, 0},
        {RES_product, "product", "ph", "joxproduct", CV_string, 0},
        {RES_output, "output", "ou", "joxout", CV_string, 0},
        {RES_color, "color", "co", "joxcolor", CV_string, 0},
        {RES_identifier, "identifier", "id", "joxident", CV_string, 0},
        {RES_parameter, "parameter", "pa", "joxparam", CV_string, 0},
        {RES_filenames, "filename", nullptr, "joxfilename", CV_strings, 10},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.def);
        RES_defobj obj;
        EXPECT_EQ(RES_enter(&obj, r.num), 1);
        EXPECT_STREQ(obj.def, r.def);
        EXPECT_STREQ(obj.cmd, r.cmd);
        EXPECT_STREQ(obj.env, r.env);
        EXPECT_EQ(obj.cvt, r.cvt);
        EXPECT_EQ(obj.pos, r.pos);
        EXPECT_EQ(obj.out, nullptr);
        EXPECT_EQ(obj.num, nullptr);
    }
}

// The rows that are not plain texts, share a name or an option word, or take positions; every
// other row is checked for its shape in NumbersWithoutARowArePrinted.
TEST_F(Resrc, OtherRowsByNameWordAndConversion) {
    const Row rows[] = {
        {RES_ingestor, "ingestor", "di", nullptr, CV_ingestor, 0},
        {RES_in_files, "in_file", "if", nullptr, CV_string, 0},
        {RES_input, "input", "in", nullptr, CV_string, 0},
        {RES_inputg, "input", "inp", nullptr, CV_string, 0},
        {RES_decode_hour, "decode_hour", "dh", nullptr, CV_string, 0},
        {RES_grid_type, "grid_type", "gt", nullptr, CV_int, 0},
        {RES_plot_domain, "plot_domain", "pd", nullptr, CV_domain, 0},
        {RES_grid_domain, "grid_domain", "gd", nullptr, CV_domain, 0},
        {RES_region, "region", "re", nullptr, CV_region, 0},
        {RES_con_interval, "con_interval", "in", nullptr, CV_float, 0},
        {RES_plot_type, "plot_type", "pl", nullptr, CV_plot_type, 0},
        {RES_draw, "draw", "dr", nullptr, CV_draw, 0},
        {RES_table, "table", "ta", nullptr, CV_bool, 0},
        {RES_plot_scale, "plot_scale", "sc", nullptr, CV_float, 0},
        {RES_con_base, "con_base", "cb", nullptr, CV_float, 0},
        {RES_color_thrmtxt, "color_thrmtxt", "cott", nullptr, CV_string, 0},
        {RES_window_num, "window_num", "wn", nullptr, CV_int, 0},
        {RES_device, "device", "de", nullptr, CV_device, 0},
        {RES_icon, "icon", "ic", nullptr, CV_bool, 0},
        {RES_command, "command", nullptr, nullptr, CV_strings, 10},
        {RES_commands, "command", "cd", nullptr, CV_string, 0},
        {RES_filename, "filename", nullptr, nullptr, CV_strcpy, 1},
        {RES_values, "value", nullptr, nullptr, CV_strings, 10},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.def);
        RES_defobj obj;
        RES_enter(&obj, r.num);
        EXPECT_STREQ(obj.def, r.def);
        EXPECT_STREQ(obj.cmd, r.cmd);
        EXPECT_EQ(obj.cvt, r.cvt);
        EXPECT_EQ(obj.pos, r.pos);
        ASSERT_NE(obj.env, nullptr);
        EXPECT_EQ(strncmp(obj.env, "jox", 3), 0);
    }
}

TEST_F(Resrc, NumbersWithoutARowArePrinted) {
    const int rowless[] = {1,  4,  7,  12, 14, 21, 25, 36, 38, 42, 43, 61, 62,
                           66, 70, 75, 77, 81, 87, 90, 91, 93, 95, 97, 103};
    std::string want;
    Capture out(1);
    for (int n = 1; n < RES_count; ++n) {
        RES_defobj obj;
        RES_enter(&obj, static_cast<res_type>(n));
        bool none = std::find(std::begin(rowless), std::end(rowless), n) != std::end(rowless);
        if (none) want += std::to_string(n) + "\n";
        SCOPED_TRACE(n);
        EXPECT_EQ(obj.def[0] == '\0', none);
        if (none) continue;
        EXPECT_EQ(strncmp(obj.env, "jox", 3), 0);
        EXPECT_EQ(obj.cmd == nullptr, obj.pos != 0);  // keyed rows have a word, positional none
    }
    EXPECT_EQ(out.stop(), want);
}

TEST_F(Resrc, RowlessDeclarationIsIgnoredEverywhere) {
    write_file(dir_.file(".joxdef"), "tafcvt. fromfile\n*age fromfile\n");
    const res_type keys[] = {RES_age, RES_identifier, RES_null};
    const res_type pos[] = {RES_null};
    Capture out(1);
    init({"-age", "x"}, keys, pos);
    EXPECT_EQ(out.stop(), "1\n");
    EXPECT_EQ(get(""), "<null>");
    EXPECT_EQ(get("age"), "x");  // an unlisted resource, as any unknown option
}

TEST_F(Resrc, TooManyDeclarationsAreRefused) {
    std::vector<res_type> keys(80, RES_output);
    keys.push_back(RES_null);
    const res_type pos[] = {RES_null};
    Capture err(2);
    init({}, keys.data(), pos);
    EXPECT_NE(err.stop().find("more than 74 resources"), std::string::npos);
    int rows = 0;
    while (RES_get_table()[rows].def != nullptr) ++rows;
    EXPECT_EQ(rows, 74);
}

// ---- The command line ----

TEST_F(Resrc, OptionForms) {
    const std::vector<std::vector<std::string>> forms = {
        {"-id", "KORD"},         {"-id=KORD"},    {"--id=KORD"},    {"-ident", "KORD"},
        {"-identifier", "KORD"}, {"-ID", "KORD"}, {"--id", "KORD"}, {"-iDeNtIfIeR=KORD"},
    };
    for (const auto& args : forms) {
        SCOPED_TRACE(args[0]);
        RES_reset();
        init(args);
        EXPECT_EQ(get("identifier"), "KORD");
        EXPECT_EQ(get("filename"), "<null>");
    }
}

TEST_F(Resrc, ValuesOfOptions) {
    struct Case {
        std::vector<std::string> args;
        const char* identifier;
        const char* filename;
    } cases[] = {
        {{"-id", "-5"}, "-5", "<null>"},
        {{"-id", "-"}, "-", "<null>"},
        {{"-id="}, "", "<null>"},
        {{"-id=a=b"}, "a=b", "<null>"},
        {{"-id", "-x"}, "", "<null>"},
        {{"-id", "--x"}, "--x", "<null>"},  // only "-" and a letter starts an option
        {{"-id"}, "", "<null>"},
        {{"--", "-id", "KORD", "--", "a"}, "KORD", "a"},
        {{"-id", "%s%n"}, "%s%n", "<null>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        RES_reset();
        init(c.args);
        EXPECT_EQ(get("identifier"), c.identifier);
        EXPECT_EQ(get("filename"), c.filename);
    }
    RES_reset();
    init({"-id", "-x"});
    EXPECT_EQ(get("x"), "");
}

TEST_F(Resrc, SwitchesTakeAValueOnlyWithEquals) {
    init({"-ba", "file1", "-h", "file2"});
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(FLAG_help(), 1);
    EXPECT_EQ(get("batch"), "");
    EXPECT_EQ(get("filename"), "file1\nfile2");
    RES_reset();
    init({"-ba=anything"});
    EXPECT_EQ(get("batch"), "anything");
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(get("filename"), "<null>");
}

TEST_F(Resrc, PositionalArguments) {
    init({"a", "-id", "KORD", "b", "c"});
    EXPECT_EQ(get("filename"), "a\nb\nc");
    int count;
    char** items;
    ASSERT_EQ(RES_getvals("filename", &count, &items), 3);
    EXPECT_STREQ(items[0], "a");
    EXPECT_STREQ(items[2], "c");
    free_parsed_array(count, items);

    // A numbered row takes its own position; the rest go to the every-position row.
    const res_type keys[] = {RES_null};
    const res_type pos[] = {RES_values, RES_filename, RES_null};
    RES_reset();
    init({"first", "second", "third"}, keys, pos);
    EXPECT_EQ(get("filename"), "first");
    EXPECT_EQ(get("value"), "second\nthird");
    // No positional row: ignored.
    RES_reset();
    init({"lost"}, keys, keys);
    EXPECT_EQ(RES_get_table()[0].def, nullptr);
    EXPECT_EQ(get("lost"), "<null>");
}

TEST_F(Resrc, UnknownAndAbbreviatedOptions) {
    init({"-foo=bar", "-baz", "-iden", "KORD", "-fi", "data", "-filen", "x"});
    EXPECT_EQ(get("foo"), "bar");
    EXPECT_EQ(get("baz"), "");
    EXPECT_EQ(get("never"), "<null>");
    EXPECT_EQ(get("identifier"), "KORD");
    EXPECT_EQ(get("file_path"), "data");  // the first row in table order whose name fits
    EXPECT_EQ(get("filen"), "x");         // positional rows are never named by options
    EXPECT_EQ(get("filename"), "<null>");
}

// A word is looked up as an option word, then as a resource name, then as the start of a
// resource name: "co", which abbreviated con_path before color had it as its own word, now
// names color, and the abbreviations still go to the first row they fit.
TEST_F(Resrc, OptionWordBeforeResourceNameBeforeAbbreviation) {
    struct Case {
        const char* word;
        const char* resource;
    };
    const Case cases[] = {
        {"-co", "color"},     {"-CO", "color"}, {"-col", "color"},
        {"-con", "con_path"}, {"-c", "con_path"}, {"-cp", "con_path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        RES_reset();
        init({c.word, "on"});
        EXPECT_EQ(get(c.resource), "on");
        EXPECT_EQ(get(strcmp(c.resource, "color") == 0 ? "con_path" : "color"), "<null>");
    }
    RES_reset();
    setenv("joxcolor", "off", 1);
    init({});
    EXPECT_EQ(get("color"), "off");
}

TEST_F(Resrc, LongOptionWordIsCut) {
    std::string word(60, 'z');
    init({"-" + word + "=v"});
    EXPECT_EQ(get(std::string(RES_WORD_MAX, 'z').c_str()), "v");
}

TEST_F(Resrc, SharedOptionWordGoesToTheFirstRow) {
    const res_type pos[] = {RES_null};
    const res_type interval_first[] = {RES_con_interval, RES_input, RES_null};
    init({"-in", "5"}, interval_first, pos);
    EXPECT_EQ(get("con_interval"), "5");
    EXPECT_EQ(get("input"), "<null>");
    const res_type input_first[] = {RES_input, RES_con_interval, RES_null};
    RES_reset();
    init({"-in", "5"}, input_first, pos);
    EXPECT_EQ(get("input"), "5");
    EXPECT_EQ(get("con_interval"), "<null>");
}

TEST_F(Resrc, NameAndSearchPathOptions) {
    TempDir other;
    write_file(other.file(".joxdef"), "taf.identifier FROMTITLE\ntafcvt.output PLAIN\n");
    init({"-na", "taf", "-df", other.path(), "x"});
    EXPECT_EQ(get("name"), "taf");
    EXPECT_EQ(get("default"), other.path());
    EXPECT_EQ(get("identifier"), "FROMTITLE");
    EXPECT_EQ(get("output"), "<null>");  // keys follow the title now
    EXPECT_EQ(get("filename"), "x");

    // The pre-scan is exact about case; the main pass skips these words in any case.
    RES_reset();
    DEF_reset();
    init({"-NA", "taf", "-DF", other.path(), "--name", "y"});
    EXPECT_EQ(get("name"), "<null>");
    EXPECT_EQ(get("default"), dir_.path());
    EXPECT_EQ(get("filename"), "<null>");
    EXPECT_EQ(get("NA"), "<null>");

    RES_reset();
    DEF_reset();
    init({"-n", "taf", "-default=" + other.path()});
    EXPECT_EQ(get("identifier"), "FROMTITLE");
}

// ---- Precedence of the sources ----

TEST_F(Resrc, PrecedenceOfAllSources) {
    TempDir site;
    TempDir user;
    write_file(site.file("jox.cfg"),
               "tafcvt.identifier SITE\ntafcvt.output SITE\ntafcvt.product SITE\n"
               "tafcvt.parameter SITE\ntafcvt.city_file SITE\n");
    write_file(user.file("Jox.res"),
               "tafcvt.identifier USER\ntafcvt.output USER\ntafcvt.product USER\n"
               "tafcvt.parameter USER\n");
    setenv("joxdefault", (site.path() + ":" + user.path()).c_str(), 1);
    setenv("joxident", "ENV", 1);
    setenv("joxtafcvt.output", "ENV", 1);
    setenv("joxproduct", "ENV", 1);
    init({"-id", "CL"});
    EXPECT_EQ(get("identifier"), "CL");
    EXPECT_EQ(get("output"), "ENV");
    EXPECT_EQ(get("product"), "ENV");
    EXPECT_EQ(get("parameter"), "USER");
    EXPECT_EQ(get("city_file"), "SITE");
}

TEST_F(Resrc, SearchPathOptionBeatsItsEnvironmentVariable) {
    TempDir a;
    TempDir b;
    write_file(a.file(".joxdef"), "tafcvt.identifier A\n");
    write_file(b.file(".joxdef"), "tafcvt.identifier B\n");
    setenv("joxdefault", a.path().c_str(), 1);
    init({});
    EXPECT_EQ(get("identifier"), "A");
    RES_reset();
    init({"-df", b.path()});
    EXPECT_EQ(get("identifier"), "B");
}

TEST_F(Resrc, BuiltInSearchPathStartsInTheCurrentFolder) {
    unsetenv("joxdefault");
    write_file(dir_.file(".joxdef"), "tafcvt.identifier HERE\n");
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    init({});
    std::string built_in = get("identifier");
    RES_reset();
    setenv("joxdefault", "", 1);  // an empty path: the current folder's .joxdef
    init({});
    std::string empty_path = get("identifier");
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(built_in, "HERE");
    EXPECT_EQ(empty_path, "HERE");
}

TEST_F(Resrc, TagsOnThePathApplyToLaterFiles) {
    TempDir a;
    TempDir b;
    const char* block = "IF test\ntafcvt.%s TAGGED\nELSE\ntafcvt.%s PLAIN\nEND\n";
    char text[200];
    snprintf(text, sizeof text, block, "identifier", "identifier");
    write_file(a.file("jox.cfg"), text);
    snprintf(text, sizeof text, block, "product", "product");
    write_file(b.file("jox.cfg"), text);
    setenv("joxdefault", (a.path() + ":+test:" + b.path()).c_str(), 1);
    init({});
    EXPECT_EQ(get("identifier"), "PLAIN");
    EXPECT_EQ(get("product"), "TAGGED");
}

TEST_F(Resrc, DefaultsKeysForUnlistedResourcesAndWildcards) {
    write_file(dir_.file("jox.cfg"),
               "tafcvt.decode_hour 12\nother.decode_hour 5\nother.colour red\n*path /data\n"
               "*.message error\n");
    MESS_set(MESS_FORCE_SET, 0xF00000FF);
    Capture out(1);
    init({});
    std::string trace = out.stop();
    EXPECT_EQ(get("decode_hour"), "12");
    EXPECT_EQ(get("colour"), "<null>");
    for (const char* name : {"file_path", "data_path", "con_path", "grid_path", "raw_path",
                             "image_path", "watch_path", "text_path", "model_path", "sat_path"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(get(name), "/data");
    }
    EXPECT_NE(trace.find("RESRC: *path=/data\n"), std::string::npos);
    EXPECT_NE(trace.find("RESRC: *.message=error\n"), std::string::npos);
    EXPECT_EQ(MESS_check(MESS_MESS), 0);  // converted: error and below
    EXPECT_EQ(MESS_check(MESS_ERROR), 1);
}

TEST_F(Resrc, EveryEnvironmentFormSetsARow) {
    setenv("joxtafcvt.identifier", "FIRST", 1);
    setenv("joxident", "SECOND", 1);
    setenv("joxoutput", "THIRD", 1);
    setenv("joxfilename", "f1", 1);
    init({});
    EXPECT_EQ(get("identifier"), "FIRST");
    EXPECT_EQ(get("output"), "THIRD");
    EXPECT_EQ(get("filename"), "f1");
}

// ---- Conversions at start-up ----

TEST_F(Resrc, ConversionRunsOnceOnTheFinalValue) {
    write_file(dir_.file("jox.cfg"), "tafcvt.message debug\n");
    setenv("joxmess", "out3", 1);
    init({"-me", "out1"});
    EXPECT_EQ(MESS_check_set(), 1);
    EXPECT_EQ(MESS_check(MESS_OUT1), 1);
    EXPECT_EQ(MESS_check(MESS_OUT2), 0);
}

TEST_F(Resrc, BatchSetsItsDefaultLevelOnlyWithoutAChoice) {
    EXPECT_EQ(FLAG_batch(), 0);
    init({});
    EXPECT_EQ(FLAG_batch(), 0);
    EXPECT_EQ(FLAG_get(FLAG_BATCH), -9999);
    RES_reset();
    init({"-ba"});
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(MESS_check(MESS_WARN), 1);
    EXPECT_EQ(MESS_check(MESS_MESS), 0);
    // Conversions follow list order: batch first sets its level, which "+debug" extends;
    // the message level first is a choice that batch leaves alone.
    MESS_reset();
    RES_reset();
    init({"-ba", "-me", "+debug"});
    EXPECT_EQ(MESS_check(MESS_DEBUG), 1);
    EXPECT_EQ(MESS_check(MESS_MESS), 0);
    MESS_reset();
    RES_reset();
    init({"-me", "+debug", "-ba"});
    EXPECT_EQ(MESS_check(MESS_DEBUG), 1);
    EXPECT_EQ(MESS_check(MESS_MESS), 1);
}

TEST_F(Resrc, HourConvertsIntoTheFixedDateFields) {
    init({"-ho", "061812"});
    Date d;
    FILE_get_time(&d);
    EXPECT_EQ(d.month, 6);
    EXPECT_EQ(d.day, 18);
    EXPECT_EQ(d.hour, 12);
    EXPECT_EQ(d.year, DATE_MISSING);
}

TEST_F(Resrc, TimeZoneFromTheEnvironment) {
    setenv("joxtz", "-EST:5", 1);
    init({});
    EXPECT_EQ(DATE_get_tz_off(), 5 * 3600);
    EXPECT_EQ(DATE_get_tz_pm(), -1);
}

// A CV_strcpy text goes only where the size of the destination is known, and is cut to it.
TEST_F(Resrc, StrcpyTakesTheSizeOfItsDestination) {
    char small[6];
    memset(small, '#', sizeof small);
    EXPECT_EQ(RES_conv_data("KJFK,KLGA", small, CV_strcpy), 1);
    EXPECT_STREQ(small, "KJFK,");
    char guarded[8];
    memset(guarded, '#', sizeof guarded);
    EXPECT_EQ(RES_conv_data("abcdef", guarded, 3, CV_strcpy), 1);
    EXPECT_STREQ(guarded, "ab");
    EXPECT_EQ(guarded[3], '#');
    // Through an untyped destination, or into a text destination for another conversion,
    // nothing is written.
    memset(guarded, '#', sizeof guarded);
    EXPECT_EQ(RES_conv_data("abc", static_cast<void*>(guarded), CV_strcpy), 0);
    EXPECT_EQ(RES_conv_data("abc", guarded, sizeof guarded, CV_path), 0);
    EXPECT_EQ(RES_conv_data("abc", guarded, 0, CV_strcpy), 0);
    EXPECT_EQ(RES_conv_data(nullptr, guarded, sizeof guarded, CV_strcpy), 0);
    EXPECT_EQ(guarded[0], '#');

    RES_put("title", "A long program title");
    char title[7];
    EXPECT_EQ(RES_getval("title", title, CV_strcpy), 1);
    EXPECT_STREQ(title, "A long");
    EXPECT_EQ(RES_getval("absent", title, CV_strcpy), 0);
    EXPECT_EQ(RES_getval("title", static_cast<void*>(title), CV_strcpy), 0);
    EXPECT_STREQ(title, "A long");
}

// A table row copies its CV_strcpy text at start-up only when it gives the size of out.
TEST_F(Resrc, StrcpyRowCopiesWithItsSize) {
    char sized[5] = "";
    char unsized[5] = "none";
    RES_defobj table[3];
    RES_fill_obj(&table[0], "sized", "joxsized", "si", CV_strcpy, sized, nullptr);
    table[0].size = sizeof sized;
    RES_fill_obj(&table[1], "unsized", "joxunsized", "un", CV_strcpy, unsized, nullptr);
    table[2].def = nullptr;
    decode(table, {"-si", "value-too-long", "-un", "other"});
    EXPECT_STREQ(sized, "valu");
    EXPECT_STREQ(unsized, "none");
    EXPECT_STREQ(RES_get("unsized"), "other");
}

TEST_F(Resrc, StringsRowFillsItsDestination) {
    char** items = nullptr;
    int count = -1;
    RES_defobj table[3];
    RES_fill_obj(&table[0], "value", "joxvalue", nullptr, CV_strings, &items, &count);
    table[0].pos = RES_POS_ALL;
    RES_fill_obj(&table[1], "prior", "joxprior", "pr", CV_int, nullptr, nullptr);
    table[2].def = nullptr;
    int prior = 0;
    table[1].out = &prior;
    char prog[] = "tafcvt";
    char a[] = "a";
    char b[] = "b";
    char pr[] = "-pr";
    char seven[] = "7";
    char* argv[] = {prog, a, pr, seven, b, nullptr};
    RES_decode(nullptr, nullptr, 5, argv, table);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(items[0], "a");
    EXPECT_STREQ(items[1], "b");
    EXPECT_EQ(prior, 7);
    free_parsed_array(count, items);
}

// ---- Conversions one by one ----

TEST_F(Resrc, ConversionResults) {
    int i = 42;
    const char* text = nullptr;
    struct Case {
        const char* name;
        const char* data;
        void* out;
        DEF_convert cvt;
        int want;
    } cases[] = {
        {"int without value", nullptr, &i, CV_int, 0},
        {"int without destination", "5", nullptr, CV_int, 0},
        {"batch without anything", nullptr, nullptr, CV_batch, 1},
        {"help without anything", nullptr, nullptr, CV_help, 1},
        {"bool without value", nullptr, &i, CV_bool, 1},
        {"bool without destination", "yes", nullptr, CV_bool, 0},
        {"mess without destination", "out2", nullptr, CV_mess, 1},
        {"draw without destination", "map", nullptr, CV_draw, 1},
        {"hour without destination", "12", nullptr, CV_hour, 1},
        {"file_param without destination", "use", nullptr, CV_file_param, 1},
        {"plot_type without destination", "raw", nullptr, CV_plot_type, 1},
        {"current without destination", "x", nullptr, CV_current, 0},
        {"current", "x", &text, CV_current, 1},
        {"device without destination", "p", nullptr, CV_device, 0},
        {"mess without value", nullptr, nullptr, CV_mess, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RES_conv_data(c.data, c.out, c.cvt), c.want);
    }
    EXPECT_EQ(i, 1);  // the bool without value
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(FLAG_help(), 1);
}

TEST_F(Resrc, NumberConversions) {
    struct Case {
        const char* data;
        DEF_convert cvt;
        int want;
    } cases[] = {
        {"12", CV_int, 12},   {"-7", CV_int, -7},    {"+3", CV_int, 3},     {"0x1F", CV_int, 31},
        {"0X10", CV_int, 16}, {"12abc", CV_int, 12}, {"abc", CV_int, 99},   {"-", CV_int, 99},
        {"", CV_int, 99},     {"yes", CV_bool, 1},   {"ON", CV_bool, 1},    {"True", CV_bool, 1},
        {"no", CV_bool, 0},   {"Off", CV_bool, 0},   {"FALSE", CV_bool, 0}, {"maybe", CV_bool, 99},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        int v = 99;
        EXPECT_EQ(RES_conv_data(c.data, &v, c.cvt), 1);
        EXPECT_EQ(v, c.want);
    }
    // Numbers beyond the destination's range are held at its limits.
    struct Limit {
        const char* data;
        DEF_convert cvt;
        int want;
    } limits[] = {
        {"99999999999", CV_int, INT_MAX},
        {"-99999999999999999999", CV_int, INT_MIN},
        {"2147483647", CV_int, INT_MAX},
    };
    for (const auto& c : limits) {
        SCOPED_TRACE(c.data);
        int v = 99;
        EXPECT_EQ(RES_conv_data(c.data, &v, c.cvt), 1);
        EXPECT_EQ(v, c.want);
    }
    int64_t big = 0;
    RES_conv_data("99999999999999999999", &big, CV_long);
    EXPECT_EQ(big, INT64_MAX);
    RES_conv_data("99999999999", &big, CV_color);
    EXPECT_EQ(big, INT_MAX);

    int16_t s = 5;
    RES_conv_data("-3", &s, CV_short);
    EXPECT_EQ(s, 5);
    RES_conv_data("300", &s, CV_short);
    EXPECT_EQ(s, 300);
    int64_t l = 0;
    RES_conv_data("9000000000", &l, CV_long);
    EXPECT_EQ(l, 9000000000LL);
    RES_conv_data("77", &l, CV_color);
    EXPECT_EQ(l, 77);
    float f = 0;
    RES_conv_data("2.5", &f, CV_float);
    EXPECT_FLOAT_EQ(f, 2.5f);
    RES_conv_data("1e300", &f, CV_float);
    EXPECT_TRUE(std::isinf(f));
}

TEST_F(Resrc, TextConversions) {
    const char* stored = "value";
    const char* ptr = nullptr;
    RES_conv_data(stored, &ptr, CV_string);
    EXPECT_EQ(ptr, stored);  // the value itself, not a copy

    char buffer[RES_STRCPY_MAX];
    std::string longer(300, 'L');
    RES_conv_data(longer.c_str(), buffer, CV_strcpy);
    EXPECT_EQ(std::string(buffer), std::string(RES_STRCPY_MAX - 1, 'L'));

    struct Case {
        const char* data;
        const char* want;
    } paths[] = {{"data", "data/"}, {"data/", "data/"}, {"NONE", ""}, {"", ""}};
    for (const auto& c : paths) {
        SCOPED_TRACE(c.data);
        char* path = nullptr;
        RES_conv_data(c.data, &path, CV_path);
        ASSERT_NE(path, nullptr);
        EXPECT_STREQ(path, c.want);
        free(path);
    }
}

TEST_F(Resrc, FlagConversions) {
    struct Case {
        const char* data;
        DEF_convert cvt;
        int flag;
        int64_t want;
    } cases[] = {
        {"use", CV_file_param, FLAG_FILE_PARAM, 3},    {"REUSE", CV_file_param, FLAG_FILE_PARAM, 3},
        {"over", CV_file_param, FLAG_FILE_PARAM, 1},   {"calc", CV_file_param, FLAG_FILE_PARAM, 1},
        {"recalc", CV_file_param, FLAG_FILE_PARAM, 1}, {"App", CV_file_param, FLAG_FILE_PARAM, 2},
        {"bogus", CV_file_param, FLAG_FILE_PARAM, -1}, {"skewt", CV_plot_type, FLAG_PLOT_TYPE, 62},
        {"STREAM", CV_plot_type, FLAG_PLOT_TYPE, 23},  {"gvalue", CV_plot_type, FLAG_PLOT_TYPE, 17},
        {"none", CV_plot_type, FLAG_PLOT_TYPE, 99},    {"raw", CV_plot_type, FLAG_PLOT_TYPE, 0},
        {"hodo", CV_plot_type, FLAG_PLOT_TYPE, 69},    {"bogus", CV_plot_type, FLAG_PLOT_TYPE, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        FLAG_reset(-1);
        RES_conv_data(c.data, nullptr, c.cvt);
        EXPECT_EQ(FLAG_get(c.flag), c.want);
    }
}

TEST_F(Resrc, DeviceConversion) {
    struct Case {
        const char* data;
        int64_t device;
        const char* rest;  // null: destination left alone
    } cases[] = {
        {"p,x,y", 4, "x,y"}, {"Hard", 5, nullptr}, {"q", 5, nullptr}, {"m,1", 3, "1"},
        {"w,", 6, nullptr},  {"", 1, nullptr},     {"z", 1, nullptr}, {",x", 1, "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        const char* rest = nullptr;
        EXPECT_EQ(RES_conv_data(c.data, &rest, CV_device), 1);
        EXPECT_EQ(FLAG_get(FLAG_DEVICE), c.device);
        if (c.rest == nullptr)
            EXPECT_EQ(rest, nullptr);
        else
            EXPECT_STREQ(rest, c.rest);
    }
}

TEST_F(Resrc, DrawConversion) {
    struct Case {
        const char* data;
        std::vector<int> plot;  // indexes 0 to 12 afterwards
    } cases[] = {
        {"data,map", {0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 2}},
        {"-text_ur", {5, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 15}},
        {"-text", {0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 4}},
        {"none", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"NONE,+grid", {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1}},
        {"all", {6, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 17}},
        {"text_ul,bogus,+sum", {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 3}},
        {"text", {6, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1, 13}},
        {"+bord,-data", {6, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        FLAG_resetplot(1);
        RES_conv_data(c.data, nullptr, CV_draw);
        std::vector<int> got;
        for (int k = 0; k < FLAG_PLOT_COUNT; ++k) got.push_back(FLAG_getplot(k));
        EXPECT_EQ(got, c.plot);
    }
}

TEST_F(Resrc, HourForms) {
    constexpr int M = DATE_MISSING;
    struct Case {
        const char* data;
        int year, month, day, hour, min;
    } cases[] = {
        {"1812", M, M, 18, 12, M},
        {"061812", M, 6, 18, 12, M},
        {"#202401150600", 2024, 1, 15, 6, 0},
        {"#2024", 2024, M, M, M, M},
        {"#2024011", 2024, 1, 1, M, M},
        {"812", M, M, 8, 12, M},
        {"-6", M, M, M, -6, M},
        {"-312", M, M, M, -312, M},
        {"-0:30", M, M, M, M, -30},
        {"-0", M, M, M, M, M},
        {"2d06:30", M, M, 2, 6, 30},
        {"3d", M, M, 3, M, M},
        {":45", M, M, M, M, 45},
        {"-:15", M, M, M, M, -15},
        {"12:30", M, M, M, 12, 30},
        {"7", M, M, M, 7, M},
        {"", M, M, M, M, M},
        {"abc", M, M, M, M, M},
        {"#", M, M, M, M, M},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        EXPECT_EQ(RES_conv_data(c.data, nullptr, CV_hour), 1);
        Date d;
        FILE_get_time(&d);
        EXPECT_EQ(d.year, c.year);
        EXPECT_EQ(d.month, c.month);
        EXPECT_EQ(d.day, c.day);
        EXPECT_EQ(d.hour, c.hour);
        EXPECT_EQ(d.min, c.min);
    }
    RES_conv_data("99999999999999999999:99999999999999999999", nullptr, CV_hour);
    Date d;
    FILE_get_time(&d);
    EXPECT_GT(d.hour, 0);
    EXPECT_GT(d.min, 0);
}

TEST_F(Resrc, RegionAndDomainDecodeADomain) {
    Domain dom = MAP_unset_domain();
    EXPECT_EQ(RES_conv_data("30,-100,40,-90", &dom, CV_region), 1);
    EXPECT_NE(dom.proj, MAP_NO_PROJ);
    EXPECT_EQ(RES_conv_data("none", &dom, CV_domain), 1);
    EXPECT_EQ(dom.proj, MAP_NO_PROJ);
}

// ---- Help ----

TEST_F(Resrc, HelpText) {
    Capture out(1);
    RES_help_print("tafcvt", KEYS, POS);
    EXPECT_EQ(out.stop(),
              "tafcvt syntax (version:5.60.2-LINUX-X11)\n"
              "   tafcvt [options...]\n"
              "Keyed options...\n"
              " -df file    Resource/defaults file name\n"
              " -na name    Program name\n"
              " -h          Print this help\n"
              " -ba         Run program in batch mode\n"
              " -me level   Message level to be displayed:\n"
              "               none,print,error,warn,mess,out1,*out2,out3,out4,debug\n"
              " -fp path    File path\n"
              " -dp path    Raw data path\n"
              " -cp path    Converted data path\n"
              " -gp path    Gridded data path\n"
              " -rp path    Raw files path\n"
              " -ip path    Image file path\n"
              " -wp path    Watch file data path\n"
              " -tp path    Text file path\n"
              " -mp path    Model file path\n"
              " -sp path    Satellite file path\n"
              " -cf file    City database file name\n"
              " -pr prior   Priority of stations used in the plot\n"
              " -nc type    Naming convention file name\n"
              " -if type    Input data file type\n"
              " -of type    Output file type\n"
              " -pf param   File parameters: use,calc,over,app\n"
              " -cu [hour]  Use current data file\n"
              " -ho hour    Actual hour of the file\n"
              " -nh hour[,step]  Number of hours to view\n"
              " -ph header  Specific product header\n"
              " -ou type    Type of output\n"
              " -co on|off|auto  Table colors (auto: on a terminal without NO_COLOR)\n"
              " -id ident   Specific station identifier\n"
              " -pa param[,...]  Program parameters\n"
              "Positional options...\n"
              " file [file...]  Input file names\n");
}

TEST_F(Resrc, HelpGoesThroughTheMessageLevels) {
    MESS_set_str("none");
    Capture out(1);
    RES_help_print("tafcvt", KEYS, POS);
    EXPECT_EQ(out.stop(), "");
    MESS_reset();
    Capture rowless(1);
    RES_help_item(RES_age);
    EXPECT_EQ(rowless.stop(), "1\n");
}

TEST_F(Resrc, ListShowsEveryResource) {
    init({"-id", "KORD", "-foo"});
    Capture out(1);
    RES_list();
    EXPECT_EQ(out.stop(), "default: " + dir_.path() + "\nidentifier: KORD\nfoo:\n");
    MESS_set(MESS_SET, 0x7);  // the listing is print sub-level d
    Capture off(1);
    RES_list();
    EXPECT_EQ(off.stop(), "");
}

}  // namespace
