#!/bin/sh
# Builds the media fuzzer with clang (address and undefined sanitizers) and runs it.
# Usage: tests/fuzz/run_fuzz.sh [SECONDS]   (default 300)
set -e
command -v clang++ >/dev/null || { echo "the fuzzer needs clang: apt-get install clang"; exit 1; }
cd "$(dirname "$0")/../.."
seconds="${1:-300}"
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON \
    -DSANITIZE=address -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" --target asset_fuzz >/dev/null
corpus="$build/corpus"
if [ ! -d "$corpus" ]; then
    # Small seeds of every container and codec the reader meets.
    mkdir -p "$corpus"
    ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
    v="-f lavfi -i testsrc2=size=48x32:rate=10:duration=0.3"
    a="-f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.3"
    ff $v $a -c:v libx264 -preset ultrafast -c:a aac -shortest "$corpus/a.mp4"
    ff $v $a -c:v mjpeg -c:a pcm_s16le -timecode 01:00:00:00 -shortest "$corpus/b.mov"
    ff $v $a -c:v mpeg4 -c:a libmp3lame -shortest "$corpus/c.mkv"
    ff $v -c:v prores_ks -profile:v 0 "$corpus/d.mov"
    ff $a -c:a pcm_s16le "$corpus/e.wav"
    ff $a -c:a libmp3lame "$corpus/f.mp3"
    ff $a -c:a ac3 -ar 48000 "$corpus/g.ac3"
    ff $v -c:v libx264 -preset ultrafast -metadata:s:v:0 rotate=90 "$corpus/h.mov"
    ff $v $a -c:v mpeg4 -c:a libmp3lame -shortest "$corpus/i.avi"
    ff $v $a -c:v flv -c:a libmp3lame -ar 22050 -shortest "$corpus/j.flv"
    ff $a -c:a pcm_s16be "$corpus/k.aiff"
    ff $a -c:a pcm_s16be "$corpus/l.caf"
fi
mkdir -p "$build/findings"
ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/asset_fuzz" "$corpus" \
    -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
    -artifact_prefix="$build/findings/" -print_final_stats=1
