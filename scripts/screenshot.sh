#!/usr/bin/env bash
# Takes docs/screenshot.png: starts the viewer on a virtual X server (Xvfb), opens a sample from
# examples/ through File, Open (F3) by typing its path into the dialog, as a person would, and
# saves a picture of the window. Not part of the tests: run it by hand when the window changes.
#
# usage: scripts/screenshot.sh [QELVIEW [SAMPLE]]
#   QELVIEW  the viewer to run; default build/release/src/viewer/qelview, built when missing
#   SAMPLE   the settings file to open; default the first examples/*.QEL
set -euo pipefail
cd "$(dirname "$0")/.."

qelview=${1:-build/release/src/viewer/qelview}
sample=${2:-$(find examples -maxdepth 1 -iname '*.qel' | LC_ALL=C sort | head -n 1)}
out=docs/screenshot.png

scripts/install-deps.sh
if [ $# -eq 0 ] && [ ! -x "$qelview" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target qelview
fi
[ -x "$qelview" ] || { echo "screenshot.sh: no viewer at $qelview" >&2; exit 1; }
[ -f "$sample" ] || { echo "screenshot.sh: no sample settings file (examples/*.QEL)" >&2; exit 1; }
sample=$(realpath "$sample")

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to the given descriptor.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "screenshot.sh: Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(cat "$work/display")"
export DISPLAY
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

QT_QPA_PLATFORM=xcb "$qelview" 2>"$work/qelview.log" &
viewer=$!
pids+=("$viewer")

# Waits up to 20 s for a window whose title is exactly $1 and prints its id.
find_window() {
  timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}
# True while a window titled exactly $1 is shown.
window_shown() {
  xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1
}

main=$(find_window "QEL Viewer") || { cat "$work/qelview.log" >&2; exit 1; }
# No window manager runs: focus by hand (windowactivate needs one), and keep the pointer off
# the window so that no hover highlight ends up in the picture.
xdotool mousemove 0 0
xdotool windowfocus --sync "$main"
xdotool key F3

dialog=$(find_window "Open Settings File")
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 10 "$sample"
sleep 0.5
# Tab first: it closes the file-name completer's list (an Enter taken by the list can leave
# it on screen after the dialog has gone), then Enter presses the dialog's Open button.
xdotool key Tab
for _ in 1 2 3; do
  xdotool key Return
  sleep 0.7
  window_shown "Open Settings File" || break
done
if window_shown "Open Settings File"; then
  echo "screenshot.sh: the open dialog did not close" >&2
  exit 1
fi
if window_shown Qelview; then
  echo "screenshot.sh: the viewer reported an error for $sample" >&2
  exit 1
fi

# Focus falls back to the root window when the dialog closes: give it back to the viewer.
xdotool windowfocus --sync "$main"
sleep 0.5
# The picture is taken from the screen, so no other window of the viewer may lie over it.
others=$(xdotool search --onlyvisible --pid "$viewer" | grep -vx "$main" || true)
if [ -n "$others" ]; then
  echo "screenshot.sh: other windows are still shown over the viewer:" >&2
  for w in $others; do echo "  $w '$(xdotool getwindowname "$w")'" >&2; done
  exit 1
fi
mkdir -p docs
# -strip drops the time stamps, so an unchanged window gives an unchanged file.
import -window "$main" -strip "png:$out"
echo "screenshot.sh: wrote $out ($(identify -format '%wx%h' "$out")) from $sample"
