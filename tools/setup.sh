#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the Debian packages that are missing, then configures
# and builds in release mode. A second run with nothing changed only checks and rebuilds nothing.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${REELSHELF_BUILD_DIR:-$top/build}"

packages=(cmake g++ make pkg-config qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n
          libsqlite3-dev libgtest-dev fonts-wqy-microhei sqlite3 python3-xlrd
          mdbtools mdbtools-dev qt6-charts-dev libqt6opengl6-dev appstream desktop-file-utils dpkg-dev)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --parallel "$jobs"
