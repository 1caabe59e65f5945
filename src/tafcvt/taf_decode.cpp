// TAF report decoder; see taf.h. (Arrives with the decoder work.)
#include "taf.h"

int english = 1;
M_type raw_mes = MESS_OUT2;
M_type dec_mes = MESS_PRINT;
const char* id = nullptr;
Date file_date = {};

int TAF_decode(const char*) { return 0; }
int TAF_print_city(CTY_data*) { return 0; }
int TAF_output_reset() { return 0; }
int TAF_format(const char*, ...) { return 0; }
int TAF_print() { return 0; }
int TAF_decode_wx(const char*) { return 0; }
