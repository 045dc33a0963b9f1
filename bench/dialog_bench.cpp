// Times the conflict dialog from the moment it is shown until it is ready for the user (boxes filled,
// differences marked, first paint done) for large versions: lines of ~80 characters, one line with
// spaces, one unbroken line (an embedded image, minified code) in all five boxes, and a tiddler of
// thousands of nested elements.
//   korvane_dialog_bench [SIZE_BYTES [ONLY]]     (run with QT_QPA_PLATFORM=offscreen or under xvfb-run)
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>

#include "ui/conflict/frmMerge.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kAttributes =
    " tiddler=\"Plugin\" modifier=\"Ann\" modified=\"200601011200\" created=\"200501011200\" tags=\"\">";

// A tiddler entry in store form whose body is `size` bytes of text, in lines of `lineLength`
// characters (0: one single line), with `variant` changing one word in the middle.
std::string bigEntry(std::size_t size, std::size_t lineLength, char variant) {
    std::string body;
    body.reserve(size + 64);
    while (body.size() < size) {
        body += "merge tiddler wiki note river stone ";
        if (lineLength != 0 && body.size() % lineLength < 36) {
            body += "\\n";
        }
    }
    body[body.size() / 2] = variant;
    return std::string(kAttributes) + body;
}

// One line without a single space, as base64 data is.
std::string unbrokenEntry(std::size_t size, char variant) {
    std::string body;
    body.reserve(size);
    const std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < size; ++i) {
        body += alphabet[(i * 7 + i / 64) % alphabet.size()];
    }
    body[size / 2] = variant;
    return std::string(kAttributes) + body;
}

// `depth` nested elements around a short text, on one line.
std::string nestedEntry(std::size_t depth, const char* tag, char variant) {
    std::string open = std::string("<") + tag + ">";
    std::string close = std::string("</") + tag + ">";
    std::string body;
    for (std::size_t i = 0; i < depth; ++i) {
        body += open;
    }
    body += std::string("deep ") + variant;
    for (std::size_t i = 0; i < depth; ++i) {
        body += close;
    }
    return std::string(kAttributes) + body;
}

struct Versions {
    std::string local;
    std::string server;
    bool allFive = false;  // the same text also in the unedited box and both conflict boxes
};

double showToReadyMs(const Versions& v) {
    korvane::ConflictRequest request;
    request.texts.strLocal = v.local;
    request.texts.strServer = v.server;
    if (v.allFive) {
        request.texts.strOriginal = v.local;
        request.texts.strConflict1 = v.server;
        request.texts.strConflict2 = v.local;
    }
    request.boldButton = korvane::DialogButton::Local;
    korvane::frmMerge dialog(std::move(request));
    Clock::time_point start;
    double ms = 0;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.repaint();
        ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        dialog.button(korvane::DialogButton::Local)->click();
    });
    start = Clock::now();
    dialog.showModal();
    return ms;
}

// Only the cases whose description holds this text (all when empty).
std::string g_only;

void report(const char* what, const Versions& v) {
    if (std::string_view(what).find(g_only) == std::string_view::npos) {
        return;
    }
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        best = std::min(best, showToReadyMs(v));
    }
    std::printf("%s: show to ready %.1f ms (best of 3)\n", what, best);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::size_t size = argc > 1 ? std::stoul(argv[1]) : (1u << 20);
    g_only = argc > 2 ? argv[2] : "";
    showToReadyMs({bigEntry(4096, 60, 'X'), bigEntry(4096, 60, 'Y')});  // warm-up: fonts and style
    char what[160];
    std::snprintf(what, sizeof what, "two versions of %zu bytes, lines of ~80 characters", size);
    report(what, {bigEntry(size, 80, 'X'), bigEntry(size, 80, 'Y')});
    std::snprintf(what, sizeof what, "two versions of %zu bytes, one single line", size);
    report(what, {bigEntry(size, 0, 'X'), bigEntry(size, 0, 'Y')});
    std::snprintf(what, sizeof what, "five boxes of %zu bytes, one unbroken line", size);
    report(what, {unbrokenEntry(size, 'X'), unbrokenEntry(size, 'Y'), true});
    report("two versions of one unbroken 2 MB line",
           {unbrokenEntry(2u << 20, 'X'), unbrokenEntry(2u << 20, 'Y')});
    for (const char* tag : {"div", "b"}) {
        std::snprintf(what, sizeof what, "five boxes of 20000 nested <%s> elements", tag);
        report(what, {nestedEntry(20000, tag, 'X'), nestedEntry(20000, tag, 'Y'), true});
    }
    return 0;
}
