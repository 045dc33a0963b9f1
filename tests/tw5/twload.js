#!/usr/bin/env node
// Reads a TiddlyWiki 5 file with TiddlyWiki's own code, the way its page loads itself in a browser:
// the div store through TiddlyWiki's deserializer, then each tiddler store block, in document order,
// through the browser loader's JSON rules, where one defect drops the whole block. A later copy of a
// title replaces an earlier one.
//   twload.js FILE            prints {title: {field: value}}, sorted, as JSON; exit 1 when a block was
//                             dropped (one line on standard error per dropped block)
//   twload.js --titles FILE   prints the titles instead, one a line
// TiddlyWiki is taken from KORVANE_TW5_DIR (a folder holding node_modules/tiddlywiki).
"use strict";
const fs = require("fs");
const path = require("path");
const os = require("os");

const twRoot = () =>
    path.join(process.env.KORVANE_TW5_DIR || path.join(os.homedir(), ".cache/korvane-tw5"), "node_modules/tiddlywiki");

function bootTw(argv, done) {
    const $tw = require(path.join(twRoot(), "boot/boot.js")).TiddlyWiki();
    // A command that does nothing: without one TiddlyWiki prints its help.
    $tw.boot.argv = argv.length ? argv : ["--output", os.tmpdir()];
    $tw.boot.boot(() => done($tw));
}

const blockRe = /<script class="tiddlywiki-tiddler-store" type="([^"]*)">([\s\S]*?)<\/script>/gi;

// The tiddlers of `html` in load order, and a description of every dropped block.
function readStore($tw, html) {
    const tiddlers = [], dropped = [];
    // The div store alone: TiddlyWiki's html deserializer, with the JSON blocks taken out of its sight.
    const divOnly = html.replace(blockRe, "");
    if (/<div id=["']?storeArea['"]?( style=["']?display:none;["']?)?>/i.test(divOnly)) {
        tiddlers.push(...$tw.wiki.deserializeTiddlers("text/html", divOnly));
    }
    // The browser's own JSON rules live in boot.js; in node the core replaces them with lenient ones.
    const strict = $tw.modules.titles["$:/boot/tiddlerdeserializer/json"].definition["application/json"];
    for (const [i, m] of [...html.matchAll(blockRe)].entries()) {
        const got = m[1] === "application/json" ? strict(m[2], Object.create(null)) : [];
        // What the browser's rules make of a defective block: the block's text as one tiddler without a title.
        if (got.length === 1 && !Object.prototype.hasOwnProperty.call(got[0], "title")) {
            dropped.push(`tiddler store block ${i + 1} (${m[2].length} characters) dropped: TiddlyWiki rejects its JSON`);
        } else {
            tiddlers.push(...got);
        }
    }
    return {tiddlers, dropped};
}

const sorted = (o) => Object.fromEntries(Object.keys(o).sort().map((k) => [k, o[k]]));

// {title: {field: value}} with a later copy of a title replacing an earlier one, titles sorted; the
// fields stay in their stored order unless `sortFields`.
function tiddlerMap(tiddlers, sortFields) {
    const byTitle = new Map();
    for (const t of tiddlers) if (t.title) byTitle.set(t.title, sortFields ? sorted(t) : {...t});
    return sorted(Object.fromEntries(byTitle));
}

// Each tiddler's bytes as stored: one JSON object per line of a store block, or one div of the div store.
function entryBytes(html) {
    const entries = {};
    for (const m of html.matchAll(/<div ([^>]*)>\n<pre>[\s\S]*?<\/pre>\n<\/div>/g)) {
        const t = /(?:^| )title="([^"]*)"/.exec(m[1]);
        if (t) entries[t[1].replace(/&quot;/g, '"').replace(/&lt;/g, "<").replace(/&gt;/g, ">").replace(/&amp;/g, "&")] = m[0];
    }
    for (const b of html.matchAll(blockRe)) {
        for (const line of b[2].split("\n")) {
            const bytes = line.replace(/,$/, "");
            try { entries[JSON.parse(bytes).title] = bytes; } catch (e) { /* the brackets */ }
        }
    }
    return entries;
}

// The titles whose stored bytes differ from what TiddlyWiki writes for the same fields: a JSON object
// as JSON.stringify writes it with '<' as \u003C, or a div with the fields but text sorted and encoded
// as attributes, then the text encoded in a <pre>.
function nonCanonical(html, map) {
    const enc = (v, quote) => v.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, quote ? "&quot;" : '"');
    const div = (f) => "<div" + Object.keys(f).filter((k) => k !== "text" && typeof f[k] === "string").sort().map((k) => ` ${k}="${enc(f[k], true)}"`).join("") +
        `>\n<pre>${enc(f.text || "", false)}</pre>\n</div>`;
    return Object.entries(entryBytes(html)).filter(([title, bytes]) =>
        bytes !== (bytes[0] === "{" ? JSON.stringify(JSON.parse(bytes)).replace(/</g, "\\u003C") : div(map[title] || {}))).map(([t]) => t);
}

module.exports = {twRoot, bootTw, readStore, tiddlerMap, entryBytes, sorted, nonCanonical};

if (require.main === module) {
    const args = process.argv.slice(2);
    const titles = args.includes("--titles");
    const file = args.find((a) => !a.startsWith("--"));
    const html = fs.readFileSync(file, "utf8");
    bootTw([], ($tw) => {
        const {tiddlers, dropped} = readStore($tw, html);
        const map = tiddlerMap(tiddlers, true);
        for (const d of dropped) console.error(`twload: ${file}: ${d}`);
        process.stdout.write(titles ? Object.keys(map).map((t) => t + "\n").join("") : JSON.stringify(map, null, 1) + "\n");
        process.exitCode = dropped.length ? 1 : 0;
    });
}
