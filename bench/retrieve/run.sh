#!/usr/bin/env bash
# Retrieval benchmark against a private Dovecot on 127.0.0.1: 2,000 mixed
# messages, 20 messages of 5 MB, and one 50 MB message for the memory bound
# (peak resident size above idle below 3 times the message, Parse off).
#
#   bench/retrieve/run.sh [BUILD_DIR]     (default: build-bench, Release)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${1:-$repo/build-bench}

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_retrieve -j 2 >/dev/null

state=$(mktemp -d /tmp/tovik-bench-dovecot.XXXXXX)
trap 'bash "$repo/scripts/dovecot.sh" stop "$state" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT
bash "$repo/scripts/dovecot.sh" start "$state" >/dev/null
export TOVIK_DOVECOT_STATE=$state

bench=$build/bench/retrieve/bench_retrieve
for kind in mixed big huge huge-text; do
  user=$("$bench" prepare "$kind")
  echo "== $kind"
  "$bench" run "$user"
  if [[ $kind != huge* ]]; then
    echo "-- $kind with Parse"
    "$bench" run "$user" --parse
  fi
done
echo "== mixed with DeleteOnRead (saved copy, fsync, DELE)"
"$bench" run "$("$bench" prepare mixed)" --delete
