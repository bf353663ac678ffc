#!/usr/bin/env bash
# Installs, with apt-get and only when missing, what building, testing and running the
# TLV-880 software needs on Debian 12. Run as root. Extra package names may be passed.
set -euo pipefail

# dpkg-dev: dpkg-shlibdeps for the package's dependencies; fonts-dejavu-core: text in headless
# window tests and screenshots has a real font to measure and draw.
packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  clang libclang-rt-14-dev
  dpkg-dev fonts-dejavu-core
  libmosquitto-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything needed is installed"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}; run this script as root to install them" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
