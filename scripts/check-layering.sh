#!/usr/bin/env bash
# Fails when a file under src/ includes a header from a layer above its own.
#   core (every folder but ui/, app/, cli/, cscript/) < ui/common < one ui panel folder < the roof
#   (ui/shell, ui/server/WinSrvr, app); cli and cscript stand on the core only.
#   Inside engine: match, page < profile < lists, render < crawl < engine root.
#   warc (web archives) stands on store and shell only; engine may use it.
# With --stats it prints folders, folder-to-folder include arrows and arrows against the layers.
set -euo pipefail
cd "$(dirname "$0")/.."
stats=0
[ "${1:-}" = "--stats" ] && stats=1
git ls-files -- 'src/*.h' 'src/*.cpp' | while read -r f; do
    { grep -ho '^#include "[^"]*/[^"]*"' "$f" || true; } | sed 's/^#include "//; s/"$//' | while read -r inc; do
        if [ -e "src/$inc" ]; then echo "${f#src/} $inc"; fi
    done
done | awk -v stats="$stats" '
function dir(p) { sub(/\/[^\/]*$/, "", p); return p }
function layer(p,   d) {
    d = dir(p)
    if (d ~ /^ui\/shell$/ || p ~ /^ui\/server\/WinSrvr\./ || d == "app") return "roof"
    if (d == "ui" || d ~ /^ui\/common/) return "floor"
    if (d ~ /^ui\//) return "panel"
    if (d == "cli" || d == "cscript") return "tool"
    return "core"
}
function room(d) {
    if (d == "engine/match" || d == "engine/page") return 1
    if (d == "engine/profile") return 2
    if (d == "engine/lists" || d == "engine/render") return 3
    if (d == "engine/crawl") return 4
    if (d == "engine") return 5
    return 0
}
function allowed(from, to,   lf, lt, df, dt) {
    lf = layer(from); lt = layer(to); df = dir(from); dt = dir(to)
    if (df == dt) return 1
    if (lf == "roof") return lt != "tool"
    if (lt == "core") {
        if (df == "warc") return dt == "store" || dt == "shell"
        if (lf != "core" || !room(df) || !room(dt)) return 1
        return room(dt) < room(df) || (room(dt) == room(df) && room(df) > 1)
    }
    if (lf == "tool" || lf == "core") return 0
    if (lt == "floor") return 1
    return 0
}
{
    from = $1; to = $2; df = dir(from); dt = dir(to)
    folders[df] = 1; folders[dt] = 1
    if (df == dt) next
    arrows[df " -> " dt] = 1
    if (!allowed(from, to)) { bad[df " -> " dt] = 1; lines[++n] = "src/" from " includes " to }
}
END {
    nf = 0; for (k in folders) nf++
    na = 0; for (k in arrows) na++
    nb = 0; for (k in bad) nb++
    if (stats) printf "folders %d, arrows %d, against the layers %d\n", nf, na, nb
    for (i = 1; i <= n; i++) print lines[i] > "/dev/stderr"
    exit n > 0
}'
