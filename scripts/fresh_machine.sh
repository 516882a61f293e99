#!/usr/bin/env bash
# Runs the README's two commands, the demo and then the tests, on a fresh
# Debian 12 root: mmdebstrap (minbase, bookworm, this machine's apt sources),
# a clone of one commit, chroot with a clean environment. Nothing installed on
# this machine can help the run, so a missing install step fails here.
# The root and its mounts are removed on every exit; the exit status is the
# inner one and the test command's closing line is printed last.
#
# Usage: fresh_machine.sh [--repeat N] [COMMIT]   (default HEAD; needs root)
# --repeat runs the test command N times in a row (a check for flaky tests).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
repeat=1
if [ "${1:-}" = "--repeat" ]; then repeat="$2"; shift 2; fi
[[ "$repeat" =~ ^[1-9][0-9]*$ ]] || { echo "fresh_machine.sh: --repeat takes a count" >&2; exit 2; }
commit="$(git -C "$ROOT" rev-parse --verify "${1:-HEAD}^{commit}")"
[ "$(id -u)" -eq 0 ] || { echo "fresh_machine.sh: needs root (mmdebstrap, mount, chroot)" >&2; exit 2; }

if ! command -v mmdebstrap >/dev/null; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
fi

rootfs="$(mktemp -d "${TMPDIR:-/var/tmp}/orvane-fresh.XXXXXX")"
log="$rootfs.log"
mounted=()
cleanup() {
  local status=$? index
  for ((index = ${#mounted[@]} - 1; index >= 0; index--)); do
    umount "${mounted[index]}" 2>/dev/null || umount -l "${mounted[index]}" || true
  done
  # Never delete through a mount that is still attached (/dev, /proc ...).
  if grep -qE " $rootfs(/| )" /proc/self/mounts; then
    echo "fresh_machine.sh: $rootfs still has mounts; left in place" >&2
  else
    rm -rf --one-file-system "$rootfs"
  fi
  grep -E '^all: [0-9]+ passed, [0-9]+ failed' "$log" 2>/dev/null | tail -1 || true
  rm -f "$log"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The machine's own apt sources, whatever mirror they name.
sources=()
[ -s /etc/apt/sources.list ] && sources+=(/etc/apt/sources.list)
for file in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -s "$file" ] && sources+=("$file")
done
[ "${#sources[@]}" -gt 0 ] || { echo "fresh_machine.sh: no apt sources on this machine" >&2; exit 2; }

started=$(date +%s)
echo "=== fresh Debian 12 root in $rootfs"
mmdebstrap --quiet --variant=minbase --aptopt='Acquire::Check-Valid-Until "false"' \
  bookworm "$rootfs" "${sources[@]}"
cp /etc/resolv.conf "$rootfs/etc/resolv.conf"
# The machine's TLS trust too: where a proxy signs what npm fetches, Node.js
# in the root must trust what this machine trusts.
node_env=()
host_cas="${NODE_EXTRA_CA_CERTS:-/etc/ssl/certs/ca-certificates.crt}"
if [ -s "$host_cas" ]; then
  cp "$host_cas" "$rootfs/etc/host-ca-certificates.crt"
  node_env=(NODE_EXTRA_CA_CERTS=/etc/host-ca-certificates.crt)
fi
mkdir -p "$rootfs/work"
git clone --quiet --no-checkout "$ROOT" "$rootfs/work/orvane_h26x_msgs"
git -C "$rootfs/work/orvane_h26x_msgs" checkout --quiet --detach "$commit"
echo "=== commit $commit"

# The root a mount point of its own, private: inside the chroot "/" is then a
# mount, so a test may make a mount namespace (unshare sets "/" private),
# and no mount made in there reaches this machine's.
mount --bind "$rootfs" "$rootfs"
mounted+=("$rootfs")
mount --make-private "$rootfs"
for path in /proc /sys /dev /dev/pts /dev/shm; do
  mkdir -p "$rootfs$path"
  mount --bind "$path" "$rootfs$path"
  mounted+=("$rootfs$path")
done

status=0
env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb "${node_env[@]}" \
  chroot "$rootfs" /bin/bash -c "cd /work/orvane_h26x_msgs && ./scripts/demo.sh &&
    for run in \$(seq $repeat); do ./scripts/test.sh || exit; done" \
  2>&1 | tee "$log" || status=$?
echo "=== fresh machine: exit $status after $(( $(date +%s) - started )) s"
exit "$status"
