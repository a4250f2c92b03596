#!/usr/bin/env bash
# Configures (once) and builds into build/: every target, or only those named.
#   tools/build.sh                 everything, the tests included
#   tools/build.sh target...       the named targets and what they need
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$top/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build "$build" -j"$(nproc)" "${targets[@]}" -- --no-print-directory
