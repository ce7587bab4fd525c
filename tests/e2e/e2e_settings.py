"""The settings dialog end to end: opened through the menu command, driven
with real clicks on its buttons, tabs and boxes, and judged by zeb.ini, the
registry, the hot keys and the widget."""
import json
import os
import re
import subprocess
import tempfile
import threading
import time

from appnames import APP_KEY, ID_SETTINGS, STOCK_LIST
from e2elib import (ARTIFACTS, DEFAULT_LIST, PROBE, ZebTestCase, probe, rect, ss_block, struct_block, su_block,
                     wait_for, wstat_block)

HKM_SETHOTKEY = 0x0401
VK_RETURN, VK_ESCAPE = 0x0D, 0x1B
RUN_KEY = r"Software\Microsoft\Windows\CurrentVersion\Run"

# pages by tab index
STOCKS, DISPLAY, CONNECTION, CODES = 0, 1, 2, 3


class SettingsDialog(ZebTestCase):
    def setUp(self):
        super().setUp()
        probe("reg-set-sz", RUN_KEY, "Zeb", "-")

    def tearDown(self):
        probe("reg-set-sz", RUN_KEY, "Zeb", "-")
        super().tearDown()

    # -- helpers

    def open_widget(self):
        p = self.start()
        self.wait_page("</table></body></html>")
        self.assertTrue(wait_for(lambda: rect(probe("window")["client"]) == (0, 0, 185, 127)), probe("window"))
        return p

    def open_dialog(self):
        probe("post-command", ID_SETTINGS)
        d = wait_for(lambda: (lambda d: d.get("found") == "1" and d)(probe("dlg")))
        self.assertTrue(d, "no settings dialog")
        return d

    def ctl(self, page, control):
        return probe("ctl", page, control)

    def press(self, page, control):
        probe("press", page, control)

    def status(self):
        return probe("dlg").get("status")

    def click_button(self, page, control):
        probe("click-button", page, control)

    def ok(self, closes=True):
        self.click_button("d", 1)
        if closes:
            self.assertTrue(wait_for(lambda: probe("dlg")["found"] == "0"), probe("dlg"))

    def cancel(self):
        self.click_button("d", 2)
        self.assertTrue(wait_for(lambda: probe("dlg")["found"] == "0"))

    def select_tab(self, index):
        probe("tab", index)
        self.assertTrue(wait_for(lambda: probe("dlg")["page%d.visible" % index] == "1"))

    def set_ticked(self, page, control, ticked):
        want = "1" if ticked else "0"
        if self.ctl(page, control)["checked"] != want:
            self.click_button(page, control)  # posted: the box takes it in its own time
        wait_for(lambda: self.ctl(page, control)["checked"] == want, timeout=5)
        self.assertEqual(self.ctl(page, control)["checked"], want)

    def ini_bytes(self):
        with open(self.ini, "rb") as f:
            return f.read()

    def shoot(self, name):
        left, top, right, bottom = rect(probe("dlg")["rect"])
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, name)
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                        "+repage", path], check=False, capture_output=True)
        self.assertTrue(os.path.exists(path))

    # -- tests

    def test_opens_on_the_stock_list_page_with_the_stored_values(self):
        p = self.open_widget()
        d = self.open_dialog()
        self.assertEqual((d["tab"], d["page0.visible"], d["page1.visible"], d["page2.visible"]), ("0", "1", "0", "0"))
        self.assertEqual(self.ctl(STOCKS, 1000)["items"], "HSI|HSCEI|HSCCI")
        # The label is the slider's own: the template only says "刷新频率：".
        self.assertEqual(self.ctl(STOCKS, 1039)["text"], "刷新频率： 不刷新")
        self.assertEqual(self.ctl(STOCKS, 1023)["position"], "0")
        self.assertEqual(self.ctl(STOCKS, 1027)["hotkey"], "0x0448")  # Alt + H
        self.assertEqual(self.ctl(STOCKS, 1025)["checked"], "1")
        self.assertEqual(self.ctl(STOCKS, 1024)["visible"], "0")
        self.shoot("settings-stocklist.png")

        self.select_tab(DISPLAY)
        self.assertEqual(probe("dlg")["page0.visible"], "0")
        self.assertEqual(self.ctl(DISPLAY, 1000)["items"], "最小|较小|中|较大|最大")
        self.assertEqual(self.ctl(DISPLAY, 1000)["selection"], "1")
        ticked = [c for c in (1051, 1050, 1056, 1020, 1019, 1011, 1045, 1007, 1031, 1032, 1021, 1058, 1057)
                  if self.ctl(DISPLAY, c)["checked"] == "1"]
        self.assertEqual(ticked, [1050, 1056, 1019, 1045, 1007, 1031, 1032])
        self.shoot("settings-display.png")

        self.select_tab(CONNECTION)
        self.assertEqual(self.ctl(CONNECTION, 1002)["enabled"], "0")
        self.assertEqual(self.ctl(CONNECTION, 1011)["enabled"], "0")
        self.shoot("settings-connection.png")
        self.cancel()
        self.exit_zeb(p)

    def test_codes_are_checked_added_and_stored(self):
        p = self.open_widget()
        self.open_dialog()
        probe("set", STOCKS, 1000, "hscei")
        self.press(STOCKS, 1021)
        self.assertEqual(self.status(), "已添加过此项")
        probe("set", STOCKS, 1000, "123456")
        self.press(STOCKS, 1021)
        self.assertEqual(self.status(), "代码长度最长为5位")
        probe("set", STOCKS, 1000, "700")
        self.press(STOCKS, 1021)
        self.assertEqual(self.status(), "")
        self.assertEqual(self.ctl(STOCKS, 1000)["items"], "HSI|HSCEI|HSCCI|00700")
        self.assertEqual(self.ctl(STOCKS, 1000)["text"], "")
        before = len(self.service.requests())
        self.ok()

        stored = DEFAULT_LIST + ",hk00700"
        self.assertEqual(self.ini_values()[("UserSet", "ss")], ss_block(stored))
        self.assertEqual(probe("reg-get", APP_KEY, STOCK_LIST)["value"], stored)
        # Asked at once (no five-second rule for changed settings), one row more.
        self.assertTrue(wait_for(lambda: len(self.service.requests()) > before, timeout=5))
        self.assertTrue(self.service.requests()[-1]["line"].startswith("GET /?rn="))
        self.assertIn("&list=" + stored + " ", self.service.requests()[-1]["line"])
        self.assertTrue(wait_for(lambda: rect(probe("window")["client"]) == (0, 0, 185, 145), timeout=10),
                        probe("window"))
        self.exit_zeb(p)

    def test_clearing_every_column_keeps_the_name_and_narrows_the_widget(self):
        p = self.open_widget()
        self.open_dialog()
        self.select_tab(DISPLAY)
        for box in (1051, 1050, 1056, 1020, 1019):
            self.set_ticked(DISPLAY, box, False)
        self.ok()
        # showName with the header and time lines: 0x34; the options as they were.
        self.assertEqual(self.ini_values()[("UserSet", "su")], su_block(display=0x34))
        self.assertTrue(wait_for(lambda: rect(probe("window")["client"])[2] < 185, timeout=10), probe("window"))
        self.exit_zeb(p)

    def test_accepted_colours_become_the_see_through_colour_at_once(self):
        colors = (0x00102030, 0x00FF0000, 0x00009900, 0x000000FF, 0)
        self.write_ini(su=su_block(colors=colors), wstat=wstat_block(1, 0, 0, 0, 0))
        p = self.start()
        self.assertEqual(probe("window")["colorkey"], "0x00E6FFFF")
        self.open_dialog()
        self.select_tab(DISPLAY)
        self.press(DISPLAY, 1011)  # "自定义字体颜色": the stored background counts
        self.ok()
        w = probe("window")
        self.assertEqual((w["layered"], w["colorkey"]), ("1", "0x00102030"))
        self.exit_zeb(p)

    def test_a_trimmed_proxy_carries_the_next_quote_request(self):
        p = self.open_widget()
        self.open_dialog()
        self.select_tab(CONNECTION)
        self.press(CONNECTION, 1001)
        self.assertEqual(self.ctl(CONNECTION, 1002)["enabled"], "1")
        probe("set", CONNECTION, 1002, "  127.0.0.1 ")
        probe("set", CONNECTION, 1003, " %d  " % self.service.port)
        self.ok()

        server = "127.0.0.1:%d" % self.service.port
        sp = bytes.fromhex(self.ini_values()[("UserSet", "sp")])
        self.assertEqual(sp[:50].rstrip(b"\0"), server.encode())
        self.assertEqual(int.from_bytes(sp[152:156], "little"), 1)
        # Through a proxy the request line names the whole address.
        seen = lambda: [r["line"] for r in json.loads(self.service.get("/_requests"))
                        if r["line"].startswith("GET http://%s/?rn=" % server)]
        self.assertTrue(wait_for(seen, timeout=10), json.loads(self.service.get("/_requests")))
        self.exit_zeb(p)

    def test_a_holding_typed_on_the_codes_page_is_stored_in_its_section(self):
        p = self.open_widget()
        self.open_dialog()
        probe("set", STOCKS, 1000, "700")
        self.press(STOCKS, 1021)
        self.select_tab(CODES)
        self.assertEqual(self.ctl(CODES, 1082)["enabled"], "0")  # HSI, an index: no holding
        probe("pick", CODES, 1080, 3)
        self.assertEqual(self.ctl(CODES, 1082)["enabled"], "1")
        for control, text in ((1081, "Tencent"), (1082, "200"), (1083, "abc")):
            probe("set", CODES, control, text)
        self.ok(closes=False)
        self.assertEqual(self.status(), "成本价输入不正确")
        self.assertEqual(probe("dlg")["found"], "1")
        self.assertNotIn(("Code hk00700", "cost"), self.ini_values())
        self.shoot("settings-codes.png")
        probe("set", CODES, 1083, "370.5")
        self.ok()
        values = self.ini_values()
        self.assertEqual([values.get(("Code hk00700", k)) for k in ("alias", "shares", "cost")],
                         ["Tencent", "200", "370.5"])
        self.exit_zeb(p)

    def test_refusals_keep_the_dialog_open_and_cancel_changes_nothing(self):
        p = self.open_widget()
        with open(self.ini, "rb") as f:
            before = f.read()
        self.open_dialog()
        self.select_tab(CONNECTION)
        self.press(CONNECTION, 1001)
        probe("set", CONNECTION, 1002, "proxy.example")
        probe("set", CONNECTION, 1003, "8080")
        self.press(CONNECTION, 1011)
        self.assertEqual(self.ctl(CONNECTION, 1042)["enabled"], "1")
        probe("set", CONNECTION, 1042, "   ")
        self.ok(closes=False)
        self.assertEqual(self.status(), "用户名输入不正确")
        self.assertEqual(probe("dlg")["found"], "1")
        self.assertEqual(probe("hotkey-taken", 1, 0x48)["taken"], "0")  # released while the dialog is open
        self.cancel()
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertEqual(probe("hotkey-taken", 1, 0x48)["taken"], "1")
        self.exit_zeb(p)

    def test_hot_key_needs_a_modifier_and_moves_when_accepted(self):
        p = self.open_widget()
        self.open_dialog()
        # H alone, and an arrow key that carries only the extended flag.
        for value in (0x0048, 0x0826):
            probe("send-ctl", STOCKS, 1027, HKM_SETHOTKEY, value, 0)
            self.ok(closes=False)
            self.assertEqual(self.status(), "热键过于简单")
        probe("send-ctl", STOCKS, 1027, HKM_SETHOTKEY, 0x0348, 0)  # Ctrl + Shift + H
        self.ok()
        self.assertEqual(self.ini_values()[("UserSet", "ss")], ss_block(mods=0x6, vk=0x48))
        self.assertEqual(probe("hotkey-taken", 6, 0x48)["taken"], "1")
        self.assertEqual(probe("hotkey-taken", 1, 0x48)["taken"], "0")
        self.exit_zeb(p)

    def test_auto_run_box_acts_on_the_run_value_at_once(self):
        # From a folder with a blank, whose Run entry an earlier build left unquoted.
        folder = os.path.join(self.folder, "Stock Tools")
        os.mkdir(folder)
        os.rename(self.exe, os.path.join(folder, "Zeb.exe"))
        self.exe, self.ini = os.path.join(folder, "Zeb.exe"), os.path.join(folder, "zeb.ini")
        path = "Z:" + self.exe.replace("/", "\\")
        probe("reg-set-sz", RUN_KEY, "Zeb", path)
        self.write_ini(su=su_block(options=0x0A | 0x20))
        p = self.open_widget()
        quoted = '"%s"' % path
        self.assertTrue(wait_for(lambda: probe("reg-get", RUN_KEY, "Zeb").get("value") == quoted),
                        probe("reg-get", RUN_KEY, "Zeb"))
        self.open_dialog()
        self.select_tab(DISPLAY)
        self.assertEqual(self.ctl(DISPLAY, 1058)["checked"], "1")
        self.press(DISPLAY, 1058)
        self.assertEqual(probe("reg-get", RUN_KEY, "Zeb")["found"], "0")
        self.press(DISPLAY, 1058)
        self.assertEqual(probe("reg-get", RUN_KEY, "Zeb")["value"], quoted)
        self.cancel()
        self.exit_zeb(p)

    def test_ok_while_zeb_ini_is_held_open_keeps_the_dialog_and_the_file(self):
        p = self.open_widget()
        before = self.ini_bytes()
        with tempfile.TemporaryFile(mode="w+") as out:
            holder = subprocess.Popen(["wine", PROBE, "hold", "Z:" + self.ini.replace("/", "\\"), "12"],
                                      stdout=out, stderr=subprocess.DEVNULL)
            self.assertTrue(wait_for(lambda: out.seek(0) == 0 and "held=1" in out.read()))
            self.open_dialog()
            self.select_tab(DISPLAY)
            self.set_ticked(DISPLAY, 1051, True)
            self.ok(closes=False)
            self.assertTrue(wait_for(lambda: "无法保存" in self.status()), probe("dlg"))
            self.assertEqual(probe("dlg")["found"], "1")
            self.assertEqual(self.ini_bytes(), before)
            self.assertIsNone(p.poll())
            holder.wait(timeout=30)
        self.ok()
        self.assertNotEqual(self.ini_bytes(), before)
        self.exit_zeb(p)

    def test_a_reader_never_finds_zeb_ini_half_written(self):
        p = self.open_widget()
        done, seen = threading.Event(), []

        def read_all_the_time():
            while not done.is_set():
                with open(self.ini, "rb") as f:
                    seen.append(f.read())
                time.sleep(0.003)

        reader = threading.Thread(target=read_all_the_time)
        reader.start()
        try:
            for i in range(30):
                self.open_dialog()
                self.select_tab(DISPLAY)
                self.set_ticked(DISPLAY, 1051, i % 2 == 0)
                self.ok()
        finally:
            done.set()
            reader.join()
        self.exit_zeb(p)
        blocks = {"ss": 528, "su": 28, "sp": 156, "wstat": 20}
        for text in seen:
            values = dict(line.split("=", 1) for line in text.decode("ascii").split("\r\n") if "=" in line)
            for key, size in blocks.items():
                if key == "wstat" and key not in values:
                    continue  # the window is saved when it closes
                data = bytes.fromhex(values[key][:-2])
                self.assertEqual(len(data), size, key)
                self.assertEqual(values[key], struct_block(data), key)
        self.assertGreater(len(seen), 100)
        self.assertEqual(sum(a != b for a, b in zip(seen, seen[1:])), 30)  # each save seen once

    def test_enter_and_escape_on_each_page(self):
        p = self.open_widget()
        with open(self.ini, "rb") as f:
            before = f.read()
        self.open_dialog()
        # Code list: Enter presses "添加", Escape stays in the page.
        self.press(STOCKS, 1000)
        probe("set", STOCKS, 1000, "5")
        probe("key", VK_RETURN)
        self.assertEqual(self.ctl(STOCKS, 1000)["items"], "HSI|HSCEI|HSCCI|00005")
        # A picked entry moves down and is deleted; its place goes to the next one.
        probe("pick", STOCKS, 1000, 0)
        self.press(STOCKS, 1052)
        self.assertEqual((self.ctl(STOCKS, 1000)["items"], self.ctl(STOCKS, 1000)["selection"]),
                         ("HSCEI|HSI|HSCCI|00005", "1"))
        self.press(STOCKS, 1022)
        self.assertEqual((self.ctl(STOCKS, 1000)["items"], self.ctl(STOCKS, 1000)["selection"]),
                         ("HSCEI|HSCCI|00005", "1"))
        probe("key", VK_ESCAPE)
        self.assertEqual(probe("dlg")["found"], "1")
        # Display page: both keys stay in the page.
        self.select_tab(DISPLAY)
        self.press(DISPLAY, 1031)
        self.press(DISPLAY, 1031)
        probe("key", VK_RETURN)
        probe("key", VK_ESCAPE)
        self.assertEqual(probe("dlg")["found"], "1")
        # Connection page: Escape is the dialog's Cancel, and the page is still there until then.
        self.select_tab(CONNECTION)
        self.press(CONNECTION, 1019)
        self.press(CONNECTION, 1019)
        probe("key", VK_ESCAPE)
        self.assertTrue(wait_for(lambda: probe("dlg")["found"] == "0"))
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), before)
        self.exit_zeb(p)
