#!/usr/bin/env bash
# Builds the Debian package of another Debian release (its libraries have
# other package names and sonames, so one package cannot serve both) inside a
# root of that release, and checks it with that release's lintian.
#
# Usage: scripts/deb-in-root.sh RELEASE [FOLDER]
#   RELEASE  a Debian code name: trixie (Debian 13), bookworm (Debian 12)
#   FOLDER   where the build folder goes (default build/RELEASE); the package
#            is FOLDER/vostrelle_<version>+deb<N>_<arch>.deb
# The root (the build packages of deps/debian-build-packages.txt, and lintian)
# is made once and kept (scripts/debian-root.sh); the sources are seen
# read-only; the compiler cache is the host's (CCACHE_DIR, default
# ~/.cache/ccache), so a second build compiles only what changed. Needs root.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
. "$src/scripts/debian-root.sh"
[ $# -ge 1 ] || vos_die "usage: $0 RELEASE [FOLDER]"
vos_root_namespace "$@"

release=$1
out=$(mkdir -p "${2:-$src/build/$release}" && cd "${2:-$src/build/$release}" && pwd)
ccache_dir=${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ccache}
mkdir -p "$out/build" "$ccache_dir"
work=$VOS_WORK

# shellcheck disable=SC2046  # one word per package
vos_root "$release" build "$work" $(vos_root_packages "$src/deps/debian-build-packages.txt") lintian
m=$work/merged
vos_mount_root "$VOS_ROOT" "$work/layer" "$m"
mkdir -p "$m/src" "$m/build" "$m/ccache"
mount --bind "$src" "$m/src"
mount -o remount,bind,ro "$m/src"
mount --bind "$out/build" "$m/build"
mount --bind "$ccache_dir" "$m/ccache"

rm -f "$out/build"/vostrelle_*.deb "$out"/vostrelle_*.deb
vos_in_root "$m" env CCACHE_DIR=/ccache CCACHE_BASEDIR=/src CCACHE_NOHASHDIR=1 \
  CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache \
  sh -ec '
    cmake -S /src -B /build -G Ninja -DVOS_BUILD_TESTS=OFF -DVOS_BUILD_BENCH=OFF >/dev/null
    cmake --build /build -j 2 --target package
    lintian --fail-on error,warning /build/vostrelle_*.deb
  '
deb=$(ls "$out/build"/vostrelle_*.deb)
mv "$deb" "$out/"
printf '%s\n' "$out/${deb##*/}"
