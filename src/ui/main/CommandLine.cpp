#include "ui/main/CommandLine.h"

#include <algorithm>

namespace korvane {
namespace {

std::string withoutOuterSpaces(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

// The arguments [begin, end) as one path, resolved against the start folder when relative.
std::string pathFrom(const std::vector<std::string>& arguments, std::size_t begin, std::size_t end,
                     std::string_view startFolder) {
    std::string joined;
    for (std::size_t i = begin; i < end; ++i) {
        if (i > begin) {
            joined += ' ';
        }
        joined += arguments[i];
    }
    std::string path = withoutOuterSpaces(joined);
    if (path.empty() || path.front() == '/' || startFolder.empty()) {
        return path;
    }
    std::string_view relative = path;
    while (relative.starts_with("./")) {
        relative.remove_prefix(2);
    }
    std::string resolved(startFolder);
    if (resolved.back() != '/') {
        resolved += '/';
    }
    resolved += relative;
    return resolved;
}

}  // namespace

bool takeReviewWord(std::vector<std::string>& arguments) {
    if (!arguments.empty() && arguments.front() == "/review") {
        arguments.erase(arguments.begin());
        return true;
    }
    if (!arguments.empty() && arguments.back() == "/review") {
        arguments.pop_back();
        return true;
    }
    return false;
}

std::optional<CommandLinePaths> parseCommandLine(const std::vector<std::string>& arguments,
                                                 std::string_view startFolder) {
    const auto first = [&](std::string_view word) {
        return static_cast<std::size_t>(std::find(arguments.begin(), arguments.end(), word) -
                                        arguments.begin());
    };
    const std::size_t none = arguments.size();
    const std::size_t a = first("/local");
    const std::size_t b = first("/remote");
    const std::size_t c = first("/lastmerge");
    if (a == none || b == none || b < a) {
        return std::nullopt;
    }
    const std::size_t d = first("/output");
    const std::size_t end = d != none && d > b ? d : none;
    const std::size_t remoteEnd = c != none && c > b && c < end ? c : end;
    CommandLinePaths paths;
    paths.local = pathFrom(arguments, a + 1, b, startFolder);
    paths.remote = pathFrom(arguments, b + 1, remoteEnd, startFolder);
    if (remoteEnd != end) {
        paths.unedited = pathFrom(arguments, c + 1, end, startFolder);
    }
    if (end != none) {
        paths.output = pathFrom(arguments, d + 1, none, startFolder);
    }
    return paths;
}

}  // namespace korvane
