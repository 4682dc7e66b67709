#!/usr/bin/env bash
# Installs what is needed, builds, lays out a private program folder and starts
# the panel. When the control simulator is built, the panel is wired to it
# through the folder's Ports/COM1; closing the panel stops the simulator.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${VOS_BUILD_DIR:-$root/build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Aucun écran graphique (DISPLAY vide). Lancez la démonstration sous Xvfb :"
  echo "  xvfb-run -a -s '-screen 0 1280x800x24' $0"
  exit 1
fi
demo=${VOS_DEMO_DIR:-$root/build/demo}
rm -rf "$demo"
cp -r "$build/install" "$demo"
mkdir -p "$demo/Ports"
sim_pid=""
if [ -x "$build/tools/sim/vostrelle-sim" ]; then
  "$build/tools/sim/vostrelle-sim" --folder "$demo" &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$demo/Ports/COM1" ] && break; sleep 0.1; done
fi
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
"$demo/vostrelle"
