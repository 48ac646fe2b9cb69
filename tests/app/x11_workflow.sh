#!/usr/bin/env bash
# The window as a user meets it: a real X server, the real clipboard, real clicks.
# Puts a table on the X clipboard, clicks 导入数据, types the rows per page and the key column,
# clicks 数据预处理, closes the message and compares the clipboard with the expected bytes.
#
#   x11_workflow.sh PARVEX INPUT EXPECTED
#
# Exits 77 (skipped) when Xvfb, xdotool or xclip is missing.
set -uo pipefail

parvex=$1 input=$2 expected=$3
for tool in Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own: Xvfb names a free one.
Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
unset QT_QPA_PLATFORM  # the other window tests run offscreen; this one needs the X server
export XDG_RUNTIME_DIR=$work

"$parvex" >/dev/null 2>"$work/parvex.err" &
pids+=($!)
window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^Parvex2\.4' 2>/dev/null | head -1)
  [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || { echo "FAIL: the window did not appear"; cat "$work/parvex.err"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"

# Controls sit in the group box at (8, 388) of the client area; click their centres.
click() { xdotool mousemove $((X + 8 + $1)) $((Y + 388 + $2)) click 1; sleep 0.3; }
type_into() { click "$1" "$2"; xdotool key ctrl+a BackSpace type "$3"; }

xclip -selection clipboard -i <"$input"
sleep 0.3
click $((144 + 28)) $((51 + 10))   # 导入数据
type_into $((99 + 10)) $((32 + 8)) 3    # rows per page
type_into $((161 + 12)) $((11 + 8)) 2   # key column
click $((342 + 32)) $((52 + 10))   # 数据预处理

# The command runs, then shows its message; poll the clipboard until it changes.
for _ in $(seq 100); do
  if cmp -s <(xclip -selection clipboard -o 2>/dev/null) "$expected"; then
    xdotool key Return
    echo "x11 workflow: clipboard matches $(basename "$expected")"
    exit 0
  fi
  sleep 0.1
done
echo "FAIL: the clipboard does not hold the expected layout"
xclip -selection clipboard -o | od -c | head -20
exit 1
