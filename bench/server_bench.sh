#!/bin/bash
# Local HTTP server against nginx on the same folder, 127.0.0.1 only:
# a static 10 KB file and a directory page, wrk -t2 -c8 -d10s each.
# Needs: wrk, nginx (apt-get install wrk nginx) and a built bench_server_bench.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${BENCH_BIN:-$here/build/bin/bench_server_bench}
dur=${BENCH_DURATION:-10s}
work=$(mktemp -d)
trap 'kill $korvi_pid $nginx_pid 2>/dev/null || true; rm -rf "$work"' EXIT
korvi_pid=""
nginx_pid=""

mkdir -p "$work/site/dir"
head -c 10240 /dev/zero | tr '\0' k > "$work/site/static.html"
for i in $(seq 0 19); do echo x > "$work/site/dir/f$i.txt"; done

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

"$bin" "$work/site" 600 > "$work/korvi.out" &
korvi_pid=$!
for _ in $(seq 50); do grep -q port= "$work/korvi.out" 2>/dev/null && break; sleep 0.1; done
kport=$(sed -n 's/^port=//p' "$work/korvi.out")

nport=$(free_port)
mkdir -p "$work/nginx"
cat > "$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path $work/nginx; proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx; uwsgi_temp_path $work/nginx; scgi_temp_path $work/nginx;
  server { listen 127.0.0.1:$nport; root $work/site; autoindex on; }
}
CONF
nginx -c "$work/nginx/nginx.conf" &
nginx_pid=$!
sleep 0.5

rate() { wrk -t2 -c8 -d"$dur" "$1" | awk '/Requests\/sec/ {print $2}'; }
printf '%-14s %12s %12s %8s\n' path korvi nginx ratio
for path in /static.html /dir/; do
  k=$(rate "http://127.0.0.1:$kport$path")
  n=$(rate "http://127.0.0.1:$nport$path")
  printf '%-14s %12s %12s %8s\n' "$path" "$k" "$n" "$(awk -v a="$k" -v b="$n" 'BEGIN{printf "%.3f", a/b}')"
done
