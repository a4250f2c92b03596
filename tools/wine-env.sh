# Shared by the scripts that run our programs under wine: a prefix of the
# project's own, prepared once (under a lock, so parallel tests are safe).
#   wine_prepare PREFIX DRIVER    DRIVER is "null" (headless) or "x11"

export WINEARCH=win32
# A test may ask for wine's own checks (e.g. WINE_TEST_DEBUG=warn+heap).
export WINEDEBUG=${WINE_TEST_DEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_prepare() {
    local prefix=$1 driver=$2
    export WINEPREFIX=$prefix
    if [ -f "$prefix/.prepared-$driver" ]; then
        return 0
    fi
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        [ -f "$prefix/.prepared-$driver" ] && exit 0
        rm -f "$prefix"/.prepared-*
        wineboot -i >/dev/null 2>&1 9>&-
        local reg
        reg=$(mktemp --suffix=.reg)
        {
            printf 'REGEDIT4\r\n\r\n'
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n'
            if [ "$driver" = null ]; then
                printf '"Graphics"="null"\r\n\r\n'
            else
                printf '"Graphics"=-\r\n\r\n'
            fi
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
            printf '"Arial"="Liberation Sans"\r\n"Times New Roman"="Liberation Serif"\r\n"Courier New"="Liberation Mono"\r\n\r\n'
        } >"$reg"
        wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 9>&-
        rm -f "$reg"
        # A driver change takes effect only in a new server.
        wineserver -k 9>&- || true
        wineserver -w 9>&- || true
        wineserver -p300 9>&-
        wineboot >/dev/null 2>&1 9>&-
        touch "$prefix/.prepared-$driver"
    ) 9>"$prefix.lock"
    # Keep one server alive between the programs of a test run.
    wineserver -p300 >/dev/null 2>&1 || true
}
