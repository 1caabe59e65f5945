// Defaults files: plain text files of "key value" lines that give resources values without
// options, read along the defaults search path at start-up (the resource registry drives the
// reading and stores what matches). A key names a program and a resource ("tafcvt.identifier"),
// optionally with "*" wildcards ("*identifier", "*path"); tags defined on the search path
// ("+tag") or by DEF lines select blocks between IF/ELIF/ELSE/END lines. The same key name,
// prefixed with "jox", is also the first environment variable that can set a resource.
//
// State: the open defaults file, the program name and title used in key names, the defined
// tags (at most DEF_TAG_MAX, kept as copies), the open IF levels (at most DEF_LEVEL_MAX) and
// the built-in search path once built (it outlives DEF_reset).
// Tags, IF levels and whether lines are in force carry over from one file to the next;
// DEF_clr_tag clears only the tags.
//
// Limits: lines DEF_LINE_MAX characters (the rest of a longer line is dropped), keys
// DEF_KEY_MAX, values DEF_VALUE_MAX (an entry with a longer key or value is skipped with a
// warning), file names DEF_FILE_MAX (a longer name is not opened), program name and title
// DEF_NAME_MAX (a longer title is cut). Loops over file lines give up after DEF_MAX_LINES
// lines with a warning.
#ifndef JOX_DEF_READ_H
#define JOX_DEF_READ_H

#include <cstddef>

inline constexpr int DEF_LINE_MAX = 249;  // characters of one defaults-file line
inline constexpr int DEF_KEY_MAX = 49;    // characters of a key
inline constexpr int DEF_KEY_SIZE = DEF_KEY_MAX + 1;
inline constexpr int DEF_VALUE_MAX = 199;  // characters of a value (and of a tag)
inline constexpr int DEF_VALUE_SIZE = DEF_VALUE_MAX + 1;
inline constexpr int DEF_FILE_MAX = 79;   // characters of a defaults file name with its folder
inline constexpr int DEF_NAME_MAX = 29;   // characters of the program name and of the title
inline constexpr int DEF_TAG_MAX = 10;    // tags defined at once
inline constexpr int DEF_LEVEL_MAX = 10;  // IF levels open at once
inline constexpr int DEF_MAX_LINES = 100000;

// The fixed head of the search path used when the resource "default" is not set; the
// folders of the running program's own installation follow it (DEF_search_path).
inline constexpr const char* DEF_SEARCH_PATH = ".:/home/jox/etc:/usr/local/jox/etc";

// Writes into out (size bytes) the built-in search path of a program that stands at exe, an
// absolute file name such as the system gives for a running program: DEF_SEARCH_PATH, then
// "<prefix>/etc/<name>", where <prefix> is the folder above the one exe stands in and <name>
// is exe's own file name, then "/etc/<name>" when <prefix> is "/usr" (a package's defaults
// file lives outside its prefix). An installed program thus finds the defaults file its
// installation wrote, wherever that is, after the site's folders. A folder longer than a file
// name (FILE_NAME_MAX - 1 characters), holding the path's separator ":", or not fitting in
// out is left out whole, never cut; so is everything after DEF_SEARCH_PATH when exe is null,
// relative or ends in "/". (DEF_open still refuses, with a warning, a folder whose defaults
// file name would pass DEF_FILE_MAX.) -1 (out empty when size allows) when out cannot hold
// DEF_SEARCH_PATH; else 0.
int DEF_build_search_path(const char* exe, char* out, size_t size);
// The built-in search path of the running program (DEF_build_search_path on the file the
// system names /proc/self/exe; DEF_SEARCH_PATH alone when it cannot be read whole). Built at
// the first call and kept for the run, as the program does not move.
const char* DEF_search_path();
// Opens a defaults file, closing any open one first. A null or empty name means ".joxdef";
// a folder means the first of its "jox.cfg", ".joxdef" and "Jox.res" that exists (else its
// "Jox.res"). The names of the standard streams ("-", "std", "stdn") are not opened: standard
// input carries the program's data. 0 when open, -1 when not (nothing printed, except for a
// name too long).
int DEF_open(const char* filename);
// Closes the defaults file. 0.
int DEF_close();
// Sets the program name from the base name of the first command-line word. 0.
int DEF_prog();
// Sets the program title (option "-na"); null or empty clears it. 0.
int DEF_name(const char* name);
// Forgets all tags. 0.
int DEF_clr_tag();
// Defines a tag (a copy of str). A tag already defined (case ignored) stays defined once.
// -1 when DEF_TAG_MAX tags are defined or str is null, empty or longer than DEF_VALUE_MAX;
// else 0.
int DEF_tag(const char* str);
// Reads up to the next entry in force: its key (lower case, a trailing ":" removed) into
// resrc (DEF_KEY_SIZE bytes), its value into value (DEF_VALUE_SIZE bytes; a value starting
// with a double quote runs to the next double quote or the line end). Returns 1 for an
// entry, -1 at the end of the file, when no file is open or a buffer is null.
int DEF_get(char* resrc, char* value);
// 1 when the key string selects the resource named resrc of this program, else 0.
int DEF_cmp(const char* resrc, const char* string);
// 1 when the key string applies to this program (its last part taken as the resource
// name, which must not be empty), else 0.
int DEF_valid(const char* string);
// Copies the part of the key str after its last "." or "*" into ostr (DEF_KEY_SIZE bytes). 1.
int DEF_parse_name(const char* str, char* ostr);
// Finds the environment variable that sets the resource resrc: "jox" + its key name, then
// env (when given), then "jox" + resrc. Returns 1 with *value pointing at the variable's
// text as it stands (any length; not copied), or 0 with *value null.
int DEF_env(const char* resrc, const char* env, const char** value);
// Back to the start state, closing any file (a fresh run inside one process). 0.
int DEF_reset();

#endif
