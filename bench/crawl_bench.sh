#!/usr/bin/env bash
# Crawl benchmark: a generated site of PAGES pages (~10 KB, 20 links each) on
# 127.0.0.1, crawled to the end by Korvi (8 threads), wget and httrack.
#
#   bench/crawl_bench.sh [PAGES] [DELAY_MS]     (defaults 2000 and 50)
#
# Prints wall time, pages/s, CPU seconds per page and peak memory per tool,
# and the ratios against wget.
set -euo pipefail
cd "$(dirname "$0")/.."
pages=${1:-2000}
delay=${2:-50}
need=()
command -v wget >/dev/null || need+=(wget)
command -v httrack >/dev/null || need+=(httrack)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
    apt-get install -y -qq "${need[@]}" >/dev/null
fi
bin=build/bin
[ -x $bin/bench_site_server ] && [ -x $bin/korvi-run ] || {
    echo "build first: cmake --build --preset default" >&2; exit 1; }

work=$(mktemp -d)
trap 'kill ${srv:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
$bin/bench_site_server "$pages" "$delay" > "$work/port" &
srv=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
url="http://127.0.0.1:$port/"
echo "site: $pages pages, ${delay} ms per answer, $url"

# measure NAME FILES_DIR CMD...: runs CMD under GNU time, prints a row.
measure() {
    local name=$1 dir=$2
    shift 2
    rm -rf "$dir"
    mkdir -p "$dir"
    /usr/bin/time -f '%e %U %S %M' -o "$work/time.$name" "$@" >/dev/null 2>&1 || true
    read -r wall user sys rss < "$work/time.$name"
    local files
    files=$(find "$dir" -type f \( -name '*.html' -o -name 'index.html' \) | wc -l)
    awk -v n="$name" -v w="$wall" -v u="$user" -v s="$sys" -v r="$rss" -v f="$files" 'BEGIN {
        printf "%-8s files %6d  wall %7.2f s  pages/s %8.1f  cpu/page %8.3f ms  peak %7.1f MB\n",
               n, f, w, (w > 0 ? f / w : 0), (f > 0 ? 1000 * (u + s) / f : 0), r / 1024 }'
    echo "$name $wall $user $sys $rss $files" >> "$work/rows"
}

measure korvi "$work/korvi/log" $bin/korvi-run --home "$work/korvi" crawl --run-id B \
    --words crow --set BaseOption.depth_max=99 --set BaseOption.page_max=0 \
    --set BaseOption.hit_max=0 --set BaseOption.thrd_max=8 --set ExtraOption.local_link=1 \
    --set ExtraOption.foot_tag=1 "$url"
measure wget "$work/wget" wget --recursive --level=inf --no-verbose -P "$work/wget" "$url"
# httrack can be far slower than the others: bounded, its rate is counted over what it got.
measure httrack "$work/httrack" timeout "${HTTRACK_SECONDS:-120}" \
    httrack "$url" -O "$work/httrack" -c8 --disable-security-limits -q

awk '{ wall[$1] = $2; cpu[$1] = ($3 + $4) / ($6 > 0 ? $6 : 1); files[$1] = $6 }
     END {
        if (wall["wget"] > 0 && wall["korvi"] > 0)
            printf "korvi/wget pages/s ratio %.2f\n", (files["korvi"] / wall["korvi"]) / (files["wget"] / wall["wget"])
        if (wall["httrack"] > 0 && wall["korvi"] > 0)
            printf "korvi/httrack pages/s ratio %.2f\n", (files["korvi"] / wall["korvi"]) / (files["httrack"] / wall["httrack"])
        if (cpu["wget"] > 0) printf "korvi/wget cpu per page ratio %.2f\n", cpu["korvi"] / cpu["wget"]
     }' "$work/rows"
