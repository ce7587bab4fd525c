"""What the end-to-end tests of the real Zeb.exe share: the build under test
and its zebprobe.exe, the settings file's blocks, the fake services on
127.0.0.1, Zeb's start and exit, screenshots, and ZebTestCase, which gives
each test a fresh program folder. The tests live beside this file as
e2e_<area>.py and import what they need from here.

The build comes from ZEB_E2E_BUILD (run_e2e.py --build DIR sets it); a
WINEPREFIX (a throwaway prefix) and a DISPLAY are expected, as
scripts/test.sh provides them. To run everything, or only some tests:

    tests/e2e/run_e2e.py --build build/win32
    tests/e2e/run_e2e.py --build build/win32 -k transparency        # names holding a text
    tests/e2e/run_e2e.py --build build/win32 e2e_widget.FirstRun     # a module, class or test
    ZEB_E2E_BUILD=$PWD/build/win32 python3 -m unittest discover -s tests/e2e -p 'e2e_*.py' -k Refresh
"""
import atexit
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

from appnames import (FRAME_CLASS, GUID, ID_EXIT, INTERNET_SETTINGS, QUOTE_HOST, STOCK_LIST, UPDATE_DEMAND,
                      VENDOR_HOST)

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = None
PROBE = None  # zebprobe.exe of the build
ARTIFACTS = os.environ.get("ZEB_ARTIFACTS", os.path.join(ROOT, "build", "artifacts"))

DEFAULT_LIST = ",hkHSI,hkHSCEI,hkHSCCI"


def use_build(folder):
    """Tests the build in folder (Zeb.exe, zebprobe.exe and the rest)."""
    global BUILD, PROBE
    BUILD = os.path.abspath(folder) if folder else None
    PROBE = os.path.join(BUILD, "zebprobe.exe") if BUILD else None


use_build(os.environ.get("ZEB_E2E_BUILD"))


def struct_block(data):
    """zeb.ini's struct-block form: upper-case hex digits and a checksum byte."""
    return data.hex().upper() + "%02X" % (sum(data) & 0xFF)


def le32(*values):
    return b"".join((v & 0xFFFFFFFF).to_bytes(4, "little") for v in values)


def ss_block(stock_list=DEFAULT_LIST, refresh=0, mods=1, vk=0x48):
    return struct_block(stock_list.encode().ljust(512, b"\0") + le32(1, refresh, mods, vk))


def su_block(display=0x75, options=0x0A, colors=(0x00E6FFFF, 0x00FF0000, 0x00009900, 0x000000FF, 0)):
    return struct_block(le32(*colors, display, options))


def sp_block():
    return struct_block(bytes(156))


def wstat_block(transparent, left, top, right, bottom):
    return struct_block(le32(transparent, left, top, right, bottom))


def probe(*args):
    # Output through a file, not a pipe: a Wine process may leave helpers
    # running that hold a pipe open long after it has ended.
    with tempfile.TemporaryFile(mode="w+") as out:
        subprocess.run(["wine", PROBE, *map(str, args)], stdout=out,
                       stderr=subprocess.DEVNULL)
        out.seek(0)
        return dict(line.strip().split("=", 1) for line in out if "=" in line)


def rect(text):
    return tuple(int(v) for v in text.split(","))


def color_counts(image):
    """Pixels per color of an image, as ImageMagick counts them."""
    out = subprocess.run(["convert", image, "-format", "%c", "histogram:info:-"], capture_output=True,
                         text=True).stdout
    return {m.group(2).upper(): int(m.group(1)) for m in re.finditer(r"(\d+):.*?(#[0-9A-Fa-f]{6})", out)}


def x_drag(x, y, dx, dy):
    """Drags with the X server's own pointer and button (XTest), as a user's
    hand does: under a window manager the system's move of a window follows
    the X pointer, which the Windows-side input of zebprobe does not move.
    x, y are screen pixels."""
    import ctypes
    x11 = ctypes.CDLL("libX11.so.6")
    xtst = ctypes.CDLL("libXtst.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    display = ctypes.c_void_p(x11.XOpenDisplay(None))
    if not display:
        raise RuntimeError("no X display")
    try:
        def step(call, *args):
            call(display, *args)
            x11.XFlush(display)

        step(xtst.XTestFakeMotionEvent, -1, x, y, 0)
        time.sleep(0.2)
        step(xtst.XTestFakeButtonEvent, 1, True, 0)
        time.sleep(0.3)
        for i in range(1, 11):
            step(xtst.XTestFakeMotionEvent, -1, x + dx * i // 10, y + dy * i // 10, 0)
            time.sleep(0.05)
        time.sleep(0.2)
        step(xtst.XTestFakeButtonEvent, 1, False, 0)
        time.sleep(0.2)
    finally:
        x11.XCloseDisplay(display)


def point_at_fakes(quote_port, vendor_host="127.0.0.1:1"):
    """Sends the prefix's Zeb to the fake quote service on quote_port and to
    vendor_host (by default nothing listens there: no vendor site unless a
    test brings one), without a proxy."""
    probe("reg-set", QUOTE_HOST, "127.0.0.1:%d" % quote_port)
    if vendor_host:
        probe("reg-set", VENDOR_HOST, vendor_host)
    probe("reg-set-dword", INTERNET_SETTINGS, "ProxyEnable", 0)


def wait_for(predicate, timeout=20.0, step=0.2):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


class FakeService:
    """One of tests/fakes/ on a port of its own, with its control endpoints."""

    def __init__(self, script):
        self.process = subprocess.Popen([sys.executable, os.path.join(ROOT, "tests", "fakes", script), "--port", "0"],
                                        stdout=subprocess.PIPE, text=True)
        self.port = int(re.search(r":(\d+)", self.process.stdout.readline()).group(1))

    def address(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def get(self, path):
        with urllib.request.urlopen(self.address(path), timeout=5) as r:
            return r.read()

    def stop(self):
        self.process.terminate()
        self.process.wait()


class QuoteService(FakeService):
    def __init__(self):
        super().__init__("quote_service.py")

    def requests(self):
        return [r for r in json.loads(self.get("/_requests")) if r["line"].startswith("GET /?")]


def shared_quote_service():
    """The quote service the whole run shares, started on first use."""
    if ZebTestCase.service is None:
        ZebTestCase.service = QuoteService()
        atexit.register(ZebTestCase.service.stop)
    return ZebTestCase.service


class ZebTestCase(unittest.TestCase):
    """Each test gets a fresh program folder, a clean registry key and a reset
    quote service; the Wine prefix is shared by the whole run."""

    service = None

    @classmethod
    def setUpClass(cls):
        if BUILD is None:
            raise RuntimeError("no build under test: run_e2e.py --build DIR, or ZEB_E2E_BUILD")
        shared_quote_service()

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zeb-")
        self.exe = os.path.join(self.folder, "Zeb.exe")
        shutil.copy(os.path.join(BUILD, "Zeb.exe"), self.exe)
        self.ini = os.path.join(self.folder, "zeb.ini")
        self.processes = []
        for name in (STOCK_LIST, VENDOR_HOST, QUOTE_HOST, GUID, UPDATE_DEMAND):
            probe("reg-set", name, "-")
        point_at_fakes(self.service.port)
        self.service.get("/_reset")
        probe("cursor", 1010, 760)  # away from the window: no hover strip
        for page in self.page_files():
            os.remove(page)

    def tearDown(self):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
                p.wait()
        wait_for(lambda: probe("window").get("found") == "0", timeout=10)
        shutil.rmtree(self.folder, ignore_errors=True)

    # -- helpers

    def write_ini(self, ss=None, su=None, sp=None, fontsize="1", version="2", wstat=None):
        lines = ["[UserSet]", "ss=" + (ss or ss_block()), "su=" + (su or su_block()), "sp=" + (sp or sp_block()),
                 "fontsize=" + fontsize, "version=" + version]
        if wstat:
            lines += ["[WinStat]", "wstat=" + wstat]
        with open(self.ini, "w", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")

    def ini_values(self):
        values = {}
        section = None
        with open(self.ini, encoding="gb2312", errors="replace") as f:
            for line in f:
                line = line.strip()
                if line.startswith("["):
                    section = line.strip("[]")
                elif "=" in line:
                    key, value = line.split("=", 1)
                    values[(section, key)] = value
        return values

    def page_files(self):
        prefix = os.environ["WINEPREFIX"]
        return glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local", "Microsoft", "Windows",
                                      "INetCache", "zebtmp.htm"))

    def page(self):
        files = self.page_files()
        if not files:
            return None
        with open(files[0], "rb") as f:
            return f.read().decode("gb2312", errors="replace")

    def start(self, wait_visible=True):
        p = subprocess.Popen(["wine", self.exe], cwd="/", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(p)
        self.assertTrue(wait_for(lambda: probe("window").get("found") == "1"), "no %s window" % FRAME_CLASS)
        if wait_visible:
            self.assertTrue(wait_for(lambda: probe("window").get("visible") == "1"), "window not shown")
        return p

    def wait_page(self, text):
        return wait_for(lambda: (self.page() or "").find(text) >= 0 and self.page())

    def exit_zeb(self, p):
        probe("post-command", ID_EXIT)
        self.assertEqual(p.wait(timeout=20), 0)

    def screenshot(self, name):
        os.makedirs(ARTIFACTS, exist_ok=True)
        w = probe("window")
        left, top, right, bottom = rect(w["rect"])
        path = os.path.join(ARTIFACTS, name)
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                        "+repage", path], check=False, capture_output=True)
        return path
