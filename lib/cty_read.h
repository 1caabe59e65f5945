// City database file: the text file that lists weather stations (name, state, region,
// identifier, plotting priority with two flags, position, elevation, WMO number), the
// station record CTY_data, where the file is looked for, and the low-level access: open,
// read one record, rewind, close. Only one database file is open at a time: opening one
// closes the one before.
//
// One station a line, ten fields separated by blanks: name (20 characters), state (2),
// region (2), identifier (9), priority ("3", "*3", "3*" or "*3*"), latitude, longitude,
// elevation, WMO number and a trailing number. A text field longer than its width spills
// into the next field, as a width-limited read does; the priority field is cut to 4
// characters. Blank lines are passed over; a line is read up to 255 characters.
#ifndef JOX_CTY_READ_H
#define JOX_CTY_READ_H

#include <cstddef>
#include <string_view>
#include <vector>

inline constexpr int CTY_NAME_SIZE = 21;
inline constexpr int CTY_STATE_SIZE = 3;
inline constexpr int CTY_REGION_SIZE = 3;
inline constexpr int CTY_ID_SIZE = 10;
inline constexpr const char* CTY_DEFAULT_FILE = "sao.cty";  // the database looked for by default
inline constexpr int CTY_LINE_MAX = 255;  // characters of a line that are read; the rest is cut

typedef struct {
    char name[CTY_NAME_SIZE];      // upper case, no blanks
    char state[CTY_STATE_SIZE];    // "-" first: none
    char region[CTY_REGION_SIZE];  // country or region; "B_" marks "b" WMO keys
    char id[CTY_ID_SIZE];          // station identifier
    int prior;                     // plotting priority 0..9, lower is more important
    char mos;                      // '*' when the priority field began with '*'
    char ua;                       // '*' when the priority digit was followed by '*'
    float lat;
    float lon;
    float el;  // -9999.0 when missing (above 9000 in the file)
    int wmo;
    int num;
} CTY_data;

// f_access 0 reads ("r"), 1 writes ("w"); the file descriptor number, or -1 for another
// access or when the file cannot be opened.
int CTY_open(const char* filename, int f_access, int f_type);
// Reads the next line of the open file into city: the number of fields converted, in order
// up to the first that does not convert (10 for a complete line; a priority field without
// its digit does not convert). Fields not converted are left missing (texts empty, numbers
// -9999, WMO 99999); num is 0. -1 when no file is open or at the end of the file. The
// descriptor is not consulted.
int CTY_read(int city_fd, CTY_data* city);
// Back to the first line; -1 when no file is open, else 0.
int CTY_rewind(int city_fd);
// Closes the file; -1 when none is open, else 0.
int CTY_close(int city_fd);
// Finds and opens the database: the resource city_file when it has a value ("none": no
// database, -1 without a message), else city_file, else "sao.cty", joined to the resource
// file_path (a name too long to join is not found).
// Returns the descriptor, or -1 with a warning when it cannot be opened; *num_stats gets
// the station-count estimate (file size / 59, 1 to 4000).
int CTY_open_file(const char* city_file, int* num_stats);


// The station store reads a whole database at once and decodes a station's fields only when
// it is looked up; these give it the same reading of a line as CTY_read.

// Reads the rest of the open file into text, with every NUL byte turned into a blank (as
// CTY_read does in a line). Returns the number of bytes read, or -1 when no file is open.
long CTY_read_text(std::vector<char>* text);
// Decodes one line (length characters, at most CTY_LINE_MAX of them read) into city as
// CTY_read decodes a line: the number of fields converted (0 for a blank line).
int CTY_decode(const char* line, size_t length, CTY_data* city);

// What the station index reads of a line when it is loaded.
typedef struct {
    std::string_view id;  // the identifier field
    int prior;            // the priority digit
} CTY_keys;
// The line must be followed by a newline in its text (line[length] == '\n').
// 1 when the first five fields of the line are words that CTY_decode takes whole (a name of
// at most 20 characters, state and region of at most 2, an identifier of at most 9, a priority
// with its digit): keys then holds the identifier (a view into line) and the priority, as
// CTY_decode would give them. 0 for any other line, which only CTY_decode reads right.
int CTY_line_keys(const char* line, size_t length, CTY_keys* keys);

#endif
