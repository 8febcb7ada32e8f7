#!/usr/bin/env bash
# tools/install-packages.sh [PACKAGE...]: installs the Debian packages that are missing; without
# arguments, those every build of the program needs. The build, sanitizer and fuzz scripts share it.
set -euo pipefail

packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
  packages=(cmake g++ make pkg-config qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n
            libsqlite3-dev libgtest-dev fonts-wqy-microhei sqlite3 python3-xlrd
            mdbtools mdbtools-dev libmediainfo-dev libblkid-dev libxxhash-dev python3-fusepy qt6-charts-dev libqt6opengl6-dev appstream desktop-file-utils dpkg-dev
            ccache)
fi

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
