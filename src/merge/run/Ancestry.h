// Whether an earlier save of the wiki can be the copy both sides started from, and what it would settle
// if it were. A save decides every difference it "explains" without a person: where its version is one
// side's, the other side's version wins. A save made after the two parted (an intermediate save of one
// side, a backup of the current file, the result of an earlier merge with someone else) explains even
// more differences than the true one, and each of them is decided the wrong way round, so a save is
// taken only when nothing in it speaks against its being an ancestor of both sides.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/StoreArea.h"

namespace korvane {

// What speaks against a save being where both sides started; None when nothing does.
enum class AncestryDoubt {
    None,
    SameAsLocal,      // it holds the tiddlers of the local file: every local change would be undone
    SameAsRemote,     // it holds the tiddlers of the remote file
    NewerThanLocal,   // it holds versions newer than the local file's (or than anything in it)
    NewerThanRemote,  // the same against the remote file
};

// How one save stands against the two sides. Session state and `$:/core` take no part.
struct SaveJudgement {
    AncestryDoubt doubt = AncestryDoubt::None;
    std::size_t newer = 0;        // the versions that make it newer than the side the doubt names
    std::size_t differences = 0;  // titles whose local and remote versions differ
    std::size_t yours = 0;        // differences it settles with the local version (only you changed it)
    std::size_t friends = 0;      // differences it settles with the remote version
    // Per difference (in the order of the differences of the two sides), what it settles: 0 nothing,
    // 'L' the local version, 'R' the remote one.
    std::vector<char> settles;

    std::size_t settled() const { return yours + friends; }
};

// The two sides of a run, read once, against which any number of saves are judged.
class AncestryTest {
  public:
    AncestryTest(const TiddlerList& local, const TiddlerList& remote);

    SaveJudgement judge(const TiddlerList& save) const;
    std::size_t differences() const { return m_differences; }

  private:
    const TiddlerList& m_local;
    const TiddlerList& m_remote;
    std::string m_newestLocal;  // the newest stamp of each side, 17 digits
    std::string m_newestRemote;
    std::unordered_map<std::string_view, std::size_t> m_differenceAt;  // title -> its place
    std::size_t m_differences = 0;
};

// A stamp of any length as 17 digits (YYYYMMDDHHMMSSmmm; the early format's YYYYMMDDHHMM padded with
// zeros), so that stamps compare as text; empty stays empty.
std::string fullStamp(std::string_view stamp);

// Why an earlier save (or the .LastMerge copy) is not taken as the copy both sides started from.
namespace msg {
std::string notAnAncestor(const std::string& path, AncestryDoubt doubt, std::size_t newer);
}

// Whether two saves that both qualify would settle any difference the opposite way.
bool settleDifferently(const SaveJudgement& a, const SaveJudgement& b);

}  // namespace korvane
