#!/usr/bin/env bash
# The status viewer on a real X server (Xvfb, driven by xdotool): a row's context menu opened
# with the keyboard (Shift+F10) and closed with Esc leaves the status window mapped, and the
# window still answers its keys afterwards (F1 brings up Help).
# Usage: escape_keeps_window.sh PATH-TO-statusviewer. Exit 77 (skipped) without Xvfb or xdotool.
set -u
viewer=$1
for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (scripts/bootstrap.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb_pid=""
viewer_pid=""
cleanup() {
  [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null && wait "$viewer_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  echo "--- statusviewer output"
  cat "$work/viewer.log" 2>/dev/null
  exit 1
}

# A display number no other X server uses.
display=""
for n in $(seq 91 160); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no free display number"
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X${display#:}" ] || fail "Xvfb did not start on $display"

export DISPLAY=$display
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# The demo site and the logs go to a folder of this run only.
export XDG_DATA_HOME="$work/data" HOME="$work"
"$viewer" --scale 300 --rate 50 --seconds 90 >"$work/viewer.log" 2>&1 &
viewer_pid=$!

title="Status Viewer - WS1"
window=$(timeout 60 xdotool search --sync --onlyvisible --name "^${title}\$" 2>/dev/null | head -1)
[ -n "$window" ] || fail "no window titled '$title' was mapped"
sleep 2  # the group loads and the first refresh runs
visible_windows() { xdotool search --onlyvisible --pid "$viewer_pid" --name '' 2>/dev/null | sort; }

xdotool windowfocus --sync "$window" || fail "the status window took no focus"
before=$(visible_windows | wc -l)
xdotool key --clearmodifiers shift+F10
sleep 1
after=$(visible_windows | wc -l)
[ "$after" -gt "$before" ] || fail "Shift+F10 opened no menu ($before windows before, $after after)"

xdotool key Escape
sleep 1
[ "$(visible_windows | wc -l)" -eq "$before" ] || fail "Esc left the menu open"
kill -0 "$viewer_pid" 2>/dev/null || fail "statusviewer ended"
xdotool search --onlyvisible --name "^${title}\$" >/dev/null || fail "the status window is no longer mapped after Esc"

# Still answering: F1 in the status window brings up Help.
xdotool windowfocus --sync "$window"
xdotool key F1
help=$(timeout 10 xdotool search --sync --onlyvisible --name '^Help$' 2>/dev/null | head -1)
[ -n "$help" ] || fail "the status window did not answer F1 after the menu closed"
echo "PASSED: the menu closed on Esc, the status window stayed mapped and answered F1"
