// Present-weather codes and text; see wx_tool.h. (Arrives with the decoder work.)
#include "wx_tool.h"

const char* WX_metar_weather_text(const char*, char* wx_str) {
    wx_str[0] = '\0';
    return nullptr;
}
int WX_metar_weather(const char*, char* wx_str) {
    wx_str[0] = '\0';
    return 0;
}
int WX_wmo_weather(int, char* wx_str) {
    wx_str[0] = '\0';
    return 0;
}
int WX_weather_text(const char*, char* out_str) {
    out_str[0] = '\0';
    return 0;
}
const char* print_cloud(const char*) { return ""; }
