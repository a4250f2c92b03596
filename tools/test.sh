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
# A program that hangs is stopped by winerun a little before ctest would stop
# it, so that its output so far is shown with the failure.
export WINERUN_LIMIT=270
ctest -j"$(nproc)" --output-on-failure --timeout 300
