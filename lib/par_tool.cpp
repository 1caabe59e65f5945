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
namespace {

// Reads up to len characters that are not a newline into string (terminated). The count
// read, 0 when the next character is a newline (nothing consumed), -1 at the end of the file.
int read_line_part(FILE* ifile, char* string, int len) {
    int n = 0;
    int c = EOF;
    while (n < len && (c = getc_unlocked(ifile)) != EOF && c != '\n') string[n++] = static_cast<char>(c);
    if (c == '\n') ungetc(c, ifile);
    string[n] = '\0';
    if (n == 0 && c == EOF) return -1;
    return n;
}

}  // namespace

int fgetnline(FILE* ifile, char* string, int len) {
    if (ifile == nullptr || string == nullptr || len < 0) return -1;
    int n = read_line_part(ifile, string, len);
    if (n == 0) {
        (void)getc_unlocked(ifile);  // the newline that ended the previous line
        n = read_line_part(ifile, string, len);
    }
    return n;
}

int fgetstring(FILE* ifile, char* string, int len) {
    int n = fgetnline(ifile, string, len);
    return n > 0 ? 1 : n;
}
int PAR_set_identifier(const char*) { return 0; }
int PAR_identifier(int) { return -1; }
int PAR_zone_cmp(const char*, const char*) { return 0; }
int PAR_read(int, int, int, char*) { return -1; }
int PAR_out_file(const Date*) { return -1; }
int PAR_print(int, int) { return -1; }
int PAR_reset() { return 0; }
