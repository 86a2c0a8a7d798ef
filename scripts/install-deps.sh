#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, run and test, and only
# those that are missing. Runs as root (or through sudo when it is there).
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format git
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils libegl-dev libegl-mesa0
  libreadline-dev libtinyxml-dev libmagick++-dev libassimp-dev nlohmann-json3-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev xvfb xauth x11-utils xdotool imagemagick python3
  desktop-file-utils shared-mime-info man-db
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
