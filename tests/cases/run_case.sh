#!/bin/sh
# Runs one AWK test case through vorn and compares what it printed.
#
#   run_case.sh VORN CASE.awk
#
# Beside CASE.awk, optional files give the rest of the case:
#   CASE.in      standard input (default: empty)
#   CASE.args    operands, one per line, after `-f CASE.awk`; the text
#                @DIR@ is replaced by the case's directory
#   CASE.env     VAR=value lines added to the environment
#   CASE.out     expected standard output (default: empty)
#   CASE.err     expected standard error (default: empty)
#   CASE.status  expected exit status (default: 0)
# In what the program printed, the case's directory reads @DIR@, so that
# messages naming the source file (given to vorn by its full path) compare
# the same wherever the tree is.
# The program runs in a fresh temporary directory, so files it writes stay
# there; the case directory is in $CASEDIR and vorn itself in $VORN (for
# cases that run a program under shell conditions: limits, redirections).
set -u
vorn=$1
prog=$2
dir=$(cd "$(dirname "$prog")" && pwd)
base=$dir/$(basename "$prog" .awk)
work=$(mktemp -d "${TMPDIR:-/tmp}/vorncase.XXXXXX")
trap 'rm -rf "$work"' EXIT

set -- -f "$dir/$(basename "$prog")"
if [ -f "$base.args" ]; then
  while IFS= read -r line || [ -n "$line" ]; do
    set -- "$@" "$(printf '%s' "$line" | sed "s|@DIR@|$dir|g")"
  done < "$base.args"
fi
input=/dev/null
[ -f "$base.in" ] && input=$base.in

(
  cd "$work" || exit 99
  export CASEDIR="$dir"
  export VORN="$vorn"
  if [ -f "$base.env" ]; then
    while IFS= read -r kv || [ -n "$kv" ]; do export "$kv"; done < "$base.env"
  fi
  "$vorn" "$@" < "$input" > "$work/stdout" 2> "$work/stderr"
  echo $? > "$work/status"
)

fail=0
expect_status=0
[ -f "$base.status" ] && expect_status=$(cat "$base.status")
got_status=$(cat "$work/status")
if [ "$got_status" != "$expect_status" ]; then
  echo "exit status: expected $expect_status, got $got_status"
  fail=1
fi
for stream in out err; do
  got=$work/std$stream
  sed "s|$dir|@DIR@|g" "$got" > "$got.n" && mv "$got.n" "$got"
  if [ -f "$base.$stream" ]; then
    diff -u "$base.$stream" "$got" > "$work/diff" || { echo "std$stream differs:"; cat "$work/diff"; fail=1; }
  elif [ -s "$got" ]; then
    echo "unexpected std$stream:"; cat "$got"; fail=1
  fi
done
exit $fail
