#!/usr/bin/env bash
# Installs the build into a scratch root and builds a C program against it
# with pkg-config, as an integrator would.
set -euo pipefail
build=$1
src=$(dirname "$0")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr/local >/dev/null
prefix="$root/usr/local"
libdir=$(ls -d "$prefix"/lib*/pkgconfig | head -n1 | xargs dirname)
# The .pc file names the final prefix; point pkg-config at the scratch root.
export PKG_CONFIG_SYSROOT_DIR="$root"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc -Wall -Werror -o "$root/consumer" "$src/consumer.c" $(pkg-config --cflags --libs kavex)
LD_LIBRARY_PATH="$libdir" "$root/consumer"
for program in kavex kavex-sim kavex-trace; do
  test -x "$prefix/bin/$program"
done
test -x "$prefix/bin/velmora"
# The desktop entry names a program and an icon that are installed with it.
entry="$prefix/share/applications/velmora.desktop"
grep -qx 'Exec=velmora' "$entry"
grep -qx 'Icon=velmora' "$entry"
grep -q '^Name\[de\]=\|^GenericName\[de\]=' "$entry"
test -s "$prefix/share/icons/hicolor/scalable/apps/velmora.svg"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry"; fi
