#!/usr/bin/env bash
# Fails (status 1) on any #include "FOLDER/..." in the program's sources that runs up a layer
# or across to a layer beside it, naming the file, the line and the include. Tests,
# benchmarks and fuzz targets stand above everything and are not checked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# The layers, top down: each with the layers it stands on directly. A file may include its
# own layer and everything its layer stands on, directly or not. The libraries in
# CMakeLists.txt (tavrin_layer DEPENDS) link in the same order.
layers='
app            check
check          framework
framework      outline grid data codegen
data           outline host/db
outline        toolbase
grid           toolbase
codegen        toolbase
toolbase       host/ui host/formfile
host/ui/qt     host/ui
host/ui        host/controls
host/controls  host/base
host/db        host/base
host/formfile  host/base
host/base      host/designer
host/designer  host/vcl
host/vcl
'

declare -A below
names=()
while read -r layer deps; do
    [[ -n $layer ]] || continue
    names+=("$layer")
    below[$layer]=$deps
done <<<"$layers"

# Everything a layer may include: itself and the closure of what it stands on.
declare -A allowed
reach() {
    local layer=$1 dep
    [[ -n ${allowed[$layer]:-} ]] && return
    allowed[$layer]=" $layer "
    for dep in ${below[$layer]}; do
        reach "$dep"
        allowed[$layer]+="${allowed[$dep]} "
    done
}
for layer in "${names[@]}"; do reach "$layer"; done

# The layer a path lies in, into REPLY: the longest layer folder it starts with.
layer_of() {
    local layer
    REPLY=''
    for layer in "${names[@]}"; do
        if [[ $1 == "$layer"/* && ${#layer} -gt ${#REPLY} ]]; then REPLY=$layer; fi
    done
}

status=0
cd "$root"
for layer in "${names[@]}"; do
    [[ -d $layer ]] || { echo "check-layers: the layer folder $layer is missing" >&2; status=1; continue; }
done
# Every quoted include of the sources, as FILE:LINE:TARGET.
while IFS=: read -r file line target; do
    layer_of "$file"
    own=$REPLY
    [[ -n $own ]] || continue
    layer_of "$target"
    to=$REPLY
    if [[ -z $to ]]; then
        # A folder of the repository outside the layers (tests, bench) is never below.
        [[ $target == */* && -d ${target%%/*} ]] || continue
        to=${target%%/*}
    fi
    if [[ ${allowed[$own]} != *" $to "* ]]; then
        echo "$file:$line: #include \"$target\" runs up or across from $own to $to" >&2
        status=1
    fi
done < <(find $(printf '%s\n' "${names[@]}" | cut -d/ -f1 | sort -u) -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
         xargs -0 grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' |
         sed -E 's/^([^:]+):([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1:\2:\3/' | sort -t: -k1,1 -k2,2n)

if [[ $status -ne 0 ]]; then
    echo "check-layers: includes run against the layer order in scripts/check-layers.sh" >&2
fi
exit $status
