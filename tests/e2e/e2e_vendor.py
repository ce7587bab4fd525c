"""End-to-end tests of the vendor site's side of Zeb: the start-up ping with
its notice line or upgrade demand, the update from the menu and from the
start-up prompt through ZebUpdater, the clean-up after it, and the About box.
Against tests/fakes/vendor_site.py on 127.0.0.1."""
import json
import os
import time
import urllib.parse

import e2elib
from appnames import (APP_KEY, GUID, ID_ABOUT, ID_AUTO_UPGRADE, ID_EXIT, UPDATE_DEMAND, UPDATE_NO_BUILD,
                      VENDOR_HOST)
from e2elib import ZebTestCase, probe, rect, wait_for

IDOK, IDCANCEL = 1, 2
PROMPT = r"版本低需要升级后才能正常使用。\r\n是否自动升级?"
FAILURE = r"升级失败，可能防火墙阻止了Zeb升级。\n请到127.0.0.1:%d下载最新版。"


class VendorSite(e2elib.FakeService):
    def __init__(self):
        super().__init__("vendor_site.py")

    def requests(self, path):
        return [r for r in json.loads(self.get("/_requests")) if r["path"] == path]

    def pings(self):
        return self.requests("/zeb/auinfo.php")


site = None


def tearDownModule():
    # The next module that drives the vendor site starts a new one.
    global site
    if site:
        site.stop()
        site = None


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def texts(box):
    return [v for k, v in box.items() if k.startswith("text")]


class VendorTestCase(ZebTestCase):
    def setUp(self):
        global site
        super().setUp()
        if site is None:
            site = VendorSite()
        self.site = site
        site.get("/_reset")
        probe("reg-set", VENDOR_HOST, "127.0.0.1:%d" % site.port)
        probe("reg-set", UPDATE_NO_BUILD, "-")

    def tearDown(self):
        # Whatever is still up: a box first (it holds the window's thread),
        # then a Zeb that ZebUpdater started, which is nobody's child here.
        for _ in range(3):
            if probe("dialog", "提示").get("found") == "1":
                probe("dialog-press", "提示", IDCANCEL)
                time.sleep(0.5)
        if probe("window").get("found") == "1":
            probe("post-command", ID_EXIT)
        super().tearDown()
        for name in (GUID, UPDATE_DEMAND, UPDATE_NO_BUILD, VENDOR_HOST):
            probe("reg-set", name, "-")

    def wait_box(self, caption="提示", timeout=20):
        return wait_for(lambda: (lambda b: b.get("found") == "1" and b)(probe("dialog", caption)), timeout=timeout)

    def press(self, button, caption="提示"):
        probe("dialog-press", caption, button)
        self.assertTrue(wait_for(lambda: probe("dialog", caption)["found"] == "0", timeout=10))

    def assert_update_refused(self, failure, fetched, program):
        """"自动升级" ends in the failure message, after fetched downloads of
        the offered build, and nothing of it is kept."""
        probe("post-command", ID_AUTO_UPGRADE)
        box = self.wait_box()
        self.assertTrue(box, "no message")
        self.assertIn(failure, texts(box))
        self.press(IDOK)
        self.assertEqual(len(self.site.requests("/zeb/Zeb.exe")), fetched)
        self.assertEqual(self.files(), ["Zeb.exe", "zeb.ini"], "no Zeb.new.exe, no ZebUpdater.exe")
        with open(self.exe, "rb") as f:
            self.assertEqual(f.read(), program)

    def notice(self):
        return probe("window").get("child1030.text")

    def files(self):
        return sorted(os.listdir(self.folder))


class VendorPing(VendorTestCase):
    def test_identifier_is_stored_once_and_sent_with_the_version(self):
        p = self.start()
        pings = wait_for(self.site.pings)
        self.assertEqual(len(pings), 1)
        guid = pings[0]["query"]["Guid"]
        self.assertRegex(guid, r"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
        self.assertEqual(pings[0]["query"]["Ver"], "Zeb 1.0.0.2")
        self.assertEqual(probe("reg-info", GUID), {"found": "1", "type": "1", "length": "36"})
        self.exit_zeb(p)

        p = self.start()
        pings = wait_for(lambda: (lambda r: len(r) == 2 and r)(self.site.pings()))
        self.assertTrue(pings)
        self.assertEqual(pings[1]["query"]["Guid"], guid)
        self.exit_zeb(p)

    def test_notice_with_a_web_link_is_a_live_link_and_any_other_a_plain_line(self):
        # Wine's shell hands web addresses to the first of these Unix programs.
        probe("reg-set-sz", r"Software\Wine\WineBrowser", "Browsers", "curl")
        self.addCleanup(probe, "reg-set-sz", r"Software\Wine\WineBrowser", "Browsers", "-")
        link = self.site.address("/zeb/notice.html?id=7")
        self.site.get("/_ping?" + urllib.parse.urlencode({"infoVer": 3, "info": "新版即将发布", "infourl": link}))
        p = self.start()
        self.assertTrue(wait_for(lambda: self.notice() == "新版即将发布"), probe("window"))
        left, top, right, bottom = rect(probe("window")["child1030"])
        probe("click", (left + right) // 2, (top + bottom) // 2)
        self.assertTrue(wait_for(lambda: self.site.requests("/zeb/notice.html"), timeout=10))
        self.assertEqual(self.notice(), "")
        self.exit_zeb(p)

        self.site.get("/_ping?infoVer=3&info=plain&infourl=file:///C:/windows/notepad.exe")
        p = self.start()
        self.assertTrue(wait_for(lambda: self.notice() == "plain"))
        probe("click", (left + right) // 2, (top + bottom) // 2)
        time.sleep(1.5)
        self.assertEqual(self.notice(), "plain")
        self.assertEqual(len(self.site.requests("/zeb/notice.html")), 1)
        self.exit_zeb(p)


class VendorUpgradeDemand(VendorTestCase):
    def test_demand_is_remembered_prompts_at_every_start_and_shows_the_upgrade_page(self):
        self.site.get("/_demand")
        for start in (1, 2):
            with self.subTest(start=start):
                for page in self.page_files():
                    os.remove(page)
                p = self.start()
                box = self.wait_box()
                self.assertTrue(box, "no upgrade prompt")
                self.assertIn(PROMPT, texts(box))
                self.assertEqual(box["owned"], "1")
                self.assertTrue(self.wait_page("版本需要升级才能正常使用"))
                self.assertEqual(probe("reg-info", UPDATE_DEMAND), {"found": "1", "type": "4", "length": "4"})
                if start == 1:
                    self.press(IDCANCEL)
                    time.sleep(1.0)
                    self.assertEqual(self.site.requests("/zeb/zebUpdate.php"), [], "Cancel downloads nothing")
                self.assertEqual(len(wait_for(lambda: (lambda r: len(r) == start and r)(self.site.pings()))),
                                 start, "the ping goes out at every start, also with a demand remembered")
                # The second time the prompt is still up at exit: the close does
                # not wait for it.
                self.exit_zeb(p)
                self.assertNotEqual(self.ini_values().get(("WinStat", "wstat"), "0" * 42), "0" * 42)


class VendorSelfUpdate(VendorTestCase):
    def test_current_build_and_a_download_that_is_no_program(self):
        p = self.start()
        probe("post-command", ID_AUTO_UPGRADE)
        box = self.wait_box()
        self.assertIn("已经是最新版本无须升级", texts(box))
        self.press(IDOK)

        self.site.get("/_offer?html=1")
        probe("post-command", ID_AUTO_UPGRADE)
        box = self.wait_box()
        self.assertIn(FAILURE % self.site.port, texts(box))
        self.assertEqual(len(self.site.requests("/zeb/Zeb.exe")), 1)
        self.assertEqual(self.files(), ["Zeb.exe", "zeb.ini"], "nothing of the download is kept")
        self.press(IDOK)
        self.exit_zeb(p)

    def updater_resource(self):
        out = self.folder + "-updater.bin"
        self.addCleanup(lambda: os.path.exists(out) and os.remove(out))
        probe("res-dump", windows_path(self.exe), "DAT", 148, windows_path(out))
        with open(out, "rb") as f:
            return f.read()

    def offer_new_build(self):
        # The new build is a copy of Zeb.exe: told apart by its being started again.
        build = self.folder + "-new.exe"
        with open(self.exe, "rb") as f, open(build, "wb") as out:
            out.write(f.read() + b"\0new build")
        self.addCleanup(lambda: os.remove(build))
        self.site.get("/_offer?path=" + urllib.parse.quote(build))
        with open(build, "rb") as f:
            return f.read()

    def wait_for_the_new_build(self, new_build):
        # ZebUpdater swaps the programs and starts the new one, whose clean-up
        # removes what the update left.
        self.assertTrue(wait_for(lambda: probe("window")["found"] == "1" and self.files() == ["Zeb.exe", "zeb.ini"],
                                 timeout=30), self.files())
        with open(self.exe, "rb") as f:
            self.assertEqual(f.read(), new_build)

    def test_whole_update_from_the_menu_closes_normally_and_the_new_build_cleans_up(self):
        self.write_ini()
        updater = self.updater_resource()
        new_build = self.offer_new_build()
        p = self.start()
        self.wait_page("</html>")
        probe("post-command", ID_AUTO_UPGRADE)

        written = os.path.join(self.folder, "ZebUpdater.exe")
        self.assertTrue(wait_for(lambda: os.path.exists(written) and os.path.getsize(written) == len(updater)))
        with open(written, "rb") as f:
            self.assertEqual(f.read(), updater)
        self.assertEqual(p.wait(timeout=20), 0)
        self.assertNotEqual(self.ini_values().get(("WinStat", "wstat"), "0" * 42), "0" * 42,
                            "the normal close saves the window's rectangle")

        self.wait_for_the_new_build(new_build)
        self.assertEqual(len(wait_for(lambda: (lambda r: len(r) == 2 and r)(self.site.pings()))), 2)
        probe("post-command", ID_EXIT)
        self.assertTrue(wait_for(lambda: probe("window")["found"] == "0"))

    def test_update_from_the_start_up_prompt_ends_through_the_usual_close(self):
        probe("reg-set-dword", APP_KEY, UPDATE_DEMAND, 3)
        self.write_ini()
        new_build = self.offer_new_build()
        p = self.start()
        self.assertTrue(self.wait_box(), "no upgrade prompt")
        self.press(IDOK)
        started = time.time()
        self.assertEqual(p.wait(timeout=20), 0)
        self.assertLess(time.time() - started, 5)
        # The usual close saved the window's record (and removed the tray icon).
        self.assertNotEqual(self.ini_values().get(("WinStat", "wstat"), "0" * 42), "0" * 42)
        self.assertIn("ZebUpdater.exe", self.files())

        # The update carried out lifts the demand: the new build pings (as
        # the old one did), gets the site's notice and shows its quotes.
        self.wait_for_the_new_build(new_build)
        self.assertEqual(probe("reg-info", UPDATE_DEMAND).get("found"), "0")
        self.assertTrue(wait_for(lambda: len(self.site.pings()) == 2), self.site.pings())
        self.assertTrue(self.wait_page("</table></body></html>"))
        self.assertEqual(probe("dialog", "提示").get("found"), "0")
        probe("post-command", ID_EXIT)
        self.assertTrue(wait_for(lambda: probe("window")["found"] == "0"))


class VendorSignedUpdate(VendorTestCase):
    def test_unsigned_and_wrongly_signed_offers_are_refused_and_leave_the_program_as_it_was(self):
        with open(self.exe, "rb") as f:
            program = f.read()
        build = self.folder + "-offered.exe"
        with open(build, "wb") as out:
            out.write(program + b"\0offered build")
        self.addCleanup(lambda: os.remove(build))
        p = self.start()
        # No "sig": not fetched; signed for another file: fetched, its hash
        # differs; signed as build 4 but offered as 3: not fetched.
        for how, fetched in (("none", 0), ("other", 1), ("version", 0)):
            with self.subTest(offer=how):
                self.site.get("/_reset")
                self.site.get("/_offer?sign=%s&path=%s" % (how, urllib.parse.quote(build)))
                self.assert_update_refused(FAILURE % self.site.port, fetched, program)
        self.exit_zeb(p)


class VendorDemandLifted(VendorTestCase):
    def test_a_text_value_is_no_demand(self):
        probe("reg-set", UPDATE_DEMAND, "0")  # REG_SZ "0"
        p = self.start()
        self.assertTrue(self.wait_page("</table></body></html>"))
        self.assertTrue(wait_for(lambda: self.notice()), "the ping's notice")
        self.assertEqual(probe("dialog", "提示").get("found"), "0")
        self.assertNotIn("版本需要升级", self.page())
        self.assertEqual(probe("reg-info", UPDATE_DEMAND).get("found"), "0", "removed")
        self.exit_zeb(p)

    def test_an_update_check_that_finds_the_build_current_lifts_the_demand(self):
        probe("reg-set-dword", APP_KEY, UPDATE_DEMAND, 3)
        p = self.start()
        self.assertTrue(self.wait_box(), "no upgrade prompt")
        self.assertTrue(self.wait_page("版本需要升级才能正常使用"))
        self.assertTrue(self.site.pings(), "the ping goes out with a demand remembered")
        for page in self.page_files():
            os.remove(page)
        # OK: the site's update check reports the running build as current.
        probe("dialog-press", "提示", IDOK)
        box = wait_for(lambda: (lambda b: "恭喜，已经是最新版。" in texts(b) and b)(probe("dialog", "提示")))
        self.assertTrue(box, probe("dialog", "提示"))
        self.press(IDOK)
        self.assertEqual(probe("reg-info", UPDATE_DEMAND).get("found"), "0")
        self.assertTrue(self.wait_page("</table></body></html>"), "the quotes came back")
        self.assertNotIn("版本需要升级", self.page())
        self.exit_zeb(p)

        # The next start is not asked.
        p = self.start()
        self.assertTrue(self.wait_page("</table></body></html>"))
        self.assertFalse(self.wait_box(timeout=3))
        self.exit_zeb(p)

    def test_the_menus_update_check_lifts_it_too(self):
        probe("reg-set-dword", APP_KEY, UPDATE_DEMAND, 3)
        p = self.start()
        self.assertTrue(self.wait_box(), "no upgrade prompt")
        self.press(IDCANCEL)
        self.assertTrue(self.wait_page("版本需要升级才能正常使用"))
        probe("post-command", ID_AUTO_UPGRADE)
        box = self.wait_box()
        self.assertIn("已经是最新版本无须升级", texts(box))
        self.press(IDOK)
        self.assertEqual(probe("reg-info", UPDATE_DEMAND).get("found"), "0")
        self.assertTrue(self.wait_page("</table></body></html>"), "the quotes came back")
        self.exit_zeb(p)


class VendorAboutBox(VendorTestCase):
    def test_about_box_shows_version_rights_contacts_and_the_site(self):
        p = self.start()
        probe("post-command", ID_ABOUT)
        box = self.wait_box("关于")
        self.assertTrue(box, "no About box")
        self.assertEqual(box["owned"], "0")
        version, rights = box["text1044"].split(r"\n")
        self.assertEqual(version, "Zeb 1.0.0.2 ")
        self.assertTrue(rights)
        self.assertLess(len((version + "\n" + rights).encode("gb2312")), 52)  # whole, with its zero
        contacts = box["text1040"].split(r"\r\n")
        self.assertEqual(len(contacts), 2)
        self.assertTrue(all(contacts))
        self.assertEqual(box["text1041"], "官方网站： http://127.0.0.1:%d" % self.site.port)
        self.press(IDOK, "关于")
        self.exit_zeb(p)
