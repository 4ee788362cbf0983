#!/bin/sh
# Installs the build into a temporary DESTDIR, runs the installed programs
# from there (a one-liner, a bound executable, each manual page through
# man), checks that the manifest lists exactly the files installed, and
# that uninstalling from it removes them.
#
#   check_install.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
src=$2
dest=$(mktemp -d "${TMPDIR:-/tmp}/vorninst.XXXXXX")
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR=$dest cmake --install "$build" --prefix /opt/vorn --component vorn >/dev/null ||
  fail "cmake --install"
root=$dest/opt/vorn
[ "$("$root/bin/vorn" -F: '{ print $2 * 7 }' <<EOT
a:6
EOT
)" = 42 ] || fail "the installed vorn"
printf '{ n += NF } END { print n }\n' > "$dest/count.awk"
"$root/bin/vornc" --bind -o "$dest/count" "$dest/count.awk" || fail "the installed vornc --bind"
[ "$(printf 'a b\nc\n' | "$dest/count")" = 3 ] || fail "the bound executable"
for page in vorn vornc vrun; do
  out=$(MANWIDTH=80 man -l "$root/share/man/man1/$page.1" 2>&1) || fail "man -l $page.1"
  printf '%s\n' "$out" | grep -q "^SYNOPSIS" || fail "man -l $page.1 shows no SYNOPSIS: $out"
done

manifest=$build/install_manifest_vorn.txt
sort "$manifest" > "$dest/listed"
find "$root" -type f | sed "s|^$dest||" | sort > "$dest/found"
[ -s "$dest/found" ] && diff "$dest/listed" "$dest/found" || fail "the manifest is not what was installed"
DESTDIR=$dest cmake -DMANIFEST="$manifest" -P "$src/cmake/uninstall.cmake" >/dev/null || fail "uninstall"
[ -z "$(find "$root" -type f)" ] || fail "files left after uninstall: $(find "$root" -type f)"
echo "installed, ran and removed $(wc -l < "$dest/listed") files"
