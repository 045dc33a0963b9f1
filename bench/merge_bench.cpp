// One whole merge run, headless, on FOLDER/local.html, remote.html and unedited.html: load, split,
// merge, rebuild, guards, write three. Every question gets the recommended button and Yes.
//   korvane_merge_bench FOLDER      (rewrites the three files, as a real run does)
#include <chrono>
#include <cstdio>
#include <string>

#include "merge/run/MergeRun.h"
#include "platform/FileSystem.h"
#include "ui/conflict/ConflictRequest.h"

namespace {

using namespace korvane;

class RecommendedAnswers : public MergeHost {
  public:
    std::size_t dialogs = 0;
    std::size_t messages = 0;

    void showMessage(const std::string& text, MessageIcon, const std::string&) override {
        ++messages;
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    bool ask(const Question&) override { return true; }
    ConflictSettlement settleConflict(const ConflictQuestion& question) override {
        ++dialogs;
        return askInDialog(question, [](const ConflictRequest& request) {
            return ConflictAnswer{request.boldButton.value_or(DialogButton::Local), request.texts};
        });
    }
    void setUneditedPath(const std::string&) override {}
    std::string presentTimeText() override { return "12/6/2026 9:00:00 AM"; }
    void endProgram() override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: korvane_merge_bench FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    RecommendedAnswers host;
    PosixFileSystem fs;
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    const auto t0 = Clock::now();
    MergeRun run(host, fs, {folder + "/local.html", folder + "/remote.html", folder + "/unedited.html"});
    const bool loaded = run.load();
    const auto t1 = Clock::now();
    const bool merged = loaded && run.merge();
    const auto t2 = Clock::now();
    const RunResult result = merged ? run.save() : RunResult::Stopped;
    const auto t3 = Clock::now();
    std::fprintf(stderr, "%zu dialogs; load %.1f ms, merge %.1f ms, save %.1f ms, whole %.1f ms\n",
                 host.dialogs, ms(t0, t1), ms(t1, t2), ms(t2, t3), ms(t0, t3));
    return result == RunResult::Saved && host.messages == 0 ? 0 : 1;
}
