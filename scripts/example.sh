#!/usr/bin/env bash
# Sets up, builds, and runs tavrinqa on the bundled example form: the parentage tree, the
# generated form data code, and a tab order change driven by a script and saved to a copy.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# Only the program: the tests and benchmarks are scripts/test.sh's.
"$root/scripts/build.sh" "$root/build" -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF
tavrinqa="$root/build/tavrinqa"
work="$root/build/example"
mkdir -p "$work"
form="$root/examples/Customer.dfm"

echo "== parentage of $form"
"$tavrinqa" parentage "$form" --print --home "$work"
echo
echo "== form data code for $form"
"$tavrinqa" formdata "$form" --print --home "$work"
echo
echo "== tab order: CheckActive dragged before EditCity, saved to $work/Customer.dfm"
printf 'drag OutlineParent 11 9\nok\n' | "$tavrinqa" tabs "$form" --script - --home "$work" --output "$work/Customer.dfm"
diff "$form" "$work/Customer.dfm" || true
echo
echo "== data relations of $root/examples/CustomerOrders.dfm over the sample database (alias DBDEMOS)"
"$tavrinqa" datainfo "$root/examples/CustomerOrders.dfm" --print --home "$work"
