# Fresh Debian roots made with mmdebstrap, kept between runs, and commands run
# inside them. Sourced by scripts/deb-in-root.sh (the package built on another
# Debian release) and scripts/fresh-root-test.sh (the package installed and
# used as on a new PC); not a command of its own.
#
# A root is made once per release and kind, from Debian's registry, into the
# cache folder VOS_ROOT_CACHE (default ~/.cache/vostrelle-roots, outside the
# clone so that every clone and CI run shares it), and made again when its
# package list changed or after VOS_ROOT_MAX_DAYS days (default 7). Runs never
# change a cached root: each one works on an overlay of it (a copy where
# overlays are not available) that goes away with the run. Where the cache
# folder cannot be written, the root is made in the run's own work folder and
# goes with it too. Roots are made and read under a lock, so runs in parallel
# wait for each other's root instead of making it twice.
#
# Commands run as root inside a private mount and process namespace that the
# calling script enters with vos_root_namespace (VOS_WORK is then its work
# folder, removed when the script ends): /dev holds only the basic
# nodes and a private set of pseudo-terminals (no serial device of the machine
# is there), /proc shows only the run's processes, and every process left
# running dies with the namespace.
#
# Needs: root, mmdebstrap, util-linux (unshare, mount, flock).

VOS_MIRROR=${VOS_MIRROR:-http://deb.debian.org/debian}
VOS_ROOT_MAX_DAYS=${VOS_ROOT_MAX_DAYS:-7}

vos_say() { printf '%s: %s\n' "${0##*/}" "$*" >&2; }
vos_die() { vos_say "$*"; exit 1; }

# Runs the calling script again inside a private mount and PID namespace,
# with VOS_WORK a fresh work folder, then removes that folder and exits with
# the script's status. The removal happens out here, where none of the
# namespace's mounts (the shared caches bound into a root among them) are
# seen, so it can only remove the folder's own files.
vos_root_namespace() {
  [ "$(id -u)" -eq 0 ] || vos_die "needs root (mmdebstrap, mounts, chroot)"
  [ "${VOS_IN_ROOT_NAMESPACE-}" != 1 ] || return 0
  local work status=0
  work=$(mktemp -d "${TMPDIR:-/tmp}/vostrelle-root.XXXXXX")
  VOS_IN_ROOT_NAMESPACE=1 VOS_WORK=$work unshare --mount --pid --fork --propagation private -- \
    bash "$0" "$@" || status=$?
  rm -rf "$work"
  exit "$status"
}

# The cache folder, or "" when it cannot be used.
vos_cache_dir() {
  local dir=${VOS_ROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vostrelle-roots}
  if mkdir -p "$dir" 2>/dev/null && [ -w "$dir" ]; then printf '%s' "$dir"; fi
}

# vos_root RELEASE KIND WORK PACKAGE...: sets VOS_ROOT to the folder of a root of Debian
# RELEASE (bookworm, trixie) with PACKAGE... installed on the minimal system
# (essential packages and apt), made if needed. WORK is the run's folder, used
# when there is no cache.
vos_root() {
  local release=$1 kind=$2 work=$3
  shift 3
  local cache key root stamp lock
  cache=$(vos_cache_dir)
  if [ -z "$cache" ]; then
    cache=$work/roots
    vos_say "no cache folder: the $release root is made for this run only"
    mkdir -p "$cache"
  fi
  root=$cache/$release-$kind
  stamp=$root.stamp
  key="mmdebstrap --variant=apt $release $VOS_MIRROR: $*"
  exec {lock}>"$root.lock"
  flock "$lock"
  if [ ! -d "$root" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$key" ] ||
     [ -n "$(find "$stamp" -mtime "+$VOS_ROOT_MAX_DAYS" 2>/dev/null)" ]; then
    vos_say "making the $release root ($kind) in $root"
    rm -rf "$root" "$root.new" "$stamp"
    local include
    include=$(IFS=,; printf '%s' "$*")
    mmdebstrap --mode=root --variant=apt --quiet \
      --aptopt='Acquire::Retries "3"' \
      --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
      ${include:+--include="$include"} \
      "$release" "$root.new" "$VOS_MIRROR" >&2 || { rm -rf "$root.new"; vos_die "mmdebstrap $release failed"; }
    mv "$root.new" "$root"
    printf '%s\n' "$key" >"$stamp"
  fi
  # Held, shared, until the script ends: nobody remakes the root under a
  # running overlay.
  flock -s "$lock"
  VOS_ROOT=$root
}

# vos_root_packages FILE: the package names of a list file (comments and
# blank lines left out), comma-free, one per word.
vos_root_packages() { grep -v '^[[:space:]]*#' "$1" | sed '/^[[:space:]]*$/d' | tr '\n' ' '; }

# vos_mount_root ROOT LAYER MERGED: a writable view of ROOT in MERGED whose
# changes go to LAYER, with its /dev, /proc and pseudo-terminals.
vos_mount_root() {
  local root=$1 layer=$2 merged=$3 node
  mkdir -p "$layer/upper" "$layer/work" "$merged"
  if ! mount -t overlay overlay -o "lowerdir=$root,upperdir=$layer/upper,workdir=$layer/work" "$merged" 2>/dev/null; then
    vos_say "no overlay mount here: copying the root"
    cp -a "$root/." "$merged/"
  fi
  mount -t proc proc "$merged/proc"
  mount -t tmpfs -o mode=755 dev "$merged/dev"
  for node in null zero full random urandom tty; do
    touch "$merged/dev/$node"
    mount --bind "/dev/$node" "$merged/dev/$node"
  done
  mkdir -p "$merged/dev/pts" "$merged/dev/shm"
  mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$merged/dev/pts"
  ln -s pts/ptmx "$merged/dev/ptmx"
  mount -t tmpfs -o mode=1777 shm "$merged/dev/shm"
  ln -s /proc/self/fd "$merged/dev/fd"
  cp /etc/resolv.conf "$merged/etc/resolv.conf" 2>/dev/null || true
}

# vos_in_root MERGED [--no-network] COMMAND...: runs COMMAND as root inside.
vos_in_root() {
  local merged=$1
  shift
  local net=()
  if [ "${1-}" = --no-network ]; then net=(unshare --net --); shift; fi
  "${net[@]}" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive chroot "$merged" "$@"
}
