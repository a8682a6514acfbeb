#!/usr/bin/env bash
# Installs what building, running and testing Tarnvale needs on Debian 12 (bookworm).
# Run as root, or with sudo available. Safe to run again.
set -euo pipefail

packages=(
    # client
    g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    fonts-dejavu-core
    # catalogue service
    libcpp-httplib-dev libsqlite3-dev sqlite3
    # screenshots, benchmarks
    xvfb xdotool imagemagick wrk nginx-light curl time
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
