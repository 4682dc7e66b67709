#!/usr/bin/env bash
# The package on a new PC, as a workshop's IT person tries it: a minimal
# Debian root of RELEASE made with mmdebstrap from Debian's registry (kept
# between runs, see scripts/debian-root.sh), `apt install ./vostrelle_*.deb`
# in it, then, cut off from the network, a new operator in the dialout group
# starts the login screen's "Vostrelle (poste dédié)" session under Xvfb on a
# pseudo-terminal linked as his COM1; the steps and their checks are
# scripts/fresh-root-steps.sh, run inside the root.
#
# Usage: scripts/fresh-root-test.sh RELEASE DEB
#        scripts/fresh-root-test.sh RELEASE --root-only
#   RELEASE      bookworm (Debian 12) or trixie (Debian 13)
#   DEB          the package built for that release, or a folder holding it
#   --root-only  only makes (or checks) the kept root, e.g. while the
#                package is still being built
# Exit status 0 when every check passed. Needs root.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
. "$src/scripts/debian-root.sh"
[ $# -eq 2 ] || vos_die "usage: $0 RELEASE DEB"
vos_root_namespace "$@"

release=$1
deb=$2
work=$VOS_WORK

# What the test itself uses in the root, not the package: the X server and
# its input tool, a pseudo-terminal maker, fc-match, useradd. None of them
# brings a face of Arial's widths (checked before the install).
if [ "$deb" = --root-only ] && [ -z "$(vos_cache_dir)" ]; then exit 0; fi  # nowhere to keep it
vos_root "$release" test "$work" xvfb xdotool socat fontconfig passwd
[ "$deb" != --root-only ] || exit 0

if [ -d "$deb" ]; then
  debs=("$deb"/vostrelle_*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || vos_die "not one vostrelle_*.deb in $deb"
  deb=${debs[0]}
fi
[ -f "$deb" ] || vos_die "no package $deb"

m=$work/merged
vos_mount_root "$VOS_ROOT" "$work/layer" "$m"
# Downloaded packages are kept beside the roots, so a second run fetches
# nothing it already has.
archives=$(dirname "$VOS_ROOT")/$release-archives
mkdir -p "$archives"
mount --bind "$archives" "$m/var/cache/apt/archives"

cp "$deb" "$m/tmp/${deb##*/}"
install -m 755 "$src/scripts/fresh-root-steps.sh" "$m/tmp/steps.sh"
t0=$SECONDS
vos_in_root "$m" /tmp/steps.sh install "/tmp/${deb##*/}"
vos_in_root "$m" --no-network /tmp/steps.sh use
vos_in_root "$m" --no-network /tmp/steps.sh upgrade "/tmp/${deb##*/}"
vos_say "$release: every check passed ($((SECONDS - t0)) s in the root)"
