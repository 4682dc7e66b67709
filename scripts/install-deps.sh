#!/usr/bin/env bash
# Installs the Debian packages listed in deps/debian-build-packages.txt (the
# build) and deps/debian-packages.txt (running and testing).
# Idempotent: packages already present are left alone, apt is only called when
# something is missing. Must run as root (or through sudo) on Debian 12.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t wanted < <(cat "$here/deps/debian-build-packages.txt" "$here/deps/debian-packages.txt" |
                      grep -v '^\s*#' | sed '/^\s*$/d')
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#wanted[@]} packages present"
  exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
