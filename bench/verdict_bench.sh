#!/bin/bash
# What judging a source cut short costs on large files: a whole FLV and a whole Matroska file of
# MINUTES minutes (about 1 GB a quarter hour), the same cut at 90 %, and an AVI over 1 GB in two
# RIFF parts cut at the part boundary. For each: the verdict, its wall time (page cache warm,
# and cold where the cache can be dropped) and the bytes the process read for it (the
# demuxer's opening included).
# Usage: bench/verdict_bench.sh [MINUTES] [BUILD_DIR]   (100 minutes; build/bench, built in Release)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-100}
build=${2:-$root/build/bench}
. "$root/bench/compare.sh"
bench_build "$build" verdict_bench
trap 'rm -rf "$bench_work"' EXIT
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
cd "$bench_work"
ff -f lavfi -i testsrc2=size=1280x720:rate=25:duration=10 -f lavfi -i sine=duration=10 \
    -c:v libx264 -preset ultrafast -b:v 8M -c:a aac piece.mp4
loops=$((minutes * 6 - 1))
ff -stream_loop "$loops" -i piece.mp4 -c copy large.flv
ff -stream_loop "$loops" -i piece.mp4 -c copy large.mkv
ff -f lavfi -i testsrc2=size=1280x720:rate=25 -frames:v 800 -c:v rawvideo -pix_fmt yuv420p parts.avi
for f in large.flv large.mkv; do
    size=$(stat -c %s "$f")
    head -c $((size * 9 / 10)) "$f" > "cut90_$f"
done
# The second RIFF part begins where the first one's size says it ends.
first=$(od -An -tu4 -j4 -N4 parts.avi | tr -d ' ')
head -c $((first + 8)) parts.avi > boundary_parts.avi
ls -l large.* cut90_* parts.avi boundary_parts.avi | awk '{ printf "%-22s %6.2f GB\n", $9, $5 / 1e9 }'
echo
echo "page cache warm:"
"$build/bench/verdict_bench" large.flv large.mkv cut90_large.flv cut90_large.mkv parts.avi boundary_parts.avi
if sync && echo 3 2>/dev/null >/proc/sys/vm/drop_caches; then
    echo "page cache dropped before each file:"
    for f in large.flv large.mkv cut90_large.flv cut90_large.mkv parts.avi boundary_parts.avi; do
        echo 3 >/proc/sys/vm/drop_caches
        "$build/bench/verdict_bench" "$f"
    done
fi
