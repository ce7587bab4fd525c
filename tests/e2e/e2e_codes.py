"""End to end, the user's own records of codes in zeb.ini: an alias, a
holding's 盈亏 column and 合计 row, the discreet look of the menu's
"低调显示", and a record that does not read."""
import os
import re
import time

from appnames import ID_DISCREET, ID_TRANSPARENT
from e2elib import ZebTestCase, color_counts, probe, rect, ss_block, wait_for

ALIAS = "鹅厂"
LIST = ",hkHSI,hk00700"  # the index rises, 00700 falls


def quote_rows(page):
    """(class, cells' markup) of each quote and total row."""
    return re.findall(r'<tr align="right" class="(\w+)">(.*?)</tr>', page)


class CodeRecords(ZebTestCase):
    def write_records(self, record_lines):
        self.write_ini(ss=ss_block(LIST))
        with open(self.ini, "ab") as f:
            f.write("\r\n".join(["[Code hk00700]", *record_lines, "[Other]", "note=kept", ""]).encode("gb2312"))

    def next_page(self, predicate):
        return wait_for(lambda: (lambda page: page if page and "</table>" in page and predicate(page) else None)(
            self.page()))

    def colors(self, name):
        # The built-in view, laid out for the page it now shows.
        time.sleep(1.0)
        return color_counts(self.screenshot(name))

    def assert_colored(self, colors):
        for color in ("#009900", "#FF0000", "#0000FF"):  # rise, fall, the name links
            self.assertGreater(colors.get(color, 0), 10, (color, colors))

    def assert_discreet(self, page):
        self.assertNotIn("<a ", page)
        self.assertNotIn("title=", page)
        self.assertNotIn("盈亏", page)
        self.assertNotIn("合计", page)
        self.assertEqual({tone for tone, _ in quote_rows(page)}, {"cbt"})
        self.assertIn(">%s<" % ALIAS, page)
        self.assertIn(">HSI<", page)  # the bare code for the service's name

    def test_alias_holding_and_the_discreet_look_across_a_restart(self):
        self.service.get("/_set?code=hk00700&last=370&prev=372")
        self.write_records(["alias=" + ALIAS, "shares=200", "cost=300"])
        p = self.start()
        page = self.next_page(lambda page: "合计" in page)
        self.assertTrue(page, self.page())
        self.assertIn('class="cjc">%s</a>' % ALIAS, page)  # in the name cell, not the service's name
        self.assertNotIn("腾讯控股</a>", page)
        self.assertIn("<td>盈亏</td>", page)
        rows = quote_rows(page)
        held = [cells for _, cells in rows if ALIAS in cells]
        self.assertEqual(len(held), 1, rows)
        self.assertIn("<td>-400</td>", held[0])
        self.assertIn("市值: 74000&#10;浮动盈亏: +14000", held[0])
        self.assertIn("合计", rows[-1][1])
        self.assertIn("<td title=", rows[-1][1])
        self.assert_colored(self.colors("codes.png"))

        probe("post-command", ID_DISCREET)
        page = self.next_page(lambda page: "盈亏" not in page)
        self.assertTrue(page, self.page())
        self.assert_discreet(page)
        colors = self.colors("codes-discreet.png")
        for color in ("#009900", "#FF0000", "#0000FF"):
            self.assertNotIn(color, colors)
        # With the colour key as well: the page keeps its background, the
        # window its key.
        probe("post-command", ID_TRANSPARENT)
        self.assertTrue(wait_for(lambda: probe("window")["layered"] == "1"))
        self.assertEqual(probe("window")["colorkey"], "0x00E6FFFF")
        self.exit_zeb(p)
        self.assertEqual(self.ini_values()[("WinStat", "discreet")], "1")

        for page_file in self.page_files():
            os.remove(page_file)
        p = self.start()
        page = self.next_page(lambda page: True)
        self.assert_discreet(page)
        self.assertIn("bgcolor=#FFFFE6", page)
        self.assertEqual(probe("window")["layered"], "1")
        probe("post-command", ID_TRANSPARENT)
        self.assertTrue(wait_for(lambda: probe("window")["layered"] == "0"))
        probe("post-command", ID_DISCREET)
        page = self.next_page(lambda page: "合计" in page)
        self.assertTrue(page, self.page())
        self.assertEqual({tone for tone, _ in quote_rows(page)}, {"cup", "cdn"})
        self.assertTrue(wait_for(lambda: rect(probe("window")["client"])[2] > 185))  # the 盈亏 column is back
        self.assert_colored(self.colors("codes-again.png"))
        self.exit_zeb(p)
        self.assertEqual(self.ini_values()[("WinStat", "discreet")], "0")

    def test_a_record_that_does_not_read_leaves_the_program_and_the_file_whole(self):
        self.write_records(["alias=" + ALIAS, "shares=12x!", "cost=300"])
        before = self.ini_values()
        p = self.start()
        page = self.next_page(lambda page: ALIAS in page)
        self.assertTrue(page, self.page())
        self.assertEqual(len(quote_rows(page)), 2)
        self.assertNotIn("盈亏", page)
        self.exit_zeb(p)
        after = self.ini_values()
        for key, value in before.items():
            if key != ("WinStat", "wstat"):
                self.assertEqual(after.get(key), value, key)
