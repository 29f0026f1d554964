#!/usr/bin/env bash
# A private Dovecot POP3 server on 127.0.0.1 for the tests and the demo.
#
#   dovecot.sh start STATE_DIR [PORT]   start it (a free port when none given)
#   dovecot.sh stop STATE_DIR           stop it and remove its mail
#
# Any user name logs in with the password "pass"; the mail of user U is the
# maildir MAILROOT/U/Maildir, so a test makes a mailbox by writing files.
# STATE_DIR/env tells TOVIK_DOVECOT_PORT and TOVIK_DOVECOT_MAILROOT, and for
# TLS TOVIK_DOVECOT_POP3S_PORT and TOVIK_DOVECOT_CA: the plain port offers STLS,
# the POP3S port speaks TLS at once, both with a certificate for "localhost"
# only, issued by a private CA made at start (TOVIK_DOVECOT_CA).
# The system's own Dovecot configuration (/etc/dovecot) is never used.
set -euo pipefail

usage() {
  echo "usage: $0 start STATE_DIR [PORT] | stop STATE_DIR" >&2
  exit 2
}

log() { echo "dovecot.sh: $*" >&2; }

find_dovecot() {
  local candidate
  for candidate in "$(command -v dovecot 2>/dev/null || true)" /usr/sbin/dovecot /usr/local/sbin/dovecot; do
    if [[ -n "$candidate" && -x "$candidate" ]]; then
      echo "$candidate"
      return 0
    fi
  done
  return 1
}

# A port nothing listens on. The kernel picks one when python3 is there; else
# a random one that refuses a connection.
free_port() {
  local port
  if command -v python3 >/dev/null 2>&1 &&
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' 2>/dev/null); then
    echo "$port"
    return 0
  fi
  local tries
  for tries in $(seq 1 50); do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# True once the server greets with +OK on the port.
greets() {
  local port=$1 line=""
  exec 3<>"/dev/tcp/127.0.0.1/$port" || return 1
  read -r -t 2 line <&3 || true
  printf 'QUIT\r\n' >&3 || true
  exec 3<&- 3>&-
  [[ "$line" == +OK* ]]
}

master_pid() {
  local state=$1 base
  [[ -f "$state/base_dir" ]] || return 1
  base=$(cat "$state/base_dir")
  [[ -f "$base/master.pid" ]] || return 1
  cat "$base/master.pid"
}

# A private CA and a server certificate naming only "localhost", so that a
# client asking for 127.0.0.1 sees a name mismatch.
make_certificates() {
  local dir=$1
  mkdir -p "$dir"
  (
    cd "$dir"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3 \
      -subj "/CN=tovik test CA" -keyout ca.key -out ca.pem 2>/dev/null
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
      -subj "/CN=localhost" -keyout server.key -out server.csr 2>/dev/null
    printf 'subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\n' >server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
      -extfile server.ext -out server.pem 2>/dev/null
  )
  chmod 644 "$dir"/*.pem
}

write_config() {
  local conf=$1 state=$2 base=$3 mailroot=$4 port=$5 uid=$6 gid=$7 sport=$8 tls=$9
  local user_settings=""
  if [[ $(id -u) -ne 0 ]]; then
    # Unprivileged: every process runs as the caller, without chroots.
    local me
    me=$(id -un)
    user_settings="default_internal_user = $me
default_internal_group = $(id -gn)
default_login_user = $me
service anvil {
  chroot =
}
service pop3-login {
  chroot =
}"
  fi
  cat >"$conf" <<CONF
# Written by scripts/dovecot.sh; private to this state directory.
base_dir = $base
state_dir = $state/lib
instance_name = tovik-$(basename "$base")
protocols = pop3
listen = 127.0.0.1
ssl = yes
ssl_cert = <$tls/server.pem
ssl_key = <$tls/server.key
disable_plaintext_auth = no
auth_mechanisms = plain
auth_failure_delay = 0
# Tests log in with wrong passwords on purpose; the logins that follow must
# not be slowed down by the brute-force penalty.
login_trusted_networks = 127.0.0.0/8
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
log_path = $state/dovecot.log
info_log_path = $state/dovecot.log
mail_location = maildir:~/Maildir
first_valid_uid = $uid
last_valid_uid = $uid
first_valid_gid = $gid
last_valid_gid = $gid
passdb {
  driver = static
  args = password=pass
}
userdb {
  driver = static
  args = uid=$uid gid=$gid home=$mailroot/%u
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $sport
    ssl = yes
  }
}
$user_settings
CONF
}

cmd_stop() {
  local state=$1 pid base
  if pid=$(master_pid "$state"); then
    if kill "$pid" 2>/dev/null; then
      local waited
      for waited in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      if kill -0 "$pid" 2>/dev/null; then
        log "master $pid did not stop; killing it"
        kill -KILL "$pid" 2>/dev/null || true
      fi
    fi
  fi
  if [[ -f "$state/base_dir" ]]; then
    base=$(cat "$state/base_dir")
    # Only ever a directory this script made.
    if [[ "$base" == /tmp/tvk-*/run ]]; then
      rm -rf "${base%/run}"
    fi
    rm -f "$state/base_dir"
  fi
  rm -f "$state/env"
}

cmd_start() {
  local state=$1 want_port=${2:-}
  local dovecot
  if ! dovecot=$(find_dovecot); then
    if [[ "${CI:-}" == "true" ]]; then
      log "dovecot is not installed (apt-get install dovecot-core dovecot-pop3d)"
      exit 1
    fi
    log "dovecot is not installed: the tests that need it will be skipped"
    mkdir -p "$state"
    rm -f "$state/env"
    exit 0
  fi
  mkdir -p "$state"
  state=$(cd "$state" && pwd)
  cmd_stop "$state"

  # Sockets live under a short path of their own: a long STATE_DIR would
  # exceed the length limit of socket names.
  local instance base mailroot uid gid
  instance=$(mktemp -d /tmp/tvk-XXXXXX)
  chmod 755 "$instance"
  base=$instance/run
  mailroot=$instance/mail
  echo "$base" >"$state/base_dir"
  mkdir -p "$base" "$mailroot" "$state/lib"

  # Dovecot never touches mail as root: as root, the mail belongs to nobody.
  if [[ $(id -u) -eq 0 ]]; then
    uid=$(id -u nobody)
    gid=$(getent group nogroup | cut -d: -f3 || true)
    gid=${gid:-$(id -g nobody)}
  else
    uid=$(id -u)
    gid=$(id -g)
  fi
  # The mail root is the mail user's, so any user's home can be made on login.
  chown "$uid:$gid" "$mailroot"
  chmod 755 "$mailroot"

  make_certificates "$instance/tls"

  local conf=$state/dovecot.conf attempt port sport
  : >"$state/dovecot.log"
  for attempt in 1 2 3 4 5; do
    port=$want_port
    if [[ -z "$port" ]]; then
      port=$(free_port) || { log "no free port found"; exit 1; }
    fi
    sport=$(free_port) || { log "no free port found"; exit 1; }
    write_config "$conf" "$state" "$base" "$mailroot" "$port" "$uid" "$gid" "$sport" "$instance/tls"
    # The daemon must not hold the caller's output open (ctest waits for it).
    if ! "$dovecot" -c "$conf" </dev/null >>"$state/dovecot.log" 2>&1; then
      log "dovecot did not start (see $state/dovecot.log)"
      tail -n 20 "$state/dovecot.log" >&2 || true
      exit 1
    fi
    local waited up=false
    for waited in $(seq 1 100); do
      if greets "$port" 2>/dev/null; then
        up=true
        break
      fi
      # A master that died (a port taken meanwhile) is retried on another port.
      if ! master_pid "$state" >/dev/null || ! kill -0 "$(master_pid "$state")" 2>/dev/null; then
        break
      fi
      sleep 0.1
    done
    if $up; then
      {
        echo "TOVIK_DOVECOT_PORT=$port"
        echo "TOVIK_DOVECOT_MAILROOT=$mailroot"
        echo "TOVIK_DOVECOT_POP3S_PORT=$sport"
        echo "TOVIK_DOVECOT_CA=$instance/tls/ca.pem"
      } >"$state/env"
      log "listening on 127.0.0.1:$port, mail in $mailroot"
      return 0
    fi
    cmd_stop_master_only "$state"
    if [[ -n "$want_port" ]]; then break; fi
    log "no greeting on port $port (attempt $attempt); trying another port"
  done
  log "dovecot did not answer; its log:"
  tail -n 20 "$state/dovecot.log" >&2 || true
  cmd_stop "$state"
  exit 1
}

# Stops the master but keeps the instance directory for another attempt.
cmd_stop_master_only() {
  local state=$1 pid
  if pid=$(master_pid "$state"); then
    kill "$pid" 2>/dev/null || true
    local waited
    for waited in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
}

[[ $# -ge 2 ]] || usage
case "$1" in
  start) cmd_start "$2" "${3:-}" ;;
  stop)
    [[ -d "$2" ]] || exit 0
    cmd_stop "$(cd "$2" && pwd)"
    ;;
  *) usage ;;
esac
