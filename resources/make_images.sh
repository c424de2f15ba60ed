#!/bin/sh
# Regenerates the bundled PNGs in resources/images from make_images.cpp.
# Needs a C++ compiler and the Qt 6 development files (scripts/deps.sh installs both).
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
c++ -std=c++20 -fPIC -Wall -Wextra make_images.cpp -o "$tmp/make_images" \
    $(pkg-config --cflags --libs Qt6Gui)
mkdir -p images
QT_QPA_PLATFORM=offscreen "$tmp/make_images"
