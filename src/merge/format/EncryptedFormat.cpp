// TiddlyWiki 5 wikis saved with a password. Each encrypted document is decrypted in memory, with the
// password its host gives, into the page it would be with a JSON store; the TiddlyWiki 5 format merges
// those pages as any others. When the local document was encrypted, the merged store is encrypted
// again with the local password, fresh salt and IV, and no fewer rounds or key bits than the local
// document had, and put in place of the local document's encrypted store; the result is decrypted and
// read once more before anything is saved. A plain local document gives a plain result.
#include <algorithm>
#include <array>

#include "document/Sjcl.h"
#include "document/Tw5Store.h"
#include "merge/Messages.h"
#include "merge/format/FormatMessages.h"
#include "merge/format/Formats.h"
#include "platform/Process.h"

namespace korvane {
namespace {

constexpr std::string_view kRoles[] = {msg::kLocalRole, msg::kRemoteRole, msg::kUneditedRole};
constexpr std::string_view kPreClose = "</pre>";
constexpr long kLeastRounds = 10'000;

// The page that an encrypted one would be with its tiddlers in a JSON store, as TiddlyWiki writes it.
std::string plainPage(std::string_view document, EncryptedRange range, std::string_view storeLines) {
    std::string page;
    page.reserve(document.size() - (range.end - range.begin) + storeLines.size() + 200);
    page += document.substr(0, range.begin - kEncryptedStoreOpen.size());
    page += kTw5JsonStoreTag;
    page += "[\n";
    page += storeLines;
    page += "\n]</script>\n";
    page += kTw5DivStoreTag;
    page += "\n</div>";
    page += document.substr(range.end + kPreClose.size());
    return page;
}

// The titles of a store's lines, as a page of them splits; false when they do not read strictly. The
// page is decrypted text: built in one buffer and overwritten before it goes.
bool storeTitles(std::string_view storeLines, std::vector<std::string>& titles) {
    std::string page;
    page.reserve(kTw5JsonStoreTag.size() + storeLines.size() + 16);
    ((page += kTw5JsonStoreTag) += "[\n") += storeLines;
    page += "\n]</script>";
    TiddlerList list;
    Tw5Layout layout;
    const bool read = !splitTw5(page, list, layout);
    if (read) {
        titles.assign(list.colTitles.begin(), list.colTitles.end());
    }
    wipeText(page);
    return read;
}

void wipeTitles(std::vector<std::string>& titles) {
    for (std::string& title : titles) {
        wipeText(title);
    }
}

// The passwords that opened a document of one run, each kept once. The local document is opened first,
// so that an encrypted local document's password, which encrypts the result, comes first.
class Keyring {
  public:
    // Decrypts one role's store into `plaintext` with a password given before in this run, or one the
    // host gives; false when the run stops (the reason was shown, or the user cancelled).
    bool open(MergeHost& host, std::size_t role, const std::string& path, const SjclBlob& blob,
              std::string& plaintext);
    const Secret& first() const { return m_passwords.front(); }

  private:
    std::vector<Secret> m_passwords;
};

bool Keyring::open(MergeHost& host, std::size_t role, const std::string& path, const SjclBlob& blob,
                   std::string& plaintext) {
    // From the first password asked for on, in both programs, the process holds secrets until it ends.
    keepOutOfCoreDumps();
    // The copies of one wiki mostly share its password: one that opened another copy is tried first,
    // so that each password is asked once.
    for (const Secret& given : m_passwords) {
        if (decryptSjcl(blob, given, plaintext) == Decrypted::Ok) {
            return true;
        }
    }
    for (bool wrongBefore = false;; wrongBefore = true) {
        PasswordAnswer answer = host.askPassword({path, std::string(kRoles[role]), wrongBefore});
        switch (answer.kind) {
            case PasswordAnswer::Kind::Cancelled:
                return false;
            case PasswordAnswer::Kind::None:
                host.showMessage(wrongBefore ? msg::passwordDoesNotOpen(path)
                                             : msg::documentRefused(msg::kEncrypted, kRoles[role], path),
                                 MessageIcon::Critical, std::string(kAppTitle));
                return false;
            case PasswordAnswer::Kind::Given:
                break;
        }
        if (decryptSjcl(blob, answer.password, plaintext) == Decrypted::Ok) {
            m_passwords.push_back(std::move(answer.password));
            return true;
        }
    }
}

class EncryptedRun : public FormatRun {
  public:
    explicit EncryptedRun(const FormatContext& context) : m_context(context) {}
    ~EncryptedRun() override {
        for (std::string& page : m_plain) {
            wipeText(page);
        }
    }

    bool prepare(const std::vector<std::string>& paths) override;

    SplitOutcome split(std::size_t role, std::string_view document, TiddlerList& list) override {
        // The document read for an encrypted role is split as the page it decrypted to; another one
        // (an earlier save found later) as it is.
        const bool decrypted = m_encrypted[role] && document.data() == m_context.texts[role].data();
        return m_inner->split(role, decrypted ? std::string_view(m_plain[role]) : document, list);
    }
    void begin(const VisitingList& titles) override { m_inner->begin(titles); }
    void append(std::string_view entry) override { m_inner->append(entry); }
    void appendEdited(std::string entry) override { m_inner->appendEdited(std::move(entry)); }
    void passedSilently(const Visit& v) override { m_inner->passedSilently(v); }
    bool finish() override;
    std::string mergedStore() const override { return m_inner->mergedStore(); }
    std::string boxText(const Visit& v, std::string_view entry) const override {
        return m_inner->boxText(v, entry);
    }
    std::optional<std::string> fromBox(const std::string& boxText, std::string_view stored) override {
        return m_inner->fromBox(boxText, stored);
    }
    ConflictPair buildPair(const Visit& v, std::string_view kept, std::string_view copied) override {
        return m_inner->buildPair(v, kept, copied);
    }
    std::optional<std::string> mergeVersions(const Visit& v, MergeWay& way) override {
        return m_inner->mergeVersions(v, way);
    }
    void describeBoxes(const Visit& v, const ConflictPair& pair, ConflictQuestion& r) const override {
        m_inner->describeBoxes(v, pair, r);
    }

  private:
    void refuse(const std::string& text) {
        m_context.host.showMessage(text, MessageIcon::Critical, std::string(kAppTitle));
    }
    // The merged store encrypted with the local password, checked by decrypting and reading it again.
    bool encryptMerged();

    FormatContext m_context;
    std::unique_ptr<FormatRun> m_inner;
    std::array<bool, 3> m_encrypted{};
    std::array<EncryptedRange, 3> m_ranges{};
    std::array<std::string, 3> m_plain;
    Keyring m_keyring;
    long m_localRounds = 0;
    long m_localKeyBits = 0;
};

bool EncryptedRun::prepare(const std::vector<std::string>& paths) {
    FormatContext plain = m_context;
    for (std::size_t role = 0; role < paths.size(); ++role) {
        const std::string_view document = m_context.texts[role];
        if (detectKind(document) != DocumentKind::Encrypted) {
            continue;
        }
        const std::optional<EncryptedRange> range = findEncryptedStore(document);
        SjclBlob blob;
        ReadProblem problem = range ? readSjcl(document.substr(range->begin, range->end - range->begin), blob)
                                    : "the encrypted store is not in the form TiddlyWiki reads";
        if (problem) {
            refuse(msg::documentRefused(msg::storeDamaged(*problem), kRoles[role], paths[role]));
            return false;
        }
        std::string plaintext;
        if (!m_keyring.open(m_context.host, role, paths[role], blob, plaintext)) {
            return false;
        }
        std::string lines;
        problem = tiddlersToStore(plaintext, lines);
        wipeText(plaintext);
        if (problem) {
            wipeText(lines);
            refuse(msg::documentRefused(msg::storeDamaged(*problem), kRoles[role], paths[role]));
            return false;
        }
        m_plain[role] = plainPage(document, *range, lines);
        wipeText(lines);
        m_encrypted[role] = true;
        m_ranges[role] = *range;
        plain.texts[role] = m_plain[role];
        if (role == 0) {
            m_localRounds = blob.iter;
            m_localKeyBits = blob.ks;
        }
    }
    m_inner = tw5Format().startRun(plain);
    return true;
}

bool EncryptedRun::encryptMerged() {
    std::string store = m_inner->mergedStore();
    std::string array;
    array.reserve(store.size() + 2);
    ((array += '[') += store) += ']';
    std::string plaintext;
    std::string json;
    ReadProblem problem = storeToTiddlers(array, plaintext);
    wipeText(array);
    if (problem) {
        wipeText(store);
        wipeText(plaintext);
        refuse(msg::mergedStoreRefused(*problem, m_context.localPath));
        return false;
    }
    const Secret& password = m_keyring.first();
    // The key size is the local one, which reading the store allowed only as 128, 192 or 256 bits.
    const bool encrypted =
        encryptSjcl(plaintext, password, std::max(m_localRounds, kLeastRounds), m_localKeyBits, json);
    wipeText(plaintext);
    // What is written must open again with the password and hold the merged store's tiddlers.
    const std::string stored = htmlEncodeStore(json);
    SjclBlob blob;
    std::string lines;
    std::vector<std::string> want, got;
    const bool checked = encrypted && !readSjcl(stored, blob) &&
                         decryptSjcl(blob, password, plaintext) == Decrypted::Ok &&
                         !tiddlersToStore(plaintext, lines) && storeTitles(store, want) &&
                         storeTitles(lines, got) && want == got;
    wipeText(plaintext);
    wipeText(lines);
    wipeText(store);
    wipeTitles(want);
    wipeTitles(got);
    if (!checked) {
        refuse(msg::mergedStoreRefused(std::string(msg::kEncryptFailed), m_context.localPath));
        return false;
    }
    const std::string_view local = m_context.texts[0];
    m_document = PieceText();
    m_document.append(local.substr(0, m_ranges[0].begin));
    m_storeBegin = m_document.size();
    m_document.appendOwned(stored);
    m_storeEnd = m_document.size();
    m_document.append(local.substr(m_ranges[0].end));
    return true;
}

bool EncryptedRun::finish() {
    if (!m_inner->finish()) {
        return false;
    }
    if (m_encrypted[0]) {
        return encryptMerged();
    }
    m_document = m_inner->document();
    if (m_encrypted[1]) {
        m_context.host.showMessage(std::string(msg::kResultNotEncrypted), MessageIcon::Information,
                                   std::string(msg::kResultNotEncryptedTitle));
    }
    return true;
}

class EncryptedFormat : public WikiFormat {
  public:
    std::string_view name() const override { return "tw5-encrypted"; }
    std::string_view displayName() const override { return "TiddlyWiki 5"; }
    bool claims(std::string_view document) const override {
        return detectKind(document) == DocumentKind::Encrypted;
    }
    // Without its password an encrypted wiki lists nothing.
    SplitOutcome list(std::string_view /*document*/, TiddlerList& /*list*/) const override {
        return {PageProblem::StoreDamaged, msg::storeDamaged("the wiki is encrypted")};
    }
    // The split names its lists after the TiddlyWiki 5 format, which compares their entries.
    void compare(Visit& v) const override { tw5Format().compare(v); }
    bool reads(const WikiFormat& other) const override { return &other == this || &other == &tw5Format(); }
    std::unique_ptr<FormatRun> startRun(const FormatContext& context) const override {
        return std::make_unique<EncryptedRun>(context);
    }
};

}  // namespace

const WikiFormat& encryptedFormat() {
    static const EncryptedFormat format;
    return format;
}

}  // namespace korvane
