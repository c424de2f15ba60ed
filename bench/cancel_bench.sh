#!/bin/bash
# Time from Stop to the job's end on both engines: 20 cancels at random moments per engine,
# for a 1080p source to H.264 and a 4K source to HEVC.
# Usage: bench/cancel_bench.sh [RUNS] [BUILD_DIR]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20}
build=${2:-$root/build/bench}
. "$root/bench/compare.sh"
bench_build "$build" cancel_bench
trap 'rm -rf "$bench_work"' EXIT
src=${BENCH_SOURCES:-/tmp/pipeline-bench-sources}
mkdir -p "$src"
make_source() { # make_source NAME SIZE SECONDS
    [ -s "$src/$1" ] && return
    ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "testsrc2=size=$2:rate=30:duration=$3" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$3" -ac 2 \
        -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -c:a aac -shortest "$src/tmp_$1"
    mv "$src/tmp_$1" "$src/$1"
}
make_source cancel_1080.mp4 1920x1080 20
make_source cancel_2160.mp4 3840x2160 10
echo "load: $(uptime | sed 's/.*load average: //')"
echo "1080p to H.264:"
"$build/bench/cancel_bench" "$src/cancel_1080.mp4" avc1 1920 1080 "$runs" "$bench_work"
echo "4K to HEVC:"
"$build/bench/cancel_bench" "$src/cancel_2160.mp4" hvc1 3840 2160 "$runs" "$bench_work"
echo "load: $(uptime | sed 's/.*load average: //')"
