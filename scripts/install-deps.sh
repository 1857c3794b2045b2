#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need,
# only those that are missing.
set -euo pipefail
packages=(cmake make g++ pkg-config libjpeg62-turbo-dev libpugixml-dev
          libgtest-dev libgmock-dev libbenchmark-dev libxml2-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
