#!/usr/bin/env bash
# Shows where the installed panel lands on a Wayland session: a headless
# Weston compositor with XWayland (nothing of the machine's own display is
# used), the Qt Wayland plugin installed, no QT_QPA_PLATFORM set. The panel
# must run on XWayland (a Wayland client cannot place its windows), at the top
# centre of the screen; a platform the user sets is kept.
#
# It is a script, not a CTest test: the XWayland of a headless Weston has no
# pointer and crashes on synthetic input (XTEST), so nothing can be clicked
# there, and it takes the first free display number of the machine, shared
# with every other X server running on it; a test run alone could not tell
# such a crash from a fault of the panel.
#
# Usage: scripts/wayland-check.sh [WIDTHxHEIGHT]   (default 1280x800)
# Needs: weston, xwayland, qt6-wayland (not in deps/debian-packages.txt: no
# build or test uses them; apt-get install them to run this), xdotool,
# x11-utils, a build in VOS_BUILD_DIR (default build/).
# Exit status 0 when every place is the expected one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOS_BUILD_DIR:-$root/build}
size=${1:-1280x800}
width=${size%x*}
height=${size#*x}
for tool in weston Xwayland xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "wayland-check: $tool is missing (apt-get install weston xwayland qt6-wayland xdotool x11-utils)" >&2; exit 2; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A private program folder with its own Ports folder: COM1 is the simulator's
# pseudo-terminal, never a device of the machine.
cmake --build "$build" --target vostrelle vostrelle-sim >/dev/null
cmake --install "$build" --prefix "$work/panel" >/dev/null
mkdir -p "$work/panel/Ports"
"$build/tools/sim/vostrelle-sim" --folder "$work/panel" --port 1 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -L "$work/panel/Ports/COM1" ] && break; sleep 0.1; done

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --xwayland --width="$width" --height="$height" \
  --socket=wayland-vos --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
display=""
for _ in $(seq 100); do
  display=$(grep -o 'xserver listening on display :[0-9]*' "$work/weston.log" | grep -o ':[0-9]*' || true)
  [ -n "$display" ] && break
  sleep 0.1
done
[ -n "$display" ] || { echo "wayland-check: Weston started no XWayland" >&2; cat "$work/weston.log" >&2; exit 1; }

# The session as a Wayland desktop gives it to its programs.
env -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-vos XDG_SESSION_TYPE=wayland DISPLAY="$display" \
  "$work/panel/vostrelle" >"$work/panel.log" 2>&1 &
panel=$!
pids+=($panel)

# "x y width height" of a window, read by the X server itself (xwininfo's
# absolute place; xdotool adds the frame of a reparenting manager twice).
place() {
  DISPLAY=$display xwininfo -id "$1" |
    awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}
windows() { DISPLAY=$display xdotool search --onlyvisible --name '^Vostrelle$' 2>/dev/null || true; }

main_window=""
for _ in $(seq 300); do
  for w in $(windows); do
    read -r x y w_ h_ <<<"$(place "$w")"
    [ "$w_" = 870 ] && [ "$h_" = 720 ] && main_window=$w
  done
  [ -n "$main_window" ] && break
  kill -0 "$panel" 2>/dev/null || break
  sleep 0.2
done
status=0
if [ -z "$main_window" ]; then
  echo "wayland-check: no 870 x 720 panel window on XWayland $display (did the panel run as a Wayland client?)" >&2
  cat "$work/panel.log" >&2
  exit 1
fi
sleep 1  # the first activation places it
read -r x y w h <<<"$(place "$main_window")"
want_x=$(((width - 870) / 2))
echo "panel: ${w} x ${h} at ${x},${y} on XWayland $display (top centre: ${want_x},0)"
[ "$x" = "$want_x" ] && [ "$y" = 0 ] || { echo "wayland-check: the panel is not at the top centre" >&2; status=1; }

# The about box is placed as the panel is, by the X server at the place the
# program asks (the panel's left + 150, top + 100): the end-to-end test
# StartUp.DismissingTheAboutBoxActivatesThePanelAgainWithItsBanner checks it
# under Xvfb. It cannot be opened here: a headless Weston has no pointer, and
# its XWayland crashes on the synthetic click that would open it.

# A platform the user chose is kept: with QT_QPA_PLATFORM=wayland the panel
# is a Wayland client, and no window of it appears on XWayland.
kill "$panel"
wait "$panel" 2>/dev/null || true
QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wayland-vos XDG_SESSION_TYPE=wayland DISPLAY="$display" \
  "$work/panel/vostrelle" >"$work/panel-wayland.log" 2>&1 &
pids+=($!)
sleep 5
if [ -n "$(windows)" ]; then
  echo "wayland-check: with QT_QPA_PLATFORM=wayland the panel still went to XWayland" >&2
  status=1
elif kill -0 "${pids[-1]}" 2>/dev/null; then
  echo "with QT_QPA_PLATFORM=wayland: a Wayland client, as the user chose (no XWayland window)"
fi
exit "$status"
