#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build and test Korvi (chromium for
# the rendering tests, which skip without it).
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-declarative-dev libcurl4-openssl-dev
      libgtest-dev libgmock-dev libcpp-httplib-dev libsqlite3-dev zlib1g-dev fonts-noto-cjk qt6-translations-l10n
      clang-format chromium)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
