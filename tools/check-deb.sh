#!/usr/bin/env bash
# Builds the .deb and proves that it installs and starts on a fresh Debian 12: makes a bookworm
# root with debootstrap (cached, so a second run is quick), installs the package there with apt so
# that every dependency comes from the archive, then starts reelshelf offscreen as a new user and
# runs reelshelf-cli. Needs root (debootstrap, chroot, mount) and the network. Not part of test.sh.
#
#   tools/check-deb.sh            # REELSHELF_BUILD_DIR, REELSHELF_DEB_CACHE, DEBIAN_MIRROR to override
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build="${REELSHELF_BUILD_DIR:-$top/build}"
cache="${REELSHELF_DEB_CACHE:-/tmp/reelshelf-bookworm}"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"
base=$cache/base         # the untouched debootstrap result
root=$cache/run          # a fresh copy of it for each run
archives=$cache/archives # packages apt downloaded, kept between runs

if [ "$(id -u)" -ne 0 ]; then
  exec sudo REELSHELF_BUILD_DIR="$build" REELSHELF_DEB_CACHE="$cache" DEBIAN_MIRROR="$mirror" "$0" "$@"
fi
for tool in debootstrap cpack chroot; do
  command -v "$tool" >/dev/null || { echo "check-deb: $tool is missing (apt-get install debootstrap cmake)" >&2; exit 1; }
done

step() { echo "== $*"; }
mounted=()
cleanup() {
  local m
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
}
trap cleanup EXIT

if [ ! -d "$base" ]; then
  step "Making a Debian 12 root in $base (once)"
  rm -rf "$base.new"
  mkdir -p "$cache"
  debootstrap --variant=minbase bookworm "$base.new" "$mirror"
  mv "$base.new" "$base"
fi

step "Building the package"
mkdir -p "$cache"
quietly() {
  local log=$1
  shift
  "$@" >"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "FAIL: $* (log in $log)" >&2; exit 1; }
}
quietly "$cache/build.log" cmake --build "$build" --parallel 2
rm -f "$build"/reelshelf-index_*.deb
quietly "$cache/cpack.log" sh -c "cd '$build' && cpack -G DEB"
deb=$(ls "$build"/reelshelf-index_*.deb)
dpkg-deb --field "$deb" Package Version Depends Recommends Section Homepage

step "Installing $(basename "$deb") into a fresh copy of the root"
# A run that was killed may have left its mounts behind; never delete through them.
for m in proc var/cache/apt/archives; do
  if mountpoint -q "$root/$m" 2>/dev/null; then umount "$root/$m" || umount -l "$root/$m"; fi
done
rm -rf --one-file-system "$root"
cp -a "$base" "$root"
mkdir -p "$archives/partial"
cat >"$root/etc/apt/sources.list" <<LIST
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
LIST
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount --bind "$archives" "$root/var/cache/apt/archives" && mounted+=("$root/var/cache/apt/archives")
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
quietly "$cache/apt.log" in_root apt-get update
# Recommends are left out on purpose: what Depends names must be enough to start.
quietly "$cache/apt.log" in_root apt-get install -y --no-install-recommends "/tmp/$(basename "$deb")"
echo "apt installed $(grep -c '^Setting up' "$cache/apt.log") packages (log in $cache/apt.log)"
if in_root sh -c 'ldd /usr/bin/reelshelf /usr/bin/reelshelf-cli | grep "not found"'; then
  echo "FAIL: a library is missing" >&2
  exit 1
fi

step "Starting reelshelf offscreen as a new user"
in_root useradd --create-home --uid 4242 tester
as_tester() {
  chroot --userspec=4242:4242 "$root" env -i HOME=/home/tester PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
data=$root/home/tester/.local/share/ReelShelfIndex
as_tester QT_QPA_PLATFORM=offscreen reelshelf >"$cache/reelshelf.log" 2>&1 &
gui=$!
for _ in $(seq 100); do
  [ -s "$data/ShelfIndex.db" ] && break
  sleep 0.1
done
sleep 5
alive=no
kill -0 "$gui" 2>/dev/null && alive=yes
kill "$gui" 2>/dev/null || true
wait "$gui" 2>/dev/null || true
[ -s "$data/ShelfIndex.db" ] || { cat "$cache/reelshelf.log" >&2; echo "FAIL: no catalogue in ~/.local/share/ReelShelfIndex" >&2; exit 1; }
[ "$alive" = yes ] || { cat "$cache/reelshelf.log" >&2; echo "FAIL: reelshelf did not stay up for 5 s" >&2; exit 1; }
echo "reelshelf made $(cd "$data" && echo *) in ~/.local/share/ReelShelfIndex and stayed up for 5 s"

step "reelshelf-cli discs"
as_tester reelshelf-cli discs
echo "check-deb: $(basename "$deb") installs and starts on Debian 12"
