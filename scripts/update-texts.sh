#!/usr/bin/env bash
# Writes po/velkaro.pot, the catalogue of every text a person reads, from the
# texts marked in src/ with Tr, Tr1254, TrQ or VK_TEXT (see src/core/UserText.h).
# Locations name the file only, and the header carries no date, so the
# catalogue changes only when a text does.
# Usage: scripts/update-texts.sh [OUTPUT]   (default po/velkaro.pot)
set -euo pipefail
cd "$(dirname "$0")/.."

output="${1:-po/velkaro.pot}"

mapfile -t sources < <(LC_ALL=C find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)

raw=$(mktemp)
trap 'rm -f "$raw"' EXIT
# Values are "%1".."%9" (FillIn, QString::arg), never C formats: "%%1" is a
# percent sign before a value, which xgettext would take for one.
xgettext --language=C++ --from-code=UTF-8 \
  --keyword= --keyword=Tr --keyword=Tr1254 --keyword=TrQ --keyword=VK_TEXT \
  --flag=Tr:1:no-c-format \
  --sort-output --add-location=file --no-wrap \
  --package-name=Velkaro --msgid-bugs-address=http://www.velkaro.net/forum/ --force-po \
  --output="$raw" "${sources[@]}"

# xgettext dates its header and leaves the charset open: neither belongs in a
# catalogue kept in the tree.
sed -e '/^"POT-Creation-Date: /d' \
    -e 's/charset=CHARSET/charset=UTF-8/' \
    -e '1,/^$/{/^# SOME DESCRIPTIVE TITLE\.$/s/.*/# The texts of Velkaro that a person reads./}' \
    -e '1,/^$/{/^# Copyright (C) YEAR /d;/^# This file is distributed /d;/^# FIRST AUTHOR /d}' \
    "$raw" >"$output"
