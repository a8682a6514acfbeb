#!/usr/bin/env bash
# Load test of the catalogue service on loopback, bounded in time (about a minute in all):
#   1. a list GET, against tarnvale-server and against nginx serving the same folder, in the
#      same run, once as the client sends it (one request per connection) and once with
#      keep-alive;
#   2. report POSTs to the request script, each stored durably before its reply; afterwards
#      the database must hold exactly as many reports as were answered.
# Usage: bench/server/run.sh [BUILD_DIR] (default build-bench, a Release build).
# Targets: list GETs at least half of nginx's rate; at least 1000 report POSTs per second.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build-bench}
duration=${BENCH_SECONDS:-5}
connections=${BENCH_CONNECTIONS:-16}

if [ ! -x "$build/tarnvale-server" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target tarnvale-server -j 2
fi
server_bin=$(realpath "$build/tarnvale-server")
for tool in wrk nginx sqlite3; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/setup.sh installs it)" >&2; exit 1; }
done

tmp=$(mktemp -d)
chmod 755 "$tmp" # nginx workers run as an unprivileged user
server_pid= nginx_started=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    [ -n "$nginx_started" ] && [ -f "$tmp/nginx.pid" ] && kill "$(cat "$tmp/nginx.pid")" 2>/dev/null
    sleep 0.2
    rm -rf "$tmp"
}
trap cleanup EXIT

"$server_bin" demo "$tmp/catalogue" >/dev/null
list=/tarnvale/pcmods2.txt

"$server_bin" --catalogue "$tmp/catalogue" --listen 127.0.0.1:0 >"$tmp/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
    grep -qs listening "$tmp/server.out" && break
    sleep 0.1
done
port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$tmp/server.out")
[ -n "$port" ] || { cat "$tmp/server.out"; exit 1; }

# nginx on a free loopback port with a private configuration and temp folders.
nginx_port=
for candidate in $(shuf -i 20000-60000 -n 20); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
        nginx_port=$candidate
        break
    fi
done
mkdir -p "$tmp/nginx"
cat >"$tmp/nginx.conf" <<CONF
worker_processes auto;
pid $tmp/nginx.pid;
error_log $tmp/nginx/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $tmp/nginx/body;
    proxy_temp_path $tmp/nginx/proxy;
    fastcgi_temp_path $tmp/nginx/fastcgi;
    uwsgi_temp_path $tmp/nginx/uwsgi;
    scgi_temp_path $tmp/nginx/scgi;
    types { text/plain txt; application/zip zip; text/html html; }
    server {
        listen 127.0.0.1:$nginx_port;
        root $tmp/catalogue;
        location / { return 404; }
        location /tarnvale/ { }
        location ~ /\. { return 404; }
    }
}
CONF
nginx -p "$tmp/nginx" -c "$tmp/nginx.conf" -e "$tmp/nginx/error.log"
nginx_started=1
sleep 0.3

rate() { sed -n 's/^Requests\/sec: *\([0-9.]*\).*/\1/p'; }
errors() { grep -E 'Non-2xx|Socket errors' || true; }

run_get() { # name url extra-args...
    local name=$1 url=$2
    shift 2
    wrk -t 2 -c "$connections" -d "${duration}s" "$@" "$url" >"$tmp/wrk.out" 2>&1
    local r
    r=$(rate <"$tmp/wrk.out")
    printf '  %-34s %10s req/s  %s\n' "$name" "$r" "$(errors <"$tmp/wrk.out" | tr '\n' ' ')" >&2
    echo "$r"
}

size=$(stat -c %s "$tmp/catalogue$list")
echo "list GET $list ($size bytes), ${duration}s each, $connections connections, 2 wrk threads" >&2
ours_close=$(run_get "tarnvale-server, connection close" "http://127.0.0.1:$port$list" -H "Connection: close")
nginx_close=$(run_get "nginx, connection close" "http://127.0.0.1:$nginx_port$list" -H "Connection: close")
ours_keep=$(run_get "tarnvale-server, keep-alive" "http://127.0.0.1:$port$list")
nginx_keep=$(run_get "nginx, keep-alive" "http://127.0.0.1:$nginx_port$list")

# Report POSTs as the client sends them.
cat >"$tmp/post.lua" <<'LUA'
wrk.method = "POST"
wrk.body = "action=brokenlink&version=2.1211&mod=Snowy+Gulch&link=http:%2F%2F127.0.0.1:8642%2Ftarnvale%2Fuploads%2FMod+Squad%2FSnowyGulch.zip"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.headers["Connection"] = "close"
LUA
wrk -t 2 -c "$connections" -d "${duration}s" -s "$tmp/post.lua" \
    "http://127.0.0.1:$port/tarnvale/request.php" >"$tmp/wrk.out" 2>&1
posts=$(rate <"$tmp/wrk.out")
answered=$(sed -n 's/^ *\([0-9]*\) requests in.*/\1/p' "$tmp/wrk.out")
printf '  %-34s %10s req/s  %s\n' "report POST, durable" "$posts" "$(errors <"$tmp/wrk.out" | tr '\n' ' ')" >&2

kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=
stored=$(sqlite3 "$tmp/catalogue/tarnvale.sqlite" "SELECT count(*) FROM requests")

echo >&2
awk -v oc="$ours_close" -v nc="$nginx_close" -v ok="$ours_keep" -v nk="$nginx_keep" \
    -v p="$posts" -v a="$answered" -v s="$stored" 'BEGIN {
    rc = oc / nc; rk = ok / nk
    printf "list GET, one request per connection: %.0f vs nginx %.0f req/s = %.2f of nginx (target 0.50) %s\n", oc, nc, rc, (rc >= 0.5 ? "ok" : "MISSED")
    printf "list GET, keep-alive:                 %.0f vs nginx %.0f req/s = %.2f of nginx (target 0.50) %s\n", ok, nk, rk, (rk >= 0.5 ? "ok" : "MISSED")
    printf "report POSTs: %.0f per second (target 1000) %s; %d answered, %d stored (stored >= answered) %s\n", p, (p >= 1000 ? "ok" : "MISSED"), a, s, (s >= a ? "ok" : "LOST")
}'
