// Times the conflict dialog from the moment it is shown until it is ready for the user (boxes filled,
// differences marked, first paint done) for two versions of about 1 MB each.
//   korvane_dialog_bench [SIZE_BYTES]     (run with QT_QPA_PLATFORM=offscreen or under xvfb-run)
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
    return " tiddler=\"Plugin\" modifier=\"Ann\" modified=\"200601011200\" created=\"200501011200\" "
           "tags=\"\">" +
           body;
}

double showToReadyMs(std::size_t size, std::size_t lineLength) {
    korvane::frmMerge dialog;
    dialog.strLocal = bigEntry(size, lineLength, 'X');
    dialog.strServer = bigEntry(size, lineLength, 'Y');
    dialog.setBold(korvane::DialogButton::Local);
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::size_t size = argc > 1 ? std::stoul(argv[1]) : (1u << 20);
    showToReadyMs(4096, 60);  // warm-up: fonts and style
    for (auto [lineLength, label] : {std::pair<std::size_t, const char*>{80, "lines of ~80 characters"},
                                     std::pair<std::size_t, const char*>{0, "one single line"}}) {
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            best = std::min(best, showToReadyMs(size, lineLength));
        }
        std::printf("two versions of %zu bytes, %s: show to ready %.1f ms (best of 3)\n", size, label, best);
    }
    return 0;
}
