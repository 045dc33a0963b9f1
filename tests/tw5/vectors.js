#!/usr/bin/env node
// Known answers of TiddlyWiki's own encryption, for the unit tests: one line per vector,
// NAME ITER KS PASSWORD-HEX PLAINTEXT-HEX STORE, tab-separated, STORE as the encrypted store of a page
// holds it (HTML-encoded). TiddlyWiki's $tw.crypto writes its parameters of today; its sjcl writes the
// older ones (1,000 rounds, a 128-bit key), as TiddlyWiki before 5.1.23 did.
//   vectors.js FILE
"use strict";
const fs = require("fs");
const {bootTw} = require("./twload.js");

bootTw([], ($tw) => {
    const hex = (s) => Buffer.from(s, "utf8").toString("hex");
    const older = {v: 1, iter: 1000, ks: 128, ts: 64, mode: "ccm", adata: "", cipher: "aes"};
    const cases = [
        ["short", "pass", "abc", null],
        ["unicode-password", "café ☕ & <pw>", '{"A":{"title":"A","text":"é <b>"}}', null],
        ["two-byte-length", "pw", "x".repeat(65535), null],  // the longest message with a 13-byte nonce
        ["three-byte-length", "pw", "y".repeat(65536), null],  // the shortest with a 12-byte nonce
        ["older-128-bit", "old", "legacy text", older],
        ["older-three-byte", "old", "z".repeat(70000), older],
        // A 12-byte IV, which leaves a 12-byte nonce however short the message.
        ["twelve-byte-iv", "iv", "short", {...older, iv: $tw.sjcl.random.randomWords(3, 0)}],
    ];
    const lines = cases.map(([name, password, text, params]) => {
        const store = params ? $tw.sjcl.encrypt(password, text, params) : $tw.crypto.encrypt(text, password);
        const p = JSON.parse(store);
        return [name, p.iter, p.ks, hex(password), hex(text), $tw.utils.htmlEncode(store)].join("\t");
    });
    fs.writeFileSync(process.argv[2], lines.join("\n") + "\n");
});
