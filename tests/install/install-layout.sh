#!/usr/bin/env bash
# install-layout.sh BUILD SOURCE: installs the build with DESTDIR under a prefix whose name
# needs quoting in the desktop entry, then makes the Debian package and unpacks it; both
# must lay out exactly the program, its link, the desktop entry, the AppStream metadata and
# the icons, and the package must depend on the libraries the program links.
source "$(dirname "$0")/common.sh"
build=$1
source_dir=$2

# Both installs rewrite the build's install_manifest.txt: the user's is put back.
manifest=$build/install_manifest.txt
[ ! -e "$manifest" ] || cp -p "$manifest" "$tmp/manifest"
restore() {
  if [ -e "$tmp/manifest" ]; then mv -f "$tmp/manifest" "$manifest"; else rm -f "$manifest"; fi
  rm -rf "$tmp"
}
trap restore EXIT

# check ROOT EXEC: ROOT is the installed prefix on disk, EXEC the Exec key expected.
check() {
  local root=$1 exec=$2
  diff -u - <(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) <<'LIST' ||
bin/quorin
lib/quorin/quorin
share/applications/org.quorin.quorin.desktop
share/icons/hicolor/16x16/apps/quorin.png
share/icons/hicolor/32x32/apps/quorin.png
share/icons/hicolor/48x48/apps/quorin.png
share/icons/hicolor/scalable/apps/quorin.svg
share/metainfo/org.quorin.quorin.metainfo.xml
LIST
    fail "$root: other files than expected"
  [ -L "$root/bin/quorin" ] || fail "$root/bin/quorin is not a link"
  [ "$(readlink "$root/bin/quorin")" = ../lib/quorin/quorin ] ||
    fail "$root/bin/quorin points at $(readlink "$root/bin/quorin")"
  [ -x "$root/lib/quorin/quorin" ] && file -b "$root/lib/quorin/quorin" | grep -q '^ELF .* executable' ||
    fail "$root/lib/quorin/quorin is not an executable program"

  local entry=$root/share/applications/org.quorin.quorin.desktop
  local report
  report=$(desktop-file-validate "$entry" 2>&1) && [ -z "$report" ] || fail "$entry: $report"
  grep -qxF "Exec=$exec" "$entry" || fail "$entry: $(grep '^Exec=' "$entry") instead of Exec=$exec"
  grep -qx 'Icon=quorin' "$entry" || fail "$entry names another icon"
  local metainfo=$root/share/metainfo/org.quorin.quorin.metainfo.xml
  report=$(appstreamcli validate --no-net "$metainfo" 2>&1) && ! grep -q '^[EWI]: ' <<<"$report" ||
    fail "$metainfo: $report"

  cmp -s "$root/share/icons/hicolor/16x16/apps/quorin.png" \
    "$source_dir/platform/qt/resources/quorin-icon.png" || fail "the 16-pixel icon is not the window icon"
  for size in 32 48; do
    file -b "$root/share/icons/hicolor/${size}x$size/apps/quorin.png" |
      grep -q "^PNG image data, $size x $size," || fail "the $size-pixel icon has another size"
  done
  file -b "$root/share/icons/hicolor/scalable/apps/quorin.svg" | grep -q '^SVG' ||
    fail "the scalable icon is not an SVG picture"
}

# The user's own install, as under ~/.local; the entry quotes the path with the space and
# never names the DESTDIR staging folder.
prefix="/home/用户 名/.local"
DESTDIR="$tmp/stage" cmake --install "$build" --prefix "$prefix" >/dev/null
check "$tmp/stage$prefix" "\"$prefix/bin/quorin\""
grep -qxF "$prefix/share/applications/org.quorin.quorin.desktop" "$manifest" ||
  fail "install_manifest.txt does not list the desktop entry"

cpack -G DEB -B "$tmp/package" --config "$build/CPackConfig.cmake" >/dev/null
debs=("$tmp"/package/quorin_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no package"
dpkg-deb -x "${debs[0]}" "$tmp/deb"
[ "$(cd "$tmp/deb" && ls -A)" = usr ] || fail "the package installs outside /usr"
check "$tmp/deb/usr" /usr/bin/quorin

# dpkg-shlibdeps: the libraries the program links, each with its lowest version.
depends=$(dpkg-deb -f "${debs[0]}" Depends)
for package in libc6 libcurl4 libqt6core6 libqt6widgets6 libqt6webenginewidgets6 \
  libqt6webenginecore6-bin; do
  [[ ", $depends," =~ ", $package"[\ ,] ]] || fail "Depends lacks $package: $depends"
done
