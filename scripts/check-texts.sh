#!/usr/bin/env bash
# Fails when po/velkaro.pot is not what scripts/update-texts.sh makes from
# src/, when src/ holds a string literal with a Turkish letter that is not
# marked as a text with Tr, Tr1254, TrQ or VK_TEXT, or one with a code page
# 1254 escape of such a letter (texts are written readable, marked or not).
# Texts without such a letter are not seen here: mark them as you write them.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0

fresh=$(mktemp)
trap 'rm -f "$fresh"' EXIT
scripts/update-texts.sh "$fresh"
if ! diff -u po/velkaro.pot "$fresh" >&2; then
  echo "check-texts: po/velkaro.pot is stale; run scripts/update-texts.sh" >&2
  status=1
fi

# Literals that hold Turkish letters but are no text a person reads, as
# "file<TAB>literal as written". Each says why.
allowed=$(cat <<'LIST'
src/search/adapters/DivxForever.cpp	G\xF6nderilme Tarihi:
src/subtitle/TextEncoding.cpp	\xD0\xDD\xDE\xF0\xFD\xFE
src/subtitle/TextEncoding.cpp	\xFF\xFE\0\0
src/subtitle/TextEncoding.cpp	\0\0\xFE\xFF
src/subtitle/TextEncoding.cpp	\xFF\xFE
src/subtitle/TextEncoding.cpp	\xFE\xFF
LIST
)
# DivxForever.cpp: the date's label as the site's pages write it, looked for there.
# TextEncoding.cpp: the letters that tell a code page 1254 text from ISO
# 8859-15, and the byte order marks of UTF-16 and UTF-32.

mapfile -t sources < <(LC_ALL=C find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)
if ! ALLOWED="$allowed" perl -CSD -e '
  use strict;
  use utf8;
  use warnings;
  my %allowed = map { $_ => 1 } split /\n/, $ENV{ALLOWED};
  my $escape = qr/\\x(?i:FD|DD|FE|DE|F0|D0|E7|C7|F6|D6|FC|DC)(?![0-9A-Fa-f])/;
  my $letter = qr/[çğıİöşüÇĞÖŞÜ]/;
  my $found = 0;
  for my $file (@ARGV) {
    open my $in, "<:encoding(UTF-8)", $file or die "$file: $!";
    local $/;
    my $code = <$in>;
    close $in;
    my $marked = 0;  # the literal before continues a marked text
    my $before = ""; # code since the last literal
    while ($code =~ m{\G(?:
          (?<comment>//[^\n]*|/\*.*?\*/)
        | (?<raw>R"(?<delim>[^(\s]*)\(.*?\)\k<delim>")
        | (?<char>\x27(?:[^\x27\\\n]|\\.)*\x27)
        | (?<literal>(?:u8|u|U|L)?"(?<text>(?:[^"\\\n]|\\.)*)")
        | (?<other>[^"/\x27R]+|.)
      )}gsx) {
      next if defined $+{comment};
      if (defined $+{literal}) {
        my $text = $+{text};
        my $opened = $before =~ /\b(?:Tr|Tr1254|TrQ|VK_TEXT)\s*\(\s*$/;
        my $continues = $marked && $before =~ /^\s*$/;
        $marked = $opened || $continues;
        my $why = $text =~ $escape ? "code page escape in" : !$marked && $text =~ $letter ? "unmarked" : "";
        if ($why && !$allowed{"$file\t$text"}) {
          my $line = 1 + (() = substr($code, 0, pos($code)) =~ /\n/g);
          print STDERR "$file:$line: $why text \"$text\"\n";
          $found = 1;
        }
        $before = "";
      } else {
        $before .= $&;
        $marked = 0 if $before !~ /^\s*$/;
      }
    }
  }
  exit $found;
' "${sources[@]}"; then
  echo "check-texts: write these texts readable and marked (src/core/UserText.h) or, if no person reads them, allow them here" >&2
  status=1
fi

[ "$status" -eq 0 ] && echo "check-texts: the catalogue is fresh and every Turkish text is marked"
exit "$status"
