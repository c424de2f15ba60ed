#!/bin/bash
# Writer benchmark: 20 s of 1080p30 to H.264 at 5 Mbit/s + AAC in a QuickTime movie, through
# the reader and writer, next to the ffmpeg command doing the same; then the writer's peak
# memory for a 10 s and a 120 s source.
# Usage: bench/writer_bench.sh [BUILD_DIR]   (default build/bench, built in Release)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
work=${BENCH_DIR:-/tmp/writer-bench}
mkdir -p "$work"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target writer_bench >/dev/null
bench="$build/bench/writer_bench"

source_of() { # source_of SECONDS: a 1080p30 test picture with a stereo tone
    local src="$work/src_${1}s.mp4"
    if [ ! -s "$src" ]; then
        ffmpeg -hide_banner -loglevel error -nostdin -y \
            -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$1" \
            -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$1" -ac 2 \
            -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest "$work/tmp.mp4"
        mv "$work/tmp.mp4" "$src"
    fi
    echo "$src"
}

src20=$(source_of 20)
rm -f "$work/ours.mov" "$work/ffmpeg.mov"
echo "== 20 s 1080p30 -> H.264 5 Mbit/s + AAC, mov"
ours=$("$bench" "$src20" "$work/ours.mov")
echo "writer:  $ours"
start=$(date +%s.%N)
/usr/bin/time -f "%M" -o "$work/ffmpeg.time" \
    ffmpeg -hide_banner -loglevel error -nostdin -i "$src20" -c:v libx264 -b:v 5000000 -c:a aac "$work/ffmpeg.mov"
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" -v kb="$(tail -1 "$work/ffmpeg.time")" 'BEGIN {
    printf "ffmpeg:  frames 600 seconds %.2f fps %.1f peak_rss_mb %.1f\n", e - s, 600 / (e - s), kb / 1024 }'

echo "== peak memory against the source's length"
for s in 10 120; do
    src=$(source_of $s)
    rm -f "$work/len.mov"
    echo "${s} s: $("$bench" "$src" "$work/len.mov")"
done
rm -f "$work/ours.mov" "$work/ffmpeg.mov" "$work/len.mov"
