#!/usr/bin/env bash
# Sets up, builds, and runs tavrinqa on the bundled example form: the form converted to a
# binary .dfm and back to text, as the converter of the IDE would.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
out="$root/build/example"
mkdir -p "$out"
"$root/build/tavrinqa" convert "$root/examples/Customer.dfm" --to binary -o "$out/Customer.dfm"
echo "Binary form: $out/Customer.dfm ($(stat -c %s "$out/Customer.dfm") bytes)"
"$root/build/tavrinqa" convert "$out/Customer.dfm" --to text
