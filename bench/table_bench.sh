#!/bin/sh
# Times the file table: adding a folder of 1,000 small real media files, then painting a
# table of 10,000 rows while scrolling.
# Usage: bench/table_bench.sh [BUILD_DIR]   (default build/bench, configured as Release)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target table_bench >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
V="-f lavfi -i testsrc2=size=160x120:rate=25:duration=1"
A="-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1"
ff $V $A -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest "$tmp/s.mp4"
ff $V $A -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a pcm_s16le -shortest "$tmp/s.mov"
ff $A -c:a aac "$tmp/s.m4a"
ff $A -c:a libmp3lame "$tmp/s.mp3"
mkdir "$tmp/folder"
i=0
while [ $i -lt 250 ]; do
    for ext in mp4 mov m4a mp3; do cp "$tmp/s.$ext" "$tmp/folder/file $i.$ext"; done
    i=$((i + 1))
done
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$XDG_CONFIG_HOME"
# The rows' log lines go to standard output; the figures are the lines that start with add, paint and delete.
"$build/bench/table_bench" "$tmp/folder" 10000 | grep -E '^(add|paint|delete) '
