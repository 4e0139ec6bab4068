#!/bin/sh
# tools/contact_sheet.sh <data-dir> <out.png>
#
# Proof sheet of the data folder's images, all scaled with hard pixel
# edges (as the game shows them) on a dark background:
# - the four grid fonts, top to bottom vexo2_font, vexo_font, font,
#   fonttiny: each font's character set in rows of 32 cells, then a sample
#   line set in that font, at 4x;
# - every other PNG, labelled with its file name in the tiny font; strips
#   of known frame counts are cut into their frames with a gap between;
#   images (or frames) up to 128 pixels at 4x, larger ones at 1x (the label says so);
# - when the iceberg's images are there, the berg as the game composes it
#   on calm sea: outline, then face, both cut by their masks at a tier
#   (red < 1 - (2t + 1) / 50), at several tiers and with every face.
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

# label <text> <out.png>: the text in the tiny font (fonttiny.png: 95
# cells of 4x8 from the space on), white on transparent, at 1x.
label() {
  rest=$1
  dest=$2
  font=$data/fonttiny.png
  set --
  while [ -n "$rest" ]; do
    c=${rest%"${rest#?}"}
    rest=${rest#?}
    code=$(printf '%d' "'$c")
    [ "$c" = ' ' ] && code=32
    i=$((code - 32))
    if [ "$i" -ge 0 ] && [ "$i" -lt 95 ]; then
      set -- "$@" "(" "$font" -crop "4x8+$((i * 4))+0" +repage ")"
    fi
  done
  "$CONVERT" "$@" -background none +append "$dest"
}

# Frame counts of the strips in the data folder.
frames_of() {
  case $1 in
    hud_items.png|ship01.png|ship02.png|ship03.png|ship01outline.png|ship02outline.png|ship03outline.png) echo 9 ;;
    hud_buttons.png|hud_pausebuttons.png) echo 4 ;;
    hud_youdiedbuttons.png|menu_buttons.png) echo 6 ;;
    shop_bg.png) echo 2 ;;
    shop_buttons.png) echo 16 ;;
    *) echo 1 ;;
  esac
}

# One tile per image: the label at 2x over the image; tiles are laid out in
# rows no wider than about 1600 pixels.
MAXW=1600
row=0
roww=0
set --
t=0
for src in "$data"/*.png; do
  file=${src##*/}
  case $file in vexo2_font.png|vexo_font.png|font.png|fonttiny.png) continue ;; esac
  w=$("$CONVERT" "$src" -format %w info:)
  h=$("$CONVERT" "$src" -format %h info:)
  frames=$(frames_of "$file")
  scale=400
  note=""
  if [ $((w / frames)) -gt 128 ] || [ "$h" -gt 128 ]; then scale=100; note=" (1x)"; fi
  if [ "$frames" -gt 1 ] && [ $((w % frames)) -eq 0 ]; then
    fw=$((w / frames))
    "$CONVERT" "$src" -crop "${fw}x${h}" +repage -background none \
      -bordercolor none -border 1x0 +append "$tmp/pic.png"
    note="$note ($frames frames)"
  else
    cp "$src" "$tmp/pic.png"
  fi
  label "$file$note" "$tmp/lab.png"
  t=$((t + 1))
  "$CONVERT" \( "$tmp/lab.png" -filter point -resize 200% \) \
    \( "$tmp/pic.png" -filter point -resize "$scale%" \) \
    -background none -gravity northwest -splice 0x0 -append \
    -background "$BG" -alpha remove -alpha off \
    -bordercolor "$BG" -border 12 "$tmp/tile$t.png"
  tw=$("$CONVERT" "$tmp/tile$t.png" -format %w info:)
  if [ "$roww" -gt 0 ] && [ $((roww + tw)) -gt "$MAXW" ]; then
    row=$((row + 1))
    "$CONVERT" "$@" -background "$BG" -gravity northwest +append "$tmp/row$(printf %03d $row).png"
    set --
    roww=0
  fi
  set -- "$@" "$tmp/tile$t.png"
  roww=$((roww + tw))
done
if [ $# -gt 0 ]; then
  row=$((row + 1))
  "$CONVERT" "$@" -background "$BG" -gravity northwest +append "$tmp/row$(printf %03d $row).png"
fi

# The iceberg on the sea. A cell is 44x48 with the waterline centre at
# (22, 34): the outline's centre goes 8 above it, the face's top
# 24 - tier + band above it (band: tiers 4, 8, 11, 15, 18, 21, 24 reached).
berg=yes
for f in iceberg_m iceberg_t0 iceberg_t1 iceberg_t2 iceberg_t3 iceberg_t4 iceberg_t5 \
         iceberg_t6 iceberg_t7 icebergoutline_t icebergoutline_m; do
  [ -f "$data/$f.png" ] || berg=no
done
if [ $berg = yes ]; then
  SEA='#225c92'
  cut() {  # cut <image> <mask> <tier> <out>
    a=$(awk -v t="$3" 'BEGIN { a = 1 - (2 * t + 1) / 50; if (a < 0) a = 0; printf "%.6f", a }')
    "$CONVERT" "$1" "$2" -channel RGBA -fx "v.r < $a ? u : 0" "$4"
  }
  cell() {  # cell <face index> <tier> <out>
    band=0
    for th in 4 8 11 15 18 21 24; do [ "$2" -ge "$th" ] && band=$((band + 1)); done
    ow=$("$CONVERT" "$data/icebergoutline_t.png" -format %w info:)
    oh=$("$CONVERT" "$data/icebergoutline_t.png" -format %h info:)
    fw=$("$CONVERT" "$data/iceberg_t$1.png" -format %w info:)
    cut "$data/icebergoutline_t.png" "$data/icebergoutline_m.png" "$2" "$tmp/o.png"
    cut "$data/iceberg_t$1.png" "$data/iceberg_m.png" "$2" "$tmp/f.png"
    "$CONVERT" -size 44x48 "xc:$SEA" \
      "$tmp/o.png" -geometry "+$((22 - ow / 2))+$((34 - 8 - oh / 2))" -composite \
      "$tmp/f.png" -geometry "+$((22 - fw / 2))+$((34 - 24 + $2 - band))" -composite "$3"
  }
  set --
  for tier in 0 2 4 6 8 10 12 14 16 18 20 22 24; do
    cell 0 "$tier" "$tmp/bt$tier.png"
    set -- "$@" "$tmp/bt$tier.png"
  done
  label "iceberg, face 0, tiers 0 to 24 in steps of 2" "$tmp/lab.png"
  "$CONVERT" \( "$tmp/lab.png" -filter point -resize 200% \) \
    \( "$@" -background "$BG" -bordercolor "$BG" -border 1 +append -filter point -resize 400% \) \
    -background "$BG" -gravity northwest -append -alpha remove -alpha off \
    -bordercolor "$BG" -border 12 "$tmp/rowb1.png"
  for tier in 0 18; do
    set --
    for face in 0 1 2 3 4 5 6 7; do
      cell "$face" "$tier" "$tmp/bf$face.png"
      set -- "$@" "$tmp/bf$face.png"
    done
    label "iceberg, faces 0 to 7 at tier $tier" "$tmp/lab.png"
    "$CONVERT" \( "$tmp/lab.png" -filter point -resize 200% \) \
      \( "$@" -background "$BG" -bordercolor "$BG" -border 1 +append -filter point -resize 400% \) \
      -background "$BG" -gravity northwest -append -alpha remove -alpha off \
      -bordercolor "$BG" -border 12 "$tmp/rowb$((tier + 2)).png"
  done
fi

set -- "$tmp"/font*.png
for r in "$tmp"/row*.png; do
  [ -f "$r" ] && set -- "$@" "$r"
done
"$CONVERT" "$@" -background "$BG" -gravity northwest -append "$out"
