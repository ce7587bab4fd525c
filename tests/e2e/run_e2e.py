#!/usr/bin/env python3
"""End-to-end tests of the real Zeb.exe under Wine, against the fake quote
service on 127.0.0.1. Expects WINEPREFIX (a fresh, throwaway prefix) and a
DISPLAY; scripts/test.sh provides both.

    run_e2e.py --build build/win32 [unittest arguments, e.g. -k Transparency]
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request
import json

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = None
PROBE = None  # zebprobe.exe of the build
ARTIFACTS = os.environ.get("ZEB_ARTIFACTS", os.path.join(ROOT, "build", "artifacts"))

WM_HOTKEY = 0x0312
WM_TRAYNOTIFY = 1034
WM_LBUTTONDBLCLK = 515
ID_EXIT, ID_TRANSPARENT, ID_REFRESH = 32773, 32775, 32778

DEFAULT_LIST = ",hkHSI,hkHSCEI,hkHSCCI"


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


class ZebTestCase(unittest.TestCase):
    """Each test gets a fresh program folder, a clean registry key and a reset
    quote service; the Wine prefix is shared by the whole run."""

    service = None

    @classmethod
    def setUpClass(cls):
        if ZebTestCase.service is None:
            ZebTestCase.service = QuoteService()

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zeb-")
        self.exe = os.path.join(self.folder, "Zeb.exe")
        shutil.copy(os.path.join(BUILD, "Zeb.exe"), self.exe)
        self.ini = os.path.join(self.folder, "zeb.ini")
        self.processes = []
        for name in ("StkCode", "VendorHost", "QuoteHost", "Guid", "Update"):
            probe("reg-set", name, "-")
        probe("reg-set", "QuoteHost", "127.0.0.1:%d" % self.service.port)
        probe("reg-set", "VendorHost", "127.0.0.1:1")  # no vendor site unless a test brings one
        probe("reg-set-dword", r"Software\Microsoft\Windows\CurrentVersion\Internet Settings", "ProxyEnable", 0)
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
        with open(self.ini, encoding="ascii", errors="replace") as f:
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
        self.assertTrue(wait_for(lambda: probe("window").get("found") == "1"), "no ZebMFrame window")
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


class FirstRun(ZebTestCase):
    def test_first_start_writes_defaults_fetches_and_sizes_the_window(self):
        p = self.start()
        page = self.wait_page("</table></body></html>")
        self.assertTrue(page, "no quote page written")

        # One GET for the whole default list, with the header block.
        requests = self.service.requests()
        self.assertEqual(len(requests), 1)
        m = re.match(r"GET /\?rn=(\d+)&list=(\S+) HTTP/1\.1$", requests[0]["line"])
        self.assertTrue(m, requests[0]["line"])
        self.assertLess(abs(int(m.group(1)) - time.time()), 300)
        self.assertEqual(m.group(2), DEFAULT_LIST)
        headers = {k.lower(): v for k, v in requests[0]["headers"]}
        self.assertEqual(headers["accept"], "*/*")
        self.assertEqual(headers["accept-language"], "zh-cn")
        self.assertIn("gzip", headers["accept-encoding"])
        self.assertEqual(headers["user-agent"], "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1;)")
        self.assertEqual(headers["referer"], "https://finance.sina.com.cn/")

        # The page holds the reply's three rows, the header and the time line.
        self.assertIn("恒生指数", page)
        self.assertIn("国企指数", page)
        self.assertIn("红筹指数", page)
        self.assertIn("成交量: 1913901万股", page)  # the index's volume is past 2^31 shares
        self.assertEqual(page.count('<tr align="right" class='), 3)
        self.assertIn("<td>简称</td>", page)
        self.assertRegex(page, r"<td colspan=3 align=right>\d{4}-\d\d-\d\d \d\d:\d\d</td>")

        # The settings file and the registry copy of the list.
        values = self.ini_values()
        self.assertEqual(values[("UserSet", "ss")], ss_block())
        self.assertEqual(values[("UserSet", "su")], "FFFFE6000000FF0000990000FF00000000000000750000000A000000FA")
        self.assertEqual(values[("UserSet", "sp")], sp_block())
        self.assertEqual(values[("UserSet", "fontsize")], "1")
        self.assertEqual(values[("UserSet", "version")], "2")
        self.assertEqual(values[("WinStat", "wstat")], "0" * 42)
        self.assertEqual(probe("reg-info", "StkCode"), {"found": "1", "type": "1", "length": str(len(DEFAULT_LIST))})

        # 3 rows, 3 columns, font size 1 with header and time lines: 185 x 127.
        w = wait_for(lambda: (lambda w: rect(w["client"]) == (0, 0, 185, 127) and w)(probe("window")), timeout=10)
        self.assertTrue(w, probe("window"))
        self.assertEqual(rect(w["child1036"]), (0, 15, 185, 112))
        self.assertEqual(rect(w["child1030"]), (5, 112, 185, 127))
        self.assertEqual(rect(w["child1047"]), (0, 15, 185, 112))
        self.assertEqual(rect(w["child1037"]), (50, 0, 165, 15))
        self.assertEqual(rect(w["child1046"]), (165, 0, 185, 15))
        self.assertEqual(w["child1047.visible"], "0")
        self.assertEqual(w["toolwindow"], "1")
        self.assertEqual(w["topmost"], "1")
        # The table as the page describes it: pale background, blue name links,
        # rising rows green and the falling one red, the blue line under the header.
        colors = color_counts(self.screenshot("widget.png"))
        self.assertGreater(colors.get("#FFFFE6", 0), 185 * 127 // 2, colors)
        self.assertGreater(colors.get("#0000FF", 0), 50)
        self.assertGreater(colors.get("#009900", 0), 20)
        self.assertGreater(colors.get("#FF0000", 0), 10)
        self.assertGreater(colors.get("#0000CC", 0), 150)

        self.exit_zeb(p)
        left, top, right, bottom = rect(w["rect"])
        self.assertEqual(self.ini_values()[("WinStat", "wstat")], wstat_block(0, left, top, right, bottom))


class SingleInstance(ZebTestCase):
    def test_second_start_hands_over_and_exits_with_minus_one(self):
        self.write_ini(su=su_block(options=0x0A | 0x04))  # the hot key also hides the tray icon
        first = self.start()
        self.wait_page("</html>")
        probe("send", WM_HOTKEY, 1001, 0)
        self.assertTrue(wait_for(lambda: probe("window")["visible"] == "0"))
        self.assertEqual(probe("tray")["tray"], "0")

        before = os.stat(self.ini).st_mtime_ns
        second = subprocess.run(["wine", self.exe], cwd="/", timeout=30)
        self.assertEqual(second.returncode, 255)  # -1
        self.assertEqual(os.stat(self.ini).st_mtime_ns, before)
        w = probe("window")
        self.assertEqual(w["visible"], "1")
        self.assertEqual(probe("tray")["tray"], "1")
        self.exit_zeb(first)


class WindowBehaviour(ZebTestCase):
    def test_transparency_uses_the_color_key_and_survives_a_restart(self):
        p = self.start()
        self.wait_page("</html>")
        probe("post-command", ID_TRANSPARENT)
        w = wait_for(lambda: (lambda w: w["layered"] == "1" and w)(probe("window")))
        self.assertTrue(w)
        self.assertEqual(w["colorkey"], "0x00E6FFFF")
        self.assertEqual(w["child1034.visible"], "0")
        self.exit_zeb(p)
        self.assertEqual(self.ini_values()[("WinStat", "wstat")][:8], "01000000")

        p = self.start()
        w = probe("window")
        self.assertEqual(w["layered"], "1")
        self.assertEqual(w["child1034.visible"], "0")
        probe("post-command", ID_TRANSPARENT)
        self.assertTrue(wait_for(lambda: probe("window")["layered"] == "0"))
        self.exit_zeb(p)

    def test_custom_background_is_the_color_key(self):
        # customColors and titleOnHover, not alwaysOnTop; saved as transparent
        self.write_ini(su=su_block(options=0x08 | 0x01, colors=(0x00102030, 0x00FF0000, 0x00009900, 0xFF, 0)),
                       wstat=wstat_block(1, 0, 0, 0, 0))
        p = self.start()
        self.assertEqual(probe("window")["colorkey"], "0x00102030")
        self.assertIn("bgcolor=#302010", self.wait_page("</html>"))
        self.assertTrue(wait_for(lambda: probe("window")["topmost"] == "0"))
        self.exit_zeb(p)

    def test_hot_key_hides_and_shows_keeping_the_tray_icon(self):
        p = self.start()
        self.wait_page("</html>")
        self.assertEqual(probe("hotkey-taken", 1, 0x48)["taken"], "1")  # Alt+H is Zeb's
        probe("send", WM_HOTKEY, 1001, 0)
        self.assertEqual(probe("window")["visible"], "0")
        self.assertEqual(probe("tray")["tray"], "1")
        probe("send", WM_HOTKEY, 1001, 0)
        self.assertEqual(probe("window")["visible"], "1")
        probe("send", WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK)
        self.assertEqual(probe("tray")["tray"], "1")
        self.exit_zeb(p)
        self.assertEqual(probe("hotkey-taken", 1, 0x48)["taken"], "0")

    def test_hide_at_start_keeps_the_window_hidden_until_asked(self):
        # A quick reply lays the window out before the modal run shows it, a
        # slow one after: either way both showings stay hidden.
        for mode in ("normal", "slow&seconds=2"):
            with self.subTest(mode=mode):
                self.service.get("/_mode?m=" + mode)
                self.write_ini(su=su_block(options=0x0A | 0x10))
                p = self.start(wait_visible=False)
                self.wait_page("</html>")
                time.sleep(1.5)
                self.assertEqual(probe("window")["visible"], "0")
                probe("send", WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK)
                self.assertEqual(probe("window")["visible"], "1")
                time.sleep(1.0)
                self.assertEqual(probe("window")["visible"], "1")
                self.exit_zeb(p)
                for page in self.page_files():
                    os.remove(page)

    def test_saved_position_is_restored_coordinate_by_coordinate(self):
        self.write_ini(wstat=wstat_block(0, 120, 90, 305, 217))
        p = self.start()
        self.assertEqual(rect(probe("window")["rect"])[:2], (120, 90))
        self.exit_zeb(p)

        self.write_ini(wstat=wstat_block(0, 0, 4000, 185, 4127))  # left 0 and a top beyond the screen
        p = self.start()
        left, top, _, _ = rect(probe("window")["rect"])
        self.assertNotEqual(left, 0)
        self.assertLess(top, 768)
        self.exit_zeb(p)


class TitleStrip(ZebTestCase):
    def test_strip_areas_refresh_hide_drag_and_close(self):
        p = self.start()
        self.wait_page("</html>")
        w = wait_for(lambda: (lambda w: rect(w["client"]) == (0, 0, 185, 127) and w)(probe("window")))
        self.assertTrue(w)
        time.sleep(5.5)  # past the 5-second rule
        probe("click", 175, 7)  # the refresh arrows
        self.assertTrue(wait_for(lambda: len(self.service.requests()) == 2, timeout=5))

        left, top, _, _ = rect(w["rect"])
        x_drag(left + 100, top + 7, -60, 40)  # anywhere else in the strip drags the window
        self.assertTrue(wait_for(lambda: rect(probe("window")["rect"])[:2] == (left - 60, top + 40), timeout=5),
                        probe("window"))

        probe("click", 25, 7)  # the minus: hide
        self.assertTrue(wait_for(lambda: probe("window")["visible"] == "0"))
        self.assertEqual(probe("tray")["tray"], "1")
        probe("send", WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK)
        self.assertTrue(wait_for(lambda: probe("window")["visible"] == "1"))

        probe("click", 8, 7)  # the cross: close, saving the moved rectangle
        self.assertEqual(p.wait(timeout=20), 0)
        self.assertEqual(self.ini_values()[("WinStat", "wstat")][8:24],
                         wstat_block(0, left - 60, top + 40, 0, 0)[8:24])


class Refresh(ZebTestCase):
    def test_requested_refresh_follows_the_five_second_rule(self):
        p = self.start()
        self.wait_page("</html>")
        probe("post-command", ID_REFRESH)
        time.sleep(2.5)
        self.assertEqual(len(self.service.requests()), 1, "a refresh within 5 seconds is dropped")
        time.sleep(4.0)
        probe("post-command", ID_REFRESH)
        self.assertTrue(wait_for(lambda: len(self.service.requests()) == 2, timeout=5))
        self.exit_zeb(p)

    def test_empty_list_shows_the_notice_in_a_two_by_three_window(self):
        self.write_ini(ss=ss_block(","))
        p = self.start()
        page = self.wait_page("股票代码列表中无数据")
        self.assertTrue(page)
        self.assertEqual(self.service.requests(), [])
        # 2 rows of 18 pixels, 3 columns of 55, header and time lines.
        self.assertTrue(wait_for(lambda: rect(probe("window")["client"]) == (0, 0, 185, 109)), probe("window"))
        self.exit_zeb(p)

    def test_compressed_and_broken_replies(self):
        self.service.get("/_mode?m=gzip")
        p = self.start()
        self.assertEqual(self.wait_page("</html>").count('<tr align="right" class='), 3)
        self.exit_zeb(p)

        self.service.get("/_mode?m=garbage")
        p = self.start()
        page = self.wait_page("</html>")
        self.assertEqual(page.count('<tr align="right" class='), 0)
        self.exit_zeb(p)

        probe("reg-set", "QuoteHost", "127.0.0.1:1")  # nothing listens there
        p = self.start()
        self.assertTrue(self.wait_page("获得数据出错 请检查网络连接"))
        self.exit_zeb(p)

    def test_exit_during_a_slow_reply_still_saves(self):
        self.service.get("/_mode?m=slow&seconds=8")
        p = self.start()
        time.sleep(2.0)
        self.exit_zeb(p)
        self.assertIn(("WinStat", "wstat"), self.ini_values())
        self.assertNotEqual(self.ini_values()[("WinStat", "wstat")], "0" * 42)


def main():
    global BUILD, PROBE
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    args, rest = parser.parse_known_args()
    BUILD = os.path.abspath(args.build)
    PROBE = os.path.join(BUILD, "zebprobe.exe")
    if "WINEPREFIX" not in os.environ or "DISPLAY" not in os.environ:
        sys.exit("run_e2e.py needs WINEPREFIX and DISPLAY (scripts/test.sh sets them)")
    # Further suites live beside this file as e2e_<area>.py and build on its
    # helpers through "from run_e2e import ...".
    sys.modules.setdefault("run_e2e", sys.modules[__name__])
    sys.path.insert(0, HERE)
    for extra in sorted(glob.glob(os.path.join(HERE, "e2e_*.py"))):
        module = __import__(os.path.splitext(os.path.basename(extra))[0])
        for name in dir(module):
            value = getattr(module, name)
            if isinstance(value, type) and issubclass(value, unittest.TestCase) and value.__module__ == module.__name__:
                globals()[name] = value
    try:
        program = unittest.main(module=__name__, argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    finally:
        if ZebTestCase.service:
            ZebTestCase.service.stop()
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
