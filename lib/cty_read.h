// City database file: the text file that lists weather stations (name, state, region,
// identifier, plotting priority with two flags, position, elevation, WMO number), the
// station record CTY_data, where the file is looked for, and the low-level access: open,
// read one record, rewind, close. Only one database file is open at a time.
#ifndef JOX_CTY_READ_H
#define JOX_CTY_READ_H

inline constexpr int CTY_NAME_SIZE = 21;
inline constexpr int CTY_STATE_SIZE = 3;
inline constexpr int CTY_REGION_SIZE = 3;
inline constexpr int CTY_ID_SIZE = 10;

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
    float el;                      // -9999.0 when missing (above 9000 in the file)
    int wmo;
    int num;
} CTY_data;

// 0 read ("r"), 1 write ("w"); the file descriptor number, or -1.
int CTY_open(const char* filename, int f_access, int f_type);
// The number of fields converted (10 for a complete line); -1 when no file is open or at
// the end of the file.
int CTY_read(int city_fd, CTY_data* city);
int CTY_rewind(int city_fd);
int CTY_close(int city_fd);
// Finds and opens the database (resource city_file, then city_file, then "sao.cty", in the
// file_path directory); the descriptor or -1; the estimated station count (at least 1).
int CTY_open_file(const char* city_file, int* num_stats);

#endif
