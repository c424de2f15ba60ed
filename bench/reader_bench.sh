#!/bin/bash
# Decoding a 1080p30 20-second H.264 file and scaling every frame to 1280x720 (bicubic, 4:2:0):
# the asset reader's composition output against the ffmpeg program doing the same work to a
# null output. Both run as processes with automatic decoder threads and four scaler threads
# (the reader scales with up to four); alternating, medians with their spread.
# Usage: bench/reader_bench.sh [ROUNDS] [BUILD_DIR]   (5 rounds; build/bench, built in Release)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
build=${2:-$root/build/bench}
. "$root/bench/compare.sh"
bench_build "$build" reader_bench
trap 'rm -rf "$bench_work"' EXIT
src="$bench_work/src_1080p30.mp4"
ffmpeg -hide_banner -loglevel error -nostdin -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=20 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p "$src"

ours() { bench_measure "$1" "$build/bench/reader_bench" "$src" 1280 720; }
theirs() {
    bench_measure "$1" ffmpeg -hide_banner -loglevel error -nostdin -i "$src" -filter_threads 4 \
        -vf scale=1280:720:flags=bicubic -pix_fmt yuv420p -f null -
}
bench_header
bench_case "read + scale 1080p -> 720p" "$rounds" ours theirs
bench_summary
