// Any bytes as a wiki document. The split ends without fault, its lists stay parallel, every entry
// stands in the store area between "<div" and "</div>" at increasing positions with the attributes
// that the marker function finds in it, a store area that never closes stops the merge at once, and
// merging the document against an empty one, taking every tiddler back untouched, rebuilds the same
// store.
#include "FuzzCheck.h"
#include "document/Tw5Store.h"
#include "merge/format/BoxForm.h"
#include "merge/run/MergeRun.h"
#include "support/MemoryFileSystem.h"
#include "ui/conflict/ConflictRequest.h"

namespace korvane::fuzz {
namespace {

// What a conflict dialog box hands back: the box form, with every line break as CR LF.
std::string untouchedBox(const std::string& storeText) {
    std::string out;
    for (char c : toBoxForm(storeText)) {
        out += c == '\n' && (out.empty() || out.back() != '\r') ? "\r\n" : std::string(1, c);
    }
    return out;
}

class UntouchedAnswers : public MergeHost {
  public:
    int questions = 0;
    int messages = 0;
    void showMessage(const std::string&, MessageIcon, const std::string&) override { ++messages; }
    bool ask(const Question& q) override {
        questions += q.kind == QuestionKind::KeepEdits ? 1 : 0;
        return true;
    }
    // Against an empty remote store every tiddler is new on the local side, recommended as it stands.
    ConflictSettlement settleConflict(const ConflictQuestion& q) override {
        return askInDialog(q, [](const ConflictRequest& r) {
            FUZZ_CHECK(r.boldButton == DialogButton::Local);
            ConflictAnswer a{DialogButton::Local, {}};
            a.texts.strLocal = untouchedBox(r.texts.strLocal);
            return a;
        });
    }
    void setUneditedPath(const std::string&) override {}
    std::string presentTimeText() override { return "1/1/2026"; }
    void endProgram() override { FUZZ_CHECK(false); }
};

}  // namespace

void checkParser(std::string_view doc) {
    // Read as a TiddlyWiki 5 document: every entry written back as TiddlyWiki writes it reads the same.
    TiddlerList tw5;
    Tw5Layout layout;
    if (!splitTw5(doc, tw5, layout)) {
        for (std::string_view entry : tw5.colDivs) {
            Fields fields, again;
            FUZZ_CHECK(decodeEntry(entry, fields) && decodeEntry(toStoreJson(fields), again) &&
                       again == fields);
        }
    }
    TiddlerList list;
    const StoreArea area = ParseStoreArea(doc, list);
    const std::size_t n = list.size();
    FUZZ_CHECK(list.colTitles.size() == n && list.colModifiers.size() == n && list.colModified.size() == n &&
               list.colCreated.size() == n);
    if (!area.found) {
        FUZZ_CHECK(n == 0);
        return;
    }
    const std::size_t regionEnd = area.end == npos ? doc.size() : area.end;
    std::size_t previousEnd = area.contentStart;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view entry = list.colDivs[i];
        const auto at = static_cast<std::size_t>(entry.data() - doc.data());
        FUZZ_CHECK(at >= previousEnd + 4 && at + entry.size() <= regionEnd);
        FUZZ_CHECK(findIgnoringCase(doc.substr(at - 4, 4), "<div") == 0);
        previousEnd = at + entry.size();
        // Every attribute is what the marker function finds in the whole entry.
        const auto value = [entry](std::string_view marker) {
            return funcParseStringFromStringToString(entry, marker, "\"", true);
        };
        const bool byTitle =
            findIgnoringCase(entry, "tiddler=\"") == npos && findIgnoringCase(entry, " title=\"") != npos;
        FUZZ_CHECK(list.colTitles[i] == value(byTitle ? " title=\"" : "tiddler=\""));
        FUZZ_CHECK(list.colModifiers[i] == value(" modifier=\"") &&
                   list.colModified[i] == value(" modified=\"") &&
                   list.colCreated[i] == value(" created=\""));
    }
    // Merge against an empty wiki: every tiddler is new on the local side and is taken back untouched.
    test::MemoryFileSystem fs;
    // A whole wiki ends with its closing html tag; added here, it cannot open or close an element.
    const std::string local = std::string(doc) + "</html>";
    fs.files["local"].data = local;
    fs.files["remote"].data = "<div id=\"storeArea\"></div></html>";
    if (local == fs.files["remote"].data) {
        return;
    }
    UntouchedAnswers host;
    MergeRun run(host, fs, {"local", "remote", ""});
    // A store area that never closes is refused with one message before any question, and so is a
    // TiddlyWiki 5 page against the early-format wiki (their pages cannot be merged into one).
    const bool merges = area.hasEnd() && detectKind(local) == DocumentKind::Early;
    FUZZ_CHECK(run.load() == merges);
    FUZZ_CHECK(host.messages == (merges ? 0 : 1));
    if (!merges) {
        return;
    }
    FUZZ_CHECK(run.merge());
    FUZZ_CHECK(host.questions == 0);
    TiddlerList firsts;
    const TiddlerList none;
    const VisitingList visits(list, none, none, formatNamed(list.format));
    for (std::size_t i = 0; i < visits.size(); ++i) {
        firsts.colDivs.push_back(*visits.visit(i).local);
    }
    FUZZ_CHECK(run.strMergedStore() == elementsOf(firsts));
    const std::string rebuilt = run.newDocument();
    TiddlerList again;
    FUZZ_CHECK(ParseStoreArea(rebuilt, again).hasEnd());
    FUZZ_CHECK(elementsOf(again) == elementsOf(firsts));
    // Everything outside the store area stays byte for byte; its opening tag is written anew.
    FUZZ_CHECK(rebuilt == local.substr(0, area.start) + "<div id=\"storeArea\">\r\n\r\n" +
                              run.strMergedStore() + "\r\n" + local.substr(area.end));
}

}  // namespace korvane::fuzz
