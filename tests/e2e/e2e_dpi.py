"""End to end on screens of 150 % and 200 %: "LogPixels" 144 and 192 in fresh
prefixes of their own, against the run's own prefix at 96 DPI."""
import contextlib
import os
import shutil
import subprocess
import tempfile
import time

from appnames import ID_SETTINGS, SHOW_HOTKEY_ID, WM_HOTKEY
from e2elib import ARTIFACTS, ZebTestCase, color_counts, point_at_fakes, probe, rect, wait_for, wstat_block

# The default page's colours: background, name links, rise, fall, the line
# under the header, header and time.
PAGE_COLORS = {"#FFFFE6", "#0000FF", "#009900", "#FF0000", "#0000CC", "#000000"}


def pixels(image):
    """{(x, y): "#RRGGBB"} of an image."""
    out = subprocess.run(["convert", image, "txt:-"], capture_output=True, text=True).stdout
    result = {}
    for line in out.splitlines()[1:]:
        where, _, rest = line.partition(":")
        x, y = (int(v) for v in where.split(","))
        result[(x, y)] = next(w for w in rest.split() if w.startswith("#"))[:7].upper()
    return result


def bands(image, color):
    """The runs of rows holding pixels of color, each as (top, bottom, left, right)."""
    rows = {}
    for (x, y), c in pixels(image).items():
        if c == color:
            low, high = rows.get(y, (x, x))
            rows[y] = (min(low, x), max(high, x))
    result = []
    for y in sorted(rows):
        if result and y <= result[-1][1] + 2:
            top, _, left, right = result[-1]
            result[-1] = (top, y, min(left, rows[y][0]), max(right, rows[y][1]))
        else:
            result.append((y, y, rows[y][0], rows[y][1]))
    return result


class ScaledScreens(ZebTestCase):
    prefixes = {}  # DPI -> a prefix made for it, once per run

    @classmethod
    def tearDownClass(cls):
        for prefix in cls.prefixes.values():
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=prefix),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            shutil.rmtree(prefix, ignore_errors=True)
        cls.prefixes.clear()
        super().tearDownClass()

    def prefix(self, dpi):
        if dpi not in self.prefixes:
            prefix = tempfile.mkdtemp(prefix="zeb-dpi%d-" % dpi)
            env = dict(os.environ, WINEPREFIX=prefix)
            quiet = dict(env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineboot", "-i"], **quiet)
            # Read when the prefix's wineserver starts: set, then stop it.
            subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
                            "REG_DWORD", "/d", str(dpi), "/f"], **quiet)
            subprocess.run(["wineserver", "-w"], **quiet)
            self.prefixes[dpi] = prefix
        return self.prefixes[dpi]

    @contextlib.contextmanager
    def screen(self, dpi):
        """Runs the block with Zeb on a screen of dpi (96: the run's own prefix)."""
        saved = os.environ["WINEPREFIX"]
        if dpi != 96:
            os.environ["WINEPREFIX"] = self.prefix(dpi)
            point_at_fakes(self.service.port)
            probe("cursor", 1010, 760)
        for page in self.page_files():
            os.remove(page)
        try:
            yield
        finally:
            for p in self.processes:
                if p.poll() is None:
                    p.kill()
                    p.wait()
            wait_for(lambda: probe("window").get("found") == "0", timeout=10)
            os.environ["WINEPREFIX"] = saved

    def open_widget(self, scale):
        """Starts Zeb and waits for the table laid out at scale (the default one of 3 rows)."""
        p = self.start()
        self.assertTrue(self.wait_page("</table></body></html>"))
        size = (185 * scale, 127 * scale)
        w = wait_for(lambda: (lambda w: all(abs(a - b) <= 2 for a, b in zip(rect(w["client"])[2:], size)) and w)(
            probe("window")), timeout=10)
        self.assertTrue(w, probe("window"))
        time.sleep(1.0)
        return p, w

    def shoot(self, name, box):
        left, top, right, bottom = box
        path = os.path.join(ARTIFACTS, name)
        os.makedirs(ARTIFACTS, exist_ok=True)
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                        "+repage", path], check=False, capture_output=True)
        return path

    def widget(self, dpi, scale):
        """The default widget on a screen of dpi: its window, strip height and table row pitch."""
        if os.path.exists(self.ini):
            os.remove(self.ini)
        with self.screen(dpi):
            p, w = self.open_widget(scale)
            image = self.screenshot("widget-%ddpi.png" % dpi)
            rising = bands(image, "#009900")  # the first and the third row rise
            self.exit_zeb(p)
        self.assertEqual(len(rising), 2, rising)
        return {"client": rect(w["client"]), "strip": rect(w["child1034"])[3], "page": rect(w["child1036"]),
                "pitch": (rising[1][0] - rising[0][0]) / 2}

    def test_the_widget_its_strip_and_its_rows_grow_with_the_screen(self):
        base = self.widget(96, 1)
        self.assertEqual(base["client"], (0, 0, 185, 127))
        for dpi, scale in ((144, 1.5), (192, 2)):
            with self.subTest(dpi=dpi):
                m = self.widget(dpi, scale)
                self.assertLessEqual(abs(m["client"][2] - 185 * scale), 2, m)
                self.assertLessEqual(abs(m["client"][3] - 127 * scale), 2, m)
                self.assertLessEqual(abs(m["strip"] - 15 * scale), 1, m)
                self.assertEqual(m["page"][1], m["strip"], m)  # the page right under the strip
                self.assertLessEqual(abs(m["pitch"] - base["pitch"] * scale), 2, (m, base))

    def test_a_transparent_page_holds_only_its_own_colours_at_150_percent(self):
        self.write_ini(wstat=wstat_block(1, 0, 0, 0, 0))
        with self.screen(144):
            p, w = self.open_widget(1.5)
            self.assertEqual(w["layered"], "1")
            left, top = rect(w["rect"])[:2]
            page = rect(w["child1036"])
            box = (left + page[0], top + page[1], left + page[2], top + page[3])
            shown = color_counts(self.shoot("widget-transparent-144dpi.png", box))
            probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)  # hide it: what lies behind the window
            self.assertTrue(wait_for(lambda: probe("window")["visible"] == "0"))
            time.sleep(0.5)
            behind = set(color_counts(self.shoot("behind-144dpi.png", box)))
            self.exit_zeb(p)
        self.assertGreater(shown.get("#009900", 0), 20, shown)
        self.assertEqual(set(shown) - PAGE_COLORS - behind, set(), shown)

    def test_the_settings_tabs_are_whole_and_shot_at_150_and_200_percent(self):
        for dpi, scale in ((144, 1.5), (192, 2)):
            with self.subTest(dpi=dpi), self.screen(dpi):
                p, _ = self.open_widget(scale)
                probe("post-command", ID_SETTINGS)
                self.assertTrue(wait_for(lambda: probe("dlg").get("found") == "1"))
                tabs = probe("tab-rects")
                for n in range(4):
                    left, top, right, bottom = rect(tabs["tab%d" % n])
                    self.assertGreaterEqual(bottom - top, int(tabs["textheight"]), tabs)
                    self.assertGreaterEqual(int(tabs["page0.top"]), bottom - 1, tabs)
                box = rect(probe("dlg")["rect"])
                for n, name in enumerate(("stocklist", "display", "connection", "codes")):
                    probe("tab", n)
                    self.assertTrue(wait_for(lambda: probe("dlg")["page%d.visible" % n] == "1"))
                    time.sleep(0.3)
                    self.shoot("settings-%s-%ddpi.png" % (name, dpi), box)
                probe("press", "d", 2)
                self.assertTrue(wait_for(lambda: probe("dlg")["found"] == "0"))
                self.exit_zeb(p)

    def test_a_move_to_a_monitor_of_another_scale_lays_the_widget_out_again(self):
        # The message a move to a 150 % monitor brings; Wine itself keeps
        # one DPI for every window.
        p, w = self.open_widget(1)
        left, top = rect(w["rect"])[:2]
        self.assertEqual(probe("dpi-changed", 144), {})
        w = probe("window")
        self.assertEqual(rect(w["rect"])[:2], (left, top))
        self.assertEqual(rect(w["client"]), (0, 0, 279, 191))
        self.assertEqual(rect(w["child1034"]), (0, 0, 75, 23))  # the strip's 150 % bitmap
        self.assertEqual(rect(w["child1046"]), (249, 0, 279, 23))
        self.assertEqual(rect(w["child1036"]), (0, 23, 279, 168))
        self.assertEqual(rect(w["child1030"]), (8, 168, 279, 191))
        self.screenshot("widget-moved-to-144dpi.png")

        # The next re-layout (here after accepted settings) sizes at the new scale.
        probe("post-command", ID_SETTINGS)
        self.assertTrue(wait_for(lambda: probe("dlg").get("found") == "1"))
        probe("press", "d", 1)
        self.assertTrue(wait_for(lambda: probe("dlg")["found"] == "0"))
        self.assertTrue(wait_for(lambda: len(self.service.requests()) == 2))  # the refresh they ask for
        time.sleep(1.0)
        self.assertEqual(rect(probe("window")["client"]), (0, 0, 279, 191))
        self.exit_zeb(p)
