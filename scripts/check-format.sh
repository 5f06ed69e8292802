#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what clang-format 14 makes of it with .clang-format.
# Another major version formats some constructs differently, so only version 14 is trusted.
# Usage: scripts/check-format.sh   (scripts/install-deps.sh test installs clang-format)
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=
for candidate in clang-format-14 clang-format; do
    if command -v "$candidate" >/dev/null 2>&1; then
        formatter=$candidate
        break
    fi
done
if [ -z "$formatter" ]; then
    echo "clang-format is not installed (scripts/install-deps.sh test installs it)." >&2
    exit 1
fi
version=$("$formatter" --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')
if [ "$version" != 14 ]; then
    echo "$formatter is version ${version:-unknown}; the tree is formatted with clang-format 14." >&2
    exit 1
fi

if ! find src tests bench fuzz tools -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
    xargs -0 "$formatter" --dry-run --Werror; then
    echo "Unformatted code: run clang-format -i on the files above." >&2
    exit 1
fi
echo "Every C++ file is formatted."
