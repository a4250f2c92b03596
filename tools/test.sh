#!/usr/bin/env bash
# Builds everything and runs every test under wine, headless (null display
# driver, the build's own wine prefix, one wineserver kept alive for the run).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/build.sh"
cd "$top/build"
# A test that fails is run once more: wine itself now and then crashes as a
# program ends, after the test inside it has passed.
ctest -j"$(nproc)" --output-on-failure --timeout 300 --repeat until-pass:2
