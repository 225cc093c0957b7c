#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Idempotent: apt-get is
# only asked when something is missing. Runs as root (or through sudo when it is there).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  libgtest-dev
  qt6-base-dev libgl-dev fonts-liberation fonts-dejavu-core
  valgrind jq xvfb xdotool
  desktop-file-utils appstream dpkg-dev librsvg2-bin imagemagick groff-base
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
