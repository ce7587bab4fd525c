#!/usr/bin/env python3
"""Writes the package managers' manifests of a release (scripts/package.sh
runs it once the packages are in OUT):

    scripts/manifests.py OUT VERSION HOMEPAGE [ARCH ZIP ZIP_URL SETUP SETUP_URL]...

ARCH is win64 or win32; ZIP and SETUP are the packages' paths, the URLs where
they are published. Writes

    OUT/winget/manifests/q/Quillon/Zeb/VERSION/   Quillon.Zeb.yaml (version),
        Quillon.Zeb.installer.yaml (the setups), Quillon.Zeb.locale.zh-CN.yaml
        (the default locale): winget's multi-file manifest, laid out as in
        the winget-pkgs repository
    OUT/scoop/zeb.json                            Scoop's manifest of the zips
"""
import hashlib
import json
import os
import sys

IDENTIFIER = "Quillon.Zeb"
PUBLISHER = "Quillon"
MANIFEST_VERSION = "1.6.0"
LICENSE = "Proprietary"
DESCRIPTION_ZH = "常驻桌面的港股行情小窗口：总在最前，可以透明，行情按设定的间隔自动刷新。"
DESCRIPTION_EN = ("A small desktop widget that keeps a live table of Hong Kong stock and index quotes on screen: "
                  "always on top, optionally transparent, refreshed at the interval you choose.")
WINGET_ARCH = {"win64": "x64", "win32": "x86"}
SCOOP_ARCH = {"win64": "64bit", "win32": "32bit"}

# Zeb saves zeb.ini by writing a new file and renaming it over the old one,
# which would cut the hard link Scoop's "persist" makes for a file: the
# settings are copied to Scoop's persist folder when a version is removed
# (an update removes the old one) and back before the next one starts.
SCOOP_RESTORE = 'if (Test-Path "$(persistdir $app $global)\\zeb.ini") { Copy-Item "$(persistdir $app $global)\\zeb.ini" "$dir" }'
SCOOP_SAVE = [
    'if (Test-Path "$dir\\zeb.ini") {',
    '    New-Item -ItemType Directory -Force "$(persistdir $app $global)" | Out-Null',
    '    Copy-Item "$dir\\zeb.ini" "$(persistdir $app $global)" -Force',
    '}',
]


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def yaml_document(kind, fields):
    """A winget manifest file: a schema line, then "key: value" lines; values
    are strings (written as JSON strings, which YAML reads as they are),
    lists of mappings or mappings."""
    lines = ["# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json"
             % (kind, MANIFEST_VERSION), ""]

    def scalar(value):
        return json.dumps(value, ensure_ascii=False)

    for key, value in fields:
        if isinstance(value, dict):
            lines.append("%s:" % key)
            lines += ["  %s: %s" % (k, scalar(v)) for k, v in value.items()]
        elif isinstance(value, list):
            lines.append("%s:" % key)
            for item in value:
                for i, (k, v) in enumerate(item.items()):
                    lines.append("%s%s: %s" % ("- " if i == 0 else "  ", k, scalar(v)))
        else:
            lines.append("%s: %s" % (key, scalar(value)))
    return "\n".join(lines) + "\n"


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def write_winget(out, version, homepage, releases):
    folder = os.path.join(out, "winget", "manifests", IDENTIFIER[0].lower(), *IDENTIFIER.split("."), version)
    package = [("PackageIdentifier", IDENTIFIER), ("PackageVersion", version)]
    write(os.path.join(folder, IDENTIFIER + ".yaml"), yaml_document("version", package + [
        ("DefaultLocale", "zh-CN"), ("ManifestType", "version"), ("ManifestVersion", MANIFEST_VERSION)]))
    installers = [{"Architecture": WINGET_ARCH[r["arch"]], "InstallerUrl": r["setup_url"],
                   "InstallerSha256": sha256(r["setup"]).upper()} for r in releases]
    write(os.path.join(folder, IDENTIFIER + ".installer.yaml"), yaml_document("installer", package + [
        ("InstallerType", "nullsoft"), ("Scope", "user"),
        ("InstallerSwitches", {"Silent": "/S", "SilentWithProgress": "/S"}),
        ("UpgradeBehavior", "install"),
        # the key of its entry under Apps & features
        ("ProductCode", "Zeb"),
        ("Installers", installers), ("ManifestType", "installer"), ("ManifestVersion", MANIFEST_VERSION)]))
    write(os.path.join(folder, IDENTIFIER + ".locale.zh-CN.yaml"), yaml_document("defaultLocale", package + [
        ("PackageLocale", "zh-CN"), ("Publisher", PUBLISHER), ("PublisherUrl", homepage),
        ("PackageName", "Zeb"), ("PackageUrl", homepage), ("License", LICENSE),
        ("Copyright", "© " + PUBLISHER), ("ShortDescription", DESCRIPTION_ZH),
        ("ManifestType", "defaultLocale"), ("ManifestVersion", MANIFEST_VERSION)]))


def write_scoop(out, version, homepage, releases):
    manifest = {
        "version": version,
        "description": DESCRIPTION_EN,
        "homepage": homepage,
        "license": LICENSE,
        "architecture": {SCOOP_ARCH[r["arch"]]: {"url": r["zip_url"], "hash": sha256(r["zip"])} for r in releases},
        "shortcuts": [["Zeb.exe", "Zeb"]],
        "pre_install": SCOOP_RESTORE,
        "uninstaller": {"script": SCOOP_SAVE},
    }
    write(os.path.join(out, "scoop", "zeb.json"), json.dumps(manifest, indent=4, ensure_ascii=False) + "\n")


def main(argv):
    if len(argv) < 9 or (len(argv) - 4) % 5:
        sys.stderr.write("usage: manifests.py OUT VERSION HOMEPAGE [ARCH ZIP ZIP_URL SETUP SETUP_URL]...\n")
        return 2
    out, version, homepage = argv[1:4]
    rest = argv[4:]
    releases = [dict(zip(("arch", "zip", "zip_url", "setup", "setup_url"), rest[i:i + 5]))
                for i in range(0, len(rest), 5)]
    write_winget(out, version, homepage, releases)
    write_scoop(out, version, homepage, releases)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
