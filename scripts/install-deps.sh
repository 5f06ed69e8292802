#!/usr/bin/env bash
# Installs the Debian packages Dustrel needs that are missing, as root or through sudo.
# Usage: scripts/install-deps.sh build|test|package
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgit2-dev xdg-utils)
if [ "${1:-build}" = test ]; then
    # trash-cli reads the trash the deletion writes, as an independent check of its format; libnss3 ships
    # the package-owned *.chk files that the automatic-mode tests must never see listed; clang-format
    # checks the code's layout; the last five read the window through the accessibility bus as a screen
    # reader does, on a virtual display.
    packages+=(googletest libgtest-dev libgmock-dev clang libclang-rt-dev trash-cli libnss3 git clang-format
        xvfb dbus at-spi2-core python3-pyatspi python3-gi)
fi
if [ "${1:-build}" = package ]; then
    # The package's tools and the checks scripts/check-package.sh runs on it.
    packages+=(dpkg-dev file lintian desktop-file-utils appstream mandoc systemd)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
        exit 1
    fi
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
