// tafcvt: converts the terminal aerodrome forecasts (TAF) of raw weather bulletin files
// into English sentences or a decoded listing. (The driver arrives with the converter work.)
#include "mess.h"
#include "system.h"

int main() {
    MESS_print_prog("TERMINAL FORECAST PARSER");
    return 0;
}
