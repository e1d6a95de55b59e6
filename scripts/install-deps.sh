#!/usr/bin/env bash
# Installs the Debian packages Voxmill builds against and tests with, only
# those missing. chromium opens slice_view's report in the tests; without it
# that test is skipped.
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail
packages=(qtbase5-dev libpolyclipping-dev libboost-dev zlib1g-dev libgtest-dev cmake g++ make chromium "$@")
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
