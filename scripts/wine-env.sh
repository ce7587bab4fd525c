# Sourced by the scripts: a throwaway Wine prefix (64-bit, as our programs) and a display.
# zeb_wine_prefix DIR   makes a fresh prefix in DIR
# zeb_start_display     starts Xvfb and a window manager (openbox) on it when
#                       there is no DISPLAY, so windows are shown, hidden and
#                       minimised as on a user's desktop
# zeb_stop_display      stops what zeb_start_display started
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
            # Without a window manager Wine waits for one that never answers
            # whenever a window is minimised, hidden or shown. Openbox runs its
            # start-up command once it manages the screen.
            local ready
            ready=$(mktemp -u /tmp/zeb-wm-ready.XXXXXX)
            openbox --sm-disable --startup "touch $ready" >/dev/null 2>&1 &
            ZEB_WM_PID=$!
            for _ in $(seq 100); do [ -e "$ready" ] && break; sleep 0.05; done
            if [ ! -e "$ready" ]; then
                echo "the window manager did not start on $DISPLAY" >&2
            fi
            rm -f "$ready"
            return 0
        done
        echo "no free display number for Xvfb" >&2
        return 1
    fi
}

zeb_stop_display() {
    [ -n "${ZEB_WM_PID:-}" ] && kill "$ZEB_WM_PID" 2>/dev/null
    [ -n "${ZEB_XVFB_PID:-}" ] && kill "$ZEB_XVFB_PID" 2>/dev/null
    ZEB_WM_PID= ZEB_XVFB_PID=
    return 0
}

zeb_wine_prefix() {
    export WINEPREFIX="$1"
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
}
