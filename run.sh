#!/usr/bin/env bash
# Installs what is missing, builds a Release build, installs it for this user under ~/.local and starts
# Dustrel. A first start writes the default settings itself, with ~/.local/share/dustrel as the
# installation folder.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build

prefix="$HOME/.local"
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset release -DCMAKE_INSTALL_PREFIX="$prefix"
cmake --build --preset release -j "$jobs"
cmake --install build/release --prefix "$prefix"

exec "$prefix/bin/dustrel" "$@"
