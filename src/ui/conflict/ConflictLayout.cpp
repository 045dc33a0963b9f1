#include "ui/conflict/ConflictLayout.h"

#include <algorithm>

namespace korvane {
namespace {

using C = MergeControl;

constexpr C kBoxes[] = {C::txtLocal, C::txtOriginal, C::txtServer, C::txtConflict1, C::txtConflict2};

// Every sum, difference and ratio is worked out in double precision and stored in single precision,
// as the recorded design is; nothing is rounded to whole twips here.
float f(double v) {
    return static_cast<float>(v);
}

}  // namespace

std::string_view controlName(MergeControl c) {
    static constexpr std::string_view kNames[] = {"cmdLocal",     "cmdOriginal", "cmdServer",   "cmdBackup",
                                                  "Label1",       "txtLocal",    "txtOriginal", "txtServer",
                                                  "txtConflict1", "txtConflict2"};
    return kNames[static_cast<std::size_t>(c)];
}

MergeDesign designedMergeLayout() {
    MergeDesign d;
    MergeGeometry& g = d.geometry;
    g[C::txtLocal] = {120, 120, 5415, 1215};
    g[C::txtOriginal] = {120, 1440, 5415, 1215};
    g[C::txtServer] = {120, 2760, 5415, 1215};
    g[C::txtConflict1] = {120, 4080, 5415, 1215};
    g[C::txtConflict2] = {120, 5400, 5415, 1215};
    g[C::cmdLocal] = {5640, 120, 1815, 615};
    g[C::cmdOriginal] = {5640, 1440, 1815, 615};
    g[C::cmdServer] = {5640, 2760, 1815, 615};
    g[C::cmdBackup] = {5640, 4920, 1815, 855};
    g[C::Label1] = {5760, 6240, 1695, 375};
    g.line1 = {5520, 4560, 6360, 4800};
    g.line2 = {5640, 6240, 6360, 5880};
    return d;
}

LayoutOutcome layoutPass(const MergeDesign& design, float clientWidth, float clientHeight) {
    const double W = clientWidth;
    const double H = clientHeight;
    const int DW = design.clientWidth;
    const int DH = design.clientHeight;
    if (W < DW || H < DH) {
        // The window grows back to the designed size on the short side(s); the pass that follows the
        // correction lays the controls out.
        return {std::array<float, 2>{W < DW ? f(DW) : f(W), H < DH ? f(DH) : f(H)}, std::nullopt};
    }
    if (DH == 0) {
        return {};
    }

    const MergeGeometry& dg = design.geometry;
    MergeGeometry g = dg;
    for (C box : kBoxes) {
        g[box].width = f(W - (DW - static_cast<double>(dg[box].width)));
    }
    for (C box : kBoxes) {
        g[box].height = f(static_cast<double>(dg[box].height) * (H / DH));
    }
    // Each box below the first moves down by what the box above it grew and moved.
    for (std::size_t i = 1; i < std::size(kBoxes); ++i) {
        const C box = kBoxes[i];
        const C above = kBoxes[i - 1];
        g[box].top =
            f(static_cast<double>(dg[box].top) + (static_cast<double>(g[above].height) - dg[above].height));
        g[box].top = f(static_cast<double>(g[box].top) + (static_cast<double>(g[above].top) - dg[above].top));
    }
    for (C button : {C::cmdBackup, C::cmdLocal, C::cmdOriginal, C::cmdServer}) {
        g[button].left = f(W - (DW - static_cast<double>(dg[button].left)));
    }
    for (auto [line, designed] : {std::pair{&g.line1, &dg.line1}, std::pair{&g.line2, &dg.line2}}) {
        line->x1 = f(W - (DW - static_cast<double>(designed->x1)));
        line->x2 = f(W - (DW - static_cast<double>(designed->x2)));
    }
    g[C::cmdBackup].top = f(static_cast<double>(dg[C::cmdBackup].top) +
                            (static_cast<double>(g[C::txtConflict2].top) - dg[C::txtConflict2].top));
    for (auto [button, box] : {std::pair{C::cmdLocal, C::txtLocal}, std::pair{C::cmdOriginal, C::txtOriginal},
                               std::pair{C::cmdServer, C::txtServer}}) {
        g[button].top =
            f(static_cast<double>(dg[button].top) + (static_cast<double>(g[box].top) - dg[box].top));
    }
    const double backupMoved = static_cast<double>(g[C::cmdBackup].top) - dg[C::cmdBackup].top;
    for (auto [line, designed] : {std::pair{&g.line1, &dg.line1}, std::pair{&g.line2, &dg.line2}}) {
        line->y1 = f(designed->y1 + backupMoved);
        line->y2 = f(designed->y2 + backupMoved);
    }
    g[C::Label1].top = f(H - (DH - static_cast<double>(dg[C::Label1].top)));
    g[C::Label1].left = f(W - (DW - static_cast<double>(dg[C::Label1].left)));
    return {std::nullopt, g};
}

ScreenRect keepOnScreen(ScreenRect window, const ScreenRect& available) {
    const auto fit = [](int start, int length, int areaStart, int areaLength) {
        return std::max(areaStart, std::min(start, areaStart + areaLength - length));
    };
    window.left = fit(window.left, window.width, available.left, available.width);
    window.top = fit(window.top, window.height, available.top, available.height);
    return window;
}

}  // namespace korvane
