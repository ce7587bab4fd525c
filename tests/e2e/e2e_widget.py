"""End to end, the widget itself: the first start, the hand-over of a second
start, the window's transparency, hot key, position and title strip, and the
refreshes with the quote service's replies."""
import os
import re
import subprocess
import time

from appnames import (ID_REFRESH, ID_TRANSPARENT, QUOTE_HOST, SHOW_HOTKEY_ID, STOCK_LIST, WM_HOTKEY, WM_LBUTTONDBLCLK,
                      WM_TRAYNOTIFY)
from e2elib import (DEFAULT_LIST, ZebTestCase, color_counts, probe, rect, sp_block, ss_block, su_block, wait_for,
                    wstat_block, x_drag)


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
        self.assertEqual(probe("reg-info", STOCK_LIST), {"found": "1", "type": "1", "length": str(len(DEFAULT_LIST))})

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
        probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)
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
        probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)
        self.assertEqual(probe("window")["visible"], "0")
        self.assertEqual(probe("tray")["tray"], "1")
        probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)
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

        probe("reg-set", QUOTE_HOST, "127.0.0.1:1")  # nothing listens there
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
