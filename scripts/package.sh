#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build/, built as it stands):
#   scripts/package.sh [BUILD_DIR]       writes BUILD_DIR/tavrinqa_VERSION_ARCH.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
cmake --build "$dir" >&2
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/tavrinqa_*.deb
