#!/usr/bin/env bash
# Installs the Debian packages Krel needs to build, test and run, but only
# those that are missing, so that a second run costs a second.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libsdl2-dev libsdl2-mixer-dev libsdl2-image-dev zlib1g-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xfonts-base desktop-file-utils
  clang-format ccache
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
