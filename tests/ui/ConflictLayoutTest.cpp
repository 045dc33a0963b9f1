#include "ui/conflict/ConflictLayout.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

using C = MergeControl;

MergeGeometry laidOut(float w, float h) {
    const LayoutOutcome o = layoutPass(designedMergeLayout(), w, h);
    EXPECT_FALSE(o.correctedClient.has_value());
    return o.geometry.value_or(MergeGeometry{});
}

TEST(ConflictLayout, DesignedSizeLeavesEverythingAsDesigned) {
    EXPECT_EQ(laidOut(7560, 6750), designedMergeLayout().geometry);
}

TEST(ConflictLayout, LargerWindowGrowsBoxesAndMovesButtonsLinesAndNote) {
    const MergeGeometry g = laidOut(9000, 8100);
    const float tops[] = {120, 1683, 3246, 4809, 6372};
    const C boxes[] = {C::txtLocal, C::txtOriginal, C::txtServer, C::txtConflict1, C::txtConflict2};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(std::string(controlName(boxes[i])));
        EXPECT_EQ(g[boxes[i]], (TwipRect{120, tops[i], 6855, 1458}));
    }
    EXPECT_EQ(g[C::cmdLocal], (TwipRect{7080, 120, 1815, 615}));
    EXPECT_EQ(g[C::cmdOriginal], (TwipRect{7080, 1683, 1815, 615}));
    EXPECT_EQ(g[C::cmdServer], (TwipRect{7080, 3246, 1815, 615}));
    EXPECT_EQ(g[C::cmdBackup], (TwipRect{7080, 5892, 1815, 855}));
    EXPECT_EQ(g.line1, (TwipLine{6960, 5532, 7800, 5772}));
    EXPECT_EQ(g.line2, (TwipLine{7080, 7212, 7800, 6852}));
    EXPECT_EQ(g[C::Label1], (TwipRect{7200, 7590, 1695, 375}));
}

TEST(ConflictLayout, OnlyHeightGrown) {
    // Widths stay as designed; each box grows by the factor, the gaps stay 105; buttons follow their boxes.
    const MergeGeometry g = laidOut(7560, 13500);
    EXPECT_EQ(g[C::txtConflict2], (TwipRect{120, 120 + 4 * (2430 + 105), 5415, 2430}));
    EXPECT_EQ(g[C::cmdServer], (TwipRect{5640, g[C::txtServer].top, 1815, 615}));
    EXPECT_EQ(g[C::cmdBackup], (TwipRect{5640, g[C::txtConflict2].top - 480, 1815, 855}));
    EXPECT_EQ(g[C::Label1], (TwipRect{5760, 13500 - 510, 1695, 375}));
}

TEST(ConflictLayout, ClientSmallerThanDesignedSpringsBackFirst) {
    // Client width and height, and the size the window must take first.
    for (const auto& [w, h, expectW, expectH] : {std::array<float, 4>{7000, 7000, 7560, 7000},   // too narrow
                                                 std::array<float, 4>{8000, 6000, 8000, 6750},   // too low
                                                 std::array<float, 4>{100, 200, 7560, 6750}}) {  // both
        const LayoutOutcome o = layoutPass(designedMergeLayout(), w, h);
        EXPECT_FALSE(o.geometry.has_value());
        EXPECT_EQ(o.correctedClient, (std::array<float, 2>{expectW, expectH}));
        // The pass for the corrected size lays the controls out.
        EXPECT_TRUE(layoutPass(designedMergeLayout(), expectW, expectH).geometry.has_value());
    }
    MergeDesign broken = designedMergeLayout();  // a zero designed size lays nothing out
    broken.clientHeight = broken.clientWidth = 0;
    EXPECT_FALSE(layoutPass(broken, 9000, 8100).geometry || layoutPass(broken, 9000, 8100).correctedClient);
}

}  // namespace
}  // namespace korvane
