#!/usr/bin/env bash
# Builds everything and runs every reader mutation program (build/bin/*_mutations.exe)
# with a large count of damaged inputs: each program's own large count (100,000 for
# the engine's readers), or the count given.
#
#   tools/fuzz.sh [cases]     every program
#   FUZZ_ONLY=name tools/fuzz.sh [cases]   the programs whose name holds `name`
#
# Inputs that show a fault are written into build/mutation-faults/.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/setup.sh" || exit 1
"$top/tools/build.sh" || exit 1
cd "$top/build"
count=${1:---large}
faults="$top/build/mutation-faults"
mkdir -p "$faults"
failed=0 ran=0
for program in bin/*_mutations.exe; do
    [ -e "$program" ] || continue
    name=$(basename "$program" .exe)
    case "$name" in *"${FUZZ_ONLY:-}"*) ;; *) continue ;; esac
    ran=$((ran + 1))
    echo "== $name"
    if ! ./winerun "$program" "$count" --save "Z:${faults//\//\\}"; then
        failed=$((failed + 1))
    fi
done
echo "fuzz: $ran programs, $failed with faults (their inputs: $faults)"
[ "$ran" -gt 0 ] && [ "$failed" -eq 0 ]
