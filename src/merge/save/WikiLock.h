// One save or undo of a wiki at a time: a lock file, made only where none exists, that names the
// process and the machine holding it. Two runs saving the same wiki at once could interleave their
// backups and their save notes even where the check for changed files would catch the rest.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/FileSystem.h"

namespace korvane {

class WikiLock {
  public:
    WikiLock(FileSystem& fs, std::string path) : m_fs(fs), m_path(std::move(path)) {}
    ~WikiLock();
    WikiLock(const WikiLock&) = delete;
    WikiLock& operator=(const WikiLock&) = delete;

    // Takes the lock for the save of `wiki`: nothing when it is held; the message that refuses the save
    // when another run holds it; `failure` with the system's reason when no lock file could be made. A
    // lock left by a process of this machine that no longer runs (or by this process itself, which saves
    // one wiki at a time) is taken over; so is an empty one older than a minute (its maker was cut off
    // while writing it).
    std::optional<std::string> take(const std::string& wiki,
                                    const std::function<std::string(const std::string&)>& failure);

  private:
    FileSystem& m_fs;
    std::string m_path;
    bool m_held = false;
};

}  // namespace korvane
