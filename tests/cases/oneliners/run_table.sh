#!/bin/sh
# Runs each one-liner of table.txt (name, options or "-", program; tab
# separated) through vorn and mawk on input.txt; fails on any difference.
#   run_table.sh VORN MAWK
dir=$(cd "$(dirname "$0")" && pwd)
fail=0
while IFS="$(printf '\t')" read -r name opts prog; do
  case $name in '#'*|'') continue ;; esac
  [ "$opts" = "-" ] && opts=""
  # shellcheck disable=SC2086  # the options are blank-separated words
  want=$("$2" $opts "$prog" < "$dir/input.txt" 2>&1; echo "status $?")
  got=$("$1" $opts "$prog" < "$dir/input.txt" 2>&1; echo "status $?")
  [ "$want" = "$got" ] && continue
  printf '%s differs: %s\n--- mawk\n%s\n--- vorn\n%s\n' "$name" "$prog" "$want" "$got"
  fail=1
done < "$dir/table.txt"
exit $fail
