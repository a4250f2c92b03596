#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages=(cmake make g++-mingw-w64-i686-posix mingw-w64-tools wine wine32:i386
          googletest fonts-wine fonts-liberation)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# widl needs the system IDL files; no installed package ships them, so the
# headers of libwine-dev are unpacked into a folder of our own.
idl_dir="$top/.deps/wine-idl"
if [ ! -f "$idl_dir/usr/include/wine/wine/windows/oaidl.idl" ]; then
    echo "setup: fetching the IDL files"
    tmp=$(mktemp -d)
    ( cd "$tmp" && apt-get download -qq libwine-dev >/dev/null 2>&1 ) || {
        "${sudo_cmd[@]}" apt-get update -qq
        ( cd "$tmp" && apt-get download -qq libwine-dev >/dev/null )
    }
    rm -rf "$idl_dir"; mkdir -p "$idl_dir"
    dpkg-deb -x "$tmp"/libwine-dev_*.deb "$idl_dir"
    rm -rf "$tmp"
fi
