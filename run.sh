#!/usr/bin/env bash
# Installs what is missing, builds, and starts ReelShelf Index on the default data folder
# (or on $REELSHELF_HOME when set). Extra arguments go to the program.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/tools/setup.sh"
exec "${REELSHELF_BUILD_DIR:-$top/build}/src/reelshelf" "$@"
