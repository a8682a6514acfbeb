#!/usr/bin/env bash
# Builds the client and the catalogue service, lays out a demo catalogue in demo-catalogue/
# when there is none yet, starts the service on 127.0.0.1:8642, runs the client, and stops
# the service when the client quits.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --target tarnvale tarnvale-server -j "$(nproc)"

if [ ! -d demo-catalogue/tarnvale ]; then
    build/tarnvale-server demo demo-catalogue --base-url http://127.0.0.1:8642
fi

build/tarnvale-server --catalogue demo-catalogue --listen 127.0.0.1:8642 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT

# The client must not start before the service takes connections.
for _ in $(seq 50); do
    if (exec 3<>/dev/tcp/127.0.0.1/8642) 2>/dev/null; then
        break
    fi
    if ! kill -0 "$server" 2>/dev/null; then
        echo "the catalogue service did not start (is port 8642 taken?)" >&2
        exit 1
    fi
    sleep 0.1
done

build/tarnvale
