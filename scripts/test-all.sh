#!/usr/bin/env bash
# Builds and tests tovik twice: an optimised build with warnings as errors
# (build/) and an AddressSanitizer + UBSan build (build-asan/). Ends with the
# line "N passed, M failed" for both runs together; exits non-zero when
# anything failed, a build included.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-packages.sh || exit 1

# Widgets are tested without a display.
export QT_QPA_PLATFORM=offscreen
# Leaks are errors; the suppressions cover one-time allocations inside Qt,
# fontconfig and the GL/X libraries, which live until the process ends.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

mkdir -p out
passed=0
failed=0

# Stop a Dovecot that an interrupted run may have left behind.
stop_dovecots() {
  local dir
  for dir in build build-asan; do
    bash scripts/dovecot.sh stop "$root/$dir/dovecot-state" >/dev/null 2>&1 || true
  done
}
trap stop_dovecots EXIT

# build_and_test DIR CMAKE_ARGS...
build_and_test() {
  local dir=$1
  shift
  echo "=== $dir: configure and build"
  if ! cmake -S . -B "$dir" -G Ninja "$@" || ! cmake --build "$dir" -j2; then
    echo "=== $dir: BUILD FAILED"
    failed=$((failed + 1))
    return
  fi
  echo "=== $dir: ctest"
  local log=out/ctest-$dir.log
  (cd "$dir" && ctest --output-on-failure -j2 --timeout 300) 2>&1 | tee "$log"
  local summary total bad
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -z "$summary" ]]; then
    if grep -q 'No tests were found' "$log"; then
      echo "=== $dir: no tests"
    else
      echo "=== $dir: ctest ended without a summary"
      failed=$((failed + 1))
    fi
    return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVIK_WERROR=ON -DTOVIK_SANITIZE=OFF
build_and_test build-asan -DCMAKE_BUILD_TYPE=Debug -DTOVIK_WERROR=ON -DTOVIK_SANITIZE=ON

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
