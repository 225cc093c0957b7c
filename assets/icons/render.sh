#!/usr/bin/env bash
# Renders the application icon from qelview.svg at the given sizes (default 16 and 32), as
# qelview-SIZE.png beside it. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in "${@:-16 32}"; do
  for s in $size; do
    rsvg-convert --width "$s" --height "$s" --output "qelview-$s.png" qelview.svg
  done
done
