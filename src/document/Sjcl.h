// TiddlyWiki 5's encrypted store: the `<pre id="encryptedStoreArea">` element that holds, HTML-encoded,
// the JSON that the Stanford JavaScript Crypto Library's `sjcl.encrypt` writes (AES in CCM mode, the key
// PBKDF2-HMAC-SHA256 of the password), and the JSON object of tiddlers it hides. Every cryptographic
// step is OpenSSL's libcrypto.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/Secret.h"
#include "document/Tw5Json.h"

namespace korvane {

inline constexpr std::string_view kEncryptedStoreOpen =
    "<pre id=\"encryptedStoreArea\" type=\"text/plain\" style=\"display:none;\">";

// Where the encrypted store's text stands in a document: from after the opening tag to its `</pre>`.
struct EncryptedRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};
// None when the document holds no whole encrypted store (TiddlyWiki looks for exactly this tag).
std::optional<EncryptedRange> findEncryptedStore(std::string_view document);

// What `sjcl.encrypt` wrote, decoded from its JSON.
struct SjclBlob {
    std::vector<unsigned char> iv;
    std::vector<unsigned char> salt;
    std::vector<unsigned char> adata;
    std::vector<unsigned char> ct;  // the ciphertext followed by the tag
    long iter = 0;
    long ks = 0;  // key bits
    long ts = 0;  // tag bits
};

// Reads the store's text (HTML-encoded JSON) into `blob`; the problem says what is not as sjcl writes it
// (another mode or cipher, a key, tag or nonce size that AES-CCM does not have).
ReadProblem readSjcl(std::string_view storeText, SjclBlob& blob);

enum class Decrypted { Ok, WrongPassword };
// Decrypts and checks the tag. The nonce is the IV cut to 15 - L bytes, L being the bytes that the
// message length needs (at least 2), as sjcl's CCM mode cuts it. A tampered text fails like a wrong
// password: CCM cannot tell them apart.
Decrypted decryptSjcl(const SjclBlob& blob, const Secret& password, std::string& plaintext);

// Encrypts as TiddlyWiki does (`v` 1, a 64-bit tag, CCM, no associated data), with a fresh random salt
// and IV, `iter` rounds and a `ks`-bit key; the JSON as sjcl writes it. False when OpenSSL failed.
bool encryptSjcl(std::string_view plaintext, const Secret& password, long iter, long ks, std::string& json);

// The JSON as it stands in the page, encoded as TiddlyWiki's htmlEncode encodes it (sjcl's JSON holds no
// `&`, `<` or `>`, only quotes).
std::string htmlEncodeStore(std::string_view json);

// The decrypted text, a JSON object of tiddlers by title, as the lines of a JSON store block: each
// tiddler's fields as TiddlyWiki writes them there, joined by ",\n".
ReadProblem tiddlersToStore(std::string_view plaintext, std::string& storeLines);
// The text of a JSON store block's array back as the object that TiddlyWiki encrypts.
ReadProblem storeToTiddlers(std::string_view storeArray, std::string& plaintext);

}  // namespace korvane
