#!/bin/bash
# The batch runner's cost per row: a batch of 20 real 10 s 1080p files through the list pane's
# Start, against the same files converted by the engine directly one after another, in
# alternating rounds; medians. Also the main thread's longest stall while progress flows.
# Usage: bench/runner_bench.sh [BUILD_DIR] [FILES] [ROUNDS]   (default build/bench, 20, 3)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
files=${2:-20}
rounds=${3:-3}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target runner_bench >/dev/null
bin="$build/bench/runner_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/sources"
ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=10" \
    -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -c:a aac -ac 2 -shortest "$work/source.mp4"
for i in $(seq -w 1 "$files"); do cp "$work/source.mp4" "$work/sources/clip $i.mp4"; done
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$XDG_CONFIG_HOME"

run() { # run MODE: one batch into a fresh folder; prints the figures line
    rm -rf "$work/out" && mkdir "$work/out"
    "$bin" "$1" "$work/sources" "$work/out" 2>/dev/null | grep -E "^$1 "
}
for r in $(seq 1 "$rounds"); do
    run direct | tee -a "$work/direct"
    run runner | tee -a "$work/runner"
done
median() { sed -E "s/.* $1=([0-9.]+).*/\1/" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for mode in direct runner; do
    printf "%s medians: " "$mode"
    for key in seconds cpu_seconds main_thread_cpu_seconds longest_stall_ms longest_stall_working_ms most_work_between_turns_ms; do
        printf "%s=%s " "$key" "$(median $key < "$work/$mode")"
    done
    echo
done
d=$(median seconds < "$work/direct"); r=$(median seconds < "$work/runner")
dc=$(median cpu_seconds < "$work/direct"); rc=$(median cpu_seconds < "$work/runner")
dm=$(median main_thread_cpu_seconds < "$work/direct"); rmain=$(median main_thread_cpu_seconds < "$work/runner")
awk -v d="$d" -v r="$r" -v dc="$dc" -v rc="$rc" -v dm="$dm" -v rmain="$rmain" -v n="$files" 'BEGIN {
    printf "runner overhead per row: wall %.3f s (%.2f %%), CPU %.3f s (%.2f %%), main thread %.1f ms\n",
        (r - d) / n, 100 * (r - d) / d, (rc - dc) / n, 100 * (rc - dc) / dc, 1000 * (rmain - dm) / n
}'
