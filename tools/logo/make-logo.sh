#!/bin/sh
# Rebuilds src/about/logo2.png from makelogo.cpp. Needs a C++ compiler and Qt 6 Gui.
#   tools/logo/make-logo.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -std=c++20 -fPIC -O1 "$here/makelogo.cpp" -o "$work/makelogo" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/makelogo" "$root/src/about/logo2.png"
echo "wrote $root/src/about/logo2.png"
