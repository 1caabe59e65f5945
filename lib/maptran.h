// Map domains and transforms: the one active map domain of a program, the transform of earth
// positions into map coordinates and the inside-the-domain test through which the station
// store keeps only the stations of a domain.
//
// The converter always works without a domain (proj -9999): every position then transforms
// to itself and every position is inside. Projections proper are not supported; a domain
// with a projection is kept and its test uses the recorded limits.
#ifndef JOX_MAPTRAN_H
#define JOX_MAPTRAN_H

inline constexpr int MAP_NO_PROJ = -9999;

typedef struct {
    int proj;        // projection code; -9999: no domain
    float plat;      // projection pole or reference point (-9999: use clat/clon)
    float plon;
    float param[5];  // projection parameters
    float clat;      // centre of the domain
    float clon;
    float dx;        // grid spacing in map units
    float dy;
    int nx;          // grid size in points
    int ny;
    int ellipse;     // 1: ellipsoidal earth where supported
} Domain;

typedef struct {
    float x_min, x_max, y_min, y_max;
} MAP_limits;

typedef struct {
    float x, y;
} Point;

typedef struct {
    float lat, lon;
} EarthPoint;

// An unset domain: proj, nx, ny -9999, every float -9999.0, ellipse 0.
Domain MAP_unset_domain();
// Makes dom the active domain; null means no domain and gives -1, else 0.
int MAP_domain(const Domain* dom);
// Map position of an earth position; 1 when it can be shown (always without a domain).
int MAP_tran(float* x, float* y, float lat, float lon);
// 1 when a map position lies inside the active domain (always without a domain).
int MAP_in_grid_domain(float x, float y);
// Decodes a plot domain or region text into dom: "none" (or an empty text) is no domain;
// otherwise "lat1,lon1,lat2,lon2" gives a latitude/longitude box. Returns 1 when decoded,
// 0 when the text was not understood (dom then unset).
int DOM_decode(const char* str, Domain* dom);

#endif
