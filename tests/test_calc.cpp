// Earth geometry.
#include <gtest/gtest.h>

#include "calc.h"

namespace {

TEST(EarthDist, KnownDistances) {
    struct Case {
        const char* what;
        float lat1, lon1, lat2, lon2, km, tolerance;
    } cases[] = {
        // a quarter of the circumference: pi / 2 * 6371.3
        {"equator, 90 degrees apart", 0, 0, 0, 90, 10008.0f, 1.0f},
        {"pole to equator", 90, 0, 0, 45, 10008.0f, 1.0f},
        {"antipodes", 0, 0, 0, 180, 20016.1f, 2.0f},
        {"one degree of latitude", 40, -105, 41, -105, 111.2f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(calc_earth_dist(c.lat1, c.lon1, c.lat2, c.lon2), c.km, c.tolerance);
        EXPECT_NEAR(calc_earth_dist(c.lat2, c.lon2, c.lat1, c.lon1), c.km, c.tolerance);
    }
}

TEST(EarthDist, SamePointIsZeroNotUndefined) {
    const float points[][2] = {{0, 0},          {39.9f, -105.1f}, {-33.95f, 151.18f},
                               {89.99f, 12.3f}, {51.47f, -0.46f}, {40.64f, -73.78f}};
    for (const auto& p : points) {
        SCOPED_TRACE(p[0]);
        EXPECT_FLOAT_EQ(calc_earth_dist(p[0], p[1], p[0], p[1]), 0.0f);
        // a hundredth of a degree of latitude is 1.11 km, not lost in rounding
        EXPECT_NEAR(calc_earth_dist(p[0], p[1], p[0] - 0.01f, p[1]), 1.112f, 0.01f);
    }
}

}  // namespace
