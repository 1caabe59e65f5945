// Earth geometry for the station selection: the great-circle distance between two
// positions. No state.
#ifndef JOX_CALC_H
#define JOX_CALC_H

// Great-circle distance in km between two positions in degrees, on a sphere of radius
// 6371.3 km; 0 for the same point.
float calc_earth_dist(float lat1, float lon1, float lat2, float lon2);

#endif
