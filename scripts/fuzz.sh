#!/usr/bin/env bash
# Runs every fuzz target with libFuzzer (clang, ASan and UBSan on) for a
# bounded time and prints executions per second and coverage of each.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default 600 s, all)
#
# The working corpus grows in build-fuzz/corpus/<target> (seeded from
# tests/fuzz/corpus); crash inputs land in build-fuzz/crashes/<target>.
# Copy a crash input into tests/fuzz/regressions/<target>/ to keep it as a
# regression test: every test build replays those files.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(decode_header uu_codec replies private_profile multipart)

need=()
command -v clang++ >/dev/null || need+=(clang)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
if [[ ${#need[@]} -gt 0 ]]; then
  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}"
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVIK_FUZZ=ON >/dev/null
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"

printf '%-16s %12s %10s %10s %s\n' target "exec/s" coverage features result
status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  crashes=build-fuzz/crashes/$target
  mkdir -p "$corpus" "$crashes"
  cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  log=build-fuzz/fuzz-$target.log
  result=clean
  if ! build-fuzz/tests/fuzz/fuzz_"$target" "$corpus" -max_total_time="$seconds" -max_len=65536 \
      -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$crashes/" >"$log" 2>&1; then
    result="CRASH (see $log and $crashes)"
    status=1
  fi
  execs=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo '?')
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo '?')
  printf '%-16s %12s %10s %10s %s\n' "$target" "$execs" "$cov" "$ft" "$result"
done
exit $status
