// Files: path and file utilities, file-name conventions, and the choice of input files by
// date.
//
// Path utilities: joining a directory and a name, the names that stand for the standard
// streams ("", "-", "std", "stdn"), "~" and "~user" expansion, existence/kind/size tests,
// creating the missing directories of a path (mode 0755), and one opening call for files,
// standard streams and pipes ("|command"). File names hold at most FILE_NAME_MAX - 1
// characters; longer names are refused (an empty result or a null stream), never cut into
// another name.
//
// Name conventions: each file type has a name template in the name-convention file; a
// template is expanded for a date into a file name, and a name typed by the user is read
// against it, which completes the name and yields its date.
//
// Date selection: the first file (named, latest, relative to now), then a sequence of files
// spaced by the template's time step over a span of hours.
//
// State is module-wide: the active template, the keys, the current name and whether the
// user fixed it, the file date, the fixed date fields and the sequence. Unless stated,
// functions return 0.
#ifndef JOX_FILES_H
#define JOX_FILES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "date.h"

inline constexpr int FILE_NAME_MAX = 160;      // buffer size of a file name
inline constexpr int FILE_MAKE_DIR_MAX = 100;  // buffer size of a directory being created
inline constexpr int FILE_USER_MAX = 20;       // buffer size of a user name after "~"
inline constexpr int FILE_KEY_MAX = 30;        // buffer size of a key value
inline constexpr int FILE_EXT_MAX = 20;        // buffer size of the type extension

// ---- Path and file utilities ----

// 1 when the name starts with "/", "." or "~" and so needs no directory in front.
int FILE_fullpath(const char* name);
// Joins path and file into joined_name (FILE_NAME_MAX bytes) and returns it. A
// standard-stream or full-path file is copied unchanged. A result that would not fit is
// refused: joined_name becomes empty. joined_name may be path or file itself.
char* FILE_add_path(const char* path, const char* file, char* joined_name);
// Appends "/" to a non-empty path that does not end in one, when size leaves room.
int FILE_add_path_delim(char* path, size_t size);
template <size_t N>
int FILE_add_path_delim(char (&path)[N]) {
    return FILE_add_path_delim(path, N);
}
// Writes file with a leading "~" or "~user" expanded into out (FILE_NAME_MAX bytes); an
// expansion that would not fit leaves out empty. out may be file itself.
int FILE_add_user_path(const char* file, char* out);
// 1 for a standard-stream name or an existing file or directory.
int FILE_exist(const char* file);
// 1 for "", "-", "std" or "stdn" (any case).
int FILE_is_stdio(const char* file);
int FILE_is_dir(const char* file);
// Size in bytes, or -1 when the file cannot be examined.
int64_t FILE_size(const char* file);
// Creates the missing directories of dir ("\\" turned into "/" in place); with flag 1 the
// last piece is a file name. Returns 1 when the parent directory existed already, else 0.
int FILE_make_dir(char* dir, int flag);
// A standard stream, a pipe to a command ("|cmd") or a file; null on failure. For writing
// and appending the missing directories are created first. Close with FILE_close.
FILE* FILE_open(const char* file, const char* access);
// Closes a stream from FILE_open: waits for a command, leaves the standard streams open
// (flushed). Returns the close result.
int FILE_close(FILE* stream);

// ---- Name conventions ----
//
// A template mixes literal text, data directories and date fields: %Y %y %m %b %d %j %h %n
// (an optional width between "%" and the letter brings the value down to a multiple of it
// and sets the time step), %e (the extension of a partially matching type), %C %D %F %R %G
// %W %I %T %M %S (the directory resources, "." when unset), %{name} (a resource), %% and %k
// (the value of key k, "0" when empty; with a width at most that many characters). "{" and
// "}" mark a directory group for reading names; a blank builds "_". A width of 0 brings
// nothing down and adds no time step. Names built or read never exceed FILE_NAME_MAX - 1
// characters: a longer one is refused with a warning (an empty name and a result of -1),
// never cut into another name.

// Loads the template of a file type from the name-convention file (resource name_conv, in
// the file_path directory): the first line naming the type or a prefix of it wins; a prefix
// sets the extension to the type's text after its last "_". "@template" gives a template
// directly, "none" (any case) none; ":k=value" suffixes set keys and are cut off the
// caller's text. Clears the current name (filename type 0). 1 when a template was found or
// given; 0 otherwise, the type text then being its own template (a missing convention file
// is reported at warn).
int FILE_set_name(char* type);
// Stores at most FILE_KEY_MAX - 1 characters of str as the value of key, blanks turned into
// "_". Characters outside 7-bit ASCII are not keys and are ignored. Returns 0.
int FILE_set_key(char key, const char* str);
// Builds the name for a date (null: the module's file date) into out_file (FILE_NAME_MAX
// bytes), recording the date fields used as the file date and the template's time step.
// 0 when built from the template; 1 for a fixed name, the standard stream or no template;
// -1 when the name would be too long (out_file empty).
int FILE_set_date(const Date* datim, char* out_file);
// Builds the header-index file name for a date (null: the file date) from the type's header
// template, beside a user-given file when there is one. The current name, file date and
// time step are left alone. 1 when a non-empty name resulted; 0 (out_file empty) without a
// header template, without a year, or for a refused name.
int FILE_hdr_set_date(const Date* datim, char* out_file);
// Reads a user-given name against the template, completing it into out_file and taking
// its date (a "#date" suffix fixes date fields). "@name" is used as it stands, "-" and the
// other standard-stream names give "-", "la", "cu..." and "#..." choose by time
// (FILE_set_current), "exit" ends the program. The result becomes the current name; every
// name but a choice by time is one the user fixed (FILE_get_filename_type 1). 0, or -1 for
// a refused (over-long) name (out_file and the current name empty).
int FILE_set_file(const char* file, char* out_file);
// Copies the current name into str (FILE_NAME_MAX bytes, when not null); returns it.
const char* FILE_get_filename(char* str);
// FILE_NAME_FIXED when the current name is one the user fixed (a command argument or a
// prompt answer, "@name" too, or any name when there is no template): it is to be opened as
// it stands. FILE_NAME_BY_DATE when it was chosen by date and is to be rebuilt from the date
// for its file type.
inline constexpr int FILE_NAME_BY_DATE = 0;
inline constexpr int FILE_NAME_FIXED = 1;
int FILE_get_filename_type();
// Saves (one level; a second save overwrites the first) and restores the template, header
// template, extension, minimum size, time step, current name and its type. Return 0.
int FILE_save_name_conv();
int FILE_restore_name_conv();
// Sets the fixed date fields (a copy of datim): per field -9999 free, 0 or more fixed; a
// negative day steps by -day days; a negative hour or minute -(offset*100 + step) steps by
// step from offset (-312: every 12 hours at 03 and 15).
int FILE_set_time(const Date* datim);
// Copies the fixed date fields into datim.
int FILE_get_time(Date* datim);

// ---- Date selection and sequencing ----
//
// "Now" is the current time, or the date in the environment variable joxcurtime
// ("[#]YYYYMMDDHHMM"). A time text: an optional "#" date, a signed offset (hours[:minutes],
// or days "d" [hours][:minutes]; unsigned counts back), "la" or "l" (the latest existing
// file, at most 500 template steps back, "#N" steps, forward after "+"; at most 100000),
// and a second offset. A file exists for the search when it is larger than the type's
// minimum size.

// Chooses the first input file from the resource filename (its first value; "list" lists
// the files and ends the program), the resource current, "la" in batch mode, or a prompt;
// copies its name to outfile (FILE_NAME_MAX bytes) when not null. 1 when it exists, else 0.
int FILE_get_file_only(const char* prompt, char* outfile);
// Lists the existing files of the active template with "ls -x" (the listing goes straight
// to the standard output). A command longer than 79 characters is not run (warning).
// Returns 0.
int FILE_list_file();
// Chooses the file for a time text (null means "la") and writes its name into filename
// (FILE_NAME_MAX bytes; may be null). Returns the chosen time brought down to the step.
int64_t FILE_set_current(const char* cur, char* filename);
// Copies the date of the last name built or read. Returns 0.
int FILE_get_date(Date* date);
// The date of a file whose name gives none: for a standard-stream name (or null) "now"
// (joxcurtime honoured), otherwise the file's modification time; UTC, every field set. 0, or
// -1 (date unchanged) when the file cannot be examined.
int FILE_time_date(const char* file, Date* date);
// Starts the run from datim (null: the file date): the command arguments, the span and
// spacing of resource num_hour ("[-]hours[:minutes][,hours[:minutes]]"). Returns 0.
int FILE_first(const Date* datim);
// Writes the next file name of the run into file (FILE_NAME_MAX bytes): the named files in
// order, or the files spaced by the template step (or the largest multiple of it within the
// requested spacing) over the span. 1 while there is one, 0 at the end.
int FILE_get_next(char* file);
// The span in seconds (0 without num_hour).
int FILE_num_hour();
// The requested spacing in seconds (the template step without one).
int FILE_get_skip();
// The template's time step in seconds, or 100000 when it has none.
int FILE_get_offset();
// Builds the name for datim (normalised in place) + offset seconds into out_file; returns
// offset in template steps.
int FILE_set_date_off(Date* datim, int offset, char* out_file);
// Back to the start state (a fresh run inside one process).
int FILE_reset();

#endif
