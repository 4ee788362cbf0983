#!/bin/sh
# Runs every one-liner of table.txt through vorn and mawk on input.txt and
# reports those whose outputs differ.
#   run_table.sh VORN MAWK
set -u
vorn=$1 mawk=$2
dir=$(cd "$(dirname "$0")" && pwd)
tab=$(printf '\t')
fail=0 count=0
while IFS=$tab read -r name opts prog; do
  case $name in '#'*|'') continue ;; esac
  [ "$opts" = "-" ] && opts=""
  # shellcheck disable=SC2086  # the options are blank-separated words
  want=$("$mawk" $opts "$prog" < "$dir/input.txt" 2>&1; echo "status $?")
  got=$("$vorn" $opts "$prog" < "$dir/input.txt" 2>&1; echo "status $?")
  count=$((count + 1))
  if [ "$want" != "$got" ]; then
    echo "$name differs: $prog"
    printf '%s\n' "$want" > "${TMPDIR:-/tmp}/want.$$"
    printf '%s\n' "$got" | diff -u "${TMPDIR:-/tmp}/want.$$" - | sed 1,2d
    fail=1
  fi
done < "$dir/table.txt"
rm -f "${TMPDIR:-/tmp}/want.$$"
echo "$count one-liners run"
exit $fail
