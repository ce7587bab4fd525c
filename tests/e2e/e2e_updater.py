"""End-to-end tests of the swap that nothing can leave without a program:
ZebUpdater stopped at any moment leaves a whole Zeb.exe, a new build that
does not start is replaced by the old one, which tells the user; and stray
messages from other programs that carry the numbers of Zeb's own."""
import os
import shutil
import signal
import subprocess
import time

import e2elib
from appnames import ID_EXIT, ID_REFRESH
import e2e_update_swap
from e2e_vendor import VendorTestCase, windows_path
from e2elib import ZebTestCase, probe, wait_for

WM_USER, WM_APP = 0x0400, 0x8000


class SwapInterrupted(VendorTestCase):
    old_and_new_builds = e2e_update_swap.UpdateSwap.old_and_new_builds
    zeb_processes = e2e_update_swap.UpdateSwap.zeb_processes
    assert_old_build_back_and_told = e2e_update_swap.UpdateSwap.assert_old_build_back_and_told

    def start_updater(self):
        shutil.copy(os.path.join(e2elib.BUILD, "ZebUpdater.exe"), self.folder)
        updater = subprocess.Popen(["wine", "ZebUpdater.exe", windows_path(self.exe), r".\Zeb.new.exe"],
                                   cwd=self.folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(updater)
        return updater

    def end_started_zeb(self):
        if probe("window").get("found") == "1":
            probe("post-command", ID_EXIT)
        self.assertTrue(wait_for(lambda: self.zeb_processes() == 0, timeout=20))

    def test_updater_stopped_at_any_moment_leaves_a_whole_program(self):
        # The old build is made large (a tail the loader ignores), so that
        # copying it takes long enough to be stopped in the middle.
        program, _ = self.old_and_new_builds()
        old = program + b"\0" * (48 << 20)
        new = program + b"\0new build"
        seen = set()
        for moment in [0.3 * i for i in range(10)]:
            with open(self.exe, "wb") as f:
                f.write(old)
            with open(os.path.join(self.folder, "Zeb.new.exe"), "wb") as f:
                f.write(new)
            updater = self.start_updater()
            time.sleep(moment)
            updater.send_signal(signal.SIGKILL)
            updater.wait()
            with open(self.exe, "rb") as f:
                now = f.read()
            self.assertIn(now, (old, new), "Zeb.exe is not a whole build after a stop at %.1f s" % moment)
            seen.add("new" if now == new else "old")
            self.end_started_zeb()
            for leftover in ("Zeb.exe.old", "Zeb.new.exe", "ZebUpdater.failed"):
                if os.path.exists(os.path.join(self.folder, leftover)):
                    os.remove(os.path.join(self.folder, leftover))
        self.assertEqual(seen, {"old", "new"}, "the stops did not span the swap")

    def test_new_build_that_ends_at_once_is_replaced_by_the_old_one_which_tells_the_user(self):
        old, _ = self.old_and_new_builds()
        # A Windows program that ends at once, started without arguments:
        # ZebUpdater itself.
        shutil.copy(os.path.join(e2elib.BUILD, "ZebUpdater.exe"), os.path.join(self.folder, "Zeb.new.exe"))
        started = time.time()
        status = self.start_updater().wait(timeout=90)
        self.assertLess(time.time() - started, 20, "the updater waited out its limit for a program that ended")
        self.assert_old_build_back_and_told(status, old)
        self.assertNotIn("ZebUpdater.failed", self.files(), "the failure is told once")
        self.end_started_zeb()


class StrayMessages(ZebTestCase):
    def test_messages_with_the_numbers_of_the_programs_own_and_junk_values_are_ignored(self):
        p = self.start()
        self.assertTrue(wait_for(lambda: len(self.service.requests()) >= 1))
        for message in (WM_APP + 1, WM_APP + 2, WM_USER + 1, WM_USER + 2):
            for junk in (1, 0x7FF00010, 0xFFFFFFFF):
                probe("send", message, junk, junk)
        self.assertIsNone(p.poll(), "Zeb ended")
        self.assertEqual(probe("window")["found"], "1")
        # The window still carries the worker's calls: a refresh shows a page.
        before = len(self.service.requests())
        time.sleep(5)  # past the 5 s between requested refreshes
        probe("post-command", ID_REFRESH)
        self.assertTrue(wait_for(lambda: len(self.service.requests()) > before))
        self.assertTrue(self.wait_page("</html>"))
        self.exit_zeb(p)
