#!/bin/sh
# The documentation's links hold: every relative link in README.md, docs/*.md, bench/README.md and
# tests/README.md names a file that exists, and every #anchor a heading of that file (GitHub's rule:
# lowercase, spaces become '-', punctuation other than '-' and '_' is dropped, a repeated heading gets
# -1, -2, ...). Links inside code are no links. README.md stays short enough to read: 220 lines at most.
cd "$(dirname "$0")/.." || exit 2
status=0
lines=$(wc -l <README.md)
if [ "$lines" -gt 220 ]; then
    echo "README.md has $lines lines; at most 220 (move the rest into docs/)"
    status=1
fi
perl -CSD -Mutf8 -e '
use strict;
my %anchors;
sub text_of { my ($f) = @_; open(my $h, "<:encoding(UTF-8)", $f) or return undef; local $/; my $t = <$h>; return $t; }
sub without_code { my ($t) = @_; $t =~ s/^ {0,3}```.*?^ {0,3}```[^\n]*$//gms; $t =~ s/(`+).*?\1//gs; return $t; }
sub anchors_of {
    my ($f) = @_;
    return $anchors{$f} if $anchors{$f};
    my %seen; my %have;
    my $t = text_of($f); $t =~ s/^ {0,3}```.*?^ {0,3}```[^\n]*$//gms;
    for my $line (split /\n/, $t) {
        next unless $line =~ /^ {0,3}#{1,6}\s+(.*?)\s*#*\s*$/;
        my $s = lc $1;
        $s =~ s/[^\w\- ]//g;
        $s =~ s/ /-/g;
        my $n = $seen{$s}++;
        $have{$n ? "$s-$n" : $s} = 1;
    }
    return $anchors{$f} = \%have;
}
my $bad = 0;
for my $file (@ARGV) {
    my $t = text_of($file);
    defined $t or do { print "$file: cannot be read\n"; $bad = 1; next; };
    (my $dir = $file) =~ s{[^/]*$}{};
    my $body = without_code($t);
    while ($body =~ /\]\(\s*<?([^)\s>]+)>?(?:\s+"[^"]*")?\s*\)/g) {
        my $link = $1;
        next if $link =~ /^[a-z][a-z0-9+.-]*:/i;
        my ($path, $anchor) = split /#/, $link, 2;
        my $target = $path eq "" ? $file : "$dir$path";
        if (!-e $target) { print "$file: link to $link: no file $target\n"; $bad = 1; next; }
        next unless defined $anchor && $anchor ne "";
        if ($target !~ /\.md$/ || !anchors_of($target)->{$anchor}) {
            print "$file: link to $link: no heading #$anchor in $target\n"; $bad = 1;
        }
    }
}
exit $bad;
' README.md docs/*.md bench/README.md tests/README.md || status=1
exit $status
