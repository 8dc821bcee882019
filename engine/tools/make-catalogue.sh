#!/bin/sh
# Builds the sample question catalogue: converts the UTF-8 sources to Latin-1 with CR LF line ends and zips them.
# Usage: make-catalogue.sh SOURCE_DIR OUTPUT_DIR   (writes OUTPUT_DIR/KAEFragen.qst)
set -eu
src=$1
out=$2
stage=$out/entries
rm -rf "$stage"
mkdir -p "$stage"
for name in TAfragen.txt TEfragen.txt BEfragen.txt VEfragen.txt \
            TAabschnitte.txt TEabschnitte.txt BEabschnitte.txt VEabschnitte.txt FragenVersion.txt; do
  if [ ! -f "$src/$name" ]; then
    echo "make-catalogue: $src/$name is missing" >&2
    exit 1
  fi
  # iconv fails on any character outside Latin-1, so no UTF-8 sequence can reach the catalogue.
  if ! iconv -f UTF-8 -t ISO-8859-1 "$src/$name" > "$stage/$name.tmp"; then
    echo "make-catalogue: $src/$name holds a character outside Latin-1" >&2
    exit 1
  fi
  sed -e 's/\r$//' -e 's/$/\r/' "$stage/$name.tmp" > "$stage/$name"
  rm -f "$stage/$name.tmp"
  touch -t 202612010000 "$stage/$name"
done
rm -f "$out/KAEFragen.qst.tmp"
(cd "$stage" && zip -q -X -j "../KAEFragen.qst.tmp" TAfragen.txt TEfragen.txt BEfragen.txt VEfragen.txt \
  TAabschnitte.txt TEabschnitte.txt BEabschnitte.txt VEabschnitte.txt FragenVersion.txt)
mv "$out/KAEFragen.qst.tmp" "$out/KAEFragen.qst"
