#!/usr/bin/env bash
# Builds the fuzz targets (form files, forms read into components and shown by every tool, the
# aliases file, tavrinqa.toml, automation scripts, Paradox and dBASE tables and their indexes) with
# clang and runs each one for a bounded time.
#   scripts/fuzz.sh [seconds-per-target]        default 60
# BUILD_DIR (default /tmp/tavrin-fuzz) and FORMS_DIR (default ../shared/forms) can be overridden.
# Crashing inputs land in $BUILD_DIR/fuzz-work/findings; the script fails when there are any.
set -euo pipefail

secs=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-/tmp/tavrin-fuzz}
forms=${FORMS_DIR:-$root/../shared/forms}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVRIN_FUZZ=ON -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF >/dev/null
tables=(FuzzParadoxTable FuzzParadoxIndex FuzzDbaseTable FuzzMdx FuzzNdx)
targets=(FuzzTextReader FuzzBinaryReader FuzzFormModel FuzzAliasesFile FuzzCheckConfig FuzzScript "${tables[@]}")
cmake --build "$build" -j2 --target "${targets[@]}"

work=$build/fuzz-work
mkdir -p "$work/text" "$work/binary" "$work/model" "$work/aliases" "$work/toml" "$work/script" "$work/findings"
for t in "${tables[@]}"; do mkdir -p "$work/$t"; done
# Seeds for the table readers: the real tables beside the forms, whatever their kind.
data=$root/../shared/data
if [ -d "$data" ]; then
  for f in "$data"/*/*; do
    case "${f,,}" in
      *.db) cp "$f" "$work/FuzzParadoxTable/" ;;
      *.px) cp "$f" "$work/FuzzParadoxIndex/" ;;
      *.dbf) cp "$f" "$work/FuzzDbaseTable/" ;;
      *.mdx) cp "$f" "$work/FuzzMdx/" ;;
    esac
  done
fi
# Seeds for the smaller readers: one file of each as a user writes it.
printf '# mine\n[DBDEMOS]\nDRIVER=SQLITE\nPATH=/data/a;b.sqlite\n\n; old\n[WORK]\nDRIVER=STANDARD\nPATH*=/d%%0A\n' \
  >"$work/aliases/seed"
printf 'ppi = 96\n[rules]\ntab-reading-order = "error"\nhint-focusable = { enabled = false }\n[[suppress]]\nfile = "a/*.dfm"\nrule = "tab-reading-order"\n' \
  >"$work/toml/seed"
printf '# s\nselect Tree 2\ndrag Tree 2 4\ncell Grid 1 1 x\\ty\nset Notes a\\nb\nclick EditBtn\nok\ngeometry 1 2 300 200 0\ndump\nok\n' \
  >"$work/script/seed"

# Seeds from the real forms: text files as they are; streams in the shape the binary target
# expects (first byte chooses bare stream or resource header, the rest follows "TPF0" or is it).
if [ -d "$forms" ]; then
  python3 - "$forms" "$work" <<'PY'
import hashlib, os, sys
forms, work = sys.argv[1], sys.argv[2]
# Edits a person makes in the tools (verbs: 2 hints, 4 parentage, 5 positions, 6 tabs, 7 the
# component list), as scripts; none saves or dumps to a file.
edits = [
    (2, b"cell StringGrid1 4 1 New hint\ncell StringGrid1 3 1 &Cap\nmoverow StringGrid1 2 1\nok\n"),
    (4, b"select OutlineParent 2\nclick EditBtn\nset EdName Renamed1\nset EdTop 20\nok\nok\n"),
    (5, b"click BtnRescale\nset TopNumerator 3\nset TopDenom 2\nset CheckTopOffset 1\nset TopOffset 10\nok\nok\n"),
    (6, b"drag OutlineParent 3 2\nok\n"),
    (7, b"cell StringGrid1 3 1 30\ncell StringGrid1 4 1 41\nok\n"),
]
for dirpath, _, names in os.walk(forms):
    for n in names:
        if n.endswith(('.tsv', '.md')):
            continue
        data = open(os.path.join(dirpath, n), 'rb').read()
        at = data.find(b'TPF0')
        if data[:4] == b'TPF0' or data[:3] == b'\xff\x0a\x00':
            seeds = [b'\x00' + data[at + 4:], b'\x01' + data[at:]] if at >= 0 else [b'\x00' + data]
            target = 'binary'
        else:
            seeds, target = [data[:65536]], 'text'
        for s in seeds:
            name = hashlib.sha1(s).hexdigest()
            open(os.path.join(work, target, name), 'wb').write(s)
        # The model's target: a tool's verb, a script's length and the script (none: the tool
        # prints), then the form as it is. Each form once printed and once edited.
        verb = int(hashlib.sha1(data).hexdigest(), 16) % 9
        edit = edits[int(hashlib.sha1(data).hexdigest(), 16) % len(edits)]
        for seed in (bytes([verb, 0]) + data, bytes([edit[0], len(edit[1])]) + edit[1] + data):
            if len(seed) <= 65536:
                open(os.path.join(work, 'model', hashlib.sha1(seed).hexdigest()), 'wb').write(seed)
PY
fi

run() {
  local target=$1 corpus=$2; shift 2
  echo "== $target for ${secs}s"
  "$build/fuzz/$target" "$corpus" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/findings/$target-" "$@" 2>&1 | tail -n 12
}
status=0
run FuzzTextReader "$work/text" -dict="$root/fuzz/text.dict" || status=1
run FuzzBinaryReader "$work/binary" || status=1
run FuzzFormModel "$work/model" -dict="$root/fuzz/text.dict" || status=1
run FuzzAliasesFile "$work/aliases" || status=1
run FuzzCheckConfig "$work/toml" || status=1
run FuzzScript "$work/script" || status=1
for t in "${tables[@]}"; do run "$t" "$work/$t" || status=1; done

if compgen -G "$work/findings/*" >/dev/null; then
  echo "findings:"; ls -l "$work/findings"
  status=1
fi
exit $status
