#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the sample game need, when missing.
set -euo pipefail
packages=(build-essential cmake ninja-build ccache pkg-config googletest libgtest-dev libbenchmark-dev
          zlib1g-dev libpng-dev libjpeg62-turbo-dev libogg-dev libvorbis-dev libboost-dev
          libsdl2-dev libx11-dev libcurl4-openssl-dev libfreetype-dev fonts-dejavu-core xvfb xauth lld)
missing=()
# clang with its libFuzzer runtime builds the fuzz targets.
for p in "${packages[@]}" clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
