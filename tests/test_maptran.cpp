// Map domains and transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "maptran.h"

namespace {

class MapTest : public ::testing::Test {
   protected:
    void TearDown() override { MAP_domain(nullptr); }
};

TEST_F(MapTest, UnsetDomain) {
    Domain d = MAP_unset_domain();
    EXPECT_EQ(d.proj, -9999);
    EXPECT_EQ(d.nx, -9999);
    EXPECT_EQ(d.ny, -9999);
    EXPECT_EQ(d.ellipse, 0);
    for (float f : {d.plat, d.plon, d.clat, d.clon, d.dx, d.dy, d.param[0], d.param[4]})
        EXPECT_FLOAT_EQ(f, -9999.0f);
}

TEST_F(MapTest, WithoutDomainEveryPositionIsItselfAndInside) {
    EXPECT_EQ(MAP_domain(nullptr), -1);
    float x = 0, y = 0;
    EXPECT_EQ(MAP_tran(&x, &y, 39.9f, -105.1f), 1);
    EXPECT_FLOAT_EQ(x, 39.9f);
    EXPECT_FLOAT_EQ(y, -105.1f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float pairs[][2] = {{0, 0}, {90, 180}, {-9999, -9999}, {1e30f, -1e30f}, {nan, nan}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(p[0]);
        EXPECT_EQ(MAP_in_grid_domain(p[0], p[1]), 1);
    }
    // a domain record whose projection says "none" is no domain either
    Domain none = MAP_unset_domain();
    EXPECT_EQ(MAP_domain(&none), 0);
    EXPECT_EQ(MAP_in_grid_domain(-50, 300), 1);
}

TEST_F(MapTest, DecodeBoxAndNone) {
    Domain d;
    for (const char* text : {"none", "NONE", ""}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(DOM_decode(text, &d), 1);
        EXPECT_EQ(d.proj, -9999);
    }
    EXPECT_EQ(DOM_decode(nullptr, &d), 1);
    EXPECT_EQ(d.proj, -9999);
    ASSERT_EQ(DOM_decode("45,-100,35,-110", &d), 1);  // corners in either order
    EXPECT_NE(d.proj, -9999);
    EXPECT_FLOAT_EQ(d.clat, 40.0f);
    EXPECT_FLOAT_EQ(d.clon, -105.0f);
    for (const char* bad :
         {"abc", "1,2,3", "1,2,3,4,5", "1,2,3,4 km", "nan,1,2,3", "1,inf,2,3", "1e50,1,2,3"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(DOM_decode(bad, &d), 0);
        EXPECT_EQ(d.proj, -9999);
    }
    EXPECT_EQ(DOM_decode("1,2,3,4", nullptr), 0);
}

TEST_F(MapTest, BoxDomainKeepsPositionsInside) {
    Domain d;
    ASSERT_EQ(DOM_decode("35,-110,45,-100", &d), 1);
    EXPECT_EQ(MAP_domain(&d), 0);
    struct Case {
        float lat, lon;
        int inside;
    } cases[] = {
        {39.85f, -104.66f, 1}, {35, -110, 1},   {45, -100, 1},
        {34.9f, -105, 0},      {40, -99.9f, 0}, {51.5f, -0.45f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lat << " " << c.lon);
        float x, y;
        EXPECT_EQ(MAP_tran(&x, &y, c.lat, c.lon), 1);
        EXPECT_EQ(MAP_in_grid_domain(x, y), c.inside);
    }
    // three grid spacings of margin
    d.dx = d.dy = 1.0f;
    MAP_domain(&d);
    EXPECT_EQ(MAP_in_grid_domain(32.5f, -112.5f), 1);
    EXPECT_EQ(MAP_in_grid_domain(31.5f, -105), 0);
    // the reference point falls back to the centre, and null clears the domain again
    EXPECT_EQ(MAP_domain(nullptr), -1);
    EXPECT_EQ(MAP_in_grid_domain(51.5f, -0.45f), 1);
}

TEST_F(MapTest, AProjectionNeverInheritsTheBoxBefore) {
    Domain box;
    ASSERT_EQ(DOM_decode("35,-110,45,-100", &box), 1);
    MAP_domain(&box);
    Domain other = MAP_unset_domain();
    other.proj = 5;  // a projection this library does not transform
    MAP_domain(&other);
    EXPECT_EQ(MAP_in_grid_domain(40, -105), 0);
}

}  // namespace
