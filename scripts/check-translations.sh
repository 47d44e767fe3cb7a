#!/usr/bin/env bash
# The catalogues match the texts of the source: po/en.po has an English entry,
# neither empty nor fuzzy, for every text of po/velkaro.pot and none besides;
# po/tr.po (Turkish, every msgstr empty: the text as written) holds the same
# texts. Needs GNU gettext. Regenerate the template with scripts/update-texts.sh
# and bring a catalogue up to date with
#   msgmerge --update --no-fuzzy-matching po/en.po po/velkaro.pot
#   scripts/check-translations.sh [PO_DIR]     (default: po)
set -euo pipefail
cd "$(dirname "$0")/.."

po="${1:-po}"
template="$po/velkaro.pot"
status=0

if [ ! -f "$template" ]; then
  echo "check-translations: $template is not there (scripts/update-texts.sh writes it); nothing to check"
  exit 0
fi

fail() {
  echo "check-translations: $*" >&2
  status=1
}

# What a command says, indented under the failure it explains.
quietly() {
  local output
  if ! output=$("$@" 2>&1); then
    sed 's/^/  /' <<<"$output" >&2
    return 1
  fi
}

# check CATALOGUE TRANSLATED: the catalogue's texts are the template's.
check() {
  local catalogue=$1 translated=$2
  if [ ! -f "$catalogue" ]; then
    fail "$catalogue is missing"
    return
  fi
  quietly msgfmt --check -o /dev/null "$catalogue" || { fail "$catalogue is not a valid catalogue"; return; }
  if [ "$translated" = yes ]; then
    # Untranslated and fuzzy entries count as missing.
    quietly msgcmp "$catalogue" "$template" || fail "$catalogue lacks texts of $template, or has them empty or fuzzy"
  else
    quietly msgcmp --use-untranslated --use-fuzzy "$catalogue" "$template" || fail "$catalogue lacks texts of $template"
  fi
  # Texts the source no longer has.
  quietly msgcmp --use-untranslated --use-fuzzy "$template" "$catalogue" || fail "$catalogue holds texts $template does not"
  if [ -n "$(msgattrib --only-obsolete --no-wrap "$catalogue" | grep '^#~ msgid' || true)" ]; then
    fail "$catalogue holds obsolete (#~) entries"
  fi
}

check "$po/en.po" yes
check "$po/tr.po" no
[ "$status" = 0 ] && echo "check-translations: the catalogues hold every text of $template, English translated"
exit "$status"
