#include "ui/conflict/ConflictLayout.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

using C = MergeControl;

// Client width and height -> either the size the window must take first (a side smaller than designed
// grows back), or the geometry: all extra width goes to the boxes, extra height is shared among them in
// proportion (the gaps stay 105), buttons follow their boxes at the right edge, the backup button and
// the lines follow the last box, the note keeps its distance from the right and bottom edges.
TEST(ConflictLayout, ClientSizeGivesGeometry) {
    struct Row {
        std::array<float, 2> client;
        std::array<float, 2> corrected;  // {0, 0} when the pass lays out
        std::array<float, 5> boxTops;
        std::array<float, 5> sizes;  // box width and height, button left, backup top, note top
        std::array<float, 8> lines;  // line 1, line 2
    };
    const Row rows[] = {
        {{7560, 6750},
         {},
         {120, 1440, 2760, 4080, 5400},
         {5415, 1215, 5640, 4920, 6240},
         {5520, 4560, 6360, 4800, 5640, 6240, 6360, 5880}},
        {{9000, 8100},
         {},
         {120, 1683, 3246, 4809, 6372},
         {6855, 1458, 7080, 5892, 7590},
         {6960, 5532, 7800, 5772, 7080, 7212, 7800, 6852}},
        {{7560, 13500},
         {},
         {120, 2655, 5190, 7725, 10260},
         {5415, 2430, 5640, 9780, 12990},
         {5520, 9420, 6360, 9660, 5640, 11100, 6360, 10740}},
        {{7000, 7000}, {7560, 7000}, {}, {}, {}},
        {{8000, 6000}, {8000, 6750}, {}, {}, {}},
        {{100, 200}, {7560, 6750}, {}, {}, {}},
    };
    const C boxes[] = {C::txtLocal, C::txtOriginal, C::txtServer, C::txtConflict1, C::txtConflict2};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.client[0] << " x " << r.client[1]);
        const LayoutOutcome o = layoutPass(designedMergeLayout(), r.client[0], r.client[1]);
        if (r.corrected[0] != 0) {
            EXPECT_FALSE(o.geometry.has_value());
            EXPECT_EQ(o.correctedClient, r.corrected);
            continue;
        }
        ASSERT_FALSE(o.correctedClient.has_value());
        const MergeGeometry g = o.geometry.value();
        const auto [boxWidth, boxHeight, buttonLeft, backupTop, noteTop] = r.sizes;
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(g[boxes[i]], (TwipRect{120, r.boxTops[i], boxWidth, boxHeight})) << i;
        }
        EXPECT_EQ(g[C::cmdLocal], (TwipRect{buttonLeft, r.boxTops[0], 1815, 615}));
        EXPECT_EQ(g[C::cmdOriginal], (TwipRect{buttonLeft, r.boxTops[1], 1815, 615}));
        EXPECT_EQ(g[C::cmdServer], (TwipRect{buttonLeft, r.boxTops[2], 1815, 615}));
        EXPECT_EQ(g[C::cmdBackup], (TwipRect{buttonLeft, backupTop, 1815, 855}));
        EXPECT_EQ(g[C::Label1], (TwipRect{buttonLeft + 120, noteTop, 1695, 375}));
        const auto& l = r.lines;
        EXPECT_EQ(g.line1, (TwipLine{l[0], l[1], l[2], l[3]}));
        EXPECT_EQ(g.line2, (TwipLine{l[4], l[5], l[6], l[7]}));
    }
}

}  // namespace
}  // namespace korvane
