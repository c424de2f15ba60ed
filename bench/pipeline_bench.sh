#!/bin/bash
# The reader/writer pipeline against the ffmpeg command with the same encoder settings:
# libx264 / libx265 preset "faster" at 5 Mbit/s average (the encoders' default keyframe
# interval and rate control on both sides), prores_ks profile 2 (422) in 10-bit 4:2:2,
# bicubic scaling, AAC at 128 kbit/s 48 kHz stereo, automatic threads everywhere.
# Cases: H.264, HEVC and ProRes 422 from a 1080p source, a 4K source down to 1080p, a 1080p
# source turned 90 degrees (the command turns it upright by itself, as the pipeline does),
# and a 10-minute WAV to AAC. Then the SSIM and PSNR of both H.264 outputs against the source.
# Usage: bench/pipeline_bench.sh [ROUNDS] [BUILD_DIR] [CASES]
#   ROUNDS defaults to 5; BUILD_DIR to build/bench (configured as Release and built);
#   CASES is a pattern of case names to run (default: all), e.g. 'turned|wav'.
#   PIPELINE_BENCH=path runs that pipeline_bench program instead of building one.
#   BENCH_INSTRUCTIONS=1 counts instructions instead (valgrind's callgrind, all threads, one
#   run per side on the first second of each source, the first minute of the WAV): the
#   CPU work of both sides without the noise of a shared machine's timing.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
build=${2:-$root/build/bench}
only=${3:-.}
. "$root/bench/compare.sh"
# PIPELINE_BENCH names a pipeline_bench program to use as it is (an older build, to compare).
bin=${PIPELINE_BENCH:-$build/bench/pipeline_bench}
[ -n "$PIPELINE_BENCH" ] || bench_build "$build" pipeline_bench
trap 'rm -rf "$bench_work"' EXIT
src=${BENCH_SOURCES:-/tmp/pipeline-bench-sources}
mkdir -p "$src"

# Sources are kept between runs (BENCH_SOURCES), made once with a fast encoder.
make_source() { # make_source NAME FFMPEG_ARGS...
    local name=$1
    shift
    [ -s "$src/$name" ] && return
    ffmpeg -hide_banner -loglevel error -nostdin -y "$@" "$src/tmp_$name"
    mv "$src/tmp_$name" "$src/$name"
}
video_source() { # video_source NAME SIZE SECONDS [EXTRA...]
    local name=$1 size=$2 seconds=$3
    shift 3
    make_source "$name" -f lavfi -i "testsrc2=size=$size:rate=30:duration=$seconds" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$seconds" -ac 2 \
        -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -c:a aac -shortest "$@"
}
echo "making sources in $src ..."
video_source hd.mp4 1920x1080 6
video_source hd_short.mp4 1920x1080 3
video_source uhd.mp4 3840x2160 4
# The rotation is only stored on a stream copy: an encode leaves the picture upright.
make_source turned90.mov -i "$src/hd.mp4" -c copy -metadata:s:v:0 rotate=90
ffprobe -v error -select_streams v:0 -show_entries stream_side_data=rotation -of csv=p=0 "$src/turned90.mov" |
    grep -qx -- '-\?90' || { echo "turned90.mov is not turned" >&2; exit 1; }
make_source long.wav -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=600" -ac 2 -c:a pcm_s16le

if [ -n "$BENCH_INSTRUCTIONS" ]; then
    clips=$src/clips
    mkdir -p "$clips"
    for name in hd.mp4 hd_short.mp4 uhd.mp4 turned90.mov; do
        [ -s "$clips/$name" ] || ffmpeg -hide_banner -loglevel error -nostdin -y -i "$src/$name" -t 1 -c copy \
            $([ "$name" = turned90.mov ] && echo "-metadata:s:v:0 rotate=90") "$clips/$name"
    done
    [ -s "$clips/long.wav" ] || ffmpeg -hide_banner -loglevel error -nostdin -y -i "$src/long.wav" -t 60 -c copy "$clips/long.wav"
    src=$clips
    # bench_measure RESULT CMD...: appends the instructions CMD ran, over all its threads.
    bench_measure() {
        local result=$1
        shift
        local out
        out=$(mktemp "$bench_work/cg.XXXXXX")
        if ! valgrind --tool=callgrind --callgrind-out-file="$out" "$@" >/dev/null 2>"$out.err"; then
            echo "failed: $*" >&2
            tail -5 "$out.err" >&2
            return 1
        fi
        awk '/^totals:/ { print $2 }' "$out" >>"$result"
    }
fi

audio_args=(-c:a aac -b:a 128k -ar 48000 -ac 2)
h264_args=(-c:v libx264 -preset faster -b:v 5000000 -pix_fmt yuv420p)
hevc_args=(-c:v libx265 -preset faster -b:v 5000000 -pix_fmt yuv420p -tag:v hvc1 -x265-params log-level=error)
prores_args=(-c:v prores_ks -profile:v 2 -pix_fmt yuv422p10le)
command_line() { # command_line RESULT SOURCE OUTPUT ARGS...
    local result=$1 source=$2 output=$3
    shift 3
    rm -f "$output"
    bench_measure "$result" ffmpeg -hide_banner -nostdin -loglevel error -y -i "$source" "$@" "$output"
}
ours() { # ours RESULT SOURCE OUTPUT CODEC [W H]
    local result=$1 output=$3
    rm -f "$output"
    bench_measure "$result" "$bin" "$2" "$output" "${@:4}"
}

ours_h264() { ours "$1" "$src/hd.mp4" "$bench_work/ours_h264.mov" h264; }
cmd_h264() { command_line "$1" "$src/hd.mp4" "$bench_work/cmd_h264.mov" "${h264_args[@]}" "${audio_args[@]}"; }
ours_hevc() { ours "$1" "$src/hd.mp4" "$bench_work/ours_out.mov" hevc; }
cmd_hevc() { command_line "$1" "$src/hd.mp4" "$bench_work/cmd_out.mov" "${hevc_args[@]}" "${audio_args[@]}"; }
ours_prores() { ours "$1" "$src/hd_short.mp4" "$bench_work/ours_out.mov" prores422; }
cmd_prores() { command_line "$1" "$src/hd_short.mp4" "$bench_work/cmd_out.mov" "${prores_args[@]}" "${audio_args[@]}"; }
ours_down() { ours "$1" "$src/uhd.mp4" "$bench_work/ours_out.mov" h264 1920 1080; }
cmd_down() { command_line "$1" "$src/uhd.mp4" "$bench_work/cmd_out.mov" -vf scale=1920:1080 "${h264_args[@]}" "${audio_args[@]}"; }
ours_turned() { ours "$1" "$src/turned90.mov" "$bench_work/ours_out.mov" h264 1080 1920; }
cmd_turned() { command_line "$1" "$src/turned90.mov" "$bench_work/cmd_out.mov" "${h264_args[@]}" "${audio_args[@]}"; }
ours_wav() { ours "$1" "$src/long.wav" "$bench_work/ours_out.mp4" none; }
cmd_wav() { command_line "$1" "$src/long.wav" "$bench_work/cmd_out.mp4" "${audio_args[@]}"; }

if [ -n "$BENCH_INSTRUCTIONS" ]; then
    echo "instructions (callgrind), one run per side; ratio ours / command"
    run() { # run LABEL NAME: both sides side by side, each on one core under callgrind
        echo "$2" | grep -Eq "$only" || return 0
        : >"$bench_work/ours.n" && : >"$bench_work/theirs.n"
        "ours_$2" "$bench_work/ours.n" & "cmd_$2" "$bench_work/theirs.n" & wait
        awk -v label="$1" -v o="$(cat "$bench_work/ours.n")" -v c="$(cat "$bench_work/theirs.n")" \
            'BEGIN { printf "  %-26s ours %6.2f G  command %6.2f G  ratio %.4fx\n", label, o / 1e9, c / 1e9, o / c }'
    }
else
    echo "$rounds rounds per case, alternating"
    bench_header
    run() { # run LABEL NAME
        if echo "$2" | grep -Eq "$only"; then bench_case "$1" "$rounds" "ours_$2" "cmd_$2"; fi
    }
fi
run "h264 1080p30 6 s" h264
run "hevc 1080p30 6 s" hevc
run "prores 422 1080p30 3 s" prores
run "h264 4K -> 1080p 4 s" down
run "h264 turned 90 1080p 6 s" turned
run "wav 10 min -> aac" wav
[ -n "$BENCH_INSTRUCTIONS" ] || bench_summary

# The pictures are equal in quality: both H.264 outputs against the source.
quality() { # quality FILE: "ssim psnr" of its picture against the source
    ffmpeg -hide_banner -nostdin -i "$1" -i "$src/hd.mp4" \
        -lavfi "[0:v]split[a][b];[1:v]split[c][d];[a][c]ssim;[b][d]psnr" -f null - 2>&1 |
        awk '/SSIM/ { for (i = 1; i <= NF; i++) if ($i ~ /^All:/) { sub("All:", "", $i); s = $i } }
             /PSNR/ { for (i = 1; i <= NF; i++) if ($i ~ /^average:/) { sub("average:", "", $i); p = $i } }
             END { print s, p }'
}
if [ -s "$bench_work/ours_h264.mov" ] && [ -s "$bench_work/cmd_h264.mov" ]; then
    read -r os op <<<"$(quality "$bench_work/ours_h264.mov")"
    read -r cs cp <<<"$(quality "$bench_work/cmd_h264.mov")"
    echo "h264 1080p against the source: ours SSIM $os PSNR $op dB, command SSIM $cs PSNR $cp dB"
fi
