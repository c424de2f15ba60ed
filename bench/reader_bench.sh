#!/bin/sh
# Decoding and composing a 1080p30 20-second H.264 file to 1280x720: the asset reader
# next to the ffmpeg program doing the same work.
# Usage: bench/reader_bench.sh [BUILD_DIR]   (default build/release; built if missing)
set -e
cd "$(dirname "$0")/.."
build="${1:-build/release}"
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

"$build/bench/reader_bench" "$src" 1280 720

t0=$(date +%s.%N)
ffmpeg -hide_banner -loglevel error -nostdin -i "$src" -vf scale=1280:720 -f null -
t1=$(date +%s.%N)
echo "$t0 $t1 $frames" | awk '{ s = $2 - $1; printf "ffmpeg: %d frames to 1280x720 in %.2f s = %.1f fps\n", $3, s, $3 / s }'
