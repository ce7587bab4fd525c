"""Timed refreshes follow the exchange's own calendar: none on its holidays or
in the afternoon of a half day, and after a look or two none on a day whose
replies show it closed. A reply older than the quotes shown never replaces
them. Zeb runs at a fixed time of day as in e2e_clock."""
import os
import time

import e2e_clock
from e2elib import ZebTestCase, probe, rect, ss_block, wait_for


class ExchangeCalendar(ZebTestCase):
    start_at = e2e_clock.HongKongClock.start_at
    requests_over = e2e_clock.HongKongClock.requests_over

    def setUp(self):
        if not os.path.exists(e2e_clock.FAKETIME):
            self.skipTest("libfaketime is not installed")
        super().setUp()
        self.write_ini(ss=ss_block(refresh=10))

    def click_refresh(self):
        left, top, right, bottom = rect(probe("window")["child1046"])
        probe("click", (left + right) // 2, (top + bottom) // 2)

    def test_christmas_day_sends_no_timed_request_but_a_click_fetches(self):
        # Friday 25 December 2026, 10:30 in Hong Kong: the start-up refresh only.
        p = self.start_at("2026-12-25 02:30:00", "Europe/London")
        self.assertEqual(self.requests_over(23), 1, "a timed refresh on Christmas Day")
        self.click_refresh()
        self.assertTrue(wait_for(lambda: len(self.service.requests()) == 2, timeout=5))
        self.exit_zeb(p)

    def test_christmas_eve_trades_the_morning_only(self):
        p = self.start_at("2026-12-24 02:00:00", "Europe/London")  # 10:00 in Hong Kong
        self.assertGreaterEqual(self.requests_over(23), 2, "no timed refresh on Christmas Eve's morning")
        self.exit_zeb(p)
        self.service.get("/_reset")
        p = self.start_at("2026-12-24 06:00:00", "Europe/London")  # 14:00
        self.assertEqual(self.requests_over(23), 1, "a timed refresh on Christmas Eve's afternoon")
        self.exit_zeb(p)

    def test_replies_dated_the_day_before_stop_timed_refreshes(self):
        # Wednesday 9 December 2026, 10:30 in Hong Kong, and every quote of Tuesday's.
        self.service.get("/_stamp?date=2026/12/08&time=16:08:03")
        p = self.start_at("2026-12-09 02:30:00", "Europe/London")
        self.assertIn("时间: 2026/12/08 16:08:03", self.page())
        self.assertEqual(self.requests_over(23), 1, "timed refreshes go on while the exchange is closed")
        # A reply of today's: refreshing as usual again.
        self.service.get("/_stamp?date=2026/12/09&time=10:30:00")
        self.click_refresh()
        self.assertGreaterEqual(self.requests_over(25), 4, "timed refreshes did not come back")
        self.exit_zeb(p)

    def test_a_reply_older_than_the_one_shown_leaves_the_shown_figures(self):
        self.service.get("/_set?code=hkHSI&last=18000")
        self.service.get("/_stamp?code=hkHSI&date=2026/12/07&time=16:08:03")
        p = self.start_at("2026-12-07 10:00:00", "Europe/London")  # Monday 18:00 in Hong Kong: no timed refresh
        self.assertIn("<td>18000.00</td>", self.page())

        # A cache answers with a quote from a minute earlier: the figures stay.
        self.service.get("/_set?code=hkHSI&last=17000")
        self.service.get("/_stamp?code=hkHSI&date=2026/12/07&time=16:07:03")
        time.sleep(5)
        self.click_refresh()
        self.assertTrue(wait_for(lambda: len(self.service.requests()) == 2, timeout=5))
        time.sleep(2)
        page = self.page()
        self.assertIn("<td>18000.00</td>", page)
        self.assertIn("时间: 2026/12/07 16:08:03", page)

        # A newer one replaces them.
        self.service.get("/_stamp?code=hkHSI&date=2026/12/07&time=16:09:03")
        time.sleep(5)
        self.click_refresh()
        self.assertTrue(self.wait_page("<td>17000.00</td>"))
        self.exit_zeb(p)
