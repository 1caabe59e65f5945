// Resources: every setting of a program is a named text value. At start-up the program
// declares the resources it accepts (numbers of the catalogue); RES_init gathers values from,
// in rising precedence, the defaults search path, the defaults files, one environment
// variable per resource and the command line, then converts each declared resource's final
// value once (message level, batch and help mode, file hour, ...). Afterwards any module
// reads a value by name.
//
// The registry is one list of records in the order resources were first given a value.
// Names are compared exactly; option words typed by the user ignore case. Values are owned
// copies; RES_getvals hands out lists that the caller releases with free_parsed_array.
//
// Command line: "-word value", "-word=value", "--word..."; the word is an option word, a
// resource name or an abbreviation of one (at most RES_WORD_MAX characters are kept); an
// unknown word becomes an unlisted resource; switches (CV_bool, CV_batch, CV_help) take a
// value only with "="; other arguments are positional. Returns follow each function.
#ifndef JOX_RESRC_H
#define JOX_RESRC_H

#include <cstddef>

// The catalogue of resource numbers; lists given to RES_init end with RES_null.
typedef enum {
    RES_null = 0, RES_age, RES_background, RES_batch, RES_bin_path, RES_bull_file,
    RES_city_file, RES_color_cgrid, RES_color_clabel, RES_color_cloud, RES_color_cmap,
    RES_color_cont, RES_color_conts, RES_color_data, RES_color_echo, RES_color_fill,
    RES_color_front, RES_color_grid, RES_color_hodo, RES_color_hodtxt, RES_color_label,
    RES_color_labels, RES_color_line, RES_color_map, RES_color_pop, RES_color_rep,
    RES_color_sound, RES_color_table, RES_color_text, RES_color_therm, RES_color_thrmtxt,
    RES_color_wind, RES_color_wx, RES_command, RES_commands, RES_con_base, RES_con_bases,
    RES_con_interval, RES_con_intervals, RES_con_path, RES_current, RES_data_path,
    RES_data_src, RES_default, RES_draw, RES_decode_hour, RES_device, RES_file_param,
    RES_file_path, RES_filename, RES_filenames, RES_font_list, RES_forecast, RES_geometry,
    RES_grid_num, RES_grid_path, RES_grid_type, RES_help, RES_hour, RES_icon, RES_identifier,
    RES_identifiers, RES_identifierp, RES_image_path, RES_in_file, RES_in_files,
    RES_ingest_port, RES_ingestor, RES_input, RES_label, RES_labels, RES_level, RES_map_file,
    RES_message, RES_model, RES_name, RES_name_conv, RES_num_grid, RES_num_hour,
    RES_object_param, RES_out_file, RES_out_files, RES_output, RES_parameter, RES_plot_domain,
    RES_plot_format, RES_plot_param, RES_plot_range, RES_plot_scale, RES_plot_type,
    RES_plot_types, RES_position, RES_product, RES_program, RES_raw_path, RES_read_conf,
    RES_region, RES_save_param, RES_stat_prior, RES_state, RES_table, RES_time, RES_title,
    RES_unit, RES_values, RES_variable, RES_watch_path, RES_window_num, RES_color_watch,
    RES_log_file, RES_grid_domain, RES_inputg, RES_text_path, RES_model_path, RES_sat_path,
    RES_color,
    RES_count  // one past the last number
} res_type;

static_assert(RES_help == 57 && RES_identifier == 60 && RES_sat_path == 114 && RES_color == 115,
              "resource numbers are part of every program's declaration lists");

// How a value is converted at start-up (and by RES_getval).
typedef enum {
    CV_none = 0, CV_bool, CV_int, CV_short, CV_long, CV_float, CV_string, CV_strcpy, CV_path,
    CV_mess, CV_draw, CV_current, CV_hour, CV_region, CV_name, CV_ingestor, CV_file_param,
    CV_device, CV_plot_type, CV_color, CV_domain, CV_strings, CV_batch, CV_help
} DEF_convert;

inline constexpr int RES_UNLISTED = -9999;  // index of a resource not in the program's table
inline constexpr int RES_TABLE_ROWS = 75;   // rows of a program's table, terminator included
inline constexpr int RES_POS_ALL = 10;      // positional row taking every unclaimed argument
inline constexpr int RES_STRCPY_MAX = 160;  // bytes of the usual CV_strcpy destination
inline constexpr int RES_PROGNAME_MAX = 20; // bytes of the program name field
inline constexpr int RES_WORD_MAX = 49;     // characters kept of an option word

// One row of a program's definition table.
typedef struct {
    const char* def;  // resource name; "" marks a skipped row, null ends the table
    const char* env;  // environment variable
    const char* cmd;  // option word (null for a positional row)
    int pos;          // 0 for a keyed row; 1..9 a positional argument; 10 every position
    DEF_convert cvt;
    void* out;        // destination of the start-up conversion, or null
    int* num;         // item count destination for CV_strings, or null
    size_t size;      // bytes at out for CV_strcpy; 0 (as RES_fill_obj leaves it): not copied
} RES_defobj;

// One resource that has a value.
typedef struct resource {
    int index;        // row in the program's table, or RES_UNLISTED
    char* name;
    char* data;       // null when given without a value
    DEF_convert cvt;
    struct resource* next;
} res_obj;

// Builds the program's table from the two RES_null-terminated lists of resource numbers
// (keyed, then positional; at most RES_TABLE_ROWS - 1 in all, further ones are refused with a
// warning), resets the run flags to -9999, gathers and converts all values (RES_decode) and
// applies the time zone of the environment variable joxtz. Returns 1.
int RES_init(int argc, char** argv, const res_type* res_key, const res_type* res_pos);
// Gathers the values for the table def_table, in rising precedence: joxdefault, the option
// "-df"/"-default", the defaults files along the search path (with tags and loop windows),
// the environment variables of each row, the command line; then converts each table
// resource's final value once, in list order. The first two arguments are not consulted.
// Returns 0.
int RES_decode(const char* progname, const char* class_name, int argc, char** argv,
               RES_defobj* def_table);
// Sets (or replaces) a resource. 0, or -1 when memory runs out (the value is lost).
int RES_new(int index, const char* name, const char* data, DEF_convert cvt);
// As RES_new, but an existing value gets a newline and the new value appended.
int RES_append(int index, const char* name, const char* data, DEF_convert cvt);
// Sets an unlisted resource (never converted).
int RES_put(const char* name, const char* value);
// The value; "" for a resource without a value; null for one never given.
const char* RES_get(const char* name);
// Converts the resource's value into data; 0 when it does not exist or data is null. The
// text of CV_strcpy goes only into a destination with its size (the second and third form).
int RES_getval(const char* name, void* data, DEF_convert cvt);
int RES_getval(const char* name, char* data, size_t size, DEF_convert cvt);
template <size_t N>
int RES_getval(const char* name, char (&data)[N], DEF_convert cvt) {
    return RES_getval(name, data, N, cvt);
}
// Splits the value into items (at newlines for CV_strings, else at commas); the count.
int RES_getvals(const char* name, int* paramc, char*** paramv);
// Stores the command line (kept by reference: argv must outlive the registry). Returns 1.
int RES_setCL(int argc, char** argv);
// The first command-line word as given, or null without a command line.
const char* RES_get_prog();
// Copies the program's base name into prog (RES_PROGNAME_MAX bytes; longer names are cut).
// With a null prog, a static field is used. Returns prog (or the field).
char* RES_get_progname(char* prog);
// One conversion of data into out. Returns 1; 0 when data is null (except for CV_batch,
// CV_help, and CV_bool with a destination) or when out is null for a conversion that needs
// a destination (all but CV_mess, CV_draw, CV_hour, CV_file_param, CV_plot_type, CV_batch and
// CV_help; CV_device still sets its run flag then). Text that does not fit the conversion
// leaves the destination unchanged and still gives 1. CV_strcpy needs the size of its
// destination (the forms below): through this form it copies nothing and gives 0.
int RES_conv_data(const char* data, void* out, DEF_convert cvt);
// CV_strcpy into out of size bytes: data cut to size - 1 characters, and 1; 0 when data or
// out is null, size is 0, or the conversion is another one (nothing is written then).
int RES_conv_data(const char* data, char* out, size_t size, DEF_convert cvt);
template <size_t N>
int RES_conv_data(const char* data, char (&out)[N], DEF_convert cvt) {
    return RES_conv_data(data, out, N, cvt);
}
// Device code from the first letter: p 4; h, q 5; m 3; w 6; anything else 1.
int RES_set_device(const char* str);
// Fills obj with the catalogue row of key (shared constant texts, never copied). A number
// without a row gets an empty name (skipped everywhere) and is printed on standard output
// whatever the message level. Returns 1.
int RES_enter(RES_defobj* obj, res_type key);
// Stores the fields of a keyed row (pos 0). Returns 1.
int RES_fill_obj(RES_defobj* obj, const char* def, const char* env, const char* cmd,
                 DEF_convert cvt, void* out, int* num);
// The help: name and version, usage, "-df" and "-na", one entry per declared number (keyed,
// then positional), all at level print. Returns 1.
int RES_help_print(const char* name, const res_type* res_key, const res_type* res_pos);
// One help entry: " %-10s  " with the option text, the help text, and any lines of its own.
// A number without an entry is printed on standard output as RES_enter does. Returns 1.
int RES_help_item(res_type res);
// Lists every resource in registry order ("name: value" or "name:") at level 0x00000008.
// Returns 0.
int RES_list();
// The program's definition table as RES_init built it (null before).
const RES_defobj* RES_get_table();
// Empties the registry and the table (a fresh start inside one process).
int RES_reset();

#endif
