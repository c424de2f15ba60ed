#!/bin/bash
# The reader/writer pipeline against the ffmpeg command line on the same generated sources:
# three runs each, medians of wall time and peak memory (from /usr/bin/time).
# Usage: bench/pipeline_bench.sh [BUILD_DIR]   (default build/test; a release-like build)
set -e
build=${1:-build/test}
bin="$build/bench/pipeline_bench"
[ -x "$bin" ] || { echo "build $bin first"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source_of() { # source_of NAME SECONDS: 1080p30 with stereo sound
    ffmpeg -hide_banner -loglevel error -nostdin -y \
        -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$2" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$2" \
        -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -c:a aac -ac 2 -shortest "$work/$1"
}
measure() { # measure CMD...: prints "seconds peak_kb"
    rm -f "$work/out.mov"
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
    cat "$work/time"
}
median() { sort -n | sed -n 2p; }
pipeline() { measure "$bin" "$work/$1" "$work/out.mov" ${2:+$2 $3}; }
command_line() {
    measure ffmpeg -hide_banner -nostdin -y -i "$work/$1" ${2:+-vf scale=$2:$3} \
        -c:v libx264 -b:v 5000000 -c:a aac "$work/out.mov"
}

echo "generating sources..."
source_of short.mp4 20
source_of long.mp4 80

printf "%-22s %10s %10s %7s %12s %12s\n" case pipeline_s ffmpeg_s ratio pipeline_MB ffmpeg_MB
compare() { # compare LABEL SOURCE [W H]
    local p=() f=()
    for i in 1 2 3; do p+=("$(pipeline "$2" "$3" "$4")"); f+=("$(command_line "$2" "$3" "$4")"); done
    local ps fs pm fm
    ps=$(printf "%s\n" "${p[@]}" | cut -d' ' -f1 | median)
    fs=$(printf "%s\n" "${f[@]}" | cut -d' ' -f1 | median)
    pm=$(printf "%s\n" "${p[@]}" | cut -d' ' -f2 | median)
    fm=$(printf "%s\n" "${f[@]}" | cut -d' ' -f2 | median)
    awk -v l="$1" -v ps="$ps" -v fs="$fs" -v pm="$pm" -v fm="$fm" \
        'BEGIN { printf "%-22s %10.2f %10.2f %7.2f %12.1f %12.1f\n", l, ps, fs, fs / ps, pm / 1024, fm / 1024 }'
}
compare "20s 1080p30" short.mp4
compare "20s 1080p -> 720p" short.mp4 1280 720

# Memory against the file's length: one run each.
short=$(pipeline short.mp4)
long=$(pipeline long.mp4)
awk -v s="${short#* }" -v l="${long#* }" \
    'BEGIN { printf "peak memory of the pipeline: 20 s source %.1f MB, 80 s source %.1f MB\n", s / 1024, l / 1024 }'
echo "ratio = ffmpeg seconds / pipeline seconds (>= 1 means the pipeline is at least as fast)"
