// Times the review window over a TiddlyWiki 5 trio with DIFFERENCES differing tiddlers (a third edited on
// your side, a third on the friend's, a third on both, every tenth of those apart) and one tiddler whose
// text is one line of LINE_BYTES that both sides changed: from the run's load until the window is shown
// and painted, and from selecting the long tiddler until its panes are filled and marked. Prints the
// peak memory against the three files' size.
//   korvane_review_bench [DIFFERENCES [LINE_BYTES]]   (QT_QPA_PLATFORM=offscreen; default 2000, 2 MiB)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "merge/run/Review.h"
#include "ui/conflict/ConflictRequest.h"
#include "ui/review/frmReview.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Silent : korvane::MergeHost {
    void showMessage(const std::string& text, korvane::MessageIcon, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    bool ask(const korvane::Question&) override { return true; }
    korvane::ConflictSettlement settleConflict(const korvane::ConflictQuestion& q) override {
        return korvane::askInDialog(q, [](const korvane::ConflictRequest& r) {
            return korvane::ConflictAnswer{r.boldButton, r.texts};
        });
    }
    void setUneditedPath(const std::string&) override {}
    std::string presentTimeText() override { return "now"; }
    void endProgram() override {}
};

std::string tiddler(std::size_t n, const std::string& text) {
    return "{\"title\":\"Note " + std::to_string(n) +
           "\",\"modified\":\"20261101090000000\",\"tags\":\"journal\"," + "\"text\":\"" + text + "\"}";
}

std::string wiki(const std::vector<std::string>& tiddlers) {
    std::string out =
        "<html><body>\n<script class=\"tiddlywiki-tiddler-store\" type=\"application/json\">[\n";
    for (std::size_t i = 0; i < tiddlers.size(); ++i) {
        out += (i == 0 ? "" : ",\n") + tiddlers[i];
    }
    return out +
           "\n]</script><div id=\"storeArea\" style=\"display:none;\"></div>\n<script "
           "src=\"core.js\"></script></body></html>\n";
}

void writeTrio(const std::filesystem::path& dir, std::size_t differences, std::size_t lineBytes) {
    std::vector<std::string> u, l, r;
    const std::string body = "A paragraph of the journal that says what happened today and what is next. ";
    for (std::size_t n = 0; n < differences + 500; ++n) {  // 500 tiddlers the same everywhere
        const std::string text = body + body + std::to_string(n);
        const bool differs = n < differences;
        const int side = static_cast<int>(n % 3);
        const bool apart = n % 30 == 2;
        u.push_back(tiddler(n, text));
        l.push_back(tiddler(n, differs && side != 1 ? (apart ? "mine " : "MINE ") + text : text));
        r.push_back(tiddler(n, differs && side != 0 ? (apart ? "theirs " : "") + text + " theirs" : text));
    }
    std::string line;
    while (line.size() < lineBytes) {
        line += "word" + std::to_string(line.size() % 97) + " ";
    }
    u.push_back(tiddler(999999, line));
    l.push_back(tiddler(999999, "START " + line));
    r.push_back(tiddler(999999, line + " END"));

    std::filesystem::create_directories(dir);
    for (const auto& [name, docs] :
         {std::pair{"l.html", &l}, std::pair{"r.html", &r}, std::pair{"u.html", &u}}) {
        std::ofstream(dir / name, std::ios::binary) << wiki(*docs);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t differences = argc > 1 ? std::stoul(argv[1]) : 2000;
    const std::size_t lineBytes = argc > 2 ? std::stoul(argv[2]) : std::size_t{2} << 20;
    // The trio is made by a child process, so that the peak memory measured here is the review's own.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "korvane-review-bench";
    korvane::MergePaths paths{(dir / "l.html").string(), (dir / "r.html").string(),
                              (dir / "u.html").string()};
    if (const pid_t child = fork(); child == 0) {
        writeTrio(dir, differences, lineBytes);
        std::_Exit(0);
    } else if (child < 0 || waitpid(child, nullptr, 0) != child) {
        return 2;
    }
    std::uintmax_t total = 0;
    for (const std::string* p : {&paths.local, &paths.remote, &paths.unedited}) {
        total += std::filesystem::file_size(*p);
    }
    QApplication app(argc, argv);
    const auto peakMiB = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return static_cast<double>(usage.ru_maxrss) / 1024.0;
    };
    const double baseMiB = peakMiB();  // the program and Qt before any wiki is read

    Silent host;
    korvane::PosixFileSystem fs;
    const Clock::time_point start = Clock::now();
    korvane::MergeRun run(host, fs, paths);
    run.settings().mergeInside = true;
    if (!run.load()) {
        return 2;
    }
    const double loaded = msSince(start);
    const korvane::VisitingList titles = run.titles();
    korvane::MergePlan plan = run.plan(titles);
    korvane::Review review(run, plan, titles);
    const double reviewed = msSince(start);
    korvane::frmReview window(review, true);
    window.show();
    QApplication::processEvents();
    const double shown = msSince(start);

    const Clock::time_point selecting = Clock::now();
    window.select(review.items().size() - 1);
    QApplication::processEvents();
    const double selected = msSince(selecting);

    const double filesMiB = static_cast<double>(total) / 1048576.0;
    std::printf("%zu differences (%zu need you), files %.1f MB\n", review.items().size(), review.needingYou(),
                static_cast<double>(total) / 1e6);
    std::printf("load %.0f ms, review %.0f ms, window shown %.0f ms (open: %.0f ms after load)\n", loaded,
                reviewed - loaded, shown - reviewed, shown - loaded);
    std::printf("select the %zu-byte line: %.0f ms\n", lineBytes, selected);
    std::printf("peak memory %.0f MiB, %.0f MiB above the program's own = %.2f x the three files\n",
                peakMiB(), peakMiB() - baseMiB, (peakMiB() - baseMiB) / filesMiB);
    std::filesystem::remove_all(dir);
    return 0;
}
