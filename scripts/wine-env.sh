# Sourced by the scripts: a throwaway Wine prefix (64-bit, as our programs) and a display.
# zeb_wine_prefix DIR   makes a fresh prefix in DIR
# zeb_start_display     starts Xvfb when there is no DISPLAY
export WINEARCH=win64 WINEDEBUG=-all LANG=zh_CN.UTF-8
# Wine here has no HTML engine: the page view built into Zeb takes over.
export WINEDLLOVERRIDES="ieframe=d;mshtml=d;winemenubuilder.exe=d"

zeb_start_display() {
    if [ -z "${DISPLAY:-}" ]; then
        local n
        for n in $(seq 90 120); do
            [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
            Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            ZEB_XVFB_PID=$!
            export DISPLAY=:$n
            for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
            return 0
        done
        echo "no free display number for Xvfb" >&2
        return 1
    fi
}

zeb_wine_prefix() {
    export WINEPREFIX="$1"
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
}
