#!/usr/bin/env bash
# Whole-process figures of the tavrinqa program against Free Pascal's converter:
#   bench/whole-process.sh [DIR] [--reps N] [--sizes 1000,8000,32767] [--program PATH]
# builds the benchmark into DIR (default build/) and runs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build
if [[ $# -gt 0 && $1 != -* ]]; then
  dir=$1
  shift
fi
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_BENCH=ON >/dev/null
cmake --build "$dir" --target ProgramBench tavrinqa
exec "$dir/bench/ProgramBench" "$@"
