#!/bin/bash
# Memory and threads of one batch as a user runs it: 50 short 720p files and 5 short 4K files
# through the window's default settings. Prints resident memory and threads before Start,
# after every row and once the batch is idle, then compares the batch's peak with the peak of
# converting its largest file alone.
# Usage: bench/batch_memory.sh [BUILD_DIR] [HD_FILES] [UHD_FILES]   (default build/bench, 50, 5)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
hd=${2:-50}
uhd=${3:-5}
# A build folder that exists keeps its own configuration (a test build can be reused).
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target batch_memory >/dev/null
bin="$build/bench/batch_memory"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/batch" "$work/alone" "$work/out_batch" "$work/out_alone"
gen() { # gen SIZE FILE
    ffmpeg -hide_banner -loglevel error -nostdin -y \
        -f lavfi -i "testsrc2=size=$1:rate=30:duration=3" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=3" \
        -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p -c:a aac -ac 2 -shortest "$2"
}
gen 1280x720 "$work/hd.mp4"
gen 3840x2160 "$work/uhd.mp4"
for i in $(seq -w 1 "$hd"); do cp "$work/hd.mp4" "$work/batch/hd $i.mp4"; done
for i in $(seq -w 1 "$uhd"); do cp "$work/uhd.mp4" "$work/batch/uhd $i.mp4"; done
cp "$work/uhd.mp4" "$work/alone/uhd.mp4"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$XDG_CONFIG_HOME"

echo "== batch of $hd 720p and $uhd 4K files"
"$bin" "$work/batch" "$work/out_batch" 2>/dev/null | grep -E '^(before_start|after_row|batch|idle)' | tee "$work/batch.txt"
echo "== the largest file alone"
"$bin" "$work/alone" "$work/out_alone" 2>/dev/null | grep -E '^(before_start|batch|idle)' | tee "$work/alone.txt"

field() { sed -nE "s/^$1.* $2=([0-9.]+).*/\1/p" "$3" | tail -n 1; }
awk -v rb="$(field before_start rss_mib "$work/batch.txt")" -v ri="$(field idle rss_mib "$work/batch.txt")" \
    -v tb="$(field before_start threads "$work/batch.txt")" -v ti="$(field idle threads "$work/batch.txt")" \
    -v pb="$(field batch peak_mib "$work/batch.txt")" -v pa="$(field batch peak_mib "$work/alone.txt")" 'BEGIN {
    printf "idle after the batch: %+.1f MiB, %+d threads against before Start\n", ri - rb, ti - tb
    printf "peak of the batch %.1f MiB, of the largest file alone %.1f MiB: %+.1f %%\n", pb, pa, 100 * (pb - pa) / pa
}'
