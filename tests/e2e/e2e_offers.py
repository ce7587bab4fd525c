"""End-to-end tests of the offers a build refuses although they are signed:
a build with the development key offered an update by a vendor site that is
not on this computer, and the 64-bit program offered the 32-bit build."""
import os
import socket
import urllib.parse

import e2e_vendor
import e2elib
from appnames import VENDOR_HOST
from e2e_vendor import VendorTestCase
from e2elib import probe

FAILURE = r"升级失败，可能防火墙阻止了Zeb升级。\n请到%s下载最新版。"
# Where the test command builds the 32-bit Zeb.exe: beside the tree under test.
I686_BUILD = os.environ.get("ZEB_I686_BUILD") or os.path.join(os.path.dirname(e2elib.BUILD or "."), "win32-i686")


def tearDownModule():
    # The vendor site these tests shared: the next module starts its own.
    e2e_vendor.tearDownModule()


def name_leading_here():
    """A host name that the system's resolver, which Wine's uses, leads to
    127.0.0.1, where the fake site listens: the computer's own name, or
    another that the hosts file gives 127.0.0.1. (Wine does not read the
    prefix's own hosts file.) None when there is none."""
    names = [socket.gethostname()]
    with open("/etc/hosts") as f:
        names += sum((line.split()[1:] for line in f if line.split()[:1] == ["127.0.0.1"]), [])
    for name in names:
        try:
            if name.lower() != "localhost" and socket.gethostbyname(name) == "127.0.0.1":
                return name
        except OSError:
            pass
    return None


class SignedOfferRefused(VendorTestCase):
    def offer(self, path):
        self.site.get("/_offer?path=" + urllib.parse.quote(path))

    def refused(self, vendor, fetched):
        """Runs the update from the menu: the check reaches the site, the
        failure message names vendor, and nothing of the offer is kept."""
        with open(self.exe, "rb") as f:
            program = f.read()
        p = self.start()
        self.assert_update_refused(FAILURE % vendor, fetched, program)
        self.assertEqual(len(self.site.requests("/zeb/zebUpdate.php")), 1, "the update check was answered")
        self.exit_zeb(p)

    def test_a_development_key_build_refuses_a_vendor_site_named_elsewhere(self):
        # The name leads to this computer, yet it is no loopback address: the
        # build does not even fetch the offer.
        name = name_leading_here()
        if not name:
            self.skipTest("no host name other than localhost leads to 127.0.0.1 here")
        vendor = "%s:%d" % (name, self.site.port)
        probe("reg-set", VENDOR_HOST, vendor)
        self.offer(self.exe)
        self.refused(vendor, fetched=0)

    def test_the_32_bit_build_offered_to_the_64_bit_program_is_refused(self):
        build = os.path.join(I686_BUILD, "Zeb.exe")
        if not os.path.isfile(build):
            self.skipTest("no 32-bit Zeb.exe at %s (the test command builds it; ZEB_I686_BUILD names another)"
                          % build)
        with open(self.exe, "rb") as f:
            if f.read(0x1000).find(b"PE\0\0d\x86") < 0:
                self.skipTest("the program under test is not the 64-bit one")
        self.offer(build)
        self.refused("127.0.0.1:%d" % self.site.port, fetched=1)
