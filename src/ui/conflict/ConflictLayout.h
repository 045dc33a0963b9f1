// The geometry of the conflict dialog in twips (1/1440 inch, from the top left corner of the client
// area): the designed placement of every control, and the layout pass that follows a resize. The pass
// gives all extra width to the five boxes, shares extra height among them in proportion, keeps the
// buttons, lines and note at their distance from the right edge (the note also from the bottom edge),
// and never lays out a client area smaller than designed. Pure and toolkit-free.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace korvane {

struct TwipRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    bool operator==(const TwipRect&) const = default;
};

struct TwipLine {
    float x1 = 0;
    float y1 = 0;
    float x2 = 0;
    float y2 = 0;
    bool operator==(const TwipLine&) const = default;
};

// The controls in their tab order: the four buttons, the note, then the five boxes.
enum class MergeControl {
    cmdLocal,
    cmdOriginal,
    cmdServer,
    cmdBackup,
    Label1,
    txtLocal,
    txtOriginal,
    txtServer,
    txtConflict1,
    txtConflict2
};
inline constexpr std::size_t kMergeControlCount = 10;

std::string_view controlName(MergeControl c);

struct MergeGeometry {
    std::array<TwipRect, kMergeControlCount> controls;
    TwipLine line1;
    TwipLine line2;

    TwipRect& operator[](MergeControl c) { return controls[static_cast<std::size_t>(c)]; }
    const TwipRect& operator[](MergeControl c) const { return controls[static_cast<std::size_t>(c)]; }
    bool operator==(const MergeGeometry&) const = default;
};

// The designed client size and placement, recorded once per dialog.
struct MergeDesign {
    int clientWidth = 7560;   // DW
    int clientHeight = 6750;  // DH
    MergeGeometry geometry;
};

MergeDesign designedMergeLayout();

// What one layout pass does for a client size: either the size that the window must take first (a
// side smaller than designed grows back to the designed value) or the geometry of every control.
struct LayoutOutcome {
    std::optional<std::array<float, 2>> correctedClient;  // width, height
    std::optional<MergeGeometry> geometry;
};

LayoutOutcome layoutPass(const MergeDesign& design, float clientWidth, float clientHeight);

// A window's outer rectangle, or the part of a screen that windows may cover, in pixels.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ScreenRect&) const = default;
};

// The window moved by the least distance that puts it wholly inside the available area; a side longer
// than the area's starts at the area's edge, so that the window's title and top left controls stay
// reachable.
ScreenRect keepOnScreen(ScreenRect window, const ScreenRect& available);

}  // namespace korvane
