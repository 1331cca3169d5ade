#include <gtest/gtest.h>

#include "TestSupport.h"

namespace molfo {
namespace {

TEST(CollisionGrid, FillMakesWallBorderAndPlayfield) {
    test::TestGame t;
    t.s.ChousaMap.Fill();
    struct Case { int x, y; int16_t v; } cases[] = {
        {-81, 0, cell::OuterWall}, {-80, 0, cell::Border}, {-1, 0, cell::Border}, {0, 0, cell::Free},
        {500, 500, cell::Free}, {501, 500, cell::Border}, {580, 580, cell::Border}, {581, 0, cell::OuterWall},
        {-100, -100, cell::OuterWall}, {600, 600, cell::OuterWall},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.s.ChousaMap.at(c.x, c.y), c.v) << "grid cell (" << c.x << ", " << c.y << ")";
}

}  // namespace
}  // namespace molfo
