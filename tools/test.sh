#!/usr/bin/env bash
# Builds everything and runs every test under wine, headless (null display
# driver, the build's own wine prefix, one wineserver kept alive for the run).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/build.sh"
cd "$top/build"
# Every test runs once: a failure is a failure. Tests that use what the wine
# prefix holds for the whole machine (the clipboard, class registrations, the
# focus and the screen cursor) hold ctest resource locks or run alone.
ctest -j"$(nproc)" --output-on-failure --timeout 300
