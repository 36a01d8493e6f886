// What the board's build relies on: the sizes of records and table elements, and of the time-out.
#include <gtest/gtest.h>

#include <climits>

#include "CoordCube.h"
#include "CubieCube.h"
#include "FaceCube.h"
#include "TP.h"

namespace {

TEST(Platform, EnumerationsAndRecordsHaveTheirSizes) {
    EXPECT_EQ(sizeof(TP::Color), 4u);
    EXPECT_EQ(sizeof(TP::Facelet), 4u);
    EXPECT_EQ(sizeof(TP::Corner), 4u);
    EXPECT_EQ(sizeof(TP::Edge), 4u);
    EXPECT_EQ(sizeof(FaceCube), 54 * 4u);
    EXPECT_EQ(sizeof(CubieCube), 8 * 4u + 8 + 12 * 4u + 12);
    EXPECT_EQ(sizeof(CoordCube), 7 * 2u + 2 + 4);  // two bytes of padding before URtoDF
}

TEST(Platform, TableElementsHaveTheFilesSizes) {
    for (const auto& table : CoordCube::tableFiles) {
        EXPECT_TRUE(table.elementSize == 1 || table.elementSize == 2) << table.name;
    }
    EXPECT_EQ(sizeof(CoordCube::twistMove[0][0]), 2u);
    EXPECT_EQ(sizeof(CoordCube::MergeURtoULandUBtoDF[0][0]), 2u);
    EXPECT_EQ(sizeof(CoordCube::Slice_Flip_Prun[0]), 1u);
    EXPECT_TRUE(static_cast<short>(0xffff) == -1);
}

TEST(Platform, TheTimeOutIsALongOfThePointersWidth) {
    // 32 bits on the board: a time-out in units of 1024 ms must be widened before multiplying.
    EXPECT_EQ(sizeof(long), sizeof(void*));
    EXPECT_GE(LONG_MAX, 2147483647L);
}

}  // namespace
