# Shared by the bench scripts that compare this project with the ffmpeg command (sourced,
# not run). Each contender runs as its own process under /usr/bin/time, so both sides pay
# their process start; the two alternate, round by round, so that drift in the machine's
# load hits both alike; the figures are medians with their spread (min-max).
#
# Usage from a script (bash):
#   . "$(dirname "$0")/compare.sh"
#   bench_header
#   bench_case LABEL ROUNDS OURS_FUNCTION COMMAND_FUNCTION
# where each function runs one conversion (its commands go through bench_measure).

bench_work=${bench_work:-$(mktemp -d)}
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# bench_build BUILD_DIR TARGET: configures BUILD_DIR as a Release build and builds TARGET.
bench_build() {
    cmake -S "$bench_root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$1" --target "$2" >/dev/null
}

# bench_measure RESULT_FILE CMD...: runs CMD and appends "wall cpu peak_kb" to RESULT_FILE.
# The CPU time and peak memory include the processes CMD starts; its output is left in
# $bench_work/out.
bench_measure() {
    local result=$1
    shift
    if ! /usr/bin/time -f "%e %U %S %M" -o "$bench_work/time" "$@" >"$bench_work/out" 2>"$bench_work/err"; then
        echo "failed: $*" >&2
        tail -5 "$bench_work/err" >&2
        return 1
    fi
    awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' "$bench_work/time" >>"$result"
}

# Median, minimum and maximum of column N of a file: "median min max".
bench_stats() {
    awk -v col="$2" '{ print $col }' "$1" | sort -g | awk '
        { v[NR] = $1 }
        END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1], v[NR] }'
}

bench_header() {
    echo "load: $(uptime | sed 's/.*load average: //')"
    printf "%-26s %-9s %-22s %-22s %-22s\n" case side "wall s med (min-max)" "cpu s med (min-max)" \
        "peak MiB med (min-max)"
}

# bench_row LABEL SIDE FILE: one line of medians and spreads.
bench_row() {
    local w c m
    w=$(bench_stats "$3" 1)
    c=$(bench_stats "$3" 2)
    m=$(bench_stats "$3" 3)
    echo "$1|$2|$w|$c|$m" | awk -F'|' '{
        split($3, w, " "); split($4, c, " "); split($5, m, " ")
        printf "%-26s %-9s %6.2f (%5.2f-%5.2f)   %6.2f (%5.2f-%5.2f)   %6.1f (%5.1f-%5.1f)\n",
            $1, $2, w[1], w[2], w[3], c[1], c[2], c[3], m[1] / 1024, m[2] / 1024, m[3] / 1024 }'
}

# bench_case LABEL ROUNDS OURS THEIRS: alternates the two (odd rounds ours first) and prints
# both sides and the ratios ours / command of the medians (<= 1.00: at least as good).
bench_case() {
    local label=$1 rounds=$2 ours=$3 theirs=$4 i
    : >"$bench_work/ours" && : >"$bench_work/theirs"
    for ((i = 1; i <= rounds; i++)); do
        if ((i % 2)); then
            "$ours" "$bench_work/ours" && "$theirs" "$bench_work/theirs"
        else
            "$theirs" "$bench_work/theirs" && "$ours" "$bench_work/ours"
        fi || return 1
    done
    bench_row "$label" ours "$bench_work/ours"
    bench_row "" command "$bench_work/theirs"
    local ratios
    ratios=$(for col in 1 2 3; do
        echo "$(bench_stats "$bench_work/ours" $col | cut -d' ' -f1) $(bench_stats "$bench_work/theirs" $col | cut -d' ' -f1)"
    done | awk '{ r[NR] = $2 > 0 ? $1 / $2 : 0 } END { printf "%.3f %.3f %.3f", r[1], r[2], r[3] }')
    read -r rw rc rm <<<"$ratios"
    printf "%-26s %-9s %6.3fx %21s %6.3fx %21s %6.3fx\n" "" "ratio" "$rw" "" "$rc" "" "$rm"
    echo "$label|$rw|$rc|$rm" >>"$bench_work/summary"
}

# The ratios of every case so far, one line each, after the tables.
bench_summary() {
    echo "ratios ours / command (median wall, cpu, peak memory; <= 1.00 is at parity or better):"
    awk -F'|' '{ printf "  %-26s wall %.3fx  cpu %.3fx  peak %.3fx\n", $1, $2, $3, $4 }' "$bench_work/summary"
    echo "load: $(uptime | sed 's/.*load average: //')"
}
