#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Does nothing (and needs no network) when everything is present.
set -euo pipefail

packages=(
    cmake
    g++
    ninja-build
    libgtest-dev
    libgmock-dev
    libbenchmark-dev
    python3
    strace
    libarchive-dev
    qt6-base-dev
    xvfb
    xauth
    fonts-liberation
    poppler-utils
    desktop-file-utils
    appstream
    dpkg-dev
    man-db
    clang
    clang-format
    libclang-rt-14-dev
)

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    if [[ $status != "install ok installed" ]]; then
        missing+=("$pkg")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "setup-deps: installing ${missing[*]}" >&2
sudo=()
if ((EUID != 0)); then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
