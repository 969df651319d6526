#!/usr/bin/env bash
# Crawl benchmark: a generated site of PAGES pages (~10 KB, 20 links each) on
# 127.0.0.1, every answer DELAY_MS late, crawled to the end by Korvi with
# THREADS threads and by wget in the same run.
#
#   bench/crawl_bench.sh [PAGES] [DELAY_MS] [THREADS]     (defaults 1000, 50, 8)
#
# Prints wall time, pages/s, CPU per page and peak memory per tool, Korvi's
# rate against the ideal (THREADS answers per DELAY_MS) and against wget.
# KORVI_BIN names another folder holding korvi-run and bench_site_server;
# CRAWL_PEER=none leaves wget out. The crawl runs once more without the
# store index (--no-index, "noidx"); the ratio of the two rates is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
pages=${1:-1000}
delay=${2:-50}
threads=${3:-8}
bin=${KORVI_BIN:-build/bin}
peer=${CRAWL_PEER:-wget}
need=()
[ "$peer" = none ] || command -v wget >/dev/null || need+=(wget)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
    apt-get install -y -qq "${need[@]}" >/dev/null
fi
[ -x "$bin/bench_site_server" ] && [ -x "$bin/korvi-run" ] || {
    echo "build first: cmake --build build --target korvi-run bench_site_server" >&2; exit 1; }

work=$(mktemp -d)
trap 'kill ${srv:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
"$bin/bench_site_server" "$pages" "$delay" > "$work/port" &
srv=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
url="http://127.0.0.1:$port/"
echo "site: $pages pages, ${delay} ms per answer, $threads threads, $url"

# measure NAME FILES_DIR CMD...: runs CMD under GNU time, prints a row.
measure() {
    local name=$1 dir=$2
    shift 2
    rm -rf "$dir"
    mkdir -p "$dir"
    /usr/bin/time -f '%e %U %S %M' -o "$work/time.$name" "$@" >/dev/null 2>&1 || true
    read -r wall user sys rss < <(tail -n 1 "$work/time.$name")
    local files
    files=$(find "$dir" -type f -name '*.html' | wc -l)
    awk -v n="$name" -v w="$wall" -v u="$user" -v s="$sys" -v r="$rss" -v f="$files" 'BEGIN {
        printf "%-6s files %6d  wall %7.2f s  pages/s %7.1f  cpu/page %6.3f ms  peak %6.1f MB\n",
               n, f, w, (w > 0 ? f / w : 0), (f > 0 ? 1000 * (u + s) / f : 0), r / 1024 }'
    echo "$name $wall $user $sys $rss $files" >> "$work/rows"
}

# A home is made once on first use; that is not part of the crawl.
"$bin/korvi-run" --home "$work/korvi" map "$url" >/dev/null
measure korvi "$work/korvi/log" "$bin/korvi-run" --home "$work/korvi" crawl --run-id B \
    --words crow --set BaseOption.depth_max=99 --set BaseOption.page_max=0 \
    --set BaseOption.hit_max=0 --set "BaseOption.thrd_max=$threads" \
    --set ExtraOption.local_link=1 --set ExtraOption.foot_tag=1 "$url"
"$bin/korvi-run" --home "$work/noidx" map "$url" >/dev/null
measure noidx "$work/noidx/log" "$bin/korvi-run" --home "$work/noidx" crawl --run-id B \
    --words crow --set BaseOption.depth_max=99 --set BaseOption.page_max=0 \
    --set BaseOption.hit_max=0 --set "BaseOption.thrd_max=$threads" \
    --set ExtraOption.local_link=1 --set ExtraOption.foot_tag=1 --no-index "$url"
if [ "$peer" != none ]; then
    measure wget "$work/wget" wget --recursive --level=inf --no-verbose -P "$work/wget" "$url"
fi

awk -v t="$threads" -v d="$delay" '{ wall[$1] = $2; files[$1] = $6 }
     END {
        rate = wall["korvi"] > 0 ? files["korvi"] / wall["korvi"] : 0
        if (d > 0) {
            ideal = t * 1000 / d
            printf "ideal  %.1f pages/s (%d threads / %d ms)\n", ideal, t, d
            printf "korvi/ideal pages/s ratio %.2f\n", rate / ideal
        }
        if (wall["noidx"] > 0 && files["noidx"] > 0)
            printf "korvi index on/off pages/s ratio %.3f\n", rate / (files["noidx"] / wall["noidx"])
        if (wall["wget"] > 0 && files["wget"] > 0)
            printf "korvi/wget pages/s ratio %.2f\n", rate / (files["wget"] / wall["wget"])
     }' "$work/rows"
