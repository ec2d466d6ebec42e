#!/usr/bin/env bash
# Installs the Debian packages the build needs when they are missing.
# Usage: scripts/deps.sh [test]   ("test" adds what the test suite needs)
set -euo pipefail
pkgs=(cmake g++ make pkg-config libncurses-dev)
if [ "${1:-}" = test ]; then
  pkgs+=(libvterm-dev libgtest-dev ncurses-term)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >&2
fi
