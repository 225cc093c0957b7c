#!/usr/bin/env bash
# Checks of the desktop integration and the Debian package, with the tools a distribution uses.
# usage: packaging_test.sh CHECK BUILD_DIR SOURCE_DIR WITH_VIEWER(0|1)
#   desktop    the launcher passes desktop-file-validate and starts the viewer without arguments
#   metainfo   the AppStream metainfo passes appstreamcli validate and points at a screenshot
#   manpage    qeloutline.1 renders without groff warnings and documents every option of --help
#   icons      the 16 and 32 px icons kept in assets/icons are renderings of the one SVG
#   install    cmake --install into a fresh prefix holds exactly the expected files
#   deb        cpack builds qelview_*.deb whose contents and Depends are as expected
set -euo pipefail

check=$1 build=$2 source=$3 with_viewer=$4
app_id=org.qelviewer.qelview
cmake=${CMAKE_COMMAND:-cmake}
cpack=${CPACK_COMMAND:-cpack}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Paths below the install prefix, sorted as `sort` sorts them.
expected_files() {
  {
    echo bin/qeloutline
    echo share/man/man1/qeloutline.1
    if [ "$with_viewer" = 1 ]; then
      echo bin/qelview
      echo "share/applications/$app_id.desktop"
      echo "share/metainfo/$app_id.metainfo.xml"
      for size in 16 32 48 256; do
        echo "share/icons/hicolor/${size}x${size}/apps/$app_id.png"
      done
      echo "share/icons/hicolor/scalable/apps/$app_id.svg"
    fi
  } | LC_ALL=C sort
}

# "WIDTHxHEIGHT" from a PNG's IHDR chunk.
png_size() {
  local b
  read -r -a b < <(od -An -v -tu1 -j16 -N8 "$1")
  [ ${#b[@]} -eq 8 ] || fail "$1: not a PNG"
  echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

# The value of KEY in a .desktop file's main group.
desktop_value() {
  sed -n "s/^$2=//p" "$1" | head -n 1
}

check_desktop() {
  local file="$build/packaging/$app_id.desktop" out
  out=$(desktop-file-validate "$file" 2>&1) || fail "desktop-file-validate: $out"
  # Hints are suggestions; errors and warnings are faults.
  if grep -E ': (error|warning):' <<<"$out"; then
    fail "desktop-file-validate reported the lines above"
  fi
  [ "$(desktop_value "$file" Name)" = "QEL Viewer" ] || fail "Name is not \"QEL Viewer\""
  [ "$(desktop_value "$file" Exec)" = qelview ] || fail "Exec is not the bare program name"
  [ "$(desktop_value "$file" Icon)" = "$app_id" ] || fail "Icon is not $app_id"
  [ -n "$(desktop_value "$file" Comment)" ] || fail "no Comment"
  grep -Eq '^Categories=(.*;)?Utility;' "$file" || fail "not in the Utility category"
}

check_metainfo() {
  local file="$build/packaging/$app_id.metainfo.xml"
  appstreamcli validate --no-net "$file" || fail "appstreamcli validate"
  grep -q "<id>$app_id</id>" "$file" || fail "component id is not $app_id"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$file" ||
    fail "launchable is not $app_id.desktop"
  grep -Eq '<image>https?://[^<]+\.png</image>' "$file" || fail "no screenshot image"
}

check_manpage() {
  local page="$build/packaging/qeloutline.1" qeloutline="$build/src/cli/qeloutline" warnings
  warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff: $warnings"
  local options
  options=$("$qeloutline" --help | grep -Eo -- '--[a-z]+' | sort -u)
  [ -n "$options" ] || fail "qeloutline --help names no option"
  for option in $options; do
    grep -Fq -- ".B ${option//-/\\-}" "$page" || fail "the man page does not document $option"
  done
  # The section headings a reader looks for.
  for section in NAME SYNOPSIS OPTIONS 'EXIT STATUS'; do
    grep -Fxq ".SH $section" "$page" || fail "the man page has no $section section"
  done
}

check_icons() {
  local svg="$source/assets/icons/qelview.svg" size different
  for size in 16 32; do
    rsvg-convert --width "$size" --height "$size" --output "$work/$size.png" "$svg"
    # compare prints the number of pixels that differ by more than the fuzz.
    different=$(compare -metric AE -fuzz 2% "$source/assets/icons/qelview-$size.png" \
      "$work/$size.png" null: 2>&1) || true
    [ "$different" = 0 ] ||
      fail "assets/icons/qelview-$size.png is not a rendering of qelview.svg ($different pixels differ; run assets/icons/render.sh)"
  done
}

check_install() {
  local prefix="$work/prefix" actual
  "$cmake" --install "$build" --prefix "$prefix" >/dev/null
  actual=$(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort)
  diff -u <(expected_files) <(echo "$actual") || fail "installed files differ from the list (- expected, + installed)"

  for program in qeloutline $([ "$with_viewer" = 1 ] && echo qelview); do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
  done
  local version
  version=$("$prefix/bin/qeloutline" --version) || fail "the installed qeloutline does not run"
  grep -Eq '^qeloutline [0-9]+\.[0-9]+\.[0-9]+$' <<<"$version" || fail "unexpected version line: $version"

  [ "$with_viewer" = 1 ] || return 0
  local png
  for size in 16 32 48 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [ "$(png_size "$png")" = "${size}x${size}" ] || fail "$png is $(png_size "$png"), not ${size}x${size}"
  done
  local desktop="$prefix/share/applications/$app_id.desktop"
  [ -x "$prefix/bin/$(desktop_value "$desktop" Exec)" ] || fail "the launcher's Exec is not installed"
  # The metainfo, the launcher it names and the icons, as a software centre sees them together.
  appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"
}

check_deb() {
  "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack"; }
  local debs=("$work"/out/qelview_*.deb)
  if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    fail "cpack made no single qelview_*.deb"
  fi
  local deb=${debs[0]}

  [ "$(dpkg-deb -f "$deb" Package)" = qelview ] || fail "Package is not qelview"
  local listed
  listed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's#^\./usr/##' | LC_ALL=C sort)
  diff -u <(expected_files) <(echo "$listed") || fail "package contents differ from the list (- expected, + in the package)"

  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for font in fonts-liberation fonts-dejavu-core; do
    grep -Eq "(^|, )$font(,|\$)" <<<"$depends" || fail "Depends lacks $font"
  done
  # Computed by dpkg-shlibdeps from the binaries, with version bounds.
  grep -Eq '(^|, )libc6 \(>= [0-9.]+\)' <<<"$depends" || fail "Depends lacks the computed libc6"
  if [ "$with_viewer" = 1 ]; then
    grep -Eq '(^|, )libqt6widgets6 \(>= [0-9.]+\)' <<<"$depends" ||
      fail "Depends lacks the computed libqt6widgets6"
  fi
}

case "$check" in
  desktop) check_desktop ;;
  metainfo) check_metainfo ;;
  manpage) check_manpage ;;
  icons) check_icons ;;
  install) check_install ;;
  deb) check_deb ;;
  *) fail "unknown check $check" ;;
esac
echo "ok: $check"
