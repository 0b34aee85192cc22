#!/usr/bin/env bash
# Installs what building and testing Quenbrix needs on Debian 12, when missing.
# With --sanitizers also Clang and its sanitizer runtimes.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-translations-l10n
          qt6-qpa-plugins libgl-dev libgtest-dev libgmock-dev)
if [ "${1:-}" = "--sanitizers" ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
