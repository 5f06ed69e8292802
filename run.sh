#!/usr/bin/env bash
# Installs what is missing, builds a Release build, installs it for this user under ~/.local, writes the
# default settings on the first run, and starts Dustrel.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build

prefix="$HOME/.local"
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset release -DCMAKE_INSTALL_PREFIX="$prefix"
cmake --build --preset release -j "$jobs"
cmake --install build/release --prefix "$prefix"

install_folder="$prefix/share/dustrel"
settings="${XDG_CONFIG_HOME:-$HOME/.config}/dustrel/HKEY_LOCAL_MACHINE.reg"
if [ ! -e "$settings" ]; then
    # The folder the defaults are written from becomes the installation folder (help page, events log).
    (cd "$install_folder" && "$prefix/bin/dustrel" /REGINIT)
fi

cd "$install_folder"
exec "$prefix/bin/dustrel" "$@"
