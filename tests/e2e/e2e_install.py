"""End-to-end test of the release: scripts/package.sh packages the tree under
test (without building it again), and its installer installs, installs again
over a running Zeb and uninstalls under Wine, in a fresh prefix of its own."""
import datetime
import glob
import hashlib
import json
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

import yaml
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID

import e2elib
from appnames import APP_KEY, ID_EXIT, STOCK_LIST
from e2elib import (ROOT, ZebTestCase, color_counts, point_at_fakes, probe, shared_quote_service, sp_block, ss_block,
                    su_block, wait_for)

UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zeb"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(Zeb VERSION ([0-9.]+)", f.read()).group(1)


def wine(*args, timeout=120):
    # Output to nothing: the wineserver a first Wine program starts would hold a pipe open.
    return subprocess.run(["wine", *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout).returncode


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def package(*args):
    """Runs scripts/package.sh on the tree under test: (exit status, output)."""
    with tempfile.TemporaryFile(mode="w+") as log:
        status = subprocess.run([os.path.join(ROOT, "scripts", "package.sh"), "--build", e2elib.BUILD, *args],
                                stdout=log, stderr=subprocess.STDOUT).returncode
        log.seek(0)
        return status, log.read()


def make_certificate(folder, name, usage):
    """A throwaway self-signed certificate for the extended key usage given,
    and its RSA key: (CERT.pem, KEY.pem) in folder."""
    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "Zeb test " + name)])
    now = datetime.datetime.now(datetime.timezone.utc)
    cert = (x509.CertificateBuilder().subject_name(subject).issuer_name(subject).public_key(key.public_key())
            .serial_number(x509.random_serial_number())
            .not_valid_before(now - datetime.timedelta(days=1)).not_valid_after(now + datetime.timedelta(days=7))
            .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
            .add_extension(x509.ExtendedKeyUsage([usage]), critical=False)
            .sign(key, hashes.SHA256()))
    paths = (os.path.join(folder, name + ".crt.pem"), os.path.join(folder, name + ".key.pem"))
    with open(paths[0], "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.PEM))
    with open(paths[1], "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
    return paths


def check_release_reply(test, reply, program_bytes):
    """The update check itself would find this build current: the Windows-side
    test reads and checks the reply as the update check does."""
    work = tempfile.mkdtemp(prefix="zeb-reply-")
    test.addCleanup(shutil.rmtree, work, True)
    program = os.path.join(work, "Zeb.exe")
    with open(program, "wb") as f:
        f.write(program_bytes)
    env = dict(os.environ, ZEB_RELEASE_REPLY=windows_path(reply), ZEB_RELEASE_PROGRAM=windows_path(program))
    with tempfile.TemporaryFile(mode="w+") as out:
        status = subprocess.run(["wine", os.path.join(e2elib.BUILD, "win_update.exe"),
                                 "--gtest_filter=ReleaseReply.*"], cwd=work, env=env, stdout=out,
                                stderr=subprocess.STDOUT).returncode
        out.seek(0)
        log = out.read()
    test.assertEqual(status, 0, log)
    test.assertIn("[  PASSED  ] 1 test", log)
    test.assertNotIn("SKIPPED", log)


def reg_values(key):
    """The values of a registry key as Wine's reg.exe lists them: {name: (type, text)}."""
    with tempfile.TemporaryFile() as out:
        subprocess.run(["wine", "reg", "query", key], stdout=out, stderr=subprocess.DEVNULL)
        out.seek(0)
        text = out.read().decode("gbk", errors="replace")
    return {m.group(1): (m.group(2), m.group(3)) for m in re.finditer(r"^ {4}(.+?) {4}(REG_\w+) {4}(.*?)\r?$",
                                                                        text, re.M)}


class PackagedTree(unittest.TestCase):
    """The tree under test packaged into a folder of the class's own, with
    package_options() besides."""
    @classmethod
    def package_options(cls):
        return []

    @classmethod
    def setUpClass(cls):
        cls.version = project_version()
        cls.name = "Zeb-%s-dev-win64" % cls.version  # packaged with the development key
        cls.work = tempfile.mkdtemp(prefix="zeb-dist-")
        cls.dist = os.path.join(cls.work, "dist")
        status, cls.package_log = package("--out", cls.dist, *cls.package_options())
        cls.packaged = status == 0

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.assertTrue(self.packaged, self.package_log)

    def dist_file(self, *parts):
        return os.path.join(self.dist, *parts)


class Release(PackagedTree):

    def zipped_program(self):
        with zipfile.ZipFile(self.dist_file(self.name + ".zip")) as z:
            return z.read("Zeb.exe")

    def test_package_holds_the_build_checksums_and_the_signed_reply(self):
        self.assertEqual(sorted(os.listdir(self.dist)),
                         sorted([self.name + ".zip", self.name + "-setup.exe", "SHA256SUMS", "update-reply-dev.ini",
                                 "scoop", "winget"]))
        check = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=self.dist, capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertEqual(len(check.stdout.splitlines()), 2, check.stdout)

        with zipfile.ZipFile(self.dist_file(self.name + ".zip")) as z:
            self.assertEqual(sorted(z.namelist()), ["README.txt", "Zeb.exe"])
            readme = z.read("README.txt").decode("utf-8-sig")
        with open(os.path.join(e2elib.BUILD, "Zeb.exe"), "rb") as f:
            program = f.read()
        self.assertEqual(self.zipped_program(), program)
        self.assertIn("Zeb " + self.version, readme)
        self.assertIn("运行", readme)
        self.assertIn("Run", readme)
        self.assertIn(self.name + "-setup.exe", readme)

        with open(self.dist_file("update-reply-dev.ini"), "rb") as f:
            reply = f.read().decode("ascii")
        keys = dict(re.findall(r"^(\w+)=(.*)\r$", reply, re.M))
        self.assertTrue(reply.startswith("[Zeb]\r\n"), reply)
        self.assertEqual(keys["infoVer"], self.version.split(".")[3])
        self.assertTrue(keys["dlurl"].startswith("http://"), keys)
        self.assertTrue(keys["dlurl"].endswith("/" + self.name + ".exe"), keys)
        self.assertEqual(keys["sha256"], hashlib.sha256(program).hexdigest())
        self.assertRegex(keys["sig"], r"^[0-9a-f]{128}$")

    def test_update_reply_passes_the_programs_own_checks(self):
        check_release_reply(self, self.dist_file("update-reply-dev.ini"), self.zipped_program())

    def test_installs_updates_a_running_zeb_and_uninstalls_keeping_the_settings(self):
        service = shared_quote_service()
        service.get("/_reset")
        shared_prefix = os.environ["WINEPREFIX"]
        prefix_root = tempfile.mkdtemp(prefix="zeb-prefix-")
        os.environ["WINEPREFIX"] = os.path.join(prefix_root, "prefix")

        def drop_prefix():
            probe("post-command", ID_EXIT)
            subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.environ["WINEPREFIX"] = shared_prefix
            shutil.rmtree(prefix_root, ignore_errors=True)
        self.addCleanup(drop_prefix)
        subprocess.run(["wineboot", "-i"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"])
        point_at_fakes(service.port)

        setup = self.dist_file(self.name + "-setup.exe")
        self.assertEqual(wine(setup, "/S", "/AUTORUN=1"), 0)
        home = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "AppData"))
        self.assertEqual(len(home), 1, home)
        user = os.path.basename(os.path.dirname(home[0]))
        folder = os.path.join(home[0], "Local", "Programs", "Zeb")
        installed = r"C:\users\%s\AppData\Local\Programs\Zeb" % user
        shortcut = os.path.join(home[0], "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Zeb.lnk")

        self.assertEqual(sorted(os.listdir(folder)), ["Zeb.exe", "uninstall.exe"])
        with open(os.path.join(folder, "Zeb.exe"), "rb") as f:
            self.assertEqual(f.read(), self.zipped_program())
        with open(shortcut, "rb") as f:
            link = f.read()
        self.assertIn((installed + "\\Zeb.exe").encode("utf-16-le"), link)
        entry = reg_values(UNINSTALL_KEY)
        self.assertEqual(entry["DisplayName"], ("REG_SZ", "Zeb"))
        self.assertEqual(entry["DisplayVersion"], ("REG_SZ", self.version))
        self.assertEqual(entry["Publisher"], ("REG_SZ", "Quillon"))
        self.assertEqual(entry["DisplayIcon"], ("REG_SZ", installed + r"\Zeb.exe,0"))
        self.assertEqual(entry["InstallLocation"], ("REG_SZ", installed))
        self.assertEqual(entry["UninstallString"], ("REG_SZ", '"%s\\uninstall.exe"' % installed))
        self.assertEqual(entry["QuietUninstallString"], ("REG_SZ", '"%s\\uninstall.exe" /S' % installed))
        size_kb = sum(os.path.getsize(os.path.join(folder, n)) for n in os.listdir(folder)) // 1024
        self.assertEqual(entry["EstimatedSize"][0], "REG_DWORD")
        self.assertAlmostEqual(int(entry["EstimatedSize"][1], 16), size_kb, delta=2)
        self.assertEqual(reg_values(RUN_KEY).get("Zeb"), ("REG_SZ", '"%s\\Zeb.exe"' % installed))

        # The installed Zeb shows the table. Its settings: font size 2.
        ini = os.path.join(folder, "zeb.ini")
        with open(ini, "w", newline="\r\n") as f:
            f.write("[UserSet]\nss=%s\nsu=%s\nsp=%s\nfontsize=2\nversion=2\n" % (ss_block(), su_block(), sp_block()))
        first = subprocess.Popen(["wine", installed + r"\Zeb.exe"], cwd="/", stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.assertTrue(wait_for(lambda: probe("window").get("visible") == "1"), "the installed Zeb shows no window")
        pages = os.path.join(home[0], "Local", "Microsoft", "Windows", "INetCache", "zebtmp.htm")

        def page():
            for name in glob.glob(pages):
                with open(name, "rb") as f:
                    return f.read().decode("gb2312", "replace")
            return ""
        self.assertTrue(wait_for(lambda: page().count('<tr align="right" class=') == 3), page())
        time.sleep(1.0)
        colors = color_counts(ZebTestCase.screenshot(self, "installed-widget.png"))
        self.assertGreater(colors.get("#FFFFE6", 0), 5000, colors)
        self.assertGreater(colors.get("#009900", 0), 20, colors)

        # Installing again while it runs ends it through its exit command (it
        # saves its settings), replaces the program and starts it again.
        os.remove(glob.glob(pages)[0])
        self.assertEqual(wine(setup, "/S"), 0)
        self.assertEqual(first.wait(timeout=20), 0)
        self.assertTrue(wait_for(lambda: probe("window").get("visible") == "1"), "Zeb was not started again")
        self.assertTrue(wait_for(lambda: page().count('<tr align="right" class=') == 3), page())
        with open(ini) as f:
            self.assertIn("fontsize=2", f.read())
        self.assertEqual(reg_values(RUN_KEY).get("Zeb"), ("REG_SZ", '"%s\\Zeb.exe"' % installed))

        # The quiet uninstaller ends Zeb and removes everything but the settings.
        self.assertEqual(wine(*entry["QuietUninstallString"][1].replace('"', "").rsplit(" ", 1)), 0)
        self.assertTrue(wait_for(lambda: reg_values(UNINSTALL_KEY) == {}, timeout=30))
        time.sleep(1.0)  # its last step, the folder (which keeps zeb.ini)
        self.assertTrue(wait_for(lambda: probe("window").get("found") == "0", timeout=10))
        self.assertEqual(os.listdir(folder), ["zeb.ini"])
        with open(ini) as f:
            self.assertIn("fontsize=2", f.read())
        self.assertFalse(os.path.exists(shortcut))
        self.assertNotIn("Zeb", reg_values(RUN_KEY))
        self.assertIn(STOCK_LIST, reg_values("HKCU\\" + APP_KEY))


# The fields the package managers' schemas require (winget manifest schema
# 1.6.0: version, installer and defaultLocale; Scoop's app manifest schema,
# with what an installation needs of each architecture).
WINGET_REQUIRED = {
    "version": ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"],
    "installer": ["PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"],
    "defaultLocale": ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
                      "ShortDescription", "ManifestType", "ManifestVersion"],
}
WINGET_INSTALLER_REQUIRED = ["Architecture", "InstallerUrl", "InstallerSha256"]


class SignedRelease(PackagedTree):
    """The release signed with Authenticode by a throwaway code-signing
    certificate made here, and its package managers' manifests."""
    @classmethod
    def package_options(cls):
        cls.cert, cls.key = make_certificate(cls.work, "signer", ExtendedKeyUsageOID.CODE_SIGNING)
        return ["--codesign-cert", cls.cert, "--codesign-key", cls.key]

    def checksums(self):
        with open(self.dist_file("SHA256SUMS")) as f:
            return {name: digest for digest, name in (line.split() for line in f)}

    def assert_signed(self, path):
        check = subprocess.run(["osslsigncode", "verify", "-CAfile", self.cert, "-in", path], capture_output=True,
                               text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertIn("Signature verification: ok", check.stdout)

    def test_programs_setup_and_reply_carry_the_signed_zeb(self):
        program = os.path.join(self.work, "Zeb.exe")
        with zipfile.ZipFile(self.dist_file(self.name + ".zip")) as z, open(program, "wb") as f:
            f.write(z.read("Zeb.exe"))
        self.assert_signed(program)
        self.assert_signed(self.dist_file(self.name + "-setup.exe"))
        # The ZebUpdater.exe the program carries, and writes out to run, is the signed one.
        updater = os.path.join(e2elib.BUILD, "ZebUpdater.exe")
        self.assert_signed(updater)
        with open(program, "rb") as f, open(updater, "rb") as u:
            self.assertIn(u.read(), f.read())

        with open(program, "rb") as f:
            signed = f.read()
        with open(self.dist_file("update-reply-dev.ini"), "rb") as f:
            keys = dict(re.findall(r"^(\w+)=(.*)\r$", f.read().decode("ascii"), re.M))
        self.assertEqual(keys["sha256"], hashlib.sha256(signed).hexdigest())
        check_release_reply(self, self.dist_file("update-reply-dev.ini"), signed)

    def test_manifests_hold_the_required_fields_and_the_packages_hashes(self):
        sums = self.checksums()
        folder = self.dist_file("winget", "manifests", "q", "Quillon", "Zeb", self.version)
        manifests = {}
        for name in os.listdir(folder):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                manifest = yaml.safe_load(f)
            manifests[manifest["ManifestType"]] = manifest
            self.assertEqual(manifest["PackageIdentifier"], "Quillon.Zeb")
            self.assertEqual(manifest["PackageVersion"], self.version)
            self.assertEqual(manifest["ManifestVersion"], "1.6.0")
        self.assertEqual(sorted(manifests), sorted(WINGET_REQUIRED))
        for kind, fields in WINGET_REQUIRED.items():
            self.assertEqual([f for f in fields if not manifests[kind].get(f)], [], kind)
        installer = manifests["installer"]
        self.assertEqual((installer["InstallerType"], installer["Scope"]), ("nullsoft", "user"))
        self.assertEqual(installer["InstallerSwitches"], {"Silent": "/S", "SilentWithProgress": "/S"})
        [entry] = installer["Installers"]
        self.assertEqual([f for f in WINGET_INSTALLER_REQUIRED if not entry.get(f)], [])
        self.assertEqual(entry["Architecture"], "x64")
        self.assertEqual(entry["InstallerUrl"], "http://www.quillon.com.cn/zeb/%s-setup.exe" % self.name)
        self.assertEqual(entry["InstallerSha256"], sums[self.name + "-setup.exe"].upper())
        self.assertEqual(manifests["version"]["DefaultLocale"], manifests["defaultLocale"]["PackageLocale"])

        with open(self.dist_file("scoop", "zeb.json"), encoding="utf-8") as f:
            scoop = json.load(f)
        self.assertEqual(scoop["version"], self.version)
        self.assertEqual(scoop["architecture"], {"64bit": {
            "url": "http://www.quillon.com.cn/zeb/%s.zip" % self.name, "hash": sums[self.name + ".zip"]}})
        self.assertEqual(scoop["shortcuts"], [["Zeb.exe", "Zeb"]])

    def test_a_certificate_that_cannot_sign_code_is_refused_before_building(self):
        other_cert, other_key = make_certificate(self.work, "server", ExtendedKeyUsageOID.SERVER_AUTH)
        for cert, key, message in [(self.cert, other_key, "is not the private key of the certificate"),
                                   (other_cert, other_key, "is not for code signing")]:
            with self.subTest(message):
                out = os.path.join(self.work, "refused")
                status, log = package("--out", out, "--codesign-cert", cert, "--codesign-key", key)
                self.assertNotEqual(status, 0, log)
                self.assertIn(message, log)
                self.assertNotIn("packaging", log)
                self.assertFalse(os.path.exists(out))
