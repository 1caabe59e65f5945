// Earth geometry; see calc.h.
#include "calc.h"

#include <cmath>

namespace {

constexpr double DEG_TO_RAD = 0.017453292519943334;
constexpr double EARTH_RADIUS_KM = 100.0 * 63.713;

}  // namespace

float calc_earth_dist(float lat1, float lon1, float lat2, float lon2) {
    if (lat1 == lat2 && lon1 == lon2) return 0.0f;
    // The angle comes from the product of the two unit vectors. It is worked in double
    // precision: in single precision the product of a vector with itself can miss 1 by one
    // unit, which already reads as 3 km.
    double la1 = lat1 * DEG_TO_RAD, lo1 = lon1 * DEG_TO_RAD;
    double la2 = lat2 * DEG_TO_RAD, lo2 = lon2 * DEG_TO_RAD;
    double dot = std::cos(la1) * std::cos(lo1) * std::cos(la2) * std::cos(lo2) +
                 std::cos(la1) * std::sin(lo1) * std::cos(la2) * std::sin(lo2) +
                 std::sin(la1) * std::sin(la2);
    // Rounding can still carry the product just past 1, where the arc cosine has no value.
    if (dot > 1.0) dot = 1.0;
    if (dot < -1.0) dot = -1.0;
    return static_cast<float>(std::acos(dot) * EARTH_RADIUS_KM);
}
