// What `korvane-cli COMMAND --help` prints: the command's whole usage, which files it reads, writes
// and changes, and what each exit status means. Its first paragraph is the usage that follows a mistake.
#pragma once

#include <string_view>
#include <utility>

namespace korvane::cli {

inline constexpr std::pair<std::string_view, std::string_view> kCommandHelp[] = {
    {"list",
     "Usage: korvane-cli list FILE\n\n"
     "Prints one line per tiddler of FILE: INDEX TITLE MODIFIER MODIFIED CREATED LENGTH, tab-separated.\n"
     "Reads FILE; writes and changes nothing.\n"
     "Exit status: 0 listed; 2 bad usage, or FILE cannot be read or is no whole wiki.\n"},
    {"plan",
     "Usage: korvane-cli plan /local LOCAL /remote REMOTE [/lastmerge UNEDITED] [--no-field-merge]\n"
     "                        [--no-find-base]\n\n"
     "Prints one line per title in the order a merge visits them: N CASE ACTION TITLE, where ACTION is\n"
     "keep, merge (both sides' edits join in one version) or ask:X (X the recommended choice). Reads the\n"
     "three files (LOCAL.LastMerge without /lastmerge, when it exists, else an earlier save found as merge\n"
     "finds it); writes and changes nothing.\n"
     "Exit status: 0 nothing would be asked; 1 some tiddler would need a person; 2 bad usage, or a check\n"
     "stopped it (a file missing, unreadable or no whole wiki).\n"},
    {"merge",
     "Usage: korvane-cli merge /local LOCAL /remote REMOTE [/lastmerge UNEDITED] [--out FILE]\n"
     "                         [--conflicts both|local|remote|newer] [--dry-run] [--allow-deletions]\n"
     "                         [--no-field-merge] [--no-find-base] [--password-file FILE]\n"
     "                         [--delete-copy]\n\n"
     "Merges with no person present. Without --out it rewrites all three files with the merged wiki (LOCAL,\n"
     "REMOTE, and UNEDITED or LOCAL.LastMerge, which it creates), makes REMOTE read-only, and keeps a note\n"
     "(LOCAL.korvane-save) and a backup of REMOTE until the save is done. With --out it writes only FILE "
     "and\n"
     "changes no input; --dry-run writes nothing. The files it replaces are kept in the backup folder\n"
     "first (see undo and backups). A side that would delete most of the wiki stops it unless\n"
     "--allow-deletions is given; --no-field-merge keeps every tiddler both sides changed a conflict.\n"
     "Without /lastmerge and LOCAL.LastMerge it reads an earlier save of LOCAL as the unedited copy (from\n"
     "Syncthing's .stversions, TiddlyDesktop's NAME_backup folder or TiddlyWiki's backups beside LOCAL)\n"
     "when one explains at least half of the differences, and names it on standard error; the merged wiki\n"
     "then goes to LOCAL.LastMerge, never over the earlier save. --no-find-base turns the search off.\n"
     "An encrypted wiki opens with the password on the first line of FILE (-: standard input); the merged\n"
     "wiki is encrypted again with it when LOCAL was encrypted.\n"
     "When REMOTE is a sync tool's conflict copy of LOCAL (see conflicts), REMOTE stays exactly as it was\n"
     "and no LOCAL.LastMerge is made in the synced folder (the sync tool's earlier versions serve as the\n"
     "unedited copy next time; a /lastmerge UNEDITED is rewritten as always); --delete-copy deletes REMOTE\n"
     "after the save, unless it changed since it was read.\n"
     "Exit status: 0 merged with no conflict (or nothing to merge); 1 merged, and at least one conflict was\n"
     "settled by the --conflicts rule (with both: kept as two tiddlers for a person to settle); 2 bad "
     "usage,\n"
     "or a check or the save stopped it: no file was changed.\n"},
    {"merge-driver",
     "Usage: korvane-cli merge-driver [--allow-deletions] [--no-field-merge] [--password-file FILE]\n"
     "                                BASE OURS THEIRS PATH [MARKER-SIZE [OURS-LABEL THEIRS-LABEL]]\n\n"
     "git's merge driver (see git-setup). Writes the merged wiki into OURS only; exit 0 when it merged\n"
     "cleanly. A file that is no wiki on either side gets git's line merge. An encrypted wiki opens with\n"
     "the password in FILE, or else with the first line that the command in git's configuration value\n"
     "korvane.passwordCommand prints when run with PATH.\n"
     "Exit status: 0 merged cleanly; 1 conflicts were kept as two tiddlers, or only one side is a wiki (git\n"
     "marks the file conflicted); 2 bad usage, or a check stopped it: OURS is unchanged. For a file that is\n"
     "no wiki, git merge-file's own status.\n"},
    {"undo",
     "Usage: korvane-cli undo WIKI\n\n"
     "Puts back the files that the last merge of WIKI replaced (WIKI: the local file of a merge, or the\n"
     "FILE of merge --out), from the backup folder ($XDG_DATA_HOME/korvane/backups, by default\n"
     "~/.local/share/korvane/backups; %LOCALAPPDATA%\\Korvane\\backups on Windows). Refuses, changing\n"
     "nothing, when a file changed since the merge wrote it. What it replaces is kept as a merge of its\n"
     "own, so a second undo takes the first back. Exit status 0 when the files were put back, 2 "
     "otherwise.\n"},
    {"backups",
     "Usage: korvane-cli backups WIKI\n\n"
     "Lists the files kept of the last merges of WIKI (at most 10 per wiki and 2 GB in all, oldest first\n"
     "out), oldest first, one line per file: WHEN SIZE ORIGINAL KEPT, tab-separated (WHEN the local time\n"
     "YYYY-MM-DD HH:MM:SS of the merge, SIZE in bytes, ORIGINAL the path it replaced, KEPT the copy).\n"
     "Writes nothing.\n"
     "Exit status: 0 listed (also when nothing is kept); 2 bad usage, or no backup folder.\n"},
    {"conflicts",
     "Usage: korvane-cli conflicts WIKI\n\n"
     "Lists the conflict copies that sync tools left beside WIKI, oldest first. Writes nothing. Merge one\n"
     "with merge /local WIKI /remote COPY, which keeps the copy unless --delete-copy is given.\n"
     "Exit status: 0 listed (also when there is none); 2 bad usage.\n"},
    {"git-setup",
     "Usage: korvane-cli git-setup [--global] [--apply]\n\n"
     "Prints the git configuration that makes Korvane the merge driver and merge tool of *.html files. With\n"
     "--apply it writes it: the settings into .git/config (with --global, ~/.gitconfig) and the line\n"
     "\"*.html merge=korvane\" into .gitattributes (with --global, core.attributesFile or\n"
     "~/.config/git/attributes).\n"
     "Exit status: 0 printed (and with --apply written); 2 bad usage, or git or the attributes file could\n"
     "not be written.\n"},
};

}  // namespace korvane::cli
