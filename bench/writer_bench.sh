#!/bin/bash
# Writer benchmark: 20 s of 1080p30 to H.264 at 5 Mbit/s + AAC in a QuickTime movie, through
# the reader and writer, next to the ffmpeg command doing the same (three runs each, taken in
# turns, medians); then the writer's peak memory for a 10 s and a 120 s source.
# Usage: bench/writer_bench.sh [BUILD_DIR]   (default build/bench, built in Release)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
work=${BENCH_DIR:-/tmp/writer-bench}
mkdir -p "$work"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target writer_bench >/dev/null
bench="$build/bench/writer_bench"

source_of() { # source_of SECONDS: a 1080p30 test picture with a stereo tone, kept for reruns
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
measure() { # measure CMD...: prints "seconds peak_kb"
    rm -f "$work/out.mov"
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
    cat "$work/time"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
report() { # report LABEL FRAMES RESULTS...: median seconds, frames a second, median peak MB
    local label=$1 frames=$2; shift 2
    local s kb
    s=$(printf "%s\n" "$@" | cut -d' ' -f1 | median)
    kb=$(printf "%s\n" "$@" | cut -d' ' -f2 | median)
    awk -v l="$label" -v f="$frames" -v s="$s" -v kb="$kb" \
        'BEGIN { printf "%-8s %6.2f s %7.1f fps %8.1f MB\n", l, s, f / s, kb / 1024 }'
}

src20=$(source_of 20)
echo "== 20 s 1080p30 -> H.264 5 Mbit/s + AAC, mov (median of 3)"
ours=() theirs=()
for i in 1 2 3; do
    ours+=("$(measure "$bench" "$src20" "$work/out.mov")")
    theirs+=("$(measure ffmpeg -hide_banner -loglevel error -nostdin -i "$src20" \
        -c:v libx264 -b:v 5000000 -c:a aac "$work/out.mov")")
done
report writer 600 "${ours[@]}"
report ffmpeg 600 "${theirs[@]}"

echo "== writer's peak memory against the source's length"
for s in 10 120; do
    src=$(source_of "$s")
    result=$(measure "$bench" "$src" "$work/out.mov")
    report "${s} s" $((s * 30)) "$result"
done
rm -f "$work/out.mov" "$work/time" "$work/err"
