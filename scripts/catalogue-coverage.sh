#!/usr/bin/env bash
# Checks the class catalogue (host/vcl/StandardClasses.txt) against real form files.
#
# Lists the component classes that the forms use but the catalogue does not declare. Left out
# of that list are the classes a form file defines itself (the top object of each file and
# inline frames) and the classes of known third-party libraries and of the applications the
# forms come from; the program infers the place of those. With -p it also lists property
# names stored for catalogued classes that the catalogue does not publish (defined
# properties such as ExplicitLeft, DesignSize or Picture.Data are not counted).
#
# Usage: scripts/catalogue-coverage.sh [-p] [-v] [FORMS_DIR]
#   -p          also check the property names
#   -v          also list the ignored classes
#   FORMS_DIR   default: ../shared/forms beside the repository
# Environment: CATALOGUE (default host/vcl/StandardClasses.txt),
#              IGNORE (an extended regular expression of class names to leave out).
# Only text form files (.dfm, .lfm, .xfm) are read; binary ones are counted and skipped.
# Exit status: 0 when no class is missing, 1 when some are, 2 on bad usage.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
catalogue=${CATALOGUE:-$repo/host/vcl/StandardClasses.txt}
check_props=0
verbose=0
while getopts "pvh" opt; do
    case $opt in
        p) check_props=1 ;;
        v) verbose=1 ;;
        h) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
forms=${1:-$repo/../shared/forms}
[ -d "$forms" ] || { echo "no forms folder: $forms" >&2; exit 2; }
[ -r "$catalogue" ] || { echo "no catalogue: $catalogue" >&2; exit 2; }

# Third-party libraries (JVCL, SynEdit, Virtual Treeview, QuickReport, SVG image lists, a GIF
# viewer) and classes the corpus applications declare themselves.
default_ignore='^T(Jv|Syn|QR|QuickRep|KAS|SVG|VirtualStringTree|VirtualDrawTree|VTHeaderPopupMenu|GIFView)'
default_ignore+='|^T(ClassBrowser|CodeCompletion|Cpp[A-Z]|dev[A-Z]|CompOptions|ComboBoxAutoWidth|ComboBoxWithDelItems|ToolBarAdv|ToolButtonClr|ViewerControl|IBSQLEditFrame)'
ignore=${IGNORE:-$default_ignore}

text_files=()
binary=0
while IFS= read -r -d '' f; do
    # A text form starts (after an optional UTF-8 byte order mark) with object/inherited/inline.
    if LC_ALL=C head -c 64 "$f" | LC_ALL=C sed '1s/^\xEF\xBB\xBF//' 2>/dev/null |
        LC_ALL=C grep -qaiE '^[[:space:]]*(object|inherited|inline)[[:space:]]'; then
        text_files+=("$f")
    else
        binary=$((binary + 1))
    fi
done < <(find "$forms" -type f \( -iname '*.dfm' -o -iname '*.lfm' -o -iname '*.xfm' \) -print0 | sort -z)

LC_ALL=C awk -v catalogue="$catalogue" -v ignore="$ignore" -v check_props="$check_props" \
    -v verbose="$verbose" -v binary="$binary" -v nfiles="${#text_files[@]}" '
function lc(s) { return tolower(s) }
function trim(s) { sub(/^[ \t\r]+/, "", s); sub(/[ \t\r]+$/, "", s); return s }
function basename(p) { sub(/.*\//, "", p); return p }
# The catalogue: classes, parents, and the type of each published property.
function load_catalogue(   line, cur, name, rest, p, type) {
    while ((getline line < catalogue) > 0) {
        sub(/\r$/, "", line)
        if (line ~ /^[ \t]*(#|$)/) continue
        if (line ~ /^class /) {
            rest = substr(line, 7)
            name = trim(rest); parent = ""
            p = index(rest, ":")
            if (p) { name = trim(substr(rest, 1, p - 1)); parent = lc(trim(substr(rest, p + 1))) }
            cur = lc(name)
            if (!(cur in cls)) { cls[cur] = name; ncls++ }
            if (parent != "") par[cur] = parent
        } else if (line ~ /^[ \t]/ && cur != "") {
            p = index(line, ":")
            name = lc(trim(substr(line, 1, p - 1)))
            type = trim(substr(line, p + 1)); sub(/[ \t]*=.*/, "", type)
            ptype[cur SUBSEP name] = lc(type)
        } else if (line !~ /^type /) {
            cur = ""
        }
    }
    close(catalogue)
}
# The type of property p of class c (searching the ancestors), "" when not published.
function prop_type(c, p) {
    while (c != "") {
        if ((c SUBSEP p) in ptype) return ptype[c SUBSEP p]
        c = (c in par) ? par[c] : ""
    }
    return ""
}
function is_control(c) {
    while (c != "") { if (c == "tcontrol") return 1; c = (c in par) ? par[c] : "" }
    return 0
}
function check_property(c, name,   n, parts, i, p, t, key) {
    n = split(name, parts, ".")
    for (i = 1; i <= n; i++) {
        p = lc(parts[i])
        t = prop_type(c, p)
        if (t == "") {
            if (i == 1 && (p in defined)) return
            if (i == 1 && (p == "left" || p == "top") && !is_control(c)) return
            if (i > 1 && (p == "data" || p == "strings")) return
            key = cls[c] "." parts[1]
            for (j = 2; j <= i; j++) key = key "." parts[j]
            if (!(key in badprop)) badfile[key] = basename(FILENAME)
            badprop[key]++
            return
        }
        if (!(t in cls)) return
        c = t
    }
}
BEGIN {
    load_catalogue()
    split("explicitleft explicittop explicitwidth explicitheight designsize textheight iscontrol " \
          "horizontaloffset verticaloffset designleft designtop data bitmap bitmapadv colwidths " \
          "rowheights cells paramdata", tmp, " ")
    for (k in tmp) defined[tmp[k]] = 1
}
FNR == 1 { first = 1; depth = 0; cont = "" }
{
    line = $0
    sub(/\r$/, "", line)
    if (FNR == 1) sub(/^\357\273\277/, "", line)
    s = trim(line)
    # the rest of a value that spans lines
    if (cont != "") {
        if (cont == ")" && s ~ /\)$/) cont = ""
        else if (cont == "}" && s ~ /\}$/) cont = ""
        else if (cont == "+" && s !~ /\+$/) cont = ""
        next
    }
    ls = lc(s)
    if (ls ~ /^(object|inherited|inline)[ \t]/) {
        kind = ls; sub(/[ \t].*/, "", kind)
        rest = s; sub(/^[A-Za-z]+[ \t]+/, "", rest); sub(/[ \t]*\[[0-9]+\][ \t]*$/, "", rest)
        p = index(rest, ":")
        c = trim(p ? substr(rest, p + 1) : rest)
        if (first) { root[c] = 1; first = 0 }
        else if (kind == "inline") frame[c] = 1
        else { used[c]++; if (!(c in usedfile)) usedfile[c] = basename(FILENAME) }
        stack[++depth] = "o" lc(c)
        next
    }
    if (ls == "end") { if (depth > 0) depth--; next }
    if (ls ~ /^end>/) { depth -= 2; if (depth < 0) depth = 0; next }
    if (ls == "item") { stack[++depth] = "i"; next }
    p = index(s, "=")
    if (p == 0) next
    name = trim(substr(s, 1, p - 1)); value = trim(substr(s, p + 1))
    if (check_props && depth > 0 && substr(stack[depth], 1, 1) == "o" && (substr(stack[depth], 2) in cls))
        check_property(substr(stack[depth], 2), name)
    if (value == "<") stack[++depth] = "c"
    else if (value ~ /^\(/ && value !~ /\)$/) cont = ")"
    else if (value ~ /^\{/ && value !~ /\}$/) cont = "}"
    else if (value == "" || value ~ /\+$/) cont = "+"
}
END {
    printf "%d text form files read, %d binary skipped; catalogue: %d classes\n", nfiles, binary, ncls
    nmiss = 0; nign = 0
    for (c in used) {
        if (lc(c) in cls) continue
        if (c ~ ignore) { ign[c] = used[c]; nign++ } else { miss[c] = used[c]; nmiss++ }
    }
    print ""
    print "Classes used in the forms but missing from the catalogue:"
    if (nmiss == 0) print "  (none)"
    else for (c in miss) printf "  %-32s %5d  %s\n", c, miss[c], usedfile[c] | "sort"
    close("sort")
    nroot = 0; for (c in root) if (!(lc(c) in cls)) nroot++
    nframe = 0; for (c in frame) if (!(lc(c) in cls)) nframe++
    print ""
    printf "Ignored: %d third-party or application classes, %d top-object classes, %d inline frame classes\n", nign, nroot, nframe
    if (verbose) {
        for (c in ign) printf "  %-32s %5d\n", c, ign[c] | "sort"
        close("sort")
    }
    if (check_props) {
        print ""
        print "Properties stored for catalogued classes but not published there:"
        nbad = 0
        for (k in badprop) { printf "  %-48s %5d  %s\n", k, badprop[k], badfile[k] | "sort"; nbad++ }
        close("sort")
        if (nbad == 0) print "  (none)"
    }
    exit (nmiss > 0 ? 1 : 0)
}
' "${text_files[@]}"
