#include "ui/main/CommandLine.h"

#include <algorithm>
#include <filesystem>

namespace korvane {
namespace {

constexpr std::string_view kPathWords[] = {"/local", "/remote", "/lastmerge", "/output", "/review"};

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
    // A path with a root ("/home/ann/a.html"; on Windows also C:\a.html, C:a.html, \a.html and
    // \\server\share\a.html) is taken as given.
    const std::filesystem::path given(std::u8string(path.begin(), path.end()));
    if (path.empty() || given.has_root_name() || given.has_root_directory() || startFolder.empty()) {
        return path;
    }
    // The parts are joined as the start folder's are: on Windows with a backslash when the folder has
    // one (Windows takes '/' as well), elsewhere always with '/'.
    const auto preferred = static_cast<char>(std::filesystem::path::preferred_separator);
    const char separator = startFolder.find(preferred) != std::string_view::npos ? preferred : '/';
    const std::string here = std::string(".") + preferred;
    std::string_view relative = path;
    while (relative.starts_with("./") || relative.starts_with(here)) {
        relative.remove_prefix(2);
    }
    std::string resolved(startFolder);
    if (resolved.back() != '/' && resolved.back() != preferred) {
        resolved += separator;
    }
    resolved += relative;
    return resolved;
}

// The edits (a letter added, removed or changed, ASCII case ignored) that turn `a` into `b`.
std::size_t editDistance(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min(
                {above + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A word meant as an option: "--word" (the window toolkit's own options have one dash), or a mistyped
// option word such as "/locl" or "/Remote". A path such as "/a" or "/home" is none.
bool meantAsOption(std::string_view word) {
    if (word.starts_with("--")) {
        return true;
    }
    return word.starts_with('/') &&
           std::any_of(std::begin(kPathWords), std::end(kPathWords),
                       [&](std::string_view w) { return editDistance(word, w) <= 2; });
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

std::string commandLineProblem(const std::vector<std::string>& arguments) {
    if (arguments.empty() || parseCommandLine(arguments, {})) {
        return {};
    }
    const auto has = [&](std::string_view word) {
        return std::find(arguments.begin(), arguments.end(), word) != arguments.end();
    };
    const bool local = has("/local"), remote = has("/remote");
    const std::string missing = !local && !remote ? "no /local and no /remote"
                                : !local          ? "no /local before /remote"
                                : !remote         ? "no /remote after /local"
                                                  : "/remote before /local";
    const std::string rest = "; the paths stay as they were";
    constexpr std::string_view kWords[] = {"/local",  "/remote", "/lastmerge", "/output",
                                           "/review", "--help",  "--version",  "--write-demo"};
    for (const std::string& word : arguments) {
        if (std::find(std::begin(kWords), std::end(kWords), word) == std::end(kWords) &&
            meantAsOption(word)) {
            return "\"" + word + "\" is no option of korvane, so the command line has " + missing + rest;
        }
    }
    return "the command line has " + missing + rest;
}

}  // namespace korvane
