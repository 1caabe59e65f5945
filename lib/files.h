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
// State is module-wide: the active template, the current name and date, the fixed date
// fields and the sequence. Unless stated, functions return 0.
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
int FILE_fullpath(const char* filename);
// Joins path and file into filename (FILE_NAME_MAX bytes) and returns filename. A
// standard-stream or full-path file is copied unchanged. A result that would not fit is
// refused: filename becomes empty.
char* FILE_add_path(const char* path, const char* file, char* filename);
// Appends "/" to a non-empty path that does not end in one, when size leaves room.
int FILE_add_path_delim(char* path, size_t size);
template <size_t N>
int FILE_add_path_delim(char (&path)[N]) {
    return FILE_add_path_delim(path, N);
}
// Writes file with a leading "~" or "~user" expanded into filename (FILE_NAME_MAX bytes);
// an expansion that would not fit leaves filename empty.
int FILE_add_user_path(const char* file, char* filename);
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

// Loads the template of a file type ("@template" gives one directly, "none" none; ":k=v"
// suffixes set keys). 1 when a template was found or given, else 0.
int FILE_set_name(char* type);
int FILE_set_key(char key, const char* str);
// Builds the name for a date (null: the module's file date) into out_file (FILE_NAME_MAX
// bytes). 0 when built from the template; 1 for a fixed name, standard stream or no template.
int FILE_set_date(const Date* datim, char* out_file);
// Builds the header-index file name; 1 when a non-empty name resulted.
int FILE_hdr_set_date(const Date* datim, char* out_file);
// Reads a user-given name against the template, completing it into out_file and taking its
// date.
int FILE_set_file(const char* file, char* out_file);
// Copies the current name into str (when not null); returns the current name.
const char* FILE_get_filename(char* str);
int FILE_save_name_conv();
int FILE_restore_name_conv();
// Sets the fixed date fields (a copy of datim).
int FILE_set_time(const Date* datim);
// Copies the fixed date fields into datim.
int FILE_get_time(Date* datim);

// ---- Date selection and sequencing ----

// Chooses the first input file; copies its name to outfile when not null. 1 when it exists.
int FILE_get_file_only(const char* prompt, char* outfile);
// Lists the existing files of the active template (shell listing). Returns 0.
int FILE_list_file();
// Chooses the file for a time-selection text (null means "la"); writes its name into
// filename. Returns the chosen time brought down to the template step.
int64_t FILE_set_current(const char* cur, char* filename);
int FILE_get_date(Date* date);
int FILE_first(const Date* datim);
// Writes the next file name of the run into file; 1 while there is one, 0 at the end.
int FILE_get_next(char* file);
int FILE_num_hour();
int FILE_get_skip();
int FILE_get_offset();
int FILE_set_date_off(Date* datim, int offset, char* out_file);
// Back to the start state (a fresh run inside one process).
int FILE_reset();

#endif
