#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <tuple>

#include "document/Sjcl.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

struct Vector {
    std::string name, password, plaintext, store;
    long iter = 0, ks = 0;
};

std::string fromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return out;
}

// Written by TiddlyWiki itself (tests/tw5/vectors.js), with the node and TiddlyWiki that test.sh installs;
// under wine, where node is no Windows program, written beforehand into the file KORVANE_SJCL_VECTORS.
const std::vector<Vector>& tiddlyWikiVectors() {
    static const std::vector<Vector> vectors = [] {
        test::TempDir dir;
        const char* written = std::getenv("KORVANE_SJCL_VECTORS");
        const std::string file = written != nullptr ? std::string(written) : dir.path("vectors.tsv");
        const int status =
            written != nullptr
                ? 0
                : test::runShell("node '" KORVANE_TEST_DATA_DIR "/../tw5/vectors.js' '" + file + "'",
                                 dir.path("err"));
        EXPECT_EQ(status, 0) << "TiddlyWiki did not write its vectors: " << test::readBytes(dir.path("err"));
        std::vector<Vector> out;
        std::istringstream lines(status == 0 ? test::readBytes(file) : std::string());
        for (std::string line; std::getline(lines, line);) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, '\t');) {
                f.push_back(field);
            }
            out.push_back({f.at(0), fromHex(f.at(3)), fromHex(f.at(4)), f.at(5), std::stol(f.at(1)),
                           std::stol(f.at(2))});
        }
        return out;
    }();
    return vectors;
}

std::string decrypted(const std::string& store, const std::string& password) {
    SjclBlob blob;
    std::string plaintext;
    if (const ReadProblem problem = readSjcl(store, blob)) {
        return "unread: " + *problem;
    }
    return decryptSjcl(blob, Secret(password), plaintext) == Decrypted::Ok ? plaintext : "wrong";
}

TEST(Sjcl, OpensWhatTiddlyWikiEncryptedAndNothingTamperedWith) {
    ASSERT_EQ(tiddlyWikiVectors().size(), 7u);
    for (const Vector& v : tiddlyWikiVectors()) {
        SjclBlob blob;
        ASSERT_EQ(readSjcl(v.store, blob), std::nullopt) << v.name;
        EXPECT_EQ(blob.iter, v.iter) << v.name;
        EXPECT_EQ(blob.ks, v.ks) << v.name;
        EXPECT_EQ(blob.ts, 64) << v.name;
        std::string plaintext;
        EXPECT_EQ(decryptSjcl(blob, Secret(v.password), plaintext), Decrypted::Ok) << v.name;
        EXPECT_EQ(plaintext, v.plaintext) << v.name;
        EXPECT_EQ(decryptSjcl(blob, Secret(v.password + "x"), plaintext), Decrypted::WrongPassword) << v.name;
        EXPECT_TRUE(plaintext.empty()) << v.name;
        // One changed bit in the ciphertext, the tag, the nonce part of the IV or the salt is refused;
        // the IV's bytes beyond the nonce do not count, as in sjcl
        const auto opens = [&](void (*change)(SjclBlob&)) {
            SjclBlob t = blob;
            change(t);
            return decryptSjcl(t, Secret(v.password), plaintext) == Decrypted::Ok;
        };
        EXPECT_FALSE(opens([](SjclBlob& t) { t.ct.front() ^= 1; })) << v.name;
        EXPECT_FALSE(opens([](SjclBlob& t) { t.ct.back() ^= 1; })) << v.name;
        EXPECT_FALSE(opens([](SjclBlob& t) { t.iv.front() ^= 1; })) << v.name;
        EXPECT_FALSE(opens([](SjclBlob& t) { t.salt.front() ^= 1; })) << v.name;
        // (TiddlyWiki's 16-byte IV always leaves its last byte out; a 12-byte IV is all nonce.)
        EXPECT_EQ(opens([](SjclBlob& t) { t.iv.back() ^= 1; }), blob.iv.size() > 13) << v.name;
        // What Korvane writes with the same parameters opens again, with a fresh salt and IV each time.
        std::string json1, json2;
        ASSERT_TRUE(encryptSjcl(v.plaintext, Secret(v.password), v.iter, v.ks, json1));
        ASSERT_TRUE(encryptSjcl(v.plaintext, Secret(v.password), v.iter, v.ks, json2));
        EXPECT_NE(json1.substr(0, 40), json2.substr(0, 40)) << v.name;
        EXPECT_EQ(decrypted(htmlEncodeStore(json1), v.password), v.plaintext) << v.name;
        SjclBlob written;
        ASSERT_EQ(readSjcl(json1, written), std::nullopt);
        EXPECT_EQ(
            std::make_tuple(written.iter, written.ks, written.ts, written.salt.size(), written.iv.size()),
            std::make_tuple(v.iter, v.ks, 64L, std::size_t{8}, std::size_t{16}))
            << v.name;
    }
}

// A password's bytes are overwritten where they stood, whether a short one stood inside the secret or a
// long one in memory of its own that a move handed on.
TEST(Sjcl, SecretsAreOverwrittenWhereTheyStood) {
    for (const std::string text : {"short", "a password longer than a string keeps inside itself"}) {
        Secret secret(text);
        const char* bytes = secret.view().data();
        Secret moved(std::move(secret));
        EXPECT_EQ(moved.view(), text);
        EXPECT_TRUE(secret.empty());
        moved.wipe();
        EXPECT_TRUE(moved.empty());
        EXPECT_EQ(std::string(bytes, text.size()), std::string(text.size(), '\0')) << text;
    }
}

TEST(Sjcl, RefusesWhatIsNotAesCcmAsSjclWritesIt) {
    const std::string ok =
        "\"iv\":\"AAAAAAAAAAAAAAAAAAAAAA==\",\"salt\":\"AAAAAAAAAAA=\",\"ct\":\"AAAAAAAAAAAAAA==\"";
    const std::pair<std::string, std::string> rows[] = {
        {"{" + ok + ",\"iter\":10,\"ks\":128,\"mode\":\"ccm\",\"cipher\":\"aes\"}", ""},
        {"{" + ok + ",\"iter\":10,\"ks\":128,\"mode\":\"gcm\",\"cipher\":\"aes\"}", "not AES in CCM mode"},
        {"{" + ok + ",\"iter\":10,\"ks\":64,\"mode\":\"ccm\",\"cipher\":\"aes\"}", "key 64 bits"},
        {"{" + ok + ",\"iter\":10,\"ks\":128,\"ts\":40,\"mode\":\"ccm\",\"cipher\":\"aes\"}", "tag 40 bits"},
        {"{" + ok + ",\"iter\":0,\"ks\":128,\"mode\":\"ccm\",\"cipher\":\"aes\"}", "0 rounds"},
        {"{" + ok + ",\"iter\":100000001,\"ks\":128,\"mode\":\"ccm\",\"cipher\":\"aes\"}",
         "100000001 rounds"},
        {"{" + ok + ",\"iter\":10,\"ks\":128,\"ts\":16,\"mode\":\"ccm\",\"cipher\":\"aes\"}", "tag 16 bits"},
        {"{" + ok + ",\"iter\":10,\"ks\":128,\"ts\":144,\"mode\":\"ccm\",\"cipher\":\"aes\"}",
         "tag 144 bits"},
        {"{" + ok + ",\"iter\":10,\"ks\":128,\"ts\":128,\"mode\":\"ccm\",\"cipher\":\"aes\"}",
         "tag 128 bits"},
        {"{\"iv\":\"AAAAAAA=\",\"salt\":\"AA==\",\"ct\":\"AAAAAAAAAAA=\",\"iter\":1,\"ks\":128,\"mode\":"
         "\"ccm\","
         "\"cipher\":\"aes\"}",
         "parameters"},  // an IV of 5 bytes leaves no nonce
        {"{" + ok + ",\"iter\":10,\"ks\":128,\"mode\":\"ccm\",\"cipher\":\"aes\",\"iv\":\"A*==\"}",
         "not base64"},
        {"{" + ok + ",\"iter\":10,\"ks\":128,\"mode\":\"ccm\",\"cipher\":\"aes\"} x", "damaged"},
    };
    for (const auto& [json, problem] : rows) {
        SjclBlob blob;
        const std::string got = readSjcl(htmlEncodeStore(json), blob).value_or("");
        if (problem.empty()) {
            EXPECT_EQ(got, "") << json;
        } else {
            EXPECT_NE(got.find(problem), std::string::npos) << json << " gave: " << got;
        }
    }
}

TEST(Sjcl, TiddlersGoBetweenTheEncryptedObjectAndTheStoreLines) {
    const std::string object = R"({"A":{"title":"A","text":"<b>é"}, "B":{"title":"B","tags":"x \"y\""}})";
    std::string lines, back;
    ASSERT_EQ(tiddlersToStore(object, lines), std::nullopt);
    EXPECT_EQ(lines, R"({"title":"A","text":"\u003Cb>é"},)"
                     "\n"
                     R"({"title":"B","tags":"x \"y\""})");
    ASSERT_EQ(storeToTiddlers("[" + lines + "]", back), std::nullopt);
    EXPECT_EQ(back, R"({"A":{"title":"A","text":"<b>é"},"B":{"title":"B","tags":"x \"y\""}})");
    for (const std::string bad : {"[]", R"({"A":["x"]})", R"({"A":{"title":1}})", R"({"A":{"title":"A"})"}) {
        EXPECT_NE(tiddlersToStore(bad, lines), std::nullopt) << bad;
    }
    const std::string page = "<p>" + std::string(kEncryptedStoreOpen) + "x</pre><pre>y</pre>";
    const std::optional<EncryptedRange> range = findEncryptedStore(page);
    ASSERT_TRUE(range);
    EXPECT_EQ(page.substr(range->begin, range->end - range->begin), "x");
    EXPECT_FALSE(findEncryptedStore("<pre id=\"encryptedStoreArea\">x</pre>"));
    EXPECT_FALSE(findEncryptedStore(std::string(kEncryptedStoreOpen) + "cut short"));
}

}  // namespace
}  // namespace korvane
