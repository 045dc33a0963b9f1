// The three-way merge: every title is visited once, in visiting order; equal local and remote
// entries pass silently, everything else is put to the user in the conflict dialog.
#include <cstdint>
#include <string>

#include "merge/BoxForm.h"
#include "merge/ConflictPair.h"
#include "merge/MergeRun.h"
#include "merge/Messages.h"

namespace korvane {
namespace {

constexpr std::string_view kCrLf = "\r\n";

bool onlySpaces(std::string_view s) {
    return s.find_first_not_of(' ') == std::string_view::npos;
}

std::string text(std::optional<std::string_view> entry) {
    return entry ? std::string(*entry) : std::string();
}

}  // namespace

void MergeRun::append(std::string_view entry) {
    // A stored entry usually stands between exactly "<div" and "</div>" in its document; the element
    // is then one view. Otherwise (capital letters, or no closing tag) the tags are written anew.
    static constexpr std::string_view kOpen = "<div";
    static constexpr std::string_view kClose = "</div>";
    const auto address = [](const char* p) { return reinterpret_cast<std::uintptr_t>(p); };
    for (const DocumentText* doc : {&m_docs.localText, &m_docs.remoteText, &m_docs.uneditedText}) {
        const std::uintptr_t begin = address(doc->data());
        if (address(entry.data()) < begin || address(entry.data()) > begin + doc->size()) {
            continue;
        }
        const auto at = static_cast<std::size_t>(address(entry.data()) - begin);
        const std::size_t after = at + entry.size();
        if (at >= kOpen.size() && doc->compare(at - kOpen.size(), kOpen.size(), kOpen) == 0 &&
            doc->compare(after, kClose.size(), kClose) == 0) {
            m_newDocument.append(
                std::string_view(*doc).substr(at - kOpen.size(), kOpen.size() + after - at + kClose.size()));
            m_newDocument.append(kCrLf);
            return;
        }
        break;
    }
    m_newDocument.append(kOpen);
    m_newDocument.append(entry);
    m_newDocument.append(kClose);
    m_newDocument.append(kCrLf);
}

void MergeRun::appendEdited(std::string entry) {
    m_newDocument.appendOwned("<div" + entry + "</div>\r\n");
}

bool MergeRun::keepEdits() {
    return m_host.askYesNo(std::string(msg::kKeepEdits), std::string(msg::kKeepEditsTitle), true);
}

void MergeRun::takeBack(const std::string& boxText, std::string_view stored) {
    std::string result = toStoreForm(boxText, stored);
    if (result == stored) {
        append(stored);
        return;
    }
    if (!keepEdits()) {
        append(stored);
        return;
    }
    if (!onlySpaces(result)) {
        appendEdited(std::move(result));
    }
}

ConflictRequest MergeRun::buildRequest(const Visit& v, std::size_t n, std::size_t m) const {
    using B = DialogButton;
    using X = DialogBox;
    ConflictRequest r;
    r.caption = "Merging item " + std::to_string(n) + " of " + std::to_string(m);
    r.boldButton = v.recommended();
    ConflictTexts& t = r.texts;
    switch (v.mergeCase) {
        case MergeCase::A:
            t.strServer = text(v.remote);
            r.disabledButtons = {B::Original, B::Backup};
            r.setAsideBoxes = {X::Local, X::Original, X::Conflict1, X::Conflict2};
            r.takenBackBoxes = {X::Server};
            break;
        case MergeCase::B:
            t.strLocal = text(v.local);
            r.disabledButtons = {B::Original, B::Backup};
            r.setAsideBoxes = {X::Server, X::Original, X::Conflict1, X::Conflict2};
            r.takenBackBoxes = {X::Local};
            break;
        case MergeCase::C:
            t.strLocal = text(v.local);
            t.strServer = text(v.remote);
            r.disabledButtons = {B::Original};
            r.setAsideBoxes = {X::Original};
            r.takenBackBoxes = {X::Local, X::Server, X::Conflict1, X::Conflict2};
            break;
        case MergeCase::D:
            t.strOriginal = text(v.unedited);
            r.disabledButtons = {B::Local, B::Backup};
            r.setAsideBoxes = {X::Local, X::Server, X::Conflict1, X::Conflict2};
            r.takenBackBoxes = {X::Original};
            break;
        case MergeCase::E:
            t.strServer = text(v.remote);
            t.strOriginal = text(v.unedited);
            r.disabledButtons = {B::Backup};
            r.setAsideBoxes = {X::Conflict1, X::Conflict2};
            r.takenBackBoxes = {X::Server, X::Original};
            if (v.unedited == v.remote) {
                t.strOriginal = msg::kSameAsRemote;
                r.disabledButtons.insert(B::Original);
                r.setAsideBoxes.insert(X::Original);
                r.takenBackBoxes.erase(X::Original);
            }
            break;
        case MergeCase::F:
            // F and G append the stored versions as they are: no box is taken back.
            t.strLocal = text(v.local);
            t.strOriginal = text(v.unedited);
            r.disabledButtons = {B::Backup};
            r.setAsideBoxes = {X::Conflict1, X::Conflict2};
            break;
        case MergeCase::G:
            t.strLocal = text(v.local);
            t.strServer = text(v.remote);
            t.strOriginal = text(v.unedited);
            if (v.unedited == v.local || v.unedited == v.remote) {
                t.strOriginal = v.unedited == v.local ? msg::kSameAsLocal : msg::kSameAsRemote;
                r.disabledButtons = {B::Original};
                r.setAsideBoxes = {X::Original};
            }
            break;
        case MergeCase::None:
            break;
    }
    return r;
}

bool MergeRun::visit(const Visit& v, std::size_t n, std::size_t m) {
    if (v.mergeCase == MergeCase::None) {
        message(msg::kInternalError, MessageIcon::Critical, kAppTitle);
        m_host.endProgram();
        return false;
    }
    if (v.passesSilently()) {
        append(*v.local);
        return true;
    }
    ConflictRequest request = buildRequest(v, n, m);
    ConflictPair pair;
    const bool both = v.mergeCase == MergeCase::C || v.mergeCase == MergeCase::G;
    if (both) {
        const bool localKept = v.localSideKept();
        pair = buildConflictPair(v.title, localKept ? *v.local : *v.remote, localKept ? *v.remote : *v.local,
                                 m_host.presentTimeText());
        request.texts.strConflict1 = pair.text1;
        request.texts.strConflict2 = pair.text2;
    }
    const ConflictAnswer answer = m_host.settleConflict(request);
    request = ConflictRequest();  // its copies of the versions are not needed any more
    if (!answer.choice) {
        // The dialog was closed without a choice: the user abandons the whole merge.
        m_host.endProgram();
        return false;
    }
    const std::string code(1, choiceCode(*answer.choice));
    const ConflictTexts& box = answer.texts;
    switch (v.mergeCase) {
        case MergeCase::A:
            if (code == "s") {
                takeBack(box.strServer, *v.remote);
            }
            break;
        case MergeCase::B:
            if (code == "l") {
                takeBack(box.strLocal, *v.local);
            }
            break;
        case MergeCase::C:
            if (code == "l") {
                takeBack(box.strLocal, *v.local);
            } else if (code == "s") {
                takeBack(box.strServer, *v.remote);
            } else {
                // Both conflict texts are taken back together, with one question for the two.
                std::string first = toStoreForm(box.strConflict1, pair.text1);
                std::string second = toStoreForm(box.strConflict2, pair.text2);
                if ((first != pair.text1 || second != pair.text2) && !keepEdits()) {
                    first = pair.text1;
                    second = pair.text2;
                }
                appendEdited(std::move(first));
                appendEdited(std::move(second));
            }
            break;
        case MergeCase::D:
            if (code == "o") {
                takeBack(box.strOriginal, *v.unedited);
            }
            break;
        case MergeCase::E:
            if (code == "s") {
                takeBack(box.strServer, *v.remote);
            } else if (code == "o") {
                takeBack(box.strOriginal, *v.unedited);
            }
            break;
        case MergeCase::F:
            // Versions are appended as stored here; edits in the boxes have no effect.
            if (code == "l") {
                append(*v.local);
            } else if (code == "o") {
                append(*v.unedited);
            }
            break;
        case MergeCase::G:
            if (code == "l") {
                append(*v.local);
            } else if (code == "s") {
                append(*v.remote);
            } else if (code == "o") {
                append(*v.unedited);
            } else {
                appendEdited(std::move(pair.text1));
                appendEdited(std::move(pair.text2));
            }
            break;
        case MergeCase::None:
            break;
    }
    return true;
}

bool MergeRun::merge() {
    const std::string_view local = m_docs.localText;
    const StoreArea& area = m_docs.localArea;
    m_newDocument = PieceText();
    m_newDocument.append(local.substr(0, area.start));
    m_newDocument.append(kStoreAreaTag);
    m_newDocument.append("\r\n\r\n");
    m_storeBegin = m_newDocument.size();

    const VisitingList colAllTitles(m_docs.local, m_docs.remote, m_docs.unedited);
    const std::size_t m = colAllTitles.size();
    for (std::size_t n = 1; n <= m; ++n) {
        if (!visit(colAllTitles.visit(n - 1), n, m)) {
            return false;
        }
    }
    m_storeEnd = m_newDocument.size();
    m_newDocument.append(kCrLf);
    m_newDocument.append(local.substr(area.end));
    return true;
}

std::string MergeRun::strMergedStore() const {
    return m_newDocument.str().substr(m_storeBegin, m_storeEnd - m_storeBegin);
}

}  // namespace korvane
