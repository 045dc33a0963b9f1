// Times the split of a generated store area:  korvane_parse_bench [TIDDLERS] [--later-format] [--write FILE]
// Prints the document size and the best of five parses.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "WikiGenerator.h"
#include "document/StoreArea.h"

int main(int argc, char** argv) {
    korvane::bench::WikiShape shape;
    const char* writeTo = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--later-format") == 0) {
            shape.laterFormat = true;
        } else if (std::strcmp(argv[i], "--write") == 0 && i + 1 < argc) {
            writeTo = argv[++i];
        } else {
            shape.tiddlers = std::stoul(argv[i]);
        }
    }
    const std::string doc = korvane::bench::generateWiki(shape);
    if (writeTo != nullptr) {
        std::ofstream(writeTo, std::ios::binary) << doc;
    }
    double best = 1e9;
    std::size_t count = 0;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        korvane::TiddlerList list;
        korvane::ParseStoreArea(doc, list);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
        best = std::min(best, took.count());
        count = list.size();
    }
    std::printf("%zu tiddlers, %.1f MB: parse %.1f ms (best of 5)\n", count, doc.size() / 1e6, best * 1e3);
    return count == shape.tiddlers ? 0 : 1;
}
