#!/usr/bin/env bash
# Fast-server benchmark: the crawl benchmark's generated site (~10 KB pages,
# 20 links each) on 127.0.0.1 with no delay, crawled by Korvi and by wget
# in turn, RUNS times each; then once more each under strace to count the
# system calls.
#
#   bench/fast_server_bench.sh [PAGES] [THREADS] [RUNS]     (defaults 2000, 8, 5)
#
# Prints the median wall time and CPU per page of each tool, the system
# calls per page and the most frequent calls, and the ratios against wget
# with the limits they are held to (wall <= 0.7x, CPU per page <= 1.5x,
# <= 40 system calls per page); "noidx" is Korvi without the store index.
# KORVI_BIN names another folder holding
# korvi-run and bench_site_server; STRACE=0 leaves the counting out.
# BENCH_DIR is where both store their files: by default /dev/shm (memory),
# which measures the two programs rather than the disk's history. On ext4
# without a journal, a new file's inode is searched for past every inode
# deleted in the last minutes (and after a run's files are removed that can
# cost a millisecond per file), so a disk gives steady figures only when it
# is fresh; BENCH_DIR=/some/folder measures there.
set -euo pipefail
cd "$(dirname "$0")/.."
pages=${1:-2000}
threads=${2:-8}
runs=${3:-5}
bin=${KORVI_BIN:-build/bin}
need=()
command -v wget >/dev/null || need+=(wget)
[ -x /usr/bin/time ] || need+=(time)
[ "${STRACE:-1}" = 0 ] || command -v strace >/dev/null || need+=(strace)
if [ ${#need[@]} -gt 0 ]; then
    apt-get install -y -qq "${need[@]}" >/dev/null
fi
[ -x "$bin/bench_site_server" ] && [ -x "$bin/korvi-run" ] || {
    echo "build first: cmake --build build --target korvi-run bench_site_server" >&2; exit 1; }

work=$(mktemp -d -p "${BENCH_DIR:-/dev/shm}")
trap 'kill ${srv:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
"$bin/bench_site_server" "$pages" 0 > "$work/port" &
srv=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
url="http://127.0.0.1:$port/"
echo "site: $pages pages, no delay, $threads threads, $runs runs, $url, files in $work"

# The commands, run by /usr/bin/time and strace (no shell functions there).
korvi=("$bin/korvi-run" --home "$work/korvi" crawl
    --words crow --set BaseOption.depth_max=99 --set BaseOption.page_max=0
    --set BaseOption.hit_max=0 --set "BaseOption.thrd_max=$threads"
    --set ExtraOption.local_link=1 --set ExtraOption.foot_tag=1 "$url" --run-id)
# The same without the store index ("noidx"), which is not crawl work.
noidx=("${korvi[@]:0:${#korvi[@]}-2}" --no-index "$url" --run-id)
peer=(wget --recursive --level=inf --no-verbose "$url" -P)

# One timed run: "name wall user sys files" appended to rows. The files stay
# until the end: on ext4 without a journal a file made soon after many were
# deleted costs a search past their inodes, which would tax the next run.
timed() {
    local name=$1 dir=$2
    shift 2
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
    local files
    files=$(find "$dir" -type f -name '*.html' 2>/dev/null | wc -l)
    echo "$name $(tail -n 1 "$work/time") $files" >> "$work/rows"
}

# The home is made once, outside the timing.
"$bin/korvi-run" --home "$work/korvi" map "$url" >/dev/null
for i in $(seq "$runs"); do
    timed korvi "$work/korvi/log/B$i" "${korvi[@]}" "B$i"
    timed noidx "$work/korvi/log/N$i" "${noidx[@]}" "N$i"
    timed wget "$work/wget/$i" "${peer[@]}" "$work/wget/$i"
done

awk '
    function median(a, n,   i, j, t) {
        for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) {
            t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
        return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    { n[$1]++; wall[$1, n[$1]] = $2; cpu[$1, n[$1]] = $5 > 0 ? 1000 * ($3 + $4) / $5 : 0
      files[$1] = $5 }
    END {
        for (t in n) {
            for (i = 1; i <= n[t]; i++) { w[i] = wall[t, i]; c[i] = cpu[t, i] }
            mw[t] = median(w, n[t]); mc[t] = median(c, n[t])
            printf "%-6s files %6d  median wall %6.2f s  median cpu/page %6.3f ms\n",
                   t, files[t], mw[t], mc[t]
        }
        if (mw["wget"] > 0 && mc["wget"] > 0) {
            printf "korvi/wget wall %.2f (limit 0.70)  cpu/page %.2f (limit 1.50)\n",
                   mw["korvi"] / mw["wget"], mc["korvi"] / mc["wget"]
            printf "noidx/wget wall %.2f (limit 0.70)  cpu/page %.2f (limit 1.50)\n",
                   mw["noidx"] / mw["wget"], mc["noidx"] / mc["wget"]
        }
    }' "$work/rows"

[ "${STRACE:-1}" = 0 ] && exit 0
# count NAME DIR CMD...: system calls per stored page and the top ten calls.
count() {
    local name=$1 dir=$2
    shift 2
    strace -f -c -o "$work/strace.$name" "$@" >/dev/null 2>&1 || true
    local files
    files=$(find "$dir" -type f -name '*.html' 2>/dev/null | wc -l)
    awk '$1 ~ /^[0-9.]+$/ && NF >= 5 && $NF != "total" { print $4, $NF }' "$work/strace.$name" |
        sort -k1,1nr > "$work/calls.$name"
    awk -v n="$name" -v f="$files" '
        { total += $1; if (NR <= 10) top[NR] = sprintf("         %-16s %8d  %6.2f/page", $2, $1,
                                                      f > 0 ? $1 / f : 0) }
        END {
            printf "%-6s system calls %d for %d pages: %.1f per page (limit 40 for korvi)\n",
                   n, total, f, (f > 0 ? total / f : 0)
            for (i = 1; i <= 10 && i <= NR; i++) print top[i]
        }' "$work/calls.$name"
}
count korvi "$work/korvi/log/S" "${korvi[@]}" S
count noidx "$work/korvi/log/T" "${noidx[@]}" T
count wget "$work/wget/S" "${peer[@]}" "$work/wget/S"
