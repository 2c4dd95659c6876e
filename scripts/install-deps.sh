#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev lld pkg-config
    libcurl4-openssl-dev libssl-dev openssl libzip-dev zip unzip
    qt6-base-dev qt6-webengine-dev qt6-charts-dev libqt6svg6
    libcpp-httplib-dev libgtest-dev libgmock-dev libbrotli-dev libpng-dev
    xvfb xauth python3 python3-pil chromium fonts-dejavu-core
    dpkg-dev desktop-file-utils man-db groff-base bsdextrautils qt6-qpa-plugins
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "error: packages are missing and this is not root: ${missing[*]}" >&2
    exit 2
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
