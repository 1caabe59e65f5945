// Station store and search: loads the stations of the city database once into a hash table
// keyed by identifier and by WMO number (CTY_store) and finds them again (CTY_search), or
// finds one station by reading the file (CTY_get).
#ifndef JOX_CTY_TOOL_H
#define JOX_CTY_TOOL_H

#include "cty_read.h"
#include "maptran.h"

typedef struct {
    char id[11];
    int wmo;
    float x, y;  // map coordinates
    float el;
    int pr;      // priority
} CTY_locate;

// Loads the table; the database descriptor (the file stays open), or 0.
int CTY_store(const char* city_file, int type, const Domain* domain, int prior);
// 1 with the station copied into data (a CTY_data for store type 1), else 0.
int CTY_search(const char* id, void* data);
// Reads the database file for id (identifier, name or WMO number); 1 with data filled.
int CTY_get(const char* city_file, const char* id, CTY_data* data);
int CTY_get_loc(const char* city_file, const char* id, float* lat, float* lon);
int CTY_get_prior();
int CTY_data_cmp(int numid, char** ids, const CTY_data* data);

#endif
