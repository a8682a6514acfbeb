#!/usr/bin/env bash
# Download benchmark: a file served by nginx on loopback, fetched RUNS times by curl -o and by
# bench_download (the download window's path), alternately, in the same run.
#
#   bench/bench_download.sh [BUILD_DIR] [SIZE_MIB...]     e.g. bench/bench_download.sh build 1024 4096
#
# Reports per size the median time of each, the throughput ratio (curl's time / ours) and the
# peak RSS of each (/usr/bin/time). Needs nginx (nginx-light) and curl (scripts/setup.sh).
# Everything lives in one temporary folder, removed at the end; nginx is stopped by its pid.
set -euo pipefail

build=${1:-build}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1024)
runs=${RUNS:-5}
bench=$(cd "$build" && pwd)/bench/bench_download
[ -x "$bench" ] || { echo "no $bench: build the bench_download target first" >&2; exit 2; }
for tool in nginx curl /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnvale-bench.XXXXXX")
chmod 755 "$work"
nginx_pid=""
cleanup() {
    if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# Room for the served file, curl's copy and ours, plus a margin.
largest=$(printf '%s\n' "${sizes[@]}" | sort -n | tail -1)
avail_mib=$(df -Pm "$work" | awk 'NR==2 {print $4}')
if [ "$avail_mib" -lt $((largest * 3 + 512)) ]; then
    echo "not enough room in $work: ${avail_mib} MiB free, $((largest * 3 + 512)) MiB needed" >&2
    exit 2
fi

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null || echo 18642)
mkdir -p "$work/www/tarnvale/uploads/bench" "$work/out" "$work/logs"
cat >"$work/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/logs/error.log warn;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    client_body_temp_path $work/logs/body;
    proxy_temp_path $work/logs/proxy;
    fastcgi_temp_path $work/logs/fastcgi;
    uwsgi_temp_path $work/logs/uwsgi;
    scgi_temp_path $work/logs/scgi;
    types { application/octet-stream bin; }
    server { listen 127.0.0.1:$port; root $work/www; }
}
EOF
nginx -p "$work" -c "$work/nginx.conf" &
nginx_pid=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

printf '%-8s %-10s %-10s %-8s %-12s %-12s\n' size curl_s ours_s ratio curl_rss_MiB ours_rss_MiB
for mib in "${sizes[@]}"; do
    name="Big${mib}.BIN"                       # saved under this name, requested lower-cased
    served="$work/www/tarnvale/uploads/bench/big${mib}.bin"
    head -c "$((mib * 1048576))" /dev/urandom >"$served"
    url="http://127.0.0.1:$port/tarnvale/uploads/bench/big${mib}.bin"
    : >"$work/curl_t"; : >"$work/ours_t"; : >"$work/curl_m"; : >"$work/ours_m"
    for _ in $(seq "$runs"); do
        /usr/bin/time -f '%M' -o "$work/time" curl -s -o "$work/out/curl.bin" -w '%{time_total}\n' "$url" >>"$work/curl_t"
        cat "$work/time" >>"$work/curl_m"
        cmp -s "$served" "$work/out/curl.bin" || { echo "curl's copy differs" >&2; exit 1; }
        rm -f "$work/out/curl.bin"

        /usr/bin/time -f '%M' -o "$work/time" "$bench" "http://127.0.0.1:$port" Bench "$name" "$work/out" >"$work/line" 2>"$work/logs/bench.err" \
            || { cat "$work/logs/bench.err" >&2; exit 1; }
        awk '{print $4}' "$work/line" >>"$work/ours_t"
        cat "$work/time" >>"$work/ours_m"
        cmp -s "$served" "$work/out/$name" || { echo "our copy differs" >&2; exit 1; }
        rm -f "$work/out/$name"
    done
    [ -z "${VERBOSE:-}" ] || echo "runs: curl $(tr '\n' ' ' <"$work/curl_t")/ ours $(tr '\n' ' ' <"$work/ours_t")" >&2
    curl_s=$(median <"$work/curl_t"); ours_s=$(median <"$work/ours_t")
    curl_m=$(sort -n "$work/curl_m" | tail -1); ours_m=$(sort -n "$work/ours_m" | tail -1)
    printf '%-8s %-10.3f %-10.3f %-8.2f %-12.1f %-12.1f\n' "${mib}M" "$curl_s" "$ours_s" \
        "$(awk -v c="$curl_s" -v o="$ours_s" 'BEGIN {print c / o}')" \
        "$(awk -v k="$curl_m" 'BEGIN {print k / 1024}')" "$(awk -v k="$ours_m" 'BEGIN {print k / 1024}')"
    rm -f "$served"
done
echo "($runs runs each; times are medians of the transfer alone, RSS the highest of the runs)"
