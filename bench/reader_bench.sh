#!/bin/sh
# Decoding and composing a 1080p30 20-second H.264 file to 1280x720: the asset reader
# next to the ffmpeg program doing the same work. Both run in turns, RUNS times (default 3);
# the medians are printed, since other work on the machine makes single runs noisy.
# Usage: bench/reader_bench.sh [BUILD_DIR]   (default build/release; built if missing)
set -e
cd "$(dirname "$0")/.."
build="${1:-build/release}"
runs="${RUNS:-3}"
if [ ! -x "$build/bench/reader_bench" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target reader_bench >/dev/null
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
src="$tmp/src_1080p30.mp4"
ffmpeg -hide_banner -loglevel error -nostdin -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=20 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p "$src"
frames=600

i=0
while [ "$i" -lt "$runs" ]; do
    "$build/bench/reader_bench" "$src" 1280 720 | tee -a "$tmp/reader.txt"
    t0=$(date +%s.%N)
    ffmpeg -hide_banner -loglevel error -nostdin -i "$src" -vf scale=1280:720 -f null -
    t1=$(date +%s.%N)
    echo "$t0 $t1 $frames" | awk '{ s = $2 - $1; printf "ffmpeg: %d frames to 1280x720 in %.2f s = %.1f fps\n", $3, s, $3 / s }' \
        | tee -a "$tmp/ffmpeg.txt"
    i=$((i + 1))
done
median() { awk '{ print $(NF - 1) }' "$1" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "median of $runs runs: reader $(median "$tmp/reader.txt") fps, ffmpeg $(median "$tmp/ffmpeg.txt") fps"
