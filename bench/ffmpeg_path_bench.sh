#!/bin/bash
# The job's ffmpeg path against the same ffmpeg command run directly, on one generated
# 20 s 1080p30 source with audio: wall time, CPU time (ffmpeg's and the runner's together)
# and peak memory of each, alternating, medians with their spread; then the CPU time the
# runner itself spends (reading the pipes, the callbacks), the path's own cost.
# Usage: bench/ffmpeg_path_bench.sh [ROUNDS] [BUILD_DIR]   (5 rounds; build/bench, Release)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
build=${2:-$root/build/bench}
. "$root/bench/compare.sh"
bench_build "$build" ffmpeg_path_bench
trap 'rm -rf "$bench_work"' EXIT

ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=20 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$bench_work/source.mp4"

# The path runs the command that the job builds for its preset (H.264 and AAC in a movie).
ours() {
    rm -f "$bench_work/path.mov"
    bench_measure "$1" "$build/bench/ffmpeg_path_bench" "$bench_work/source.mp4" "$bench_work/path"
    sed -n 's/^ffmpeg path: .* runner \([0-9.]*\) s status 3$/\1/p' "$bench_work/out" >>"$bench_work/runner"
}
theirs() {
    rm -f "$bench_work/direct.mov"
    bench_measure "$1" ffmpeg -hide_banner -nostdin -i "$bench_work/source.mp4" -vcodec libx264 -c:a aac \
        "$bench_work/direct.mov"
}
bench_header
bench_case "ffmpeg path 1080p30 20 s" "$rounds" ours theirs
bench_summary
awk '{ print $1 }' "$bench_work/runner" | sort -g |
    awk '{ v[NR] = $1 } END { printf "runner cpu: median %.3f s (%.3f-%.3f) in this process\n", v[int((NR + 1) / 2)], v[1], v[NR] }'
