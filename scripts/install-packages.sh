#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need,
# asking apt only when one is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build
  qt6-base-dev qt6-qpa-plugins libgtest-dev
  libssl-dev openssl
  dovecot-core dovecot-pop3d
  fonts-ipafont-gothic xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-packages.sh: installing ${missing[*]}" >&2
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null 2>&1 || {
    echo "install-packages.sh: not root and no sudo; install by hand: ${missing[*]}" >&2
    exit 1
  }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
