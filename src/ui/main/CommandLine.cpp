#include "ui/main/CommandLine.h"

namespace korvane {
namespace {

constexpr std::string_view kLocal = "/local";
constexpr std::string_view kRemote = "/remote";
constexpr std::string_view kLastMerge = "/lastmerge";

std::string withoutOuterSpaces(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

}  // namespace

std::optional<CommandLinePaths> parseCommandLine(std::string_view c) {
    const std::size_t a = c.find(kLocal);
    const std::size_t b = c.find(kRemote);
    const std::size_t l = c.find(kLastMerge);
    constexpr std::size_t none = std::string_view::npos;
    if (a == none || b == none || b <= a) {
        return std::nullopt;
    }
    CommandLinePaths paths;
    // The words may overlap ("/local/remote"); a path is then empty rather than cut backwards.
    const std::size_t localStart = std::min(a + kLocal.size(), b);
    paths.local = withoutOuterSpaces(c.substr(localStart, b - localStart));
    const std::size_t remoteStart = b + kRemote.size();
    if (l != none && l > b) {
        const std::size_t end = std::max(l, remoteStart);
        paths.remote = withoutOuterSpaces(c.substr(remoteStart, end - remoteStart));
        paths.unedited = withoutOuterSpaces(c.substr(std::min(l + kLastMerge.size(), c.size())));
    } else {
        paths.remote = withoutOuterSpaces(c.substr(remoteStart));
    }
    return paths;
}

}  // namespace korvane
