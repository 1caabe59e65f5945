// Station store and search: loads the stations of the city database once into a hash table
// keyed by identifier and by WMO number (CTY_store) and finds them again (CTY_search), or
// finds one station by reading the file (CTY_get).
//
// CTY_store keeps the stations whose priority is at most the one asked for, that pass the
// selection list of the resource "identifier" (CTY_data_cmp) and that lie in the map domain.
// Store type 1 keeps whole CTY_data records, types 2 and 3 CTY_locate records (type 3 with
// a third key, the position in tenths of a degree). Key 1 is the identifier, key 2 the WMO
// number ("%05d", "b%05d" for region "B_"); a station without a WMO number (99999) has no
// key 2. Keys compare exactly. Records need the fields up to the WMO number; shorter lines
// are passed over.
//
// Store type 1 keeps the database text and an index of its stations by identifier and WMO
// key, and decodes a station's fields when it is first looked up: a converter loads every
// station but looks up only those of its reports.
//
// State: the table or index and its store type, and the database descriptor CTY_store leaves
// open; they last until the next CTY_store or CTY_reset. CTY_get remembers its last 16 answers
// with the identity of the file they came from (device, inode, size, modification time),
// and answers a question again without reading while the file is the same.
#ifndef JOX_CTY_TOOL_H
#define JOX_CTY_TOOL_H

#include <cstddef>

#include "cty_read.h"
#include "maptran.h"

typedef struct {
    char id[11];
    int wmo;
    float x, y;  // map coordinates
    float el;
    int pr;  // priority
} CTY_locate;

// Store types of CTY_store: the records the table hands out.
inline constexpr int CTY_STORE_DATA = 1;        // CTY_data records
inline constexpr int CTY_STORE_LOCATE = 2;      // CTY_locate records
inline constexpr int CTY_STORE_LOCATE_KEY = 3;  // CTY_locate records, with the position key
// The prior of CTY_store that takes the resource stat_prior (CTY_get_prior).
inline constexpr int CTY_PRIOR_RESOURCE = -9999;

// Loads the table (replacing an earlier one) from the database found as CTY_open_file
// finds it, for a store type CTY_STORE_*. Returns the database descriptor (the file stays
// open), or 0 when the database cannot be opened or type is none of them (the table is
// then empty).
int CTY_store(const char* city_file, int type, const Domain* domain, int prior);
// Looks id up: five digits or "b" and five digits by WMO key; five characters with a
// capital letter first and digits in places three to five by the WMO number id_to_wmo
// gives; anything else by identifier. 1 with the station copied into data, else 0. Store
// type 1 hands out CTY_data records, types 2 and 3 CTY_locate records: a destination of the
// other kind is never written and the result is 0. A null destination only asks whether
// the station is there.
int CTY_search(const char* id, CTY_data* data);
int CTY_search(const char* id, CTY_locate* data);
int CTY_search(const char* id, std::nullptr_t);
// Reads the database file for the first station whose identifier, name or WMO number
// ("%05d") equals id, ignoring case. 1 with data filled, else 0 (data then holds a cleared
// record). Opens and closes the file; reads it unless it answered id from the same file.
int CTY_get(const char* city_file, const char* id, CTY_data* data);
// CTY_get, then the station's position into *lat, *lon; 0 (outputs untouched) when not
// found.
int CTY_get_loc(const char* city_file, const char* id, float* lat, float* lon);
// The resource stat_prior as an integer; 10 when it is not set.
int CTY_get_prior();
// Tests a station against a selection list: 1 for an empty list, else the index of the
// first item that matches, or -1. An item is tests joined by ":" (Name=, ST=, ST, CN=, CN,
// ID=, RA< lat:lon:km, P=/</>, Lat=/</>, Lon=/</>, Elev=/</>, WMO=/</>), all of which must
// hold, or matches as a whole: five characters equal to the WMO number, the identifier, or
// more than four characters that begin the name (texts ignoring case).
int CTY_data_cmp(int numid, char** ids, const CTY_data* data);
// Empties the table and closes the database (a fresh start inside one process). Returns 0.
int CTY_reset();

#endif
