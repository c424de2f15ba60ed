#!/bin/bash
# Writer benchmark: 10 s of 1080p30 to H.264 at 5 Mbit/s + AAC in a QuickTime movie, through
# the reader and writer alone, against the ffmpeg command with the same settings (libx264
# preset "faster", 5 Mbit/s average, AAC 128 kbit/s 48 kHz stereo), alternating, medians with
# their spread; then the writer's peak memory for a 10 s and a 120 s source.
# Usage: bench/writer_bench.sh [ROUNDS] [BUILD_DIR]   (5 rounds; build/bench, built in Release)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
build=${2:-$root/build/bench}
src=${BENCH_SOURCES:-/tmp/writer-bench-sources}
mkdir -p "$src"
. "$root/bench/compare.sh"
bench_build "$build" writer_bench
bin="$build/bench/writer_bench"
trap 'rm -rf "$bench_work"' EXIT

source_of() { # source_of SECONDS: a 1080p30 test picture with a stereo tone, kept for reruns
    local file="$src/src_${1}s.mp4"
    if [ ! -s "$file" ]; then
        ffmpeg -hide_banner -loglevel error -nostdin -y \
            -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$1" \
            -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$1" -ac 2 \
            -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest "$src/tmp.mp4"
        mv "$src/tmp.mp4" "$file"
    fi
    echo "$file"
}
src10=$(source_of 10)
ours() { rm -f "$bench_work/out.mov"; bench_measure "$1" "$bin" "$src10" "$bench_work/out.mov"; }
theirs() {
    rm -f "$bench_work/out.mov"
    bench_measure "$1" ffmpeg -hide_banner -loglevel error -nostdin -i "$src10" -c:v libx264 -preset faster \
        -b:v 5000000 -pix_fmt yuv420p -c:a aac -b:a 128k -ar 48000 -ac 2 "$bench_work/out.mov"
}
echo "== 10 s 1080p30 -> H.264 5 Mbit/s + AAC, mov ($rounds rounds, alternating)"
bench_header
bench_case "writer 1080p30 10 s" "$rounds" ours theirs
bench_summary

echo "== writer's peak memory against the source's length (one run each)"
for s in 10 120; do
    file=$(source_of "$s")
    : >"$bench_work/one"
    rm -f "$bench_work/out.mov"
    bench_measure "$bench_work/one" "$bin" "$file" "$bench_work/out.mov"
    awk -v s="$s" '{ printf "%4d s source: %.2f s, peak %.1f MiB\n", s, $1, $3 / 1024 }' "$bench_work/one"
done
