// The steps that the guarded save and the one-file save share.
#include <cmath>
#include <random>

#include "merge/Messages.h"
#include "merge/model/FolderImage.h"
#include "merge/save/Backups.h"
#include "merge/save/FileSave.h"
#include "merge/save/SaveMessages.h"

namespace korvane {
namespace {

// Backup and temporary names carry a number from 1 to this; so many free names are tried at most.
constexpr double kLargestNumber = 99999999.0;
constexpr std::size_t kNumberDigits = 8;
constexpr int kAttempts = 1000;

}  // namespace

std::string FileSave::drawFreePath(const std::string& path, std::string_view infix, std::string_view suffix) {
    // Room for the longest number, so that the shortened part is the same whatever number is drawn.
    const std::string base = nameWithTail(path, infix, kNumberDigits + suffix.size());
    if (!m_random) {
        m_random = [engine = std::mt19937(std::random_device{}())]() mutable {
            return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
        };
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const auto number = static_cast<long>(std::floor(m_random() * kLargestNumber + 1.0));
        std::string drawn = base + std::to_string(number) + std::string(suffix);
        if (!m_fs.exists(drawn)) {
            return drawn;
        }
    }
    return {};
}

bool FileSave::fitsForm() {
    if (m_docs.form == WikiForm::File) {
        return true;
    }
    std::string merged;
    for (const std::string_view piece : m_document) {
        merged += piece;
    }
    if (!readFolderImage(merged)) {
        message(msg::kNotAWholeFolder, MessageIcon::Critical, kAppTitle);
        return false;
    }
    return true;
}

std::optional<FileSave::Problem> FileSave::changedSince(const std::string& path, std::string_view textAtStart,
                                                        std::string_view changedMessage) {
    const CompareOutcome compared = m_fs.compareWhole(path, textAtStart);
    switch (compared.status) {
        case CompareStatus::Same:
            return std::nullopt;
        case CompareStatus::Different:
            return Problem{std::string(changedMessage), MessageIcon::Critical,
                           std::string(msg::kServerErrorTitle), std::string(changedMessage)};
        case CompareStatus::OpenFailed:
            break;
    }
    const std::string text = msg::cannotRead(path, compared.reason);
    return Problem{msg::withoutNoFileChanged(text), MessageIcon::Critical, std::string(kAppTitle), text};
}

bool FileSave::lockWiki(std::optional<WikiLock>& lock, const std::string& wiki) {
    lock.emplace(m_fs, Backups(m_fs, m_backupFolder).lockPath(wiki));
    if (const std::optional<std::string> refused = lock->take(wiki, [&](const std::string& reason) {
            return msg::backupFailed(wiki, m_backupFolder, reason) + std::string(msg::kNoFileChanged);
        })) {
        message(*refused, MessageIcon::Critical, kAppTitle);
        return false;
    }
    return true;
}

std::string FileSave::restoreRemote(const std::string& backupPath, const std::string& remotePath) {
    if (FsError err = m_fs.renameNoReplace(backupPath, remotePath)) {
        return msg::remoteNotPutBack(backupPath, *err);
    }
    return {};
}

}  // namespace korvane
