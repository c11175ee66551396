#!/usr/bin/env bash
# Sets up (with the tests' extras), builds with warnings as errors and runs every test; then
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" test
# Tests that read the real forms beside the repository fail, not skip, when they are missing.
export TAVRIN_REQUIRE_FORMS=1
# The includes keep to the layers before anything is built.
"$root/scripts/check-layers.sh"
"$root/scripts/build.sh" "$root/build" -DTAVRIN_WERROR=ON -DTAVRIN_TESTS=ON -DTAVRIN_BENCH=ON
ctest --test-dir "$root/build" --output-on-failure
"$root/scripts/build.sh" "$root/build-asan" -DTAVRIN_WERROR=ON -DTAVRIN_SANITIZE=ON -DTAVRIN_TESTS=ON -DTAVRIN_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir "$root/build-asan" --output-on-failure
echo "All tests passed."
