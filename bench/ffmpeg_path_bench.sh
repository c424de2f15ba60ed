#!/bin/sh
# The job's ffmpeg path against the same ffmpeg command run directly, on one generated
# 20 s 1080p30 source with audio: wall time and CPU time of each, in alternating order so
# that drift in machine load hits both, and the CPU time the runner itself spends.
# Usage: bench/ffmpeg_path_bench.sh [BUILD_DIR] [ROUNDS]
set -e
build="${1:-build/bench}"
rounds="${2:-3}"
bench="$build/bench/ffmpeg_path_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build $build --target ffmpeg_path_bench)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=20 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$work/source.mp4"

now() { date +%s.%N; }
# CPU seconds (user + system) of the finished children of this shell, from "times"; it must
# run in this shell itself, not in a command substitution.
children_cpu() { awk 'NR == 2 { s = 0; for (i = 1; i <= NF; i++) { split($i, p, "m"); s += p[1] * 60 + p[2] } print s }' "$work/times"; }

rows=""
i=1
while [ "$i" -le "$rounds" ]; do
    rm -f "$work/direct.mov" "$work/path.mov"
    # Odd rounds run the direct command first, even rounds the path first.
    [ $((i % 2)) -eq 0 ] && line=$("$bench" "$work/source.mp4" "$work/path")
    times > "$work/times"
    c0=$(children_cpu)
    t0=$(now)
    ffmpeg -hide_banner -nostdin -i "$work/source.mp4" -vcodec libx264 -c:a aac "$work/direct.mov" 2>/dev/null
    t1=$(now)
    times > "$work/times"
    c1=$(children_cpu)
    direct=$(awk "BEGIN {print $t1 - $t0}")
    direct_cpu=$(awk "BEGIN {print $c1 - $c0}")
    [ $((i % 2)) -eq 1 ] && line=$("$bench" "$work/source.mp4" "$work/path")
    pattern='^ffmpeg path: \([0-9.]*\) s cpu \([0-9.]*\) s runner \([0-9.]*\) s status 3$'
    path=$(echo "$line" | sed -n "s/$pattern/\\1/p")
    path_cpu=$(echo "$line" | sed -n "s/$pattern/\\2/p")
    runner=$(echo "$line" | sed -n "s/$pattern/\\3/p")
    [ -n "$path" ] || { echo "the ffmpeg path failed: $line"; exit 1; }
    printf 'round %d: direct %.3f s (cpu %.3f s), ffmpeg path %.3f s (cpu %.3f s, runner %.3f s)\n' \
        "$i" "$direct" "$direct_cpu" "$path" "$path_cpu" "$runner"
    rows="$rows$direct $direct_cpu $path $path_cpu $runner
"
    i=$((i + 1))
done

printf '%s' "$rows" | awk '
    function median(a, n,   i, j, t) {
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
        return (n % 2) ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    { d[NR] = $1; dc[NR] = $2; p[NR] = $3; pc[NR] = $4; r[NR] = $5 }
    END {
        md = median(d, NR); mp = median(p, NR); mdc = median(dc, NR); mpc = median(pc, NR); mr = median(r, NR)
        printf "median wall: direct %.3f s, ffmpeg path %.3f s, overhead %+.2f %%\n", md, mp, (mp - md) * 100 / md
        printf "median cpu:  direct %.3f s, ffmpeg path %.3f s, overhead %+.2f %%\n", mdc, mpc, (mpc - mdc) * 100 / mdc
        printf "runner cpu:  %.3f s in this process, %.3f %% of the direct cpu\n", mr, mr * 100 / mdc
    }'
