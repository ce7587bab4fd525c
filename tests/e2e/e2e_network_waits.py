"""End-to-end tests of leaving a network wait: an update check against a
vendor site that trickles its reply stops at the progress window's Cancel,
and "退出" ends the program while it runs."""
import os
import sys
import time

from appnames import ID_AUTO_UPGRADE, ID_EXIT
from e2e_vendor import IDCANCEL, VendorTestCase
from e2elib import probe, wait_for

PROGRESS = "Zeb 升级"
TRICKLE_SECONDS = 120  # far longer than any wait below
LEAVE_SECONDS = 5


class NetworkWaits(VendorTestCase):
    def start_check(self, checks):
        probe("post-command", ID_AUTO_UPGRADE)
        self.assertTrue(wait_for(lambda: len(self.site.requests("/zeb/zebUpdate.php")) == checks and
                                 probe("dialog", PROGRESS)["found"] == "1"), "no update check under way")
        time.sleep(1)  # a few bytes of the reply have come

    def test_cancel_and_exit_leave_a_trickling_update_check(self):
        self.site.get("/_slow?seconds=%d" % TRICKLE_SECONDS)
        self.write_ini()
        p = self.start()
        self.wait_page("</html>")

        self.start_check(1)
        started = time.time()
        probe("dialog-press", PROGRESS, IDCANCEL)
        self.assertTrue(wait_for(lambda: probe("dialog", PROGRESS)["found"] == "0", timeout=LEAVE_SECONDS),
                        "Cancel does not stop the check")
        cancelled = time.time() - started
        time.sleep(1)
        self.assertEqual(probe("dialog", "提示")["found"], "0", "a cancel is no failure")

        self.start_check(2)
        started = time.time()
        probe("post-command", ID_EXIT)
        self.assertEqual(p.wait(timeout=LEAVE_SECONDS), 0)
        print("\ncheck: Cancel to window closed %.1f s, 退出 to process end %.1f s"
              % (cancelled, time.time() - started), file=sys.stderr)
        self.assertIn(("WinStat", "wstat"), self.ini_values(), "the window's record is saved at the close")
        self.assertEqual(sorted(os.listdir(self.folder)), ["Zeb.exe", "zeb.ini"])
