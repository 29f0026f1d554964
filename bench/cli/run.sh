#!/usr/bin/env bash
# Throughput of "tovik-cli fetch --keep" against a private Dovecot on
# 127.0.0.1, next to bench_cli_raw_pop3, a minimal client that pipelines every
# RETR and only counts bytes: the floor set by the server and the loopback.
# The same client sending one RETR at a time, as fetch does, is shown too.
#
#   bash bench/cli/run.sh            (RUNS=5 for more runs, BUILD_DIR=...)
#
# Two mailboxes: "mixed" (2,000 messages: small, medium and ones with
# 100 kB - 1 MB attachments) and "big" (20 messages of 5 MB). The clients
# take turns, RUNS times each; the table shows the median wall time, MB/s and
# peak RSS, and the ratio of tovik-cli to the raw client. fetch writes its
# attachment files into a scratch directory (on /dev/shm when there is one,
# so that the disk does not set the pace), emptied before every run.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-cli-rel}
runs=${RUNS:-3}
[[ $runs -ge 3 ]] || { echo "run.sh: RUNS must be at least 3" >&2; exit 2; }

log() { echo "run.sh: $*" >&2; }

log "building Release in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVIK_SANITIZE=OFF >/dev/null
cmake --build "$build" --target tovik-cli bench_cli_raw_pop3 bench_cli_mailgen >/dev/null
cli=$build/src/cli/tovik-cli
raw=$build/bench/cli/bench_cli_raw_pop3
gen=$build/bench/cli/bench_cli_mailgen

state=$(mktemp -d /tmp/tovik-bench-XXXXXX)
scratch_parent=/tmp
[[ -d /dev/shm && -w /dev/shm ]] && scratch_parent=/dev/shm
scratch=$(mktemp -d "$scratch_parent/tovik-bench-files-XXXXXX")
cleanup() {
  bash "$root/scripts/dovecot.sh" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$state" "$scratch"
}
trap cleanup EXIT

bash "$root/scripts/dovecot.sh" start "$state" >/dev/null 2>&1 || { log "Dovecot did not start"; exit 1; }
[[ -f $state/env ]] || { log "Dovecot is not installed (apt-get install dovecot-core dovecot-pop3d)"; exit 1; }
# shellcheck disable=SC1091
source "$state/env"
port=$TOVIK_DOVECOT_PORT
mailroot=$TOVIK_DOVECOT_MAILROOT
owner=$(stat -c %u:%g "$mailroot")

for box in mixed big; do
  maildir=$mailroot/bench-$box/Maildir
  mkdir -p "$maildir/cur" "$maildir/new" "$maildir/tmp"
  log "mailbox $box: $("$gen" "$box" "$maildir/new")"
  chown -R "$owner" "$mailroot/bench-$box"
done

ini=$state/tovik.ini
cat >"$ini" <<INI
[SetInfo]
count=2
host1=mixed
host2=big

[mixed]
host_pop=127.0.0.1
id=bench-mixed
passwd=pass
port=$port

[big]
host_pop=127.0.0.1
id=bench-big
passwd=pass
port=$port
INI

# measure NAME OUTFILE COMMAND...: appends "wall_us rss_kb cpu_s" to $state/NAME.
measure() {
  local name=$1 out=$2
  shift 2
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f "%M %U %S" -o "$state/rss" "$@" >"$out" 2>"$state/stderr" || {
    log "$name failed:"
    cat "$state/stderr" >&2
    exit 1
  }
  end=$(date +%s%N)
  local rss user sys
  read -r rss user sys < <(tail -n 1 "$state/rss")
  echo "$(((end - start) / 1000)) $rss $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" >>"$state/$name"
}

run_raw() { measure "raw-$1" "$state/raw-out" "$raw" 127.0.0.1 "$port" "bench-$1" pass; }
run_serial() { measure "serial-$1" "$state/raw-out" "$raw" --serial 127.0.0.1 "$port" "bench-$1" pass; }
run_cli() {
  rm -rf "${scratch:?}"/*
  measure "cli-$1" "$state/cli-out" "$cli" fetch --keep --ini "$ini" --account "$1" --dir "$scratch"
  local summary
  summary=$(tail -n 1 "$state/stderr")
  [[ $summary == "$2 retrieved, 0 failed of $2" ]] || { log "tovik-cli: $summary"; exit 1; }
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Idle: the client logged in with nothing retrieved.
/usr/bin/time -f "%M %U %S" -o "$state/rss" "$cli" check --ini "$ini" --account mixed >/dev/null
idle_kb=$(tail -n 1 "$state/rss" | cut -d' ' -f1)

declare -A bytes largest count
for box in mixed big; do
  # Warm-up: Dovecot indexes the new mail on the first login.
  "$raw" 127.0.0.1 "$port" "bench-$box" pass >"$state/raw-out"
  read -r count[$box] _ bytes[$box] _ _ largest[$box] <"$state/raw-out"
  log "$box: ${count[$box]} messages, ${bytes[$box]} bytes; $runs runs each"
  # The order turns each round, so no client always runs first.
  for ((r = 1; r <= runs; r++)); do
    case $((r % 3)) in
      1) run_raw "$box"; run_cli "$box" "${count[$box]}"; run_serial "$box" ;;
      2) run_cli "$box" "${count[$box]}"; run_serial "$box"; run_raw "$box" ;;
      0) run_serial "$box"; run_raw "$box"; run_cli "$box" "${count[$box]}" ;;
    esac
  done
done

cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
echo "Machine: $(nproc) cores, $cpu; $runs runs each, medians; idle RSS of tovik-cli $((idle_kb / 1024)) MB"
echo
echo "| Mailbox | Client | Wall time (s) | MB/s | CPU time (s) | Peak RSS (MB) | Time vs raw |"
echo "|---|---|---|---|---|---|---|"
verdict=0
declare -A us cputime kb
declare -A name=([raw]="raw client" [serial]="raw client, one RETR at a time" [cli]="tovik-cli fetch --keep")
for box in mixed big; do
  for client in raw serial cli; do
    us[$client]=$(cut -d' ' -f1 "$state/$client-$box" | median)
    cputime[$client]=$(cut -d' ' -f3 "$state/$client-$box" | median)
    kb[$client]=$(cut -d' ' -f2 "$state/$client-$box" | sort -n | tail -n 1)
  done
  mb=$(awk -v b="${bytes[$box]}" 'BEGIN { printf "%.1f", b / 1e6 }')
  for client in raw serial cli; do
    awk -v l="$box (${count[$box]} msgs, $mb MB)" -v n="${name[$client]}" -v us="${us[$client]}" -v b="${bytes[$box]}" \
      -v c="${cputime[$client]}" -v kb="${kb[$client]}" -v r="${us[raw]}" \
      'BEGIN { printf "| %s | %s | %.2f | %.0f | %.2f | %.1f | %.2f |\n", l, n, us / 1e6, b / us, c, kb / 1024, us / r }'
  done
  raw_us=${us[raw]} cli_us=${us[cli]} cli_kb=${kb[cli]}
  ratio_ok=$(awk -v c="$cli_us" -v r="$raw_us" 'BEGIN { print (c <= 1.5 * r) ? "yes" : "no" }')
  rss_ok=$(awk -v c="$cli_kb" -v i="$idle_kb" -v l="${largest[$box]}" 'BEGIN { print ((c - i) * 1024 < 3 * l) ? "yes" : "no" }')
  echo "$box: time within 1.5 x raw: $ratio_ok; peak RSS above idle $(awk -v c="$cli_kb" -v i="$idle_kb" 'BEGIN { printf "%.1f", (c - i) / 1024 }') MB," \
    "below 3 x largest message ($(awk -v l="${largest[$box]}" 'BEGIN { printf "%.1f", 3 * l / 1048576 }') MB): $rss_ok" >>"$state/verdicts"
  [[ $ratio_ok == yes && $rss_ok == yes ]] || verdict=1
done
echo
cat "$state/verdicts"
exit $verdict
