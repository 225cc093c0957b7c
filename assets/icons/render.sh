#!/usr/bin/env bash
# Renders the kept icon sizes (default 16 and 32) from qelview.svg as qelview-SIZE.png beside it,
# with the same renderer the build uses for the icon theme.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for size in ${@:-16 32}; do
  "$here/../../packaging/render-icon.sh" "$here/qelview.svg" "$size" "$here/qelview-$size.png"
done
