#include "merge/model/FolderImage.h"

#include <charconv>

namespace korvane {

bool isFolderFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\\n\r") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

std::string folderRecord(std::string_view name, std::string_view bytes) {
    std::string record = std::to_string(bytes.size());
    record.reserve(record.size() + name.size() + bytes.size() + 3);
    record.append(" ").append(name).append("\n").append(bytes).append("\n");
    return record;
}

std::optional<std::vector<FolderFile>> readFolderImage(std::string_view image) {
    if (!looksLikeFolderImage(image)) {
        return std::nullopt;
    }
    std::vector<FolderFile> files;
    std::size_t at = kFolderImageStart.size();
    while (at < image.size()) {
        const std::size_t space = image.find(' ', at);
        const std::size_t eol = image.find('\n', at);
        if (space == std::string_view::npos || eol == std::string_view::npos || space > eol) {
            return std::nullopt;
        }
        std::size_t size = 0;
        const char* const first = image.data() + at;
        const auto [end, ec] = std::from_chars(first, image.data() + space, size);
        const std::string_view name = image.substr(space + 1, eol - space - 1);
        // A size with signs or leading zeros would give two texts for one folder.
        const bool plainNumber =
            ec == std::errc() && end == image.data() + space && (space - at == 1 || *first != '0');
        if (!plainNumber || !isFolderFileName(name) || size > image.size() - eol - 1 ||
            image.size() - eol - 1 - size < 1 || image[eol + 1 + size] != '\n' ||
            (!files.empty() && !(files.back().name < name))) {
            return std::nullopt;
        }
        const std::size_t next = eol + 2 + size;
        files.push_back({name, image.substr(eol + 1, size), image.substr(at, next - at)});
        at = next;
    }
    return files;
}

}  // namespace korvane
