#!/usr/bin/env bash
# Installs from Debian's packages what building and running the program need (skipped when
# present). Extras on request:
#   scripts/setup.sh          build and run
#   scripts/setup.sh test     also the tests' and benchmarks' needs: GoogleTest, Google
#                             Benchmark, Free Pascal's compiler, Xvfb and xdotool, a PostgreSQL
#                             server, the JSON schema validator, patch, man, dpkg-dev (packaging)
#   scripts/setup.sh fuzz     also clang with its fuzzing runtime
set -euo pipefail
# Recommended packages stay out of the build's set: they are desktop themes and documentation
# the build never uses, and they double the time a fresh machine takes.
build=(cmake ninja-build g++ pkg-config ccache libcli11-dev libtomlplusplus-dev nlohmann-json3-dev libdtl-dev
       libsqlite3-dev libshp-dev libpq-dev qt6-base-dev)
# pxlib only makes the Paradox tables the tests read; the program reads their headers itself.
test=(pxlib-dev libgtest-dev libgmock-dev libbenchmark-dev fp-compiler xvfb xdotool postgresql-15 python3-jsonschema patch
      man-db dpkg-dev file chromium)
fuzz=(clang libclang-rt-14-dev)

missing() {
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || echo "$p"
  done
}
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
updated=0
install() {  # install [--no-install-recommends] PACKAGE...
  local options=()
  [ "$1" = --no-install-recommends ] && { options+=("$1"); shift; }
  mapfile -t wanted < <(missing "$@")
  [ ${#wanted[@]} -eq 0 ] && return
  echo "Installing: ${wanted[*]}"
  [ $updated -eq 1 ] || { $sudo apt-get update -q; updated=1; }
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${options[@]}" "${wanted[@]}"
}

install --no-install-recommends "${build[@]}"
for extra in "$@"; do
  case $extra in
    test) install "${test[@]}" ;;
    fuzz) install "${fuzz[@]}" ;;
    *) echo "setup.sh: unknown extra '$extra' (test, fuzz)" >&2; exit 2 ;;
  esac
done
