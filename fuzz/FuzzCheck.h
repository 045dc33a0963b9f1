// Invariant checks of the fuzz targets: a broken invariant aborts with a message, which the fuzzer
// records as a crash together with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/StoreArea.h"

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace korvane::fuzz {

// Every tiddler element of the list, written back as the merge writes it.
inline std::string elementsOf(const TiddlerList& list) {
    std::string out;
    for (std::string_view e : list.colDivs) {
        out.append("<div").append(e).append("</div>\r\n");
    }
    return out;
}

}  // namespace korvane::fuzz
