#!/bin/sh
# check_install.sh BUILD SOURCE: installs into a temporary DESTDIR, runs the
# installed programs (long options, a bound executable and its name, the
# .ae refusal, each manual page: groff -ww clean, man -l), checks the
# manifest and uninstalls.
build=$1
dest=$(mktemp -d "${TMPDIR:-/tmp}/vorninst.XXXXXX")
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
DESTDIR=$dest cmake --install "$build" --prefix /opt/vorn --component vorn >/dev/null || fail install
bin=$dest/opt/vorn/bin
cd "$dest" || exit 1
[ "$(echo a:6 | "$bin/vorn" --field-separator=: --assign=k=7 -- '{ print $2 * k }')" = 42 ] || fail vorn
"$bin/vrun" --version | grep -qx "vrun [0-9.]*" || fail "vrun --version"
printf '{ n += NF } END { print n }\n' > count.awk
"$bin/vornc" --bind count.awk && [ "$(printf 'a b\nc\n' | ./count)" = 3 ] || fail "bound executable"
[ "$(./count --help 2>&1)" = 'count: warning: Can not open file: "--help"' ] || fail "its name"
cp count.awk count.ae.awk
"$bin/vornc" --bind count.ae.awk 2>/dev/null || [ -e count.ae ] || msg=refused
[ "${msg:-}" = refused ] || fail "vornc --bind to a name ending in .ae"
for page in "$dest"/opt/vorn/share/man/man1/*.1; do
  groff -ww -z -man "$page" 2>&1 | grep . && fail "groff warns on $page"
  man -l "$page" 2>&1 | grep -q "^SYNOPSIS" || fail "man -l $page"
done
sort "$build/install_manifest_vorn.txt" > listed
find "$dest/opt" -type f | sed "s|^$dest||" | sort > found
[ -s found ] && diff listed found || fail "the manifest is not what was installed"
DESTDIR=$dest cmake -DMANIFEST="$build/install_manifest_vorn.txt" -P "$2/cmake/uninstall.cmake" >/dev/null
[ -z "$(find "$dest/opt" -type f)" ] || fail "left after uninstall: $(find "$dest/opt" -type f)"
