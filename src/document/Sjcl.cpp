#include "document/Sjcl.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <charconv>
#include <memory>

#include "document/Markers.h"

namespace korvane {

namespace {

// Key bytes, wiped when they go.
struct KeyBytes {
    explicit KeyBytes(std::size_t n) : bytes(n) {}
    ~KeyBytes() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
    std::vector<unsigned char> bytes;
};

struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

// sjcl's JSON holds names, numbers and base64 only: of the characters that TiddlyWiki's HTML encoding
// changes (& < > "), only the quote occurs in it. Any other entity leaves the JSON unreadable, as it
// would be to TiddlyWiki.
constexpr std::string_view kQuoteEntity = "&quot;";

std::string htmlDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(kQuoteEntity, from)) != npos; from = at + kQuoteEntity.size()) {
        out.append(text.substr(from, at - from));
        out += '"';
    }
    out.append(text.substr(from));
    return out;
}

bool fromBase64(std::string_view text, std::vector<unsigned char>& out) {
    out.clear();
    if (text.empty()) {
        return true;
    }
    if (text.size() % 4 != 0) {
        return false;
    }
    out.resize(text.size() / 4 * 3);
    const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    if (n < 0) {
        return false;
    }
    // The decoder counts the bytes that the padding stands for.
    std::size_t padding = 0;
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '=' && padding < 2; --i) {
        ++padding;
    }
    out.resize(static_cast<std::size_t>(n) - padding);
    return true;
}

std::string toBase64(const unsigned char* data, std::size_t n) {
    std::string out(4 * ((n + 2) / 3), '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, static_cast<int>(n));
    out.resize(static_cast<std::size_t>(written));
    return out;
}

std::size_t skipSpaces(std::string_view text, std::size_t p) {
    while (p < text.size() && (text[p] == ' ' || text[p] == '\n' || text[p] == '\r' || text[p] == '\t')) {
        ++p;
    }
    return p;
}

// One past the closing quote of the JSON string that opens at `p`; npos when it never closes.
std::size_t stringEnd(std::string_view text, std::size_t p) {
    for (p = text.find_first_of("\"\\", p + 1); p != npos; p = text.find_first_of("\"\\", p + 2)) {
        if (text[p] == '"') {
            return p + 1;
        }
    }
    return npos;
}

const EVP_CIPHER* aesCcm(long ks) {
    switch (ks) {
        case 128:
            return EVP_aes_128_ccm();
        case 192:
            return EVP_aes_192_ccm();
        case 256:
            return EVP_aes_256_ccm();
        default:
            return nullptr;
    }
}

// sjcl's CCM: the length field takes L bytes, at least 2 and enough for the message length, and at
// least what the IV leaves of the 15 bytes; the nonce is the start of the IV, 15 - L bytes long.
std::size_t nonceLength(std::size_t messageLength, std::size_t ivLength) {
    std::size_t l = 2;
    while (l < 4 && (messageLength >> (8 * l)) != 0) {
        ++l;
    }
    if (ivLength < 15 && l < 15 - ivLength) {
        l = 15 - ivLength;
    }
    return 15 - l;
}

bool deriveKey(const Secret& password, const std::vector<unsigned char>& salt, long iter, KeyBytes& key) {
    return PKCS5_PBKDF2_HMAC(password.view().data(), static_cast<int>(password.view().size()), salt.data(),
                             static_cast<int>(salt.size()), static_cast<int>(iter), EVP_sha256(),
                             static_cast<int>(key.bytes.size()), key.bytes.data()) == 1;
}

}  // namespace

std::optional<EncryptedRange> findEncryptedStore(std::string_view document) {
    const std::size_t open = document.find(kEncryptedStoreOpen);
    if (open == npos) {
        return std::nullopt;
    }
    const std::size_t begin = open + kEncryptedStoreOpen.size();
    const std::size_t end = document.find("</pre>", begin);
    if (end == npos) {
        return std::nullopt;
    }
    return EncryptedRange{begin, end};
}

namespace {

// Reads a JSON string (its text between the quotes, escapes as they stand) or a whole number at p, and
// moves p past it; false when neither stands there.
bool readValue(std::string_view text, std::size_t& p, std::string_view& value, long& number) {
    if (p < text.size() && text[p] == '"') {
        const std::size_t end = stringEnd(text, p);
        if (end == npos) {
            return false;
        }
        value = text.substr(p + 1, end - p - 2);
        p = end;
        return true;
    }
    const auto [ptr, ec] = std::from_chars(text.data() + p, text.data() + text.size(), number);
    if (ec != std::errc()) {
        return false;
    }
    p = static_cast<std::size_t>(ptr - text.data());
    return true;
}

// The key size, rounds, tag and lengths that AES-CCM as TiddlyWiki writes it can have.
ReadProblem checkParameters(const SjclBlob& blob) {
    if (aesCcm(blob.ks) == nullptr || blob.iter < 1 || blob.iter > 100'000'000 || blob.ts < 32 ||
        blob.ts > 128 || blob.ts % 16 != 0 || blob.iv.size() < 7 ||
        blob.ct.size() < static_cast<std::size_t>(blob.ts / 8)) {
        return "the encrypted store's parameters are not those of AES-CCM (key " + std::to_string(blob.ks) +
               " bits, tag " + std::to_string(blob.ts) + " bits, " + std::to_string(blob.iter) + " rounds)";
    }
    return std::nullopt;
}

}  // namespace

ReadProblem readSjcl(std::string_view storeText, SjclBlob& blob) {
    const std::string json = htmlDecode(storeText);
    const std::string_view text = json;
    std::string mode, cipher;
    bool haveIv = false, haveCt = false, haveSalt = false;
    blob.ts = 64;  // sjcl's default when the JSON names none
    std::size_t p = skipSpaces(text, 0);
    if (p >= text.size() || text[p] != '{') {
        return "the encrypted store is not the JSON that TiddlyWiki writes";
    }
    p = skipSpaces(text, p + 1);
    while (p < text.size() && text[p] != '}') {
        const std::size_t keyEnd = text[p] == '"' ? stringEnd(text, p) : npos;
        if (keyEnd == npos) {
            return "the encrypted store's JSON is damaged";
        }
        const std::string_view key = text.substr(p + 1, keyEnd - p - 2);
        p = skipSpaces(text, keyEnd);
        if (p >= text.size() || text[p] != ':') {
            return "the encrypted store's JSON is damaged";
        }
        p = skipSpaces(text, p + 1);
        std::string_view value;
        long number = -1;
        if (!readValue(text, p, value, number)) {
            return "the encrypted store's JSON is damaged";
        }
        bool decoded = true;
        if (key == "iv") {
            decoded = haveIv = fromBase64(value, blob.iv);
        } else if (key == "salt") {
            decoded = haveSalt = fromBase64(value, blob.salt);
        } else if (key == "ct") {
            decoded = haveCt = fromBase64(value, blob.ct);
        } else if (key == "adata") {
            decoded = fromBase64(value, blob.adata);
        } else if (key == "iter" || key == "ks" || key == "ts") {
            (key == "iter" ? blob.iter : key == "ks" ? blob.ks : blob.ts) = number;
        } else if (key == "mode" || key == "cipher") {
            (key == "mode" ? mode : cipher) = value;
        }
        if (!decoded) {
            return "the encrypted store's " + std::string(key) + " is not base64";
        }
        p = skipSpaces(text, p);
        if (p < text.size() && text[p] == ',') {
            p = skipSpaces(text, p + 1);
        }
    }
    if (p >= text.size() || skipSpaces(text, p + 1) != text.size()) {
        return "the encrypted store's JSON is damaged";
    }
    if (!haveIv || !haveSalt || !haveCt || mode != "ccm" || cipher != "aes") {
        return "the encrypted store is not AES in CCM mode with an IV, a salt and a ciphertext";
    }
    return checkParameters(blob);
}

Decrypted decryptSjcl(const SjclBlob& blob, const Secret& password, std::string& plaintext) {
    wipeText(plaintext);
    const std::size_t tagLength = static_cast<std::size_t>(blob.ts / 8);
    const std::size_t length = blob.ct.size() - tagLength;
    KeyBytes key(static_cast<std::size_t>(blob.ks / 8));
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || !deriveKey(password, blob.salt, blob.iter, key)) {
        return Decrypted::WrongPassword;
    }
    const int nonce = static_cast<int>(nonceLength(length, blob.iv.size()));
    // The tag is handed over in a copy, as OpenSSL takes a non-const pointer.
    std::vector<unsigned char> tag(blob.ct.end() - static_cast<std::ptrdiff_t>(tagLength), blob.ct.end());
    plaintext.resize(length);
    int n = 0;
    const bool ok =
        EVP_DecryptInit_ex(ctx.get(), aesCcm(blob.ks), nullptr, nullptr, nullptr) == 1 &&
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_IVLEN, nonce, nullptr) == 1 &&
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, static_cast<int>(tagLength), tag.data()) == 1 &&
        EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, key.bytes.data(), blob.iv.data()) == 1 &&
        EVP_DecryptUpdate(ctx.get(), nullptr, &n, nullptr, static_cast<int>(length)) == 1 &&
        (blob.adata.empty() || EVP_DecryptUpdate(ctx.get(), nullptr, &n, blob.adata.data(),
                                                 static_cast<int>(blob.adata.size())) == 1) &&
        // With CCM the one update checks the tag as well.
        EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(plaintext.data()), &n, blob.ct.data(),
                          static_cast<int>(length)) == 1;
    if (!ok) {
        wipeText(plaintext);
        return Decrypted::WrongPassword;
    }
    return Decrypted::Ok;
}

bool encryptSjcl(std::string_view plaintext, const Secret& password, long iter, long ks, std::string& json) {
    constexpr std::size_t kTagLength = 8;
    std::vector<unsigned char> salt(8), iv(16);
    KeyBytes key(static_cast<std::size_t>(ks / 8));
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || aesCcm(ks) == nullptr || RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1 ||
        RAND_bytes(iv.data(), static_cast<int>(iv.size())) != 1 || !deriveKey(password, salt, iter, key)) {
        return false;
    }
    const int nonce = static_cast<int>(nonceLength(plaintext.size(), iv.size()));
    std::vector<unsigned char> ct(plaintext.size() + kTagLength);
    int n = 0;
    const bool ok =
        EVP_EncryptInit_ex(ctx.get(), aesCcm(ks), nullptr, nullptr, nullptr) == 1 &&
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_IVLEN, nonce, nullptr) == 1 &&
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, static_cast<int>(kTagLength), nullptr) == 1 &&
        EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key.bytes.data(), iv.data()) == 1 &&
        EVP_EncryptUpdate(ctx.get(), nullptr, &n, nullptr, static_cast<int>(plaintext.size())) == 1 &&
        EVP_EncryptUpdate(ctx.get(), ct.data(), &n, reinterpret_cast<const unsigned char*>(plaintext.data()),
                          static_cast<int>(plaintext.size())) == 1 &&
        EVP_EncryptFinal_ex(ctx.get(), ct.data() + n, &n) == 1 &&
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_GET_TAG, static_cast<int>(kTagLength),
                            ct.data() + plaintext.size()) == 1;
    if (!ok) {
        return false;
    }
    json = "{\"iv\":\"" + toBase64(iv.data(), iv.size()) + "\",\"v\":1,\"iter\":" + std::to_string(iter) +
           ",\"ks\":" + std::to_string(ks) +
           ",\"ts\":64,\"mode\":\"ccm\",\"adata\":\"\",\"cipher\":\"aes\",\"salt\":\"" +
           toBase64(salt.data(), salt.size()) + "\",\"ct\":\"" + toBase64(ct.data(), ct.size()) + "\"}";
    return true;
}

std::string htmlEncodeStore(std::string_view json) {
    std::string out;
    out.reserve(json.size() + json.size() / 4);
    std::size_t from = 0;
    for (std::size_t at; (at = json.find('"', from)) != npos; from = at + 1) {
        out.append(json.substr(from, at - from));
        out += kQuoteEntity;
    }
    out.append(json.substr(from));
    return out;
}

namespace {

// Where the JSON object that starts at `begin` ends: just after its closing brace (or at the end of the
// text when it has none); npos when a string in it does not end.
std::size_t objectEnd(std::string_view text, std::size_t begin) {
    std::size_t end = begin;
    for (int depth = 0; end < text.size(); ++end) {
        if (text[end] == '"') {
            end = stringEnd(text, end);
            if (end == npos) {
                return npos;
            }
            --end;
        } else if (text[end] == '{') {
            ++depth;
        } else if (text[end] == '}' && --depth == 0) {
            ++end;
            break;
        }
    }
    return end;
}

// Reads one tiddler object of the decrypted store and appends its store line to `storeLines` (after a
// separator when it holds one already), wiping every copy of the decrypted fields on the way.
ReadProblem appendStoreLine(std::string_view object, std::string& storeLines) {
    Fields fields;
    // Room for every field (each has four quotes at least), so that none moves and leaves its bytes.
    fields.reserve(static_cast<std::size_t>(std::count(object.begin(), object.end(), '"')) / 4 + 1);
    ReadProblem problem = readJsonObject(object, fields);
    std::string line = problem ? std::string() : toStoreJson(fields);
    for (Field& f : fields) {
        wipeText(f.name);
        wipeText(f.value);
    }
    if (problem) {
        return "a tiddler of the decrypted store does not read: " + *problem;
    }
    if (!storeLines.empty()) {
        appendWiping(storeLines, ",\n");
    }
    appendWiping(storeLines, line);
    wipeText(line);
    return std::nullopt;
}

}  // namespace

ReadProblem tiddlersToStore(std::string_view text, std::string& storeLines) {
    static const std::string kNotObject = "the decrypted store is not a JSON object of tiddlers";
    std::size_t p = skipSpaces(text, 0);
    if (p >= text.size() || text[p] != '{') {
        return kNotObject;
    }
    p = skipSpaces(text, p + 1);
    while (p < text.size() && text[p] != '}') {
        // "title": {fields}; the fields carry the title that counts, as TiddlyWiki loads them.
        const std::size_t keyEnd = text[p] == '"' ? stringEnd(text, p) : npos;
        p = keyEnd == npos ? npos : skipSpaces(text, keyEnd);
        if (p == npos || p >= text.size() || text[p] != ':') {
            return kNotObject;
        }
        const std::size_t begin = skipSpaces(text, p + 1);
        const std::size_t end = objectEnd(text, begin);
        if (end == npos || begin >= text.size() || text[begin] != '{') {
            return kNotObject;
        }
        if (ReadProblem problem = appendStoreLine(text.substr(begin, end - begin), storeLines)) {
            return problem;
        }
        p = skipSpaces(text, end);
        if (p < text.size() && text[p] == ',') {
            p = skipSpaces(text, p + 1);
        }
    }
    if (p >= text.size() || skipSpaces(text, p + 1) != text.size()) {
        return kNotObject;
    }
    return std::nullopt;
}

namespace {

// Writes each object of a store block as "title":{fields}, JSON.stringify's form without the store's
// `\u003C`.
class TiddlerObjectSink : public JsonFieldSink {
  public:
    explicit TiddlerObjectSink(std::string& out) : m_out(out) {}
    void objectBegins(std::size_t) override { m_fields.clear(); }
    void field(std::string_view rawName, std::string_view rawValue) override {
        if (m_fields.size() == m_fields.capacity()) {
            // Moved to a larger buffer, the fields leave their bytes in the old one: overwritten first.
            Fields larger;
            larger.reserve(std::max<std::size_t>(8, 2 * m_fields.capacity()));
            for (Field& f : m_fields) {
                larger.push_back(std::move(f));
                wipeText(f.name);
                wipeText(f.value);
            }
            m_fields.swap(larger);
        }
        m_fields.push_back({hasEscapes(rawName) ? decodeJsonString(rawName) : std::string(rawName),
                            hasEscapes(rawValue) ? decodeJsonString(rawValue) : std::string(rawValue)});
    }
    void objectEnds(std::size_t) override {
        const std::string* title = fieldValue(m_fields, "title");
        m_out += m_out.size() > 1 ? "," : "";
        appendJsonString(m_out, title ? *title : std::string(), false);
        m_out += ":{";
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            m_out += i > 0 ? "," : "";
            appendJsonString(m_out, m_fields[i].name, false);
            m_out += ':';
            appendJsonString(m_out, m_fields[i].value, false);
        }
        m_out += '}';
        for (Field& f : m_fields) {
            wipeText(f.name);
            wipeText(f.value);
        }
    }

  private:
    std::string& m_out;
    Fields m_fields;
};

}  // namespace

ReadProblem storeToTiddlers(std::string_view storeArray, std::string& plaintext) {
    // Room for all of it (the array's objects, each title once more), so that no growth gives back a
    // buffer of decrypted text.
    plaintext.clear();
    plaintext.reserve(2 * storeArray.size() + 16);
    plaintext += '{';
    TiddlerObjectSink sink(plaintext);
    if (ReadProblem problem = readJsonStore(storeArray, sink)) {
        return problem;
    }
    plaintext += '}';
    return std::nullopt;
}

}  // namespace korvane
