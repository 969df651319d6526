#!/usr/bin/env bash
# What the web archive costs a crawl: the generated site of PAGES pages on
# 127.0.0.1 (every answer DELAY_MS late) crawled with and without --warc,
# ROUNDS times each, alternating; prints the median wall and CPU time of each
# side, their ratios and the archive's size.
#
#   bench/warc_bench.sh [PAGES] [DELAY_MS] [THREADS] [ROUNDS]   (defaults 1000, 0, 8, 3)
#
# KORVI_BIN names another folder holding korvi-run and bench_site_server.
set -euo pipefail
cd "$(dirname "$0")/.."
pages=${1:-1000}
delay=${2:-0}
threads=${3:-8}
rounds=${4:-3}
bin=${KORVI_BIN:-build/bin}
[ -x /usr/bin/time ] || apt-get install -y -qq time >/dev/null
[ -x "$bin/bench_site_server" ] && [ -x "$bin/korvi-run" ] || {
    echo "build first: cmake --build build --target korvi-run bench_site_server" >&2; exit 1; }

work=$(mktemp -d)
trap 'kill ${srv:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
"$bin/bench_site_server" "$pages" "$delay" > "$work/port" &
srv=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/"
echo "site: $pages pages, ${delay} ms per answer, $threads threads, $rounds rounds, $url"
"$bin/korvi-run" --home "$work/home" map "$url" >/dev/null

crawl() {  # crawl SIDE ROUND
    local side=$1 round=$2 extra=()
    [ "$side" = warc ] && extra=(--warc "$work/run$round.warc.gz")
    rm -rf "$work/home/log/B"
    /usr/bin/time -f '%e %U %S' -o "$work/t" "$bin/korvi-run" --home "$work/home" crawl -q \
        --run-id B --no-index --set BaseOption.depth_max=99 --set BaseOption.page_max=0 \
        --set BaseOption.hit_max=0 --set "BaseOption.thrd_max=$threads" \
        --set ExtraOption.local_link=1 "${extra[@]}" "$url" >/dev/null 2>&1 || true
    read -r wall user sys < "$work/t"
    echo "$side $wall $user $sys" >> "$work/rows"
}
for r in $(seq "$rounds"); do
    crawl plain "$r"
    crawl warc "$r"
done
size=$(stat -c %s "$work/run1.warc.gz")
awk -v size="$size" '
    function median(a, n,   i, j, t) {
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
        return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    { n[$1]++; wall[$1, n[$1]] = $2; cpu[$1, n[$1]] = $3 + $4 }
    END {
        for (s in n) {
            for (i = 1; i <= n[s]; i++) { w[i] = wall[s, i]; c[i] = cpu[s, i] }
            mw[s] = median(w, n[s]); mc[s] = median(c, n[s])
            printf "%-6s median wall %7.2f s  cpu %7.2f s\n", s, mw[s], mc[s]
        }
        printf "warc/plain wall ratio %.3f  cpu ratio %.3f  archive %.1f MB\n",
               mw["warc"] / mw["plain"], mc["warc"] / mc["plain"], size / 1048576
    }' "$work/rows"
