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

# Some machines run 64-bit user code only: the kernel refuses every 32-bit
# program with "Exec format error", and with it wine's 32-bit loader. There the
# 32-bit programs run through qemu's user-mode emulator, registered with the
# kernel's binfmt_misc. Bookworm's qemu 7.2 makes each wine process start take
# minutes (its guest mmap search is slow); the static qemu 10 of Debian 13 is
# fast, so that one binary is taken from Debian 13's package.
i386_runs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
if ! i386_runs; then
    qemu_bin=/usr/local/lib/scanforge-qemu/qemu-i386
    if [ ! -x "$qemu_bin" ]; then
        echo "setup: this kernel runs no 32-bit code; fetching qemu's i386 user-mode emulator"
        apt_dir=$(mktemp -d)
        mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/x"
        echo 'deb http://deb.debian.org/debian trixie main' >"$apt_dir/sources.list"
        apt_opts=(-o Dir::Etc::sourcelist="$apt_dir/sources.list" -o Dir::Etc::sourceparts=/dev/null
                  -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
                  -o APT::Sandbox::User=root)
        apt-get "${apt_opts[@]}" update -qq >/dev/null
        ( cd "$apt_dir" && apt-get "${apt_opts[@]}" download -qq qemu-user >/dev/null )
        dpkg-deb -x "$apt_dir"/qemu-user_*.deb "$apt_dir/x"
        "${sudo_cmd[@]}" install -D -m 755 "$apt_dir/x/usr/bin/qemu-i386" "$qemu_bin"
        rm -rf "$apt_dir"
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ -e "$binfmt/qemu-i386" ]; then
        echo -1 | "${sudo_cmd[@]}" tee "$binfmt/qemu-i386" >/dev/null
    fi
    # i386 ELF executables and shared objects; F: the emulator is opened now,
    # so it also serves programs started in other mount namespaces.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu_bin"':F' \
        | "${sudo_cmd[@]}" tee "$binfmt/register" >/dev/null
    i386_runs || { echo "setup: 32-bit programs still do not run" >&2; exit 1; }
fi
