#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/tools/setup.sh"
export QT_QPA_PLATFORM=offscreen
cd "${REELSHELF_BUILD_DIR:-$top/build}"
ctest --output-on-failure --timeout 300 -j "$(nproc 2>/dev/null || echo 2)" "$@"
