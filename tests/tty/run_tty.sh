#!/usr/bin/env bash
# Runs one terminal case: CASE.awk in a detached tmux session (own server,
# 80x24, TERM=xterm) driven by CASE.steps, one step a line (@DIR@: the
# case's directory):
#   program PATH      run PATH (relative to the case) instead of CASE.awk
#   run [operand...]  start `vorn -f CASE.awk operand...` on the terminal
#   keys KEY...       tmux send-keys (C-a, Escape, Up, F1, ...)
#   hex XX...         these bytes in one write (send-keys -H)
#   wait TEXT         until TEXT shows on the screen (10 s at most)
#   row N TEXT        screen row N (from 0) reads TEXT, trailing blanks dropped
#   attr N TEXT       row N as capture-pane -e shows it contains TEXT (\e: ESC)
#   noattr N          row N shows no attributes
#   absent TEXT       TEXT is not on the screen
#   ended STATUS      the program ended with STATUS, the terminal back in its
#                     usual mode (stty: icanon, echo)
set -u
vorn=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
case=${2%.steps}
dir=$(cd "$(dirname "$case")" && pwd)
name=$(basename "$case")
prog=$dir/$name.awk
work=$(mktemp -d "${TMPDIR:-/tmp}/vorntty.XXXXXX")
export TMUX_TMPDIR=$work
unset TMUX
tm() { tmux -L vorntty -f /dev/null "$@"; }
trap 'tm kill-server 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "$name: $*"; echo "--- screen:"; tm capture-pane -p -t t; exit 1; }
screen() { tm capture-pane -p -t t "$@"; }

start() {  # $1: the command, run on the pane's terminal
  # After the program: its status, the terminal modes, then a pause that
  # keeps the pane for the checks.
  cat > "$work/cmd.sh" <<SH
cd "$work"
$1
echo "[exit \$?]"
stty -a | tr ' ;' '\n\n' | grep -x -e icanon -e -icanon -e echo -e -echo | tr '\n' ' '
echo '[modes]'
sleep 60
SH
  tm new-session -d -x 80 -y 24 -s t "env TERM=xterm LC_ALL=C bash $work/cmd.sh" || fail "tmux did not start"
  sleep 0.3
}
quote() { printf '%q ' "$@"; }

waitfor() {
  for _ in $(seq 100); do
    screen | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  fail "never showed: $1"
}

while IFS= read -r line || [ -n "$line" ]; do
  [ -z "$line" ] || [ "${line#\#}" != "$line" ] && continue
  read -r verb rest <<<"$line"
  rest=${rest//@DIR@/$dir}
  case $verb in
    program) prog=$dir/$rest ;;
    run) eval "set -- $rest"; start "$(quote "$vorn" -f "$prog" "$@")" ;;
    keys) eval "set -- $rest"; tm send-keys -t t "$@" ;;
    hex) eval "set -- $rest"; tm send-keys -t t -H "$@" ;;
    wait) waitfor "$rest" ;;
    row)
      n=${rest%% *}; text=${rest#"$n"}; text=${text# }
      got=$(screen | sed -n "$((n + 1))p" | sed 's/ *$//')
      [ "$got" = "$text" ] || fail "row $n: expected [$text], got [$got]" ;;
    attr)
      read -r n text <<<"$rest"
      want=$(printf '%b' "$text")
      screen -e | sed -n "$((n + 1))p" | grep -qF -- "$want" || {
        echo "row $n with attributes:"; screen -e | sed -n "$((n + 1))p" | od -c | head
        fail "row $n lacks $text"; } ;;
    noattr) screen -e | sed -n "$((rest + 1))p" | grep -q $'\e' && fail "row $rest has attributes" ;;
    absent) screen | grep -qF -- "$rest" && fail "unexpected: $rest" ;;
    ended)
      waitfor "[modes]"
      screen | grep -qF "[exit $rest]" || fail "exit status is not $rest"
      screen | grep -qF "icanon echo [modes]" || fail "terminal not restored" ;;
    *) fail "unknown step: $line" ;;
  esac
done < "$case.steps"
exit 0
