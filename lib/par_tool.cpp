// Bulletin reader; see par_tool.h. (Arrives with the reader work.)
#include "par_tool.h"

PDB_record pdb = {};

int PAR_in_file(const char*) { return 0; }
int PAR_lookup(char*, char*) { return 0; }
int PAR_set_end(int) { return 0; }
int PAR_set_output(int) { return 0; }
int PAR_get_status(int) { return 0; }
int PAR_open(const Date*) { return -1; }
int PAR_close(int) { return 0; }
int PAR_search(int, char*) { return -1; }
int PAR_cmp(const char*, const char*, const char*) { return 1; }
unsigned long PAR_end(int, char*) { return 0; }
int fgetnline(FILE*, char*, int) { return -1; }
int fgetstring(FILE*, char*, int) { return -1; }
int PAR_set_identifier(const char*) { return 0; }
int PAR_identifier(int) { return -1; }
int PAR_zone_cmp(const char*, const char*) { return 0; }
int PAR_read(int, int, int, char*) { return -1; }
int PAR_out_file(const Date*) { return -1; }
int PAR_print(int, int) { return -1; }
int PAR_reset() { return 0; }
