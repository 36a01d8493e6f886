// What the board's build relies on: the sizes of the records and of the tables the files fill.
#include <gtest/gtest.h>

#include "cube/CubieCube.h"
#include "cube/TP.h"
#include "tables/CoordCube.h"

namespace {

TEST(Platform, RecordsAndTablesHaveTheirSizes) {
    EXPECT_EQ(sizeof(TP::Color) + sizeof(TP::Facelet) + sizeof(TP::Corner) + sizeof(TP::Edge), 16u);
    EXPECT_EQ(sizeof(CubieCube), 8 * 4u + 8 + 12 * 4u + 12);
    EXPECT_EQ(sizeof(CoordCube), 7 * 2u + 2 + 4);  // two bytes of padding before URtoDF
    // The twelve tables are the raw images of the files, 4368335 bytes in all.
    using C = CoordCube;
    EXPECT_EQ(sizeof C::twistMove + sizeof C::flipMove + sizeof C::FRtoBR_Move +
                  sizeof C::URFtoDLF_Move + sizeof C::URtoDF_Move + sizeof C::URtoUL_Move +
                  sizeof C::UBtoDF_Move + sizeof C::MergeURtoULandUBtoDF +
                  sizeof C::Slice_URFtoDLF_Parity_Prun + sizeof C::Slice_URtoDF_Parity_Prun +
                  sizeof C::Slice_Twist_Prun + sizeof C::Slice_Flip_Prun,
              4368335u);
}

}  // namespace
