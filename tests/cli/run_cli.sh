#!/bin/sh
# Runs each command of table.txt with vorn, vornc and vrun of BINDIR first
# on PATH, in a fresh directory, and compares its output and status.
#   run_cli.sh BINDIR VERSION
dir=$(cd "$(dirname "$0")" && pwd)
PATH=$(cd "$1" && pwd):$PATH
export PATH
fail=0
tab=$(printf '\t')
while IFS="$tab" read -r want cmd; do
  case $want in '#'*|'') continue ;; esac
  work=$(mktemp -d "${TMPDIR:-/tmp}/vorncli.XXXXXX")
  got=$(cd "$work" && sh -c "$cmd" 2>&1; echo "status $?")
  rm -rf "$work"
  want=$(printf '%b' "$(printf '%s' "$want" | sed "s/VERSION/$2/")")
  [ "$want" = "$got" ] && continue
  printf 'differs: %s\n--- expected\n%s\n--- got\n%s\n' "$cmd" "$want" "$got"
  fail=1
done < "$dir/table.txt"
exit $fail
