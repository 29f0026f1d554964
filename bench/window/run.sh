#!/usr/bin/env bash
# The window's responsiveness while it retrieves 20 messages of 5 MB from a
# private Dovecot: the longest gap between two event-loop turns.
#
#   bench/window/run.sh [BUILD_DIR]     (default: build-bench, Release)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${1:-$repo/build-bench}

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_window bench_retrieve -j 2 >/dev/null

state=$(mktemp -d /tmp/tovik-bench-window.XXXXXX)
work=$(mktemp -d /tmp/tovik-bench-window-files.XXXXXX)
trap 'bash "$repo/scripts/dovecot.sh" stop "$state" >/dev/null 2>&1 || true; rm -rf "$state" "$work"' EXIT
bash "$repo/scripts/dovecot.sh" start "$state" >/dev/null
export TOVIK_DOVECOT_STATE=$state
# shellcheck disable=SC1091
source "$state/env"

for kind in big mixed; do
  user=$("$build/bench/retrieve/bench_retrieve" prepare "$kind")
  printf '[SetInfo]\ncount=1\nhost1=bench\n[bench]\nhost_pop=127.0.0.1\nid=%s\npasswd=pass\nport=%s\n' \
    "$user" "$TOVIK_DOVECOT_PORT" >"$work/tovik.ini"
  echo "== $kind"
  (cd "$work" && "$build/bench/window/bench_window" "$work/tovik.ini")
done
