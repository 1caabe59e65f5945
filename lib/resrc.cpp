// Resource registry, command line, catalogue and help; see resrc.h.
#include "resrc.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "date.h"
#include "def_read.h"
#include "files.h"
#include "flag.h"
#include "maptran.h"
#include "mess.h"
#include "mqueue.h"
#include "string.h"
#include "system.h"

namespace {

res_obj root_res = {0, nullptr, nullptr, CV_none, nullptr};  // head; its own fields unused
int clargc = 0;                                             // the stored command line
char** clargv = nullptr;
RES_defobj* def_table = nullptr;                            // the program's table
char progname_field[RES_PROGNAME_MAX];

constexpr int RES_DECLARED_MAX = RES_TABLE_ROWS - 1;  // resources a program may declare
constexpr M_type TRACE = 0x80000000u;                 // debug sub-level d
constexpr M_type LIST_LEVEL = 0x00000008u;            // print sub-level d: the "set" listing
constexpr const char* DEFAULT_RES = "default";        // the defaults search path
constexpr const char* NAME_RES = "name";              // the program title
constexpr const char* DEFAULT_ENV = "joxdefault";
constexpr const char* TZ_ENV = "joxtz";

// ---------------------------------------------------------------------------------------
// The catalogue: one entry per resource number, in number order. An entry without a name
// is a number without a row. The help columns are the option text and the help text; a few
// resources print lines of their own after the first.

struct CatalogueRow {
    res_type num;
    const char* def;        // resource name; null: the number has no row
    const char* env;        // environment variable
    const char* cmd;        // option word; null for a positional row
    int pos;                // 0 keyed; 1..9 that positional argument; 10 every position
    DEF_convert cvt;
    const char* help_opt;   // option text of the help entry
    const char* help_text;
    const char* help_more;  // further help lines, or null
};

constexpr CatalogueRow none(res_type num) {
    return {num, nullptr, nullptr, nullptr, 0, CV_none, nullptr, nullptr, nullptr};
}
constexpr CatalogueRow keyed(res_type num, const char* def, const char* cmd, const char* env,
                             DEF_convert cvt, const char* opt, const char* text,
                             const char* more = nullptr) {
    return {num, def, env, cmd, 0, cvt, opt, text, more};
}
constexpr CatalogueRow positional(res_type num, const char* def, int pos, const char* env,
                                  DEF_convert cvt, const char* opt, const char* text) {
    return {num, def, env, nullptr, pos, cvt, opt, text, nullptr};
}

// The message level names; the star marks the initial level.
constexpr const char* MESSAGE_LEVELS =
    "               none,print,error,warn,mess,out1,*out2,out3,out4,debug\n";

// One row a line: the catalogue reads as the table it is.
// clang-format off
constexpr CatalogueRow CATALOGUE[] = {
    none(RES_null),
    none(RES_age),
    keyed(RES_background, "background", "bg", "joxbackground", CV_string, "-bg color", "Background color"),
    keyed(RES_batch, "batch", "ba", "joxbatch", CV_batch, "-ba", "Run program in batch mode"),
    none(RES_bin_path),
    keyed(RES_bull_file, "bull_file", "bf", "joxbull", CV_string, "-bf file", "Bulletin file name"),
    keyed(RES_city_file, "city_file", "cf", "joxcity", CV_string, "-cf file", "City database file name"),
    none(RES_color_cgrid),
    keyed(RES_color_clabel, "color_clabel", "cocl", "joxcclabel", CV_string, "-cocl color", "Color of contour labels"),
    keyed(RES_color_cloud, "color_cloud", "cocd", "joxccloud", CV_string, "-cocd color", "Color of cloud cover"),
    keyed(RES_color_cmap, "color_cmap", "cocm", "joxccmap", CV_string, "-cocm color", "Colors of the contour fill map"),
    keyed(RES_color_cont, "color_cont", "coco", "joxccont", CV_string, "-coco color", "Color of contours"),
    none(RES_color_conts),
    keyed(RES_color_data, "color_data", "cod", "joxcdata", CV_string, "-cod color", "Color of data"),
    none(RES_color_echo),
    keyed(RES_color_fill, "color_fill", "cof", "joxcfill", CV_string, "-cof color", "Fill colors"),
    keyed(RES_color_front, "color_front", "cofr", "joxcfront", CV_string, "-cofr color", "Color of fronts"),
    keyed(RES_color_grid, "color_grid", "cogr", "joxcgrid", CV_string, "-cogr color", "Color of grid lines"),
    keyed(RES_color_hodo, "color_hodo", "coh", "joxchodo", CV_string, "-coh color", "Color of the hodograph"),
    keyed(RES_color_hodtxt, "color_hodtxt", "coht", "joxchodtxt", CV_string, "-coht color", "Color of hodograph text"),
    keyed(RES_color_label, "color_label", "cola", "joxclabel", CV_string, "-cola color", "Color of labels"),
    none(RES_color_labels),
    keyed(RES_color_line, "color_line", "coln", "joxcline", CV_string, "-coln color", "Color of lines"),
    keyed(RES_color_map, "color_map", "com", "joxcmap", CV_string, "-com color", "Color of the map"),
    keyed(RES_color_pop, "color_pop", "copp", "joxcpop", CV_string, "-copp color", "Color of precipitation probability"),
    none(RES_color_rep),
    keyed(RES_color_sound, "color_sound", "cosd", "joxcsound", CV_string, "-cosd color", "Color of soundings"),
    keyed(RES_color_table, "color_table", "ct", "joxctable", CV_string, "-ct file", "Color table file name"),
    keyed(RES_color_text, "color_text", "cot", "joxctext", CV_string, "-cot color", "Color of text"),
    keyed(RES_color_therm, "color_therm", "coth", "joxctherm", CV_string, "-coth color", "Color of the thermodynamic diagram"),
    keyed(RES_color_thrmtxt, "color_thrmtxt", "cott", "joxcthrmtxt", CV_string, "-cott color", "Color of thermodynamic diagram text"),
    keyed(RES_color_wind, "color_wind", "cowd", "joxcwind", CV_string, "-cowd color", "Color of winds"),
    keyed(RES_color_wx, "color_wx", "cowx", "joxcwx", CV_string, "-cowx color", "Color of weather symbols"),
    positional(RES_command, "command", RES_POS_ALL, "joxcommand", CV_strings, "command [...]", "Commands"),
    keyed(RES_commands, "command", "cd", "joxcommand", CV_string, "-cd command", "Command"),
    keyed(RES_con_base, "con_base", "cb", "joxconbase", CV_float, "-cb base", "Contour base value"),
    none(RES_con_bases),
    keyed(RES_con_interval, "con_interval", "in", "joxinterval", CV_float, "-in interval", "Contour interval"),
    none(RES_con_intervals),
    keyed(RES_con_path, "con_path", "cp", "joxcon", CV_path, "-cp path", "Converted data path"),
    keyed(RES_current, "current", "cu", "joxcurrent", CV_current, "-cu [hour]", "Use current data file"),
    keyed(RES_data_path, "data_path", "dp", "joxdata", CV_path, "-dp path", "Raw data path"),
    none(RES_data_src),
    none(RES_default),
    keyed(RES_draw, "draw", "dr", "joxdraw", CV_draw, "-dr item[,...]", "Plot components: none,all,text,data,map,grid,sum,bord"),
    keyed(RES_decode_hour, "decode_hour", "dh", "joxdecodehour", CV_string, "-dh hour", "Hour to decode"),
    keyed(RES_device, "device", "de", "joxdevice", CV_device, "-de device", "Output device"),
    keyed(RES_file_param, "file_param", "pf", "joxfileparam", CV_file_param, "-pf param", "File parameters: use,calc,over,app"),
    keyed(RES_file_path, "file_path", "fp", "joxfile", CV_path, "-fp path", "File path"),
    positional(RES_filename, "filename", 1, "joxfilename", CV_strcpy, "file", "Input file name"),
    positional(RES_filenames, "filename", RES_POS_ALL, "joxfilename", CV_strings, "file [file...]", "Input file names"),
    keyed(RES_font_list, "font_list", "fl", "joxfont", CV_string, "-fl fonts", "Font list"),
    keyed(RES_forecast, "forecast", "fc", "joxforecast", CV_string, "-fc hour", "Forecast hour"),
    keyed(RES_geometry, "geometry", "ge", "joxgeometry", CV_string, "-ge geometry", "Window geometry"),
    keyed(RES_grid_num, "grid_num", "gn", "joxgridnum", CV_string, "-gn number", "Grid number"),
    keyed(RES_grid_path, "grid_path", "gp", "joxgrid", CV_path, "-gp path", "Gridded data path"),
    keyed(RES_grid_type, "grid_type", "gt", "joxgridtype", CV_int, "-gt type", "Grid type"),
    keyed(RES_help, "help", "h", "joxhelp", CV_help, "-h", "Print this help"),
    keyed(RES_hour, "hour", "ho", "joxhour", CV_hour, "-ho hour", "Actual hour of the file"),
    keyed(RES_icon, "icon", "ic", "joxicon", CV_bool, "-ic", "Start the window as an icon"),
    keyed(RES_identifier, "identifier", "id", "joxident", CV_string, "-id ident", "Specific station identifier"),
    none(RES_identifiers),
    none(RES_identifierp),
    keyed(RES_image_path, "image_path", "ip", "joximage", CV_string, "-ip path", "Image file path"),
    keyed(RES_in_file, "in_file", "if", "joxinfile", CV_string, "-if type", "Input data file type"),
    keyed(RES_in_files, "in_file", "if", "joxinfile", CV_string, "-if type", "Input data file type"),
    none(RES_ingest_port),
    keyed(RES_ingestor, "ingestor", "di", "joxingestor", CV_ingestor, "-di ingestor", "Data ingestor"),
    keyed(RES_input, "input", "in", "joxinput", CV_string, "-in input", "Input data"),
    keyed(RES_label, "label", "la", "joxlabel", CV_string, "-la text", "Plot label"),
    none(RES_labels),
    keyed(RES_level, "level", "le", "joxlevel", CV_string, "-le level", "Vertical level"),
    keyed(RES_map_file, "map_file", "mf", "joxmapfile", CV_string, "-mf file", "Map file name"),
    keyed(RES_message, "message", "me", "joxmess", CV_mess, "-me level", "Message level to be displayed:", MESSAGE_LEVELS),
    keyed(RES_model, "model", "mo", "joxmodel", CV_string, "-mo model", "Model name"),
    none(RES_name),
    keyed(RES_name_conv, "name_conv", "nc", "joxnameconv", CV_name, "-nc type", "Naming convention file name"),
    none(RES_num_grid),
    keyed(RES_num_hour, "num_hour", "nh", "joxnumhour", CV_string, "-nh hour[,step]", "Number of hours to view"),
    keyed(RES_object_param, "object_param", "oa", "joxobject", CV_string, "-oa param", "Object parameters"),
    keyed(RES_out_file, "out_file", "of", "joxoutfile", CV_string, "-of type", "Output file type"),
    none(RES_out_files),
    keyed(RES_output, "output", "ou", "joxout", CV_string, "-ou type", "Type of output"),
    keyed(RES_parameter, "parameter", "pa", "joxparam", CV_string, "-pa param[,...]", "Program parameters"),
    keyed(RES_plot_domain, "plot_domain", "pd", "joxdomain", CV_domain, "-pd domain", "Plot domain: lat1,lon1,lat2,lon2 or none"),
    keyed(RES_plot_format, "plot_format", "fm", "joxformat", CV_string, "-fm format", "Plot format"),
    keyed(RES_plot_param, "plot_param", "pp", "joxplotparam", CV_string, "-pp param", "Plot parameters"),
    none(RES_plot_range),
    keyed(RES_plot_scale, "plot_scale", "sc", "joxscale", CV_float, "-sc scale", "Plot scale"),
    keyed(RES_plot_type, "plot_type", "pl", "joxplottype", CV_plot_type, "-pl type", "Plot type"),
    none(RES_plot_types),
    none(RES_position),
    keyed(RES_product, "product", "ph", "joxproduct", CV_string, "-ph header", "Specific product header"),
    none(RES_program),
    keyed(RES_raw_path, "raw_path", "rp", "joxraw", CV_path, "-rp path", "Raw files path"),
    none(RES_read_conf),
    keyed(RES_region, "region", "re", "joxregion", CV_region, "-re region", "Region: lat1,lon1,lat2,lon2 or none"),
    none(RES_save_param),
    keyed(RES_stat_prior, "stat_prior", "pr", "joxprior", CV_int, "-pr prior", "Priority of stations used in the plot"),
    keyed(RES_state, "state", "st", "joxstate", CV_string, "-st state", "State"),
    keyed(RES_table, "table", "ta", "joxtable", CV_bool, "-ta", "Print as a table"),
    keyed(RES_time, "time", "ft", "joxtime", CV_string, "-ft time", "Forecast time"),
    keyed(RES_title, "title", "ti", "joxtitle", CV_string, "-ti title", "Window title"),
    none(RES_unit),
    positional(RES_values, "value", RES_POS_ALL, "joxvalue", CV_strings, "value [...]", "Values"),
    keyed(RES_variable, "variable", "va", "joxvariable", CV_string, "-va variable", "Variable"),
    keyed(RES_watch_path, "watch_path", "wp", "joxwatch", CV_path, "-wp path", "Watch file data path"),
    keyed(RES_window_num, "window_num", "wn", "joxwindow", CV_int, "-wn number", "Window number"),
    keyed(RES_color_watch, "color_watch", "cowa", "joxcwatch", CV_string, "-cowa color", "Color of watch boxes"),
    keyed(RES_log_file, "log_file", "lf", "joxlogfile", CV_string, "-lf file", "Log file name"),
    keyed(RES_grid_domain, "grid_domain", "gd", "joxgdomain", CV_domain, "-gd domain", "Grid domain: lat1,lon1,lat2,lon2 or none"),
    keyed(RES_inputg, "input", "inp", "joxinputg", CV_string, "-inp input", "Gridded input data"),
    keyed(RES_text_path, "text_path", "tp", "joxtext", CV_path, "-tp path", "Text file path"),
    keyed(RES_model_path, "model_path", "mp", "joxmpath", CV_path, "-mp path", "Model file path"),
    keyed(RES_sat_path, "sat_path", "sp", "joxsat", CV_path, "-sp path", "Satellite file path"),
    keyed(RES_color, "color", "co", "joxcolor", CV_string, "-co on|off|auto", "Table colors (auto: on a terminal without NO_COLOR)"),
};
// clang-format on

constexpr bool catalogue_in_number_order() {
    for (int i = 0; i < static_cast<int>(sizeof CATALOGUE / sizeof CATALOGUE[0]); ++i)
        if (CATALOGUE[i].num != i) return false;
    return true;
}
static_assert(sizeof CATALOGUE / sizeof CATALOGUE[0] == RES_count, "one entry per number");
static_assert(catalogue_in_number_order(), "entries are looked up by number");

// The catalogue entry of a number, or null for a number without a row.
const CatalogueRow* catalogue_row(int key) {
    if (key <= RES_null || key >= RES_count || CATALOGUE[key].def == nullptr) return nullptr;
    return &CATALOGUE[key];
}

// ---------------------------------------------------------------------------------------
// Registry helpers.

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

// A number for CV_int: a sign or a digit first, and at least one digit.
bool starts_number(const char* s) {
    if (*s == '-' || *s == '+') ++s;
    return is_digit(*s);
}

// ---------------------------------------------------------------------------------------
// Conversions that need no destination.

// Reads a number like scanf's "%d" with a field width (0: unlimited): blanks skipped, an
// optional sign, digits. The value saturates instead of overflowing. False when no digit.
constexpr long HOUR_VALUE_CAP = 100000000;
bool scan_int(const char*& p, int width, int* out) {
    p = skip_blanks(p);
    const char* q = p;
    int used = 0;
    bool negative = false;
    if (*q == '-' || *q == '+') {
        negative = *q == '-';
        ++q;
        ++used;
    }
    long value = 0;
    int digits = 0;
    while (is_digit(*q) && (width == 0 || used < width)) {
        if (value < HOUR_VALUE_CAP) value = value * 10 + (*q - '0');
        ++q;
        ++used;
        ++digits;
    }
    if (digits == 0) return false;
    *out = static_cast<int>(negative ? -value : value);
    p = q;
    return true;
}

// Reads fields by a tiny format: each entry a width (0 unlimited) and the literal character
// that must follow it ('\0' none). Stops at the first field or literal that does not fit.
struct HourField {
    int width;
    int32_t* field;
    char literal;
};
void scan_fields(const char* p, std::initializer_list<HourField> fields) {
    for (const HourField& f : fields) {
        if (!scan_int(p, f.width, f.field)) return;
        if (f.literal != '\0') {
            if (*p != f.literal) return;
            ++p;
        }
    }
}

// "#" and fixed-width digit fields: 4 year, 2 each month, day, hour, minute.
void scan_hash_date(const char* p, Date* d) {
    const struct {
        int width;
        int32_t* field;
    } fields[] = {{4, &d->year}, {2, &d->month}, {2, &d->day}, {2, &d->hour}, {2, &d->min}};
    for (const auto& f : fields) {
        if (!is_digit(*p)) return;
        int value = 0;
        for (int n = 0; n < f.width && is_digit(*p); ++n) value = value * 10 + (*p++ - '0');
        *f.field = value;
    }
}

// Parses a file time (the forms of the "hour" resource) into d.
void parse_file_time(const char* s, Date* d) {
    size_t len = strlen(s);
    bool colon = strchr(s, ':') != nullptr;
    if (s[0] == '#' && is_digit(s[1])) {
        scan_hash_date(s + 1, d);
    } else if (len == 6 && !colon) {
        scan_fields(s, {{2, &d->month, 0}, {2, &d->day, 0}, {2, &d->hour, 0}});
    } else if (len == 4 && is_digit(s[0]) && !colon) {
        scan_fields(s, {{2, &d->day, 0}, {2, &d->hour, 0}});
    } else if (len == 3 && is_digit(s[0]) && !colon) {
        scan_fields(s, {{1, &d->day, 0}, {2, &d->hour, 0}});
    } else if (strchr(s, 'd') != nullptr) {
        scan_fields(s, {{0, &d->day, 'd'}, {0, &d->hour, ':'}, {0, &d->min, 0}});
    } else if (s[0] == ':') {
        scan_fields(s + 1, {{0, &d->min, 0}});
    } else if (s[0] == '-' && s[1] == ':') {
        const char* p = s + 2;
        int minute;
        if (scan_int(p, 0, &minute)) d->min = -minute;
    } else {
        scan_fields(s, {{0, &d->hour, ':'}, {0, &d->min, 0}});
        // "-0:30": thirty minutes back, the hour left free.
        if (s[0] == '-' && d->hour == 0) {
            d->hour = DATE_MISSING;
            if (d->min != DATE_MISSING) d->min = -d->min;
        }
    }
}

void convert_hour(const char* data) {
    Date d = {DATE_MISSING, DATE_MISSING, DATE_MISSING, DATE_MISSING,
              DATE_MISSING, DATE_MISSING, DATE_MISSING, DATE_MISSING};
    parse_file_time(data, &d);
    FILE_set_time(&d);
}

struct NamedCode {
    const char* name;
    int code;
};

constexpr NamedCode PLOT_COMPONENTS[] = {
    {"text", FLAG_PLOT_TEXT},
    {"text_ul", 1},
    {"text_uc", 2},
    {"text_ur", 3},
    {"text_ll", 4},
    {"text_lc", 5},
    {"text_lr", 6},
    {"data", 7},
    {"map", 8},
    {"grid", 9},
    {"sum", 10},
    {"bord", FLAG_PLOT_BORDER},
};

void switch_component(const char* name, int val) {
    if (stricmp(name, "none") == 0) {
        FLAG_setplot(FLAG_PLOT_ALL, 0);
        return;
    }
    if (stricmp(name, "all") == 0) {
        FLAG_setplot(FLAG_PLOT_ALL, val);
        return;
    }
    for (const auto& c : PLOT_COMPONENTS) {
        if (stricmp(name, c.name) != 0) continue;
        FLAG_setplot(c.code, val);
        // "text" means every text corner and the border around them.
        if (c.code == FLAG_PLOT_TEXT) FLAG_setplot(FLAG_PLOT_BORDER, val);
        return;
    }
}

void convert_draw(const char* data) {
    int count;
    char** items;
    if (parse_string(data, ',', &count, &items) != 0) return;
    for (int i = 0; i < count; ++i) {
        const char* item = items[i];
        int val = 1;
        if (item[0] == '+' || item[0] == '-') {
            val = item[0] == '+' ? 1 : 0;
            ++item;
        } else if (i == 0) {
            FLAG_resetplot(0);  // an unsigned first item lists exactly what is drawn
        }
        switch_component(item, val);
    }
    free_parsed_array(count, items);
}

constexpr NamedCode PLOT_TYPES[] = {
    {"raw", 0},    {"none", 99},   {"value", 17}, {"gvalue", 17}, {"cf", 15},    {"lcf", 16},
    {"ln", 12},    {"dln", 13},    {"ndln", 14},  {"vect", 21},   {"barb", 22},  {"strm", 23},
    {"stream", 23}, {"an", 54},    {"number", 54}, {"pm", 55},    {"skewt", 62}, {"ema", 63},
    {"teph", 64},  {"rteph", 65},  {"stuve", 61}, {"hodo", 69},
};

void convert_plot_type(const char* data) {
    for (const auto& t : PLOT_TYPES) {
        if (stricmp(data, t.name) == 0) {
            FLAG_set(FLAG_PLOT_TYPE, t.code);
            return;
        }
    }
}

void convert_file_param(const char* data) {
    if (stricmp(data, "use") == 0 || stricmp(data, "reuse") == 0)
        FLAG_set(FLAG_FILE_PARAM, FLAG_FILE_USE);
    else if (stricmp(data, "over") == 0 || stricmp(data, "calc") == 0 ||
             stricmp(data, "recalc") == 0)
        FLAG_set(FLAG_FILE_PARAM, FLAG_FILE_CALC);
    else if (stricmp(data, "app") == 0)
        FLAG_set(FLAG_FILE_PARAM, FLAG_FILE_APPEND);
}

// The device flag from the first comma-separated item; with two or more items the text
// after the first comma goes to the destination (when there is one). 0 without one.
int convert_device(const char* data, void* out) {
    std::string_view list(data);
    while (!list.empty() && list.back() == ',') list.remove_suffix(1);  // no trailing items
    FLAG_set(FLAG_DEVICE, list.empty() ? 1 : RES_set_device(data));
    if (out == nullptr) return 0;
    size_t comma = list.find(',');
    if (comma != std::string_view::npos) *static_cast<const char**>(out) = data + comma + 1;
    return 1;
}

int convert_bool(const char* data, void* out) {
    if (out == nullptr) return 0;
    auto* v = static_cast<int*>(out);
    if (data == nullptr || stricmp(data, "true") == 0 || stricmp(data, "on") == 0 ||
        stricmp(data, "yes") == 0)
        *v = 1;
    else if (stricmp(data, "false") == 0 || stricmp(data, "off") == 0 || stricmp(data, "no") == 0)
        *v = 0;
    return 1;
}

// Conversions into a destination (data and out both present).
int convert_into(const char* data, void* out, DEF_convert cvt) {
    switch (cvt) {
        case CV_int:
            if (starts_number(data)) {
                auto* v = static_cast<int*>(out);
                if (data[1] == 'x' || data[1] == 'X')
                    *v = static_cast<int>(strtol(data, nullptr, 16));
                else
                    *v = clamped_int(data);
            }
            return 1;
        case CV_short:
            if (is_digit(*data))
                *static_cast<int16_t*>(out) = static_cast<int16_t>(clamped_int(data));
            return 1;
        case CV_long:
            // strtoll holds the number within its range, where atoll's result is undefined.
            if (is_digit(*data)) *static_cast<int64_t*>(out) = strtoll(data, nullptr, 10);
            return 1;
        case CV_float: {
            double value = atof(data);
            // Beyond the float range the nearest infinity, never an undefined narrowing.
            if (value > FLT_MAX) value = HUGE_VALF;
            if (value < -FLT_MAX) value = -HUGE_VALF;
            *static_cast<float*>(out) = static_cast<float>(value);
            return 1;
        }
        case CV_string:
            *static_cast<const char**>(out) = data;
            return 1;
        case CV_strcpy:
            return 0;  // no size: see the sized form
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
            *static_cast<int64_t*>(out) = clamped_int(data);
            return 1;
        case CV_region:
        case CV_domain:
            DOM_decode(data, static_cast<Domain*>(out));
            return 1;
        default:
            return 1;
    }
}

// ---------------------------------------------------------------------------------------
// Command line.

bool starts_option(const char* arg) { return arg[0] == '-' && is_letter(arg[1]); }
bool is_option(const char* arg) {
    return starts_option(arg) || (arg[0] == '-' && arg[1] == '-' && is_letter(arg[2]));
}

struct Option {
    char word[RES_WORD_MAX + 1];  // the text after the dash(es), up to "=", cut
    const char* value;            // null: no value
    bool value_is_next;           // the value is the following argument
};

// Splits the option argv[i] into word and value; returns the arguments it used (1 or 2).
int split_option(int argc, char** argv, int i, Option* opt) {
    const char* text = argv[i] + (argv[i][1] == '-' ? 2 : 1);
    const char* eq = strchr(text, '=');
    size_t len = eq != nullptr ? static_cast<size_t>(eq - text) : strlen(text);
    if (len > static_cast<size_t>(RES_WORD_MAX)) len = RES_WORD_MAX;
    memcpy(opt->word, text, len);
    opt->word[len] = '\0';
    opt->value = nullptr;
    opt->value_is_next = false;
    if (eq != nullptr) {
        opt->value = eq + 1;
        return 1;
    }
    if (i + 1 < argc && argv[i + 1] != nullptr && !starts_option(argv[i + 1])) {
        opt->value = argv[i + 1];
        opt->value_is_next = true;
        return 2;
    }
    return 1;
}

bool keyed_row(const RES_defobj& row) {
    return row.def[0] != '\0' && row.pos == 0 && row.cmd != nullptr;
}

int row_count(const RES_defobj* table) {
    int n = 0;
    while (table[n].def != nullptr) ++n;
    return n;
}

// The row an option word names: by option word, else by resource name (case ignored);
// -1 when none does.
int find_row(const RES_defobj* table, const char* word) {
    for (int i = 0; table[i].def != nullptr; ++i)
        if (keyed_row(table[i]) && stricmp(table[i].cmd, word) == 0) return i;
    for (int i = 0; table[i].def != nullptr; ++i)
        if (keyed_row(table[i]) && stricmp(table[i].def, word) == 0) return i;
    return -1;
}

// The first row whose resource name the word abbreviates; -1 when none.
int abbreviated_row(const RES_defobj* table, const char* word) {
    for (int i = 0; table[i].def != nullptr; ++i)
        if (keyed_row(table[i]) && begins_nocase(table[i].def, word)) return i;
    return -1;
}

// Options steering the defaults files ("-na", "-df"/"-default"), read before them.
bool names_title(std::string_view word, bool ignore_case) {
    std::string_view name(NAME_RES);
    if (word.empty() || word.size() > name.size()) return false;
    return ignore_case ? begins_nocase(name, word) : name.substr(0, word.size()) == word;
}
bool names_search_path(std::string_view word, bool ignore_case) {
    if (ignore_case) return begins_nocase(word, DEFAULT_RES) || begins_nocase(word, "df");
    return word.substr(0, 7) == DEFAULT_RES || word.substr(0, 2) == "df";
}

bool flag_like(DEF_convert cvt) { return cvt == CV_bool || cvt == CV_batch || cvt == CV_help; }

// ---------------------------------------------------------------------------------------
// Loop window.

struct Window {
    int qid = -1;
    int conn = -1;  // connection number; -1 while no window is connected
};

// Waits for the answer that ends an exchange (a non-zero status).
void window_wait(const Window& w) {
    char item[MQ_TEXT_SIZE];
    while (MQ_get(w.qid, w.conn, item) == 0) {
    }
}

void window_set(const Window& w, const char* name, const char* value) {
    if (MQ_put(w.qid, w.conn, "set res %s %s", name, value != nullptr ? value : "") == 0)
        window_wait(w);
}

void window_quit(Window& w) {
    if (w.conn < 0) return;
    if (MQ_put(w.qid, w.conn, "quit") == 0) window_wait(w);
    w.conn = -1;
}

// Reads the window's answers for one resource; true when one gave it a value.
bool window_answers(const Window& w, int row, const RES_defobj& def) {
    char item[MQ_TEXT_SIZE];
    bool got = false;
    int status;
    while ((status = MQ_get(w.qid, w.conn, item)) == 0) {
        // "!" lines are the window's own remarks, not values.
        if (item[0] == '\0' || item[0] == '!' || item[0] == '\n') continue;
        item[strlen(item) - 1] = '\0';  // the line end
        RES_new(row, def.def, item, def.cvt);
        got = true;
    }
    if (status == -3) MESS_print(MESS_WARN, "JOXloop not running!\n");
    return got;
}

// Asks the window for every resource of the table and tells it the values it lacks.
void window_exchange(const Window& w, const RES_defobj* table) {
    for (int i = 0; table[i].def != nullptr; ++i)
        if (table[i].def[0] != '\0') MQ_put(w.qid, w.conn, "query res %s", table[i].def);
    int reports = 0;
    for (int i = 0; table[i].def != nullptr; ++i) {
        if (table[i].def[0] == '\0' || window_answers(w, i, table[i])) continue;
        const char* value = RES_get(table[i].def);
        if (value != nullptr && MQ_put(w.qid, w.conn, "set res %s %s", table[i].def, value) == 0)
            ++reports;
    }
    for (int i = 0; i < reports; ++i) window_wait(w);
}

// Connects the window whose number follows "#" in the defaults path.
void window_connect(const char* number, const RES_defobj* table, Window& w) {
    char* end = nullptr;
    long num = strtol(number, &end, 10);
    int qid = MQ_NO_QUEUE;
    if (end != number && *end == '\0' && num > 0 && num <= INT32_MAX)
        qid = MQ_open(static_cast<int>(num));
    if (qid == MQ_NO_QUEUE) {
        MESS_print(MESS_WARN, "JOXloop window: %s not running or no message queue exists\n",
                   number);
        return;
    }
    int conn = qid == MQ_NO_ACCESS ? -1 : MQ_connect(qid);
    if (conn < 0) {
        MESS_print(MESS_WARN, "JOXloop window: %s unable to connect\n", number);
        return;
    }
    window_quit(w);  // a later window replaces an earlier one, which is told so
    w.qid = qid;
    w.conn = conn;
    window_exchange(w, table);
}

// ---------------------------------------------------------------------------------------
// The phases of RES_decode.

// Reads "-na" and "-df"/"-default" before the defaults files (exact case, single dash).
void prescan(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr || !starts_option(argv[i])) continue;
        Option opt;
        i += split_option(argc, argv, i, &opt) - 1;
        if (opt.value == nullptr) continue;
        if (names_title(opt.word, false)) {
            RES_new(RES_UNLISTED, NAME_RES, opt.value, CV_string);
            DEF_name(opt.value);
        } else if (names_search_path(opt.word, false)) {
            RES_new(RES_UNLISTED, DEFAULT_RES, opt.value, CV_string);
        }
    }
}

// Hands one defaults-file entry to every row it selects, or keeps it as an unlisted
// resource when it names this program.
void take_entry(const RES_defobj* table, const char* key, const char* value) {
    bool selected = false;
    for (int i = 0; table[i].def != nullptr; ++i) {
        if (table[i].def[0] == '\0' || !DEF_cmp(table[i].def, key)) continue;
        MESS_print(TRACE, "RESRC: %s=%s\n", key, value);
        RES_new(i, table[i].def, value, table[i].cvt);
        selected = true;
    }
    if (selected || !DEF_valid(key)) return;
    char name[DEF_KEY_SIZE];
    DEF_parse_name(key, name);
    RES_new(RES_UNLISTED, name, value, CV_string);
}

void read_defaults_file(const RES_defobj* table, const char* file) {
    if (DEF_open(file) != 0) return;
    char key[DEF_KEY_SIZE];
    char value[DEF_VALUE_SIZE];
    while (DEF_get(key, value) == 1) take_entry(table, key, value);
    DEF_close();
}

// Walks the defaults search path: "+tag" items, "#window" items and defaults files.
void defaults_phase(const RES_defobj* table, Window& w) {
    const char* path = RES_get(DEFAULT_RES);
    if (path == nullptr) path = DEF_search_path();
    DEF_clr_tag();
    int count;
    char** items;
    if (parse_string(path, ':', &count, &items) != 0) {
        read_defaults_file(table, "");  // an empty path is the current folder's ".joxdef"
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (items[i][0] == '+')
            DEF_tag(items[i] + 1);
        else if (items[i][0] == '#')
            window_connect(items[i] + 1, table, w);
        else
            read_defaults_file(table, items[i]);
    }
    free_parsed_array(count, items);
}

void environment_phase(const RES_defobj* table) {
    for (int i = 0; table[i].def != nullptr; ++i) {
        const char* value;
        if (table[i].def[0] != '\0' && DEF_env(table[i].def, table[i].env, &value))
            RES_new(i, table[i].def, value, table[i].cvt);
    }
}

// One option of the command line; returns the arguments it used.
int take_option(int argc, char** argv, int i, const RES_defobj* table, const Window& w) {
    Option opt;
    int used = split_option(argc, argv, i, &opt);
    int row = find_row(table, opt.word);
    if (names_title(opt.word, true) || names_search_path(opt.word, true)) return used;
    if (row < 0) row = abbreviated_row(table, opt.word);
    if (row < 0) {
        RES_new(RES_UNLISTED, opt.word, opt.value, CV_string);
        return used;
    }
    // Switches take a value only with "="; the next argument stays an argument.
    if (opt.value_is_next && flag_like(table[row].cvt)) {
        used = 1;
        opt.value = nullptr;
    }
    RES_new(row, table[row].def, opt.value, table[row].cvt);
    if (w.conn >= 0) window_set(w, table[row].def, opt.value);
    return used;
}

// Positional argument number n.
void take_positional(const RES_defobj* table, int n, const char* arg) {
    int row = -1;
    for (int i = 0; row < 0 && table[i].def != nullptr; ++i)
        if (table[i].def[0] != '\0' && table[i].pos == n && n < RES_POS_ALL) row = i;
    for (int i = 0; row < 0 && table[i].def != nullptr; ++i)
        if (table[i].def[0] != '\0' && table[i].pos == RES_POS_ALL) row = i;
    if (row < 0) return;
    if (table[row].pos == RES_POS_ALL && n > 1)
        RES_append(row, table[row].def, arg, table[row].cvt);
    else
        RES_new(row, table[row].def, arg, table[row].cvt);
}

void command_line_phase(int argc, char** argv, const RES_defobj* table, const Window& w) {
    int n = 0;
    for (int i = 1; i < argc;) {
        const char* arg = argv[i];
        if (arg == nullptr || strcmp(arg, "--") == 0) {
            ++i;
        } else if (is_option(arg)) {
            i += take_option(argc, argv, i, table, w);
        } else {
            take_positional(table, ++n, arg);
            ++i;
        }
    }
}

void conversion_phase(const RES_defobj* table) {
    int rows = row_count(table);
    for (res_obj* r = root_res.next; r != nullptr; r = r->next) {
        if (r->index < 0 || r->index >= rows) continue;
        const RES_defobj& row = table[r->index];
        if (r->cvt == CV_strings && row.out != nullptr) {
            int count;
            char** items;
            parse_string(r->data, '\n', &count, &items);
            *static_cast<char***>(row.out) = items;
            if (row.num != nullptr) *row.num = count;
        } else if (r->cvt == CV_strcpy) {
            RES_conv_data(r->data, static_cast<char*>(row.out), row.size, r->cvt);
        } else {
            RES_conv_data(r->data, row.out, r->cvt);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Registry.

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

int RES_getval(const char* name, char* data, size_t size, DEF_convert cvt) {
    const res_obj* r = find(name);
    if (r == nullptr || data == nullptr) return 0;
    return RES_conv_data(r->data, data, size, cvt);
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
    copy_cut(prog, RES_PROGNAME_MAX, slash != nullptr ? slash + 1 : word);
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
            // Batch mode shows the results, warnings and errors, unless a level was chosen.
            if (MESS_check_set() == 0) MESS_set(MESS_SET, MESS_PRINT | MESS_ERROR | MESS_WARN);
            return 1;
        case CV_help:
            FLAG_set(FLAG_HELP, 1);
            return 1;
        case CV_bool:
            return convert_bool(data, out);
        default:
            break;
    }
    if (data == nullptr) return 0;
    switch (cvt) {
        case CV_mess: MESS_set_str(data); return 1;
        case CV_draw: convert_draw(data); return 1;
        case CV_hour: convert_hour(data); return 1;
        case CV_file_param: convert_file_param(data); return 1;
        case CV_plot_type: convert_plot_type(data); return 1;
        case CV_device: return convert_device(data, out);
        default: break;
    }
    if (out == nullptr) return 0;
    return convert_into(data, out, cvt);
}

int RES_conv_data(const char* data, char* out, size_t size, DEF_convert cvt) {
    if (cvt != CV_strcpy || data == nullptr || out == nullptr || size == 0) return 0;
    copy_cut(out, size, data);
    return 1;
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

// ---------------------------------------------------------------------------------------
// Start-up.

int RES_init(int argc, char** argv, const res_type* res_key, const res_type* res_pos) {
    FLAG_reset(-9999);
    free(def_table);
    def_table = static_cast<RES_defobj*>(calloc(RES_TABLE_ROWS, sizeof(RES_defobj)));
    if (def_table == nullptr) {
        MESS_print(MESS_ERROR, "RES_init: out of memory for the resource table\n");
        JOX_exit(JOX_EXIT_FAILURE);
    }
    int rows = 0;
    for (const res_type* list : {res_key, res_pos}) {
        for (int i = 0; list != nullptr && list[i] != RES_null; ++i) {
            if (rows == RES_DECLARED_MAX) {
                MESS_print(MESS_WARN, "RES_init: more than %d resources, %d ignored\n",
                           RES_DECLARED_MAX, static_cast<int>(list[i]));
                continue;
            }
            RES_enter(&def_table[rows++], list[i]);
        }
    }
    def_table[rows].def = nullptr;
    RES_decode(nullptr, nullptr, argc, argv, def_table);
    const char* tz = getenv(TZ_ENV);
    if (tz != nullptr) DATE_set_TZ(tz);
    return 1;
}

int RES_decode(const char*, const char*, int argc, char** argv, RES_defobj* table) {
    RES_setCL(argc, argv);
    DEF_prog();
    const char* search_path = getenv(DEFAULT_ENV);
    if (search_path != nullptr) RES_new(RES_UNLISTED, DEFAULT_RES, search_path, CV_string);
    prescan(argc, argv);
    if (table == nullptr) return 0;
    Window window;
    defaults_phase(table, window);
    environment_phase(table);
    command_line_phase(argc, argv, table, window);
    window_quit(window);
    conversion_phase(table);
    return 0;
}

// ---------------------------------------------------------------------------------------
// Catalogue rows.

int RES_enter(RES_defobj* obj, res_type key) {
    const CatalogueRow* row = catalogue_row(key);
    if (row == nullptr) {
        RES_fill_obj(obj, "", nullptr, nullptr, CV_none, nullptr, nullptr);
        // Straight to standard output, whatever the message level: a program declaring an
        // unknown number is a build fault that must show.
        printf("%d\n", static_cast<int>(key));
        return 1;
    }
    RES_fill_obj(obj, row->def, row->env, row->cmd, row->cvt, nullptr, nullptr);
    obj->pos = row->pos;
    return 1;
}

int RES_fill_obj(RES_defobj* obj, const char* def, const char* env, const char* cmd,
                 DEF_convert cvt, void* out, int* num) {
    *obj = RES_defobj{def, env, cmd, 0, cvt, out, num, 0};
    return 1;
}

// ---------------------------------------------------------------------------------------
// Help.

int RES_help_print(const char* name, const res_type* res_key, const res_type* res_pos) {
    MESS_print(MESS_PRINT, "%s syntax (version:%s)\n", name, JOX_version());
    MESS_print(MESS_PRINT, "   %s [options...]\n", name);
    MESS_print(MESS_PRINT, "Keyed options...\n");
    MESS_print(MESS_PRINT, " %-10s  Resource/defaults file name\n", "-df file");
    MESS_print(MESS_PRINT, " %-10s  Program name\n", "-na name");
    for (int i = 0; res_key != nullptr && res_key[i] != RES_null; ++i) RES_help_item(res_key[i]);
    MESS_print(MESS_PRINT, "Positional options...\n");
    for (int i = 0; res_pos != nullptr && res_pos[i] != RES_null; ++i) RES_help_item(res_pos[i]);
    return 1;
}

int RES_help_item(res_type res) {
    const CatalogueRow* row = catalogue_row(res);
    if (row == nullptr) {
        printf("%d\n", static_cast<int>(res));  // as RES_enter: a declaration fault must show
        return 1;
    }
    MESS_print(MESS_PRINT, " %-10s  %s\n", row->help_opt, row->help_text);
    if (row->help_more != nullptr) MESS_print(MESS_PRINT, "%s", row->help_more);
    return 1;
}

int RES_list() {
    for (const res_obj* r = root_res.next; r != nullptr; r = r->next) {
        if (r->data != nullptr)
            MESS_print(LIST_LEVEL, "%s: %s\n", r->name, r->data);
        else
            MESS_print(LIST_LEVEL, "%s:\n", r->name);
    }
    return 0;
}
