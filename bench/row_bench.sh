#!/bin/sh
# Times building table rows (media facts, duration probe, compatibility question, thumbnail)
# and, for comparison, the ffprobe + one-frame ffmpeg commands that gather the same facts.
# Usage: bench/row_bench.sh [BUILD_DIR]   (default build/bench, configured as Release)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target row_bench >/dev/null
fixtures="$build/fixtures"
"$root/tests/fixtures/make_fixtures.sh" "$fixtures"

"$build/bench/row_bench" "$fixtures" 200 | grep '^row build'

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
start=$(date +%s%N)
for i in $(seq 20); do
    ffprobe -v error -show_format -show_streams "$fixtures/hd1080.mp4" >/dev/null
    ffmpeg -hide_banner -loglevel error -nostdin -y -i "$fixtures/hd1080.mp4" -frames:v 1 \
        -vf scale=320:-2 "$tmp/thumb.png"
done
end=$(date +%s%N)
echo "ffprobe + ffmpeg first frame, 1080p: $(( (end - start) / 20000000 )) ms per file (mean of 20)"
