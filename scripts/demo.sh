#!/usr/bin/env bash
# Demonstration without a machine tool: installs what is needed, builds the
# panel and the control simulator, lays out a private program folder
# (build/demo, with its own Ports folder, so no real serial port is ever
# opened), starts the simulator on the folder's Ports/COM1 and the panel wired
# to it. Closing the panel (FIN) stops the simulator.
#
# Environment: VOS_BUILD_DIR (default build/), VOS_DEMO_DIR (default
# build/demo). Idempotent: every run starts from a fresh program folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOS_BUILD_DIR:-$root/build}
demo=${VOS_DEMO_DIR:-$build/demo}

"$root/scripts/install-deps.sh"

# The panel is an X11 window: say so early, before a long build.
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "demo: aucun écran graphique X11 accessible (DISPLAY=${DISPLAY:-vide})." >&2
  cat >&2 <<EOF
Lancez la démonstration depuis une session graphique, ou sous un écran virtuel Xvfb :
  Xvfb :99 -screen 0 1280x800x24 -nolisten tcp &
  DISPLAY=:99 $0 &
  DISPLAY=:99 import -window root capture.png      # voir le pupitre (capture d'écran)
  DISPLAY=:99 xdotool mousemove 1057 66 click 1    # FIN : ferme le pupitre et le simulateur
EOF
  exit 1
fi

# Only what the demonstration runs: the panel (with its skins) and the simulator.
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target vostrelle vostrelle-sim
rm -rf "$demo"
cmake --install "$build" --prefix "$demo" >/dev/null
mkdir -p "$demo/Ports"

sim_pid=""
stop_simulator() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_simulator EXIT
trap 'exit 130' INT TERM

"$build/tools/sim/vostrelle-sim" --folder "$demo" --port 1 &
sim_pid=$!
for _ in $(seq 100); do
  [ -L "$demo/Ports/COM1" ] && break
  kill -0 "$sim_pid" 2>/dev/null || { echo "demo: le simulateur de commande s'est arrêté" >&2; exit 1; }
  sleep 0.1
done
[ -L "$demo/Ports/COM1" ] || { echo "demo: le simulateur n'a pas créé $demo/Ports/COM1" >&2; exit 1; }

echo "demo: pupitre relié au simulateur par $demo/Ports/COM1 ; FIN (en haut à droite) pour quitter."
status=0
QT_QPA_PLATFORM=xcb "$demo/vostrelle" || status=$?
exit "$status"
