// Writes a generated local/remote/unedited trio:  korvane_trio_gen TIDDLERS FOLDER [--later-format|--tw5]
// The files are FOLDER/local.html, FOLDER/remote.html and FOLDER/unedited.html.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "WikiGenerator.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "Usage: korvane_trio_gen TIDDLERS FOLDER [--later-format|--tw5]\n");
        return 2;
    }
    korvane::bench::WikiShape shape;
    shape.tiddlers = std::stoul(argv[1]);
    shape.laterFormat = argc > 3 && std::strcmp(argv[3], "--later-format") == 0;
    shape.tw5 = argc > 3 && std::strcmp(argv[3], "--tw5") == 0;
    const korvane::bench::WikiTrio trio = korvane::bench::generateTrio(shape);
    const std::string folder = argv[2];
    for (const auto& [name, text] :
         {std::pair{"local.html", &trio.local}, std::pair{"remote.html", &trio.remote},
          std::pair{"unedited.html", &trio.unedited}}) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out << *text;
        if (!out) {
            std::fprintf(stderr, "Could not write %s/%s\n", folder.c_str(), name);
            return 2;
        }
    }
    return 0;
}
