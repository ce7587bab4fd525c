"""End-to-end: replies the widget must take as failed fetches."""
import os
import time

from e2elib import ZebTestCase, probe

ERROR_TEXT = "获得数据出错 请检查网络连接"


class QuoteReplies(ZebTestCase):
    def test_refusal_by_the_service_shows_the_error_page(self):
        self.service.get("/_mode?m=refuse")
        p = self.start()
        self.assertTrue(self.wait_page(ERROR_TEXT), self.page())
        self.assertEqual(len(self.service.requests()), 1)
        self.exit_zeb(p)

    def test_reply_beyond_the_cap_leaves_the_widget_running_with_the_error_page(self):
        for mode in ("huge", "bomb"):  # a megabyte, plain or decoded from a kilobyte of gzip
            self.service.get("/_mode?m=" + mode)
            p = self.start()
            self.assertTrue(self.wait_page(ERROR_TEXT), (mode, self.page()))
            time.sleep(1.0)
            self.assertIsNone(p.poll(), mode)
            self.assertEqual(probe("window").get("visible"), "1", mode)
            self.exit_zeb(p)
            for page in self.page_files():  # the next start writes its own
                os.remove(page)
