"""End-to-end tests of an update that cannot strand the user and a download
the user can see and stop: "自动升级" refused while a dialog is open,
ZebUpdater waiting for the old Zeb and putting it back when the new one
cannot take its place, and the download on a worker thread with its
progress window and Cancel."""
import importlib.util
import os
import shutil
import subprocess
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import e2elib
from appnames import (APP_KEY, ID_ABOUT, ID_AUTO_UPGRADE, ID_EXIT, ID_SETTINGS, SHOW_HOTKEY_ID, UPDATE_DEMAND,
                      WM_HOTKEY, WM_LBUTTONDBLCLK, WM_TRAYNOTIFY)
from e2e_vendor import FAILURE, IDCANCEL, IDOK, VendorTestCase, texts, windows_path
from e2elib import probe, wait_for

DISPLAY_PAGE = 1
PROGRESS = "Zeb 升级"
DEV_KEY = os.path.join(e2elib.ROOT, "tests", "keys", "update-dev.pem")


def signing():
    spec = importlib.util.spec_from_file_location("sign_update", os.path.join(e2elib.ROOT, "scripts",
                                                                              "sign-update.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


class Trickle:
    """Serves one file slowly: its length first, then its bytes spread over
    the given seconds. Stops feeding once the client has gone."""

    def __init__(self, data, seconds):
        trickle = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                trickle.requests += 1
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(len(data)))
                self.send_header("Cache-Control", "no-cache, no-store")
                self.end_headers()
                steps = 40
                chunk = (len(data) + steps - 1) // steps
                try:
                    for i in range(0, len(data), chunk):
                        self.wfile.write(data[i:i + chunk])
                        self.wfile.flush()
                        time.sleep(seconds / steps)
                except OSError:
                    trickle.dropped = True

        self.requests = 0
        self.dropped = False
        self.server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.server.handle_error = lambda *args: None  # a client that went away
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def address(self):
        return "http://127.0.0.1:%d/zeb/Zeb.exe" % self.server.server_address[1]

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


class UpdateSwap(VendorTestCase):
    def old_and_new_builds(self):
        with open(self.exe, "rb") as f:
            old = f.read()
        return old, old + b"\0new build"

    def run_updater(self, wait=True):
        """ZebUpdater as Zeb starts it, in the program's folder."""
        shutil.copy(os.path.join(e2elib.BUILD, "ZebUpdater.exe"), self.folder)
        out = tempfile.TemporaryFile()
        self.addCleanup(out.close)
        updater = subprocess.Popen(["wine", "ZebUpdater.exe", windows_path(self.exe), r".\Zeb.new.exe"],
                                   cwd=self.folder, stdout=out, stderr=subprocess.DEVNULL)
        self.processes.append(updater)
        return updater.wait(timeout=90) if wait else updater

    def assert_old_build_back_and_told(self, status, old):
        """ZebUpdater failed, the old build is in place, started, and says so."""
        self.assertNotEqual(status, 0)
        with open(self.exe, "rb") as f:
            self.assertEqual(f.read(), old)
        self.assertTrue(wait_for(lambda: probe("window")["found"] == "1", timeout=30), "the old Zeb was not started")
        box = self.wait_box()
        self.assertTrue(box, "no failure message")
        self.assertIn(FAILURE % self.site.port, texts(box))
        self.press(IDOK)

    def zeb_processes(self):
        return int(probe("processes", "Zeb.exe")["count"])

    def test_update_is_refused_while_the_about_box_is_open(self):
        self.site.get("/_offer?path=" + urllib.parse.quote(self.exe))
        p = self.start()
        probe("post-command", ID_ABOUT)
        self.assertTrue(self.wait_box("关于"))
        probe("send", WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK)  # the widget in front
        self.assertEqual(probe("dialog", "关于")["foreground"], "0")
        probe("post-command", ID_AUTO_UPGRADE)
        self.assertTrue(wait_for(lambda: probe("dialog", "关于")["foreground"] == "1", timeout=5))
        time.sleep(1.5)
        self.assertEqual(self.site.requests("/zeb/zebUpdate.php"), [])
        self.assertEqual(self.site.requests("/zeb/Zeb.exe"), [])
        self.assertEqual(probe("dialog", PROGRESS)["found"], "0")
        self.assertEqual(self.files(), ["Zeb.exe", "zeb.ini"])
        self.press(IDOK, "关于")
        self.exit_zeb(p)

    def test_updater_waits_for_the_old_zeb_to_end_then_swaps_and_starts_one_new_zeb(self):
        old, new = self.old_and_new_builds()
        with open(os.path.join(self.folder, "Zeb.new.exe"), "wb") as f:
            f.write(new)
        p = self.start()
        probe("post-command", ID_ABOUT)
        self.assertTrue(self.wait_box("关于"))
        updater = self.run_updater(wait=False)
        time.sleep(6)  # longer than the old fixed waits
        self.assertIsNone(updater.poll())
        self.assertEqual(sorted(self.files()), ["Zeb.exe", "Zeb.new.exe", "ZebUpdater.exe", "zeb.ini"])
        with open(self.exe, "rb") as f:
            self.assertEqual(f.read(), old, "nothing is renamed while the old Zeb runs")

        self.press(IDOK, "关于")
        self.exit_zeb(p)
        self.assertEqual(updater.wait(timeout=30), 0)
        self.assertTrue(wait_for(lambda: probe("window")["found"] == "1", timeout=30), "the new build did not start")
        with open(self.exe, "rb") as f:
            self.assertEqual(f.read(), new)
        time.sleep(2)  # a second Zeb would have handed over and ended by now
        self.assertEqual(self.zeb_processes(), 1)
        self.assertTrue(wait_for(lambda: self.files() == ["Zeb.exe", "zeb.ini"], timeout=10), self.files())
        probe("post-command", ID_EXIT)
        self.assertTrue(wait_for(lambda: self.zeb_processes() == 0))

    def test_new_build_held_open_brings_the_old_one_back_and_it_tells_the_user_once(self):
        old, new = self.old_and_new_builds()
        fresh = os.path.join(self.folder, "Zeb.new.exe")
        with open(fresh, "wb") as f:
            f.write(new)
        with tempfile.TemporaryFile(mode="w+") as out:
            holder = subprocess.Popen(["wine", os.path.join(e2elib.BUILD, "zebprobe.exe"), "hold",
                                       windows_path(fresh), "40"], stdout=out, stderr=subprocess.DEVNULL)
            self.processes.append(holder)
            self.assertTrue(wait_for(lambda: out.seek(0) == 0 and "held=1" in out.read()))
            self.assert_old_build_back_and_told(self.run_updater(), old)
            holder.kill()
        self.assertEqual(self.zeb_processes(), 1)
        probe("post-command", ID_EXIT)
        self.assertTrue(wait_for(lambda: self.zeb_processes() == 0))

        p = self.start()
        self.assertTrue(wait_for(self.site.pings, timeout=20))
        time.sleep(2)
        self.assertEqual(probe("dialog", "提示")["found"], "0", "the failure is told once")
        self.exit_zeb(p)

    def offer_trickled(self, data, seconds):
        trickle = Trickle(data, seconds)
        self.addCleanup(trickle.stop)
        digest, sig = signing().sign_update(signing().load_key(DEV_KEY), data, "3")
        self.site.get("/_update?" + urllib.parse.urlencode(
            [("infoVer", "3"), ("dlurl", trickle.address()), ("sha256", digest), ("sig", sig)]))
        return trickle

    def test_slow_download_keeps_the_widget_answering_shows_its_progress_and_cancel_leaves_nothing(self):
        _, new = self.old_and_new_builds()
        trickle = self.offer_trickled(new, 20)
        p = self.start()
        self.wait_page("</html>")
        probe("post-command", ID_AUTO_UPGRADE)
        box = wait_for(lambda: (lambda b: b["found"] == "1" and "%" in b.get("text1070", "") and b)(
            probe("dialog", PROGRESS)), timeout=15)
        self.assertTrue(box, "no progress window with a share")
        self.assertIn("正在下载新版本", box["text1070"])
        started = time.time()
        # The widget answers: the hot key hides and shows it at once.
        probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)
        self.assertEqual(probe("window")["visible"], "0")
        probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)
        self.assertEqual(probe("window")["visible"], "1")
        self.assertLess(time.time() - started, 5)
        self.assertTrue(os.path.exists(os.path.join(self.folder, "Zeb.new.exe")))

        probe("dialog-press", PROGRESS, IDCANCEL)
        self.assertTrue(wait_for(lambda: probe("dialog", PROGRESS)["found"] == "0", timeout=10))
        self.assertEqual(self.files(), ["Zeb.exe", "zeb.ini"], "Cancel leaves nothing")
        time.sleep(1)
        self.assertEqual(probe("dialog", "提示")["found"], "0", "a cancel is no failure")
        self.assertEqual(trickle.requests, 1)

        # "退出" during the download stops it as Cancel does, and the program ends.
        probe("post-command", ID_AUTO_UPGRADE)
        self.assertTrue(wait_for(lambda: probe("dialog", PROGRESS)["found"] == "1" and trickle.requests == 2))
        self.exit_zeb(p)
        self.assertEqual(self.files(), ["Zeb.exe", "zeb.ini"])

    def test_a_download_past_the_size_limit_is_refused(self):
        # A program, signed: only its size stands in the way.
        old, _ = self.old_and_new_builds()
        trickle = self.offer_trickled(old + bytes(33 * 1024 * 1024 - len(old)), 2)
        p = self.start()
        self.wait_page("</html>")
        probe("post-command", ID_AUTO_UPGRADE)
        box = self.wait_box(timeout=40)
        self.assertTrue(box)
        self.assertIn(FAILURE % self.site.port, texts(box))
        self.assertEqual(self.files(), ["Zeb.exe", "zeb.ini"])
        self.press(IDOK)
        self.assertEqual(trickle.requests, 1)
        self.exit_zeb(p)

    def test_settings_and_the_start_up_prompt_open_together_lose_neither(self):
        probe("reg-set-dword", APP_KEY, UPDATE_DEMAND, 3)
        self.write_ini()
        _, new = self.old_and_new_builds()
        build = self.folder + "-new.exe"
        with open(build, "wb") as f:
            f.write(new)
        self.addCleanup(os.remove, build)
        self.site.get("/_offer?path=" + urllib.parse.quote(build))
        p = self.start()
        self.assertTrue(self.wait_box(), "no upgrade prompt")
        # "自动升级" while the prompt is up: the prompt is the way.
        probe("post-command", ID_AUTO_UPGRADE)
        time.sleep(1.5)
        self.assertEqual(self.site.requests("/zeb/zebUpdate.php"), [])
        self.assertEqual(probe("dialog", PROGRESS)["found"], "0")
        self.assertEqual(probe("dialog", "提示")["foreground"], "1")

        def open_settings():
            probe("post-command", ID_SETTINGS)
            self.assertTrue(wait_for(lambda: probe("dlg")["found"] == "1"), "no settings dialog")

        def close_settings(button):
            probe("press", "d", button)
            self.assertTrue(wait_for(lambda: probe("dlg")["found"] == "0"))

        # The settings' OK while the prompt is up is kept.
        open_settings()
        probe("tab", DISPLAY_PAGE)
        probe("press", DISPLAY_PAGE, 1051)  # a column less
        close_settings(IDOK)
        saved = self.ini_values()[("UserSet", "su")]
        self.assertNotEqual(saved, e2elib.su_block())

        # The prompt's OK while the settings dialog is open: the update waits
        # for the dialog before ZebUpdater starts and the program closes.
        open_settings()
        self.press(IDOK)
        self.assertTrue(wait_for(lambda: os.path.exists(os.path.join(self.folder, "ZebUpdater.exe"))))
        time.sleep(3)
        self.assertIsNone(p.poll())
        self.assertEqual(probe("processes", "ZebUpdater.exe")["count"], "0")
        close_settings(IDCANCEL)
        self.assertEqual(p.wait(timeout=20), 0)
        self.assertEqual(self.ini_values()[("UserSet", "su")], saved)
        self.assertTrue(wait_for(lambda: probe("window")["found"] == "1" and self.files() == ["Zeb.exe", "zeb.ini"],
                                 timeout=30), self.files())
        with open(self.exe, "rb") as f:
            self.assertEqual(f.read(), new)

    def test_menu_update_waits_for_the_about_box_before_handing_over(self):
        old, new = self.old_and_new_builds()
        self.offer_trickled(new, 4)
        p = self.start()
        self.wait_page("</html>")
        probe("post-command", ID_AUTO_UPGRADE)
        self.assertTrue(wait_for(lambda: probe("dialog", PROGRESS)["found"] == "1"))
        probe("post-command", ID_ABOUT)  # opened during the download
        self.assertTrue(self.wait_box("关于"))
        box = wait_for(lambda: (lambda b: "关闭" in b.get("text1070", "") and b)(probe("dialog", PROGRESS)),
                       timeout=20)
        self.assertTrue(box, "the progress window does not say what it waits for")
        time.sleep(2)
        self.assertIsNone(p.poll())
        self.assertEqual(probe("processes", "ZebUpdater.exe")["count"], "0")
        self.press(IDOK, "关于")
        self.assertEqual(p.wait(timeout=20), 0)
        self.assertTrue(wait_for(lambda: probe("window")["found"] == "1" and self.files() == ["Zeb.exe", "zeb.ini"],
                                 timeout=30), self.files())
        with open(self.exe, "rb") as f:
            self.assertEqual(f.read(), new)
