#!/usr/bin/env node
// TiddlyWiki 5 trios made by TiddlyWiki itself, and what `korvane-cli merge --conflicts both` must make
// of each.
//   trios.js make FOLDER     writes FOLDER/NAME/{local,remote[,unedited]}.html and expected.json per trio;
//                            prints the trio names
//   trios.js check TRIO OUT  loads OUT as the browser does and compares it with TRIO/expected.json field
//                            by field; untouched tiddlers must keep the bytes of the file they came from;
//                            runs the active tiddlers: the kept versions take effect, the inert copies none
//   trios.js said TRIO ERR   checks korvane-cli's lines on the inert copies in its standard error ERR
//   trios.js layouts FOLDER  writes FOLDER/NAME/{local,remote}.html with earlier saves beside them, and
//                            expected.json (with `base`, the save to be taken, or none); prints the names
"use strict";
const fs = require("fs");
const path = require("path");
const os = require("os");
const {twRoot, bootTw, readStore, tiddlerMap, entryBytes, sorted, nonCanonical} = require("./twload.js");

// Which store each file of a trio has; null: no unedited copy.
const kTrios = [
    {name: "json", local: "json", remote: "json", unedited: "json"},
    {name: "div", local: "div", remote: "div", unedited: "div"},
    {name: "div-local-json-remote", local: "div", remote: "json", unedited: "div"},
    {name: "json-local-div-remote", local: "json", remote: "div", unedited: "div"},
    {name: "no-unedited", local: "json", remote: "json", unedited: null},
    {name: "clean", local: "json", remote: "json", unedited: "json", clean: true},
    // Encrypted with TiddlyWiki's parameters of today, with the older ones (1,000 rounds, a 128-bit key),
    // and an encrypted remote against a plain local wiki, whose result stays plain.
    {name: "encrypted", local: "json", remote: "json", unedited: "json", password: "correct horse ☕ <&\">",
     encrypted: ["local", "remote", "unedited"]},
    {name: "encrypted-older", local: "json", remote: "json", unedited: "json", password: "Older Passphrase 1962",
     encrypted: ["local", "remote", "unedited"], older: true},
    {name: "encrypted-remote", local: "json", remote: "json", unedited: "json", password: "Remote-Only Passphrase 1717",
     encrypted: ["remote", "unedited"]},
];

// The tiddlers of an encrypted page as TiddlyWiki's boot loads them: every member of the decrypted object.
function decryptedTiddlers($tw, html, password) {
    const text = $tw.crypto.decrypt($tw.utils.extractEncryptedStoreArea(html), password);
    return text ? Object.values(JSON.parse(text)) : null;
}

const stamp = (hour) => `2026120${hour < 24 ? 5 : 6}${String(hour % 24).padStart(2, "0")}0000000`;
const t = (title, text, hour, more) => ({title, text, modified: stamp(hour), created: stamp(1), ...more});
const plugin = (version, hour, name = "sample") =>
    t(`$:/plugins/korvane/${name}`, JSON.stringify({tiddlers: {[`$:/plugins/korvane/${name}/readme`]: {text: `Version ${version}`}}}),
      hour, {"plugin-type": "plugin", type: "application/json", version});
// Tiddlers that are active in the wiki, each changed on both sides where their edits do not merge: a
// global macro, a JavaScript macro module, a draft, a plugin (and the stylesheet "Styles").
const macro = (body, hour) => t("$:/korvane/macros", `\\define greet() ${body}`, hour, {tags: "$:/tags/Macro"});
const jsModule = (word, hour) => t("$:/korvane/greet.js",
    `"use strict";\nexports.name = "greetjs";\nexports.params = [];\nexports.run = function() { return "${word}"; };`,
    hour, {type: "application/javascript", "module-type": "macro"});
const draft = (text, hour) => t("Draft of 'Notes'", text, hour, {"draft.of": "Notes", "draft.title": "Notes"});
const kActiveFields = ["tags", "module-type", "plugin-type", "draft.of"];

// The unedited wiki and what each side does to it (null deletes), and the tiddlers that both sides
// changed apart from each other, merged inside. `clean` leaves out every change that both sides make
// differently, so that only session state differs. `utils` is TiddlyWiki's, for its list functions.
function sides(clean, utils) {
    const unedited = [
        t("Welcome", "Hello.\nTwo lines, café ☕", 2, {tags: "[[two words]] demo", "korvane-field": "kept"}),
        t('Tricky <b> & "quotes"', "</script> </pre> </div> &amp; <!-- x --> \\u003C", 2),
        t("Untouched JSON", '{"a": 1}', 2, {type: "application/json"}),
        t("Data", '{"n": 0}', 2, {type: "application/json"}),
        ...["Edited here", "Edited there", "Deleted here", "Deleted there", "Same edit", "Shared plan",
            "Edited here, deleted there"].map((title) => t(title, `${title}: as it was.`, 2)),
        t("Styles", "body { color: black; }", 2, {tags: "$:/tags/Stylesheet", type: "text/css"}),
        t("Paragraphs", "First.\n\nSecond.\n\nThird.", 2),
        t("Long line", "One sentence here. Another sentence there. A third one at the end.", 2),
        t("Tagged", "Plain text.", 2, {tags: "old"}),
        t("Contents", "The steps.", 2, {list: "[[Step one]] Two Three"}),
        plugin("1.0.0", 2),
        plugin("1.0.0", 2, "other"), macro("Hello", 2), jsModule("one", 2), draft("Notes: a draft.", 2),
        {title: "$:/StoryList", list: "Welcome", text: ""},
    ];
    const local = {
        "Edited here": t("Edited here", "Edited here: edited here.", 30),
        "Deleted here": null,
        "Same edit": t("Same edit", "Same edit: the same on both sides.", 28),
        "Added here": t("Added here", "Added here.", 31, {tags: "new"}),
        "$:/StoryList": {title: "$:/StoryList", list: "[[Added here]] Welcome", text: ""},
    };
    const merged = {};
    const remote = {
        "Edited there": t("Edited there", "Edited there: edited there.", 29),
        "Deleted there": null,
        "Same edit": local["Same edit"],
        "Added there": t("Added there", "Added there.", 29),
        "$:/StoryList": {title: "$:/StoryList", list: "[[Added there]] Welcome [[Edited there]]", text: ""},
    };
    if (!clean) {
        Object.assign(local, {
            "Shared plan": t("Shared plan", "Shared plan: Ann's way.", 27),
            "Edited here, deleted there": t("Edited here, deleted there", "Kept: edited here.", 30),
            "Both added": t("Both added", "Both added: Ann's.", 32),
            "Data": t("Data", '{"n": 1}', 30, {type: "application/json"}),
            "Styles": t("Styles", "body { color: navy; }", 33, {tags: "$:/tags/Stylesheet", type: "text/css"}),
            "$:/korvane/macros": macro("Hello, Ann", 31), "$:/korvane/greet.js": jsModule("uno", 31),
            "Draft of 'Notes'": draft("Notes: Ann's draft.", 31), "$:/plugins/korvane/other": plugin("1.0.1", 31, "other"),
        });
        Object.assign(remote, {
            "Shared plan": t("Shared plan", "Shared plan: Ben's way.", 29, {tags: "plan"}),
            "Edited here, deleted there": null,
            "Both added": t("Both added", "Both added: Ben's.", 26),
            "Data": t("Data", '{"n": 2}', 29, {type: "application/json"}),
            "Styles": t("Styles", "body { color: green; }", 26, {tags: "$:/tags/Stylesheet", type: "text/css"}),
            "$:/plugins/korvane/sample": plugin("1.1.0", 29),
            "$:/korvane/macros": macro("Hi", 28), "$:/korvane/greet.js": jsModule("eins", 28),
            "Draft of 'Notes'": draft("Notes: Ben's draft.", 28), "$:/plugins/korvane/other": plugin("1.1.0", 28, "other"),
        });
        // Different paragraphs, different sentences of one line, tags on one side and text on the other,
        // a title added to a list on one side and the list reordered on the other.
        const steps = () => utils.parseStringArray("[[Step one]] Two Three");
        const added = steps();
        added.splice(1, 0, "New step");
        Object.assign(local, {
            "Paragraphs": t("Paragraphs", "First: Ann's.\n\nSecond.\n\nThird.", 30),
            "Long line": t("Long line", "One sentence changed here. Another sentence there. A third one at the end.", 27),
            "Tagged": t("Tagged", "Plain text.", 27, {tags: "old [[new tag]]"}),
            "Contents": t("Contents", "The steps.", 30, {list: utils.stringifyList(added)}),
        });
        Object.assign(remote, {
            "Paragraphs": t("Paragraphs", "First.\n\nSecond.\n\nThird: Ben's.", 29),
            "Long line": t("Long line", "One sentence here. Another sentence there. A third one at the very end.", 29),
            "Tagged": t("Tagged", "Plain text, edited.", 29, {tags: "old"}),
            "Contents": t("Contents", "The steps.", 29, {list: utils.stringifyList(steps().reverse())}),
        });
        Object.assign(merged, {
            "Paragraphs": t("Paragraphs", "First: Ann's.\n\nSecond.\n\nThird: Ben's.", 30),
            "Long line": t("Long line", "One sentence changed here. Another sentence there. A third one at the very end.", 29),
            "Tagged": t("Tagged", "Plain text, edited.", 29, {tags: "old [[new tag]]"}),
            "Contents": t("Contents", "The steps.", 30, {list: "Three Two [[Step one]] [[New step]]"}),
        });
    }
    return {unedited, local, remote, merged};
}

const sameFields = (a, b) => JSON.stringify(a && sorted(a)) === JSON.stringify(b && sorted(b));
// Session state, and the core that belongs to the local page: always the local version, without a line.
const staysLocal = (title) =>
    ["$:/StoryList", "$:/HistoryList", "$:/isEncrypted", "$:/UploadName", "$:/Import", "$:/core"].includes(title) ||
    /^\$:\/(temp|state|status)\//.test(title);

// The expected merge of maps of fields, and the lines "CASE<TAB>DECISION<TAB>TITLE" that korvane-cli
// prints for the titles whose local and remote versions differ. A version chosen as it is remembers
// the file it came from; `M` holds the tiddlers merged inside, as TiddlyWiki gives their fields.
function expectMerge($tw, L, R, U, M, trio) {
    const tiddlers = {}, copies = {}, untouched = {}, inert = {}, decisions = [];
    let conflicts = 0, line;
    const take = (title, fields, side) => {
        line(fields ? side : "dropped");
        if (!fields) return;
        tiddlers[title] = fields;
        if (trio[side] === trio.local && !(trio.encrypted || []).includes(side)) untouched[title] = side;
    };
    const titles = new Set([...Object.keys(U || {}), ...Object.keys(L), ...Object.keys(R)]);
    for (const title of titles) {
        const l = L[title], r = R[title], u = U ? U[title] : undefined;
        const kase = u ? (l ? (r ? "G" : "F") : (r ? "E" : "D")) : (l ? (r ? "C" : "B") : "A");
        line = (decision) => sameFields(l, r) || decisions.push(`${kase}\t${decision}\t${title}`);
        if (staysLocal(title) && l) {
            tiddlers[title] = l;
            untouched[title] = "local";
        }
        else if (sameFields(l, r)) take(title, l, "local");
        else if (U && sameFields(l, u)) take(title, r, "remote");
        else if (U && sameFields(r, u)) take(title, l, "local");
        else if (U && u && l && r && M[title]) {
            line("merged");
            tiddlers[title] = M[title];
        }
        else {
            ++conflicts;
            // The newer side keeps the title: new on both sides, the local one only when strictly
            // newer; kept on both sides, the local one unless the remote one is strictly newer. Of two
            // plugins, the higher version first.
            const lm = (l && l.modified) || "", rm = (r && r.modified) || "";
            const version = l && r && l["plugin-type"] && r["plugin-type"] ? $tw.utils.compareVersions(l.version, r.version) : 0;
            const localWins = !r || (l && (version ? version > 0 : u ? lm >= rm : lm > rm));
            const [kept, keptSide, other] = localWins ? [l, "local", r] : [r, "remote", l];
            if (!other) {
                take(title, kept, keptSide);
                continue;
            }
            // The copy of a tiddler that is active on either side is inert: its active fields renamed,
            // and the kept version names it in a field only.
            const active = (f) => f["plugin-type"] || f["module-type"] || f["draft.of"] ||
                ($tw.utils.parseStringArray(f.tags || "") || []).some((tag) => tag.startsWith("$:/tags/"));
            const isInert = active(kept) || active(other);
            const note = !isInert && (!kept.type || kept.type === "text/vnd.tiddlywiki")
                ? "\n\nNote: There was a conflict while merging this item. " +
                  "See the following link for the conflicting version: [[\u0001copy\u0001]]" : "";
            line("both");
            tiddlers[title] = {...kept, "conflict.copy": "\u0001copy\u0001", text: (kept.text || "") + note};
            copies[title] = Object.fromEntries(Object.entries({...other, "conflict.of": title}).map(([k, v]) =>
                [isInert && kActiveFields.includes(k) ? "conflict." + k : k, v]));
            if (isInert) inert[title] = keptSide;
        }
    }
    return {exit: conflicts ? 1 : 0, decisions: decisions.sort().join("\n") + "\n", tiddlers, copies, untouched, inert};
}

function make(folder, layoutsFolder) {
    const edition = path.join(twRoot(), "editions/empty");
    bootTw([edition, "--output", os.tmpdir()], ($tw) => {
        const base = new Map($tw.wiki.allTitles().map((title) => [title, $tw.wiki.getTiddler(title)]));
        // Saves exactly `tiddlers` (besides the edition's own) with TiddlyWiki's template.
        const encrypt = $tw.crypto.encrypt;
        // With a password TiddlyWiki encrypts the store; the older parameters are sjcl's of TiddlyWiki 5.1.
        const save = (file, tiddlers, format, password, older) => {
            for (const title of $tw.wiki.allTitles()) if (!base.has(title)) $tw.wiki.deleteTiddler(title);
            for (const tiddler of base.values()) $tw.wiki.addTiddler(tiddler);
            for (const fields of tiddlers) $tw.wiki.addTiddler(new $tw.Tiddler(fields));
            $tw.crypto.setPassword(password || null);
            $tw.crypto.encrypt = older ? (text, pw) => $tw.sjcl.encrypt(pw || password, text,
                {v: 1, iter: 1000, ks: 128, ts: 64, mode: "ccm", adata: "", cipher: "aes"}) : encrypt;
            const html = $tw.wiki.renderTiddler("text/plain", "$:/core/save/all", {variables: {storeAreaFormat: format}});
            $tw.crypto.setPassword(null);
            fs.writeFileSync(file, html);
            return tiddlerMap(password ? decryptedTiddlers($tw, html, password) : readStore($tw, html).tiddlers);
        };
        for (const trio of folder ? kTrios : []) {
            const dir = path.join(folder, trio.name);
            fs.mkdirSync(dir, {recursive: true});
            const {unedited, local, remote, merged} = sides(trio.clean, $tw.utils);
            const apply = (edits) => [...unedited.filter((f) => !(f.title in edits)),
                                      ...Object.values(edits).filter((f) => f)];
            // A newer core on the remote side: the merged page keeps its own.
            const core = $tw.wiki.getTiddler("$:/core").fields;
            const pw = (role) => ((trio.encrypted || []).includes(role) ? trio.password : null);
            const U = trio.unedited ? save(path.join(dir, "unedited.html"), unedited, trio.unedited, pw("unedited"), trio.older) : null;
            const L = save(path.join(dir, "local.html"), apply(local), trio.local, pw("local"), trio.older);
            const R = save(path.join(dir, "remote.html"), [...apply(remote), {...core, version: core.version + "-next"}],
                           trio.remote, pw("remote"), trio.older);
            const M = Object.fromEntries(Object.entries(merged).map(([k, f]) => [k, new $tw.Tiddler(f).getFieldStrings()]));
            const expected = expectMerge($tw, L, R, U, M, trio);
            // An encrypted local wiki gives an encrypted result: no fewer than 10,000 rounds, its key size.
            if (pw("local")) Object.assign(expected, {password: trio.password, iter: 10000, ks: trio.older ? 128 : 256});
            if (trio.password) fs.writeFileSync(path.join(folder, trio.name + ".password"), trio.password + "\n");
            fs.writeFileSync(path.join(dir, "expected.json"), JSON.stringify(expected, null, 1));
            console.log(trio.name);
        }
        if (layoutsFolder) layouts(layoutsFolder, save, $tw);
    });
}

// Folders where no unedited copy is given: the true starting point among saves that one side made after
// the two parted, backups of a current file and older saves. Only the true one may be taken, and where
// two saves would settle a tiddler the opposite way, none.
function layouts(folder, save, $tw) {
    const {unedited, local, remote} = sides(true, $tw.utils);
    const apply = (edits) => [...unedited.filter((f) => !(f.title in edits)), ...Object.values(edits).filter((f) => f)];
    const older = apply({"Edited here": t("Edited here", "Edited here: long ago.", 1), "Welcome": t("Welcome", "Hi.", 1)});
    const kLayouts = [
        {name: "base-among-older", saves: {base: unedited, older}},
        {name: "intermediate-local", saves: {base: unedited, later: apply({"Edited here": local["Edited here"]})}},
        {name: "intermediate-remote", saves: {base: unedited, later: apply({"Edited there": remote["Edited there"]})}},
        {name: "backup-of-local", saves: {base: unedited, later: apply(local)}},
        {name: "backup-of-remote", saves: {base: unedited, later: apply(remote)}, versions: true},
        // The friend's save that holds only the tiddler they added, before your later edits: it would
        // delete that tiddler as yours to undo, where the true base keeps it.
        {name: "additions-of-remote", saves: {base: unedited, later: apply({"Added there": remote["Added there"]})},
         none: true},
    ];
    const age = {older: 5, base: 3, later: 1};
    for (const layout of kLayouts) {
        const dir = path.join(folder, layout.name);
        fs.mkdirSync(path.join(dir, ".stversions"), {recursive: true});
        const L = save(path.join(dir, "local.html"), apply(local), "json");
        const R = save(path.join(dir, "remote.html"), apply(remote), "json");
        const saved = {};
        for (const [which, tiddlers] of Object.entries(layout.saves)) {
            const when = new Date(Date.now() - age[which] * 86400000);
            const stamp = when.toISOString().replace(/[-:TZ.]/g, "");
            const file = layout.versions
                ? path.join(dir, ".stversions", `local~${stamp.slice(0, 8)}-${stamp.slice(8, 14)}.html`)
                : path.join(dir, `local.${stamp}.html`);
            saved[which] = {file, tiddlers: save(file, tiddlers, "json")};
            fs.utimesSync(file, when, when);
        }
        const base = layout.none ? null : saved.base;
        const expected = expectMerge($tw, L, R, base && base.tiddlers, {}, {local: "json", remote: "json"});
        expected.base = base ? base.file : "";
        fs.writeFileSync(path.join(dir, "expected.json"), JSON.stringify(expected, null, 1));
        console.log(layout.name);
    }
}

// What the merged tiddlers do once TiddlyWiki runs them: the kept version of each active tiddler
// takes effect, its inert copy none (no registered plugin, no module, no draft, in no list of a tag).
function inertness($tw, tiddlers, actual, inert) {
    if (!Object.keys(inert).length) return [];
    $tw.wiki.addTiddlers(tiddlers);
    $tw.wiki.readPluginInfo();
    const plugins = $tw.wiki.registerPluginTiddlers(null, Object.keys(actual));
    $tw.wiki.defineTiddlerModules();
    Object.assign($tw.macros, $tw.modules.getModulesByTypeAsHashmap("macro"));
    const effects = (title) => [plugins.includes(title) && "a plugin", $tw.utils.hop($tw.modules.titles, title) && "a module",
        ($tw.wiki.getTiddler(title) || {isDraft: () => false}).isDraft() && "a draft",
        ...["$:/tags/Stylesheet", "$:/tags/Macro"].filter((tag) => $tw.wiki.filterTiddlers(`[all[tiddlers]tag[${tag}]]`).includes(title))
            .map((tag) => `listed by ${tag}`)].filter(Boolean);
    const errors = [];
    for (const title of Object.keys(inert)) {
        const copy = (actual[title] || {})["conflict.copy"] || "";
        if (effects(copy).length) errors.push(`${copy}: the inert copy is ${effects(copy).join(", ")}`);
        if (!effects(title).length) errors.push(`${title}: the kept version has no effect`);
    }
    // TiddlyWiki finds the kept draft of Notes, not the copy (which keeps its draft.title).
    if ($tw.wiki.findDraft("Notes") !== "Draft of 'Notes'") errors.push(`the draft of Notes is ${JSON.stringify($tw.wiki.findDraft("Notes"))}`);
    // Every trio keeps the local macros (the newer ones).
    const said = $tw.wiki.renderText("text/plain", "text/vnd.tiddlywiki", "\\import [all[tiddlers]tag[$:/tags/Macro]]\n<<greet>> <<greetjs>>");
    if (said !== "Hello, Ann uno") errors.push(`the macros say ${JSON.stringify(said)}, not the kept versions'`);
    return errors;
}

function check(dir, out) {
    const expected = JSON.parse(fs.readFileSync(path.join(dir, "expected.json"), "utf8"));
    const html = fs.readFileSync(out, "utf8");
    bootTw([], ($tw) => {
        const decrypted = expected.password && decryptedTiddlers($tw, html, expected.password);
        const {tiddlers, dropped: errors} = expected.password ? {tiddlers: decrypted || [], dropped: []} : readStore($tw, html);
        if (expected.password) {
            const params = JSON.parse($tw.utils.extractEncryptedStoreArea(html) || "{}");
            if (!decrypted) errors.push("TiddlyWiki does not decrypt it with the password");
            if (params.iter !== expected.iter || params.ks !== expected.ks) errors.push(`encrypted with ${params.iter} rounds, ${params.ks} bits`);
        }
        const actual = tiddlerMap(tiddlers), seen = new Set();
        const compare = (title, want) => {
            seen.add(title);
            const got = actual[title];
            if (!got) return errors.push(`missing: ${title}`);
            for (const k of new Set([...Object.keys(want), ...Object.keys(got)])) {
                if (want[k] !== got[k]) errors.push(`${title}: field ${k} is ${JSON.stringify(got[k])}, expected ${JSON.stringify(want[k])}`);
            }
        };
        for (const [title, want] of Object.entries(expected.tiddlers)) {
            const copy = (actual[title] || {})["conflict.copy"] || "";
            const pattern = title.replace(/[.*+?^${}()|[\]\\]/g, "\\$&") + " \\(conflict [^)]+\\)( \\d+)?$";
            if (expected.copies[title] && !new RegExp("^" + pattern).test(copy)) errors.push(`${title}: conflict copy title ${JSON.stringify(copy)}`);
            const fill = (v) => v.split("\u0001copy\u0001").join(copy);
            compare(title, sorted(Object.fromEntries(Object.entries(want).map(([k, v]) => [k, fill(v)]))));
            if (expected.copies[title]) compare(copy, sorted({...expected.copies[title], title: copy}));
        }
        for (const title of Object.keys(actual)) if (!seen.has(title)) errors.push(`unexpected tiddler: ${title}`);
        const outBytes = entryBytes(html), sources = {};
        // An encrypted store holds no bytes of the files the tiddlers came from.
        for (const [title, side] of expected.password ? [] : Object.entries(expected.untouched)) {
            sources[side] = sources[side] || entryBytes(fs.readFileSync(path.join(dir, side + ".html"), "utf8"));
            if (outBytes[title] !== sources[side][title]) errors.push(`${title}: not byte-identical to its ${side} entry`);
        }
        errors.push(...inertness($tw, tiddlers, actual, expected.inert || {}));
        errors.push(...nonCanonical(html, actual).map((title) => `${title}: not written as TiddlyWiki writes it`));
        // Around the store, the page is the local one, byte for byte.
        const page = (text) => text.replace(/<script class="tiddlywiki-tiddler-store"[^>]*>[\s\S]*?<\/script>/g, "")
            .replace(/(<pre id="encryptedStoreArea"[^>]*>)[^<]*<\/pre>/, "$1</pre>")
            .replace(/<div [^>]*>\n<pre>[\s\S]*?<\/pre>\n<\/div>\n?/g, "");
        if (page(html) !== page(fs.readFileSync(path.join(dir, "local.html"), "utf8"))) errors.push("the page around the store is not the local one");
        for (const e of errors) console.error(`${out}: ${e}`);
        if (!errors.length) console.log(`${path.basename(dir)}: ${Object.keys(actual).length} tiddlers as expected, ${expected.password ? "encrypted" : Object.keys(expected.untouched).length + " byte-identical"}`);
        process.exitCode = errors.length ? 1 : 0;
    });
}

// korvane-cli's standard error names, for each active tiddler, the side that stays active and the inert
// copy with its renamed fields.
function said(dir, summary) {
    const expected = JSON.parse(fs.readFileSync(path.join(dir, "expected.json"), "utf8"));
    const lines = fs.readFileSync(summary, "utf8").split("\n");
    for (const [title, side] of Object.entries(expected.inert)) {
        const renamed = kActiveFields.filter((k) => ("conflict." + k) in expected.copies[title]);
        const start = `Kept both versions of "${title}": the ${side} version stays active; the ` +
            `${side === "local" ? "remote" : "local"} version is the inert copy "${title} (conflict `;
        const end = `)"${renamed.map((k, i) => (i ? " and " : ", with ") + `${k} renamed conflict.${k}`).join("")}.`;
        if (!lines.some((l) => l.startsWith(start) && l.endsWith(end))) {
            console.error(`${summary}: no line ${start}…${end}`);
            process.exitCode = 1;
        }
    }
}

const [command, ...args] = process.argv.slice(2);
if (command === "make") make(args[0]);
else if (command === "layouts") make(null, args[0]);
else if (command === "check") check(args[0], args[1]);
else if (command === "said") said(args[0], args[1]);
else { console.error("usage: trios.js make FOLDER | check TRIO OUT | said TRIO SUMMARY"); process.exitCode = 2; }
