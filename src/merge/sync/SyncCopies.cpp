#include "merge/sync/SyncCopies.h"

#include <algorithm>

namespace korvane {
namespace {

bool digitsAt(std::string_view s, std::size_t at, std::size_t count) {
    if (at + count > s.size()) {
        return false;
    }
    return std::all_of(s.begin() + static_cast<std::ptrdiff_t>(at),
                       s.begin() + static_cast<std::ptrdiff_t>(at + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

int number(std::string_view s) {
    int n = 0;
    for (char c : s) {
        n = n * 10 + (c - '0');
    }
    return n;
}

// The days of a month of the calendar the tools write, with 29 February in leap years.
int daysIn(int year, int month) {
    if (month == 2) {
        return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0) ? 29 : 28;
    }
    return month == 4 || month == 6 || month == 9 || month == 11 ? 30 : 31;
}

// YYYYMMDDHHMMSS from its parts, when they make a real moment: a name that only looks like a copy's (a
// year 0000, a 31 February) is no copy, and would sort before every real one.
std::optional<std::string> moment(std::string_view date, std::string_view time) {
    const int year = number(date.substr(0, 4)), month = number(date.substr(4, 2)),
              day = number(date.substr(6, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month) ||
        number(time.substr(0, 2)) > 23 || number(time.substr(2, 2)) > 59 || number(time.substr(4, 2)) > 59) {
        return std::nullopt;
    }
    return std::string(date) + std::string(time);
}

// "YYYY-MM-DD" at the start of `s` as YYYYMMDD.
std::optional<std::string> dashedDate(std::string_view s) {
    if (s.size() < 10 || !digitsAt(s, 0, 4) || s[4] != '-' || !digitsAt(s, 5, 2) || s[7] != '-' ||
        !digitsAt(s, 8, 2)) {
        return std::nullopt;
    }
    return std::string(s.substr(0, 4)) + std::string(s.substr(5, 2)) + std::string(s.substr(8, 2));
}

// "YYYYMMDD-HHMMSS" as the whole of `s`.
std::optional<std::string> compactMoment(std::string_view s) {
    if (s.size() != 15 || !digitsAt(s, 0, 8) || s[8] != '-' || !digitsAt(s, 9, 6)) {
        return std::nullopt;
    }
    return moment(s.substr(0, 8), s.substr(9, 6));
}

bool isDeviceId(std::string_view s) {
    return s.size() == 7 && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
           });
}

// What stands between STEM and EXT in a conflict copy's name.
std::optional<std::string> timeOfMiddle(std::string_view m) {
    // ".sync-conflict-" YYYYMMDD-HHMMSS "-" DEVICE, and "_conflict-" YYYYMMDD-HHMMSS.
    constexpr std::string_view kSyncthing = ".sync-conflict-", kNextcloudOld = "_conflict-";
    constexpr std::size_t kMoment = 15, kDevice = 7;
    const std::size_t deviceAt = kSyncthing.size() + kMoment + 1;
    if (m.starts_with(kSyncthing) && m.size() == deviceAt + kDevice && m[deviceAt - 1] == '-' &&
        isDeviceId(m.substr(deviceAt))) {
        return compactMoment(m.substr(kSyncthing.size(), kMoment));
    }
    if (m.starts_with(kNextcloudOld)) {
        return compactMoment(m.substr(kNextcloudOld.size()));
    }
    if (!m.starts_with(" (") || !m.ends_with(")")) {
        return std::nullopt;
    }
    m = m.substr(2, m.size() - 3);
    constexpr std::string_view kNextcloud = "conflicted copy ";
    if (m.starts_with(kNextcloud) && m.size() >= kNextcloud.size() + 17) {
        // An optional user name and a space stand between the words and the moment.
        const std::string_view tail = m.substr(m.size() - 17);
        const std::string_view user = m.substr(kNextcloud.size(), m.size() - 17 - kNextcloud.size());
        if ((user.empty() || user.ends_with(' ')) && tail[10] == ' ' && digitsAt(tail, 11, 6)) {
            if (const auto date = dashedDate(tail)) {
                return moment(*date, tail.substr(11));
            }
        }
        return std::nullopt;
    }
    for (std::string_view words :
         {std::string_view("'s conflicted copy "), std::string_view("\xE2\x80\x99s conflicted copy ")}) {
        const std::size_t at = m.find(words);
        if (at != std::string_view::npos && at > 0 && m.size() == at + words.size() + 10) {
            if (const auto date = dashedDate(m.substr(m.size() - 10))) {
                return moment(*date, "000000");
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> syncCopyTime(std::string_view wikiName, std::string_view candidate) {
    const std::size_t dot = wikiName.rfind('.');
    const bool hasExt = dot != std::string_view::npos && dot > 0;
    const std::string_view stem = hasExt ? wikiName.substr(0, dot) : wikiName;
    const std::string_view ext = hasExt ? wikiName.substr(dot) : std::string_view();
    if (candidate.size() <= stem.size() + ext.size() || !candidate.starts_with(stem) ||
        !candidate.ends_with(ext)) {
        return std::nullopt;
    }
    return timeOfMiddle(candidate.substr(stem.size(), candidate.size() - stem.size() - ext.size()));
}

std::vector<std::string> syncCopiesOldestFirst(std::string_view wikiName,
                                               const std::vector<std::string>& names) {
    std::vector<std::pair<std::string, std::string>> found;
    for (const std::string& name : names) {
        if (auto when = syncCopyTime(wikiName, name)) {
            found.emplace_back(std::move(*when), name);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> result;
    for (auto& [when, name] : found) {
        result.push_back(std::move(name));
    }
    return result;
}

bool isSyncCopyOf(const std::string& localPath, const std::string& remotePath) {
    return folderOf(localPath) == folderOf(remotePath) &&
           syncCopyTime(nameOf(localPath), nameOf(remotePath)).has_value();
}

}  // namespace korvane
