"""Price alerts on a trading morning (a fixed clock as in e2e_clock, quotes
dated that day): a rule that holds marks its row "★" and tells the user in a
balloon from the tray icon; a code with a rule that does not hold is marked
"☆". A watched code keeps the timed refreshes of a hidden window going
without showing it; with nothing watched a hidden window sends nothing."""
import os
import time

import e2e_clock
from appnames import SHOW_HOTKEY_ID, WM_HOTKEY
from e2elib import ZebTestCase, probe, ss_block, su_block, wait_for

WEDNESDAY_MORNING = "2026-12-09 02:30:00"  # 10:30 in Hong Kong
LIST = ",hk00700,hk00005"


class PriceAlerts(ZebTestCase):
    start_at = e2e_clock.HongKongClock.start_at

    def setUp(self):
        if not os.path.exists(e2e_clock.FAKETIME):
            self.skipTest("libfaketime is not installed")
        super().setUp()
        self.service.get("/_stamp?date=2026/12/09&time=10:29:58")

    def write_alerts(self, codes, options=0x0A, discreet=False):
        self.write_ini(ss=ss_block(stock_list=LIST, refresh=10), su=su_block(options=options))
        with open(self.ini, "a", newline="\r\n") as f:
            for entry, (key, value) in codes.items():
                f.write("[Code %s]\n%s=%s\n" % (entry, key, value))
            if discreet:
                f.write("[WinStat]\ndiscreet=1\n")

    def balloon(self, text):
        """The text of a balloon on the desktop that holds text. Explorer draws
        the tray's balloons as tooltip windows, whose text any process may ask
        for (their title it keeps to itself)."""
        def find():
            b = probe("balloons")
            return next((b["text%d" % i] for i in range(int(b.get("count", 0))) if text in b["text%d" % i]), None)
        return wait_for(find, timeout=15)

    def hide(self):
        probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)
        self.assertTrue(wait_for(lambda: probe("window")["visible"] == "0", timeout=5))
        return len(self.service.requests())

    def test_alerts_mark_rows_tell_in_a_balloon_and_keep_a_hidden_window_watching(self):
        # The hot key hides the tray icon along with the window.
        self.write_alerts({"hk00700": ("above", "370"), "hk00005": ("below", "60")}, options=0x0A | 0x04)
        p = self.start_at(WEDNESDAY_MORNING, "Europe/London")
        page = self.wait_page("★腾讯控股")
        self.assertTrue(page, self.page())
        self.assertIn("☆汇丰控股", page)
        self.assertEqual(self.balloon("腾讯控股"), "腾讯控股 00700 现价 370.600 高于 370.000")

        # Hidden, with the icon: timed requests go on at the interval, and
        # the window stays hidden.
        before = self.hide()
        self.assertEqual(probe("tray")["tray"], "0")
        self.assertTrue(wait_for(lambda: len(self.service.requests()) > before, timeout=15))
        last, hidden = self.service.requests()[before - 1:before + 1]
        self.assertAlmostEqual(hidden["at"] - last["at"], 10, delta=2)
        self.assertEqual(probe("window")["visible"], "0")

        # An alert at the next one: the icon comes back to carry the balloon.
        self.service.get("/_set?code=hk00005&last=59")
        self.assertEqual(self.balloon("汇丰控股"), "汇丰控股 00005 现价 59.000 低于 60.000")
        self.assertEqual(probe("tray")["tray"], "1")
        self.assertEqual(probe("window")["visible"], "0")
        self.assertTrue(self.wait_page("★汇丰控股"))
        self.exit_zeb(p)

    def test_the_discreet_look_marks_the_row_without_a_balloon(self):
        self.write_alerts({"hk00700": ("above", "370")}, discreet=True)
        no_balloon = lambda: probe("balloons").get("count", "0") == "0"
        self.assertTrue(wait_for(no_balloon, timeout=30))  # an earlier test's has gone
        p = self.start_at(WEDNESDAY_MORNING, "Europe/London")
        self.assertTrue(self.wait_page("★00700"), self.page())
        # The balloon would be asked for before the page was written.
        time.sleep(3)
        self.assertTrue(no_balloon())
        self.exit_zeb(p)

    def test_a_hidden_window_with_nothing_watched_sends_no_request(self):
        self.write_alerts({})
        p = self.start_at(WEDNESDAY_MORNING, "Europe/London")
        before = self.hide()
        time.sleep(12)
        self.assertEqual(len(self.service.requests()), before)
        self.assertNotIn("☆", self.page())
        self.exit_zeb(p)
