// Map domains and transforms; see maptran.h.
#include "maptran.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "string.h"

namespace {

// A latitude/longitude box: map coordinates are the earth coordinates themselves.
constexpr int PROJ_LATLON_BOX = 0;

constexpr MAP_limits UNSET_LIMITS = {-9999.0f, -9999.0f, -9999.0f, -9999.0f};
constexpr float GRID_MARGIN = 3.0f;  // grid spacings accepted around the domain

Domain domain = MAP_unset_domain();  // the active domain; proj -9999: none
MAP_limits limits = UNSET_LIMITS;    // map extent of the active domain

}  // namespace

Domain MAP_unset_domain() {
    Domain d;
    d.proj = MAP_NO_PROJ;
    d.plat = d.plon = -9999.0f;
    for (float& p : d.param) p = -9999.0f;
    d.clat = d.clon = d.dx = d.dy = -9999.0f;
    d.nx = d.ny = MAP_NO_PROJ;
    d.ellipse = 0;
    return d;
}

int MAP_domain(const Domain* dom) {
    limits = UNSET_LIMITS;  // a domain never inherits the extent of the one before
    if (dom == nullptr) {
        domain = MAP_unset_domain();
        return -1;
    }
    domain = *dom;
    if (domain.plat == -9999.0f) domain.plat = domain.clat;
    if (domain.plon == -9999.0f) domain.plon = domain.clon;
    if (domain.proj == PROJ_LATLON_BOX)
        limits = {domain.param[0], domain.param[2], domain.param[1], domain.param[3]};
    return 0;
}

int MAP_tran(float* x, float* y, float lat, float lon) {
    *x = lat;
    *y = lon;
    return 1;
}

int MAP_in_grid_domain(float x, float y) {
    if (domain.proj == MAP_NO_PROJ) return 1;
    float mx = domain.dx > 0.0f ? GRID_MARGIN * domain.dx : 0.0f;
    float my = domain.dy > 0.0f ? GRID_MARGIN * domain.dy : 0.0f;
    return (x >= limits.x_min - mx && x <= limits.x_max + mx && y >= limits.y_min - my &&
            y <= limits.y_max + my)
               ? 1
               : 0;
}

int DOM_decode(const char* str, Domain* dom) {
    if (dom == nullptr) return 0;
    *dom = MAP_unset_domain();
    if (str == nullptr || *str == '\0' || stricmp(str, "none") == 0) return 1;
    float lat1, lon1, lat2, lon2;
    int used = 0;
    if (sscanf(str, "%f,%f,%f,%f %n", &lat1, &lon1, &lat2, &lon2, &used) != 4 || str[used] != '\0')
        return 0;
    for (float v : {lat1, lon1, lat2, lon2})
        if (!std::isfinite(v)) return 0;
    dom->proj = PROJ_LATLON_BOX;
    dom->param[0] = lat1 < lat2 ? lat1 : lat2;
    dom->param[1] = lon1 < lon2 ? lon1 : lon2;
    dom->param[2] = lat1 < lat2 ? lat2 : lat1;
    dom->param[3] = lon1 < lon2 ? lon2 : lon1;
    dom->clat = (lat1 + lat2) / 2.0f;
    dom->clon = (lon1 + lon2) / 2.0f;
    dom->dx = dom->dy = 0.0f;
    return 1;
}
