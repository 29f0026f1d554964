#!/usr/bin/env bash
# Builds tovik and runs it against a private Dovecot that serves the sample
# mailbox (user "demo", password "pass"). With a display the window opens as
# usual; without one the program connects, retrieves everything and saves a
# screenshot to out/demo.png under a virtual X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-packages.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
# Only the program: the demo needs no tests.
cmake --build build -j2 --target tovik

program=$root/build/src/app/tovik
if [[ ! -x "$program" ]]; then
  echo "run-demo.sh: $program was not built" >&2
  exit 1
fi

state=$root/build/demo-state
bash scripts/dovecot.sh start "$state"
trap 'bash "$root/scripts/dovecot.sh" stop "$state"' EXIT
# shellcheck disable=SC1091
source "$state/env"

# The demo mailbox, filled anew on every run (the demo may delete mail).
# Names with rising leading numbers keep the messages in their file order.
maildir=$TOVIK_DOVECOT_MAILROOT/demo/Maildir
mkdir -p "$maildir/cur" "$maildir/new" "$maildir/tmp"
n=0
for message in scripts/sample-mail/*.eml; do
  n=$((n + 1))
  cp "$message" "$maildir/new/$((1000000000 + n)).M${n}P$$.demo"
done
owner=$(stat -c '%u:%g' "$TOVIK_DOVECOT_MAILROOT")
chown -R "$owner" "$TOVIK_DOVECOT_MAILROOT/demo"

# tovik.ini lies beside the program and is Shift-JIS. The third account
# reaches the same mailbox over POP3S; TOVIK_DEMO_SSL=pop3s or starttls puts
# the first account on TLS too (the screenshot then shows a TLS session).
tls_keys() {  # ssl mode -> the account's TLS lines
  case $1 in
    pop3s) printf 'host_pop=localhost\nssl=pop3s\nport=%s\ncafile=%s\n' "$TOVIK_DOVECOT_POP3S_PORT" "$TOVIK_DOVECOT_CA" ;;
    starttls) printf 'host_pop=localhost\nssl=starttls\nport=%s\ncafile=%s\n' "$TOVIK_DOVECOT_PORT" "$TOVIK_DOVECOT_CA" ;;
    *) printf 'host_pop=127.0.0.1\nport=%s\n' "$TOVIK_DOVECOT_PORT" ;;
  esac
}
iconv -f UTF-8 -t CP932 >"$root/build/src/app/tovik.ini" <<INI
[SetInfo]
count=3
host1=デモ
host2=localhost-test
host3=デモ-POP3S

[デモ]
id=demo
passwd=pass
$(tls_keys "${TOVIK_DEMO_SSL:-none}")

[localhost-test]
host_pop=127.0.0.1
id=demo
passwd=pass
port=$TOVIK_DOVECOT_PORT

[デモ-POP3S]
id=demo
passwd=pass
$(tls_keys pop3s)
INI

# Attachments are written to the current directory: keep them in out/.
mkdir -p "$root/out"
cd "$root/out"
if [[ -n "${DISPLAY:-}" ]]; then
  "$program"
else
  rm -f "$root/out/demo.png"
  timeout 300 xvfb-run -a "$program" --connect --retrieve --screenshot "$root/out/demo.png"
  if [[ -f "$root/out/demo.png" ]]; then
    echo "Screenshot of the main window: $root/out/demo.png"
  else
    echo "run-demo.sh: no screenshot was written" >&2
    exit 1
  fi
fi
