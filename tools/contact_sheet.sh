#!/bin/sh
# tools/contact_sheet.sh <data-dir> <out.png>
#
# Proof sheet of the four grid fonts: each font's character set in rows of
# 32 cells, then a sample line set in that font, all scaled 4x with hard
# pixel edges (as the game shows them) on a dark background, fonts stacked
# top to bottom: vexo2_font, vexo_font, font, fonttiny.
set -eu

CONVERT=/usr/bin/convert
BG='#1d2430'
SAMPLE='Sphinx of black quartz, judge my vow! 0123456789 (x+y)*z=?'

if [ $# -ne 2 ]; then
  echo "usage: $0 <data-dir> <out.png>" >&2
  exit 2
fi
data=$1
out=$2
[ -x "$CONVERT" ] || { echo "contact_sheet: $CONVERT not found" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

n=0
for spec in vexo2_font.png:96:1 vexo_font.png:96:1 font.png:95:0 fonttiny.png:95:0; do
  file=${spec%%:*}
  pad=${spec##*:}
  cells=${spec#*:}
  cells=${cells%:*}
  src=$data/$file
  [ -f "$src" ] || { echo "contact_sheet: $src missing" >&2; exit 1; }
  w=$("$CONVERT" "$src" -format %w info:)
  h=$("$CONVERT" "$src" -format %h info:)
  cw=$((w / cells))

  # The character set, 32 cells to a row with a small gap between rows.
  "$CONVERT" "$src" -crop "$((cw * 32))x$h" +repage \
    -background none -gravity south -splice 0x2 -gravity northwest \
    -append "$tmp/set.png"

  # The sample line as the renderer sets it: each character's glyph
  # rectangle (the cell inset by the border of padded fonts) side by side;
  # characters outside the font are skipped.
  set --
  rest=$SAMPLE
  while [ -n "$rest" ]; do
    c=${rest%"${rest#?}"}
    rest=${rest#?}
    code=$(printf '%d' "'$c")
    [ "$c" = ' ' ] && code=32
    i=$((code - 32))
    if [ "$i" -ge 0 ] && [ "$i" -lt "$cells" ]; then
      set -- "$@" "(" "$src" -crop "$((cw - 2 * pad))x$((h - 2 * pad))+$((i * cw + pad))+$pad" \
        +repage ")"
    fi
  done
  "$CONVERT" "$@" -background none +append "$tmp/sample.png"

  n=$((n + 1))
  "$CONVERT" "$tmp/set.png" "$tmp/sample.png" -background none -gravity northwest \
    -splice 0x4 -append \
    -background "$BG" -alpha remove -alpha off \
    -filter point -resize 400% \
    -bordercolor "$BG" -border 12 "$tmp/font$n.png"
done

"$CONVERT" "$tmp"/font*.png -background "$BG" -gravity northwest -append "$out"
