#!/usr/bin/env bash
# Header decoding throughput: our DecodeHeader in-process and as a whole
# process, and, as a rough baseline only, iconv on the raw JIS text. We do not
# install or run other mail or header-decoding programs for comparison.
#
#   bench/decode_header/run.sh [MB]        (default 50)
#
# BUILD_DIR selects the Release build directory (default build-jconv-rel).
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$repo/build-jconv-rel}
mb=${1:-50}
runs=5

# Build quietly; show the log only when it fails.
build_log=$(mktemp)
trap 'rm -f "$build_log"' EXIT
if ! { [ -f "$build/build.ninja" ] || cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release; } >"$build_log" 2>&1 ||
    ! cmake --build "$build" --target bench_decode_header -j2 >>"$build_log" 2>&1; then
    cat "$build_log" >&2
    exit 1
fi
bench="$build/bench/decode_header/bench_decode_header"
data="$build/bench/decode_header/subjects-${mb}mb.txt"
# Regenerate whenever the generator may have changed.
rm -f "$data" "$data.jis"

"$bench" --generate "$data" "$mb"
cat "$data" "$data.jis" >/dev/null # into the page cache before timing

bytes=$(stat -c %s "$data")
jis_bytes=$(stat -c %s "$data.jis")

# Best wall-clock seconds of $runs runs of a command, output discarded.
best_seconds() {
    local best="" start end took
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        took=$((end - start))
        if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
    done
    awk -v ns="$best" 'BEGIN { printf "%.4f", ns / 1e9 }'
}

mbps() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.1f", b / s / 1e6 }'; }

echo "input: $data ($bytes bytes, $(wc -l <"$data") lines)"
echo

decode_line=$("$bench" "$data" 10)
ours_decode=${decode_line%% MB/s*}
echo "ours, DecodeHeader only (in-process):   $decode_line"

ours_s=$(best_seconds "$bench" --print "$data")
ours_wall=$(mbps "$bytes" "$ours_s")
echo "ours, whole process (read+decode+write): $ours_wall MB/s  (${ours_s} s)"

iconv_s=$(best_seconds iconv -f ISO-2022-JP -t SHIFT_JIS "$data.jis")
iconv_wall=$(mbps "$jis_bytes" "$iconv_s")
echo "iconv -f ISO-2022-JP -t SHIFT_JIS:       $iconv_wall MB/s  (${iconv_s} s over $jis_bytes bytes)"
echo "  (iconv does not decode MIME words: it converts the raw JIS text of the"
echo "   same lines, with no base64 step, so it is a rough baseline only)"

echo
awk -v d="$ours_decode" -v i="$iconv_wall" 'BEGIN {
    printf "DecodeHeader against the iconv baseline: %.1fx\n", d / i
}'
