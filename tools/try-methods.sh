#!/usr/bin/env bash
# Until the workbench exists: unpacks every method package of a program folder
# into a scratch folder and runs its method on a page of images\, the way the
# workbench will (the page as in.tif, no arguments, the folder current).
# Expects WINEPREFIX (and WINEPATH) to be set by the caller.
set -uo pipefail
demo=$(cd "$1" && pwd)
try="$demo.try"
rm -rf "$try"; mkdir -p "$try"
status=0
for package in "$demo"/*.Folivar.*; do
    name=$(basename "$package")
    method=${name#*.Folivar.}
    work="$try/$name"
    mkdir -p "$work"
    cp "$package" "$work/$name.exe"
    ( cd "$work" && wine "$name.exe" >/dev/null 2>&1 </dev/null )
    rm -f "$work/$name.exe"
    page=page1.tif
    [ "${name%%.*}" = PageSplit ] && page=spread.tif
    cp "$demo/images/$page" "$work/in.tif"
    program="$method.exe"
    if [ -f "$work/$program" ]; then
        ( cd "$work" && wine "$work/$program" >/dev/null 2>&1 </dev/null )
    else
        program="$method.bat"
        ( cd "$work" && wine cmd /c "$program" >/dev/null 2>&1 </dev/null )
    fi
    if [ -f "$work/out.tif" ]; then
        echo "  $name: $program turned $page into $(cd "$work" && ls out*.tif | tr '\n' ' ')"
    else
        echo "  $name: $program wrote no out.tif"
        status=1
    fi
done
echo "results are in $try"
exit $status
