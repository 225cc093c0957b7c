#!/usr/bin/env bash
# Renders the application icon's SVG as a square PNG: render-icon.sh SVG SIZE OUTPUT.PNG
# Used by the build for the icon-theme sizes that are not kept in assets/icons.
# Needs rsvg-convert (Debian package librsvg2-bin); RSVG_CONVERT may name another copy.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: render-icon.sh SVG SIZE OUTPUT.PNG" >&2
  exit 2
fi
svg=$1 size=$2 out=$3
rsvg=${RSVG_CONVERT:-rsvg-convert}
command -v "$rsvg" >/dev/null || { echo "render-icon.sh: $rsvg not found (apt-get install librsvg2-bin)" >&2; exit 1; }

mkdir -p "$(dirname "$out")"
# Write beside the target and rename, so an interrupted build never leaves a partial PNG behind.
tmp=$(mktemp "$out.XXXXXX")
trap 'rm -f "$tmp"' EXIT
"$rsvg" --width "$size" --height "$size" --output "$tmp" "$svg"
chmod 644 "$tmp"
mv "$tmp" "$out"
trap - EXIT
