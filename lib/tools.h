// Station identifier conversion: stations known only by a five-digit WMO number get a
// five-character identifier made of the regional prefix of their number range (EN for
// 01000 to 01499, K2 for 72000 to 72999, U for 20000 to 29999, ...) and its low digits; the
// station store turns such identifiers back into numbers when it searches.
//
// The prefixes come from a fixed range table; numbers in no range keep their five digits.
// No state.
#ifndef JOX_TOOLS_H
#define JOX_TOOLS_H

#include <cstddef>

// Bytes an identifier needs for any int: sign, ten digits and the terminator.
inline constexpr int WMO_ID_SIZE = 12;
// The WMO number of a station that has none.
inline constexpr int WMO_MISSING = 99999;

// Writes the identifier of WMO number wmo into id (size bytes; a result that does not fit
// is cut): prefix and last four digits for a one-character prefix, prefix and last three
// digits for a two-character one, else the number with at least five digits ("%5.5d").
// Returns 0.
int wmo_to_id(char* id, size_t size, int wmo);
template <size_t N>
int wmo_to_id(char (&id)[N], int wmo) {
    return wmo_to_id(id, N, wmo);
}
// 0 when str is a prefixed identifier (five characters, a letter first, digits last three)
// and *wmo holds its number (a pair outside the table gives the three-digit number alone);
// else -1 with *wmo the number itself for five digits, otherwise 99999.
int id_to_wmo(const char* str, int* wmo);

#endif
