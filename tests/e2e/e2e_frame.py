"""End-to-end tests of the mini-window's life around the system: another
locale's folder names and fonts, the screen it comes back to, the end of the
session, and Explorer starting anew."""
import glob
import os
import shutil
import subprocess
import time

from appnames import SHOW_HOTKEY_ID, WM_HOTKEY
from e2e_dpi import bands
from e2elib import ZebTestCase, color_counts, probe, rect, su_block, wait_for, wstat_block

WM_QUERYENDSESSION, WM_ENDSESSION = 0x0011, 0x0016
INETCACHE = r"C:\users\%s\AppData\Local\Microsoft\Windows\INetCache"


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


class SystemAround(ZebTestCase):
    def user(self):
        homes = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "AppData", "Local"))
        homes = [h for h in homes if "/Public/" not in h]
        return homes[0].split(os.sep)[-3], homes[0]

    def test_a_cache_folder_outside_the_code_page_of_the_texts_still_shows_the_table(self):
        # Code page 1252 writes "é" as a byte that starts a character in 936.
        name, local = self.user()
        folder = os.path.join(local, "Caché")
        os.makedirs(folder, exist_ok=True)
        self.assertEqual(probe("set-cache", r"C:\users\%s\AppData\Local\Cach\u00e9" % name), {})
        try:
            env = dict(os.environ, LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8")
            p = subprocess.Popen(["wine", self.exe], cwd="/", env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
            self.processes.append(p)
            page = os.path.join(folder, "zebtmp.htm")
            self.assertTrue(wait_for(lambda: b"</table>" in read_bytes(page)))
            self.assertTrue(wait_for(lambda: rect(probe("window")["client"]) == (0, 0, 185, 127), timeout=10))
            time.sleep(1.0)
            colors = color_counts(self.screenshot("widget_cp1252.png"))
            self.assertGreater(colors.get("#0000FF", 0), 50, colors)  # the name links
            self.assertGreater(colors.get("#009900", 0), 20, colors)  # a rising row
            self.exit_zeb(p)
        finally:
            probe("set-cache", INETCACHE % name)
            shutil.rmtree(folder, ignore_errors=True)

    def test_a_western_locale_with_a_chinese_only_fallback_font_draws_every_glyph(self):
        # fonts-droid-fallback has no Latin glyphs, and the system may map the
        # page's face to it.
        self.assertTrue(glob.glob("/usr/share/fonts/truetype/droid/DroidSansFallback*.ttf"))
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        p = subprocess.Popen(["wine", self.exe], cwd="/", env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        self.processes.append(p)
        self.assertTrue(self.wait_page("</table></body></html>"))
        self.assertTrue(wait_for(lambda: rect(probe("window")["client"]) == (0, 0, 185, 127), timeout=10))
        time.sleep(1.0)
        image = self.screenshot("widget-droid-fallback.png")
        self.assertGreater(color_counts(image).get("#009900", 0), 20)  # the rising rows' figures
        names = bands(image, "#0000FF")  # each name and its underline on one line
        self.assertEqual(len(names), 3, names)
        for top, bottom, left, right in names:
            self.assertLess(bottom - top, 20, names)
            self.assertGreater(right - left, 2 * 12, names)
        self.exit_zeb(p)

    def test_a_window_saved_off_the_screen_comes_wholly_onto_it_and_one_half_on_stays(self):
        # Started hidden, so that the window manager (which pulls a window
        # it shows onto the screen) leaves the program's own placing alone.
        hidden = su_block(options=0x0A | 0x10)
        self.write_ini(su=hidden, wstat=wstat_block(0, 3000, 100, 3185, 227))  # a monitor right of this one
        p = self.start(wait_visible=False)
        self.wait_page("</html>")
        self.assertTrue(wait_for(lambda: rect(probe("window")["client"]) == (0, 0, 185, 127), timeout=10))
        w = probe("window")
        self.assertEqual(w["visible"], "0")
        left, top, right, bottom = rect(w["rect"])
        self.assertTrue(0 <= left and right <= 1024 and 0 <= top and bottom <= 768, w["rect"])
        self.exit_zeb(p)

        self.write_ini(su=hidden, wstat=wstat_block(0, 932, 100, 1117, 227))  # half over the right edge
        p = self.start(wait_visible=False)
        self.wait_page("</html>")
        self.assertTrue(wait_for(lambda: rect(probe("window")["client"]) == (0, 0, 185, 127), timeout=10))
        self.assertEqual(rect(probe("window")["rect"]), (932, 100, 1117, 227))
        self.exit_zeb(p)

    def test_the_end_of_the_session_saves_the_moved_window(self):
        p = self.start()
        self.wait_page("</html>")
        self.assertEqual(probe("place", 222, 111), {})
        self.assertTrue(wait_for(lambda: rect(probe("window")["rect"])[:2] == (222, 111)))
        left, top, right, bottom = rect(probe("window")["rect"])
        self.assertEqual(probe("send", WM_QUERYENDSESSION, 0, 0)["result"], "1")
        probe("send", WM_ENDSESSION, 1, 0)
        # The system ends the process now, without destroying the window.
        self.assertEqual(self.ini_values()[("WinStat", "wstat")], wstat_block(0, left, top, right, bottom))
        p.kill()

    def test_a_new_taskbar_gets_the_tray_icon_back_unless_the_hot_key_hid_it(self):
        self.write_ini(su=su_block(options=0x0A | 0x04))  # the hot key also hides the tray icon
        p = self.start()
        self.wait_page("</html>")
        self.assertEqual(probe("tray")["tray"], "1")
        probe("tray-delete")  # Explorer restarting loses every icon
        self.assertEqual(probe("tray")["tray"], "0")
        probe("broadcast-taskbar-created")
        self.assertTrue(wait_for(lambda: probe("tray")["tray"] == "1", timeout=10))

        probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)
        self.assertEqual(probe("tray")["tray"], "0")
        probe("broadcast-taskbar-created")
        time.sleep(1.0)
        self.assertEqual(probe("tray")["tray"], "0")
        probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)
        self.assertEqual(probe("tray")["tray"], "1")
        self.exit_zeb(p)
