#!/usr/bin/env bash
# Sets up, builds with warnings as errors and runs every test; then again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DTAVRIN_WERROR=ON
ctest --test-dir "$root/build" --output-on-failure
"$root/scripts/build.sh" "$root/build-asan" -DTAVRIN_WERROR=ON -DTAVRIN_SANITIZE=ON -DTAVRIN_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir "$root/build-asan" --output-on-failure
echo "All tests passed."
