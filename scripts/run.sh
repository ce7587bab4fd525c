#!/usr/bin/env bash
# Builds Zeb.exe and starts it under Wine.
#
#   scripts/run.sh              quotes from the real quote service
#   scripts/run.sh --simulator  quotes from the bundled simulator on 127.0.0.1,
#                               whose prices move between requests, and a stand-in
#                               vendor site there (no internet needed)
#
# Zeb lives in build/zeb/ (its zeb.ini beside it) and in the Wine prefix
# ~/.zeb-wine. Without a display it runs on a virtual one (Xvfb, with the
# openbox window manager), which ends with it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
source scripts/wine-env.sh
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/win32 -j2 --target Zeb zebprobe

export WINEPREFIX=${WINEPREFIX:-$HOME/.zeb-wine}
if [ ! -d "$WINEPREFIX" ]; then
    echo "making the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
if [ -z "${DISPLAY:-}" ]; then
    zeb_start_display
    echo "no display: Zeb runs on the virtual display $DISPLAY (look with: DISPLAY=$DISPLAY import -window root shot.png)"
fi

mkdir -p build/zeb
cp build/win32/Zeb.exe build/zeb/Zeb.exe
probe() { wine "$root/build/win32/zebprobe.exe" "$@"; }

simulator=
vendor=
cleanup() {
    [ -n "$simulator" ] && kill "$simulator" 2>/dev/null
    [ -n "$simulator" ] && probe reg-set QuoteHost - || true
    [ -n "$vendor" ] && kill "$vendor" 2>/dev/null
    [ -n "$vendor" ] && probe reg-set VendorHost - || true
    zeb_stop_display
}
trap cleanup EXIT

if [ "${1:-}" = "--simulator" ]; then
    exec 3< <(python3 tests/fakes/quote_service.py --port 0 --simulate)
    simulator=$!
    read -r line <&3
    port=${line##*:}
    echo "quote simulator on 127.0.0.1:$port"
    probe reg-set QuoteHost "127.0.0.1:$port"
    # The vendor site answers the start-up ping with a notice line (see the
    # README for an upgrade demand or a new build).
    exec 4< <(python3 tests/fakes/vendor_site.py --port 0)
    vendor=$!
    read -r line <&4
    vendor_port=${line##*:}
    echo "vendor site on 127.0.0.1:$vendor_port"
    probe reg-set VendorHost "127.0.0.1:$vendor_port"
    if [ ! -f build/zeb/zeb.ini ]; then
        # A first demo refreshes every 10 seconds (while Hong Kong trades,
        # Monday to Friday 09:00-16:59 Hong Kong time without the midday
        # break; click the green arrows for a refresh at any time).
        python3 - <<'PY'
import sys
sys.path.insert(0, "tests/e2e")
from e2elib import ss_block, su_block, sp_block
with open("build/zeb/zeb.ini", "w", newline="\r\n") as f:
    f.write("[UserSet]\nss=%s\nsu=%s\nsp=%s\nfontsize=1\nversion=2\n" % (
        ss_block(",hkHSI,hkHSCEI,hkHSCCI,hk00700,hk00005", refresh=10), su_block(), sp_block()))
PY
    fi
else
    probe reg-set QuoteHost - || true
    probe reg-set VendorHost - || true
fi

wine build/zeb/Zeb.exe
