#!/usr/bin/env bash
# Builds what the program needs (not the tests: tools/test.sh builds those),
# assembles the demo program folder (build/demo) and starts the workbench in it
# under wine, in a wine prefix of the project's own
# (build/wine/app). With a display the window opens there; without one the
# program runs on wine's null display driver.
#
#   tools/run.sh                  the workbench
#   tools/run.sh host [file.tif]  the annotation host on file.tif, its tools on the
#                                 engine's palette (default: a page of the demo's
#                                 images folder)
set -euo pipefail
what=${1:-workbench}
case "$what" in workbench | host) ;; *) echo "usage: tools/run.sh [host [file.tif]]" >&2; exit 2 ;; esac
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/setup.sh"
# The workbench, its image control, the archiver, the sample methods and the
# demo folder built from them; the host also needs the annotation control and
# its engine.
targets=(demo_program vistrel7)
if [ "$what" = host ]; then
    targets+=(annotate_host inkctl7 inkcore7)
fi
"$top/tools/build.sh" "${targets[@]}"

demo="$top/build/demo"
. "$top/tools/wine-env.sh"
if [ -n "${DISPLAY:-}" ]; then
    driver=x11
else
    driver=null
    echo "run: no display available; the $what runs on wine's null display driver (nothing is shown)"
fi
wine_prepare "$top/build/wine/app" "$driver" >/dev/null 2>&1 </dev/null
# The packing script calls the archiver by its bare name: it is found through
# the search path, where its folder is put for the programs started here.
export WINEPATH="Z:${top//\//\\}\\build\\archiver"

# The image-viewing control the workbench hosts is registered in this prefix.
wine regsvr32 /s "Z:${top//\//\\}\\build\\bin\\vistrel7.dll" >/dev/null 2>&1 </dev/null

if [ "$what" = host ]; then
    for dll in inkctl7.dll vistrel7.dll; do
        wine regsvr32 /s "Z:${top//\//\\}\\build\\bin\\$dll" >/dev/null 2>&1 </dev/null
    done
    page=${2:-$(ls "$demo"/images/*.tif 2>/dev/null | head -n 1)}
    if [ -z "$page" ] || [ ! -f "$page" ]; then
        echo "run: no TIFF page to open (give one: tools/run.sh host file.tif)" >&2
        exit 1
    fi
    page=$(cd "$(dirname "$page")" && pwd)/$(basename "$page")
    echo "run: starting annotate_host.exe on $page (pick tools on its palette, right-click for menus; close its window to end)"
    exec wine "$top/build/bin/annotate_host.exe" "Z:${page//\//\\}"
fi

cd "$demo"
echo "run: starting scanforge.exe in $demo (close its window to end)"
exec wine scanforge.exe
