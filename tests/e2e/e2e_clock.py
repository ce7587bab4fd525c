"""Timed refreshes follow Hong Kong's trading hours, whatever the computer's
own time zone says. Zeb runs at a fixed time of day (libfaketime, under which
the program and the wineserver both start anew) with a TZ whose local hours
disagree with Hong Kong's."""
import calendar
import os
import subprocess
import time

from appnames import ID_REFRESH
from e2elib import ZebTestCase, probe, ss_block, wait_for

FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"


def restart_wineserver(env=None):
    subprocess.run(["wineserver", "-k"], env=env, check=False)
    subprocess.run(["wineserver", "-w"], env=env, check=False)


class HongKongClock(ZebTestCase):
    def start_at(self, utc, tz):
        """Starts Zeb with the clock at utc ("YYYY-MM-DD HH:MM:SS") and TZ set."""
        offset = calendar.timegm(time.strptime(utc, "%Y-%m-%d %H:%M:%S")) - int(time.time())
        env = dict(os.environ, LD_PRELOAD=FAKETIME, FAKETIME="%+ds" % offset, DONT_FAKE_MONOTONIC="1", TZ=tz)
        restart_wineserver()
        self.addCleanup(restart_wineserver)  # later tests get the real time back
        # Wine takes the time of day in the wineserver as well as in each
        # program: the wineserver starts under the faked clock first.
        subprocess.run(["wineserver", "-p"], env=env, check=False)
        p = subprocess.Popen(["wine", self.exe], cwd="/", env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        self.processes.append(p)
        self.assertTrue(wait_for(lambda: probe("window").get("visible") == "1"), "window not shown")
        self.assertTrue(self.wait_page("</table></body></html>"))
        return p

    def requests_over(self, seconds):
        time.sleep(seconds)
        return len(self.service.requests())

    def test_timed_refreshes_follow_hong_kong_not_the_local_clock(self):
        if not os.path.exists(FAKETIME):
            self.skipTest("libfaketime is not installed")
        self.write_ini(ss=ss_block(refresh=10))

        # Wednesday 10:30 in Hong Kong, 02:30 in London: the market trades.
        p = self.start_at("2026-12-09 02:30:00", "Europe/London")
        self.assertEqual(len(self.service.requests()), 1)
        self.assertGreaterEqual(self.requests_over(23), 2, "no timed refresh while Hong Kong trades")
        self.exit_zeb(p)

        # Wednesday 12:20 in Hong Kong, 09:50 in Kolkata: the midday break.
        # No timed refresh; one asked for comes at once.
        self.service.get("/_reset")
        p = self.start_at("2026-12-09 04:20:00", "Asia/Kolkata")
        self.assertEqual(self.requests_over(23), 1, "a timed refresh during the midday break")
        probe("post-command", ID_REFRESH)
        self.assertTrue(wait_for(lambda: len(self.service.requests()) == 2, timeout=5))
        self.exit_zeb(p)
