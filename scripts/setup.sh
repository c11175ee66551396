#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages (skipped when present).
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev libtomlplusplus-dev nlohmann-json3-dev libdtl-dev python3-jsonschema patch libsqlite3-dev pxlib-dev libshp-dev pkg-config fpc ccache
          qt6-base-dev xvfb xdotool libpq-dev postgresql-15)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
